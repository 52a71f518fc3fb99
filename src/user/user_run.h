// ScorewaveUser.exe, the per-user program. Explorer runs it (Active Setup) at
// each user's logon, as that user and without elevation, before the desktop
// appears: it shows no window and no box, and every question takes its
// unattended answer. It writes only the places that belong to the user (inside
// the user's profile folder), only from the plug-in copy of the machine's
// installation in Program Files, and keeps its record in the user's own
// HKEY_CURRENT_USER and its log in %LOCALAPPDATA%\Scorewave\ScorewaveUser.log.
#pragma once

// Exit codes (Explorer reads none; they tell a test or an administrator).
const unsigned ExitDone = 0;
const unsigned ExitNotDone = 1; // something failed or waits for the next logon

// "/logon": writes the plug-in into the user's own places that lack it.
unsigned FillUserPlaces();
// "/remove": takes back what the user's record names, then the record and
// the log.
unsigned TakeBackUserCopies();

// Shared by both runs.
// Starts the run's log, a new file each run, through held folders; false
// (and no log) when it cannot be had. Also reads the user's profile folder.
bool StartUserRun();
// True when the path lies inside the user's profile folder.
bool InUserProfile(const char* path);
// The full path as it is compared with the profile (out, MAX_PATH bytes): as
// it is when it lies inside, else with its folder in its long form, so that a
// path recorded in short (8.3) names is known again; false when it has none.
bool ProfileForm(const char* path, char* out);
const char* UserProfile();
// A file in use goes, or is written, at the next logon: Explorer is made to
// run the program again then.
void TryAgainAtNextLogon();
// The removal's last step: the log goes, and its folder when it is empty.
void DeleteUserLog();
