#include "report/report.h"

#include "base/text_length.h"
#include "process/state.h"
#include "resources/resource.h"

namespace {

const int MessageBufferSize = 384;
char MessageBuffer[MessageBufferSize];
HANDLE LogFile;
bool Unattended;
char* LogBuffer;
int LogBufferSize;

// The Windows line's inserts, once the program has handed them.
const int WindowsInsertCount = 5;
ReportInsert WindowsInserts[WindowsInsertCount];

const char UnknownError[] = "Unknown Error\n";
const char Separator[] = "    _____________________________\r\n";
const char AnswerIndent[] = "    ";
const char AnswerEnd[] = "\r\n\r\n";

// The catalogue uses %1 to %7; the rest stay empty texts so that a message
// naming an insert its caller did not pass never reads past the array.
const int MaxInserts = 9;
const char NoText[] = "";

// Appends src to dst (of dstSize bytes) as far as it fits; dst stays terminated.
void AppendBounded(char* dst, int dstSize, const char* src) {
    int used = TextLength(dst);
    while (*src && used < dstSize - 1)
        dst[used++] = *src++;
    dst[used] = '\0';
}

// Appends catalogue text `id` within the room left; false if it cannot be loaded.
bool AppendCatalogueText(char* dst, int dstSize, UINT id) {
    int used = TextLength(dst);
    int room = dstSize - used;
    if (room <= 1) return true;
    return LoadStringA(ModuleHandle, id, dst + used, room) > 0;
}

void WriteAnswerLine(int answer) {
    MessageBuffer[0] = '\0';
    AppendBounded(MessageBuffer, MessageBufferSize, AnswerIndent);
    if (!AppendCatalogueText(MessageBuffer, MessageBufferSize, MSG_YOU_ANSWERED)) return;
    // Room for the answer's end is kept back so the line always closes.
    const int endRoom = sizeof(AnswerEnd) - 1;
    AppendBounded(MessageBuffer, MessageBufferSize - endRoom, " ");
    AppendCatalogueText(MessageBuffer, MessageBufferSize - endRoom, MSG_ANSWER_BASE + answer);
    AppendBounded(MessageBuffer, MessageBufferSize, AnswerEnd);
    LogLine(MessageBuffer);
}

} // namespace

int ReportMessageArgs(UINT id, UINT boxType, const ReportInsert* inserts, int count) {
    DWORD_PTR args[MaxInserts];
    for (int i = 0; i < MaxInserts; ++i)
        args[i] = i < count ? inserts[i] : (DWORD_PTR)NoText;

    // 1. The error insert: the caller's, or the system's wording of the last error.
    char* systemText = nullptr;
    if (count < 1 || inserts[0] == 0) {
        DWORD code = GetLastError();
        if (code != 0 &&
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, LANG_USER_DEFAULT, (LPSTR)&systemText, 0, nullptr) == 0) {
            systemText = nullptr;
        }
        args[0] = (DWORD_PTR)(systemText ? systemText : UnknownError);
    }

    // 2./3. The catalogue text, formatted; an id not in the catalogue shows insert 1.
    const char* text = (const char*)args[0];
    char* formatted = nullptr;
    if (LoadStringA(ModuleHandle, id, MessageBuffer, MessageBufferSize - 1) > 0) {
        if (FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                               FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           MessageBuffer, 0, LANG_USER_DEFAULT, (LPSTR)&formatted, 0,
                           (va_list*)args) == 0) {
            formatted = nullptr;
        }
        text = formatted ? formatted : UnknownError;
    } else {
        MessageBuffer[0] = '\0';
    }

    // 4. The box, shown in a silent run too (without owner).
    int answer = 0;
    if (boxType != 0)
        answer = Unattended
                     ? UnattendedAnswer(id)
                     : MessageBoxA(MainWindowHandle, text, Preloaded(MSG_BOX_TITLE), boxType);

    // 5./6. Log it and free what the formatter allocated.
    LogLine(text);
    if (formatted) LocalFree(formatted);
    if (systemText) LocalFree(systemText);

    // 7./8. The answer line.
    if (boxType == 0) return 0;
    WriteAnswerLine(answer);
    return answer;
}

int ShowBox(HWND owner, const char* text, const char* caption, UINT type) {
    return Unattended ? IDOK : MessageBoxA(owner, text, caption, type);
}

void AnswerUnseenBoxes(bool always) {
    USEROBJECTFLAGS flags;
    ZeroMemory(&flags, sizeof flags);
    DWORD size = 0;
    HWINSTA station = GetProcessWindowStation();
    // Where the question cannot be asked, a box would be seen as before.
    bool seen = !station ||
                !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &size) ||
                (flags.dwFlags & WSF_VISIBLE);
    Unattended = always || !seen;
}

bool BoxesUnseen() {
    return Unattended;
}

void SetLogFile(HANDLE file) {
    LogFile = file;
}

void SetLogBuffer(char* buffer, int size) {
    LogBuffer = buffer;
    LogBufferSize = size;
    if (buffer && size > 0) buffer[0] = '\0';
}

void LogLine(const char* text) {
    if (LogBuffer) {
        AppendBounded(LogBuffer, LogBufferSize, text);
        AppendBounded(LogBuffer, LogBufferSize, "\r\n");
    }
    if (LogFile) {
        DWORD written;
        WriteFile(LogFile, text, DWORD(TextLength(text)), &written, nullptr);
        WriteFile(LogFile, "\r\n", 2, &written, nullptr);
    }
    if (!MainWindowHandle) return;
    HWND log = GetDlgItem(MainWindowHandle, IDC_INSTALL_LOG);
    if (!log) return;
    SendMessageA(log, EM_SETSEL, (WPARAM)-1, (LPARAM)-1);
    SendMessageA(log, EM_REPLACESEL, FALSE, (LPARAM)text);
    SendMessageA(log, EM_REPLACESEL, FALSE, (LPARAM) "\r\n");
}

void LogSeparator() {
    LogLine(Separator);
}

void ReportToLog(UINT id) {
    ReportMessageArgs(id, 0, nullptr, 0);
}

void SetWindowsLine(const char* edition, unsigned major, unsigned minor, const char* servicePack) {
    WindowsInserts[0] = AsInsert(edition);
    WindowsInserts[1] = AsInsert("64bit");
    WindowsInserts[2] = AsInsert(major);
    WindowsInserts[3] = AsInsert(minor);
    WindowsInserts[4] = AsInsert(servicePack);
}

void WriteLogHeader() {
    ReportToLog(MSG_LOG_TITLE);
    LogSeparator();
    ReportToLog(MSG_DIAGNOSTICS);
    // Logged only, as every line of the heading.
    if (WindowsInserts[0])
        ReportMessageArgs(MSG_WINDOWS_LINE, 0, WindowsInserts, WindowsInsertCount);
}
