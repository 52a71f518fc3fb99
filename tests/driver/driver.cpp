#include "driver/driver.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace lab {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const HKEY HKCU = HKEY_CURRENT_USER;
const HKEY HKCR = HKEY_CLASSES_ROOT;

const char BoxTitle[] = "Scorewave Plugin Setup";
const char MainClass[] = "ScorewaveSetup";
const char MainTitle[] = "Scorewave Viewer Plugin Installation";
const char AboutTitle[] = "About Scorewave Viewer Installer";

namespace {

const DWORD PollMs = 15;
const DWORD MessageTimeoutMs = 10000;
// A dialog still on screen this long after its answer was posted is answered again.
const DWORD ReanswerMs = 3000;

std::string ErrorText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, (LPSTR)&text, 0, nullptr);
    std::string result = "error " + std::to_string(code);
    if (text) {
        result += " (" + std::string(text) + ")";
        LocalFree(text);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r'))
        result.pop_back();
    return result;
}

bool SameTextIgnoringCase(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0;
}

bool GlobMatch(const char* pattern, const char* text) {
    // Iterative match with one backtrack point for the last '*'.
    const char* starP = nullptr;
    const char* starT = nullptr;
    while (*text) {
        if (*pattern == '*') {
            starP = ++pattern;
            starT = text;
        } else if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (starP) {
            pattern = starP;
            text = ++starT;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool RuleMatches(const BoxRule& rule, const std::string& title, const std::string& text) {
    if (!rule.title.empty() && rule.title != title) return false;
    if (rule.glob) return GlobMatch(rule.text.c_str(), text.c_str());
    return text.find(rule.text) != std::string::npos;
}

struct EnumState {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    EnumState* state = (EnumState*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == state->pid && IsWindowVisible(window)) state->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectPushButtons(HWND child, LPARAM param) {
    std::vector<HWND>* buttons = (std::vector<HWND>*)param;
    if (!SameTextIgnoringCase(ClassOf(child), "Button") || !IsWindowVisible(child)) return TRUE;
    LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) buttons->push_back(child);
    return TRUE;
}

std::vector<HWND> PushButtonsOf(HWND dialog) {
    std::vector<HWND> buttons;
    EnumChildWindows(dialog, CollectPushButtons, (LPARAM)&buttons);
    return buttons;
}

bool Contains(const std::vector<int>& ids, int id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

int DefaultAnswer(const std::vector<int>& buttons, int preferred) {
    if (preferred && Contains(buttons, preferred)) return preferred;
    for (int id : {IDCANCEL, IDNO, IDOK}) {
        if (Contains(buttons, id)) return id;
    }
    return buttons.empty() ? IDCANCEL : buttons.front();
}

// The button set of a message box as MessageBoxA's type names it: MB_OK (0)
// to MB_RETRYCANCEL (5).
UINT ButtonsType(const std::vector<int>& ids) {
    const std::set<int> sets[] = {
        {IDOK},        {IDOK, IDCANCEL},   {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
    for (UINT type = 0; type < 6; ++type)
        if (sets[type] == std::set<int>(ids.begin(), ids.end())) return type;
    return MB_TYPEMASK;
}

// The colours of a w x h picture that draw paints.
std::vector<COLORREF> Pixels(int w, int h, const std::function<void(HDC)>& draw) {
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    draw(memory);
    std::vector<COLORREF> pixels;
    for (int i = 0; i < w * h; ++i)
        pixels.push_back(GetPixel(memory, i % w, i / w));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The system icon (MB_ICON*) a message box shows, 0 for none. Icon handles of
// another process cannot be read under Wine, so the icon control's pixels on
// screen are compared with each system icon drawn here: every pixel the icon
// covers (the same on black and on white) must match.
UINT IconType(HWND box) {
    HWND control = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && SameTextIgnoringCase(ClassOf(child), "Static") &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            control = child;
    DWORD_PTR icon = 0;
    if (!control ||
        !SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs,
                             &icon) ||
        !icon)
        return 0;
    RECT area, boxArea;
    GetWindowRect(control, &area);
    // A box wider than the screen has its icon off screen: the box moves right.
    if (int dx = std::max(0L, GetSystemMetrics(SM_XVIRTUALSCREEN) - area.left)) {
        GetWindowRect(box, &boxArea);
        SetWindowPos(box, nullptr, boxArea.left + dx, boxArea.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        OffsetRect(&area, dx, 0);
    }
    const int w = area.right - area.left, h = area.bottom - area.top;
    const LPCSTR ids[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
    auto drawn = [&](LPCSTR id, int brush) {
        return Pixels(w, h, [&](HDC dc) {
            RECT all = {0, 0, w, h};
            FillRect(dc, &all, (HBRUSH)GetStockObject(brush));
            DrawIconEx(dc, 0, 0, LoadIconA(nullptr, id), 0, 0, 0, nullptr, DI_NORMAL);
        });
    };
    // A box only just shown may not have painted its icon yet.
    for (int attempt = 0; attempt < 20; ++attempt, Sleep(50)) {
        WaitPainted(box, 1000);
        std::vector<COLORREF> shown = Pixels(w, h, [&](HDC dc) {
            HDC screen = GetDC(nullptr);
            BitBlt(dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
            ReleaseDC(nullptr, screen);
        });
        for (UINT i = 0; i < 4; ++i) {
            std::vector<COLORREF> onBlack = drawn(ids[i], BLACK_BRUSH),
                                  onWhite = drawn(ids[i], WHITE_BRUSH);
            size_t covered = 0, same = 0;
            for (size_t p = 0; p < shown.size(); ++p) {
                covered += onBlack[p] == onWhite[p];
                same += onBlack[p] == onWhite[p] && onBlack[p] == shown[p];
            }
            // MB_ICONHAND 0x10, MB_ICONQUESTION 0x20 ... in the order of ids.
            if (covered > 0 && same == covered) return MB_ICONHAND * (i + 1);
        }
    }
    return MB_USERICON;
}

std::string ParentOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

} // namespace

// ====================================================================== locations

std::string WindowsPath(const std::string& linuxPath) {
    std::string path = linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty() && path[0] == '\\') path = "Z:" + path;
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (name.empty()) return folder;
    if (folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

std::string BuildPath(const char* file) {
    return Join(WindowsPath(SCOREWAVE_BUILD_DIR), file);
}

std::string SourcePath(const char* file) {
    std::string relative = file;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return Join(WindowsPath(SCOREWAVE_SOURCE_DIR), relative);
}

std::string InstallerPath() {
    return BuildPath("ScorewaveSetup.exe");
}

std::string FixturePath(const char* name) {
    return BuildPath((std::string(name) + ".exe").c_str());
}

std::string CopyInstaller(const std::string& folder, const char* fileName) {
    if (!MakeFolders(folder)) return "";
    std::string target = Join(folder, fileName);
    if (!CopyFileA(InstallerPath().c_str(), target.c_str(), FALSE)) {
        ADD_FAILURE() << "copying the installer to " << target << ": " << ErrorText(GetLastError());
        return "";
    }
    return target;
}

// ====================================================================== files

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolders(const std::string& path) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            // Skip drive roots ("C:") and the empty head of "\\server".
            if (!partial.empty() && partial.back() != ':' && !FolderExists(partial))
                CreateDirectoryA(partial.c_str(), nullptr);
        }
        if (i < path.size()) partial += path[i];
    }
    if (!FolderExists(path)) {
        ADD_FAILURE() << "making folder " << path << ": " << ErrorText(GetLastError());
        return false;
    }
    return true;
}

std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    UnixNameFn unixName =
        (UnixNameFn)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* name = unixName ? unixName(wide.c_str()) : nullptr;
    if (!name) return "";
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

bool RunUnix(const std::string& program, const std::vector<std::string>& unixPaths) {
    std::string line = program;
    for (const std::string& path : unixPaths) {
        if (path.empty()) return false;
        line += " \"" + path + "\"";
    }
    // Wine does not wait for a Unix program: its handle is signalled at once.
    PROCESS_INFORMATION info;
    if (!StartProcess(line, &info)) return false;
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return true;
}

bool MakeFolderLink(const std::string& target, const std::string& linkPath) {
    RunUnix("Z:\\bin\\ln -s", {UnixPath(target), UnixPath(linkPath)});
    if (!WaitFor([&] {
            DWORD attributes = GetFileAttributesA(linkPath.c_str());
            return attributes != INVALID_FILE_ATTRIBUTES &&
                   (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        })) {
        ADD_FAILURE() << "no link at " << linkPath << " to " << target;
        return false;
    }
    return true;
}

namespace {

// A link goes, never what it leads to; Wine cannot remove a Unix link to a
// folder itself (RemoveDirectoryA removes the empty folder it leads to), nor
// see one whose folder is gone, so it goes by its listing.
void RemoveLink(const std::string& path) {
    if (!DeleteFileA(path.c_str()) && RunUnix("Z:\\bin\\rm", {UnixPath(path)}))
        WaitFor([&] {
            // Listed even when it leads nowhere.
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(path.c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) return true;
            FindClose(search);
            return false;
        });
}

void RemoveEntry(const std::string& path, DWORD attributes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveLink(path);
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(Join(path, "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
                    RemoveEntry(Join(path, found.cFileName), found.dwFileAttributes);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
}

} // namespace

bool RemoveTree(const std::string& path) {
    // Again while a Unix program removing a link inside has not finished.
    WaitFor(
        [&] {
            DWORD attributes = GetFileAttributesA(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) return true;
            RemoveEntry(path, attributes);
            return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        },
        10000);
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ADD_FAILURE() << "removing " << path << ": " << ErrorText(GetLastError());
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::string parent = ParentOf(path);
    if (!parent.empty() && !FolderExists(parent) && !MakeFolders(parent)) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "creating " << path << ": " << ErrorText(GetLastError());
        return false;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        ADD_FAILURE() << "writing " << path << ": " << ErrorText(GetLastError());
        return false;
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

// ====================================================================== registry

RegKey::RegKey(HKEY root, std::string path, View view)
    : root_(root), path_(std::move(path)), view_(view) {}

REGSAM RegKey::Sam(REGSAM access) const {
    return access | (view_ == View::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
}

std::string RegKey::Describe() const {
    const char* root = root_ == HKEY_LOCAL_MACHINE  ? "HKLM"
                       : root_ == HKEY_CURRENT_USER ? "HKCU"
                       : root_ == HKEY_CLASSES_ROOT ? "HKCR"
                       : root_ == HKEY_USERS        ? "HKU"
                                                    : "HKEY?";
    return std::string(root) + "\\" + path_ + (view_ == View::Wow32 ? " (32-bit view)" : "");
}

RegKey RegKey::Sub(const std::string& relative) const {
    return RegKey(root_, path_.empty() ? relative : path_ + "\\" + relative, view_);
}

bool RegKey::SetRaw(const std::string& name, DWORD type, const std::string& bytes) const {
    HKEY key;
    LONG status = RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, Sam(KEY_SET_VALUE), nullptr,
                                  &key, nullptr);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "creating " << Describe() << ": " << ErrorText(status);
        return false;
    }
    // RegSetValueExA counts a string's zero itself when the byte after the data
    // is zero; a non-zero guard byte keeps unterminated data unterminated.
    std::string guarded = bytes + 'X';
    status = RegSetValueExA(key, name.c_str(), 0, type, (const BYTE*)guarded.data(),
                            DWORD(bytes.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "setting " << Describe() << " value '" << name
                      << "': " << ErrorText(status);
        return false;
    }
    return true;
}

bool RegKey::SetString(const std::string& name, const std::string& value) const {
    return SetRaw(name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

bool RegKey::SetExpandString(const std::string& name, const std::string& value) const {
    return SetRaw(name, REG_EXPAND_SZ, std::string(value.c_str(), value.size() + 1));
}

bool RegKey::SetDword(const std::string& name, DWORD value) const {
    return SetRaw(name, REG_DWORD, std::string((const char*)&value, sizeof value));
}

bool RegKey::SetBinary(const std::string& name, const std::string& bytes) const {
    return SetRaw(name, REG_BINARY, bytes);
}

bool RegKey::DeleteValue(const std::string& name) const {
    HKEY key;
    LONG status = RegOpenKeyExA(root_, path_.c_str(), 0, Sam(KEY_SET_VALUE), &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        ADD_FAILURE() << "deleting " << Describe() << " value '" << name
                      << "': " << ErrorText(status);
        return false;
    }
    return true;
}

bool RegKey::DeleteTree() const {
    HKEY key;
    LONG status = RegOpenKeyExA(root_, path_.c_str(), 0, Sam(KEY_ALL_ACCESS), &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status == ERROR_SUCCESS) {
        status = RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
    }
    if (status == ERROR_SUCCESS) status = RegDeleteKeyExA(root_, path_.c_str(), Sam(0), 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        ADD_FAILURE() << "deleting " << Describe() << ": " << ErrorText(status);
        return false;
    }
    return true;
}

bool RegKey::Exists() const {
    HKEY key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, Sam(KEY_READ), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool RegKey::GetRaw(const std::string& name, DWORD* type, std::string* bytes) const {
    HKEY key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, Sam(KEY_QUERY_VALUE), &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0, kind = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &kind, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        std::string data(size, '\0');
        status = RegQueryValueExA(key, name.c_str(), nullptr, &kind, (BYTE*)&data[0], &size);
        data.resize(size);
        if (status == ERROR_SUCCESS) {
            if (type) *type = kind;
            if (bytes) *bytes = data;
        }
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool RegKey::HasValue(const std::string& name) const {
    return GetRaw(name, nullptr, nullptr);
}

std::optional<std::string> RegKey::GetString(const std::string& name) const {
    DWORD type = 0;
    std::string bytes;
    if (!GetRaw(name, &type, &bytes) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    size_t end = bytes.find('\0');
    if (end != std::string::npos) bytes.resize(end);
    return bytes;
}

std::optional<DWORD> RegKey::GetDword(const std::string& name) const {
    DWORD type = 0;
    std::string bytes;
    if (!GetRaw(name, &type, &bytes) || type != REG_DWORD || bytes.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value;
    memcpy(&value, bytes.data(), sizeof value);
    return value;
}

namespace {

// The names that enumerate(key, index, name, size) delivers for index 0, 1, ...
// until it fails; an empty list when the key cannot be opened.
template <class Enumerate>
std::vector<std::string> EnumeratedNames(HKEY root, const std::string& path, REGSAM sam,
                                         DWORD nameSize, Enumerate enumerate) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, sam, &key) != ERROR_SUCCESS) return names;
    std::vector<char> name(nameSize);
    for (DWORD i = 0;; ++i) {
        DWORD size = nameSize;
        if (enumerate(key, i, name.data(), &size) != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), size);
    }
    RegCloseKey(key);
    return names;
}

} // namespace

std::vector<std::string> RegKey::SubkeyNames() const {
    return EnumeratedNames(
        root_, path_, Sam(KEY_READ), 256, [](HKEY key, DWORD i, char* name, DWORD* size) {
            return RegEnumKeyExA(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
        });
}

std::vector<std::string> RegKey::ValueNames() const {
    return EnumeratedNames(
        root_, path_, Sam(KEY_READ), 16384, [](HKEY key, DWORD i, char* name, DWORD* size) {
            return RegEnumValueA(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
        });
}

void AddRegistryTree(HKEY root, const std::string& label, const std::string& path,
                     const std::set<std::string>& skipped, RegistrySnapshot& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out["K " + label + path] = "";
    std::vector<char> name(16384), data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
        LONG rc = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, (BYTE*)data.data(),
                                &dataSize);
        if (rc != ERROR_SUCCESS) break;
        out["V " + label + path + "|" + std::string(name.data(), nameSize)] =
            std::to_string(type) + ":" + std::string(data.data(), dataSize);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = DWORD(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name.data(), nameSize);
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys) {
        std::string child = path.empty() ? sub : path + "\\" + sub;
        if (!skipped.count(child)) AddRegistryTree(root, label, child, skipped, out);
    }
}

bool SetWindowsVersion(const std::string& version, const std::string& exe) {
    RegKey key(HKCU, "Software\\Wine\\AppDefaults\\" + exe);
    return version.empty() ? key.DeleteValue("Version") : key.SetString("Version", version);
}

namespace {
std::string RecordingFile;
int RecordingCount = 0;
} // namespace

void NewRecording() {
    MakeFolders("C:\\lab");
    RecordingFile = "C:\\lab\\recorded-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++RecordingCount) + ".txt";
    SetEnvironmentVariableA("LAB_RECORDER_FILE", RecordingFile.c_str());
    // For the programs the desktop shell starts, which get its environment.
    RegKey(HKCU, "Software\\ScorewaveLab").SetString("RecorderFile", RecordingFile);
}

bool RecordUrlLaunches(const char* protocol) {
    NewRecording();
    RegKey key(HKCR, std::string(protocol) + "\\shell\\open\\command");
    return key.SetString("", "\"" + FixturePath("recorder") + "\" \"%1\"");
}

namespace {
std::vector<std::string> RecordedLines(const std::string& file) {
    // A launch has created its process by the time the launcher goes on, so
    // once no recorder runs, every launch made so far is in the file.
    if (!WaitFor([] { return ProcessesNamed("recorder.exe").empty(); }, 30000))
        ADD_FAILURE() << "a recorder process is still running";
    std::vector<std::string> lines;
    if (RecordingFile.empty()) return lines;
    return SplitLines(ReadWholeFile(file).value_or(""));
}
} // namespace

std::vector<std::string> RecordedLaunches() {
    return RecordedLines(RecordingFile);
}

std::vector<LaunchParent> RecordedLaunchParents() {
    std::vector<LaunchParent> parents;
    for (const std::string& line : RecordedLines(RecordingFile + ".parents")) {
        LaunchParent parent;
        size_t space = line.find(' ');
        parent.pid = DWORD(strtoul(line.c_str(), nullptr, 10));
        parent.name = space == std::string::npos ? "?" : line.substr(space + 1);
        for (char& c : parent.name)
            c = char(tolower((unsigned char)c));
        parents.push_back(parent);
    }
    return parents;
}

bool StartProcess(const std::string& commandLine, PROCESS_INFORMATION* info, const char* image,
                  const char* workingDir, DWORD* startTick, int showState, const char* desktop) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (showState != -1) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = WORD(showState);
    }
    std::vector<char> desktopName;
    if (desktop) {
        desktopName.assign(desktop, desktop + strlen(desktop) + 1);
        startup.lpDesktop = desktopName.data();
    }
    ZeroMemory(info, sizeof *info);
    for (int attempt = 1;; ++attempt) {
        if (startTick) *startTick = GetTickCount();
        if (CreateProcessA(image, line.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir,
                           &startup, info))
            return true;
        DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 4) {
            SetLastError(error);
            return false;
        }
        fprintf(stderr, "lab: starting %s failed with %lu, attempt %d\n", commandLine.c_str(),
                error, attempt);
        Sleep(500 * attempt);
    }
}

std::string UnseenDesktop() {
    static const char Station[] = "ScorewaveLabUnseen";
    static bool made = false;
    if (!made) {
        // Kept for the test program's life, so that the station stays.
        HWINSTA station = CreateWindowStationA(Station, 0, WINSTA_ALL_ACCESS, nullptr);
        HWINSTA own = GetProcessWindowStation();
        if (station && SetProcessWindowStation(station)) {
            made = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr) != nullptr;
            SetProcessWindowStation(own);
        }
        EXPECT_TRUE(made) << "no window station for unseen runs: " << ErrorText(GetLastError());
    }
    return std::string(Station) + "\\Default";
}

std::vector<DWORD> ProcessesNamed(const char* exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(PollMs);
    }
}

// ====================================================================== windows

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string WindowText(HWND window) {
    if (!window) return "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs,
                             &length))
        return "";
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG,
                             MessageTimeoutMs, &got))
        return "";
    text.resize(std::min<size_t>(got, length));
    return text;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    EnumState state{pid, {}};
    EnumWindows(CollectTopLevel, (LPARAM)&state);
    return state.found;
}

namespace {

BOOL CALLBACK FindUnpainted(HWND child, LPARAM param) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *(bool*)param = true;
        return FALSE;
    }
    return TRUE;
}

bool NeedsPaint(HWND window) {
    if (GetUpdateRect(window, nullptr, FALSE)) return true;
    bool found = false;
    EnumChildWindows(window, FindUnpainted, (LPARAM)&found);
    return found;
}

} // namespace

bool WaitPainted(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored;
    bool clean = WaitFor(
        [&] {
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
            return !NeedsPaint(window);
        },
        timeoutMs);
    // Painting has reached the X server once the window's thread answers again.
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
    return clean;
}

bool SaveScreenshot(const std::string& path, HWND window) {
    RECT area;
    if (window) {
        WaitPainted(window);
        if (!GetWindowRect(window, &area)) {
            ADD_FAILURE() << "screenshot " << path << ": no window";
            return false;
        }
    } else {
        area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        ADD_FAILURE() << "screenshot " << path << ": empty area";
        return false;
    }

    BITMAPINFOHEADER header;
    ZeroMemory(&header, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * DWORD(height);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, (BITMAPINFO*)&header, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && bits) {
        HGDIOBJ previous = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top,
                    SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        SelectObject(memory, previous);
    }
    std::string file;
    if (ok) {
        BITMAPFILEHEADER head;
        ZeroMemory(&head, sizeof head);
        head.bfType = 0x4D42; // "BM"
        head.bfOffBits = sizeof head + sizeof header;
        head.bfSize = head.bfOffBits + header.biSizeImage;
        file.append((const char*)&head, sizeof head);
        file.append((const char*)&header, sizeof header);
        file.append((const char*)bits, header.biSizeImage);
    }
    if (dib) DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        ADD_FAILURE() << "screenshot " << path << ": capture failed";
        return false;
    }
    return WriteWholeFile(path, file);
}

