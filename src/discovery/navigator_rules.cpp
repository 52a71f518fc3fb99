#include "discovery/navigator_rules.h"

#include "base/text_rules.h"

namespace {
const int TwoDigitMajor = 10;
}

bool ParseNavigatorVersion(const char* name, int* major, int* minor) {
    *major = ParseDecimal(name);
    *minor = 0;
    if (*major <= 0) return false;
    // A positive major has at least one digit, two from 10 up, so the index
    // read below is at most the terminating zero.
    int dot = *major < TwoDigitMajor ? 1 : 2;
    if (name[dot] != '.') return false;
    *minor = ParseDecimal(name + dot + 1);
    return true;
}

bool NavigatorVersionPreferred(int major, int minor, int bestMajor, int bestMinor) {
    return major >= bestMajor && minor >= bestMinor;
}
