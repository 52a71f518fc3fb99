#include "browsers/wildcard_rules.h"

#include <gtest/gtest.h>

namespace {

struct WildcardCase {
    const char* text;
    const char* pattern;
    int caseSensitive; // result with ignore case off
    int ignoringCase;  // result with ignore case on
};

const WildcardCase Cases[] = {
    // The empty pattern matches only the empty text.
    {"", "", 1, 1},
    {"a", "", 0, 0},
    // A lone star matches every text, the empty one included; runs of stars act as one.
    {"", "*", 1, 1},
    {"anything at all", "*", 1, 1},
    {"abc", "***", 1, 1},
    // A letter then a star: the empty text runs out first.
    {"", "a*", -1, -1},
    {"a", "a*", 1, 1},
    {"b", "a*", 0, 0},
    // A star then a letter against one other letter: every try fails, so -1.
    {"b", "*a", -1, -1},
    {"a", "*a", 1, 1},
    {"ba", "*a", 1, 1},
    {"", "*a", -1, -1},
    // A failed try that runs the text out settles the result at once.
    {"xa", "*ab", -1, -1},
    {"xaxab", "*ab", 1, 1},
    {"abc", "*b", -1, -1},
    // The escape matches exactly the next character, case counting in both modes.
    {"*", "/*", 1, 1},
    {"", "/*", -1, -1},
    {"x", "/*", 0, 0},
    {"**", "/*", 0, 0},
    {"?", "/?", 1, 1},
    {"a", "/?", 0, 0},
    {"/", "//", 1, 1},
    {"A", "/a", 0, 0},
    {"a", "/A", 0, 0},
    // A trailing escape never matches a character.
    {"a", "a/", -1, -1},
    {"ab", "a/", 0, 0},
    {"x", "/", 0, 0},
    // The question mark takes any one character, never none.
    {"", "?", -1, -1},
    {"x", "?", 1, 1},
    {"xy", "?", 0, 0},
    // Case.
    {"a", "A", 0, 1},
    {"A", "a", 0, 1},
    {"Hello", "hE*O", 0, 1},
    // Titles of at least three characters.
    {"", "???*", -1, -1},
    {"ab", "???*", -1, -1},
    {"abc", "???*", 1, 1},
    {"Mozilla Firefox", "???*", 1, 1},
    // Text longer than the pattern.
    {"abcd", "abc", 0, 0},
    {"ab", "abc", -1, -1},
    // Several stars with backtracking.
    {"mississippi", "m*iss*ppi", 1, 1},
    {"mississippi", "m*iss*ppx", -1, -1},
    {"abcabd", "*ab?", 1, 1},
    // Bytes above 127 compare as bytes.
    {"\xE9t\xE9", "\xE9?\xE9", 1, 1},
};

TEST(MatchWildcard, WholeTable) {
    for (const WildcardCase& c : Cases) {
        EXPECT_EQ(MatchWildcard(c.text, c.pattern, false), c.caseSensitive)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\"";
        EXPECT_EQ(MatchWildcard(c.text, c.pattern, true), c.ignoringCase)
            << "text \"" << c.text << "\" pattern \"" << c.pattern << "\" ignoring case";
    }
}

TEST(MatchWildcard, LongTextsStayWithinTheirBuffers) {
    // The window search reads titles of up to 1022 characters.
    std::string title(1022, 'x');
    EXPECT_EQ(MatchWildcard(title.c_str(), "???*", false), 1);
    EXPECT_EQ(MatchWildcard(title.c_str(), "*y", false), -1);
    EXPECT_EQ(MatchWildcard(title.c_str(), "*x*x*x", false), 1);
}

TEST(TitleMatches, OnlyAFullMatchCounts) {
    EXPECT_TRUE(TitleMatches("abc", "???*"));
    EXPECT_FALSE(TitleMatches("ab", "???*")); // -1 is no match
    EXPECT_FALSE(TitleMatches("abc", "ab"));  // 0 is no match
    EXPECT_FALSE(TitleMatches("ABC", "abc")); // case counts
    EXPECT_FALSE(TitleMatches(nullptr, "???*"));
    EXPECT_FALSE(TitleMatches("abc", nullptr));
    EXPECT_FALSE(TitleMatches(nullptr, nullptr));
}

} // namespace
