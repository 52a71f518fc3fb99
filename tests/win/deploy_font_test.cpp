// The music font: written from the plug-in into the Fonts folder, added,
// listed under the Fonts key and announced with WM_FONTCHANGE; an existing
// font file is never replaced, and a malformed one only costs a log line.
#include <gtest/gtest.h>

#include "font/font.h"
#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char FontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char FontValue[] = "Tonalis (TrueType)";

std::string FontPath() {
    return Join(FontsFolder(), "Tonalis.ttf");
}
std::string CarriedFont() {
    return Bytes(BuildPath("gen\\Tonalis.ttf"));
}
std::string FailureLine() {
    return "Failed to install Font Tonalis to " + FontPath() + "\r\n";
}
std::optional<std::string> FontRegistryValue() {
    return RegKey(HKLM, FontsKey).GetString(FontValue);
}

// A top-level window of the test that counts the WM_FONTCHANGE broadcasts.
class FontChangeListener {
  public:
    FontChangeListener() {
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "DeployFontListener";
        RegisterClassA(&wc);
        window_ = CreateWindowA("DeployFontListener", "listener", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, wc.hInstance, nullptr);
        count_ = 0;
    }
    ~FontChangeListener() { DestroyWindow(window_); }
    // The broadcasts received so far (they wait in this thread's queue).
    int Count() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return count_;
    }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_FONTCHANGE) ++count_;
        return DefWindowProcA(window, message, w, l);
    }
    HWND window_;
    static int count_;
};
int FontChangeListener::count_;

// ------------------------------------------------ TrueType files made here

void Put16(std::string& out, size_t at, unsigned value) {
    out[at] = char(value >> 8);
    out[at + 1] = char(value);
}
void Put32(std::string& out, size_t at, unsigned value) {
    Put16(out, at, value >> 16);
    Put16(out, at + 2, value & 0xFFFF);
}
unsigned Get16(const std::string& in, size_t at) {
    return (unsigned char)in[at] << 8 | (unsigned char)in[at + 1];
}
unsigned Get32(const std::string& in, size_t at) {
    return Get16(in, at) << 16 | Get16(in, at + 2);
}

struct Name {
    unsigned platform;
    unsigned nameId;
    std::string bytes;
};

// A file with an offset table and a name table only: its family name can be
// read, but it is no font any system would add.
std::string NameTableOnly(const std::vector<Name>& names) {
    std::string out(12 + 16, '\0');
    Put32(out, 0, 0x00010000);
    Put16(out, 4, 1);
    out.replace(12, 4, "name");
    const size_t table = out.size();
    Put32(out, 12 + 8, unsigned(table));
    out.resize(table + 6 + 12 * names.size(), '\0');
    Put16(out, table + 2, unsigned(names.size()));
    Put16(out, table + 4, unsigned(6 + 12 * names.size()));
    size_t offset = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        size_t at = table + 6 + 12 * i;
        Put16(out, at, names[i].platform);
        Put16(out, at + 6, names[i].nameId);
        Put16(out, at + 8, unsigned(names[i].bytes.size()));
        Put16(out, at + 10, unsigned(offset));
        offset += names[i].bytes.size();
    }
    for (const Name& name : names)
        out += name.bytes;
    return out;
}

std::string Utf16Be(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += char(c >> 8);
        out += char(c & 0xFF);
    }
    return out;
}

// The table record of the carried font's name table.
size_t NameRecordOf(const std::string& font) {
    for (unsigned i = 0; i < Get16(font, 4); ++i)
        if (font.compare(12 + 16 * i, 4, "name") == 0) return 12 + 16 * i;
    return std::string::npos;
}

class FontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        AddMozillaProduct("Firefox");
        ClearFont();
    }
    static void ClearFont() {
        RegKey(HKLM, FontsKey).DeleteValue(FontValue);
        EXPECT_TRUE(RemoveTree(FontPath()));
    }
    FontChangeListener listener_;
};

TEST_F(FontTest, FirstInstallationWritesAddsRegistersAndAnnounces) {
    InstallRun run = RunWindowed();
    ASSERT_TRUE(run.Succeeded()) << run.Dump();
    EXPECT_EQ(run.Count(CreatedFile(FontPath())), 1u) << run.Dump();
    EXPECT_FALSE(run.Has("Failed to install Font")) << run.Dump();
    EXPECT_EQ(Bytes(FontPath()), CarriedFont());
    EXPECT_FALSE(FileExists(Join(FontsFolder(), "Tonalis.old")));
    EXPECT_EQ(FontRegistryValue(), "Tonalis.ttf");
    EXPECT_EQ(listener_.Count(), 1);

    // Again: the font is there and in the system's table; only the value is
    // written again, and the change announced.
    RegKey(HKLM, FontsKey).DeleteValue(FontValue);
    InstallRun again = RunWindowed();
    ASSERT_TRUE(again.Succeeded()) << again.Dump();
    EXPECT_FALSE(again.Has(CreatedFile(FontPath()))) << again.Dump();
    EXPECT_FALSE(again.Has("Failed to install Font")) << again.Dump();
    EXPECT_EQ(FontRegistryValue(), "Tonalis.ttf");
    EXPECT_EQ(listener_.Count(), 2);
}