std::string ScreenshotPath(const std::string& name) {
    std::string folder = BuildPath("screenshots");
    MakeFolders(folder);
    return Join(folder, name + ".bmp");
}

// ====================================================================== clipboard

namespace {

// The installer may hold the clipboard open for a moment while it copies.
bool OpenClipboardPatiently() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(10);
    }
    return false;
}

} // namespace

std::optional<std::string> ClipboardText() {
    if (!OpenClipboardPatiently()) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = (const char*)GlobalLock(data)) {
            text = std::string(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool SetClipboardText(const std::string& text) {
    if (!OpenClipboardPatiently()) {
        ADD_FAILURE() << "clipboard busy";
        return false;
    }
    EmptyClipboard();
    bool ok = false;
    if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        char* bytes = (char*)GlobalLock(data);
        memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(data);
        ok = SetClipboardData(CF_TEXT, data) != nullptr;
        if (!ok) GlobalFree(data);
    }
    CloseClipboard();
    if (!ok) ADD_FAILURE() << "setting the clipboard failed";
    return ok;
}

// ====================================================================== running

Session::Session(RunOptions options) : options_(std::move(options)) {
    InitializeCriticalSection(&lock_);
    ruleUses_.assign(options_.boxes.size(), 0);

    std::string exe = options_.exe.empty() ? InstallerPath() : options_.exe;
    std::string commandLine = options_.commandLine;
    const char* image = nullptr;
    if (commandLine.empty()) {
        commandLine = "\"" + exe + "\"";
        if (!options_.args.empty()) commandLine += " " + options_.args;
    } else if (!options_.exe.empty()) {
        image = options_.exe.c_str();
    }
    PROCESS_INFORMATION info;
    if (!StartProcess(commandLine, &info, image,
                      options_.workingDir.empty() ? nullptr : options_.workingDir.c_str(),
                      &startTick_, options_.showState,
                      options_.desktop.empty() ? nullptr : options_.desktop.c_str())) {
        ADD_FAILURE() << "starting " << commandLine << ": " << ErrorText(GetLastError());
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    watcher_ = CreateThread(nullptr, 0, WatcherMain, this, 0, nullptr);
}

Session::~Session() {
    if (Running()) Kill();
    if (watcher_) {
        SetEvent(stop_);
        WaitForSingleObject(watcher_, INFINITE);
        CloseHandle(watcher_);
    }
    if (stop_) CloseHandle(stop_);
    if (process_) CloseHandle(process_);
    DeleteCriticalSection(&lock_);
}

DWORD Session::ElapsedMs() const {
    return GetTickCount() - startTick_;
}

bool Session::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

long Session::ExitCode() const {
    DWORD code = 0;
    if (!process_ || Running() || !GetExitCodeProcess(process_, &code)) return -1;
    return long(code);
}

long Session::Wait(DWORD timeoutMs) {
    if (!process_) return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
    // The watcher's records are complete once it has seen the end.
    if (watcher_) WaitForSingleObject(watcher_, INFINITE);
    return ExitCode();
}

bool Session::TimedOut() const {
    EnterCriticalSection(&lock_);
    bool result = timedOut_;
    LeaveCriticalSection(&lock_);
    return result;
}

void Session::Kill() {
    if (!Running()) return;
    TerminateProcess(process_, KilledExitCode);
    WaitForSingleObject(process_, 10000);
}

std::vector<BoxRecord> Session::Boxes() const {
    EnterCriticalSection(&lock_);
    std::vector<BoxRecord> copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<BoxRecord> Session::UnmatchedBoxes() const {
    std::vector<BoxRecord> result;
    for (const BoxRecord& box : Boxes()) {
        if (box.rule < 0) result.push_back(box);
    }
    return result;
}

std::vector<WindowRecord> Session::WindowsSeen() const {
    EnterCriticalSection(&lock_);
    std::vector<WindowRecord> copy = windows_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool Session::WaitBoxes(size_t count, DWORD timeoutMs) {
    return WaitUntil([&] { return Boxes().size() >= count; }, timeoutMs);
}

DWORD WINAPI Session::WatcherMain(void* self) {
    ((Session*)self)->Watch();
    return 0;
}

void Session::Watch() {
    HANDLE events[2] = {process_, stop_};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(2, events, FALSE, PollMs);
        if (woke != WAIT_TIMEOUT) return;
        if (ElapsedMs() > options_.timeoutMs) {
            EnterCriticalSection(&lock_);
            timedOut_ = true;
            LeaveCriticalSection(&lock_);
            TerminateProcess(process_, KilledExitCode);
            WaitForSingleObject(process_, 10000);
            return;
        }
        for (HWND window : TopLevelWindows(pid_))
            HandleWindow(window);
    }
}

void Session::HandleWindow(HWND window) {
    EnterCriticalSection(&lock_);
    bool claimed = std::find(claimed_.begin(), claimed_.end(), window) != claimed_.end();
    const WindowRecord* known = nullptr;
    for (const WindowRecord& record : windows_) {
        if (record.window == window) known = &record;
    }
    WindowRecord record = known ? *known : WindowRecord{window, "", "", ElapsedMs()};
    LeaveCriticalSection(&lock_);
    if (claimed) return;

    if (!known) {
        char title[512] = "";
        GetWindowTextA(window, title, sizeof title);
        record.className = ClassOf(window);
        record.title = title;
        EnterCriticalSection(&lock_);
        windows_.push_back(record);
        LeaveCriticalSection(&lock_);
        if (options_.onWindow && options_.onWindow(*this, record)) {
            EnterCriticalSection(&lock_);
            claimed_.push_back(window);
            LeaveCriticalSection(&lock_);
            return;
        }
    }
    if (record.className != "#32770") return;
    if (ElapsedMs() - record.atMs < options_.answerDelayMs) return;
    AnswerDialog(window, record.title);
}

void Session::AnswerDialog(HWND window, const std::string& title) {
    EnterCriticalSection(&lock_);
    int previousAnswer = 0;
    DWORD now = ElapsedMs();
    for (Answered& answered : answered_) {
        if (answered.window != window) continue;
        if (now - answered.atMs < ReanswerMs) {
            LeaveCriticalSection(&lock_);
            return;
        }
        answered.atMs = now;
        previousAnswer = answered.answer;
    }
    LeaveCriticalSection(&lock_);
    if (previousAnswer) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(previousAnswer, BN_CLICKED),
                     (LPARAM)GetDlgItem(window, previousAnswer));
        return;
    }

    BoxRecord box;
    box.title = title;
    box.text = WindowText(GetDlgItem(window, 0xFFFF));
    for (HWND button : PushButtonsOf(window))
        box.buttons.push_back(GetDlgCtrlID(button));
    box.type = IconType(window) | ButtonsType(box.buttons);
    box.atMs = now;

    EnterCriticalSection(&lock_);
    for (size_t i = 0; i < options_.boxes.size(); ++i) {
        const BoxRule& rule = options_.boxes[i];
        if (rule.times != Forever && ruleUses_[i] >= rule.times) continue;
        if (!RuleMatches(rule, box.title, box.text)) continue;
        // A rule naming a button the box lacks does not answer it: the box is
        // then reported as unmatched, which is how a wrong box type shows up.
        if (!Contains(box.buttons, rule.button)) continue;
        ++ruleUses_[i];
        box.rule = int(i);
        box.answer = rule.button;
        break;
    }
    if (box.rule < 0) box.answer = DefaultAnswer(box.buttons, options_.unmatchedAnswer);
    boxes_.push_back(box);
    answered_.push_back({window, now, box.answer});
    LeaveCriticalSection(&lock_);

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(box.answer, BN_CLICKED),
                 (LPARAM)GetDlgItem(window, box.answer));
}

