// The 64-bit program test over the first bytes of a file, exactly as read.
#include <cstring>
#include <vector>

#include "base/image_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // A heap copy of exactly the bytes read, so any read past them is caught.
    size_t count = size < size_t(ProgramHeadSize - 1) ? size : size_t(ProgramHeadSize - 1);
    std::vector<unsigned char> head(data, data + count);
    IsPe64Image(head.data(), head.size());
    return 0;
}
