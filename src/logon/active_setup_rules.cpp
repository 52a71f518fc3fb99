#include "logon/active_setup_rules.h"

#include "base/text_rules.h"
#include "resources/product.h"

namespace {

const unsigned LargestPart = 65535;
const int PartCount = 4;

// The stamp next above, counting up from its last number; false when there
// is none.
bool NextStamp(const ComponentStamp& stamp, ComponentStamp* next) {
    *next = stamp;
    for (int i = PartCount - 1; i >= 0; --i) {
        if (next->parts[i] < LargestPart) {
            ++next->parts[i];
            return true;
        }
        next->parts[i] = 0;
    }
    *next = stamp;
    return false;
}

// The stamp above `stamp`, and never below this product's first one.
ComponentStamp StampAbove(const ComponentStamp& stamp) {
    ComponentStamp next, first = FirstStamp();
    if (!NextStamp(stamp, &next)) return stamp;
    return CompareStamps(next, first) < 0 ? first : next;
}

} // namespace

ComponentCommand CommandOf(const char* commandLine) {
    if (HasSwitchWord(commandLine, RemoveSwitch)) return RemoveCommand;
    if (HasSwitchWord(commandLine, LogonSwitch)) return LogonCommand;
    return OtherCommand;
}

bool ParseStamp(const char* text, ComponentStamp* stamp) {
    ComponentStamp read = {{0, 0, 0, 0}};
    if (!text) return false;
    int part = 0;
    for (const char* p = text;; ++p) {
        if (*p < '0' || *p > '9') return false; // every number has a digit
        unsigned number = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            number = number * 10 + unsigned(*p - '0');
            if (number > LargestPart) return false;
        }
        read.parts[part++] = number;
        if (*p == '\0') break;
        if (*p != ',' || part == PartCount) return false;
    }
    *stamp = read;
    return true;
}

void StampText(const ComponentStamp& stamp, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t used = 0;
    for (int i = 0; i < PartCount; ++i) {
        char digits[8];
        int count = 0;
        unsigned number = stamp.parts[i];
        do {
            digits[count++] = char('0' + number % 10);
            number /= 10;
        } while (number != 0 && count < int(sizeof digits));
        if (used + count + (i > 0) >= outSize) {
            out[0] = '\0';
            return;
        }
        if (i > 0) out[used++] = ',';
        while (count > 0)
            out[used++] = digits[--count];
    }
    out[used] = '\0';
}

int CompareStamps(const ComponentStamp& a, const ComponentStamp& b) {
    for (int i = 0; i < PartCount; ++i)
        if (a.parts[i] != b.parts[i]) return a.parts[i] < b.parts[i] ? -1 : 1;
    return 0;
}

ComponentStamp FirstStamp() {
    return {{unsigned(ProductVersion.major), unsigned(ProductVersion.minor),
             unsigned(ProductVersion.patch), 0}};
}

ComponentStamp InstallStamp(bool present, const ComponentStamp& stamp, ComponentCommand command) {
    ComponentStamp first = FirstStamp();
    if (!present) return first;
    if (command == LogonCommand) return CompareStamps(stamp, first) < 0 ? first : stamp;
    return StampAbove(stamp);
}

ComponentStamp RemovalStamp(bool present, const ComponentStamp& stamp) {
    return StampAbove(present ? stamp : FirstStamp());
}
