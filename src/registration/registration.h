// Document types, MIME type and the document open command.
#pragma once
#include <windows.h>

// The two document types and their ProgIDs, as the installer registers them
// and the remover takes them back. The description is a preloaded text.
struct DocumentType {
    const char* extension;
    const char* progId;
    UINT description;
};
const int DocumentTypeCount = 2;
extern const DocumentType DocumentTypes[DocumentTypeCount];
// The MIME type both document types have, and its key in the MIME database.
extern const char MimeType[];
extern const char MimeContentTypesKey[];
extern const char MimeDatabaseKey[];
// The document open command's key.
extern const char OpenCommandKey[];

// Registers a document type; each key it makes and each extension it takes
// from another program is added to the record before the change is made.
bool RegisterDocumentType(const char* extension, const char* progId, const char* description,
                          const char* iconPath);
// Asks the user before an extension that another program owns is taken.
bool MayTakeExtension(HKEY extensionKey, const char* extension, const char* progId);
void RegisterOpenCommand();
// True when the key's default value is an open command this installer wrote.
bool IsOwnOpenCommand(HKEY key);
// Tells Explorer that document types changed, so that it shows them without a
// restart.
void NotifyAssociationsChanged();
