#include <gtest/gtest.h>

#include <string>

#include "logon/active_setup_rules.h"
#include "user/user_rules.h"

namespace {

std::string Text(const ComponentStamp& stamp) {
    char text[32];
    StampText(stamp, text, sizeof text);
    return text;
}

ComponentStamp Stamp(const char* text) {
    ComponentStamp stamp = {{9, 9, 9, 9}};
    EXPECT_TRUE(ParseStamp(text, &stamp)) << text;
    return stamp;
}

TEST(ActiveSetup, StampsReadAndWrittenAsExplorerComparesThem) {
    EXPECT_EQ(Text(Stamp("1,20,0,7")), "1,20,0,7");
    EXPECT_EQ(Text(Stamp("1,20")), "1,20,0,0");
    EXPECT_EQ(Text(Stamp("65535,0,0,1")), "65535,0,0,1");
    ComponentStamp stamp;
    for (const char* text : {"", "1.20.0.0", "1,,0", "1,20,0,0,0", "1,20,", "65536", "-1", " 1"})
        EXPECT_FALSE(ParseStamp(text, &stamp)) << text;
    EXPECT_LT(CompareStamps(Stamp("1,20,0,9"), Stamp("1,20,1,0")), 0);
    EXPECT_GT(CompareStamps(Stamp("2"), Stamp("1,65535,65535,65535")), 0);
    char small[8];
    StampText(Stamp("1,20,0,0"), small, sizeof small);
    EXPECT_STREQ(small, "") << "does not fit";
}

TEST(ActiveSetup, InstallationsKeepOrSupersedeAndRemovalsAlwaysRunAgain) {
    EXPECT_EQ(Text(FirstStamp()), "1,20,0,0");
    EXPECT_EQ(Text(InstallStamp(false, {}, OtherCommand)), "1,20,0,0");
    // Over a current installation the stamp stays: nobody's logon runs again.
    EXPECT_EQ(Text(InstallStamp(true, Stamp("1,20,0,4"), LogonCommand)), "1,20,0,4");
    EXPECT_EQ(Text(InstallStamp(true, Stamp("1,19,0,4"), LogonCommand)), "1,20,0,0");
    EXPECT_EQ(Text(InstallStamp(true, Stamp("2,0,0,0"), LogonCommand)), "2,0,0,0");
    // Over a pending removal, or anything else, a stamp above it.
    EXPECT_EQ(Text(InstallStamp(true, Stamp("1,20,0,1"), RemoveCommand)), "1,20,0,2");
    EXPECT_EQ(Text(InstallStamp(true, Stamp("1,20,0,65535"), RemoveCommand)), "1,20,1,0");
    EXPECT_EQ(Text(InstallStamp(true, Stamp("1,2,0,0"), OtherCommand)), "1,20,0,0");
    EXPECT_EQ(Text(RemovalStamp(true, Stamp("1,20,0,2"))), "1,20,0,3");
    EXPECT_EQ(Text(RemovalStamp(false, {})), "1,20,0,1");
    EXPECT_EQ(Text(RemovalStamp(true, Stamp("65535,65535,65535,65535"))),
              "65535,65535,65535,65535");
}

TEST(ActiveSetup, TheCommandsSwitch) {
    EXPECT_EQ(CommandOf("\"C:\\Program Files\\Scorewave\\ScorewaveUser.exe\" /logon"),
              LogonCommand);
    EXPECT_EQ(CommandOf("\"C:\\x\\ScorewaveUser.exe\"\t/REMOVE"), RemoveCommand);
    for (const char* line :
         {"user.exe", "user.exe /logons", "user.exe x/remove", "", (const char*)nullptr})
        EXPECT_EQ(CommandOf(line), OtherCommand) << (line ? line : "null");
}

// Shift-JIS: 0x81 to 0x9F lead a pair, whose second byte may be a backslash.
bool ShiftJisLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0x9F;
}

TEST(UserPlaces, OnlyInsideTheProfileAndOnlyTheInstallersNames) {
    const char profile[] = "C:\\Users\\Ann";
    EXPECT_TRUE(IsInsideFolder("c:\\users\\ANN\\AppData\\x.dll", profile, NoLeadBytes));
    EXPECT_TRUE(IsInsideFolder("C:\\x", "C:\\", NoLeadBytes));
    for (const char* path : {"C:\\Users\\Anna\\x.dll", "C:\\Users\\Ann", "C:\\Users\\Ann\\",
                             "C:\\Users\\An", "D:\\Users\\Ann\\x", ""})
        EXPECT_FALSE(IsInsideFolder(path, profile, NoLeadBytes)) << path;
    EXPECT_FALSE(IsInsideFolder("C:\\x", "", NoLeadBytes));
    // A trail byte compared whole, never folded: \x81\x61 is not \x81\x41.
    EXPECT_TRUE(IsInsideFolder("C:\\\x81\x5C\\x", "C:\\\x81\x5C", ShiftJisLead));
    EXPECT_FALSE(IsInsideFolder("C:\\\x81\x61\\x", "C:\\\x81\x41", ShiftJisLead));

    EXPECT_TRUE(IsUserPluginPath("C:\\Users\\Ann\\Opera\\NPSCOREW64.DLL", profile, NoLeadBytes));
    EXPECT_TRUE(IsUserMadeFolder("C:\\Users\\Ann\\Chrome\\plugins", profile, NoLeadBytes));
    for (const char* path : {"C:\\Users\\Ann\\Opera\\version.dll", "C:\\Windows\\npscorew64.dll",
                             "C:\\Users\\Ann\\Plugins\\", "C:\\Users\\Ann\\Chrome\\Plugins"})
        EXPECT_FALSE(IsUserPluginPath(path, profile, NoLeadBytes)) << path;
    EXPECT_FALSE(IsUserMadeFolder("C:\\Program Files\\Chrome\\Plugins", profile, NoLeadBytes));
    EXPECT_FALSE(IsUserMadeFolder("C:\\Users\\Ann\\AppData", profile, NoLeadBytes));
}

} // namespace
