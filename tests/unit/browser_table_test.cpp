#include "browsers/browser_table_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The display names of the rows counted after the given classes were seen.
std::vector<std::string> Listed(const std::vector<const char*>& classes) {
    BrowserSightings sightings;
    ClearSightings(sightings);
    for (const char* name : classes)
        NoteWindowClass(sightings, name);
    std::vector<std::string> names;
    for (int row = FirstCountedRow; row < BrowserRowCount; ++row)
        if (sightings.seen[row]) names.push_back(BrowserWindowTable[row].displayName);
    return names;
}

TEST(BrowserTable, RowsBeforeTheFifthAreNeverCounted) {
    EXPECT_TRUE(Listed({}).empty());
    EXPECT_TRUE(
        Listed({"MSN6 Window", "IEFrame", "Maxthon2_Frame", "Yahoo! BrMain class"}).empty());
    EXPECT_TRUE(Listed({"#32770", "Edit", ""}).empty());
}

TEST(BrowserTable, ClassesCompareExactly) {
    EXPECT_TRUE(
        Listed({"mozillawindowclass", "MozillaWindowClass ", "OpWindow2", "OpWindo"}).empty());
    EXPECT_TRUE(Listed({"{1C03B488-D53B-4A81-97F8-754559640193}"}).empty());
    EXPECT_EQ(Listed({"{1C03B488-D53B-4a81-97F8-754559640193}"}),
              std::vector<std::string>{"Apple Safari"});
}

TEST(BrowserTable, EachRowCountsOnceInTableOrder) {
    EXPECT_EQ(Listed({"MozillaWindowClass", "MozillaWindowClass"}),
              std::vector<std::string>{"Mozilla Firefox"});
    EXPECT_EQ(Listed({"Chrome_WidgetWin_0", "Chrome_XPFrame", "Chrome_WidgetWin_0"}),
              (std::vector<std::string>{"Google Chrome", "Google Chrome"}));
    EXPECT_EQ(Listed({"Chrome_WidgetWin_0", "NS_AE_WindowClass", "OpWindow",
                      "{1C03B488-D53B-4a81-97F8-754559640193}", "IEFrame", "MozillaWindowClass"}),
              (std::vector<std::string>{"Mozilla Firefox", "Apple Safari", "Opera", "Netscape",
                                        "Google Chrome"}));
}

TEST(BrowserTable, NoteWindowClassTellsWhenEveryRowIsSeen) {
    BrowserSightings sightings;
    ClearSightings(sightings);
    const char* counted[] = {"Chrome_WidgetWin_0", "Chrome_XPFrame", "NS_AE_WindowClass",
                             "OpWindow", "{1C03B488-D53B-4a81-97F8-754559640193}"};
    for (const char* name : counted) {
        EXPECT_FALSE(NoteWindowClass(sightings, name));
        EXPECT_FALSE(NoteWindowClass(sightings, name)); // a second sighting changes nothing
    }
    EXPECT_FALSE(NoteWindowClass(sightings, "IEFrame"));
    EXPECT_TRUE(NoteWindowClass(sightings, "MozillaWindowClass"));
    EXPECT_EQ(sightings.unseen, 0);
}

} // namespace
