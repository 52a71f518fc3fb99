// The window searches and the browser count, run in this process against
// windows it makes itself (the browser detection code is compiled in).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "browsers/browser_table_rules.cpp"
#include "browsers/detect.cpp"
#include "browsers/wildcard_rules.cpp"

namespace {

const char SafariClass[] = "{1C03B488-D53B-4a81-97F8-754559640193}";

typedef std::vector<std::string> Names;

void Register(const char* className) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
}

// Windows made by one test, destroyed at its end. They stay hidden: the
// searches see hidden windows as well.
class Scene : public ::testing::Test {
  protected:
    void TearDown() override {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            DestroyWindow(*it);
        if (list_) DestroyWindow(list_);
    }
    HWND Top(const char* className, const std::string& title = "") {
        Register(className);
        HWND window = CreateWindowExA(0, className, title.c_str(), WS_OVERLAPPED, 0, 0, 50, 50,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_TRUE(window) << className;
        made_.push_back(window);
        return window;
    }
    HWND Child(HWND parent, const char* className, const std::string& title = "") {
        Register(className);
        HWND window = CreateWindowExA(0, className, title.c_str(), WS_CHILD, 0, 0, 10, 10, parent,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_TRUE(window) << className;
        return window;
    }
    // A sorted list box like the dialog's, holding a stale entry.
    HWND List() {
        list_ = CreateWindowExA(0, "ListBox", "", WS_OVERLAPPED | LBS_SORT, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(list_, LB_ADDSTRING, 0, (LPARAM) "stale entry");
        return list_;
    }
    static Names Listed(HWND list) {
        Names names;
        int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[256] = "";
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)name);
            names.push_back(name);
        }
        return names;
    }

    std::vector<HWND> made_;
    HWND list_ = nullptr;
};

// A window of its own thread, which keeps a message loop while it lives.
class OtherThreadWindow {
  public:
    explicit OtherThreadWindow(const char* className) : className_(className) {
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        WaitForSingleObject(ready_, INFINITE);
    }
    ~OtherThreadWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(ready_);
    }
    HWND window = nullptr;
    DWORD ThreadId() const { return threadId_; }

  private:
    static DWORD WINAPI Run(void* param) {
        OtherThreadWindow* self = (OtherThreadWindow*)param;
        Register(self->className_);
        self->window = CreateWindowExA(0, self->className_, "other thread", WS_OVERLAPPED, 0, 0, 50,
                                       50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetEvent(self->ready_);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        DestroyWindow(self->window);
        return 0;
    }
    const char* className_;
    HANDLE ready_;
    HANDLE thread_;
    DWORD threadId_ = 0;
};

TEST_F(Scene, NothingRunningEmptiesTheList) {
    HWND list = List();
    EXPECT_EQ(CountRunningBrowsers(list), 0);
    EXPECT_TRUE(Listed(list).empty());
    EXPECT_EQ(CountRunningBrowsers(nullptr), 0);
}

TEST_F(Scene, FirstFourRowsAreFoundButNeverCounted) {
    HWND ie = Top("IEFrame", "Internet Explorer");
    Top("MSN6 Window");
    Child(Top("Host"), "Maxthon2_Frame");
    Top("Yahoo! BrMain class");
    HWND list = List();
    EXPECT_EQ(CountRunningBrowsers(list), 0);
    EXPECT_TRUE(Listed(list).empty());
    EXPECT_EQ(FindClassWindow("IEFrame", false, nullptr), ie);
}

TEST_F(Scene, EachRowCountsOnceAndListsInTableOrder) {
    Top("Chrome_WidgetWin_0");
    Top("MozillaWindowClass");
    Top("MozillaWindowClass");
    Top("Chrome_XPFrame");
    Top("NS_AE_WindowClass");
    HWND list = List();
    EXPECT_EQ(CountRunningBrowsers(list), 4);
    EXPECT_EQ(Listed(list),
              (Names{"Mozilla Firefox", "Netscape", "Google Chrome", "Google Chrome"}));
    Top(SafariClass);
    Top("OpWindow");
    EXPECT_EQ(CountRunningBrowsers(list), 6);
    EXPECT_EQ(Listed(list), (Names{"Mozilla Firefox", "Apple Safari", "Opera", "Netscape",
                                   "Google Chrome", "Google Chrome"}));
    EXPECT_EQ(CountRunningBrowsers(nullptr), 6);
}

TEST_F(Scene, DescendantsCountAndAreFoundButNotByNarrowSearches) {
    HWND host = Top("HostFrame");
    HWND pane = Child(host, "Pane");
    HWND opera = Child(pane, "OpWindow");
    HWND list = List();
    EXPECT_EQ(CountRunningBrowsers(list), 1);
    EXPECT_EQ(Listed(list), Names{"Opera"});
    EXPECT_EQ(FindClassWindow("OpWindow", false, nullptr), opera);
    EXPECT_EQ(FindThreadWindow("OpWindow", 0), opera);
    EXPECT_EQ(FindClassWindow("OpWindow", true, nullptr), nullptr);
    EXPECT_EQ(FindThreadWindow("OpWindow", GetCurrentThreadId()), nullptr);
    // The title pattern is not applied to children.
    EXPECT_EQ(FindClassWindow("OpWindow", false, "???*"), opera);
    // Once a top-level window of the class exists, it is the one found.
    HWND top = Top("OpWindow", "Opera");
    EXPECT_EQ(FindClassWindow("OpWindow", true, nullptr), top);
    EXPECT_EQ(FindThreadWindow("OpWindow", GetCurrentThreadId()), top);
}

