#include "report/report.h"

#include "resources/resource.h"

namespace {

// Every message shown in a box, with the box: the icon and the buttons. The
// others are only logged.
const struct {
    UINT id;
    UINT boxType;
} BoxedMessages[] = {
    {MSG_CANT_CREATE_SUBFOLDER, MB_OK | MB_ICONEXCLAMATION},
    {MSG_NEWER_VERSION, MB_YESNO | MB_ICONEXCLAMATION},
    {MSG_FAILED_TO_INSTALL, MB_RETRYCANCEL | MB_ICONQUESTION},
    {MSG_EXTENSION_IN_USE, MB_OKCANCEL | MB_ICONQUESTION},
    {MSG_REGISTRY_UPDATE_FAILED, MB_OK | MB_ICONEXCLAMATION},
    {MSG_FOLDER_MISSING, MB_OK | MB_ICONINFORMATION},
    {MSG_CANT_READ_NETSCAPE, MB_OK | MB_ICONERROR},
    {MSG_FILE_IN_USE, MB_RETRYCANCEL | MB_ICONQUESTION},
    {MSG_OPEN_PAGE_YOURSELF, MB_OK | MB_ICONINFORMATION},
    {MSG_REMOVE_QUESTION, MB_YESNO | MB_ICONQUESTION},
    {MSG_NOT_INSTALLED, MB_OK | MB_ICONINFORMATION},
    {MSG_REMOVAL_DONE, MB_OK | MB_ICONINFORMATION},
    {MSG_REMOVAL_AT_RESTART, MB_OK | MB_ICONINFORMATION},
    {MSG_REMOVAL_INCOMPLETE, MB_OK | MB_ICONEXCLAMATION},
};

} // namespace

UINT MessageBoxType(UINT id) {
    for (const auto& message : BoxedMessages)
        if (message.id == id) return message.boxType;
    return 0;
}
