// The TrueType name table: family-name record search and its bytes.
#include <vector>

#include "font/font_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);
    FontBytes bytes = {file.data(), file.size()};
    FontNameRecord record;
    if (FindFontFamilyRecord(ReadFontBytes, &bytes, &record)) {
        std::vector<unsigned char> name(size_t(record.length) + 3);
        ReadFontNameBytes(ReadFontBytes, &bytes, record, name.data());
    }
    return 0;
}
