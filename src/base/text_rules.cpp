#include "base/text_rules.h"

#include <cstdint>
#include <cstring>

bool NoLeadBytes(unsigned char) {
    return false;
}

int ParseDecimal(const char* text) {
    if (!text) return 0;
    while (*text == ' ')
        ++text;
    uint32_t value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10u + uint32_t(*text - '0');
        ++text;
    }
    return int32_t(value);
}

namespace {

// Steps to the next whole character, never past the terminating zero.
const char* NextCharacter(const char* p, LeadBytePredicate isLeadByte) {
    if (*p == '\0') return p;
    if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

} // namespace

bool SameTextIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (AsciiUpper(*a) != AsciiUpper(*b)) return false;
    return *a == *b;
}

int FindTextNoCase(const char* text, const char* pattern, LeadBytePredicate isLeadByte) {
    if (!text || !pattern) return -1;
    size_t textLength = strlen(text);
    size_t patternLength = strlen(pattern);
    for (const char* p = text; size_t(p - text) + patternLength <= textLength;
         p = NextCharacter(p, isLeadByte)) {
        size_t i = 0;
        while (i < patternLength && AsciiUpper(p[i]) == AsciiUpper(pattern[i]))
            ++i;
        if (i == patternLength) return int(p - text);
        if (*p == '\0') break;
    }
    return -1;
}

int PreviousCharacter(const char* text, int at, LeadBytePredicate isLeadByte) {
    int previous = -1;
    for (const char* p = text; *p && p - text < at; p = NextCharacter(p, isLeadByte))
        previous = int(p - text);
    return previous;
}

int LastBackslash(const char* text, LeadBytePredicate isLeadByte) {
    int last = -1;
    for (const char* p = text; *p; p = NextCharacter(p, isLeadByte))
        if (*p == '\\') last = int(p - text);
    return last;
}

bool AppendText(char* buffer, int size, const char* text) {
    size_t used = strlen(buffer);
    size_t length = strlen(text);
    if (size <= 0 || used + length >= size_t(size)) return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

bool CopyText(char* buffer, int size, const char* text) {
    if (size <= 0) return false;
    buffer[0] = '\0';
    return AppendText(buffer, size, text);
}

bool EndsWithBackslash(const char* text, LeadBytePredicate isLeadByte) {
    int last = LastBackslash(text, isLeadByte);
    return last >= 0 && text[last + 1] == '\0';
}

namespace {

bool EndsWord(char c) {
    return c == '\0' || c == ' ' || c == '\t';
}

} // namespace

bool HasSwitchWord(const char* commandLine, const char* switchText) {
    if (!commandLine || !switchText || !switchText[0]) return false;
    for (const char* p = commandLine; *p; ++p) {
        if (p != commandLine && !EndsWord(p[-1])) continue;
        int i = 0;
        while (switchText[i] && AsciiUpper(p[i]) == AsciiUpper(switchText[i]))
            ++i;
        if (switchText[i] == '\0' && EndsWord(p[i])) return true;
    }
    return false;
}