HWND Session::FindWindowOf(const char* className, const char* title) const {
    for (HWND window : TopLevelWindows(pid_)) {
        if (className && ClassOf(window) != className) continue;
        if (title) {
            char text[512] = "";
            GetWindowTextA(window, text, sizeof text);
            if (strcmp(text, title) != 0) continue;
        }
        return window;
    }
    return nullptr;
}

HWND Session::WaitWindow(const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(className, title)) != nullptr; }, timeoutMs);
    return found;
}

HWND Session::WaitMainWindow(DWORD timeoutMs) {
    return WaitWindow(MainClass, MainTitle, timeoutMs);
}

HWND Session::MainWindow() const {
    return FindWindowOf(MainClass, MainTitle);
}

HWND Session::Control(HWND dialog, int id) const {
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

std::string Session::Text(HWND dialog, int id) const {
    return WindowText(Control(dialog, id));
}

bool Session::Visible(HWND dialog, int id) const {
    HWND control = Control(dialog, id);
    return control && IsWindowVisible(control);
}

bool Session::Enabled(HWND dialog, int id) const {
    HWND control = Control(dialog, id);
    return control && IsWindowEnabled(control);
}

bool Session::Click(HWND dialog, int id) {
    HWND button = Control(dialog, id);
    if (!button) {
        ADD_FAILURE() << "click " << id << ": no such control";
        return false;
    }
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
        ADD_FAILURE() << "click " << id << ": control is "
                      << (IsWindowVisible(button) ? "disabled" : "hidden");
        return false;
    }
    // Posted, not sent: the click may open a modal box, which the watcher
    // answers only while this thread is free.
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool Session::Command(int id, HWND dialog) {
    if (!dialog) dialog = MainWindow();
    return dialog && PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                  (LPARAM)GetDlgItem(dialog, id));
}

