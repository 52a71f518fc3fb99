// Taking program paths out of registry texts and composing plug-in paths,
// always within the buffer: results that do not fit are refused whole.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "base/path_rules.h"

namespace {

// An exact-size heap buffer, so that the address sanitizer sees any overrun.
struct Buffer {
    explicit Buffer(int size) : size(size), bytes(new char[size]) {
        memset(bytes.get(), 'x', size);
    }
    char* get() { return bytes.get(); }
    int size;
    std::unique_ptr<char[]> bytes;
};

std::string Program(const char* command, int size = 272) {
    Buffer out(size);
    if (!ProgramPathFromCommand(command, out.get(), out.size))
        return "<refused:" + std::string(out.get()) + ">";
    return out.get();
}

TEST(ProgramPathFromCommand, QuotedUnquotedAndTheOpenCases) {
    EXPECT_EQ(Program("\"C:\\Program Files\\B\\b.exe\" -url \"%1\""),
              "C:\\Program Files\\B\\b.exe");
    EXPECT_EQ(Program("C:\\B\\b.exe -url %1"), "C:\\B\\b.exe");
    // Without its closing quote the path runs to the end.
    EXPECT_EQ(Program("\"C:\\Program Files\\B\\b.exe"), "C:\\Program Files\\B\\b.exe");
    // Without a blank the whole command is the path.
    EXPECT_EQ(Program("C:\\B\\b.exe"), "C:\\B\\b.exe");
    EXPECT_EQ(Program(""), "<refused:>");
    EXPECT_EQ(Program("\"\" -x"), "<refused:>");
    EXPECT_EQ(Program(" C:\\b.exe"), "<refused:>");
    EXPECT_EQ(Program("\""), "<refused:>");
    EXPECT_EQ(Program(nullptr), "<refused:>");
    // 259 characters fit 260 bytes; 260 do not, and nothing is half-copied.
    std::string longest(259, 'a');
    EXPECT_EQ(Program(longest.c_str(), 260), longest);
    EXPECT_EQ(Program(("\"" + longest + "b\" x").c_str(), 260), "<refused:>");
}

std::string Quoted(std::string text) {
    std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    memcpy(buffer.get(), text.c_str(), text.size() + 1);
    KeepQuotedPart(buffer.get());
    return buffer.get();
}

TEST(KeepQuotedPart, OnlyBetweenTheQuotes) {
    EXPECT_EQ(Quoted("\"C:\\S\\Safari.exe\" -url \"%1\""), "C:\\S\\Safari.exe");
    EXPECT_EQ(Quoted("\"C:\\S\\Safari.exe"), "C:\\S\\Safari.exe");
    EXPECT_EQ(Quoted("C:\\S\\Safari.exe \"%1\""), "C:\\S\\Safari.exe \"%1\"");
    EXPECT_EQ(Quoted("\""), "");
    EXPECT_EQ(Quoted("\"\""), "");
    EXPECT_EQ(Quoted(""), "");
}

const char* const SafariNames[] = {"safari.exe", "webkit.dll"};

std::string Cut(std::string text, bool* found = nullptr) {
    std::unique_ptr<char[]> buffer(new char[text.size() + 1]);
    memcpy(buffer.get(), text.c_str(), text.size() + 1);
    bool hit = CutBeforeProgramName(buffer.get(), SafariNames, 2, NoLeadBytes);
    if (found) *found = hit;
    return buffer.get();
}

TEST(CutBeforeProgramName, DropsTheSeparatorAndEverythingAfter) {
    EXPECT_EQ(Cut("C:\\Program Files\\Safari\\Safari.exe -url %1"), "C:\\Program Files\\Safari");
    EXPECT_EQ(Cut("C:\\Program Files\\Safari\\WEBKIT.DLL"), "C:\\Program Files\\Safari");
    // safari.exe is looked for first, wherever it is.
    EXPECT_EQ(Cut("C:\\WebKit.dll\\x\\safari.exe"), "C:\\WebKit.dll\\x");
    bool found = true;
    EXPECT_EQ(Cut("C:\\Program Files\\Safari\\", &found), "C:\\Program Files\\Safari\\");
    EXPECT_FALSE(found);
    // A name at the very start leaves nothing, which is no folder.
    EXPECT_EQ(Cut("Safari.exe -url", &found), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(Cut("\\safari.exe"), "");
    EXPECT_EQ(Cut("C:safari.exe"), "C");
}

TEST(CutBeforeProgramName, ThePrecedingCharacterIsAWholeCharacter) {
    const char* const names[] = {"chrome.exe"};
    char text[] = "C:\\\x95\\chrome.exe"; // the character before the name is 0x95 0x5C
    auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0x9F; };
    EXPECT_TRUE(CutBeforeProgramName(text, names, 1, lead));
    EXPECT_STREQ(text, "C:\\");
}

std::string FilePath(const std::string& folder, SeparatorRule rule, int size = 261) {
    Buffer out(size);
    if (!ComposeFilePath(out.get(), out.size, folder.c_str(), "npscorew64.dll", rule, NoLeadBytes))
        return "<refused:" + std::string(out.get()) + ">";
    return out.get();
}

TEST(ComposeFilePath, SeparatorRulesAndTheRecordLimit) {
    EXPECT_EQ(FilePath("C:\\N\\Plugins", AlwaysAddSeparator), "C:\\N\\Plugins\\npscorew64.dll");
    EXPECT_EQ(FilePath("C:\\N\\Plugins\\", AlwaysAddSeparator), "C:\\N\\Plugins\\\\npscorew64.dll");
    EXPECT_EQ(FilePath("C:\\M\\Plugins\\", SeparatorUnlessPresent),
              "C:\\M\\Plugins\\npscorew64.dll");
    EXPECT_EQ(FilePath("C:\\M\\Plugins", SeparatorUnlessPresent), "C:\\M\\Plugins\\npscorew64.dll");
    EXPECT_EQ(FilePath("", SeparatorUnlessPresent), "npscorew64.dll");
    EXPECT_EQ(FilePath("", AlwaysAddSeparator), "\\npscorew64.dll");
    // 245 + 1 + 14 = 260 characters: the longest plug-in path a record holds.
    std::string folder(245, 'f');
    EXPECT_EQ(FilePath(folder, SeparatorUnlessPresent), folder + "\\npscorew64.dll");
    EXPECT_EQ(FilePath(folder + "g", SeparatorUnlessPresent), "<refused:>");
    EXPECT_EQ(FilePath(folder + "\\", SeparatorUnlessPresent), folder + "\\npscorew64.dll");
    EXPECT_EQ(FilePath(folder + "\\", AlwaysAddSeparator), "<refused:>");
    // Registry texts of 259, 260 and 300 characters never fit.
    for (int length : {259, 260, 300})
        EXPECT_EQ(FilePath(std::string(length, 'r'), SeparatorUnlessPresent), "<refused:>");
}

std::string Subfolder(const std::string& folder, int size = 272) {
    Buffer out(size);
    if (!ComposeSubfolder(out.get(), out.size, folder.c_str(), "Plugins", NoLeadBytes))
        return "<refused:" + std::string(out.get()) + ">";
    return out.get();
}

TEST(ComposeSubfolder, ATrailingBackslashTakesTheSeparatorsPlace) {
    EXPECT_EQ(Subfolder("C:\\Safari\\"), "C:\\Safari\\Plugins");
    EXPECT_EQ(Subfolder("C:\\Safari"), "C:\\Safari\\Plugins");
    EXPECT_EQ(Subfolder("C:\\"), "C:\\Plugins");
    std::string folder(263, 'f'); // 263 + 8 = 271 characters and the zero
    EXPECT_EQ(Subfolder(folder), folder + "\\Plugins");
    EXPECT_EQ(Subfolder(folder + "g"), "<refused:>");
    EXPECT_EQ(Subfolder(std::string(300, 'r')), "<refused:>");
}

TEST(ReplaceLastComponent, ProgramPathBecomesItsPluginsFolder) {
    Buffer out(261);
    ASSERT_TRUE(
        ReplaceLastComponent(out.get(), out.size, "C:\\B\\b.exe", "\\Plugins", NoLeadBytes));
    EXPECT_STREQ(out.get(), "C:\\B\\Plugins");
    ASSERT_TRUE(ReplaceLastComponent(out.get(), out.size, "C:\\N\\netscape.exe", "", NoLeadBytes));
    EXPECT_STREQ(out.get(), "C:\\N");
    EXPECT_FALSE(ReplaceLastComponent(out.get(), out.size, "b.exe", "\\Plugins", NoLeadBytes));
    EXPECT_STREQ(out.get(), "");
    // 259 characters: the last part "\b" grows into "\Plugins", beyond 260.
    std::string program = std::string(257, 'a') + "\\b";
    EXPECT_FALSE(
        ReplaceLastComponent(out.get(), out.size, program.c_str(), "\\Plugins", NoLeadBytes));
    EXPECT_STREQ(out.get(), "");
}

bool InSet(const char* path, void* context) {
    auto* files = static_cast<std::set<std::string>*>(context);
    files->insert(std::string("tried:") + path);
    return files->count(path) > 0;
}

std::string Upward(const std::string& folder, std::set<std::string> files, int size = 272,
                   std::string* tried = nullptr) {
    Buffer buffer(size);
    memcpy(buffer.get(), folder.c_str(), folder.size() + 1);
    bool found =
        FindFileUpwardWith(buffer.get(), buffer.size, "opera.exe", InSet, &files, NoLeadBytes);
    if (tried) {
        for (const auto& f : files)
            if (f.rfind("tried:", 0) == 0) *tried += f.substr(6) + ";";
    }
    return found ? std::string(buffer.get()) : "<none>";
}

TEST(FindFileUpward, TheFolderThenEachParentUpToTheRoot) {
    EXPECT_EQ(Upward("C:\\A\\B", {"C:\\A\\opera.exe"}), "C:\\A\\opera.exe");
    EXPECT_EQ(Upward("C:\\A\\B\\", {"C:\\A\\B\\opera.exe", "C:\\A\\opera.exe"}),
              "C:\\A\\B\\opera.exe");
    EXPECT_EQ(Upward("C:\\A\\B", {"C:\\opera.exe"}), "C:\\opera.exe");
    std::string tried;
    EXPECT_EQ(Upward("C:\\A\\B", {}, 272, &tried), "<none>");
    EXPECT_EQ(tried, "C:\\A\\B\\opera.exe;C:\\A\\opera.exe;C:\\opera.exe;");
    EXPECT_EQ(Upward("", {"opera.exe"}), "<none>");
}

TEST(FindFileUpward, LevelsTooLongForTheBufferArePassedOver) {
    // 259 characters: "\opera.exe" does not fit beside it, but it does one level up.
    std::string parent = "C:\\" + std::string(240, 'p');
    std::string folder = parent + "\\" + std::string(259 - parent.size() - 1, 'c');
    ASSERT_EQ(folder.size(), 259u);
    EXPECT_EQ(Upward(folder, {parent + "\\opera.exe"}, 260), parent + "\\opera.exe");
    std::string full(259, 'z');
    EXPECT_EQ(Upward(full, {"opera.exe"}, 260), "<none>");
}

} // namespace