TEST_F(Scene, ClassesCompareExactly) {
    Top("MozillaWindowClas");
    Top("OpWindow2");
    EXPECT_EQ(CountRunningBrowsers(nullptr), 0);
    EXPECT_EQ(FindClassWindow("OpWindow", false, nullptr), nullptr);
}

TEST_F(Scene, ThreadSearchSeesOnlyThatThreadsTopLevelWindows) {
    OtherThreadWindow other("ThreadProbe");
    ASSERT_TRUE(other.window);
    HWND mine = Top("ThreadProbe");
    HWND hidden = Child(Top("Holder"), "ThreadProbe");
    EXPECT_EQ(FindThreadWindow("ThreadProbe", other.ThreadId()), other.window);
    EXPECT_EQ(FindThreadWindow("ThreadProbe", GetCurrentThreadId()), mine);
    DestroyWindow(mine);
    made_.erase(std::find(made_.begin(), made_.end(), mine));
    // This thread's only window of the class is a child: not found.
    EXPECT_EQ(FindThreadWindow("ThreadProbe", GetCurrentThreadId()), nullptr);
    EXPECT_NE(FindThreadWindow("ThreadProbe", 0), nullptr);
    (void)hidden;
}

TEST_F(Scene, TitlePatternNeedsThreeCharacters) {
    Top("NS_AE_WindowClass");
    HWND twoChars = Top("NS_AE_WindowClass", "ab");
    // A refused top-level window is not searched for children of the class.
    Child(twoChars, "NS_AE_WindowClass");
    EXPECT_EQ(FindClassWindow("NS_AE_WindowClass", true, "???*"), nullptr);
    EXPECT_EQ(FindClassWindow("NS_AE_WindowClass", false, "???*"), nullptr);
    HWND three = Top("NS_AE_WindowClass", "abc");
    EXPECT_EQ(FindClassWindow("NS_AE_WindowClass", true, "???*"), three);
    // Without a pattern, the first window of the class, whatever its title.
    EXPECT_NE(FindClassWindow("NS_AE_WindowClass", true, nullptr), nullptr);
}

TEST_F(Scene, TitlesLongerThanTheBufferAreRefused) {
    Top("LongTitle", std::string(1023, 'x'));
    EXPECT_EQ(FindClassWindow("LongTitle", true, "???*"), nullptr);
    HWND fits = Top("LongTitle", std::string(1022, 'y'));
    EXPECT_EQ(FindClassWindow("LongTitle", true, "???*"), fits);
    EXPECT_EQ(FindClassWindow("LongTitle", true, "*y"), fits);
}

// The one-pass count gives what six separate searches give, on random trees.
TEST_F(Scene, CountMatchesSixSeparateSearches) {
    const char* pool[] = {
        "MSN6 Window", "IEFrame",  "Maxthon2_Frame",    "Yahoo! BrMain class", "MozillaWindowClass",
        SafariClass,   "OpWindow", "NS_AE_WindowClass", "Chrome_XPFrame",      "Chrome_WidgetWin_0",
        "PlainFrame",  "PlainPane"};
    const int poolSize = int(sizeof pool / sizeof pool[0]);
    std::mt19937 random(20260101);
    HWND list = List();
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::vector<HWND> tops;
        int topCount = 1 + int(random() % 6);
        for (int t = 0; t < topCount; ++t) {
            // Mostly plain windows, so that many rounds leave rows unseen.
            const char* top = random() % 3 ? pool[10 + random() % 2] : pool[random() % poolSize];
            HWND parent = Top(top);
            tops.push_back(parent);
            int children = int(random() % 4);
            for (int c = 0; c < children; ++c) {
                const char* name =
                    random() % 4 ? pool[10 + random() % 2] : pool[random() % poolSize];
                HWND child = Child(parent, name);
                if (random() % 2) parent = child; // sometimes nest deeper
            }
        }
        int expected = 0;
        Names expectedNames;
        for (int row = FirstCountedRow; row < BrowserRowCount; ++row) {
            if (!FindClassWindow(BrowserWindowTable[row].windowClass, false, nullptr)) continue;
            ++expected;
            expectedNames.push_back(BrowserWindowTable[row].displayName);
        }
        EXPECT_EQ(CountRunningBrowsers(list), expected);
        EXPECT_EQ(Listed(list), expectedNames);
        for (HWND top : tops) {
            DestroyWindow(top);
            made_.erase(std::find(made_.begin(), made_.end(), top));
        }
    }
}

} // namespace
