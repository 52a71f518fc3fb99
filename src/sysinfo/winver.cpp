#include "sysinfo/winver.h"

#include <windows.h>

#include "sysinfo/edition_rules.h"

namespace {

typedef BOOL(WINAPI* GetProductInfoFn)(DWORD, DWORD, DWORD, DWORD, PDWORD);

// GetProductInfo is looked up at run time: older systems lack it.
bool QueryProductInfo(const OSVERSIONINFOEXA& ex, unsigned* productInfo) {
    // kernel32.dll is loaded in every process: no reference is taken.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return false;
    bool ok = false;
    GetProductInfoFn fn = (GetProductInfoFn)GetProcAddress(kernel, "GetProductInfo");
    DWORD type = 0;
    if (fn && fn(ex.dwMajorVersion, ex.dwMinorVersion, ex.wServicePackMajor, ex.wServicePackMinor,
                 &type)) {
        *productInfo = type;
        ok = true;
    }
    return ok;
}

} // namespace

bool ReadWindowsVersion(OSVERSIONINFOA* info) {
    ZeroMemory(info, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info;
    return GetVersionExA(info) != FALSE;
}

bool ReadWindowsLineParts(WindowsLineParts* line) {
    OSVERSIONINFOA basic;
    if (!ReadWindowsVersion(&basic)) return false;

    WindowsFacts& facts = line->facts;
    ZeroMemory(&facts, sizeof facts);
    facts.platformId = basic.dwPlatformId;
    facts.major = basic.dwMajorVersion;
    facts.minor = basic.dwMinorVersion;
    lstrcpynA(facts.servicePack, basic.szCSDVersion, ServicePackTextSize);

    if (NeedsExtendedRecord(facts.major, facts.servicePack)) {
        OSVERSIONINFOEXA ex;
        ZeroMemory(&ex, sizeof ex);
        ex.dwOSVersionInfoSize = sizeof ex;
        if (GetVersionExA((OSVERSIONINFOA*)&ex)) {
            facts.haveExtended = true;
            facts.exMajor = ex.dwMajorVersion;
            facts.exMinor = ex.dwMinorVersion;
            facts.productType = ex.wProductType;
            facts.suiteMask = ex.wSuiteMask;
            if (NeedsProductInfo(facts))
                facts.haveProductInfo = QueryProductInfo(ex, &facts.productInfo);
        }
    }

    DescribeWindows(facts, line->edition, sizeof line->edition);
    return true;
}
