// ProductVersion text parse: any bytes, terminated.
#include <string>

#include "base/version_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ProductVersionNumbers numbers;
    ParseProductVersion(text.c_str(), &numbers);
    return 0;
}
