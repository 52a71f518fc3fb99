// ProductVersion texts to numbers and the packed comparison value.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/version_rules.h"

namespace {

struct VersionCase {
    const char* text;
    int major, minor, patch, build;
    uint32_t packed;
};

TEST(ProductVersion, NewerNumberByNumber) {
    ProductVersionNumbers carried = {1, 20, 0, 0};
    EXPECT_TRUE(IsNewerVersion({2, 0, 0, 0}, carried));
    EXPECT_TRUE(IsNewerVersion({1, 20, 0, 1}, carried));
    EXPECT_FALSE(IsNewerVersion({1, 20, 0, 0}, carried));
    EXPECT_FALSE(IsNewerVersion({1, 5, 9, 9}, carried));
}

TEST(ProductVersion, TheTextsBrowsersAndPluginsCarry) {
    const VersionCase cases[] = {
        {"1.20.0.0", 1, 20, 0, 0, 0x11400},
        {"1, 20, 0, 4", 1, 20, 0, 4, 0x11400},
        {"1.21", 1, 21, 0, 0, 0x115},
        {"1 20 5", 1, 20, 5, 0, 0x11405},
        {"2.0", 2, 0, 0, 0, 0x200},
        {"9.64", 9, 64, 0, 0, 0x940},
        {"20.0.1132.57", 20, 0, 1132, 57, (20u * 256 + 0) * 256 + 1132},
        {"1.2.3.4.5.6", 1, 2, 3, 4, 0x10203}, // stops after the build
        {"3", 3, 0, 0, 0, 3},
        {"", 0, 0, 0, 0, 0},
        {"abc", 0, 0, 0, 0, 0},
        {"1.", 1, 0, 0, 0, 0x100},         // nothing after the separator
        {"1..5", 1, 0, 0, 0, 0x100},       // the dot right after a dot is skipped
        {"1 \t 7.3", 1, 7, 3, 0, 0x10703}, // white space of any kind after a blank
        {"1 beta", 1, 0, 0, 0, 1},         // a blank not followed by a digit ends it
        {"1.2 3", 1, 2, 3, 0, 0x10203},    // a blank number after the minor is the patch
        {"1 2.3.4", 1, 2, 3, 4, 0x10203},
        {"v1.5", 0, 5, 0, 0, 5},
        {"1.300", 1, 300, 0, 0, 256 + 300}, // no masking: 300 carries
    };
    for (const VersionCase& c : cases) {
        ProductVersionNumbers n;
        EXPECT_EQ(ParseProductVersion(c.text, &n), c.packed) << '"' << c.text << '"';
        EXPECT_EQ(n.major, c.major) << c.text;
        EXPECT_EQ(n.minor, c.minor) << c.text;
        EXPECT_EQ(n.patch, c.patch) << c.text;
        EXPECT_EQ(n.build, c.build) << c.text;
    }
}

TEST(ProductVersion, NeverReadsPastTheTextAndNeverOverflowsSigned) {
    // Exact-size copies: a separator or blank at the very end stays inside.
    for (const char* text : {"1.", "1,", "1 ", "1. ", "1 2 ", "1.2.", ".", " ", "1.2.3,"}) {
        std::string s(text);
        std::unique_ptr<char[]> exact(new char[s.size() + 1]);
        memcpy(exact.get(), s.c_str(), s.size() + 1);
        ProductVersionNumbers n;
        ParseProductVersion(exact.get(), &n);
        EXPECT_EQ(n.build, 0) << text;
    }
    ProductVersionNumbers n;
    EXPECT_EQ(ParseProductVersion("4294967295.4294967295.4294967295", &n),
              uint32_t(((0xFFFFFFFFull * 256 + 0xFFFFFFFFull) * 256 + 0xFFFFFFFFull) & 0xFFFFFFFF));
    EXPECT_EQ(ParseProductVersion(nullptr, &n), 0u);
}

} // namespace
