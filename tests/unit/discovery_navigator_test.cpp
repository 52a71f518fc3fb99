// Navigator's version subkey names and the choice between versions.
#include <gtest/gtest.h>

#include "discovery/navigator_rules.h"

namespace {

struct NameCase {
    const char* name;
    bool accepted;
    int major;
    int minor;
};

TEST(NavigatorVersion, OneOrTwoDigitMajorThenADot) {
    const NameCase cases[] = {
        {"4.7 (en)", true, 4, 7},  {"4.79 [en]", true, 4, 79},
        {"10.2", true, 10, 2},     {"99.", true, 99, 0},
        {"6.2", true, 6, 2},       {"100.1", false, 100, 0}, // three digits
        {" 4.7", false, 4, 0},                               // leading blank
        {"04.7", false, 4, 0},                               // leading zero
        {"0.9", false, 0, 0},      {"4", false, 4, 0},
        {"4,7", false, 4, 0},      {"", false, 0, 0},
        {"Netscape", false, 0, 0}, {"4294967301.1", false, 5, 0}, // wraps to 5; index 1 is a digit
    };
    for (const NameCase& c : cases) {
        int major = -1, minor = -1;
        EXPECT_EQ(ParseNavigatorVersion(c.name, &major, &minor), c.accepted) << c.name;
        EXPECT_EQ(major, c.major) << c.name;
        EXPECT_EQ(minor, c.minor) << c.name;
    }
}

TEST(NavigatorVersion, NumbersCompareEachByItself) {
    EXPECT_TRUE(NavigatorVersionPreferred(4, 7, 0, 0));
    EXPECT_TRUE(NavigatorVersionPreferred(4, 8, 4, 7));
    EXPECT_FALSE(NavigatorVersionPreferred(4, 8, 4, 79)); // 8 < 79
    EXPECT_FALSE(NavigatorVersionPreferred(6, 2, 4, 7));  // 2 < 7
    EXPECT_TRUE(NavigatorVersionPreferred(4, 7, 4, 7));   // equal: the later wins
}

} // namespace
