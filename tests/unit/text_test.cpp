// Leading-number parse, case-insensitive search and the bounded text helpers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text_rules.h"

namespace {

// Shift-JIS: lead bytes 0x81-0x9F and 0xE0-0xFC; a trail byte may be 0x5C,
// the backslash.
bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(ParseDecimal, LeadingBlanksThenDigits) {
    EXPECT_EQ(ParseDecimal("  12abc"), 12);
    EXPECT_EQ(ParseDecimal("4.7 [en]"), 4);
    EXPECT_EQ(ParseDecimal("-5"), 0);
    EXPECT_EQ(ParseDecimal("+5"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal(nullptr), 0);
    EXPECT_EQ(ParseDecimal("\t7"), 0) << "only the blank is skipped";
    EXPECT_EQ(ParseDecimal(" 1 2"), 1);
    EXPECT_EQ(ParseDecimal("007"), 7);
    EXPECT_EQ(ParseDecimal("2147483647"), 2147483647);
    // No overflow test: the value wraps (and the sanitizer sees no overflow).
    EXPECT_EQ(ParseDecimal("4294967297"), 1);
    EXPECT_LT(ParseDecimal("2147483648"), 0);
    EXPECT_EQ(ParseDecimal("99999999999999999999"), 1661992959);
}

TEST(FindTextNoCase, FirstMatchIgnoringCase) {
    // "Chrome\\" earlier in the path is no match; the capitals at the end are.
    const std::string path = "C:\\Program Files\\Google\\Chrome\\Application\\CHROME.EXE";
    EXPECT_EQ(FindTextNoCase(path.c_str(), "chrome.exe", NoLeadBytes), int(path.size()) - 10);
    EXPECT_EQ(FindTextNoCase("C:\\Chrome\\chrome.exe", "chrome.exe", NoLeadBytes), 10);
    EXPECT_EQ(FindTextNoCase("WebKit.dll", "webkit.dll", NoLeadBytes), 0);
    EXPECT_EQ(FindTextNoCase("abc", "abcd", NoLeadBytes), -1);
    EXPECT_EQ(FindTextNoCase("", "a", NoLeadBytes), -1);
    EXPECT_EQ(FindTextNoCase("abc", "", NoLeadBytes), 0);
    EXPECT_EQ(FindTextNoCase("aaab", "ab", NoLeadBytes), 2);
    EXPECT_EQ(FindTextNoCase(nullptr, "a", NoLeadBytes), -1);
}

TEST(FindTextNoCase, StepsOverDoubleByteCharactersWhole) {
    // 0x95 0x5C is one character; its trail byte is not a backslash to match.
    const char text[] = "\x95\\\\x";
    EXPECT_EQ(FindTextNoCase(text, "\\", ShiftJisLead), 2);
    EXPECT_EQ(FindTextNoCase(text, "\\", NoLeadBytes), 1);
    // A lead byte at the very end is stepped over alone, never past the zero.
    std::unique_ptr<char[]> tail(new char[3]{'a', '\x95', '\0'});
    EXPECT_EQ(FindTextNoCase(tail.get(), "b", ShiftJisLead), -1);
    EXPECT_EQ(FindTextNoCase(tail.get(), "\x95", ShiftJisLead), 1);
}

TEST(TextHelpers, CharactersAndBackslashesMultiByteAware) {
    const char text[] = "C:\\\x95\\dir\x95\\";
    EXPECT_EQ(LastBackslash(text, NoLeadBytes), 9);
    EXPECT_EQ(LastBackslash(text, ShiftJisLead), 2);
    EXPECT_FALSE(EndsWithBackslash(text, ShiftJisLead));
    EXPECT_TRUE(EndsWithBackslash(text, NoLeadBytes));
    EXPECT_TRUE(EndsWithBackslash("C:\\", ShiftJisLead));
    EXPECT_FALSE(EndsWithBackslash("", NoLeadBytes));
    EXPECT_EQ(LastBackslash("none", NoLeadBytes), -1);

    EXPECT_EQ(PreviousCharacter("ab\x95\\c", 4, ShiftJisLead), 2);
    EXPECT_EQ(PreviousCharacter("ab\x95\\c", 4, NoLeadBytes), 3);
    EXPECT_EQ(PreviousCharacter("abc", 0, NoLeadBytes), -1);
    EXPECT_EQ(PreviousCharacter("abc", 1, NoLeadBytes), 0);
}

TEST(TextHelpers, AppendAndCopyAreWholeOrNothing) {
    const int size = 8;
    std::unique_ptr<char[]> buffer(new char[size]);
    EXPECT_TRUE(CopyText(buffer.get(), size, "abc"));
    EXPECT_TRUE(AppendText(buffer.get(), size, "defg")); // 7 characters and the zero
    EXPECT_STREQ(buffer.get(), "abcdefg");
    EXPECT_FALSE(AppendText(buffer.get(), size, "h"));
    EXPECT_STREQ(buffer.get(), "abcdefg");
    EXPECT_FALSE(CopyText(buffer.get(), size, "12345678"));
    EXPECT_STREQ(buffer.get(), "");
    EXPECT_FALSE(CopyText(buffer.get(), 0, "a"));
    EXPECT_TRUE(AppendText(buffer.get(), size, ""));
}

} // namespace
