// The command-line switch scan.
#include <string>

#include "app/switch_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    ScanSwitches(line.c_str());
    return 0;
}
