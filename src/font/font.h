#pragma once
#include <windows.h>

// Puts the music font of the plug-in into the Fonts folder, the system's font
// table and the Fonts registry key. The font is taken from the plug-in this
// installer carries; pluginPath, a plug-in file written in this run, only
// names the library in the log when the font cannot be found.
void InstallMusicFont(const char* pluginPath);
// The font's family, its file name in the Fonts folder, its full path there, its value
// under the Fonts key and that key (under HKEY_LOCAL_MACHINE).
extern const char FontFamily[];
extern const char FontFileName[];
extern const char FontValueName[];
bool MusicFontPath(char* fontPath, int size);
const char* FontsRegistryKey();
// The family name of a TrueType file, null when none can be read; free it
// with FreeHeapBytes (process/heap.h).
char* ReadFontFamilyName(const char* fontPath);
// True when the family is installed and a font of it can really be selected;
// with a null dc the display's is used.
bool IsFontInstalled(const char* familyName, HDC dc);
// True when the font selected into dc is the one its LOGFONT asked for.
bool SelectedFontMatches(HDC dc);
