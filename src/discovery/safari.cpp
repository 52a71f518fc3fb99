// Safari: its program folder from the WebKit server, its open commands or its
// uninstall entry; a missing "Plugins" folder is reported, not made.
#include "discovery/program_folder.h"
#include "discovery/scans.h"

namespace {

const RegistryPlace SafariPlaces[] = {
    {HKEY_CLASSES_ROOT, "CLSID\\{1820D883-42FE-4b78-88C8-5456BB19D224}\\InProcServer32", nullptr},
    {HKEY_CLASSES_ROOT, "SafariHTML\\shell\\open\\command", nullptr},
    {HKEY_CLASSES_ROOT, "SafariDownload\\shell\\open\\command", nullptr},
    {HKEY_CURRENT_USER,
     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
     "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}",
     "InstallLocation"},
};
const char* const SafariPrograms[] = {"safari.exe", "webkit.dll"};

const ProgramFolderBrowser Safari = {
    "Safari",     SafariPlaces, sizeof SafariPlaces / sizeof SafariPlaces[0], SafariPrograms, 2,
    "safari.exe", false,
};

} // namespace

void ScanSafari(TargetPlan& plan) {
    ScanProgramFolderBrowser(plan, Safari);
}
