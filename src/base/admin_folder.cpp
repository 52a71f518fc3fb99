#include "base/admin_folder.h"

#include <aclapi.h>
#include <sddl.h>

#include "base/admin_folder_rules.h"
#include "base/file_system.h"
#include "base/path_rules.h"

namespace {

// Owned by the administrators, protected from inheritance: full control for
// SYSTEM and the administrators, reading for users.
const char AdministratorsOnly[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
// Entries looked at in one access list; a longer list is not one of these
// folders' and is not trusted.
const int MaxEntries = 32;

// The SID of the account the run runs as, in its text form (LocalFree it);
// null when it cannot be read.
char* OwnSidText() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    alignas(8) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    char* text = nullptr;
    if (GetTokenInformation(token, TokenUser, user, sizeof user, &size))
        ConvertSidToStringSidA(((TOKEN_USER*)user)->User.Sid, &text);
    CloseHandle(token);
    return text;
}

bool IsTrustedSid(PSID sid, const char* ownSid) {
    char* text = nullptr;
    bool trusted = sid && ConvertSidToStringSidA(sid, &text) && IsTrustedSidText(text, ownSid);
    if (text) LocalFree(text);
    return trusted;
}

// True when only trusted accounts can change the folder (held with
// READ_CONTROL access), by its owner and access list as the system gives them.
bool OnlyAdminsIn(HANDLE folder) {
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetSecurityInfo(folder, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &list, nullptr, &security) != ERROR_SUCCESS)
        return false;
    char* ownSid = OwnSidText();
    AccessEntry entries[MaxEntries];
    ACL_SIZE_INFORMATION sizes = {};
    bool readable = !list || (GetAclInformation(list, &sizes, sizeof sizes, AclSizeInformation) &&
                              sizes.AceCount <= MaxEntries);
    for (DWORD i = 0; readable && list && i < sizes.AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        readable = GetAce(list, i, (void**)&entry);
        if (!readable) break;
        // Allowing and denying entries have this layout; others are refused by
        // their type alone.
        BYTE type = entry->Header.AceType;
        bool simple = type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE;
        entries[i] = {type, entry->Mask, simple && IsTrustedSid(&entry->SidStart, ownSid)};
    }
    bool only = readable && OnlyAdminsCanChange(IsTrustedSid(owner, ownSid), list != nullptr,
                                                entries, list ? sizes.AceCount : 0);
    if (ownSid) LocalFree(ownSid);
    LocalFree(security);
    return only;
}

// Gives the folder (held by `held`) the administrators-only owner and access
// list through a second handle, opened while the first still holds it so that
// it is the same folder; that handle holds it then. Set on the folder alone,
// through its handle: nothing is walked below it by name.
DWORD ResetFolder(const HeldFolder& parent, const char* name, PSECURITY_DESCRIPTOR security,
                  ScopedHandle& held) {
    ScopedHandle writable;
    DWORD error =
        OpenFolderIn(parent, name, READ_CONTROL | WRITE_DAC | WRITE_OWNER, OpenExisting, writable);
    if (error != ERROR_SUCCESS) return error;
    if (!SetKernelObjectSecurity(writable.Get(),
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 security))
        return GetLastError();
    // What the system made of it is what counts.
    if (!OnlyAdminsIn(writable.Get())) return ERROR_INVALID_OWNER;
    held.Reset(writable.Release());
    return ERROR_SUCCESS;
}

} // namespace

DWORD HoldAdminFolder(const char* parentPath, const char* name, bool secure, ForeignFolder foreign,
                      HeldFolder& folder, AdminFolderState* state) {
    folder.handle.Reset(nullptr);
    folder.path[0] = '\0';
    HeldFolder parent;
    DWORD error = HoldFolder(parentPath, parent);
    if (error != ERROR_SUCCESS) return error;
    char path[MAX_PATH];
    if (!ComposeSubfolder(path, sizeof path, parent.path, name, IsAnsiLeadByte))
        return ERROR_FILENAME_EXCED_RANGE;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(AdministratorsOnly, SDDL_REVISION_1,
                                                              &security, nullptr))
        return GetLastError();
    ScopedHandle handle;
    AdminFolderState found = AdminFolderMade;
    error =
        OpenFolderIn(parent, name, READ_CONTROL, CreateNew, handle, secure ? security : nullptr);
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        found = AdminFolderTrusted;
        error = OpenFolderIn(parent, name, READ_CONTROL, OpenExisting, handle);
        if (error == ERROR_SUCCESS && !OnlyAdminsIn(handle.Get())) {
            found = AdminFolderReset;
            error = foreign == ResetForeign ? ResetFolder(parent, name, security, handle)
                                            : ERROR_INVALID_OWNER;
        }
    }
    LocalFree(security);
    if (error != ERROR_SUCCESS) return error;
    folder.handle.Reset(handle.Release());
    lstrcpynA(folder.path, path, sizeof folder.path);
    if (state) *state = found;
    return ERROR_SUCCESS;
}
