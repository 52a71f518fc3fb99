// Each user's own browsers: the per-user program, ScorewaveUser.exe, and the
// plug-in copy it writes from, both in the product's folder of Program Files
// (no standard user can change them), and the Active Setup component through
// which Explorer runs the program once per version at each user's logon:
// HKLM\SOFTWARE\Microsoft\Active Setup\Installed Components\Scorewave.Viewer,
// 64-bit view. The installer writes it, the remover turns it into a removal.
#pragma once
#include <windows.h>

#include "logon/active_setup_rules.h"

// The record's bit: an installation wrote the component.
const DWORD CreatedUserComponent = 0x2000;

extern const char UserProgramFileName[];

// The path of a file of that name in the product's folder of the 64-bit
// Program Files folder (MAX_PATH bytes); false when it cannot be had.
bool ProductFilePath(const char* name, char* path);
// Deletes a file of the product's folder through the folder held open;
// ERROR_SUCCESS also when there is none.
DWORD DeleteProductFile(const char* name);

struct UserComponent {
    bool present; // the key holds a Version that reads as a stamp
    ComponentStamp stamp;
    ComponentCommand command; // of its StubPath
};
UserComponent ReadUserComponent();
// Writes the component, its command the per-user program with `switchText`,
// which goes to command (of commandSize bytes); true when it was written,
// false with the failure logged (message 12).
bool WriteUserComponent(const ComponentStamp& stamp, const char* switchText, char* command,
                        int commandSize);
void DeleteUserComponent();
// Deletes the stamp Explorer left for the component in the current user's
// HKEY_CURRENT_USER, so that it runs the component again at the next logon.
void ClearUserStamp();
