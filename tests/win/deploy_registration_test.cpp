// The document types, the MIME type and the open command as the registry
// holds them after real runs: exactly the entries of the registration table,
// the ownership question, and the open command made from the default
// browser's command and never written over another program's.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char MtdProgId[] = "Music.Transfer.Document";
const char SgtProgId[] = "ScorewaveGuitar.File";
const char MimeKey[] = "MIME\\Database\\Content Type\\application/x-scorewave";
const char OpenCommandKey[] = "Music.Transfer.Document\\shell\\open\\command";
const char BrowserCommandKey[] = "HTTP\\shell\\open\\command";
const char FontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char FontValue[] = "Tonalis (TrueType)";
const std::string Page = "http://www.scorewave-music.com/download/player/?vrv=1.20";
const char Registered[] = "Netscape plugin registered OK\r\n\r\n";

// ------------------------------------------------------------- snapshots

typedef RegistrySnapshot Snapshot;

// HKCR as programs see it, and the rest of HKLM\SOFTWARE and HKCU\Software
// (without the class keys already seen through HKCR, Wine's own settings and
// the uninstall entry with its record and the per-user component, which the
// removal tests follow).
Snapshot TakeSnapshot() {
    Snapshot out;
    AddRegistryTree(HKEY_CLASSES_ROOT, "HKCR\\", "", {}, out);
    AddRegistryTree(HKEY_LOCAL_MACHINE, "HKLM\\", "SOFTWARE",
                    {"SOFTWARE\\Classes", "SOFTWARE\\Wow6432Node\\Classes", "SOFTWARE\\Wine",
                     "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer",
                     "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Scorewave.Viewer"},
                    out);
    AddRegistryTree(HKEY_CURRENT_USER, "HKCU\\", "Software",
                    {"Software\\Classes", "Software\\Wine"}, out);
    return out;
}

// What changed: "+entry=data", "-entry", "~entry=data".
std::set<std::string> Difference(const Snapshot& before, const Snapshot& after) {
    std::set<std::string> changes;
    for (const auto& [entry, data] : after) {
        auto old = before.find(entry);
        if (old == before.end())
            changes.insert("+" + entry + "=" + data);
        else if (old->second != data)
            changes.insert("~" + entry + "=" + data);
    }
    for (const auto& [entry, data] : before)
        if (!after.count(entry)) changes.insert("-" + entry);
    return changes;
}

std::string Sz(const std::string& text) {
    return "1:" + text + std::string(1, '\0');
}

std::string Show(const std::set<std::string>& changes) {
    std::string text;
    for (const std::string& change : changes)
        text += "\n  " + Escaped(change);
    return text;
}

// ------------------------------------------------------------- scenarios

RegKey Classes(const std::string& path) {
    return RegKey(HKCR, path);
}

void ClearRegistration() {
    for (const char* key : {".mtd", ".sgt", MtdProgId, SgtProgId, MimeKey})
        Classes(key).DeleteTree();
    RegKey(HKLM, FontsKey).DeleteValue(FontValue);
}

std::string OwnerQuestion(const std::string& extension, const std::string& owner) {
    return "Windows is using file extension " + extension + "\r\nfor: \"" + owner +
           "\"\r\nIs it OK to use it for Scorewave instead?";
}

class RegistrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        ClearRegistration();
        Classes("Music.Transfer.Document").DeleteTree();
        if (!savedBrowserCommand_) {
            DWORD type = 0;
            std::string bytes;
            ASSERT_TRUE(Classes(BrowserCommandKey).GetRaw("", &type, &bytes));
            savedBrowserCommand_ = bytes;
        }
        plugin_ = AddMozillaProduct("Firefox");
    }
    void TearDown() override {
        Classes(BrowserCommandKey).SetRaw("", REG_SZ, *savedBrowserCommand_);
    }
    // A run that writes the plug-in, so that the registration happens.
    InstallRun Install(std::vector<BoxRule> rules = {}) {
        InstallRun run = RunWindowed(std::move(rules));
        EXPECT_TRUE(run.Succeeded()) << run.Dump();
        return run;
    }
    std::string OpenCommand() { return Classes(OpenCommandKey).GetString("").value_or("<none>"); }

    static std::optional<std::string> savedBrowserCommand_;
    std::string plugin_;
};
std::optional<std::string> RegistrationTest::savedBrowserCommand_;

