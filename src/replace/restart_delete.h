// Files of this product that a running program holds, and that therefore go
// later. Windows deletes a file at restart by the path it was given, after
// this program has ended; a path through a folder a standard user controls
// could lead elsewhere by then. So the file is first moved, through its own
// handle, into a folder of its volume that only the administrators can change
// (as Windows Installer's Config.Msi), and that path is registered. Where no
// such folder can be had, the file stays where it is and the record keeps it,
// with its identity, for the next removal or installation, which delete it
// through a handle while it is still the very same file.
#pragma once
#include <windows.h>

#include "base/held_folder.h"

enum FileDeletion {
    DeletedNow,
    DeletedAtRestart, // moved into the volume's folder; goes when Windows restarts
    KeptForLater,     // stays where it is (or in that folder), kept in the record
    NotKept,          // neither could be done
};

// Deletes the held file (open with DELETE access) `name` of the held folder;
// one that cannot be deleted now, as a running program holds it, goes later.
// error (may be null) gets why it could not be deleted now.
FileDeletion DeleteNowOrLater(const HeldFolder& folder, const char* name, HANDLE file,
                              DWORD* error);

// Walks the files earlier runs kept. One that is gone, or is no longer the
// file kept, is forgotten. One still there is forgotten and handed to act,
// open with DELETE access; act deletes it through DeleteNowOrLater, which
// may keep it again. One that cannot be opened stays kept, and `left` (may
// be null) is told its path and why. ERROR_SUCCESS, or why the kept list
// cannot be read (ReadRecordList): nothing is done then.
typedef void (*KeptFileAct)(const HeldFolder& folder, const char* name, HANDLE file);
DWORD DeleteKeptFiles(KeptFileAct act, void (*left)(const char* path, DWORD error));
