// What the benchmark programs share: a millisecond clock and starting a
// program from its command line.
#pragma once
#include <windows.h>

#include <cstring>
#include <vector>

inline double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * double(counter.QuadPart) / double(frequency.QuadPart);
}

// CreateProcessA wants a writable command line; the caller closes both handles.
inline bool StartCommand(const char* commandLine, PROCESS_INFORMATION* info) {
    std::vector<char> line(commandLine, commandLine + strlen(commandLine) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, info) != FALSE;
}