bool Session::SysCommand(WPARAM command, HWND window) {
    if (!window) window = MainWindow();
    return window && PostMessageA(window, WM_SYSCOMMAND, command, 0);
}

bool Session::Close(HWND window) {
    if (!window) window = MainWindow();
    return window && PostMessageA(window, WM_CLOSE, 0, 0);
}

bool Session::Settle(HWND window, DWORD timeoutMs) {
    if (!window) window = MainWindow();
    DWORD_PTR result;
    return window &&
           SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool Session::WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (!Running()) return cond();
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(PollMs);
    }
}

bool Session::WaitText(int id, const std::string& expected, DWORD timeoutMs) {
    return WaitUntil([&] { return Text(id) == expected; }, timeoutMs);
}

// ====================================================================== outcomes

bool Outcome::sawWindow(const char* className, const char* title) const {
    for (const WindowRecord& window : windows) {
        if (className && window.className != className) continue;
        if (title && window.title != title) continue;
        return true;
    }
    return false;
}

Outcome RunToEnd(RunOptions options) {
    Outcome outcome;
    Session run(std::move(options));
    if (!run.Started()) return outcome;
    outcome.exitCode = run.Wait();
    outcome.timedOut = run.TimedOut();
    outcome.boxes = run.Boxes();
    outcome.windows = run.WindowsSeen();
    return outcome;
}