TEST_F(RegistrationTest, AClassKeyThatIsARegistryLinkIsNotWrittenThrough) {
    ASSERT_TRUE(RegKey(HKLM, "SOFTWARE\\Elsewhere").SetString("", "kept"));
    RegistryLink link("SOFTWARE\\Classes\\.sgt", L"\\Registry\\Machine\\SOFTWARE\\Elsewhere");
    ASSERT_TRUE(link.made_);
    InstallRun run = Install();
    EXPECT_EQ(RegKey(HKLM, "SOFTWARE\\Elsewhere").ValueNames(), std::vector<std::string>{""});
    EXPECT_EQ(RegKey(HKLM, "SOFTWARE\\Elsewhere").GetString(""), "kept");
    EXPECT_TRUE(run.Has("registry updates to:\r\n.sgt\r\n")) << run.Dump();
    EXPECT_EQ(Classes(".mtd").GetString(""), MtdProgId);
}

TEST_F(RegistrationTest, RunChangesExactlyTheRegistrationEntriesAndTheFontValue) {
    ASSERT_TRUE(RemoveTree(Join(FontsFolder(), "Tonalis.ttf")));
    Snapshot before = TakeSnapshot();
    InstallRun run = Install();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
    Snapshot after = TakeSnapshot();

    const std::string browser = "\"C:\\windows\\system32\\winebrowser.exe\"";
    ASSERT_EQ(*savedBrowserCommand_, browser + " \"%1\"" + std::string(1, '\0'));
    const std::string classes = "HKCR\\";
    const std::string key = "=";
    std::set<std::string> expected = {
        "+K " + classes + ".mtd" + key,
        "+V " + classes + ".mtd|=" + Sz(MtdProgId),
        "+V " + classes + ".mtd|Content Type=" + Sz("application/x-scorewave"),
        "+K " + classes + ".sgt" + key,
        "+V " + classes + ".sgt|=" + Sz(SgtProgId),
        "+V " + classes + ".sgt|Content Type=" + Sz("application/x-scorewave"),
        "+K " + classes + MimeKey + key,
        "+V " + classes + MimeKey + "|Extension=" + Sz(".sgt"),
        "+K " + classes + MtdProgId + key,
        "+V " + classes + MtdProgId + "|=" + Sz("Digital Sheet Music"),
        "+V " + classes + MtdProgId + "|EditFlags=3:" + std::string(4, '\0'),
        "+K " + classes + MtdProgId + "\\DefaultIcon" + key,
        "+V " + classes + MtdProgId + "\\DefaultIcon|=" + Sz(plugin_ + ",0"),
        "+K " + classes + SgtProgId + key,
        "+V " + classes + SgtProgId + "|=" + Sz("Scorewave Guitar Song"),
        "+V " + classes + SgtProgId + "|EditFlags=3:" + std::string(4, '\0'),
        "+K " + classes + MtdProgId + "\\shell" + key,
        "+K " + classes + MtdProgId + "\\shell\\open" + key,
        "+K " + classes + OpenCommandKey + key,
        "+V " + classes + OpenCommandKey + "|=" + Sz(browser + " \"" + Page + "\""),
        "+V HKLM\\" + std::string(FontsKey) + "|" + FontValue + "=" + Sz("Tonalis.ttf"),
        // Wine keeps one Fonts key for both registry views: the same value, seen twice.
        "+V HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Fonts|" +
            std::string(FontValue) + "=" + Sz("Tonalis.ttf"),
    };
    // The MIME database's parent key, where the machine has none yet.
    const std::string mimeParent = "K " + classes + "MIME\\Database\\Content Type";
    if (!before.count(mimeParent)) expected.insert("+" + mimeParent + key);
    EXPECT_EQ(Difference(before, after), expected)
        << "changed:" << Show(Difference(before, after)) << "\nexpected:" << Show(expected);
    EXPECT_TRUE(run.Has(Registered)) << run.Dump();
}

TEST_F(RegistrationTest, ExtensionOfAnotherProgramTakenOnlyWithLeave) {
    Classes(".mtd").SetString("", "OtherApp.Document");
    InstallRun run = Install({{OwnerQuestion(".mtd", "OtherApp.Document"), IDOK}});
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text, OwnerQuestion(".mtd", "OtherApp.Document"));
    EXPECT_EQ(run.boxes[0].buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(Classes(".mtd").GetString(""), MtdProgId);
    EXPECT_EQ(Classes(".sgt").GetString(""), SgtProgId);
    EXPECT_TRUE(
        run.Has(OwnerQuestion(".mtd", "OtherApp.Document") + "\r\n" + Answered("OK") + Registered))
        << run.Dump();
}

