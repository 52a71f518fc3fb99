#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/record_rules.h"
#include "replace/replace_rules.h"
#include "remove/remove_rules.h"

namespace {

// The longest path a text of the record holds.
const size_t MaxText = 260;

std::string List(std::initializer_list<const char*> texts) {
    std::string list;
    for (const char* text : texts)
        list += std::string(text) + '\0';
    return list + '\0';
}

TEST(Record, ListsGrowWithoutRepeatsAndShrink) {
    char buffer[64] = "";
    size_t size = 0;
    ASSERT_TRUE(MultiStringAppend(buffer, sizeof buffer, 0, "C:\\a\\np.dll", &size));
    ASSERT_TRUE(MultiStringAppend(buffer, sizeof buffer, size, "C:\\b\\np.dll", &size));
    EXPECT_EQ(std::string(buffer, size), List({"C:\\a\\np.dll", "C:\\b\\np.dll"}));
    EXPECT_TRUE(MultiStringHolds(buffer, size, "c:\\B\\NP.DLL"));
    EXPECT_FALSE(MultiStringHolds(buffer, size, "C:\\b"));
    EXPECT_FALSE(MultiStringAppend(buffer, 30, size, "C:\\c\\np.dll", &size)) << "does not fit";
    size = MultiStringRemove(buffer, size, "C:\\A\\np.dll");
    EXPECT_EQ(std::string(buffer, size), List({"C:\\b\\np.dll"}));
    // A stored list without its closing zeros is read no further than it goes.
    const char unclosed[] = {'C', ':', '\\', 'x'};
    EXPECT_FALSE(MultiStringHolds(unclosed, sizeof unclosed, "C:\\x"));
}

TEST(Record, AListTheInstallerFillsToItsLimitIsReadWhole) {
    static char written[RecordListLimit], read[RecordListBufferSize];
    size_t size = 0;
    std::string last;
    for (int i = 0;; ++i) {
        std::string path = "C:\\p\\" + std::to_string(i) + std::string(i % 7 * 9, 'x');
        if (!MultiStringAppend(written, sizeof written, size, path.c_str(), &size)) break;
        last = path;
    }
    EXPECT_GT(size, RecordListLimit - MaxText);
    memcpy(read, written, size);
    EXPECT_EQ(CloseReadList(read, size), size + 2);
    EXPECT_TRUE(MultiStringHolds(read, size, last.c_str()));
    // Stored without its zeros, at the limit: closed within the buffer.
    memset(read, 'x', RecordListLimit);
    EXPECT_EQ(CloseReadList(read, RecordListLimit), RecordListBufferSize);
    EXPECT_EQ(read[RecordListLimit + 1], '\0');
}

TEST(Record, KeptFilesCarryTheirIdentity) {
    char text[64];
    KeptFile kept = {0x1A2B3C4D, 0x12AB0000CD34ull, "C:\\a\\b.old"}, read;
    ASSERT_TRUE(KeptFileText(kept, text, sizeof text));
    EXPECT_STREQ(text, "1A2B3C4D:000012AB0000CD34:C:\\a\\b.old");
    ASSERT_TRUE(ParseKeptFileText(text, &read));
    EXPECT_EQ(read.volume, kept.volume);
    EXPECT_EQ(read.index, kept.index);
    EXPECT_STREQ(read.path, kept.path);
    EXPECT_FALSE(KeptFileText(kept, text, 35)) << "does not fit";
    for (const char* other :
         {"C:\\a\\b.old", "1A2B3C4D:000012AB0000CD34:", "1A2B3C4:000012AB0000CD34:C:",
          "1A2B3C4D-000012AB0000CD34:C:", "1A2B3C4D:000012AB0000CD3G:C:"})
        EXPECT_FALSE(ParseKeptFileText(other, &read)) << other;
}

TEST(Record, OnlyTheInstallersOwnNamesAreEverRemoved) {
    for (const char* name :
         {"npscorew64.dll", "NPSCOREW64.OLD", "npscorew64.1A2B.old", "~scw0F0F.tmp"})
        EXPECT_TRUE(IsRemovableBesidePlugin(name)) << name;
    for (const char* name : {"version.dll", "npscorew.dll", "npscorew64.dll.bak", "kept.txt", ""})
        EXPECT_FALSE(IsRemovableBesidePlugin(name)) << name;
    EXPECT_TRUE(IsRemovableFolderName("plugins"));
    EXPECT_TRUE(IsRemovableFolderName("Scorewave"));
    EXPECT_FALSE(IsRemovableFolderName("Windows"));
}

TEST(Record, EntryTexts) {
    char text[16];
    DisplayVersionText(1, 20, 0, text, sizeof text);
    EXPECT_STREQ(text, "1.20.0");
    InstallDateText(2026, 12, 8, text, sizeof text);
    EXPECT_STREQ(text, "20261208");
    InstallDateText(2026, 12, 8, text, 5);
    EXPECT_STREQ(text, "2026");
}

TEST(Remover, QuietSwitchAndExitCodes) {
    EXPECT_TRUE(HasQuietSwitch("\"C:\\Program Files\\Scorewave\\ScorewaveRemove.exe\" /quiet"));
    EXPECT_TRUE(HasQuietSwitch("remove.exe /QUIET /x"));
    for (const char* line :
         {"remove.exe", "remove.exe /quietly", "remove.exe x/quiet", (const char*)nullptr})
        EXPECT_FALSE(HasQuietSwitch(line)) << (line ? line : "null");
    EXPECT_EQ(RemovalExitCode({true, 3, 0, 0}), 0u);
    EXPECT_EQ(RemovalExitCode({true, 3, 1, 0}), 3010u);
    EXPECT_EQ(RemovalExitCode({true, 3, 1, 1}), 1u);
    EXPECT_EQ(RemovalExitCode({false, 0, 0, 0}), 1u);
}

} // namespace
