#include "registration/registration.h"

#include <shlobj.h>

#include <cstring>

#include "base/heap.h"
#include "base/registry.h"
#include "base/system_library.h"
#include "base/text_length.h"
#include "base/text_rules.h"
#include "entry/uninstall_entry.h"
#include "process/state.h"
#include "registration/registration_rules.h"
#include "report/report.h"
#include "resources/resource.h"

const DocumentType DocumentTypes[DocumentTypeCount] = {
    {".mtd", "Music.Transfer.Document", MSG_MTD_DESCRIPTION},
    {".sgt", "ScorewaveGuitar.File", MSG_SGT_DESCRIPTION},
};
const char MimeType[] = "application/x-scorewave";
const char MimeContentTypesKey[] = "MIME\\Database\\Content Type";
const char MimeDatabaseKey[] = "MIME\\Database\\Content Type\\application/x-scorewave";
const char OpenCommandKey[] = "Music.Transfer.Document\\shell\\open\\command";

namespace {

// Adds `bits` to the record before a key of the machine's classes that does
// not exist yet is made.
void RecordIfNew(const char* path, DWORD bits) {
    ScopedKey key;
    if (OpenClassKey(path, 0, false, key.Receive()) == ERROR_FILE_NOT_FOUND) RecordCreated(bits);
}

// The document type's index, for its bits in the record.
int TypeIndex(const char* extension) {
    for (int i = 0; i < DocumentTypeCount; ++i)
        if (strcmp(DocumentTypes[i].extension, extension) == 0) return i;
    return -1;
}

// The record's bit for a key of this document type; none for an extension
// that is not one of them.
DWORD TypeBit(int type, DWORD (*bit)(int)) {
    return type < 0 ? 0 : bit(type);
}

const char ContentTypeValue[] = "Content Type";
const char ExtensionValue[] = "Extension";
const char EditFlagsValue[] = "EditFlags";
const BYTE NoEditFlags[4] = {0, 0, 0, 0};
const char DefaultIconKey[] = "DefaultIcon";
const char FirstIconSuffix[] = ",0";
const char ForIcon[] = "displaying icon";
const char BrowserCommandKey[] = "HTTP\\shell\\open\\command";
// Texts of registry values shorter than this are nobody's command.
const DWORD MinCommandBytes = 4;

char* AllocText(DWORD size) {
    return (char*)HeapBytes(size);
}

// Message 14 for a value that could not be written.
void ReportValueFailure(LONG error, const char* what) {
    SetLastError(DWORD(error));
    ReportMessage(MSG_REGISTRY_UPDATE_FAILED, nullptr, Preloaded(MSG_WINDOWS), what);
}

bool SetStringOrReport(HKEY key, const char* name, const char* text, const char* what) {
    LONG error = SetStringValue(key, name, text);
    if (error == ERROR_SUCCESS) return true;
    ReportValueFailure(error, what);
    return false;
}

// The default value of key as a terminated text, when it is REG_SZ (or, with
// acceptExpand, REG_EXPAND_SZ) and longer than minBytes; null otherwise.
// Freed with FreeHeapBytes.
char* ReadDefaultText(HKEY key, bool acceptExpand, DWORD minBytes, DWORD* typeOut) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return nullptr;
    bool textType = type == REG_SZ || (acceptExpand && type == REG_EXPAND_SZ);
    if (!textType || size <= minBytes) return nullptr;
    char* text = AllocText(size + 1);
    if (!text) return nullptr;
    DWORD got = size;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, (BYTE*)text, &got) != ERROR_SUCCESS ||
        got > size) {
        FreeHeapBytes(text);
        return nullptr;
    }
    text[got] = '\0'; // a value stored without its zero
    *typeOut = type;
    return text;
}

// The browser's command with its environment variables expanded; the text as
// read when that cannot be done.
char* ExpandCommand(char* text) {
    DWORD needed = ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed == 0) return text;
    char* expanded = AllocText(needed + 1);
    if (!expanded) return text;
    DWORD done = ExpandEnvironmentStringsA(text, expanded, needed + 1);
    if (done == 0 || done > needed + 1) {
        FreeHeapBytes(expanded);
        return text;
    }
    FreeHeapBytes(text);
    return expanded;
}

// Opens or makes parent\subKey, one key at a time and never through a
// registry link, to set values; a failure is logged (message 12).
LONG CreateRegistryKey(HKEY parent, const char* subKey, HKEY* key, const char* forWhat) {
    LONG error = OpenMachineKey(parent, subKey, KEY_SET_VALUE, true, key);
    if (error != ERROR_SUCCESS) {
        SetLastError(DWORD(error));
        ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, subKey, forWhat);
    }
    return error;
}

} // namespace

bool MayTakeExtension(HKEY extensionKey, const char* extension, const char* progId) {
    if (!progId || progId[0] == '\0') return false;

    // An owner longer than the record holds counts as unreadable.
    char owner[RecordOwnerLimit + 1];
    DWORD type = 0, size = 0;
    if (ReadValueBytes(extensionKey, nullptr, owner, sizeof owner, &type, &size) != ERROR_SUCCESS)
        return true;

    const char* shownOwner = Preloaded(MSG_UNKNOWN_OWNER);
    if (type == REG_SZ) {
        if (size <= 1) return true;
        if (strcmp(owner, progId) == 0) return true;
        shownOwner = owner;
    }
    int answer = ReportMessage(MSG_EXTENSION_IN_USE, Preloaded(MSG_WINDOWS), extension, shownOwner);
    if (answer == IDCANCEL) return false;
    // Recorded before the extension is taken, so that the remover can give it back.
    if (shownOwner == owner) RecordOwner(extension, owner);
    return true;
}

