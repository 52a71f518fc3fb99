// The test lab's driver: runs ScorewaveSetup.exe inside the Wine prefix of the
// test program, answers its message boxes by a script, drives its windows, and
// states registry values, folders and files for a scenario in a few lines.
//
// Helpers that change the machine (registry, files) report a failure to
// GoogleTest themselves (ADD_FAILURE) and return false, so a scenario can call
// them as plain statements.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lab {

// ---------------------------------------------------------------- locations

// A Linux path as Windows sees it under Wine: "/a/b" -> "Z:\a\b".
std::string WindowsPath(const std::string& linuxPath);
// folder + "\" + name, without doubling the backslash.
std::string Join(const std::string& folder, const std::string& name);
// A file of the build dir (SCOREWAVE_BUILD_DIR), e.g. Z:\work\main\build-x\ScorewaveSetup.exe.
std::string BuildPath(const char* file = "");
// A file of the source tree (SCOREWAVE_SOURCE_DIR).
std::string SourcePath(const char* file = "");
// The installer under test.
std::string InstallerPath();
// A helper program built from tests/fixtures/<name>.cpp.
std::string FixturePath(const char* name);
// Copies the installer into folder (made if missing) as fileName; returns the
// copy's path, "" on failure.
std::string CopyInstaller(const std::string& folder, const char* fileName = "ScorewaveSetup.exe");

// ---------------------------------------------------------------- files

bool MakeFolders(const std::string& path);
// The Unix path of a Windows path under Wine ("" when there is none).
std::string UnixPath(const std::string& windowsPath);
// Starts a Unix program (as Wine starts one: without waiting for it) with
// the given Unix paths as its arguments, after the program's own words.
bool RunUnix(const std::string& program, const std::vector<std::string>& unixPaths);
// A Unix symbolic link at linkPath to the folder target: the lab's stand-in
// for a mount point, which Wine reports as a reparse point by path (Wine makes
// no Windows reparse points).
bool MakeFolderLink(const std::string& target, const std::string& linkPath);
// Removes a file or a whole folder tree (a link, not what it leads to); true
// when nothing is left.
bool RemoveTree(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// ---------------------------------------------------------------- registry

enum class View { Native, Wow32 };

extern const HKEY HKLM;
extern const HKEY HKCU;
extern const HKEY HKCR;

// A key under HKLM, HKCU or HKCR in the 64-bit (Native) or 32-bit (Wow32) view.
// Setters create the key; deleting what is not there succeeds.
class RegKey {
  public:
    RegKey(HKEY root, std::string path, View view = View::Native);

    // name "" is the key's default value.
    bool SetString(const std::string& name, const std::string& value) const;
    bool SetExpandString(const std::string& name, const std::string& value) const;
    bool SetDword(const std::string& name, DWORD value) const;
    bool SetBinary(const std::string& name, const std::string& bytes) const;
    // Stores exactly these bytes with this type, e.g. a REG_SZ without its zero.
    bool SetRaw(const std::string& name, DWORD type, const std::string& bytes) const;

    bool DeleteValue(const std::string& name) const;
    // The key and everything under it.
    bool DeleteTree() const;

    bool Exists() const;
    bool HasValue(const std::string& name) const;
    // The stored bytes and type, as they are.
    bool GetRaw(const std::string& name, DWORD* type, std::string* bytes) const;
    // A REG_SZ / REG_EXPAND_SZ value up to its first zero; nullopt when missing or of another type.
    std::optional<std::string> GetString(const std::string& name) const;
    std::optional<DWORD> GetDword(const std::string& name) const;
    std::vector<std::string> SubkeyNames() const;
    std::vector<std::string> ValueNames() const;

    RegKey Sub(const std::string& relative) const;
    std::string Describe() const;

  private:
    HKEY root_;
    std::string path_;
    View view_;
    REGSAM Sam(REGSAM access) const;
};

// Wine's reported Windows version for one program (AppDefaults\<exe>\Version):
// winxp64, win2003, win2008, vista, win7, win10 ... "" removes the setting.
bool SetWindowsVersion(const std::string& version, const std::string& exe = "ScorewaveSetup.exe");

// Makes `protocol` URLs open the recorder fixture and starts a new recording.
// The recorder appends its command line to the file named by the environment
// variable LAB_RECORDER_FILE, which every program started afterwards inherits,
// and by HKCU\Software\ScorewaveLab value RecorderFile, which the programs
// the desktop shell starts read.
bool RecordUrlLaunches(const char* protocol = "http");
// Starts a new, empty recording file.
void NewRecording();
// The recorded command lines, once no recorder process is left running.
std::vector<std::string> RecordedLaunches();
// For each recorded launch, in the same order, the process that started the
// recorder: its id, and its executable name in lower case ("explorer.exe" for
// the desktop shell), or "?" when it had already ended.
struct LaunchParent {
    DWORD pid = 0;
    std::string name;
};
std::vector<LaunchParent> RecordedLaunchParents();

// Starts a process from a command line (image null: its first word names the
// program), retrying the start that Wine under heavy load now and then fails with
// ERROR_INTERNAL_ERROR. startTick, when given, receives the tick count of the
// attempt that started it; showState, unless -1, goes into its startup info.
// False with the last error set when it cannot start; the caller closes both
// handles of info.
bool StartProcess(const std::string& commandLine, PROCESS_INFORMATION* info,
                  const char* image = nullptr, const char* workingDir = nullptr,
                  DWORD* startTick = nullptr, int showState = -1, const char* desktop = nullptr);
// A desktop on a window station of its own made without WSF_VISIBLE, as a
// service's or SYSTEM's in session 0 ("Station\Default", for RunOptions'
// desktop): a message box there waits for ever, for nobody sees it.
std::string UnseenDesktop();

// Ids of the running processes with this executable name (e.g. "recorder.exe").
std::vector<DWORD> ProcessesNamed(const char* exeName);
// Polls until cond() holds; false on timeout.
bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs = 30000);

