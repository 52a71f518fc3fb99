// Number and text routines shared by the scans and the version reader.
#pragma once

// Tells whether a byte starts a double-byte character of the code page in use.
typedef bool (*LeadBytePredicate)(unsigned char byte);

// A single-byte code page: no byte leads a pair.
bool NoLeadBytes(unsigned char byte);

// The hex digits, upper-case, by their value.
inline constexpr char HexDigits[] = "0123456789ABCDEF";

// ASCII letters upper-cased, every other byte as it is (toupper of the "C"
// locale, whatever the code page).
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
// True when a and b are the same text but for the case of ASCII letters.
bool SameTextIgnoringAsciiCase(const char* a, const char* b);

// Skips leading blanks (code 32 only), then reads decimal digits up to the first
// other character. No sign; 0 for a missing text or one without digits. Larger
// numbers wrap around modulo 2^32 (never undefined behaviour).
int ParseDecimal(const char* text);

// Position of the first match of pattern in text, comparing upper-cased bytes;
// candidates step over double-byte characters whole. -1 when there is none.
int FindTextNoCase(const char* text, const char* pattern, LeadBytePredicate isLeadByte);

// Start of the character before position `at` of text (multi-byte aware), -1
// when `at` is the first character.
int PreviousCharacter(const char* text, int at, LeadBytePredicate isLeadByte);

// Position of the last backslash of text that is a whole character, -1 if none.
int LastBackslash(const char* text, LeadBytePredicate isLeadByte);

// Appends text to buffer (of size bytes, holding a terminated text). When it
// does not fit whole, nothing is appended and the result is false.
bool AppendText(char* buffer, int size, const char* text);
// Copies text into buffer whole, or leaves buffer empty and returns false.
bool CopyText(char* buffer, int size, const char* text);

// True when text ends with a backslash (that is not the trail byte of a pair).
bool EndsWithBackslash(const char* text, LeadBytePredicate isLeadByte);

// True when the command line holds the switch (any ASCII case) as a word of
// its own, set off by blanks or tabs.
bool HasSwitchWord(const char* commandLine, const char* switchText);
