// The folders the installer and the remover keep for themselves: the
// Scorewave folder in Program Files, the log folder in Windows' Logs folder,
// and a folder at the root of a volume for files deleted when Windows
// restarts. Only the administrators may change them, and an existing one is
// trusted only once its owner and its access list say so, read through the
// handle that holds it.
#pragma once
#include <windows.h>

#include "base/held_folder.h"

// What is done with an existing folder that others can change.
enum ForeignFolder {
    // Given the administrators-only owner and access list (the folder alone:
    // nothing in it is trusted afterwards); refused when that fails.
    ResetForeign,
    // Refused: whoever could change it may still hold it open with the rights
    // it had, which a reset does not take back.
    RefuseForeign,
};

enum AdminFolderState {
    AdminFolderMade,    // made now
    AdminFolderTrusted, // there, and only the administrators could change it
    AdminFolderReset,   // there, and reset: what it holds is not to be trusted
};

// Holds the folder `name` of the folder at parentPath (held meanwhile) as
// `folder`, making it when missing: with the administrators-only security
// (full control for SYSTEM and the administrators, reading for users) when
// `secure`, else with what it inherits. ERROR_SUCCESS and the state, the
// system's reason, or ERROR_INVALID_OWNER for a foreign folder refused.
DWORD HoldAdminFolder(const char* parentPath, const char* name, bool secure, ForeignFolder foreign,
                      HeldFolder& folder, AdminFolderState* state = nullptr);
