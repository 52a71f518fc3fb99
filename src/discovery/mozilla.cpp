// Mozilla products (Firefox, SeaMonkey...) registered under SOFTWARE\Mozilla,
// in the 64-bit registry view and then in the 32-bit one.
#include <windows.h>

#include "base/file_system.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "discovery/scans.h"
#include "discovery/targets.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const char MozillaKey[] = "SOFTWARE\\Mozilla";
const char BinSubkey[] = "\\bin";
const char PathToExeValue[] = "PathToExe";
const char ExtensionsSubkey[] = "\\Extensions";
const char PluginsValue[] = "Plugins";
const REGSAM RegistryViews[] = {0, KEY_WOW64_32KEY};
// Product subkey names are read with this limit, zero included.
const DWORD ProductNameSize = TargetNameSize;

// Reads product\subkey's value (REG_SZ, not empty) in one registry view.
bool ReadProductText(HKEY products, REGSAM access, const char* product, const char* subkey,
                     const char* value, char* buffer, int size) {
    char path[ScratchPathSize];
    return CopyText(path, sizeof path, product) && AppendText(path, sizeof path, subkey) &&
           ReadRegistryTextAt(products, path, access, value, buffer, size) == RegistryTextRead;
}

void ScanProduct(TargetPlan& plan, HKEY products, REGSAM access, const char* product) {
    char text[ScratchPathSize];
    if (!ReadProductText(products, access, product, BinSubkey, PathToExeValue, text, sizeof text) ||
        !Is64BitExecutable(text))
        return;
    if (!ReadProductText(products, access, product, ExtensionsSubkey, PluginsValue, text,
                         sizeof text))
        return;
    if (!FolderExists(text)) {
        ReportMessage(MSG_FOLDER_MISSING, product, text);
        return;
    }
    char pluginPath[PluginPathSize];
    if (!ComposeFilePath(pluginPath, sizeof pluginPath, text, PluginFileName,
                         SeparatorUnlessPresent, IsAnsiLeadByte))
        return;
    AcceptTarget(plan, product, text, product, pluginPath);
}

} // namespace

void ScanMozillaProducts(TargetPlan& plan) {
    for (REGSAM view : RegistryViews) {
        REGSAM access = KEY_READ | view;
        HKEY opened;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MozillaKey, 0, access, &opened) != ERROR_SUCCESS)
            continue;
        ScopedKey products(opened);
        char product[ProductNameSize];
        for (DWORD index = 0;; ++index) {
            DWORD nameSize = sizeof product;
            if (RegEnumKeyExA(products.Get(), index, product, &nameSize, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS)
                break;
            product[sizeof product - 1] = '\0';
            ScanProduct(plan, products.Get(), access, product);
        }
    }
}