// ---------------------------------------------------------------- registry snapshots

// Every key ("K <label><path>") and value ("V <label><path>|<name>" -> type and
// bytes) of a registry tree, for comparing the machine before and after a run.
typedef std::map<std::string, std::string> RegistrySnapshot;
// Adds the tree under root\path (label names the root in the entries), leaving
// out the subtrees whose paths are in skipped.
void AddRegistryTree(HKEY root, const std::string& label, const std::string& path,
                     const std::set<std::string>& skipped, RegistrySnapshot& out);

// ---------------------------------------------------------------- windows

// Text of any window, also of another process (WM_GETTEXT with a timeout).
std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// Visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD pid);
// Waits until the window and all its children have painted (no update region
// left); a control shown a moment ago may otherwise still be blank.
bool WaitPainted(HWND window, DWORD timeoutMs = 5000);
// Saves the window's screen area, once painted (the whole virtual desktop
// when window is null), as a 24-bit BMP.
bool SaveScreenshot(const std::string& path, HWND window = nullptr);
// BuildPath("screenshots\<name>.bmp"), with the folder made.
std::string ScreenshotPath(const std::string& name);

// ---------------------------------------------------------------- clipboard

std::optional<std::string> ClipboardText();
bool SetClipboardText(const std::string& text);

// ---------------------------------------------------------------- running

extern const char BoxTitle[];   // "Scorewave Plugin Setup"
extern const char MainClass[];  // "ScorewaveSetup"
extern const char MainTitle[];  // "Scorewave Viewer Plugin Installation"
extern const char AboutTitle[]; // "About Scorewave Viewer Installer"
const int Forever = -1;
const UINT KilledExitCode = 0xDEAD;

// One line of a message-box script. A box matches when its title equals
// `title` ("" = any title) and its text contains `text` ("" = any text), or,
// with glob, when the whole text matches the pattern (* any run, ? one char).
// Rules are tried in order; a rule answers `times` boxes (Forever = no limit).
struct BoxRule {
    std::string text;
    int button = IDOK;
    std::string title = "Scorewave Plugin Setup";
    int times = 1;
    bool glob = false;
};

struct BoxRecord {
    std::string title;
    std::string text;
    std::vector<int> buttons; // ids of the visible push buttons, in child order
    int answer = 0;           // the button id posted
    int rule = -1;            // index of the rule that answered, -1 when none did
    DWORD atMs = 0;           // since the program started
    // As MessageBoxA's type: the icon it shows (MB_ICON*, MB_USERICON for one that
    // is no system icon) and its button set (MB_OK ... MB_RETRYCANCEL).
    UINT type = 0;
};

struct WindowRecord {
    HWND window;
    std::string className;
    std::string title;
    DWORD atMs;
};

class Session;

struct RunOptions {
    std::string exe;         // InstallerPath() when empty
    std::string args;        // command-line tail after the quoted program path
    std::string commandLine; // used verbatim when set (exe is then only the image)
    std::string workingDir;
    int showState = -1;  // handed over with STARTF_USESHOWWINDOW when not -1
    std::string desktop; // STARTUPINFO's lpDesktop when set, e.g. UnseenDesktop()
    std::vector<BoxRule> boxes;
    // Answer to a dialog no rule matches: this button when the box has it,
    // otherwise IDCANCEL, IDNO, IDOK, then the first button.
    int unmatchedAnswer = 0;
    // Dialogs are answered this long after they appear (time for a screenshot).
    DWORD answerDelayMs = 0;
    DWORD timeoutMs = 120000; // the process is killed after this long
    // Called on the watcher thread, once per new visible top-level window of
    // the process, before the box rules; return true to take the window over.
    // GoogleTest assertions are not safe there: record, assert later.
    std::function<bool(Session&, const WindowRecord&)> onWindow;
};

