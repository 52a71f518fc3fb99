// Where the installer's code comes from: the built ScorewaveSetup.exe read as a
// file (its imports, its PE header flags, its relocations), and a real run from
// a Downloads folder that holds a planted version.dll, under Wine with
// version.dll loaded native-first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "win/deploy_lab.h"
#include "win/hardening_pe.h"

using namespace deploy;
using hardening::PeFile;

namespace {

PeFile Installer() {
    PeFile file(Bytes(InstallerPath()));
    EXPECT_TRUE(file.Valid()) << InstallerPath() << " is not a 64-bit PE file";
    return file;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(tolower(c)); });
    return text;
}

// The DLLs named by the import descriptors of a directory (the ordinary
// import table or the delay-load one), in lower case.
std::vector<std::string> ImportedDlls(const PeFile& file) {
    std::vector<std::string> names;
    IMAGE_DATA_DIRECTORY directory = file.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (directory.VirtualAddress == 0) return names;
    for (DWORD at = directory.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const IMAGE_IMPORT_DESCRIPTOR* entry = file.AtRva<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (!entry) {
            ADD_FAILURE() << "the import table runs off the file";
            break;
        }
        if (entry->Name == 0) break;
        std::optional<std::string> name = file.Text(entry->Name);
        EXPECT_TRUE(name) << "an import descriptor's name is outside the file";
        if (name) names.push_back(Lower(*name));
    }
    return names;
}

std::vector<std::string> DelayLoadedDlls(const PeFile& file) {
    std::vector<std::string> names;
    IMAGE_DATA_DIRECTORY directory = file.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
    if (directory.VirtualAddress == 0) return names;
    for (DWORD at = directory.VirtualAddress;; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        const IMAGE_DELAYLOAD_DESCRIPTOR* entry = file.AtRva<IMAGE_DELAYLOAD_DESCRIPTOR>(at);
        if (!entry || entry->DllNameRVA == 0) break;
        if (std::optional<std::string> name = file.Text(entry->DllNameRVA))
            names.push_back(Lower(*name));
    }
    return names;
}

// The KnownDLLs that Windows 7 SP1 and Windows 10 (x64) both list under
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs. Wine keeps
// no such key, so the list is written out here. Every DLL that these import
// statically is itself a known DLL, so none of them is looked for in the
// program's folder either.
const std::set<std::string> KnownDlls = {
    "advapi32.dll", "clbcatq.dll",  "comdlg32.dll", "difxapi.dll", "gdi32.dll",    "imagehlp.dll",
    "imm32.dll",    "kernel32.dll", "msctf.dll",    "msvcrt.dll",  "normaliz.dll", "nsi.dll",
    "ole32.dll",    "oleaut32.dll", "psapi.dll",    "rpcrt4.dll",  "sechost.dll",  "setupapi.dll",
    "shell32.dll",  "shlwapi.dll",  "user32.dll",   "wldap32.dll", "ws2_32.dll",
};

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += " " + name;
    return text;
}

TEST(BuiltProgram, ImportsOnlyKnownDlls) {
    PeFile file = Installer();
    ASSERT_TRUE(file.Valid());
    std::vector<std::string> imported = ImportedDlls(file);
    RecordProperty("imports", Listed(imported));
    // The program cannot run without these; an empty list means the parse failed.
    for (const char* needed : {"kernel32.dll", "user32.dll", "advapi32.dll"})
        EXPECT_NE(std::find(imported.begin(), imported.end(), needed), imported.end())
            << needed << " missing from" << Listed(imported);
    for (const std::string& name : imported)
        EXPECT_TRUE(KnownDlls.count(name))
            << name << " is not a known DLL; imports:" << Listed(imported);
    EXPECT_EQ(std::count(imported.begin(), imported.end(), "version.dll"), 0) << Listed(imported);
    // A delay-loaded DLL is looked for by name on first use, like LoadLibrary.
    std::vector<std::string> delayed = DelayLoadedDlls(file);
    EXPECT_TRUE(delayed.empty()) << "delay-loaded:" << Listed(delayed);
}

