// What one finished installer run left for a test to read: its log (control
// 1005), the message boxes it showed, and its exit code.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver.h"

namespace lab {

// The box type each of the installer's messages is defined with, known by the
// start of its text; MB_TYPEMASK for a text no message starts with.
inline UINT DefinedBoxType(const std::string& text) {
    const struct {
        const char* start;
        UINT type;
    } messages[] = {
        {"Can't create subfolder for ", MB_OK | MB_ICONEXCLAMATION},                          // 9
        {"This software is version:", MB_YESNO | MB_ICONEXCLAMATION},                         // 10
        {"Failed to install ", MB_RETRYCANCEL | MB_ICONQUESTION},                             // 11
        {"Windows is using file extension ", MB_OKCANCEL | MB_ICONQUESTION},                  // 13
        {"Failed to update :", MB_OK | MB_ICONEXCLAMATION},                                   // 14
        {"This folder registered for ", MB_OK | MB_ICONINFORMATION},                          // 21
        {"Can't read folder for Netscape ", MB_OK | MB_ICONERROR},                            // 31
        {"The Scorewave Viewer installer can't overwrite", MB_RETRYCANCEL | MB_ICONQUESTION}, // 48
    };
    for (const auto& message : messages)
        if (text.rfind(message.start, 0) == 0) return message.type;
    return MB_TYPEMASK;
}

// Every box titled as the installer's shows the icon and buttons its message
// is defined with.
inline void ExpectDefinedBoxTypes(const std::vector<BoxRecord>& boxes) {
    for (const BoxRecord& box : boxes)
        if (box.title == BoxTitle) EXPECT_EQ(box.type, DefinedBoxType(box.text)) << Describe(box);
}

struct RunRecord {
    std::string log;
    std::vector<BoxRecord> boxes;
    long exitCode = -1;

    size_t Count(const std::string& text) const {
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++count;
        return count;
    }
    bool Has(const std::string& text) const { return Count(text) > 0; }
    // Boxes whose text contains text.
    std::vector<BoxRecord> BoxesWith(const std::string& text) const {
        std::vector<BoxRecord> found;
        for (const BoxRecord& box : boxes)
            if (box.text.find(text) != std::string::npos) found.push_back(box);
        return found;
    }
};

} // namespace lab
