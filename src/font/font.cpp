#include "font/font.h"

#include <cstdio>
#include <shlobj.h>

#include "base/file_system.h"
#include "base/heap.h"
#include "base/image_rules.h"
#include "base/path_rules.h"
#include "base/registry.h"
#include "entry/uninstall_entry.h"
#include "font/font_rules.h"
#include "replace/replace.h"
#include "report/report.h"
#include "resources/resource.h"
#include "sysinfo/winver.h"

namespace {

const char NtFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char OlderFontsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
const char FontBrowserName[] = "Font";
const char FailureFormat[] = "Failed to install Font %s to %s";
const char DisplayDriver[] = "DISPLAY";
const char ProbeText[] = "ABCDEFGH";
const int ProbeHeight = -18;
const int FaceNameSize = 32;
const DWORD FirstNtMajorVersion = 5;

// The font inside the plug-in. Its bytes come from the plug-in the installer
// carries in its own resources, never from a plug-in file written into a
// folder a user may control, where another file may stand by now.
PayloadItem FontItem = {"Scorewave Font", "TRUETYPE", "MUSICFONT", nullptr, 0, nullptr};

bool TakeCarriedFont() {
    const BYTE* plugin;
    DWORD pluginSize;
    const uint8_t* font;
    uint32_t fontSize;
    if (!CarriedPlugin(&plugin, &pluginSize) ||
        !FindImageResource(plugin, pluginSize, {0, FontItem.resourceType},
                           {0, FontItem.resourceName}, &font, &fontSize))
        return false;
    FontItem.data = font;
    FontItem.size = fontSize;
    return true;
}

} // namespace

const char FontFamily[] = "Tonalis";
const char FontFileName[] = "Tonalis.ttf";
const char FontValueName[] = "Tonalis (TrueType)";

const char* FontsRegistryKey() {
    OSVERSIONINFOA info;
    if (!ReadWindowsVersion(&info)) return OlderFontsKey;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT || info.dwMajorVersion >= FirstNtMajorVersion)
        return NtFontsKey;
    return OlderFontsKey;
}

namespace {

void LogFontFailure(const char* fontPath) {
    // Room for the format, the family and the longest path: wsprintfA cannot overrun.
    char line[sizeof FailureFormat + sizeof FontFamily + MAX_PATH];
    wsprintfA(line, FailureFormat, FontFamily, fontPath);
    LogLine(line);
}

bool ReadFromFile(void* context, uint64_t offset, void* buffer, uint32_t size) {
    HANDLE file = *(HANDLE*)context;
    // A handle opened for synchronous reads reads at the offset given here.
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, &at) && got == size;
}

// The record's text in the ANSI code page; null when it is empty or cannot be
// read or converted.
char* DecodeFamilyName(HANDLE file, const FontNameRecord& record) {
    unsigned char* raw = (unsigned char*)HeapBytes(SIZE_T(record.length) + 3);
    if (!raw) return nullptr;
    if (!ReadFontNameBytes(ReadFromFile, &file, record, raw)) {
        FreeHeapBytes(raw);
        return nullptr;
    }
    if (record.platformId == MacintoshPlatform) {
        raw[record.length] = '\0';
        if (raw[0] != '\0') return (char*)raw;
        FreeHeapBytes(raw);
        return nullptr;
    }
    const int units = record.length / 2;
    int needed =
        WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)raw, units, nullptr, 0, nullptr, nullptr);
    char* text = needed > 0 ? (char*)HeapBytes(SIZE_T(needed) + 1) : nullptr;
    if (text) {
        int done = WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)raw, units, text, needed, nullptr,
                                       nullptr);
        text[done > 0 ? done : 0] = '\0';
        if (text[0] == '\0') {
            FreeHeapBytes(text);
            text = nullptr;
        }
    }
    FreeHeapBytes(raw);
    return text;
}

int CALLBACK NoteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *(bool*)found = true;
    return 0; // the first family is enough
}

} // namespace