TEST(BuiltProgram, HeaderAsksForAslrDepAndTerminalServerAwareness) {
    PeFile file = Installer();
    ASSERT_TRUE(file.Valid());
    const WORD flags = file.Nt().OptionalHeader.DllCharacteristics;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE) << std::hex << flags;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT) << std::hex << flags;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) << std::hex << flags;
    EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) << std::hex << flags;
    EXPECT_FALSE(file.Nt().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
}

// The import tables share the read-only section with the code and constants:
// the loader fills the import address table only through the directory that
// names it, so every descriptor's address table must lie inside that directory,
// and no section may be both writable and executable.
TEST(BuiltProgram, ImportAddressTablesLieInTheirDirectoryAndNoPageIsWritableCode) {
    PeFile file = Installer();
    ASSERT_TRUE(file.Valid());
    for (const IMAGE_SECTION_HEADER* section : file.Sections()) {
        const DWORD flags = section->Characteristics;
        EXPECT_FALSE((flags & IMAGE_SCN_MEM_WRITE) && (flags & IMAGE_SCN_MEM_EXECUTE))
            << std::string((const char*)section->Name, strnlen((const char*)section->Name, 8));
    }
    IMAGE_DATA_DIRECTORY iat = file.Directory(IMAGE_DIRECTORY_ENTRY_IAT);
    ASSERT_NE(iat.VirtualAddress, 0u);
    IMAGE_DATA_DIRECTORY imports = file.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(imports.VirtualAddress, 0u);
    int descriptors = 0;
    for (DWORD at = imports.VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const IMAGE_IMPORT_DESCRIPTOR* entry = file.AtRva<IMAGE_IMPORT_DESCRIPTOR>(at);
        ASSERT_TRUE(entry) << "the import table runs off the file";
        if (entry->Name == 0) break;
        ++descriptors;
        // Walk the descriptor's address table to its closing zero.
        DWORD slot = entry->FirstThunk;
        for (;; slot += sizeof(ULONGLONG)) {
            const ULONGLONG* thunk = file.AtRva<ULONGLONG>(slot);
            ASSERT_TRUE(thunk) << "an address table runs off the file";
            EXPECT_GE(slot, iat.VirtualAddress);
            EXPECT_LE(slot + sizeof(ULONGLONG), iat.VirtualAddress + iat.Size);
            if (*thunk == 0) break;
        }
        EXPECT_GT(slot, entry->FirstThunk) << "a DLL imported for nothing";
    }
    EXPECT_GE(descriptors, 3);
}

// The manifest's two requests: elevation, and version 6 of the common controls.
TEST(BuiltProgram, ManifestAsksForAdministratorAndCommonControls6) {
    HMODULE module = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_TRUE(found);
    const char* bytes = (const char*)LockResource(LoadResource(module, found));
    ASSERT_TRUE(bytes);
    std::string manifest(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""),
              std::string::npos)
        << manifest;
    size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos) << manifest;
    size_t element = manifest.rfind('<', controls);
    std::string identity = manifest.substr(element, manifest.find('>', controls) - element);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;
}

