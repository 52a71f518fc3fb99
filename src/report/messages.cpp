#include "report/report.h"

#include "resources/resource.h"

namespace {

// Every message shown in a box, with the box (the icon and the buttons) and
// the answer it takes where no one can see it: as unattended installers answer
// (Inno Setup's /SUPPRESSMSGBOXES), a newer plug-in is kept, a file that
// cannot be written is given up, another program's extension is left to it,
// a notice is taken note of. The others are only logged.
const struct {
    UINT id;
    UINT boxType;
    int unattendedAnswer;
} BoxedMessages[] = {
    {MSG_CANT_CREATE_SUBFOLDER, MB_OK | MB_ICONEXCLAMATION, IDOK},
    {MSG_NEWER_VERSION, MB_YESNO | MB_ICONEXCLAMATION, IDYES},
    {MSG_FAILED_TO_INSTALL, MB_RETRYCANCEL | MB_ICONQUESTION, IDCANCEL},
    {MSG_EXTENSION_IN_USE, MB_OKCANCEL | MB_ICONQUESTION, IDCANCEL},
    {MSG_REGISTRY_UPDATE_FAILED, MB_OK | MB_ICONEXCLAMATION, IDOK},
    {MSG_FOLDER_MISSING, MB_OK | MB_ICONINFORMATION, IDOK},
    {MSG_CANT_READ_NETSCAPE, MB_OK | MB_ICONERROR, IDOK},
    {MSG_FILE_IN_USE, MB_RETRYCANCEL | MB_ICONQUESTION, IDCANCEL},
    {MSG_OPEN_PAGE_YOURSELF, MB_OK | MB_ICONINFORMATION, IDOK},
    // Removing is done by "/quiet" alone.
    {MSG_REMOVE_QUESTION, MB_YESNO | MB_ICONQUESTION, IDNO},
    {MSG_NOT_INSTALLED, MB_OK | MB_ICONINFORMATION, IDOK},
    {MSG_REMOVAL_DONE, MB_OK | MB_ICONINFORMATION, IDOK},
    {MSG_REMOVAL_AT_RESTART, MB_OK | MB_ICONINFORMATION, IDOK},
    {MSG_REMOVAL_INCOMPLETE, MB_OK | MB_ICONEXCLAMATION, IDOK},
};

} // namespace

UINT MessageBoxType(UINT id) {
    for (const auto& message : BoxedMessages)
        if (message.id == id) return message.boxType;
    return 0;
}

int UnattendedAnswer(UINT id) {
    for (const auto& message : BoxedMessages)
        if (message.id == id) return message.unattendedAnswer;
    return IDOK;
}
