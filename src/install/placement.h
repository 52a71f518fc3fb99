// What an installation places besides the plug-ins, so that it can be taken
// off the machine again: the remover, ScorewaveRemove.exe in the Scorewave
// folder of Program Files, the Programs and Features entry and the record.
#pragma once

// Before the scans: the files an earlier removal had to leave, deleted now
// when they can be; the remover, written whole into the Scorewave folder
// without a question or a box (a more recent one there stays); then the entry
// that names it. Failures are logged and never end the run.
void PlaceRemoverAndEntry();
// After the installation: the entry's size, and the log lines of what stays;
// when nothing was installed on a machine without an earlier installation,
// the remover, its folder and the entry go again.
void FinishPlacement(bool installed);
