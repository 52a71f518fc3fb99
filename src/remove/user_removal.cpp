#include "remove/user_removal.h"

#include "logon/active_setup.h"
#include "report/report.h"
#include "resources/resource.h"

namespace {

const int CommandSize = 2 * MAX_PATH;

} // namespace

bool TurnUserComponentIntoRemoval(DWORD created) {
    char program[MAX_PATH], command[CommandSize];
    if (created & CreatedUserComponent) {
        UserComponent component = ReadUserComponent();
        // Only a program that is there can run at logon.
        if (ProductFilePath(UserProgramFileName, program) &&
            GetFileAttributesA(program) != INVALID_FILE_ATTRIBUTES &&
            WriteUserComponent(RemovalStamp(component.present, component.stamp), RemoveSwitch,
                               command, sizeof command)) {
            ReportMessage(MSG_USERS_AT_LOGON, command);
            return true;
        }
        DeleteUserComponent();
    }
    DeleteProductFile(UserProgramFileName);
    return false;
}
