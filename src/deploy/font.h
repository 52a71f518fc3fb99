#pragma once

// Puts the music font carried by the written plug-in into the Fonts folder,
// the system's font table and the Fonts registry key.
void InstallMusicFont(const char* pluginPath);
