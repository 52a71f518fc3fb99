#include "run/run_lock.h"

#include <sddl.h>

#include "report/report.h"
#include "resources/resource.h"

namespace {

// The lock is a mutex in a private namespace whose boundary holds the
// Administrators group: only a process that has the group enabled in its
// token (an elevated administrator, or SYSTEM) can create the namespace, and
// the namespace's security lets administrators and SYSTEM alone open it. No
// standard user can make, take or fake the lock, in any session.
const WCHAR NamespaceName[] = L"ScorewaveSetup";
const char NamespacedLockName[] = "ScorewaveSetup\\Run";
// Where the system has no private namespaces (Windows XP x64, Wine), the lock
// is a mutex of this name in the Global namespace, with the same security.
// There the name is the only guard: whoever may create a global object can
// take the name first.
const char GlobalLockName[] = "Global\\ScorewaveSetupLock";
// Full control for the administrators and SYSTEM, nothing for anyone else:
// the namespace's and the mutex's security.
const char AdministratorsOnly[] = "D:P(A;;GA;;;BA)(A;;GA;;;SY)";
// Another run may close the last handle to the namespace between this run's
// finding that it exists and opening it: then it is made again.
const int NamespaceTries = 4;
// How long a run nobody watches waits for another one.
const DWORD UnattendedWaitMs = 10 * 60 * 1000;
// What the wait ends with when the window was closed meanwhile.
const DWORD WindowClosed = WAIT_OBJECT_0 + 1;

// The namespace calls, looked up at run time: Windows XP x64 has none of them,
// Wine only some.
typedef HANDLE(WINAPI* CreateBoundaryFn)(LPCWSTR, ULONG);
typedef BOOL(WINAPI* AddSidToBoundaryFn)(HANDLE*, PSID);
typedef VOID(WINAPI* DeleteBoundaryFn)(HANDLE);
typedef HANDLE(WINAPI* CreateNamespaceFn)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
typedef HANDLE(WINAPI* OpenNamespaceFn)(LPVOID, LPCWSTR);
typedef BOOLEAN(WINAPI* CloseNamespaceFn)(HANDLE, ULONG);

FARPROC KernelFunction(const char* name) {
    // kernel32.dll is loaded in every process: no reference is taken.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : nullptr;
}

struct NamespaceCalls {
    CreateBoundaryFn createBoundary;
    AddSidToBoundaryFn addSid;
    DeleteBoundaryFn deleteBoundary;
    CreateNamespaceFn create;
    OpenNamespaceFn open;
};

// True when the system has every call the namespace needs.
bool FindNamespaceCalls(NamespaceCalls& calls) {
    calls.createBoundary = (CreateBoundaryFn)KernelFunction("CreateBoundaryDescriptorW");
    calls.addSid = (AddSidToBoundaryFn)KernelFunction("AddSIDToBoundaryDescriptor");
    calls.deleteBoundary = (DeleteBoundaryFn)KernelFunction("DeleteBoundaryDescriptor");
    calls.create = (CreateNamespaceFn)KernelFunction("CreatePrivateNamespaceW");
    calls.open = (OpenNamespaceFn)KernelFunction("OpenPrivateNamespaceW");
    return calls.createBoundary && calls.addSid && calls.deleteBoundary && calls.create &&
           calls.open && KernelFunction("ClosePrivateNamespace");
}

// The lock's namespace, made or opened; null, with the last error set, when
// it cannot be had.
HANDLE OpenLockNamespace(const NamespaceCalls& calls, SECURITY_ATTRIBUTES* security) {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize))
        return nullptr;
    HANDLE boundary = calls.createBoundary(NamespaceName, 0);
    if (!boundary) return nullptr;
    HANDLE made = nullptr;
    if (calls.addSid(&boundary, administrators)) {
        for (int i = 0; i < NamespaceTries && !made; ++i) {
            made = calls.create(security, boundary, NamespaceName);
            if (made || GetLastError() != ERROR_ALREADY_EXISTS) break;
            made = calls.open(boundary, NamespaceName);
        }
    }
    DWORD error = GetLastError();
    calls.deleteBoundary(boundary);
    SetLastError(error);
    return made;
}

bool Acquired(DWORD wait) {
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

// Waits for the mutex for at most limitMs (INFINITE: for as long as it takes).
// With a window, handles what arrives for it meanwhile, as a modal loop would;
// once the window is closed (WM_QUIT, put back for the main loop) the wait
// ends with WindowClosed.
DWORD WaitForLock(HANDLE mutex, HWND window, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (limitMs != INFINITE) {
            DWORD spent = GetTickCount() - start;
            left = spent < limitMs ? limitMs - spent : 0;
        }
        if (!window) return WaitForSingleObject(mutex, left);
        DWORD wait = MsgWaitForMultipleObjects(1, &mutex, FALSE, left, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1) return wait;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                return WindowClosed;
            }
            if (!IsDialogMessageA(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
}

} // namespace

RunLock::RunLock(HWND window, bool unattended) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool ready = ConvertStringSecurityDescriptorToSecurityDescriptorA(
                     AdministratorsOnly, SDDL_REVISION_1, &descriptor, nullptr) != FALSE;
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
    const char* name = GlobalLockName;
    NamespaceCalls calls;
    if (ready && FindNamespaceCalls(calls)) {
        namespace_ = OpenLockNamespace(calls, &security);
        name = NamespacedLockName;
        ready = namespace_ != nullptr;
    }
    // An object of another type under the name, or a mutex this run may not
    // use, is no lock: the run stops rather than go on without one.
    if (ready) mutex_.Reset(CreateMutexA(&security, FALSE, name));
    DWORD error = GetLastError();
    if (descriptor) LocalFree(descriptor);
    DWORD wait = WAIT_FAILED;
    if (mutex_.Valid()) {
        wait = WaitForSingleObject(mutex_.Get(), 0);
        error = GetLastError();
    }
    if (wait == WAIT_TIMEOUT) {
        ReportMessage(MSG_WAITING_FOR_OTHER_RUN, nullptr);
        wait = WaitForLock(mutex_.Get(), window, unattended ? UnattendedWaitMs : INFINITE);
        error = GetLastError();
        if (wait == WAIT_TIMEOUT) ReportMessage(MSG_OTHER_RUN_TOO_LONG, nullptr);
    }
    owned_ = Acquired(wait);
    if (wait == WAIT_FAILED) {
        SetLastError(error);
        ReportMessage(MSG_NO_RUN_LOCK, nullptr);
    }
}

RunLock::~RunLock() {
    if (owned_) ReleaseMutex(mutex_.Get());
    mutex_.Reset(nullptr);
    if (namespace_) {
        auto close = (CloseNamespaceFn)KernelFunction("ClosePrivateNamespace");
        if (close) close(namespace_, 0);
    }
}
