// Plain-value decisions about the record of what installations did: lists of
// paths kept as REG_MULTI_SZ texts (each text ended by a zero, the list by
// one more), and the names the remover may ever delete.
#pragma once
#include <cstddef>

#include "resources/product.h"

// The remover's switch for a removal without a window or a box, as the
// entry's QuietUninstallString gives it.
inline constexpr char QuietSwitch[] = "/quiet";

// The most bytes one recorded list takes in the registry, its closing zeros
// included: the installer never records a longer one, and the remover takes a
// longer one as a failure, never as an empty list.
const size_t RecordListLimit = 16384;
// A buffer a list is read into: the limit, and the two zeros that close a
// list stored without them.
const size_t RecordListBufferSize = RecordListLimit + 2;
// Closes the list of `stored` bytes (at most RecordListLimit) read into a
// buffer of RecordListBufferSize bytes, whatever was stored; its size.
size_t CloseReadList(char* buffer, size_t stored);

// True when the list holds text, compared without regard to ASCII case.
bool MultiStringHolds(const char* list, size_t listSize, const char* text);
// Appends text to the list held in buffer (listSize bytes used, a lone zero
// or nothing for an empty list); the new size of the list comes out. False,
// buffer unchanged, when it does not fit bufferSize or text is empty.
bool MultiStringAppend(char* buffer, size_t bufferSize, size_t listSize, const char* text,
                       size_t* newSize);
// Removes text from the list in place; the new size of the list.
size_t MultiStringRemove(char* list, size_t listSize, const char* text);

// The folders the installer makes and the remover may take away when empty:
// a browser's "Plugins" folder and the remover's own "Scorewave" folder.
bool IsRemovableFolderName(const char* name);

// A file kept in the record for a later run to delete: the file's identity
// (its volume's serial number and its index there, as the system gives them
// for a handle) and its path, as one text: "1A2B3C4D:00000000000012AB:C:\a\b".
// The later run deletes it only while the path still names that very file.
struct KeptFile {
    unsigned volume;
    unsigned long long index;
    const char* path; // inside the text it was read from
};
// False when the text does not fit out.
bool KeptFileText(const KeptFile& file, char* out, size_t outSize);
// False for a text of another form.
bool ParseKeptFileText(const char* text, KeptFile* file);

// "1.20.0" from the plug-in's ProductVersion numbers; "yyyymmdd" from a date.
void DisplayVersionText(int major, int minor, int patch, char* out, size_t outSize);
void InstallDateText(int year, int month, int day, char* out, size_t outSize);