TEST_F(RegistrationTest, CancelKeepsTheOwnerAndSkipsTheSecondType) {
    Classes(".mtd").SetString("", "OtherApp.Document");
    InstallRun run = Install({{"is using file extension .mtd", IDCANCEL}});
    ASSERT_EQ(run.boxes.size(), 1u) << run.Dump();
    EXPECT_TRUE(run.Has(Answered("Cancel"))) << run.Dump();
    EXPECT_FALSE(run.Has(Registered)) << run.Dump();
    // The extension and the MIME database stay as they were ...
    EXPECT_EQ(Classes(".mtd").GetString(""), "OtherApp.Document");
    EXPECT_FALSE(Classes(".mtd").HasValue("Content Type"));
    EXPECT_FALSE(Classes(MimeKey).HasValue("Extension"));
    // ... the ProgID is written, the second type is not registered.
    EXPECT_EQ(Classes(MtdProgId).GetString(""), "Digital Sheet Music");
    EXPECT_EQ(Classes(std::string(MtdProgId) + "\\DefaultIcon").GetString(""), plugin_ + ",0");
    EXPECT_FALSE(Classes(".sgt").Exists());
    EXPECT_FALSE(Classes(SgtProgId).Exists());
    // The run is still an installation and ends with the open command.
    EXPECT_NE(OpenCommand(), "<none>");
}

// ".mtd" taken from its owner (OK), and gone while the question waits.
RunOptions MtdGoneWhileAsked() {
    RunOptions options =
        Windowed({{"is using file extension .mtd", IDOK}, {"Failed to update", IDOK, BoxTitle, 2}});
    options.onWindow = [](Session&, const WindowRecord& window) {
        if (window.title == BoxTitle) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".mtd");
        return false;
    };
    return options;
}

TEST_F(RegistrationTest, KeysAndValuesThatCannotBeWrittenAreReported) {
    // ".mtd" is another program's and goes away while the question waits: its
    // values cannot be written (message 14, in a box). The ProgID's key is
    // volatile: no DefaultIcon key can be made under it (message 12, logged).
    Classes(".mtd").SetString("", "OtherApp.Document");
    HKEY progId;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, MtdProgId, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &progId, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(progId);
    InstallRun run = RunWindowedWith(MtdGoneWhileAsked());
    EXPECT_TRUE(run.Succeeded()) << run.Dump();
    const std::string failed = "Failed to update :\r\n  Windows\r\nin registry to:\r\n  ";
    ASSERT_EQ(run.boxes.size(), 3u) << run.Dump();
    EXPECT_EQ(run.boxes[1].text.rfind(failed + MtdProgId + " :\r\n", 0), 0u) << run.Dump();
    EXPECT_EQ(run.boxes[2].text.rfind(failed + "application/x-scorewave :\r\n", 0), 0u);
    EXPECT_TRUE(run.Has("Can't install for displaying icon.\r\nYour system won't allow registry "
                        "updates to:\r\nDefaultIcon\r\nbecause:\r\n"))
        << run.Dump();
    // Not registered OK, so no second type.
    EXPECT_FALSE(run.Has(Registered)) << run.Dump();
    EXPECT_FALSE(Classes(".sgt").Exists());
    EXPECT_EQ(Classes(MimeKey).GetString("Extension"), ".mtd");
}

TEST_F(RegistrationTest, AValueThatCannotBeWrittenAloneFailsTheRegistration) {
    // Every key is made; only ".mtd"'s values cannot be written, its key gone
    // while the question about its owner waits.
    Classes(".mtd").SetString("", "OtherApp.Document");
    InstallRun run = RunWindowedWith(MtdGoneWhileAsked());
    EXPECT_EQ(run.boxes.size(), 3u) << run.Dump();
    EXPECT_FALSE(run.Has("Can't install for")) << run.Dump();
    EXPECT_EQ(Classes(MtdProgId + std::string("\\DefaultIcon")).GetString(""), plugin_ + ",0");
    EXPECT_FALSE(run.Has(Registered)) << run.Dump();
    EXPECT_FALSE(Classes(".sgt").Exists());
}

