// Bad input at start: a licence resource that is missing, empty or too large,
// and command lines of any length.
#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>

#include "driver/driver.h"
#include "win/installer_texts.h"

using namespace lab;

namespace {

const int LicenceControl = 1005;
const int AgreeButton = 1011;
const int StatusLine = 1010;

// The licence resource's directory entry in a program file: the name string
// ("LICENSE", UTF-16) and the data entry's size field, found by walking the
// resource directory of the .rsrc section.
struct LicenceEntry {
    size_t nameOffset = 0; // of the name's first character in the file
    size_t sizeOffset = 0; // of the data entry's Size field in the file
};

bool FindLicenceEntry(const std::string& file, LicenceEntry* entry) {
    auto u16 = [&](size_t at) { return at + 2 <= file.size() ? *(const WORD*)&file[at] : WORD(0); };
    auto u32 = [&](size_t at) {
        return at + 4 <= file.size() ? *(const DWORD*)&file[at] : DWORD(0);
    };
    size_t pe = u32(0x3C);
    size_t sections = pe + 24 + u16(pe + 20);
    size_t rsrc = 0;
    for (WORD i = 0; i < u16(pe + 6); ++i) {
        size_t header = sections + 40 * size_t(i);
        if (file.compare(header, 5, ".rsrc") == 0) {
            rsrc = u32(header + 20);
        }
    }
    if (!rsrc) return false;
    // Finds the entry named `name` in the directory at `dir`; returns its target.
    auto named = [&](size_t dir, const wchar_t* name, size_t* nameAt) -> DWORD {
        WORD count = WORD(u16(dir + 12) + u16(dir + 14));
        for (WORD i = 0; i < count; ++i) {
            size_t e = dir + 16 + 8 * size_t(i);
            DWORD id = u32(e);
            if (!(id & 0x80000000u)) continue;
            size_t str = rsrc + (id & 0x7FFFFFFFu);
            size_t length = u16(str);
            if (length != wcslen(name)) continue;
            bool same = true;
            for (size_t k = 0; k < length; ++k)
                same = same && u16(str + 2 + 2 * k) == name[k];
            if (!same) continue;
            *nameAt = str + 2;
            return u32(e + 4);
        }
        return 0;
    };
    size_t typeAt = 0, nameAt = 0;
    DWORD type = named(rsrc, L"TXT", &typeAt);
    if (!(type & 0x80000000u)) return false;
    DWORD name = named(rsrc + (type & 0x7FFFFFFFu), L"LICENSE", &nameAt);
    if (!(name & 0x80000000u)) return false;
    size_t languages = rsrc + (name & 0x7FFFFFFFu);
    DWORD data = u32(languages + 16 + 4);
    entry->nameOffset = nameAt;
    entry->sizeOffset = rsrc + data + 4;
    return true;
}

// A copy of the installer whose licence resource is missing (renamed), empty
// (size 0), or replaced by other bytes.
enum class Licence { Missing, Empty, Replaced };

std::string InstallerWithLicence(const char* name, Licence kind, const std::string& bytes = "") {
    std::string copy = CopyInstaller(Join(BuildPath("licence-variants"), name));
    if (copy.empty()) return copy;
    if (kind == Licence::Replaced) {
        HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
        EXPECT_TRUE(update) << copy;
        if (!update) return "";
        EXPECT_TRUE(UpdateResourceA(update, "TXT", "LICENSE",
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                    (void*)bytes.data(), DWORD(bytes.size())));
        EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
        return copy;
    }
    std::optional<std::string> file = ReadWholeFile(copy);
    LicenceEntry entry;
    EXPECT_TRUE(file && FindLicenceEntry(*file, &entry)) << copy;
    if (!file || !entry.nameOffset) return "";
    if (kind == Licence::Missing)
        (*file)[entry.nameOffset + 2 * 6] = 'X'; // LICENSE -> LICENSX
    else
        *(DWORD*)&(*file)[entry.sizeOffset] = 0;
    return WriteWholeFile(copy, *file) ? copy : "";
}

std::string LicenceShown(const std::string& exe, bool* agreeWorks) {
    RunOptions options;
    options.exe = exe;
    Session run(options);
    if (!run.WaitMainWindow()) return "<no window>";
    run.Settle();
    std::string shown = run.Text(LicenceControl);
    *agreeWorks = run.Click(AgreeButton) && run.WaitText(StatusLine, FailedStatus, RunWaitMs);
    run.Command(IDCANCEL);
    EXPECT_EQ(run.Wait(30000), 1);
    return shown;
}

TEST(StartupInput, LicenceOutsideOneTo32767BytesLeavesAnEmptyBox) {
    const std::string largest(32767, 'x');
    const std::string tooLarge(32768, 'y');
    const std::string empty;
    struct Case {
        const char* name;
        Licence kind;
        const std::string* bytes;
        const char* expected;
    } cases[] = {
        {"missing", Licence::Missing, &empty, ""},
        {"empty", Licence::Empty, &empty, ""},
        {"too-large", Licence::Replaced, &tooLarge, ""},
        {"largest", Licence::Replaced, &largest, nullptr},
    };
    for (const Case& c : cases) {
        std::string exe = InstallerWithLicence(c.name, c.kind, *c.bytes);
        ASSERT_FALSE(exe.empty()) << c.name;
        bool agreeWorks = false;
        std::string shown = LicenceShown(exe, &agreeWorks);
        EXPECT_EQ(shown, c.expected ? c.expected : largest) << c.name;
        EXPECT_TRUE(agreeWorks) << c.name;
    }
}

TEST(StartupInput, WithoutItsMainWindowTheProgramEndsAtOnce) {
    // A copy whose dialogs name a window class that nobody registers: the main
    // window cannot be created.
    std::string bytes = ReadWholeFile(InstallerPath()).value_or("");
    // (The resource compiler writes the class name in capitals.)
    const std::string wideClass("S\0C\0O\0R\0E\0W\0A\0V\0E\0S\0E\0T\0U\0P\0", 28);
    for (size_t at = bytes.find(wideClass); at != std::string::npos; at = bytes.find(wideClass, at))
        bytes[at] = 'X';
    std::string exe = Join(BuildPath("licence-variants"), "no-class\\ScorewaveSetup.exe");
    ASSERT_TRUE(WriteWholeFile(exe, bytes));
    RunOptions options;
    options.exe = exe;
    options.timeoutMs = 30000;
    Outcome outcome = RunToEnd(options);
    EXPECT_FALSE(outcome.timedOut) << "waited for a window that does not exist";
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.windows.empty()) << Describe(outcome.windows);
}

TEST(StartupInput, CommandLinesOfAnyLengthAndContent) {
    // Thousands of candidate switches, then a real one at the very end.
    std::string many;
    for (int i = 0; i < 4000; ++i)
        many += "/x/";
    many += " /noui";
    Outcome outcome = RunInstaller(many);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_FALSE(outcome.sawWindow("ScorewaveSetup"));

    // A line ending right after a slash or inside a switch name.
    for (const char* tail : {"/", "/no", "/nou", "//////"}) {
        RunOptions options;
        options.args = tail;
        Session run(options);
        EXPECT_TRUE(run.WaitMainWindow()) << tail;
        run.Command(IDCANCEL);
        EXPECT_EQ(run.Wait(30000), 1) << tail;
    }

    // Bytes above 127 and quotes are just text.
    Outcome odd = RunInstaller("\"\xAB\xBB\xFF\" /NoUi \"/");
    EXPECT_EQ(odd.exitCode, 1);
    EXPECT_FALSE(odd.sawWindow("ScorewaveSetup"));
}

} // namespace
