#include "browsers/detect.h"

#include <cstring>

#include "browsers/browser_table_rules.h"
#include "browsers/wildcard_rules.h"

namespace {

// One search over the windows; lives on the caller's stack for one enumeration.
struct WindowSearch {
    const char* className;
    const char* titlePattern; // applied to top-level windows only; null: any title
    HWND foundWindow;
    DWORD threadId; // 0: any thread
    bool found;
    bool topLevelOnly;
};

// Sizes of the class and title buffers (one character less is compared).
const int ClassNameBuffer = 255;
const int TitleBuffer = 1023;

bool TitleAccepted(HWND window, const char* pattern) {
    char title[TitleBuffer];
    int length = GetWindowTextA(window, title, sizeof title);
    if (length < 1) return false;
    // A full buffer may hide a longer title, which is refused rather than cut.
    if (length >= TitleBuffer - 1 && GetWindowTextLengthA(window) > TitleBuffer - 1) return false;
    return TitleMatches(title, pattern);
}

BOOL CALLBACK SearchChild(HWND child, LPARAM param) {
    WindowSearch& search = *(WindowSearch*)param;
    if (!WindowHasClass(child, search.className)) return TRUE;
    search.found = true;
    search.foundWindow = child;
    return FALSE;
}

BOOL CALLBACK SearchTopLevel(HWND window, LPARAM param) {
    WindowSearch& search = *(WindowSearch*)param;
    if (search.threadId != 0 && GetWindowThreadProcessId(window, nullptr) != search.threadId)
        return TRUE;
    if (!WindowHasClass(window, search.className)) {
        if (search.threadId != 0 || search.topLevelOnly) return TRUE;
        // EnumChildWindows visits every descendant, not only direct children.
        EnumChildWindows(window, SearchChild, param);
        return search.found ? FALSE : TRUE;
    }
    // A matching class with a refused title: its children are not searched.
    if (search.titlePattern && !TitleAccepted(window, search.titlePattern)) return TRUE;
    search.found = true;
    search.foundWindow = window;
    return FALSE;
}

HWND RunSearch(WindowSearch& search) {
    EnumWindows(SearchTopLevel, (LPARAM)&search);
    return search.found ? search.foundWindow : nullptr;
}

// The timer tick reads every window once and answers all counted rows in that
// one pass, instead of one full pass per row.
bool NoteWindow(HWND window, BrowserSightings& sightings) {
    char windowClass[ClassNameBuffer];
    if (GetClassNameA(window, windowClass, sizeof windowClass) <= 0) return false;
    return NoteWindowClass(sightings, windowClass);
}

BOOL CALLBACK TallyChild(HWND child, LPARAM param) {
    return NoteWindow(child, *(BrowserSightings*)param) ? FALSE : TRUE;
}

BOOL CALLBACK TallyTopLevel(HWND window, LPARAM param) {
    BrowserSightings& sightings = *(BrowserSightings*)param;
    if (NoteWindow(window, sightings)) return FALSE;
    EnumChildWindows(window, TallyChild, param);
    return sightings.unseen == 0 ? FALSE : TRUE;
}

} // namespace

bool WindowHasClass(HWND window, const char* className) {
    char windowClass[ClassNameBuffer];
    // A window destroyed meanwhile yields no class and so never matches.
    if (GetClassNameA(window, windowClass, sizeof windowClass) <= 0) return false;
    return std::strcmp(windowClass, className) == 0;
}

HWND FindClassWindow(const char* className, bool topLevelOnly, const char* titlePattern) {
    WindowSearch search = {className, titlePattern, nullptr, 0, false, topLevelOnly};
    return RunSearch(search);
}

HWND FindThreadWindow(const char* className, DWORD threadId) {
    WindowSearch search = {className, nullptr, nullptr, threadId, false, false};
    return RunSearch(search);
}

int CountRunningBrowsers(HWND listBox) {
    if (listBox) SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    BrowserSightings sightings;
    ClearSightings(sightings);
    EnumWindows(TallyTopLevel, (LPARAM)&sightings);

    int count = 0;
    for (int row = FirstCountedRow; row < BrowserRowCount; ++row) {
        if (!sightings.seen[row]) continue;
        ++count;
        // LB_INSERTSTRING at the end keeps table order even in a sorted list box.
        if (listBox)
            SendMessageA(listBox, LB_INSERTSTRING, (WPARAM)-1,
                         (LPARAM)BrowserWindowTable[row].displayName);
    }
    return count;
}
