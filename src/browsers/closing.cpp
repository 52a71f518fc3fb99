#include "browsers/closing.h"

#include "browsers/browser_table_rules.h"
#include "browsers/detect.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const int ChangePolls = 9;
const DWORD ChangePollMs = 100;
const int MaxSiblingsWalked = 999;
const char SystemDialogClass[] = "#32770";
const LPARAM EnterKeyData = 0x001C0001; // repeat count 1, scan code 0x1C
// Controls of the browsers' confirmation boxes.
const int ConfirmButtonId = 1;       // Safari 3's button that confirms closing
const int SafariKeyControlId = 2501; // the control whose first child takes Enter
const int EnterTakerId = 0;          // the child that takes Enter

const char NetscapeTitlePattern[] = "???*";

// The search every strategy repeats with its own arguments.
struct CloseTarget {
    const char* className;
    bool topLevelOnly;
    const char* titlePattern;
};

HWND Search(const CloseTarget& target) {
    return FindClassWindow(target.className, target.topLevelOnly, target.titlePattern);
}

void PostCloseCommand(HWND window) {
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// Up to nine searches 100 ms apart while they still find `current`; the first
// other result (another window or none), or `current` when it never went.
HWND WaitForChange(const CloseTarget& target, HWND current) {
    HWND found = current;
    for (int poll = 0; poll < ChangePolls; ++poll) {
        found = Search(target);
        if (found != current) return found;
        Sleep(ChangePollMs);
    }
    return found;
}

// Always nine searches, pausing only after those that still find `current`;
// the ninth result decides.
HWND NinthSearch(const CloseTarget& target, HWND current) {
    HWND found = nullptr;
    for (int poll = 0; poll < ChangePolls; ++poll) {
        found = Search(target);
        if (found == current) Sleep(ChangePollMs);
    }
    return found;
}

// Windows of the same class below `window` among its siblings get their close
// command now, without waiting for `window` to go.
void CloseFollowingSiblings(HWND window, const char* className) {
    HWND sibling = GetWindow(window, GW_HWNDNEXT);
    for (int walked = 0; sibling && walked < MaxSiblingsWalked; ++walked) {
        HWND next = GetWindow(sibling, GW_HWNDNEXT);
        if (WindowHasClass(sibling, className)) PostCloseCommand(sibling);
        sibling = next;
    }
}

// What a one-by-one strategy does besides waiting for each window to go.
enum FollowUp {
    JustWait,
    CloseSiblings,      // windows of the class below it get their close command at once
    AnswerThreadDialog, // a window that stays gets Enter in its thread's question box
};

int CloseOneByOne(const CloseTarget& target, FollowUp followUp) {
    HWND window = Search(target);
    int count = 0;
    while (window) {
        PostCloseCommand(window);
        ++count;
        HWND current = Search(target);
        if (!current) break;
        DWORD thread =
            followUp == AnswerThreadDialog ? GetWindowThreadProcessId(current, nullptr) : 0;
        if (followUp == CloseSiblings) CloseFollowingSiblings(current, target.className);
        HWND changed = WaitForChange(target, current);
        if (changed == current && followUp == AnswerThreadDialog) {
            HWND dialog = FindThreadWindow(SystemDialogClass, thread);
            HWND control = dialog ? GetDlgItem(dialog, EnterTakerId) : nullptr;
            // Posted, unlike the other keystrokes: the dialog's own loop delivers it.
            if (control) PostMessageA(control, WM_KEYDOWN, VK_RETURN, EnterKeyData);
            changed = WaitForChange(target, current);
        }
        // Still the same window after every poll: it stays open and the strategy ends.
        if (changed == current) break;
        window = changed;
    }
    return count;
}

} // namespace

int CloseByClass(const char* className, bool topLevelOnly, const char* titlePattern) {
    return CloseOneByOne({className, topLevelOnly, titlePattern}, JustWait);
}

int CloseWithSiblings(const char* className, bool topLevelOnly, const char* titlePattern) {
    return CloseOneByOne({className, topLevelOnly, titlePattern}, CloseSiblings);
}