// DYNAMICBASE without relocations leaves the loader nothing to move the image
// with: Windows then loads it at its fixed base after all.
TEST(BuiltProgram, RelocationsAreKeptAndWellFormed) {
    PeFile file = Installer();
    ASSERT_TRUE(file.Valid());
    IMAGE_DATA_DIRECTORY directory = file.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    ASSERT_NE(directory.VirtualAddress, 0u);
    ASSERT_GT(directory.Size, sizeof(IMAGE_BASE_RELOCATION));

    const IMAGE_SECTION_HEADER* holder = nullptr;
    for (const IMAGE_SECTION_HEADER* section : file.Sections())
        if (directory.VirtualAddress >= section->VirtualAddress &&
            directory.VirtualAddress + directory.Size <=
                section->VirtualAddress + section->SizeOfRawData)
            holder = section;
    ASSERT_TRUE(holder) << "no section holds the relocations in the file";
    EXPECT_EQ(std::string((const char*)holder->Name, strnlen((const char*)holder->Name, 8)),
              ".reloc");

    // Walk the blocks: they fill the directory exactly, and every entry either
    // pads (ABSOLUTE) or fixes a 64-bit address inside the image.
    const DWORD imageSize = file.Nt().OptionalHeader.SizeOfImage;
    size_t fixups = 0;
    DWORD at = 0;
    while (at < directory.Size) {
        const IMAGE_BASE_RELOCATION* block =
            file.AtRva<IMAGE_BASE_RELOCATION>(directory.VirtualAddress + at);
        ASSERT_TRUE(block) << "block at " << at;
        ASSERT_GE(block->SizeOfBlock, sizeof(IMAGE_BASE_RELOCATION)) << "block at " << at;
        ASSERT_LE(at + block->SizeOfBlock, directory.Size) << "block at " << at;
        ASSERT_EQ(block->SizeOfBlock % sizeof(WORD), 0u);
        DWORD entries = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / sizeof(WORD);
        for (DWORD i = 0; i < entries; ++i) {
            const WORD* entry = file.AtRva<WORD>(directory.VirtualAddress + at +
                                                 sizeof(IMAGE_BASE_RELOCATION) + i * sizeof(WORD));
            ASSERT_TRUE(entry);
            int type = *entry >> 12;
            if (type == IMAGE_REL_BASED_ABSOLUTE) continue;
            EXPECT_EQ(type, IMAGE_REL_BASED_DIR64) << "block at " << at << ", entry " << i;
            EXPECT_LT(block->VirtualAddress + (*entry & 0xFFF) + 8, imageSize + 1);
            ++fixups;
        }
        at += block->SizeOfBlock;
    }
    EXPECT_EQ(at, directory.Size);
    EXPECT_GT(fixups, 0u);
    RecordProperty("fixups", int(fixups));
}

// ------------------------------------------------------------- a planted DLL

const char Downloads[] = "C:\\users\\Public\\Downloads";

std::string HardeningFixture(const char* file) {
    return BuildPath((std::string("fixtures\\hardening\\") + file).c_str());
}

// The planted DLL's evidence: one "<program>|<how>" line per process that
// loaded it.
std::vector<std::string> Loads(const std::string& plantedDll) {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(ReadWholeFile(plantedDll + ".loaded").value_or("")))
        lines.push_back(Lower(line));
    return lines;
}

// While it lives, the named programs load version.dll native-first: a
// version.dll in the program's folder wins over the system's, as on Windows for
// a DLL that is neither known nor loaded by its full path. Wine takes this from
// its per-program registry settings when a process starts (a WINEDLLOVERRIDES
// set here would not reach the programs this process starts).
class NativeVersionFirst {
  public:
    explicit NativeVersionFirst(std::vector<std::string> programs)
        : programs_(std::move(programs)) {
        for (const std::string& program : programs_)
            EXPECT_TRUE(Overrides(program).SetString("version", "native,builtin"));
    }
    ~NativeVersionFirst() {
        for (const std::string& program : programs_)
            Overrides(program).DeleteValue("version");
    }

  private:
    static RegKey Overrides(const std::string& program) {
        return RegKey(HKCU, "Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides");
    }
    std::vector<std::string> programs_;
};

class PlantedDll : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        ASSERT_TRUE(RemoveTree(Downloads));
        ASSERT_TRUE(MakeFolders(Downloads));
        planted_ = Join(Downloads, "version.dll");
        ASSERT_TRUE(
            CopyFileA(HardeningFixture("planted\\version.dll").c_str(), planted_.c_str(), FALSE));
    }
    std::string planted_;
};

