#include <gtest/gtest.h>

#include <string>

#include "app/switch_rules.h"

namespace {

struct SwitchCase {
    const char* line;
    bool silent;
    bool skipLicense;
};

TEST(Switches, FourCharactersAfterEverySlashIgnoringCase) {
    const SwitchCase cases[] = {
        {"\"C:\\Setup\\ScorewaveSetup.exe\" /noui", true, false},
        {"ScorewaveSetup.exe /NOUI", true, false},
        {"ScorewaveSetup.exe /nouiquick", true, false},
        {"ScorewaveSetup.exe /NoEu", false, true},
        {"ScorewaveSetup.exe /noui /noeu", true, true},
        {"ScorewaveSetup.exe /noeu /noui", true, true},
        {"ScorewaveSetup.exe /noui /x", true, false},
        {"ScorewaveSetup.exe /no", false, false},
        {"ScorewaveSetup.exe /no ui", false, false},
        {"ScorewaveSetup.exe -noui noui", false, false},
        {"ScorewaveSetup.exe", false, false},
        {"", false, false},
        // A slash inside the program's own path starts a candidate too.
        {"C:/Tools/nouiStuff/ScorewaveSetup.exe", true, false},
        {"C:/Tools/other/ScorewaveSetup.exe", false, false},
        {"x //noui", true, false},
        {"x /nou", false, false},
        {"x /", false, false},
    };
    for (const SwitchCase& c : cases) {
        Switches s = ScanSwitches(c.line);
        EXPECT_EQ(s.silent, c.silent) << c.line;
        EXPECT_EQ(s.skipLicense, c.skipLicense) << c.line;
    }
}

TEST(Switches, NullAndHugeLinesAreSafe) {
    Switches none = ScanSwitches(nullptr);
    EXPECT_FALSE(none.silent);
    EXPECT_FALSE(none.skipLicense);

    std::string slashes(1 << 20, '/');
    Switches many = ScanSwitches(slashes.c_str());
    EXPECT_FALSE(many.silent);

    std::string tail = std::string(100000, 'a') + "/nOeU";
    EXPECT_TRUE(ScanSwitches(tail.c_str()).skipLicense);

    // A line ending right after a partial switch name must not be read past.
    std::string partial = "x /no";
    Switches p = ScanSwitches(partial.c_str());
    EXPECT_FALSE(p.silent || p.skipLicense);
}

} // namespace
