#include <gtest/gtest.h>

#include "base/admin_folder_rules.h"

namespace {

const char Own[] = "S-1-5-21-1-2-3-1001";
const unsigned FullControl = 0x1F01FF, ReadAndExecute = 0x1200A9;

TEST(AdminFolder, TrustedAccounts) {
    for (const char* sid : {"S-1-5-18", "S-1-5-32-544", "S-1-3-0", Own,
                            "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
        EXPECT_TRUE(IsTrustedSidText(sid, Own)) << sid;
    for (const char* sid : {"S-1-5-32-545", "S-1-1-0", "S-1-5-11", "S-1-3-1", "S-1-5-18-1", ""})
        EXPECT_FALSE(IsTrustedSidText(sid, Own)) << sid;
    EXPECT_FALSE(IsTrustedSidText(Own, nullptr));
    EXPECT_FALSE(IsTrustedSidText(nullptr, Own));
}

TEST(AdminFolder, OnlyAdministratorsMayChangeIt) {
    // The log folder's own list: full control for the trusted, reading for users.
    AccessEntry list[] = {{AllowedEntry, FullControl, true},
                          {AllowedEntry, ReadAndExecute, false},
                          {DeniedEntry, FullControl, false}};
    EXPECT_TRUE(OnlyAdminsCanChange(true, true, list, 3));
    EXPECT_FALSE(OnlyAdminsCanChange(false, true, list, 3)) << "a foreign owner";
    EXPECT_FALSE(OnlyAdminsCanChange(true, false, nullptr, 0)) << "no list: everyone";
    // Any one right to change it, or what it holds, for anyone else.
    for (unsigned right : {0x2u, 0x4u, 0x10u, 0x40u, 0x100u, 0x10000u, 0x40000u, 0x80000u,
                           0x40000000u, 0x10000000u}) {
        list[1].mask = ReadAndExecute | right;
        EXPECT_FALSE(OnlyAdminsCanChange(true, true, list, 3)) << std::hex << right;
    }
    list[1] = {9, ReadAndExecute, false}; // an entry of another kind
    EXPECT_FALSE(OnlyAdminsCanChange(true, true, list, 3));
    list[1] = {AllowedEntry, 0x80000000u | 0x20000000u, false}; // generic read and execute
    EXPECT_TRUE(OnlyAdminsCanChange(true, true, list, 3));
}

} // namespace
