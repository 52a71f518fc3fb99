// FindTextNoCase and ParseDecimal, with and without double-byte lead bytes.
#include <string>

#include "base/text_rules.h"

namespace {
bool ShiftJisLead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string all(reinterpret_cast<const char*>(data), size);
    size_t split = all.find('\0');
    std::string text = all.substr(0, split);
    std::string pattern = split == std::string::npos ? "" : all.substr(split + 1);
    pattern = pattern.substr(0, pattern.find('\0'));
    FindTextNoCase(text.c_str(), pattern.c_str(), NoLeadBytes);
    FindTextNoCase(text.c_str(), pattern.c_str(), ShiftJisLead);
    ParseDecimal(text.c_str());
    LastBackslash(text.c_str(), ShiftJisLead);
    EndsWithBackslash(text.c_str(), ShiftJisLead);
    if (!text.empty()) PreviousCharacter(text.c_str(), int(text.size() - 1), ShiftJisLead);
    return 0;
}
