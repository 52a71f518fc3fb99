// TEMPORARY placeholders until the deployment code lands; delete this file then.
#include "deploy/font.h"
#include "deploy/payload.h"
#include "deploy/registration.h"
int InstallPayloadFile(bool, const char*, const char*) { return DeployFailed; }
bool RegisterDocumentType(const char*, const char*, const char*, const char*) { return false; }
void RegisterOpenCommand() {}
void InstallMusicFont(const char*) {}
