// Wildcard matching: the input splits at its first zero into text and pattern.
#include <string>

#include "browsers/wildcard_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // Bounded: the matcher backtracks, and window titles are at most 1022 bytes.
    if (size > 2048) return 0;
    std::string all(reinterpret_cast<const char*>(data), size);
    size_t split = all.find('\0');
    std::string text = all.substr(0, split);
    std::string pattern = split == std::string::npos ? "" : all.substr(split + 1);
    pattern = pattern.substr(0, pattern.find('\0'));
    MatchWildcard(text.c_str(), pattern.c_str(), false);
    MatchWildcard(text.c_str(), pattern.c_str(), true);
    TitleMatches(text.c_str(), pattern.c_str());
    return 0;
}
