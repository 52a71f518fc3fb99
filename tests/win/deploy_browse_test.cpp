// "Browse for Plugin Folder": the real save dialog, driven as a user would,
// and the plug-in written under the name the user leaves in it.
#include <gtest/gtest.h>

#include <atomic>

#include "win/deploy_lab.h"

using namespace deploy;

namespace {

const char DialogTitle[] = "Choose Folder where plugin will go";
// The save dialog's controls: file name (cmb13), folder (cmb2), file type (cmb1).
const int FileNameBox = 0x47C;
const int FolderBox = 0x471;
const int FileTypeBox = 0x470;
const char ProgramFilesPlugin[] = "C:\\Program Files\\npscorew.dll";

std::string CopiedLine(const std::string& path) {
    return "\r\nCopied plugin file to:\r\n" + path + "\r\n";
}

class BrowseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearTargets();
        RemoveTree(ProgramFilesPlugin);
        ASSERT_TRUE(MakeFolders(Join(Root, "Chosen")));
        RunOptions options = Windowed({{"more recent version", IDYES}});
        options.onWindow = [this](Session&, const WindowRecord& window) {
            if (window.title != DialogTitle) return false;
            ++dialogsSeen_;
            dialog_ = window.window;
            return true;
        };
        run_ = std::make_unique<Session>(options);
        ASSERT_TRUE(run_->WaitMainWindow(RunWaitMs));
        // No browser found: the installation fails, the Browse button is offered.
        InstallRun result;
        ASSERT_TRUE(WaitForInstallEnd(*run_, result));
        ASSERT_EQ(result.status, FailedStatus);
        ASSERT_TRUE(run_->Visible(IDC_BROWSE));
    }
    void TearDown() override {
        if (run_) {
            run_->Close();
            run_->Wait(RunWaitMs);
        }
        RemoveTree(ProgramFilesPlugin);
    }

    // Clicks Browse and waits for the save dialog.
    HWND OpenDialog() {
        dialog_ = nullptr;
        EXPECT_TRUE(run_->Click(IDC_BROWSE));
        run_->WaitUntil([&] { return dialog_.load() != nullptr; }, RunWaitMs);
        HWND dialog = dialog_;
        EXPECT_NE(dialog, nullptr) << Describe(run_->WindowsSeen());
        return dialog;
    }
    // Presses a button of the dialog and waits until it is gone and the
    // installer has done what follows.
    void Press(HWND dialog, int button) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, button));
        EXPECT_TRUE(run_->WaitUntil([&] { return !IsWindow(dialog); }, RunWaitMs));
        run_->Settle();
    }
    // Types name into the dialog's file name box and saves.
    void SaveAs(const std::string& name) {
        HWND dialog = OpenDialog();
        if (!dialog) return;
        SetDlgItemTextA(dialog, FileNameBox, name.c_str());
        Press(dialog, IDOK);
    }
    std::string Log() const { return run_->Text(IDC_INSTALL_LOG); }

    std::unique_ptr<Session> run_;
    std::atomic<HWND> dialog_{nullptr};
    std::atomic<int> dialogsSeen_{0};
};

TEST_F(BrowseTest, PresetNameInProgramFilesWrittenAsIs) {
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(dialog), DialogTitle);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, FileNameBox)), "npscorew.dll");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, FolderBox)), "Program Files");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, FileTypeBox)), "npscorew.dll");
    const std::string before = Log();
    Press(dialog, IDOK);

    EXPECT_EQ(Bytes(ProgramFilesPlugin), PluginBytes());
    EXPECT_EQ(Log(), before + CreatedFile(ProgramFilesPlugin) + CopiedLine(ProgramFilesPlugin));
    // A manual copy changes nothing else.
    EXPECT_EQ(run_->Text(IDC_STATUS), FailedStatus);
    EXPECT_FALSE(RegKey(HKCR, ".mtd").Exists());
    EXPECT_EQ(dialogsSeen_, 1);
}

TEST_F(BrowseTest, TypedNamesWithAndWithoutExtensionTwiceInARow) {
    const std::string other = Join(Root, "Chosen\\other.dll");
    const std::string plain = Join(Root, "Chosen\\plain");
    SaveAs(other);
    SaveAs(plain);
    EXPECT_EQ(Bytes(other), PluginBytes());
    EXPECT_EQ(Bytes(plain + ".dll"), PluginBytes());
    EXPECT_FALSE(FileExists(plain));
    const std::string log = Log();
    size_t first = log.find(CreatedFile(other) + CopiedLine(other));
    size_t second = log.find(CreatedFile(plain + ".dll") + CopiedLine(plain + ".dll"));
    EXPECT_NE(first, std::string::npos) << Escaped(log);
    EXPECT_NE(second, std::string::npos) << Escaped(log);
    EXPECT_LT(first, second);
    EXPECT_EQ(dialogsSeen_, 2);

    // A name shorter than the installer's temporary names, in a folder a few
    // characters short of the path limit.
    const std::string deep = Join(Root, "Chosen\\" + std::string(233, 'd') + "\\a.dll");
    ASSERT_TRUE(MakeFolders(FolderOf(deep)));
    SaveAs(deep);
    EXPECT_EQ(Bytes(deep), PluginBytes()) << Escaped(Log());
    EXPECT_EQ(FilesIn(FolderOf(deep)), std::vector<std::string>{"a.dll"});
}

TEST_F(BrowseTest, NewerFileThereAsksAndYesLogsOnlyTheAnswer) {
    const std::string path = Join(Root, "Chosen\\npscorew.dll");
    PlacePrevious("v2_5_0_0_E4", path);
    const std::string before = Log();
    SaveAs(path);
    // The question comes once the dialog is gone.
    ASSERT_TRUE(run_->WaitBoxes(1));
    run_->WaitUntil([&] { return Log().find(Answered("Yes")) != std::string::npos; });
    ASSERT_EQ(run_->Boxes().size(), 1u) << Describe(run_->Boxes());
    EXPECT_NE(run_->Boxes()[0].text.find("more recent version:\r\n  2.05.0"), std::string::npos);
    EXPECT_EQ(Log(), before + run_->Boxes()[0].text + "\r\n" + Answered("Yes"));
    EXPECT_EQ(Bytes(path), Bytes(VersionDll("v2_5_0_0_E4")));
    // The dialog itself asked nothing about replacing the file.
    EXPECT_EQ(dialogsSeen_, 1);
}

TEST_F(BrowseTest, CancelWritesAndLogsNothing) {
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, FileNameBox, Join(Root, "Chosen\\cancelled.dll").c_str());
    const std::string before = Log();
    Press(dialog, IDCANCEL);
    EXPECT_EQ(Log(), before);
    EXPECT_FALSE(FileExists(Join(Root, "Chosen\\cancelled.dll")));
    EXPECT_TRUE(run_->Boxes().empty());
}

} // namespace
