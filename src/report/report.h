// The one reporting routine and the installation log.
#pragma once
#include <windows.h>
#include <cstddef>

// An insert as the message formatter takes it: a text pointer or an integer.
typedef DWORD_PTR ReportInsert;

inline ReportInsert AsInsert(const char* text) {
    return (ReportInsert)text;
}
inline ReportInsert AsInsert(std::nullptr_t) {
    return 0;
}
inline ReportInsert AsInsert(int value) {
    return (ReportInsert)(INT_PTR)value;
}
inline ReportInsert AsInsert(unsigned value) {
    return (ReportInsert)value;
}
inline ReportInsert AsInsert(long value) {
    return (ReportInsert)(INT_PTR)value;
}
inline ReportInsert AsInsert(unsigned long value) {
    return (ReportInsert)value;
}

// The box message `id` is shown in (MessageBoxA's type: icon and buttons), 0
// for a message that is only logged. One table for every message of both
// programs (report/messages.cpp).
UINT MessageBoxType(UINT id);
// The answer a box of message `id` takes where no one can see it.
int UnattendedAnswer(UINT id);

// Where the process's window station is not interactive (a service's, or
// SYSTEM's in session 0: no WSF_VISIBLE), a box would wait for ever: none is
// shown, and every question takes its unattended answer, logged as a user's
// is. Also for a run that asked for no boxes (the remover's "/quiet").
// Decided once at start-up.
void AnswerUnseenBoxes(bool always);
// True where boxes are answered unseen (as decided above): nobody watches.
bool BoxesUnseen();

// Reports catalogue message `id`: shows it in a message box when boxType is not
// 0, appends it to the log, and logs the answer. A null first insert is replaced
// by the system's wording of the last error. Returns the box's answer, 0 without.
int ReportMessageArgs(UINT id, UINT boxType, const ReportInsert* inserts, int count);

// The same, in the box the message table gives the message.
template <class... Inserts> int ReportMessage(UINT id, Inserts... inserts) {
    const ReportInsert values[] = {AsInsert(inserts)..., 0};
    return ReportMessageArgs(id, MessageBoxType(id), values, int(sizeof...(Inserts)));
}

// A box of a fixed text that no catalogue message holds, shown as every box of
// the programs is; not logged. MessageBoxA's answer.
int ShowBox(HWND owner, const char* text, const char* caption, UINT type);

// Where the log goes, as the program chooses: the main window's log control,
// while there is a main window, an open file (null: none), and a text buffer
// (null: none) that keeps as much of the log as fits, or any of them.
void SetLogFile(HANDLE file);
void SetLogBuffer(char* buffer, int size);

// Appends text and CR LF to the log.
void LogLine(const char* text);
// The underscore line, followed by an empty line.
void LogSeparator();
// A catalogue message without box or inserts.
void ReportToLog(UINT id);
// The Windows line's parts, as the program read them at its start
// (sysinfo/winver.h): the edition, the version's two numbers, the service
// pack. The texts stay the caller's and must last as long as the log. Without
// them the heading has no Windows line.
void SetWindowsLine(const char* edition, unsigned major, unsigned minor, const char* servicePack);
// The heading of every log: title, separator, diagnostics line, Windows line.
void WriteLogHeader();
