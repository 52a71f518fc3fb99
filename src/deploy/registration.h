// Document types, MIME type and the document open command.
#pragma once
#include <windows.h>

bool RegisterDocumentType(const char* extension, const char* progId, const char* description,
                          const char* iconPath);
// Asks the user before an extension that another program owns is taken.
bool MayTakeExtension(HKEY extensionKey, const char* extension, const char* progId);
// The registry's error code; on failure key is null and the failure is logged.
LONG CreateRegistryKey(HKEY parent, const char* subKey, HKEY* key, const char* forWhat);
// A REG_SZ value (name null for the default value); the registry's error code.
LONG SetStringValue(HKEY key, const char* name, const char* text);
void RegisterOpenCommand();
// True when the key's default value is an open command this installer wrote.
bool IsOwnOpenCommand(HKEY key);
