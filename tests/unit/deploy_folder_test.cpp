#include <gtest/gtest.h>

#include <set>
#include <string>

#include "deploy/folder_rules.h"

namespace {

// The folders of the lab's machine that are reparse points; every folder the
// walk asks about is noted.
struct Machine {
    std::set<std::string> reparsePoints;
    std::vector<std::string> asked;
};

bool Probe(const char* path, void* context) {
    Machine& machine = *(Machine*)context;
    machine.asked.push_back(path);
    return machine.reparsePoints.count(path) > 0;
}

bool Refused(const char* path, std::set<std::string> reparsePoints, Machine* seen = nullptr) {
    Machine machine{std::move(reparsePoints), {}};
    bool refused = ReparsePointOnPath(path, Probe, &machine, NoLeadBytes);
    if (seen) *seen = machine;
    return refused;
}

TEST(FolderPath, AReparsePointAnywhereOnThePathIsRefused) {
    const char* plugins = "C:\\Users\\ann\\AppData\\Local\\Chrome\\Plugins";
    Machine seen;
    EXPECT_FALSE(Refused(plugins, {}, &seen));
    EXPECT_EQ(seen.asked,
              (std::vector<std::string>{"C:\\Users", "C:\\Users\\ann", "C:\\Users\\ann\\AppData",
                                        "C:\\Users\\ann\\AppData\\Local",
                                        "C:\\Users\\ann\\AppData\\Local\\Chrome", plugins}));
    EXPECT_TRUE(Refused(plugins, {"C:\\Users\\ann\\AppData"}));
    EXPECT_TRUE(Refused(plugins, {plugins}));
    EXPECT_TRUE(Refused("C:\\Program Files\\Opera\\", {"C:\\Program Files\\Opera"}));
    EXPECT_FALSE(Refused("C:\\", {}));
    EXPECT_TRUE(Refused("\\\\srv\\share\\a\\b", {"\\\\srv\\share\\a"}));
    EXPECT_FALSE(Refused("\\\\srv\\share\\a\\b", {"\\\\srv\\share"}));
    // Not a full path: nothing to walk, nothing trusted.
    for (const char* path : {"Plugins", "C:Plugins", "\\Plugins", "\\\\srv", ""})
        EXPECT_TRUE(Refused(path, {})) << path;
}

std::string Normalised(const char* path, size_t size = 64) {
    char out[64] = "#";
    return NormaliseFinalPath(path, out, size, NoLeadBytes) ? out : "<none>";
}

TEST(FolderPath, FinalPathsCompareWithTheInstallersOwn) {
    EXPECT_EQ(Normalised("\\\\?\\C:\\Program Files\\Opera"), "C:\\Program Files\\Opera");
    EXPECT_EQ(Normalised("\\\\?\\C:\\Program Files\\Opera\\"), "C:\\Program Files\\Opera");
    EXPECT_EQ(Normalised("\\\\?\\C:\\"), "C:\\");
    EXPECT_EQ(Normalised("\\\\?\\UNC\\srv\\share\\a"), "\\\\srv\\share\\a");
    EXPECT_EQ(Normalised("C:\\a\\"), "C:\\a");
    EXPECT_EQ(Normalised("\\\\?\\C:\\abc", 7), "C:\\abc");
    EXPECT_EQ(Normalised("\\\\?\\C:\\abc", 6), "<none>");
}

TEST(FolderPath, NamesStayInTheirFolder) {
    for (const char* name : {"npscorew64.dll", "~scw1A2B.tmp", "Plugins", "a b.old"})
        EXPECT_TRUE(IsPlainName(name)) << name;
    for (const char* name : {"", ".", "..", "..\\x.dll", "a/b", "C:x", "x.dll:stream", "*.tmp"})
        EXPECT_FALSE(IsPlainName(name)) << name;

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