namespace {

bool RegisterIn(HKEY classes, const char* extension, const char* progId, const char* description,
                const char* iconPath) {
    bool result = true;
    bool takeable = true;
    const int type = TypeIndex(extension);

    RecordIfNew(extension, TypeBit(type, CreatedExtensionKey));
    {
        ScopedKey key;
        if (CreateRegistryKey(classes, extension, key.Receive(),
                              Preloaded(MSG_INTERNET_EXPLORER)) != ERROR_SUCCESS) {
            result = false;
        } else if (!MayTakeExtension(key.Get(), extension, progId)) {
            takeable = false;
            result = false;
        } else {
            if (!SetStringOrReport(key.Get(), nullptr, progId, progId)) result = false;
            if (!SetStringOrReport(key.Get(), ContentTypeValue, MimeType, MimeType)) result = false;
        }
    }

    RecordIfNew(MimeContentTypesKey, CreatedMimeDatabase);
    RecordIfNew(MimeDatabaseKey, CreatedMimeKey);
    {
        ScopedKey key;
        if (CreateRegistryKey(classes, MimeDatabaseKey, key.Receive(), Preloaded(MSG_WINDOWS)) !=
            ERROR_SUCCESS)
            result = false;
        else if (takeable && !SetStringOrReport(key.Get(), ExtensionValue, extension, extension))
            result = false;
    }

    RecordIfNew(progId, TypeBit(type, CreatedProgIdKey));
    ScopedKey key;
    if (CreateRegistryKey(classes, progId, key.Receive(), Preloaded(MSG_INTERNET_EXPLORER)) !=
        ERROR_SUCCESS)
        return false;
    if (!SetStringOrReport(key.Get(), nullptr, description, progId)) result = false;
    LONG error = SetValue(key.Get(), EditFlagsValue, REG_BINARY, NoEditFlags, sizeof NoEditFlags);
    if (error != ERROR_SUCCESS) {
        ReportValueFailure(error, progId);
        result = false;
    }
    if (iconPath && iconPath[0] != '\0') {
        ScopedKey iconKey;
        if (CreateRegistryKey(key.Get(), DefaultIconKey, iconKey.Receive(), ForIcon) !=
            ERROR_SUCCESS)
            return false;
        char icon[ScratchPathSize];
        // A cut icon path would name another file: such a path gets no icon.
        if (CopyText(icon, sizeof icon, iconPath) && AppendText(icon, sizeof icon, FirstIconSuffix))
            SetStringValue(iconKey.Get(), nullptr, icon);
    }
    return result;
}

// The browser's open command, read from the machine's classes (the user's own
// choice is not to be written into a command every user of the machine runs),
// with its environment variables expanded; null when there is none. Freed with
// FreeHeapBytes.
char* ReadBrowserCommand() {
    ScopedKey key;
    if (OpenClassKey(BrowserCommandKey, KEY_QUERY_VALUE, false, key.Receive()) != ERROR_SUCCESS)
        return nullptr;
    DWORD type = 0;
    char* command = ReadDefaultText(key.Get(), true, MinCommandBytes, &type);
    if (command && type == REG_EXPAND_SZ) command = ExpandCommand(command);
    return command;
}

} // namespace

bool RegisterDocumentType(const char* extension, const char* progId, const char* description,
                          const char* iconPath) {
    ScopedKey classes;
    if (CreateRegistryKey(HKEY_LOCAL_MACHINE, MachineClassesKey, classes.Receive(),
                          Preloaded(MSG_WINDOWS)) != ERROR_SUCCESS)
        return false;
    return RegisterIn(classes.Get(), extension, progId, description, iconPath);
}

bool IsOwnOpenCommand(HKEY key) {
    DWORD type = 0;
    char* text = ReadDefaultText(key, false, MinCommandBytes, &type);
    if (!text) return false;
    bool own = IsOwnOpenCommandText(text);
    FreeHeapBytes(text);
    return own;
}

void RegisterOpenCommand() {
    char* browserCommand = ReadBrowserCommand();
    if (!browserCommand) return;

    DWORD commandSize = DWORD(TextLength(browserCommand)) + DWORD(DownloadPageUrlLength()) + 1;
    char* command = AllocText(commandSize);
    if (command && ComposeOpenCommand(browserCommand, command, commandSize)) {
        ScopedKey commandKey;
        DWORD disposition = 0;
        RecordIfNew(OpenCommandKey, CreatedOpenCommand);
        // An open command of another program's making is never overwritten.
        if (OpenClassKey(OpenCommandKey, KEY_SET_VALUE, true, commandKey.Receive(), &disposition) ==
                ERROR_SUCCESS &&
            (disposition != REG_OPENED_EXISTING_KEY || IsOwnOpenCommand(commandKey.Get())))
            SetStringValue(commandKey.Get(), nullptr, command);
    }
    FreeHeapBytes(command);
    FreeHeapBytes(browserCommand);
}

void NotifyAssociationsChanged() {
    // A function of shell32.dll, which is not imported (see SystemFunction).
    typedef void(WINAPI * SHChangeNotifyFn)(LONG, UINT, LPCVOID, LPCVOID);
    if (SHChangeNotifyFn notify =
            (SHChangeNotifyFn)SystemFunction(Shell32Library, "SHChangeNotify"))
        notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
