// The length of a text, a null pointer counting as empty (as lstrlenA has it).
#pragma once
#include <cstring>

inline int TextLength(const char* text) {
    return text ? int(strlen(text)) : 0;
}
