#include "app/app.h"

#include "resources/resource.h"

bool SilentMode = false;
bool SkipLicense = false;
HWND MainWindowHandle = nullptr;
HINSTANCE ModuleHandle = nullptr;

namespace {

const UINT PreloadedIds[] = {
    MSG_BOX_TITLE,       MSG_PRODUCT_NAME,  MSG_WINDOWS,         MSG_INTERNET_EXPLORER,
    MSG_MTD_DESCRIPTION, MSG_UNKNOWN_OWNER, MSG_SGT_DESCRIPTION,
};
const int PreloadedCount = sizeof PreloadedIds / sizeof PreloadedIds[0];
const int PreloadedTextSize = 32; // 31 characters and the zero
char PreloadedTexts[PreloadedCount][PreloadedTextSize];

} // namespace

void LoadPreloadedStrings() {
    for (int i = 0; i < PreloadedCount; ++i)
        LoadStringA(GetModuleHandleA(nullptr), PreloadedIds[i], PreloadedTexts[i],
                    PreloadedTextSize);
}

const char* Preloaded(UINT id) {
    for (int i = 0; i < PreloadedCount; ++i) {
        if (PreloadedIds[i] == id) return PreloadedTexts[i];
    }
    return "";
}
