// The demo: registers sample browser installations in the demo prefix, runs the
// installer windowed, then the remover windowed, and writes what happened into
// the demo folder.
//   demo_run.exe OUTDIR drive   the driver clicks I Agree and Return
//   demo_run.exe OUTDIR watch   a person clicks; the log is followed until the end
//   ... remove                  the remover instead: the driver (or the person)
//                               clicks Yes and OK
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver/driver.h"

using namespace lab;

namespace {

const char ProgramFiles[] = "C:\\Program Files";

// The sample browsers' programs are small 64-bit programs of the test build
// (tests/fixtures/discovery.cmake) whose version resources name real releases:
// Opera 9.64 and Chrome 20.0.1132.57, so the summary reads as on a real machine.
void PlaceProgram(const std::string& folder, const char* name, const char* sample) {
    MakeFolders(folder);
    std::string from = BuildPath((std::string("fixtures\\discovery\\") + sample).c_str());
    CopyFileA(from.c_str(), Join(folder, name).c_str(), FALSE);
}

void RegisterSampleBrowsers() {
    // Firefox, also the default HTML browser.
    std::string firefox = Join(ProgramFiles, "Mozilla Firefox");
    PlaceProgram(firefox, "firefox.exe", "pe64.exe");
    MakeFolders(Join(firefox, "plugins"));
    RegKey mozilla(HKLM, "SOFTWARE\\Mozilla\\Mozilla Firefox 3.6.28 (en-US)");
    mozilla.Sub("bin").SetString("PathToExe", Join(firefox, "firefox.exe"));
    mozilla.Sub("Extensions").SetString("Plugins", Join(firefox, "plugins"));
    RegKey(HKCR, ".html").SetString("", "FirefoxHTML");
    RegKey(HKCR, "FirefoxHTML\\shell\\open\\command")
        .SetString("", "\"" + Join(firefox, "firefox.exe") + "\" -url \"%1\"");

    // Netscape Navigator 4.8 sharing nothing with the others.
    std::string navigator = Join(ProgramFiles, "Netscape\\Communicator\\Program");
    MakeFolders(Join(navigator, "Plugins"));
    RegKey(HKLM, "SOFTWARE\\Netscape\\Netscape Navigator\\4.8 (en)\\Main")
        .SetString("Plugins Directory", Join(navigator, "Plugins"));

    // Opera, registered through its plug-in path; the program lies above it.
    std::string opera = Join(ProgramFiles, "Opera");
    PlaceProgram(opera, "opera.exe", "opera.exe");
    MakeFolders(Join(opera, "program\\plugins"));
    RegKey(HKCU, "SOFTWARE\\Opera Software")
        .SetString("Plugin Path", Join(opera, "program\\plugins"));

    // Chrome, found through its uninstall entry, without a Plugins folder yet.
    std::string chrome = Join(ProgramFiles, "Google\\Chrome\\Application");
    PlaceProgram(chrome, "chrome.exe", "chrome.exe");
    RegKey(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Google Chrome")
        .SetString("InstallLocation", chrome);
}

void Save(const std::string& path, const std::string& text) {
    WriteWholeFile(path, text);
}

} // namespace

// The remover, as Programs and Features starts it; its closing box is kept as
// a picture before it is answered.
int RunRemover(const std::string& out, bool drive) {
    RunOptions removal;
    removal.exe = "C:\\Program Files\\Scorewave\\ScorewaveRemove.exe";
    removal.timeoutMs = drive ? 120000 : 3600000;
    if (drive) {
        removal.boxes = {{"Remove Scorewave Viewer", IDYES, "Scorewave Viewer Removal"},
                         {"", IDOK, "Scorewave Viewer Removal"}};
        removal.onWindow = [&](Session&, const WindowRecord& window) {
            if (window.title == "Scorewave Viewer Removal" &&
                WindowText(GetDlgItem(window.window, 0xFFFF)).find("removed") != std::string::npos)
                SaveScreenshot(Join(out, "removal-box.bmp"), window.window);
            return false;
        };
    }
    Outcome removed = RunToEnd(removal);
    Save(Join(out, "removal-exit-code.txt"), std::to_string(removed.exitCode));
    if (!removed.boxes.empty()) Save(Join(out, "removal-box.txt"), removed.boxes.back().text);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string out = argv[1];
    bool drive = std::string(argv[2]) == "drive";
    MakeFolders(out);
    if (argc > 3 && std::string(argv[3]) == "remove") return RunRemover(out, drive);
    RegisterSampleBrowsers();

    RunOptions options;
    options.timeoutMs = drive ? 120000 : 3600000;
    // Any question the run asks is answered as a careful user would.
    options.boxes = {{"more recent version", IDYES, BoxTitle, Forever},
                     {"Is it OK to use it for Scorewave", IDOK, BoxTitle, Forever}};
    Session run(options);
    if (!run.Started() || !run.WaitMainWindow()) return 3;

    if (drive) {
        SaveScreenshot(Join(out, "licence-page.bmp"), run.MainWindow());
        run.Click(1011);
        run.WaitUntil([&] { return !run.Text(1010).empty(); }, 60000);
        run.Settle();
        Save(Join(out, "installation-log.txt"), run.Text(1005));
        Save(Join(out, "status.txt"), run.Text(1010));
        SaveScreenshot(Join(out, "log-page.bmp"), run.MainWindow());
        run.Click(IDOK);
    } else {
        // Follow the log while the person works the window.
        bool shot = false;
        while (run.Running()) {
            std::string log = run.Text(1005), status = run.Text(1010);
            if (!status.empty() && status.find("License") == std::string::npos) {
                Save(Join(out, "installation-log.txt"), log);
                Save(Join(out, "status.txt"), status);
                if (!shot) shot = SaveScreenshot(Join(out, "log-page.bmp"), run.MainWindow());
            }
            Sleep(300);
        }
    }
    long code = run.Wait(30000);
    char line[64];
    snprintf(line, sizeof line, "%ld", code);
    Save(Join(out, "exit-code.txt"), line);
    // The Programs and Features entry and, under it, the record.
    RegKey entry(HKLM, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Scorewave Viewer");
    std::string values;
    for (const std::string& name : entry.ValueNames()) {
        DWORD type = 0;
        std::string bytes;
        entry.GetRaw(name, &type, &bytes);
        if (type == REG_DWORD && bytes.size() == 4)
            bytes = std::to_string(*(const DWORD*)bytes.data());
        for (char& c : bytes)
            if (c == '\0') c = ' ';
        values += "    " + name + " = " + bytes + "\n";
    }
    Save(Join(out, "uninstall-entry.txt"), values);

    return 0;
}
