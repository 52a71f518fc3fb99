#include "browsers/browser_table_rules.h"

#include <cstring>

// The order is the order of the list the user sees.
const BrowserRow BrowserWindowTable[BrowserRowCount] = {
    {"MSN", "MSN6 Window"},
    {"Internet Explorer", "IEFrame"},
    {"Maxthon 2", "Maxthon2_Frame"},
    {"AT&T Yahoo!", "Yahoo! BrMain class"},
    {"Mozilla Firefox", "MozillaWindowClass"},
    {"Apple Safari", "{1C03B488-D53B-4a81-97F8-754559640193}"},
    {"Opera", "OpWindow"},
    {"Netscape", "NS_AE_WindowClass"},
    {"Google Chrome", "Chrome_XPFrame"},
    {"Google Chrome", "Chrome_WidgetWin_0"},
};

void ClearSightings(BrowserSightings& sightings) {
    for (bool& seen : sightings.seen)
        seen = false;
    sightings.unseen = BrowserRowCount - FirstCountedRow;
}

bool NoteWindowClass(BrowserSightings& sightings, const char* className) {
    for (int row = FirstCountedRow; row < BrowserRowCount; ++row) {
        if (sightings.seen[row] || std::strcmp(className, BrowserWindowTable[row].windowClass) != 0)
            continue;
        sightings.seen[row] = true;
        --sightings.unseen;
    }
    return sightings.unseen == 0;
}
