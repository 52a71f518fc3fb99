// Wildcard matching of window titles: "*" any run, "?" any one character,
// "/" takes the next pattern character literally.
#pragma once

// Result codes of MatchWildcard.
const int WildcardMatch = 1;
const int WildcardMismatch = 0;
// The text ran out before the pattern could be satisfied.
const int WildcardTextExhausted = -1;

int MatchWildcard(const char* text, const char* pattern, bool ignoreCase);

// True only when both are given and the text matches the pattern, case counting.
bool TitleMatches(const char* text, const char* pattern);
