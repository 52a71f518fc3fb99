// Shared by the discovery tests: the registry places and folders the scans
// read, cleared before every scenario, and one windowed installer run whose
// log (control 1005) is read once the run is over.
#pragma once
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "driver/driver.h"
#include "win/installer_texts.h"
#include "win/run_record.h"
#include "resources/resource.h"

namespace disc {

using namespace lab;

const char Root[] = "C:\\disc";

// A program built by the test build (tests/fixtures/discovery.cmake).
inline std::string Sample(const char* file) {
    return BuildPath((std::string("fixtures\\discovery\\") + file).c_str());
}

// Copies a sample program to path, making its folder.
inline bool PlaceProgram(const char* sample, const std::string& path) {
    size_t slash = path.rfind('\\');
    if (!MakeFolders(path.substr(0, slash))) return false;
    bool copied = CopyFileA(Sample(sample).c_str(), path.c_str(), FALSE) != 0;
    EXPECT_TRUE(copied) << "copying " << sample << " to " << path;
    return copied;
}

inline std::string AppDataFolder() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return path;
}

// Every key and folder any scan reads, in both registry views.
inline void ClearScanPlaces() {
    for (View view : {View::Native, View::Wow32}) {
        RegKey(HKLM, "SOFTWARE\\Netscape", view).DeleteTree();
        RegKey(HKLM, "SOFTWARE\\Mozilla", view).DeleteTree();
    }
    for (const char* key :
         {".html", "DiscTestHTML", "SafariHTML", "SafariDownload", "ChromeHTML",
          "Applications\\Chrome.exe", "CLSID\\{1820D883-42FE-4b78-88C8-5456BB19D224}"})
        RegKey(HKCR, key).DeleteTree();
    const char uninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    RegKey(HKCU, std::string(uninstall) + "{C5C649A8-1D21-4C83-9B08-7B3752E580F4}").DeleteTree();
    RegKey(HKCU, std::string(uninstall) + "Google Chrome").DeleteTree();
    RegKey(HKCU, "SOFTWARE\\Opera Software").DeleteTree();
    EXPECT_TRUE(RemoveTree(Root));
    EXPECT_TRUE(RemoveTree(Join(AppDataFolder(), "opera")));
    EXPECT_TRUE(RemoveTree("C:\\Program Files\\Netscape"));
}

struct ScanRun : RunRecord {
    std::string Dump() const { return "\nlog:\n" + Escaped(log) + "\nboxes:" + Describe(boxes); }
};

// The windowed road with "/noeu": the log page opens at once, the run goes
// through, and the log is read when the status line tells the end.
inline ScanRun RunScans(std::vector<BoxRule> rules = {}) {
    RunOptions options;
    options.args = "/noeu";
    options.boxes = std::move(rules);
    options.timeoutMs = 2 * RunWaitMs;
    Session run(options);
    ScanRun result;
    EXPECT_TRUE(run.WaitMainWindow(RunWaitMs)) << Describe(run.WindowsSeen());
    bool ended = run.WaitUntil(
        [&] {
            std::string status = run.Text(IDC_STATUS);
            return status == FailedStatus || status == SucceededStatus;
        },
        RunWaitMs);
    EXPECT_TRUE(ended) << "status: " << run.Text(IDC_STATUS);
    result.log = run.Text(IDC_INSTALL_LOG);
    run.Close();
    result.exitCode = run.Wait(RunWaitMs);
    result.boxes = run.Boxes();
    ExpectDefinedBoxTypes(result.boxes);
    return result;
}

// The lines the scans write, as the log shows them.
inline std::string Registered(const std::string& name, const std::string& folder) {
    return "Your registered folder for " + name + " is:\r\n" + folder + "\r\n\r\n";
}
inline std::string MissingText(const std::string& name, const std::string& folder) {
    return "This folder registered for " + name + " doesn't exist:\r\n" + folder;
}
inline std::string CreatedFile(const std::string& path) {
    return "Created file " + path + "\r\n";
}
// A line of the closing summary, one per target.
inline std::string ForLine(const std::string& name) {
    return "\r\nfor " + name + "\r\n";
}

// What a scan that found nothing leaves: no scan line, no box.
inline void ExpectNothingFound(const ScanRun& run) {
    EXPECT_FALSE(run.Has("registered folder for")) << run.Dump();
    EXPECT_FALSE(run.Has("Created directory")) << run.Dump();
    EXPECT_FALSE(run.Has("unregistered folder")) << run.Dump();
    EXPECT_TRUE(run.boxes.empty()) << run.Dump();
}

class DiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearScanPlaces(); }
};

} // namespace disc
