#include "logon/active_setup.h"

#include "base/file_system.h"
#include "base/held_folder.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "base/text_length.h"
#include "entry/uninstall_entry.h"
#include "process/state.h"
#include "report/report.h"
#include "resources/resource.h"

const char UserProgramFileName[] = "ScorewaveUser.exe";

namespace {

const char ComponentKey[] =
    "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Scorewave.Viewer";
const char VersionValue[] = "Version";
const char CommandValue[] = "StubPath";
const char InstalledValue[] = "IsInstalled";
const int StampTextSize = 32;

} // namespace

bool ProductFilePath(const char* name, char* path) {
    char folder[MAX_PATH], remover[MAX_PATH];
    return RemoverPaths(folder, remover) &&
           ComposeFilePath(path, MAX_PATH, folder, name, AlwaysAddSeparator, IsAnsiLeadByte);
}

DWORD DeleteProductFile(const char* name) {
    char folderPath[MAX_PATH], remover[MAX_PATH];
    HeldFolder folder;
    DWORD error = RemoverPaths(folderPath, remover) ? HoldFolder(folderPath, folder)
                                                    : DWORD(ERROR_PATH_NOT_FOUND);
    if (error == ERROR_SUCCESS) error = DeleteInFolder(folder, name);
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? DWORD(ERROR_SUCCESS)
                                                                          : error;
}

UserComponent ReadUserComponent() {
    UserComponent component = {false, {{0, 0, 0, 0}}, OtherCommand};
    char text[ScratchPathSize];
    const REGSAM access = KEY_READ | KEY_WOW64_64KEY;
    component.present = ReadRegistryTextAt(HKEY_LOCAL_MACHINE, ComponentKey, access, VersionValue,
                                           text, sizeof text) == RegistryTextRead &&
                        ParseStamp(text, &component.stamp);
    if (ReadRegistryTextAt(HKEY_LOCAL_MACHINE, ComponentKey, access, CommandValue, text,
                           sizeof text) == RegistryTextRead)
        component.command = CommandOf(text);
    return component;
}

bool WriteUserComponent(const ComponentStamp& stamp, const char* switchText, char* command,
                        int commandSize) {
    char program[MAX_PATH], version[StampTextSize];
    StampText(stamp, version, sizeof version);
    command[0] = '\0';
    if (!ProductFilePath(UserProgramFileName, program) || !AppendText(command, commandSize, "\"") ||
        !AppendText(command, commandSize, program) || !AppendText(command, commandSize, "\" ") ||
        !AppendText(command, commandSize, switchText))
        return false;
    ScopedKey key;
    LONG error =
        CreateKey(HKEY_LOCAL_MACHINE, ComponentKey, KEY_SET_VALUE | KEY_WOW64_64KEY, key.Receive());
    if (error == ERROR_SUCCESS) {
        char name[MAX_PATH];
        if (LoadStringA(ModuleHandle, MSG_DISPLAY_NAME, name, sizeof name) <= 0) name[0] = '\0';
        // The command last: Explorer runs nothing before it is there.
        error = SetStringValue(key.Get(), nullptr, name);
        if (error == ERROR_SUCCESS) error = SetStringValue(key.Get(), VersionValue, version);
        if (error == ERROR_SUCCESS) error = SetDwordValue(key.Get(), InstalledValue, 1);
        if (error == ERROR_SUCCESS) error = SetStringValue(key.Get(), CommandValue, command);
    }
    if (error == ERROR_SUCCESS) return true;
    SetLastError(DWORD(error));
    ReportMessage(MSG_NO_REGISTRY_UPDATE, nullptr, ComponentKey, Preloaded(MSG_WINDOWS));
    return false;
}

void DeleteUserComponent() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, ComponentKey, KEY_WOW64_64KEY, 0);
}

void ClearUserStamp() {
    ScopedKey key;
    // Explorer keeps the stamps of the 64-bit view's components here.
    if (OpenKey(HKEY_CURRENT_USER, ComponentKey, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key.Get(), VersionValue);
}