Outcome RunInstaller(RunOptions options) {
    return RunToEnd(std::move(options));
}

Outcome RunInstaller(const std::string& args, std::vector<BoxRule> boxes) {
    RunOptions options;
    options.args = args;
    options.boxes = std::move(boxes);
    return RunToEnd(std::move(options));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::string Escaped(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c == '\r')
            result += "\\r";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else
            result += c;
    }
    return result;
}

namespace {

// "1,20,0,3" as numbers, missing ones 0; nothing for a missing stamp, which
// comes before every other.
std::vector<unsigned> StampParts(const std::optional<std::string>& text) {
    std::vector<unsigned> parts(4, 0);
    if (!text) return {};
    sscanf(text->c_str(), "%u,%u,%u,%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    return parts;
}

} // namespace

LogonRun RunActiveSetup(const std::string& component) {
    const std::string key = "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\" + component;
    RegKey machine(HKLM, key), user(HKCU, key);
    std::optional<std::string> version = machine.GetString("Version");
    std::optional<std::string> command = machine.GetString("StubPath");
    LogonRun run;
    if (!command || machine.GetDword("IsInstalled") != 1u ||
        !(StampParts(user.GetString("Version")) < StampParts(version)))
        return run;
    user.SetString("Version", *version);
    std::wstring wide(command->begin(), command->end());
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(wide.c_str(), &count);
    if (!words) return run;
    for (const wchar_t* c = words[0]; *c; ++c)
        run.program += char(*c);
    LocalFree(words);
    RunOptions options;
    options.exe = run.program;
    options.commandLine = *command;
    run.outcome = RunToEnd(options);
    run.ran = true;
    return run;
}

std::string Describe(const BoxRecord& box) {
    std::string result = "[" + box.title + "] \"" + Escaped(box.text) + "\" buttons {";
    for (size_t i = 0; i < box.buttons.size(); ++i)
        result += (i ? "," : "") + std::to_string(box.buttons[i]);
    result += "} type " + std::to_string(box.type) + " answered " + std::to_string(box.answer);
    result += box.rule >= 0 ? " by rule " + std::to_string(box.rule) : " (unmatched)";
    return result + " at " + std::to_string(box.atMs) + " ms";
}

std::string Describe(const std::vector<BoxRecord>& boxes) {
    if (boxes.empty()) return "no boxes";
    std::string result;
    for (const BoxRecord& box : boxes)
        result += "\n  " + Describe(box);
    return result;
}

std::string Describe(const std::vector<WindowRecord>& windows) {
    if (windows.empty()) return "no windows";
    std::string result;
    for (const WindowRecord& window : windows)
        result += "\n  " + window.className + " \"" + window.title + "\" at " +
                  std::to_string(window.atMs) + " ms";
    return result;
}

} // namespace lab
