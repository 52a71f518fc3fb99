// The reporting routine in the test's own process: the installer's string table
// is linked into this program, and a window with the log's edit control stands in
// for the main window, so every line ReportMessage writes can be read back.
#include <gtest/gtest.h>

#include <string>

#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

std::string SystemText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, LANG_USER_DEFAULT, (LPSTR)&text, 0, nullptr);
    std::string result = text ? text : "";
    if (text) LocalFree(text);
    return result;
}

// A message logged without its box, whatever box the table gives it.
template <class... Inserts> int LogOnly(UINT id, Inserts... inserts) {
    const ReportInsert values[] = {AsInsert(inserts)..., 0};
    return ReportMessageArgs(id, 0, values, int(sizeof...(Inserts)));
}

// Answers this process's message box, whatever its title (kept in BoxTitle),
// with BoxButton; a timer runs it, which the box's own message loop dispatches.
INT_PTR BoxButton;
char BoxTitle[128];
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindWindowA("#32770", nullptr);
    DWORD pid = 0;
    if (box) GetWindowThreadProcessId(box, &pid);
    if (box && pid == GetCurrentProcessId()) {
        GetWindowTextA(box, BoxTitle, sizeof BoxTitle);
        PostMessageA(box, WM_COMMAND, WPARAM(BoxButton), 0);
    }
}

// ReportMessage(id, "C:\\p.dll"), its box answered by `button`; no box, no wait.
int ReportAnswered(UINT id, INT_PTR button) {
    BoxButton = button;
    lstrcpyA(BoxTitle, "<no box>");
    UINT_PTR timer = SetTimer(nullptr, 0, 10, AnswerBox);
    int answer = ReportMessage(id, "C:\\p.dll");
    KillTimer(nullptr, timer);
    EXPECT_STREQ(BoxTitle, "Scorewave Plugin Setup");
    return answer;
}

class Reporting : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ModuleHandle = GetModuleHandleA(nullptr);
        LoadPreloadedStrings();
    }

    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "log host", WS_OVERLAPPED, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_TRUE(window_);
        HWND log =
            CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0, 0,
                            300, 200, window_, (HMENU)IDC_INSTALL_LOG, nullptr, nullptr);
        ASSERT_TRUE(log);
        SendMessageA(log, EM_LIMITTEXT, 0, 0);
        MainWindowHandle = window_;
    }

    void TearDown() override {
        MainWindowHandle = nullptr;
        DestroyWindow(window_);
    }

    std::string Log() const {
        HWND log = GetDlgItem(window_, IDC_INSTALL_LOG);
        std::string text(size_t(GetWindowTextLengthA(log)) + 1, '\0');
        text.resize(size_t(GetWindowTextA(log, &text[0], int(text.size()))));
        return text;
    }

    HWND window_ = nullptr;
};

TEST_F(Reporting, TextWithoutInsertsIgnoresTheErrorText) {
    SetLastError(0);
    EXPECT_EQ(LogOnly(MSG_LOG_TITLE, nullptr), 0);
    EXPECT_EQ(Log(), "Scorewave Viewer Plugin Installation Log\r\n");
}

TEST_F(Reporting, MissingErrorTextIsTheSystemsWordingOfTheLastError) {
    const std::string denied = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(denied.empty());
    SetLastError(ERROR_ACCESS_DENIED);
    LogOnly(MSG_FAILED_TO_INSTALL, nullptr, "Chrome", "C:\\P\\npscorew64.dll", "plugin");
    EXPECT_EQ(Log(), "Failed to install plugin for Chrome\r\nto:\r\nC:\\P\\npscorew64.dll\r\n"
                     "because:\r\n" +
                         denied + "\r\n");

    SetWindowTextA(GetDlgItem(window_, IDC_INSTALL_LOG), "");
    SetLastError(0);
    LogOnly(MSG_FAILED_TO_INSTALL, nullptr, "Chrome", "C:\\P", "plugin");
    EXPECT_EQ(Log(), "Failed to install plugin for Chrome\r\nto:\r\nC:\\P\r\n"
                     "because:\r\nUnknown Error\n\r\n");
}

