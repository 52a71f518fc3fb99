// What an installation places besides the plug-ins, so that it can be taken
// off the machine again: the remover, ScorewaveRemove.exe in the Scorewave
// folder of Program Files, the Programs and Features entry and the record.
#pragma once
#include "base/held_folder.h"
#include "replace/replace.h"

enum OwnFilePlacement { OwnFileWritten, OwnFileKept, OwnFileFailed };

// Places a file the installer carries for itself (the remover) as `name` in
// its own folder, held: written whole under a temporary name, then renamed
// into place, the previous file parked meanwhile. Nothing is asked and no box
// is shown. The same file stays, and so does a more recent version of it (by
// their version resources), with a log line; in a folder that was reset
// (trustThere false) nothing there is kept. A failure is logged; the bytes
// written count in PlacedBytes.
OwnFilePlacement PlaceOwnFile(PayloadItem& item, const HeldFolder& folder, const char* name,
                              bool trustThere);

// Before the scans: the files an earlier removal had to leave, deleted now
// when they can be; the remover, written whole into the Scorewave folder
// without a question or a box (a more recent one there stays); then the entry
// that names it. Failures are logged and never end the run.
void PlaceRemoverAndEntry();
// After the installation: the entry's size, and the log lines of what stays;
// when nothing was installed on a machine without an earlier installation,
// the remover, its folder and the entry go again.
void FinishPlacement(bool installed);