// A running installer (or any program) and its watcher thread, which answers
// dialogs and enforces the timeout. The destructor kills a process still alive.
class Session {
  public:
    explicit Session(RunOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    bool Running() const;
    // Waits for the end, answering boxes meanwhile; the exit code, or -1 when
    // still running after timeoutMs (the global timeout ends it anyway).
    long Wait(DWORD timeoutMs = INFINITE);
    long ExitCode() const; // -1 while running
    bool TimedOut() const;
    void Kill();

    std::vector<BoxRecord> Boxes() const;
    // Boxes no rule answered (the unmatched default was used).
    std::vector<BoxRecord> UnmatchedBoxes() const;
    std::vector<WindowRecord> WindowsSeen() const;
    bool WaitBoxes(size_t count, DWORD timeoutMs = 30000);

    // ---- windows of this process
    HWND FindWindowOf(const char* className, const char* title) const;
    HWND WaitWindow(const char* className, const char* title, DWORD timeoutMs = 30000);
    HWND WaitMainWindow(DWORD timeoutMs = 30000);
    HWND MainWindow() const;
    HWND Control(int id) const { return Control(MainWindow(), id); }
    HWND Control(HWND dialog, int id) const;

    std::string Text(int id) const { return Text(MainWindow(), id); }
    std::string Text(HWND dialog, int id) const;
    bool Visible(int id) const { return Visible(MainWindow(), id); }
    bool Visible(HWND dialog, int id) const;
    bool Enabled(int id) const { return Enabled(MainWindow(), id); }
    bool Enabled(HWND dialog, int id) const;
    // Clicks a button as a user can: fails when it is hidden or disabled.
    bool Click(int id) { return Click(MainWindow(), id); }
    bool Click(HWND dialog, int id);
    // Posts WM_COMMAND id, whatever the button's state.
    bool Command(int id, HWND dialog = nullptr);
    bool SysCommand(WPARAM command, HWND window = nullptr);
    bool Close(HWND window = nullptr);
    // Returns once the window's thread has handled everything sent before.
    bool Settle(HWND window = nullptr, DWORD timeoutMs = 10000);
    // Polls until cond() holds; false on timeout or when the process ended first.
    bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 30000);
    bool WaitText(int id, const std::string& expected, DWORD timeoutMs = 30000);
    DWORD ElapsedMs() const;

  private:
    static DWORD WINAPI WatcherMain(void* self);
    void Watch();
    void HandleWindow(HWND window);
    void AnswerDialog(HWND window, const std::string& title);

    RunOptions options_;
    HANDLE process_ = nullptr;
    HANDLE watcher_ = nullptr;
    HANDLE stop_ = nullptr;
    DWORD pid_ = 0;
    DWORD startTick_ = 0;
    mutable CRITICAL_SECTION lock_;
    std::vector<int> ruleUses_;
    std::vector<BoxRecord> boxes_;
    std::vector<WindowRecord> windows_;
    std::vector<HWND> claimed_;
    struct Answered {
        HWND window;
        DWORD atMs;
        int answer;
    };
    std::vector<Answered> answered_;
    bool timedOut_ = false;
};

// Runs to the end with the given options and reports everything.
struct Outcome {
    long exitCode = -1;
    bool timedOut = false;
    std::vector<BoxRecord> boxes;
    std::vector<WindowRecord> windows;
    bool sawWindow(const char* className, const char* title = nullptr) const;
};
Outcome RunToEnd(RunOptions options);
// The installer (options.exe empty) or any program, to the end.
Outcome RunInstaller(RunOptions options);
// The installer with a command-line tail, to the end.
Outcome RunInstaller(const std::string& args, std::vector<BoxRule> boxes = {});

// What Explorer does at a user's logon for one Active Setup component of the
// 64-bit view, which Wine's Explorer does not: when the component is installed
// and its Version is above the stamp in the user's HKCU (or there is none), it
// stamps the user's HKCU first, then starts the StubPath, split as
// CommandLineToArgvW splits it, and waits for it.
struct LogonRun {
    bool ran = false;
    std::string program; // the StubPath's first word
    Outcome outcome;
};
LogonRun RunActiveSetup(const std::string& component);

// Readable dumps for failure messages.
std::string Describe(const BoxRecord& box);
std::string Describe(const std::vector<BoxRecord>& boxes);
std::string Describe(const std::vector<WindowRecord>& windows);

// The text with CR, LF and tabs made visible, for failure messages.
std::string Escaped(const std::string& text);
// The lines of a text whose lines end in CR LF (the last one may not).
std::vector<std::string> SplitLines(const std::string& text);

} // namespace lab