TEST_F(Reporting, AnIdOutsideTheCatalogueLogsItsFirstInsert) {
    LogOnly(MSG_PLUGIN_FILE_NAME, "npscorew64.dll", 1, 20, 0);
    EXPECT_EQ(Log(), "npscorew64.dll\r\n");
}

TEST_F(Reporting, IntegerInsertsUseTheirFormats) {
    LogOnly(MSG_INSTALLED, Preloaded(MSG_PRODUCT_NAME), 1, 20, 0);
    LogOnly(MSG_CANT_READ_NETSCAPE, "why\r\n", 4, 7);
    EXPECT_EQ(Log(), "Installed Scorewave Viewer Plugin 1.20.0\r\n"
                     "Can't read folder for Netscape 4.07:\r\nwhy\r\n\r\n");
}

TEST_F(Reporting, ABoxAnswerIsLoggedOnItsOwnLine) {
    EXPECT_EQ(ReportAnswered(MSG_FILE_IN_USE, IDRETRY), IDRETRY);
    const std::string log = Log();
    const std::string tail = "C:\\p.dll\r\nbecause some other program is still using it.";
    EXPECT_NE(log.find(tail), std::string::npos) << log;
    const std::string answerLine = "\r\n    You answered: Retry\r\n\r\n\r\n";
    ASSERT_GE(log.size(), answerLine.size());
    EXPECT_EQ(log.substr(log.size() - answerLine.size()), answerLine);
}

TEST_F(Reporting, ALogFileGetsEveryLineTheWindowGets) {
    const std::string path = "C:\\report-test.log";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetLogFile(file);
    ReportAnswered(MSG_FILE_IN_USE, IDCANCEL);
    MainWindowHandle = nullptr;
    LogOnly(MSG_LOG_TITLE, nullptr);
    SetLogFile(nullptr);
    CloseHandle(file);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    HANDLE read = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ReadFile(read, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(read);
    EXPECT_EQ(std::string(buffer, got), Log() + "Scorewave Viewer Plugin Installation Log\r\n");
}

TEST_F(Reporting, TheHeadingEndsWithTheWindowsLineAndAnEmptyLine) {
    SetWindowsLine("7 Ultimate", 6, 1, "Service Pack 1");
    WriteLogHeader();
    EXPECT_EQ(Log(),
              "Scorewave Viewer Plugin Installation Log\r\n    _____________________________\r\n"
              "\r\nInstallation Diagnostics\r\n\r\n"
              "Windows 7 Ultimate 64bit (6.1 Service Pack 1)\r\n\r\n");
}

TEST_F(Reporting, OverLongInsertsAreLoggedWhole) {
    const std::string path(5000, 'p');
    LogOnly(MSG_CREATED_FILE, path.c_str());
    EXPECT_EQ(Log(), "Created file " + path + "\r\n\r\n");
    // Far more inserts than any message names, and none at all where it names three.
    LogOnly(MSG_CANT_CREATE_SUBFOLDER, "e", "Chrome", "C:\\x", "4", "5", "6", "7", "8", "9");
    SetLastError(0);
    LogOnly(MSG_CANT_CREATE_SUBFOLDER);
    EXPECT_NE(Log().find("Can't create subfolder for :\r\n()\r\nbecause:\r\nUnknown Error\n"),
              std::string::npos)
        << Log();
}

TEST_F(Reporting, WithoutAMainWindowNothingIsLogged) {
    MainWindowHandle = nullptr;
    LogLine("lost");
    EXPECT_EQ(LogOnly(MSG_LOG_TITLE, nullptr), 0);
    EXPECT_EQ(Log(), "");
}

} // namespace