TEST_F(PlantedDll, BesideTheInstallerInDownloadsTheInstallerNeverUsesIt) {
    NativeVersionFirst overrides({"static_import.exe", "ScorewaveSetup.exe"});

    // The control: a program that imports version.dll reads its own version
    // information through the system's copy, but started from the folder with
    // the planted copy, it loads that one, which has nothing to tell.
    RunOptions controlRun;
    controlRun.exe = HardeningFixture("static_import.exe");
    EXPECT_GT(RunToEnd(controlRun).exitCode, 0);
    std::string control = Join(Downloads, "static_import.exe");
    ASSERT_TRUE(CopyFileA(controlRun.exe.c_str(), control.c_str(), FALSE));
    controlRun.exe = control;
    controlRun.workingDir = Downloads;
    EXPECT_EQ(RunToEnd(controlRun).exitCode, 0);
    std::vector<std::string> loads = Loads(planted_);
    ASSERT_EQ(loads, std::vector<std::string>{Lower(control) + "|program-import"})
        << "the planted DLL must be loadable from there for this test to mean anything";
    ASSERT_TRUE(DeleteFileA((planted_ + ".loaded").c_str()));

    // A previous plug-in of a newer version: its version is read (the
    // question names it) before it is replaced.
    std::string target = AddMozillaProduct("Firefox");
    PlacePrevious("v2_0_E4", target);
    std::string installer = CopyInstaller(Downloads);
    ASSERT_FALSE(installer.empty());
    RunOptions options;
    options.exe = installer;
    options.args = "/noui";
    options.workingDir = Downloads;
    options.boxes = {{"but you have a more recent version:\r\n  2.00.0\r\n", IDNO}};
    options.timeoutMs = 2 * RunWaitMs;
    Outcome outcome = RunToEnd(options);

    // Wine's own user32.dll imports version.dll (Windows' does not), so under
    // Wine every program started from that folder gets the planted copy at
    // start-up for user32's sake. What the installer itself does is what counts:
    // it neither imports the DLL nor loads it by name.
    for (const std::string& line : Loads(planted_)) {
        EXPECT_EQ(line, Lower(installer) + "|system-import")
            << "the installer loaded the planted DLL";
        RecordProperty("wine-user32-import", line);
    }
    // And the run did what it is for: the version was read through the
    // system's version.dll (the question names it) and the plug-in written. A
    // load by name would have been handed the planted copy Wine's user32 holds,
    // which reads no version at all.
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 0) << Describe(outcome.boxes);
    EXPECT_EQ(outcome.boxes.size(), 1u) << Describe(outcome.boxes);
    EXPECT_TRUE(outcome.boxes.size() == 1 && outcome.boxes[0].rule == 0)
        << "the previous plug-in's version 2.00.0 was not read:" << Describe(outcome.boxes);
    EXPECT_EQ(Bytes(target), PluginBytes());
}

// A system where SetDefaultDllDirectories is missing (Vista; 7 without
// KB2533623): a copy of the installer that cannot find it, run windowed from
// a Downloads folder holding a planted copy of each DLL that system DLLs load
// by bare name, every one of them loaded native-first. The installer loaded
// them from System32 before anything asked for them by name, so none of the
// planted copies is loaded by it.
TEST_F(PlantedDll, WithoutALimitedSearchTheSystemsOwnCopiesAreLoadedFirst) {
    std::string bytes = Bytes(InstallerPath());
    const std::string name = "SetDefaultDllDirectories";
    size_t at = bytes.find(name + '\0');
    ASSERT_NE(at, std::string::npos);
    bytes[at + name.size() - 1] = 'z';
    const std::string installer = Join(Downloads, "ScorewaveSetup.exe");
    ASSERT_TRUE(WriteWholeFile(installer, bytes));
    const char* const planted[] = {"uxtheme",  "dwmapi",  "cryptbase", "sspicli",
                                   "userenv",  "profapi", "propsys",   "oleacc",
                                   "setupapi", "ntmarta", "apphelp",   "clbcatq"};
    std::vector<std::string> programs = {"ScorewaveSetup.exe"};
    for (const char* dll : planted) {
        ASSERT_TRUE(CopyFileA(HardeningFixture("planted\\version.dll").c_str(),
                              Join(Downloads, std::string(dll) + ".dll").c_str(), FALSE));
        EXPECT_TRUE(RegKey(HKCU, "Software\\Wine\\AppDefaults\\ScorewaveSetup.exe\\DllOverrides")
                        .SetString(dll, "native,builtin"));
    }
    NativeVersionFirst overrides(programs);
    RunOptions options = Windowed();
    options.exe = installer;
    options.workingDir = Downloads;
    InstallRun run = RunWindowedWith(options);
    EXPECT_EQ(run.status, FailedStatus) << run.Dump();
    for (const char* dll : planted) {
        std::string loads =
            ReadWholeFile(Join(Downloads, std::string(dll) + ".dll.loaded")).value_or("");
        EXPECT_EQ(loads, "") << dll;
    }
}

} // namespace