TEST_F(FontTest, FilePresentButNotAddedIsAddedNotReplaced) {
    // The file arrives after the installer started, so the system's font
    // table of the installer does not list it.
    RunOptions options;
    options.timeoutMs = 2 * RunWaitMs;
    Session run(options);
    ASSERT_TRUE(run.WaitMainWindow(RunWaitMs));
    const std::string present = CarriedFont() + "another installation";
    ASSERT_TRUE(WriteWholeFile(FontPath(), present));
    ASSERT_TRUE(run.Click(IDC_AGREE));
    InstallRun result;
    ASSERT_TRUE(WaitForInstallEnd(run, result));
    run.Close();
    run.Wait(RunWaitMs);

    EXPECT_TRUE(result.Succeeded()) << result.Dump();
    EXPECT_FALSE(result.Has(CreatedFile(FontPath()))) << result.Dump();
    EXPECT_FALSE(result.Has("Failed to install Font")) << result.Dump();
    EXPECT_EQ(Bytes(FontPath()), present);
    EXPECT_EQ(FontRegistryValue(), "Tonalis.ttf");
    EXPECT_EQ(listener_.Count(), 1);
}

TEST_F(FontTest, MalformedFontFilesCostOnlyALogLine) {
    const std::string font = CarriedFont();
    const size_t nameRecord = NameRecordOf(font);
    ASSERT_NE(nameRecord, std::string::npos);
    // Offsets past the end of the file. (A table offset near 4 GiB would make
    // Wine's own font scan at every program start stall: not used here.)
    std::string badTableOffset = font;
    Put32(badTableOffset, nameRecord + 8, 0x10000);
    std::string badTextOffsets = font;
    const size_t table = Get32(font, nameRecord + 8);
    for (unsigned i = 0; i < Get16(font, table + 2); ++i)
        Put16(badTextOffsets, table + 6 + 12 * i + 10, 0xFFF0);
    std::string noNameTable = font;
    noNameTable.replace(nameRecord, 4, "nam_");
    struct Case {
        const char* what;
        std::string bytes;
        bool added; // what AddFontResourceA makes of it
    };
    const Case cases[] = {
        {"truncated", font.substr(0, 200), false},
        {"name table past the end", badTableOffset, false},
        {"no name table", noNameTable, false},
        {"not a font at all", NameTableOnly({{3, 1, Utf16Be(L"Tonalis")}}), false},
        {"empty", "", false},
        // No family name can be read, but the system takes the font all the same.
        {"names past the end", badTextOffsets, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearFont();
        ASSERT_TRUE(WriteWholeFile(FontPath(), c.bytes));
        int announced = listener_.Count();
        InstallRun run = RunWindowed();
        EXPECT_TRUE(run.Succeeded()) << run.Dump();
        EXPECT_EQ(run.Count(FailureLine()), c.added ? 0u : 1u) << run.Dump();
        EXPECT_FALSE(run.Has(CreatedFile(FontPath()))) << run.Dump();
        EXPECT_EQ(Bytes(FontPath()), c.bytes) << "an existing font file is never replaced";
        EXPECT_EQ(FontRegistryValue().has_value(), c.added);
        EXPECT_EQ(listener_.Count(), announced + (c.added ? 1 : 0));
    }
    ClearFont();
}

TEST_F(FontTest, FontFileThatCannotBeWrittenIsAskedAboutAndNeverRegistered) {
    // A file where the Fonts folder should be: the font cannot be written.
    const std::string fonts = FontsFolder(), away = fonts + ".away";
    ASSERT_TRUE(MoveFileA(fonts.c_str(), away.c_str()));
    ASSERT_TRUE(WriteWholeFile(fonts, ""));
    // While that question waits the folder comes back, with a font file that
    // another program holds: the Retry meets it in use.
    HANDLE held = INVALID_HANDLE_VALUE;
    RunOptions options = Windowed(
        {{"Failed to install Scorewave Font for Font\r\nto:\r\n" + FontPath() + "\r\n", IDRETRY},
         {"can't overwrite your old plugin file:\r\n" + FontPath() + "\r\n", IDCANCEL}});
    options.onWindow = [&](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle && held == INVALID_HANDLE_VALUE) {
            DeleteFileA(fonts.c_str());
            MoveFileA(away.c_str(), fonts.c_str());
            held = CreateFileA(FontPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        return false;
    };
    InstallRun run = RunWindowedWith(options);
    CloseHandle(held);
    if (!FolderExists(fonts) && DeleteFileA(fonts.c_str())) MoveFileA(away.c_str(), fonts.c_str());
    ASSERT_EQ(run.boxes.size(), 2u) << run.Dump();
    EXPECT_TRUE(run.boxes[0].rule == 0 && run.boxes[1].rule == 1) << run.Dump();
    // Cancel ends the step: nothing added, nothing registered, the file kept.
    EXPECT_TRUE(run.Succeeded()) << run.Dump();
    EXPECT_FALSE(run.Has("Failed to install Font")) << run.Dump();
    EXPECT_EQ(Bytes(FontPath()), "");
    EXPECT_FALSE(FontRegistryValue().has_value());
}

TEST_F(FontTest, FontComesFromTheInstallerWhateverBecameOfTheWrittenPlugin) {
    // "A Kept" stands first in the list and is asked about last: while that
    // question waits, the plug-in just written for Firefox is removed, or
    // replaced by one whose font is no font. The font written is the one the
    // installer carries either way.
    const std::string kept = AddMozillaProduct("A Kept"),
                      firefox = Join(Root, "Firefox\\npscorew64.dll");
    const std::string noFont = Join(Root, "nofont.dll");
    ASSERT_TRUE(CopyFileA(VersionDll("v1_5_E4").c_str(), noFont.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceA(noFont.c_str(), FALSE);
    ASSERT_TRUE(update);
    ASSERT_TRUE(UpdateResourceA(update, "TRUETYPE", "MUSICFONT", 0, (void*)"no font", 7));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
    for (bool gone : {true, false}) {
        SCOPED_TRACE(gone ? "plug-in gone" : "plug-in without a font");
        ClearFont();
        PlacePrevious("v2_0_E4", kept);
        RunOptions options = Windowed({{"more recent version", IDYES}});
        options.onWindow = [&](Session&, const WindowRecord& window) {
            if (window.title == BoxTitle)
                gone ? DeleteFileA(firefox.c_str())
                     : CopyFileA(noFont.c_str(), firefox.c_str(), FALSE);
            return false;
        };
        InstallRun run = RunWindowedWith(options);
        EXPECT_TRUE(run.Succeeded()) << run.Dump();
        EXPECT_FALSE(run.Has("I DID NOT FIND") || run.Has("Failed to install Font")) << run.Dump();
        EXPECT_EQ(Bytes(FontPath()), CarriedFont());
        EXPECT_EQ(FontRegistryValue(), "Tonalis.ttf");
    }
}

// The family name as the installer reads it, from files made here.
std::string FamilyOf(const std::string& bytes) {
    const std::string path = Join(Root, "family.ttf");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    char* name = ReadFontFamilyName(path.c_str());
    std::string result = name ? name : "<none>";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

TEST_F(FontTest, FamilyNameFromMacintoshOrUnicodeRecords) {
    EXPECT_EQ(FamilyOf(CarriedFont()), "Tonalis");
    // Unicode text is converted to the ANSI code page (1252 here).
    EXPECT_EQ(
        FamilyOf(NameTableOnly(
            {{3, 0, Utf16Be(L"Copyright")}, {3, 1, Utf16Be(L"T\x00F6nalis")}, {1, 1, "Mac"}})),
        "T\xF6nalis");
    // A Macintosh record's bytes are taken as they are.
    EXPECT_EQ(FamilyOf(NameTableOnly({{1, 1, "Tonalis \x8A"}, {3, 1, Utf16Be(L"Unicode")}})),
              "Tonalis \x8A");
    EXPECT_EQ(FamilyOf(NameTableOnly({{0, 1, Utf16Be(L"Platform0")}})), "Platform0");
    // No family record, an empty one, a file cut inside the text, no file.
    EXPECT_EQ(FamilyOf(NameTableOnly({{3, 2, Utf16Be(L"Regular")}})), "<none>");
    EXPECT_EQ(FamilyOf(NameTableOnly({{3, 1, ""}})), "<none>");
    std::string cut = NameTableOnly({{3, 1, Utf16Be(L"Tonalis")}});
    EXPECT_EQ(FamilyOf(cut.substr(0, cut.size() - 1)), "<none>");
    EXPECT_EQ(ReadFontFamilyName("C:\\dep\\missing.ttf"), nullptr);

    // The carried family is usable once added; an unknown one is not installed.
    EXPECT_FALSE(IsFontInstalled("No Such Family 123", nullptr));
}

} // namespace
