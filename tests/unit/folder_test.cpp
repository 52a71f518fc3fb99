#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/folder_rules.h"

namespace {

// The names the folder walk opens one inside the other, after the root.
std::vector<std::string> Walk(const char* path, LeadBytePredicate isLeadByte = NoLeadBytes) {
    std::vector<std::string> names;
    size_t at = PathRootLength(path, isLeadByte), start, length;
    while (at > 0 && NextPathName(path, &at, &start, &length, isLeadByte))
        names.push_back(std::string(path + start, length));
    return names;
}

bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(FolderPath, WalkedFromTheRootOneFolderAtATime) {
    EXPECT_EQ(Walk("C:\\Users\\ann\\Plugins\\"),
              (std::vector<std::string>{"Users", "ann", "Plugins"}));
    EXPECT_TRUE(Walk("C:\\").empty());
    EXPECT_EQ(Walk("\\\\srv\\share\\a\\b"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(PathRootLength("\\\\srv\\share", NoLeadBytes), 11u);
    // A trail byte 0x5C is no backslash.
    EXPECT_EQ(Walk("C:\\\x95\\a\\b", ShiftJisLead), (std::vector<std::string>{"\x95\\a", "b"}));
    // Not a full path: no root to start from.
    for (const char* path : {"Plugins", "C:Plugins", "\\Plugins", "\\\\srv", ""})
        EXPECT_EQ(PathRootLength(path, NoLeadBytes), 0u) << path;
}

TEST(FolderPath, OnlyReparsePointsOfAdministratorsSystemOrTrustedInstallerAreFollowed) {
    for (const char* owner : {"S-1-5-32-544", "S-1-5-18",
                              "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
        EXPECT_TRUE(IsTrustedRedirectionOwner(owner)) << owner;
    for (const char* owner :
         {"S-1-5-21-1004336348-1177238915-682003330-1001", "S-1-5-32-545", "S-1-5-32-5440",
          "S-1-5-32-54", "S-1-5-18-1", "S-1-5-19", "S-1-5-80-956008885", "S-1-1-0", ""})
        EXPECT_FALSE(IsTrustedRedirectionOwner(owner)) << owner;
    EXPECT_FALSE(IsTrustedRedirectionOwner(nullptr));
}

TEST(FolderPath, FilesWithOtherNamesAreNotChanged) {
    EXPECT_FALSE(HasOtherNames(true, 1, false));
    EXPECT_TRUE(HasOtherNames(true, 2, false));
    EXPECT_TRUE(HasOtherNames(false, 1, false));
    // A folder counts its subfolders' ".." on some systems; it has no hard links.
    EXPECT_FALSE(HasOtherNames(true, 5, true));
}

TEST(FolderPath, NamesStayInTheirFolder) {
    for (const char* name : {"npscorew64.dll", "~scw1A2B.tmp", "Plugins", "a b.old"})
        EXPECT_TRUE(IsPlainName(name, NoLeadBytes)) << name;
    for (const char* name : {"", ".", "..", "..\\x.dll", "a/b", "C:x", "x.dll:stream", "*.tmp"})
        EXPECT_FALSE(IsPlainName(name, NoLeadBytes)) << name;
    // Double-byte characters whose trail byte is a backslash or a bar.
    EXPECT_TRUE(IsPlainName("\x95\\\x83|.dll", ShiftJisLead));
    EXPECT_FALSE(IsPlainName("\x95\\\x83|.dll", NoLeadBytes));
    EXPECT_FALSE(IsPlainName("\x95\\\\x.dll", ShiftJisLead));

    char folder[16];
    const char* name = nullptr;
    ASSERT_TRUE(SplitFilePath("C:\\p\\a.dll", folder, sizeof folder, &name, NoLeadBytes));
    EXPECT_STREQ(folder, "C:\\p");
    EXPECT_STREQ(name, "a.dll");
    ASSERT_TRUE(SplitFilePath("C:\\a.dll", folder, sizeof folder, &name, NoLeadBytes));
    EXPECT_STREQ(folder, "C:\\");
    EXPECT_FALSE(SplitFilePath("C:\\p\\", folder, sizeof folder, &name, NoLeadBytes));
    EXPECT_FALSE(SplitFilePath("a.dll", folder, sizeof folder, &name, NoLeadBytes));
    EXPECT_FALSE(
        SplitFilePath("C:\\folder-too-long\\a.dll", folder, sizeof folder, &name, NoLeadBytes));
}

} // namespace
