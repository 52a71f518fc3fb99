// The install-target list's rule: append, blank exact duplicates, never more
// than 20 records, never a cut path.
#include <gtest/gtest.h>

#include <string>

#include "discovery/target_rules.h"

namespace {

InstallTargetList EmptyList() {
    InstallTargetList list;
    memset(&list, 0x5A, sizeof list); // garbage beyond the count must not matter
    list.count = 0;
    return list;
}

TEST(TargetList, ExactDuplicatesAreBlankedButKeepTheirNames) {
    InstallTargetList list = EmptyList();
    EXPECT_TRUE(AddInstallTargetTo(list, "Firefox", "C:\\F\\Plugins\\npscorew64.dll"));
    EXPECT_TRUE(AddInstallTargetTo(list, "Firefox 32", "C:\\F\\Plugins\\npscorew64.dll"));
    EXPECT_TRUE(AddInstallTargetTo(list, "Other case", "c:\\f\\plugins\\npscorew64.dll"));
    EXPECT_TRUE(AddInstallTargetTo(list, "Doubled", "C:\\F\\Plugins\\\\npscorew64.dll"));
    EXPECT_TRUE(AddInstallTargetTo(list, "Third", "C:\\F\\Plugins\\npscorew64.dll"));
    ASSERT_EQ(list.count, 5);
    EXPECT_STREQ(list.records[0].pluginPath, "C:\\F\\Plugins\\npscorew64.dll");
    EXPECT_STREQ(list.records[1].name, "Firefox 32");
    EXPECT_STREQ(list.records[1].pluginPath, "");
    // No case folding, no normalisation: these are targets of their own.
    EXPECT_STREQ(list.records[2].pluginPath, "c:\\f\\plugins\\npscorew64.dll");
    EXPECT_STREQ(list.records[3].pluginPath, "C:\\F\\Plugins\\\\npscorew64.dll");
    EXPECT_STREQ(list.records[4].name, "Third");
    EXPECT_STREQ(list.records[4].pluginPath, "");
}

TEST(TargetList, TheTwentyFirstTargetIsDroppedAndNothingIsWrittenBeyond) {
    struct {
        InstallTargetList list;
        char guard[64];
    } guarded;
    memset(&guarded, 0x5A, sizeof guarded);
    guarded.list.count = 0;
    for (int i = 0; i < MaxInstallTargets + 5; ++i) {
        std::string path = "C:\\P" + std::to_string(i) + "\\npscorew64.dll";
        EXPECT_EQ(AddInstallTargetTo(guarded.list, ("Product " + std::to_string(i)).c_str(),
                                     path.c_str()),
                  i < MaxInstallTargets)
            << i;
    }
    EXPECT_EQ(guarded.list.count, MaxInstallTargets);
    EXPECT_STREQ(guarded.list.records[19].name, "Product 19");
    for (char c : guarded.guard)
        ASSERT_EQ(c, 0x5A);
}

TEST(TargetList, PathsAndNamesAtTheRecordLimits) {
    InstallTargetList list = EmptyList();
    std::string longest(PluginPathSize - 1, 'p'); // 260 characters: fits
    std::string tooLong(PluginPathSize, 'p');     // 261: would be cut, so refused
    std::string longName(150, 'n');
    EXPECT_TRUE(AddInstallTargetTo(list, longName.c_str(), longest.c_str()));
    EXPECT_FALSE(AddInstallTargetTo(list, "too long", tooLong.c_str()));
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(std::string(list.records[0].pluginPath), longest);
    EXPECT_EQ(std::string(list.records[0].name), std::string(TargetNameSize - 1, 'n'));
    // A missing name or path counts as empty; two empty paths are duplicates.
    EXPECT_TRUE(AddInstallTargetTo(list, nullptr, nullptr));
    EXPECT_TRUE(AddInstallTargetTo(list, "again", ""));
    EXPECT_STREQ(list.records[1].name, "");
    EXPECT_STREQ(list.records[2].pluginPath, "");
}

} // namespace
