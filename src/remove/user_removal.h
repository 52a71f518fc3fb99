// The users' part of a removal: each user's own copies are taken back by the
// per-user program at that user's next logon, for the remover cannot reach
// them (they are recorded in each user's HKEY_CURRENT_USER).
#pragma once
#include <windows.h>

// Turns the component an installation recorded (in `created`) into a removal:
// a Version above the present one and the per-user program's "/remove". True
// when a removal is pending: the per-user program and its folder then stay in
// Program Files until an administrator retires them. Otherwise the component,
// if any, and the per-user program go now.
bool TurnUserComponentIntoRemoval(DWORD created);
