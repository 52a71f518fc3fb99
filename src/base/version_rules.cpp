#include "base/version_rules.h"

#include "base/text_rules.h"

namespace {

const uint32_t ComponentBase = 256;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

uint32_t Fold(uint32_t packed, int number) {
    return packed * ComponentBase + uint32_t(number);
}

} // namespace

uint32_t ParseProductVersion(const char* text, ProductVersionNumbers* numbers) {
    *numbers = ProductVersionNumbers{0, 0, 0, 0};
    if (!text || text[0] == '\0') return 0;
    numbers->major = ParseDecimal(text);
    uint32_t packed = uint32_t(numbers->major);
    bool minorPending = true, patchPending = true;

    const char* p = text + 1;
    while (*p) {
        if (*p == '.' || *p == ',') {
            int number = ParseDecimal(p + 1);
            if (patchPending) packed = Fold(packed, number);
            if (minorPending) {
                numbers->minor = number;
                minorPending = false;
            } else if (patchPending) {
                numbers->patch = number;
                patchPending = false;
            } else {
                numbers->build = number;
                break;
            }
            // The character after a separator is never one itself; a text
            // that ends right after the separator ends here.
            if (p[1] == '\0') break;
            p += 2;
        } else if (*p == ' ') {
            const char* q = p;
            while (IsWhiteSpace(*q))
                ++q;
            if (!IsDigit(*q)) break;
            int number = ParseDecimal(q);
            packed = Fold(packed, number);
            if (!minorPending) {
                numbers->patch = number;
                break;
            }
            numbers->minor = number;
            minorPending = false;
            p = q + 1;
        } else {
            ++p;
        }
    }
    return packed;
}

bool IsNewerVersion(const ProductVersionNumbers& a, const ProductVersionNumbers& b) {
    const int left[] = {a.major, a.minor, a.patch, a.build};
    const int right[] = {b.major, b.minor, b.patch, b.build};
    for (int i = 0; i < 4; ++i)
        if (left[i] != right[i]) return left[i] > right[i];
    return false;
}
