// What one finished installer run left for a test to read: its log (control
// 1005), the message boxes it showed, and its exit code.
#pragma once
#include <string>
#include <vector>

#include "driver/driver.h"

namespace lab {

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
