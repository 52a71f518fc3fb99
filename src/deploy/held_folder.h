// Files the installer makes, renames and deletes in folders that a standard
// user may control (a browser's plug-in folder in a user's profile, a browser
// installed outside Program Files). The installer runs elevated, so none of
// these operations may be redirected: each goes through a handle to the folder,
// which is held so that it can be neither renamed nor replaced meanwhile, and
// no reparse point (a mount point or a symbolic link) is ever followed, on the
// folder's path or in it. Names are plain file names inside the folder.
#pragma once
#include <windows.h>

#include "process/scoped_handle.h"

// The system's code for an operation refused at a reparse point (winerror.h
// of the Windows SDK; mingw-w64's lacks it).
#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

struct HeldFolder {
    ScopedHandle handle;
    char path[MAX_PATH]; // the folder's full path
};

// Opens the folder and holds it until `folder` goes. ERROR_SUCCESS, the
// system's reason why it cannot be opened, or ERROR_REPARSE_POINT_ENCOUNTERED
// when it or a folder on its path is a reparse point, or its handle leads
// somewhere else than its path says.
DWORD HoldFolder(const char* folderPath, HeldFolder& folder);

enum OpenDisposition {
    OpenExisting,
    CreateNew,
    OpenOrCreate,
    ReplaceOrCreate, // an existing file's bytes go
};
// Opens (or creates) the file `name` in the held folder, never following a
// reparse point; one found there is refused with ERROR_REPARSE_POINT_ENCOUNTERED.
// Synchronous handle; SYNCHRONIZE is added to access.
DWORD OpenInFolder(const HeldFolder& folder, const char* name, ACCESS_MASK access, DWORD share,
                   OpenDisposition disposition, ScopedHandle& file);
// The same for a folder in the held folder; one it makes gets `security`
// (null: what it inherits).
DWORD OpenFolderIn(const HeldFolder& folder, const char* name, ACCESS_MASK access,
                   OpenDisposition disposition, ScopedHandle& subfolder,
                   PSECURITY_DESCRIPTOR security = nullptr);

// Makes the folder `name` inside the folder at parentPath, held open for it,
// so that it lands nowhere else (CreateNew: only a new one; OpenOrCreate: an
// existing one will do). A folder it makes gets `security` (null: what it
// inherits). ERROR_SUCCESS or why not.
DWORD MakeFolderIn(const char* parentPath, const char* name, OpenDisposition disposition,
                   PSECURITY_DESCRIPTOR security = nullptr);

// Deletes the folder at folderPath when it is empty, opened inside its parent
// held open. ERROR_SUCCESS or why not.
DWORD DeleteEmptyFolder(const char* folderPath);

// Gives the open file (opened with DELETE access) the name newName in the held
// folder; an existing file of that name is replaced only when told.
DWORD RenameHeldFile(HANDLE file, const HeldFolder& folder, const char* newName, bool replace);
// Marks the open file (opened with DELETE and FILE_WRITE_ATTRIBUTES access)
// for deletion, clearing its read-only mark first; it goes when the last
// handle to it closes.
DWORD DeleteHeldFile(HANDLE file);
// Opens `name` in the held folder and deletes it; ERROR_FILE_NOT_FOUND when
// there is none.
DWORD DeleteInFolder(const HeldFolder& folder, const char* name);

// The file's attributes (FILE_ATTRIBUTE_*), INVALID_FILE_ATTRIBUTES when they
// cannot be read; setting needs FILE_WRITE_ATTRIBUTES access.
DWORD AttributesOf(HANDLE file);
bool SetAttributesOf(HANDLE file, DWORD attributes);

// One entry of a held folder: its name in the ANSI code page (names that do
// not convert exactly are passed over) and when it last changed (a rename
// counts), for telling the newest of several.
struct FolderEntry {
    const char* name;
    DWORD attributes;
    LONGLONG changeTime;
};
// Calls visit for every entry of the held folder but "." and "..".
DWORD ForEachEntry(const HeldFolder& folder, void (*visit)(const FolderEntry&, void*),
                   void* context);