namespace {

// How a dialog strategy answers the confirmation a browser may show on closing.
struct Confirmation {
    const char* dialogClass; // null: the system dialog box of the window's thread
    int controlId;
    bool toFirstChild; // the message goes to the control's first child
    UINT message;      // sent to the control found; 0: click the control as a button
    WPARAM wParam;
    LPARAM lParam;
};

// A browser gets this long to handle a keystroke or click sent to it; a hung
// one must not hang the installer.
const UINT SendLimitMs = 5000;

void Confirm(const Confirmation& how, DWORD thread) {
    HWND dialog = how.dialogClass ? FindClassWindow(how.dialogClass, false, nullptr)
                                  : FindThreadWindow(SystemDialogClass, thread);
    if (!dialog) return;
    HWND control = how.controlId < 0 ? dialog : GetDlgItem(dialog, how.controlId);
    if (!control) return;
    HWND receiver = control;
    UINT message = how.message;
    WPARAM wParam = how.wParam;
    LPARAM lParam = how.lParam;
    if (how.toFirstChild) {
        receiver = GetWindow(control, GW_CHILD);
        if (!receiver) return;
    } else if (how.message == 0) {
        receiver = dialog;
        message = WM_COMMAND;
        wParam = MAKEWPARAM(how.controlId, BN_CLICKED);
        lParam = (LPARAM)control;
    }
    // The outcome is not needed: a browser that did not answer in time is
    // still found by the next search, as if it had not changed.
    DWORD_PTR result;
    SendMessageTimeoutA(receiver, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        SendLimitMs, &result);
}

typedef HWND (*Wait)(const CloseTarget& target, HWND current);

// Close command, a wait, the confirmation when the window is still there, and a
// second wait; each window of the class in turn. The two dialog strategies
// differ only in their waits and in how they confirm.
int CloseAndConfirm(const CloseTarget& target, Wait wait, const Confirmation& how) {
    HWND window = Search(target);
    int count = 0;
    while (window) {
        DWORD thread = GetWindowThreadProcessId(window, nullptr);
        PostCloseCommand(window);
        ++count;
        HWND current = Search(target);
        if (current != window) {
            window = current;
            continue;
        }
        if (wait(target, window) == window) Confirm(how, thread);
        current = Search(target);
        if (current != window) {
            window = current;
            continue;
        }
        HWND after = wait(target, window);
        if (after == window) break;
        window = after;
    }
    return count;
}

} // namespace

int CloseWithConfirmation(const char* mainClass, const char* dialogClass, int controlId,
                          UINT message, WPARAM wParam, LPARAM lParam) {
    return CloseAndConfirm({mainClass, false, nullptr}, NinthSearch,
                           {dialogClass, controlId, false, message, wParam, lParam});
}

int CloseWithThreadDialog(const char* className, int controlId) {
    // The browser's confirmation box belongs to the thread of its window.
    // Safari's key control takes Enter in its first child; any other control is
    // clicked as a button.
    Confirmation how = {nullptr, controlId, false, 0, 0, 0};
    if (controlId == SafariKeyControlId)
        how = {nullptr, controlId, true, WM_KEYDOWN, VK_RETURN, EnterKeyData};
    return CloseAndConfirm({className, false, nullptr}, WaitForChange, how);
}

int CloseNetscape() {
    return CloseOneByOne({BrowserWindowTable[NetscapeRow].windowClass, true, NetscapeTitlePattern},
                         AnswerThreadDialog);
}

namespace {

void LogIfClosed(int closed, const char* label) {
    if (closed != 0) LogLine(label);
}

} // namespace

int CloseRunningBrowsers(HWND listBox) {
    LogIfClosed(CloseWithConfirmation("MozillaUIWindowClass", "MozillaDialogClass", EnterTakerId,
                                      WM_KEYDOWN, VK_RETURN, EnterKeyData),
                "Closing Mozilla Firefox");
    // Firefox's main windows get their close command without a line in the log.
    CloseByClass("MozillaWindowClass", false, nullptr);
    LogIfClosed(CloseByClass("Opera Main Window", false, nullptr), "Closing Opera");
    const char* safariClass = BrowserWindowTable[SafariRow].windowClass;
    LogIfClosed(CloseWithThreadDialog(safariClass, ConfirmButtonId), "Closing Apple Safari 3");
    LogIfClosed(CloseWithThreadDialog(safariClass, SafariKeyControlId), "Closing Apple Safari");
    LogIfClosed(CloseNetscape(), "Closing Netscape");
    LogIfClosed(CloseByClass("Chrome_XPFrame", false, nullptr), "Closing Chrome V1");
    LogIfClosed(CloseWithSiblings("Chrome_WidgetWin_0", false, nullptr), "Closing Chrome");
    return CountRunningBrowsers(listBox);
}
