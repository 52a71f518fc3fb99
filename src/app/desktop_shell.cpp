#include "app/desktop_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "base/scoped_handle.h"
#include "base/system_library.h"
#include "report/report.h"
#include "resources/resource.h"

bool OleReady;

namespace {

// BSTRs come from oleaut32.dll, loaded from System32 when first wanted like
// the other system DLLs the installer uses late (SystemFunction).
const char Oleaut32Library[] = "oleaut32.dll";
typedef BSTR(WINAPI* SysAllocStringFn)(const OLECHAR*);
typedef void(WINAPI* SysFreeStringFn)(BSTR);
// A function of shell32.dll, which is not imported (see SystemFunction).
typedef HINSTANCE(WINAPI* ShellExecuteFn)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
// Enough for the page this program opens; a longer text fails the road.
const int TextLimit = 512;

// The interfaces taken on the road, released together, last first, when it
// ends: one release loop for every way out.
class Interfaces {
  public:
    Interfaces() = default;
    Interfaces(const Interfaces&) = delete;
    Interfaces& operator=(const Interfaces&) = delete;
    ~Interfaces() {
        while (count_ > 0)
            if (IUnknown* item = items_[--count_]) item->Release();
    }
    // Keeps an interface that a call handed out (or null); returns it. Called
    // once per step of DesktopApplication, at most Capacity times.
    template <typename Interface> Interface* Keep(Interface* item) {
        items_[count_++] = item;
        return item;
    }

  private:
    static const int Capacity = 9; // the steps of DesktopApplication
    IUnknown* items_[Capacity];
    int count_ = 0;
};

// A BSTR made from an ANSI text, freed when it goes.
class HeldText {
  public:
    HeldText(const char* text, SysAllocStringFn allocate, SysFreeStringFn free) : free_(free) {
        WCHAR wide[TextLimit];
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, TextLimit) > 0) text_ = allocate(wide);
    }
    HeldText(const HeldText&) = delete;
    HeldText& operator=(const HeldText&) = delete;
    ~HeldText() {
        if (text_) free_(text_);
    }
    BSTR get() const { return text_; }

  private:
    BSTR text_ = nullptr;
    SysFreeStringFn free_;
};

VARIANT Empty() {
    VARIANT value;
    ZeroMemory(&value, sizeof value);
    value.vt = VT_EMPTY;
    return value;
}

VARIANT Number(LONG number) {
    VARIANT value = Empty();
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}

// The desktop folder view's Application object; null when a step fails.
IShellDispatch2* DesktopApplication(Interfaces& held) {
    IShellWindows* windows = nullptr;
    CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                     (void**)&windows);
    if (!held.Keep(windows)) return nullptr;
    VARIANT desktop = Number(CSIDL_DESKTOP);
    VARIANT root = Empty();
    LONG window = 0;
    IDispatch* found = nullptr;
    HRESULT result =
        windows->FindWindowSW(&desktop, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &found);
    if (!held.Keep(found) || result != S_OK) return nullptr;
    IServiceProvider* services = nullptr;
    found->QueryInterface(IID_IServiceProvider, (void**)&services);
    if (!held.Keep(services)) return nullptr;
    IShellBrowser* browser = nullptr;
    services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void**)&browser);
    if (!held.Keep(browser)) return nullptr;
    IShellView* view = nullptr;
    browser->QueryActiveShellView(&view);
    if (!held.Keep(view)) return nullptr;
    IDispatch* background = nullptr;
    view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void**)&background);
    if (!held.Keep(background)) return nullptr;
    IShellFolderViewDual* folderView = nullptr;
    background->QueryInterface(IID_IShellFolderViewDual, (void**)&folderView);
    if (!held.Keep(folderView)) return nullptr;
    IDispatch* application = nullptr;
    folderView->get_Application(&application);
    if (!held.Keep(application)) return nullptr;
    IShellDispatch2* shell = nullptr;
    application->QueryInterface(IID_IShellDispatch2, (void**)&shell);
    return held.Keep(shell);
}

} // namespace

bool OpenThroughDesktopShell(const char* url) {
    SysAllocStringFn allocate = (SysAllocStringFn)SystemFunction(Oleaut32Library, "SysAllocString");
    SysFreeStringFn free = (SysFreeStringFn)SystemFunction(Oleaut32Library, "SysFreeString");
    if (!allocate || !free) return false;
    Interfaces held;
    IShellDispatch2* application = DesktopApplication(held);
    if (!application) return false;
    HeldText file(url, allocate, free);
    if (!file.get()) return false;
    // No operation named: the URL's default verb, open.
    return SUCCEEDED(
        application->ShellExecute(file.get(), Empty(), Empty(), Empty(), Number(SW_SHOWNORMAL)));
}

namespace {

// True unless the process token says it runs without elevation (a system
// without elevation, where the question cannot be asked, counts as elevated).
bool RunsElevated() {
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return true;
    TOKEN_ELEVATION elevation;
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
        return true;
    return elevation.TokenIsElevated != 0;
}

} // namespace

void OpenPageForUser(HWND owner, const char* url) {
    // A sender waiting for this message would wait through every COM call
    // below, and COM refuses outgoing calls inside an incoming sent message.
    if (InSendMessage()) ReplyMessage(0);
    if (OleReady && OpenThroughDesktopShell(url)) return;
    // Started from here, a browser would inherit this program's elevation.
    if (!RunsElevated()) {
        if (ShellExecuteFn shellExecute =
                (ShellExecuteFn)SystemFunction(Shell32Library, "ShellExecuteA"))
            shellExecute(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    ReportMessage(MSG_OPEN_PAGE_YOURSELF, url);
}
