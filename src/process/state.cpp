#include "process/state.h"

#include "resources/resource.h"

bool SilentMode = false;
bool SkipLicense = false;
HWND MainWindowHandle = nullptr;
HINSTANCE ModuleHandle = nullptr;

namespace {

// The ids in table order. The table itself starts zeroed and takes its ids as
// its texts are loaded: the program keeps no initialised writable data.
const UINT PreloadedIds[] = {
    MSG_BOX_TITLE,       MSG_PRODUCT_NAME,  MSG_WINDOWS,         MSG_INTERNET_EXPLORER,
    MSG_MTD_DESCRIPTION, MSG_UNKNOWN_OWNER, MSG_SGT_DESCRIPTION,
};
const int PreloadedCount = sizeof PreloadedIds / sizeof PreloadedIds[0];

PreloadedString PreloadedStrings[PreloadedCount];

} // namespace

void LoadPreloadedStrings() {
    for (int i = 0; i < PreloadedCount; ++i) {
        PreloadedString& entry = PreloadedStrings[i];
        entry.id = PreloadedIds[i];
        LoadStringA(GetModuleHandleA(nullptr), entry.id, entry.text, sizeof entry.text);
    }
}

const char* Preloaded(UINT id) {
    for (const PreloadedString& entry : PreloadedStrings) {
        if (entry.id == id) return entry.text;
    }
    return "";
}
