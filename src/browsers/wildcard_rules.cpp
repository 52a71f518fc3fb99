#include "browsers/wildcard_rules.h"

#include "base/text_rules.h"

namespace {

bool SameCharacter(char textChar, char patternChar, bool ignoreCase) {
    if (!ignoreCase) return textChar == patternChar;
    return AsciiUpper(textChar) == AsciiUpper(patternChar);
}

} // namespace

int MatchWildcard(const char* text, const char* pattern, bool ignoreCase) {
    for (;;) {
        if (*pattern == '\0') return *text == '\0' ? WildcardMatch : WildcardMismatch;
        if (*text == '\0' && *pattern != '*') return WildcardTextExhausted;

        if (*pattern == '*') {
            while (*pattern == '*')
                ++pattern;
            if (*pattern == '\0') return WildcardMatch;
            if (*text == '\0') return WildcardTextExhausted;
            // Never tried at the end of the text: what is left of the pattern needs
            // at least one more character, so an exhausted text settles it.
            for (; *text != '\0'; ++text) {
                int result = MatchWildcard(text, pattern, ignoreCase);
                if (result != WildcardMismatch) return result;
            }
            return WildcardTextExhausted;
        }

        if (*pattern == '/') {
            ++pattern;
            // A trailing "/" escapes nothing; stop here rather than step past the end.
            if (*pattern == '\0' || *pattern != *text) return WildcardMismatch;
        } else if (*pattern != '?' && !SameCharacter(*text, *pattern, ignoreCase)) {
            return WildcardMismatch;
        }
        ++pattern;
        ++text;
    }
}

bool TitleMatches(const char* text, const char* pattern) {
    return text && pattern && MatchWildcard(text, pattern, false) == WildcardMatch;
}
