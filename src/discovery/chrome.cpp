// Chrome: its program folder from its open commands or its uninstall entry; a
// missing "Plugins" folder is planned, to be made.
#include "discovery/program_folder.h"
#include "discovery/scans.h"

namespace {

const RegistryPlace ChromePlaces[] = {
    {HKEY_CLASSES_ROOT, "Applications\\Chrome.exe\\shell\\open\\command", nullptr},
    {HKEY_CLASSES_ROOT, "ChromeHTML\\shell\\open\\command", nullptr},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome",
     "InstallLocation"},
};
const char* const ChromePrograms[] = {"chrome.exe"};

const ProgramFolderBrowser Chrome = {
    "Chrome",     ChromePlaces, sizeof ChromePlaces / sizeof ChromePlaces[0], ChromePrograms, 1,
    "chrome.exe", true,
};

} // namespace

void ScanChrome(TargetPlan& plan) {
    ScanProgramFolderBrowser(plan, Chrome);
}
