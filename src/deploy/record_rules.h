// Plain-value decisions about the record of what installations did: lists of
// paths kept as REG_MULTI_SZ texts (each text ended by a zero, the list by
// one more), and the names the remover may ever delete.
#pragma once
#include <cstddef>

// The product's own folder: the remover's in Program Files, the logs' in
// Windows' Logs folder.
inline constexpr char ProductFolderName[] = "Scorewave";
// The remover's switch for a removal without a window or a box, as the
// entry's QuietUninstallString gives it.
inline constexpr char QuietSwitch[] = "/quiet";

// True when the list holds text, compared without regard to ASCII case.
bool MultiStringHolds(const char* list, size_t listSize, const char* text);
// Appends text to the list held in buffer (listSize bytes used, a lone zero
// or nothing for an empty list); the new size of the list comes out. False,
// buffer unchanged, when it does not fit bufferSize or text is empty.
bool MultiStringAppend(char* buffer, size_t bufferSize, size_t listSize, const char* text,
                       size_t* newSize);
// Removes text from the list in place; the new size of the list.
size_t MultiStringRemove(char* list, size_t listSize, const char* text);

// The file names the remover deletes in a recorded plug-in folder: the
// plug-in's own name, its parked names ("npscorew64.old", "npscorew64.1A2B.old")
// and the installer's temporary names. Nothing else, whatever a record says.
bool IsRemovableBesidePlugin(const char* name);
// The folders the installer makes and the remover may take away when empty:
// a browser's "Plugins" folder and the remover's own "Scorewave" folder.
bool IsRemovableFolderName(const char* name);

// "1.20.0" from the plug-in's ProductVersion numbers; "yyyymmdd" from a date.
void DisplayVersionText(int major, int minor, int patch, char* out, size_t outSize);
void InstallDateText(int year, int month, int day, char* out, size_t outSize);