char* ReadFontFamilyName(const char* fontPath) {
    HANDLE file = CreateFileA(fontPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    FontNameRecord record;
    char* name = nullptr;
    if (FindFontFamilyRecord(ReadFromFile, &file, &record)) name = DecodeFamilyName(file, record);
    CloseHandle(file);
    return name;
}

bool SelectedFontMatches(HDC dc) {
    LOGFONTA asked;
    ZeroMemory(&asked, sizeof asked);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    if (font && GetObjectA(font, sizeof asked, &asked) == 0) return false;

    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof metrics);
    GetTextMetricsA(dc, &metrics);
    char face[FaceNameSize];
    if (GetTextFaceA(dc, sizeof face, face) == 0) face[0] = '\0';

    if (asked.lfCharSet != DEFAULT_CHARSET && asked.lfCharSet != metrics.tmCharSet) return false;
    // TMPF_FIXED_PITCH set means the font is NOT fixed-pitch.
    if ((asked.lfPitchAndFamily & 3) != 0) {
        bool asksFixed = (asked.lfPitchAndFamily & FIXED_PITCH) != 0;
        bool isFixed = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
        if (asksFixed != isFixed) return false;
    }
    if ((asked.lfOutPrecision & 7) != 0 && !(metrics.tmPitchAndFamily & TMPF_TRUETYPE))
        return false;
    if (asked.lfFaceName[0] != '\0' && lstrcmpiA(asked.lfFaceName, face) != 0) return false;
    return (asked.lfItalic != 0) == (metrics.tmItalic != 0);
}

bool IsFontInstalled(const char* familyName, HDC dc) {
    HDC made = nullptr;
    if (!dc) {
        made = CreateDCA(DisplayDriver, nullptr, nullptr, nullptr);
        if (!made) return false;
        dc = made;
    }
    bool found = false;
    EnumFontFamiliesA(dc, familyName, NoteFamily, (LPARAM)&found);

    bool result = false;
    if (found) {
        HFONT font = CreateFontA(ProbeHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, VARIABLE_PITCH, familyName);
        if (font) {
            HGDIOBJ previous = SelectObject(dc, font);
            SIZE extent;
            result = SelectedFontMatches(dc) &&
                     GetTextExtentPoint32A(dc, ProbeText, sizeof ProbeText - 1, &extent);
            SelectObject(dc, previous);
            DeleteObject(font);
        }
    }
    if (made) DeleteDC(made);
    return result;
}

bool MusicFontPath(char* fontPath, int size) {
    char fontsFolder[MAX_PATH];
    return SpecialFolderPath(CSIDL_FONTS, fontsFolder, sizeof fontsFolder) > 0 &&
           ComposeFilePath(fontPath, size, fontsFolder, FontFileName, SeparatorUnlessPresent,
                           IsAnsiLeadByte);
}

void InstallMusicFont(const char* pluginPath) {
    const char* fontsKey = FontsRegistryKey();
    char fontPath[MAX_PATH];
    if (!MusicFontPath(fontPath, sizeof fontPath)) return;

    if (GetFileAttributesA(fontPath) == INVALID_FILE_ATTRIBUTES) {
        if (!FontItem.data && !TakeCarriedFont()) {
            ReportMessage(MSG_MISSING_LIBRARY, pluginPath);
            return;
        }
        bool recorded = RecordCreated(CreatedFontFile);
        int result = DeployWithRetries(FontItem, fontPath, FontBrowserName);
        if (result != DeployWritten && recorded) ForgetCreated(CreatedFontFile);
        if (result != DeployWritten) return;
        PlacedBytes += FontItem.size;
        if (AddFontResourceA(fontPath) < 1) {
            LogFontFailure(fontPath);
            return;
        }
    } else {
        // An existing font file is never replaced, whatever its version.
        char* name = ReadFontFamilyName(fontPath);
        bool installed = name && IsFontInstalled(name, nullptr);
        FreeHeapBytes(name);
        if (!installed && AddFontResourceA(fontPath) < 1) {
            LogFontFailure(fontPath);
            return;
        }
    }

    ScopedKey key;
    if (CreateKey(HKEY_LOCAL_MACHINE, fontsKey, KEY_WRITE | KEY_QUERY_VALUE, key.Receive()) ==
        ERROR_SUCCESS) {
        if (RegQueryValueExA(key.Get(), FontValueName, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_FILE_NOT_FOUND)
            RecordCreated(CreatedFontValue);
        SetStringValue(key.Get(), FontValueName, FontFileName);
    }
    SendNotifyMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}
