// Resources and version strings read out of a file's bytes, as the installer
// reads a parked plug-in it holds and the plug-in it carries.
#include <vector>

#include "base/image_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // A heap copy of exactly the bytes given, so any read past them is caught.
    std::vector<unsigned char> image(data, data + size);
    char text[64];
    ReadImageVersionString(image.data(), image.size(), "ProductName", text, sizeof text);
    const uint8_t* font;
    uint32_t fontSize;
    FindImageResource(image.data(), image.size(), {0, "TRUETYPE"}, {0, "MUSICFONT"}, &font,
                      &fontSize);
    // The version block parser on its own, from the same bytes.
    ReadVersionString(image.data(), image.size(), "ProductVersion", text, sizeof text);
    return 0;
}
