// The files this program carries in its resources, and what it places of them.
#pragma once
#include <windows.h>

struct PayloadItem {
    const char* label;
    const char* resourceType; // null means "FILE"
    LPCSTR resourceName;
    const BYTE* data; // cached after the first extraction
    DWORD size;
    HMODULE module; // null means the installer's own module
};

// The carried remover, as a payload.
PayloadItem& CarriedRemover();
// The carried plug-in, as a payload.
PayloadItem& CarriedPluginItem();
// The carried ActiveX control, as a payload.
PayloadItem& CarriedActiveXItem();
// Locates and caches the item's resource; false (with the system's error) when
// it is missing or empty. An item whose bytes are already there is taken as is.
bool LoadPayloadData(PayloadItem& item);
// True when the file at path holds exactly the item's bytes.
bool HoldsPayload(PayloadItem& item, const char* path);
// The same, of a file the caller holds open (with FILE_READ_DATA access), its
// position at the start; the item's bytes already loaded.
bool FileHoldsPayload(HANDLE file, const PayloadItem& item);
// The bytes this run has placed on the disk (plug-ins, font, remover).
extern DWORD PlacedBytes;
// Writes the item's whole resource into the open file, on the disk when it
// returns; false with the system's reason otherwise.
bool ExtractPayload(PayloadItem& item, HANDLE file);
// The bytes of the plug-in this installer carries in its resources.
bool CarriedPlugin(const BYTE** data, DWORD* size);
// True when the open file's version resource names this product: a plug-in
// this product shipped, of whatever version.
bool IsProductFile(HANDLE file);
