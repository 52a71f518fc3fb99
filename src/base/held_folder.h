// Files the installer makes, renames and deletes in folders that a standard
// user may control (a browser's plug-in folder in a user's profile, a browser
// installed outside Program Files). The installer runs elevated, so none of
// these operations may be redirected: each goes through a handle to the folder,
// which is held so that it can be neither renamed nor replaced meanwhile. The
// folder is reached from its root one folder at a time, each opened inside the
// one above: a reparse point (a mount point, a symbolic link) on the way is
// followed only when an administrator made it, and none is followed in the
// folder. Names are plain file names inside the folder.
#pragma once
#include <windows.h>

#include "base/scoped_handle.h"

// The system's code for an operation refused at a reparse point (winerror.h
// of the Windows SDK; mingw-w64's lacks it).
#ifndef ERROR_REPARSE_POINT_ENCOUNTERED
#define ERROR_REPARSE_POINT_ENCOUNTERED 4395L
#endif

struct HeldFolder {
    ScopedHandle handle;
    char path[MAX_PATH]; // the folder's full path
};

// Opens the folder and holds it until `folder` goes. The root of its path (a
// drive's, a SUBST or mapped drive's, a UNC share's) is opened by its name,
// each folder below it inside the one above. ERROR_SUCCESS, the system's
// reason why it cannot be opened, or ERROR_REPARSE_POINT_ENCOUNTERED when it
// or a folder on its path is a reparse point whose owner is not trusted
// (IsTrustedRedirectionOwner); folder.path then names that reparse point.
DWORD HoldFolder(const char* folderPath, HeldFolder& folder);

// Has the system refuse, for this process, every mount point that a standard
// user made, wherever it is met (the redirection trust mitigation of Windows
// 10 21H2 and Windows 11; nothing where the system lacks it). Called at start.
void EnforceRedirectionTrust();

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
// handle to it closes. A file with other names is left as it is
// (ERROR_ACCESS_DENIED).
DWORD DeleteHeldFile(HANDLE file);
// Opens `name` in the held folder and deletes it; ERROR_FILE_NOT_FOUND when
// there is none.
DWORD DeleteInFolder(const HeldFolder& folder, const char* name);

// The file's attributes (FILE_ATTRIBUTE_*), INVALID_FILE_ATTRIBUTES when they
// cannot be read; setting needs FILE_WRITE_ATTRIBUTES access, and is refused
// for a file with other names.
DWORD AttributesOf(HANDLE file);
bool SetAttributesOf(HANDLE file, DWORD attributes);
// True when the open file has other names than the one it was opened by
// (hard links, which may lie anywhere on its volume), or that cannot be told
// (HasOtherNames): its attributes are every name's, so they are not changed,
// and it is neither replaced nor deleted.
bool FileHasOtherNames(HANDLE file);

// One entry of a held folder: its name in the ANSI code page, whichever it is
// (names that do not convert back to themselves are passed over) and when it last changed (a rename
// counts), for telling the newest of several.
struct FolderEntry {
    const char* name;
    DWORD attributes;
    LONGLONG changeTime;
};
// Calls visit for every entry of the held folder but "." and "..".
DWORD ForEachEntry(const HeldFolder& folder, void (*visit)(const FolderEntry&, void*),
                   void* context);
