#include "process/state.h"

#include "resources/resource.h"

HWND MainWindowHandle = nullptr;
HINSTANCE ModuleHandle = nullptr;

namespace {

// In load order.
PreloadedString PreloadedStrings[] = {
    {MSG_BOX_TITLE, ""},         {MSG_PRODUCT_NAME, ""},    {MSG_WINDOWS, ""},
    {MSG_INTERNET_EXPLORER, ""}, {MSG_MTD_DESCRIPTION, ""}, {MSG_UNKNOWN_OWNER, ""},
    {MSG_SGT_DESCRIPTION, ""},
};

} // namespace

void LoadPreloadedStrings() {
    for (PreloadedString& entry : PreloadedStrings)
        LoadStringA(GetModuleHandleA(nullptr), entry.id, entry.text, sizeof entry.text);
}

const char* Preloaded(UINT id) {
    for (const PreloadedString& entry : PreloadedStrings) {
        if (entry.id == id) return entry.text;
    }
    return "";
}
