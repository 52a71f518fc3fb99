// The browsers recognised by the class names of their windows.
#pragma once

struct BrowserRow {
    const char* displayName;
    const char* windowClass; // compared exactly, case counting
};

const int BrowserRowCount = 10;
// Rows whose classes the closing strategies look for as well.
const int SafariRow = 5;
const int NetscapeRow = 7;
// Rows before this one stay in the table but are never counted nor listed.
const int FirstCountedRow = 4;

extern const BrowserRow BrowserWindowTable[BrowserRowCount];

// The counted rows seen so far during one walk over the windows.
struct BrowserSightings {
    bool seen[BrowserRowCount];
    int unseen; // counted rows not seen yet
};

void ClearSightings(BrowserSightings& sightings);
// Marks every counted row whose class is className; true once all have been seen,
// so a walk may stop there.
bool NoteWindowClass(BrowserSightings& sightings, const char* className);