TEST_F(RegistrationTest, OwnExtensionsEmptyOnesAndUnreadableOnesAskNothing) {
    // A re-installation: both extensions already ours.
    Classes(".mtd").SetString("", MtdProgId);
    Classes(".sgt").SetString("", SgtProgId);
    InstallRun again = Install();
    EXPECT_TRUE(again.boxes.empty()) << again.Dump();
    EXPECT_TRUE(again.Has(Registered)) << again.Dump();

    // No default value, an empty one, and one too long to read.
    ClearRegistration();
    Classes(".mtd").SetString("Other", "x");
    Classes(".sgt").SetString("", std::string(300, 'L'));
    InstallRun fresh = Install();
    EXPECT_TRUE(fresh.boxes.empty()) << fresh.Dump();
    EXPECT_EQ(Classes(".mtd").GetString(""), MtdProgId);
    EXPECT_EQ(Classes(".sgt").GetString(""), SgtProgId);

    ClearRegistration();
    Classes(".mtd").SetString("", "");
    EXPECT_TRUE(Install().boxes.empty());
    EXPECT_EQ(Classes(".mtd").GetString(""), MtdProgId);
}

TEST_F(RegistrationTest, OwnerThatIsNoTextShowsAsQuestionMark) {
    Classes(".mtd").SetDword("", 7);
    Classes(".sgt").SetExpandString("", "%SystemRoot%\\Viewer");
    InstallRun run = Install({{"", IDOK, BoxTitle, Forever}});
    ASSERT_EQ(run.boxes.size(), 2u) << run.Dump();
    EXPECT_EQ(run.boxes[0].text, OwnerQuestion(".mtd", "?"));
    EXPECT_EQ(run.boxes[1].text, OwnerQuestion(".sgt", "?"));
    EXPECT_EQ(Classes(".sgt").GetString(""), SgtProgId);
}

TEST_F(RegistrationTest, OpenCommandMadeFromTheBrowserCommand) {
    struct Case {
        DWORD type;
        std::string browser;
        std::string command;
    };
    const Case cases[] = {
        {REG_SZ, "\"C:\\Browser\\b.exe\" \"%1\"", "\"C:\\Browser\\b.exe\" \"" + Page + "\""},
        {REG_SZ, "C:\\Browser\\b.exe -url %1 -new", "C:\\Browser\\b.exe -url " + Page + " -new"},
        {REG_SZ, "\"C:\\Browser\\b.exe\" -nohome", "\"C:\\Browser\\b.exe\" -nohome " + Page},
        {REG_SZ, "%1 C:\\Browser\\b.exe", "%1 C:\\Browser\\b.exe " + Page},
        {REG_EXPAND_SZ, "\"%SystemRoot%\\b.exe\" %1", "\"C:\\windows\\b.exe\" " + Page},
    };
    for (const Case& c : cases) {
        Classes("Music.Transfer.Document").DeleteTree();
        Classes(BrowserCommandKey).SetRaw("", c.type, c.browser + std::string(1, '\0'));
        Install();
        EXPECT_EQ(OpenCommand(), c.command) << c.browser;
    }
}

TEST_F(RegistrationTest, OpenCommandOfAnotherProgramOrQuotedNeverOverwritten) {
    const std::string browser = "\"C:\\Browser\\b.exe\" -nohome";
    Classes(BrowserCommandKey).SetString("", browser);
    RegKey command = Classes(OpenCommandKey);

    // Another program's command, and a key without any value.
    command.SetString("", "\"C:\\Other\\viewer.exe\" \"%1\"");
    Install();
    EXPECT_EQ(OpenCommand(), "\"C:\\Other\\viewer.exe\" \"%1\"");
    command.DeleteValue("");
    Install();
    EXPECT_FALSE(command.HasValue(""));

    // Ours, written unquoted with another version: replaced on every run.
    command.SetString("", "C:\\Old\\b.exe " + Page.substr(0, Page.size() - 4) + "1.10");
    Install();
    EXPECT_EQ(OpenCommand(), browser + " " + Page);

    // Ours with the page in quotes: no longer recognised, left alone.
    const std::string quoted = "\"C:\\Old\\b.exe\" \"" + Page + "\"";
    command.SetString("", quoted);
    Install();
    EXPECT_EQ(OpenCommand(), quoted);
}

TEST_F(RegistrationTest, NoUsableBrowserCommandLeavesNoOpenCommand) {
    for (const std::string& bytes : {std::string("a%1") + '\0', std::string()}) {
        Classes("Music.Transfer.Document").DeleteTree();
        Classes(BrowserCommandKey).SetRaw("", REG_SZ, bytes);
        Install();
        EXPECT_FALSE(Classes(OpenCommandKey).Exists()) << Escaped(bytes);
    }
    Classes("Music.Transfer.Document").DeleteTree();
    Classes(BrowserCommandKey).SetDword("", 1);
    Install();
    EXPECT_FALSE(Classes(OpenCommandKey).Exists());
}

} // namespace
