#include "entry/record_rules.h"

#include <cstring>

#include "base/text_rules.h"

namespace {

// The texts of a list one after another; stops at the list's end, at an
// empty text, or where a text runs past listSize.
template <typename Visit> void ForEachText(const char* list, size_t listSize, Visit visit) {
    for (size_t at = 0; at < listSize && list[at] != '\0';) {
        size_t length = strnlen(list + at, listSize - at);
        if (at + length >= listSize) return; // no zero within the list
        if (!visit(list + at, at, length)) return;
        at += length + 1;
    }
}

// Where the list's texts end (before the closing zero).
size_t TextsEnd(const char* list, size_t listSize) {
    size_t end = 0;
    ForEachText(list, listSize, [&](const char*, size_t at, size_t length) {
        end = at + length + 1;
        return true;
    });
    return end;
}

const char* const RemovableFolders[] = {PluginsFolderName, ProductFolderName};

// Appends number in decimal, at least `digits` wide, as far as it fits.
void AppendNumber(char* out, size_t outSize, size_t* used, unsigned number, int digits) {
    char reversed[12];
    int count = 0;
    do {
        reversed[count++] = char('0' + number % 10);
        number /= 10;
    } while ((number != 0 || count < digits) && count < int(sizeof reversed));
    while (count > 0 && *used + 1 < outSize)
        out[(*used)++] = reversed[--count];
    out[*used] = '\0';
}

const int VolumeDigits = 8;
const int IndexDigits = 16;

// Writes number as `digits` upper-case hex digits.
void PutHex(char* out, unsigned long long number, int digits) {
    for (int i = digits - 1; i >= 0; --i, number >>= 4)
        out[i] = HexDigits[number & 0xF];
}

// Reads exactly `digits` hex digits; false at any other character.
bool GetHex(const char* text, int digits, unsigned long long* number) {
    *number = 0;
    for (int i = 0; i < digits; ++i) {
        char c = AsciiUpper(text[i]);
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        *number = *number << 4 | unsigned(digit);
    }
    return true;
}

} // namespace

size_t CloseReadList(char* buffer, size_t stored) {
    if (stored > RecordListLimit) stored = RecordListLimit;
    buffer[stored] = buffer[stored + 1] = '\0';
    return stored + 2;
}

bool KeptFileText(const KeptFile& file, char* out, size_t outSize) {
    const size_t prefix = VolumeDigits + 1 + IndexDigits + 1;
    size_t length = strlen(file.path);
    if (length == 0 || prefix + length + 1 > outSize) return false;
    PutHex(out, file.volume, VolumeDigits);
    out[VolumeDigits] = ':';
    PutHex(out + VolumeDigits + 1, file.index, IndexDigits);
    out[prefix - 1] = ':';
    memcpy(out + prefix, file.path, length + 1);
    return true;
}

bool ParseKeptFileText(const char* text, KeptFile* file) {
    unsigned long long volume = 0, index = 0;
    if (!GetHex(text, VolumeDigits, &volume) || text[VolumeDigits] != ':' ||
        !GetHex(text + VolumeDigits + 1, IndexDigits, &index) ||
        text[VolumeDigits + 1 + IndexDigits] != ':' || text[VolumeDigits + IndexDigits + 2] == '\0')
        return false;
    *file = {unsigned(volume), index, text + VolumeDigits + IndexDigits + 2};
    return true;
}

bool MultiStringHolds(const char* list, size_t listSize, const char* text) {
    bool found = false;
    ForEachText(list, listSize, [&](const char* item, size_t, size_t) {
        found = SameTextIgnoringAsciiCase(item, text);
        return !found;
    });
    return found;
}

bool MultiStringAppend(char* buffer, size_t bufferSize, size_t listSize, const char* text,
                       size_t* newSize) {
    size_t end = TextsEnd(buffer, listSize);
    size_t length = strlen(text);
    if (length == 0 || end + length + 2 > bufferSize) return false;
    memcpy(buffer + end, text, length + 1);
    buffer[end + length + 1] = '\0';
    *newSize = end + length + 2;
    return true;
}

size_t MultiStringRemove(char* list, size_t listSize, const char* text) {
    size_t end = TextsEnd(list, listSize);
    size_t out = 0;
    ForEachText(list, end, [&](const char* item, size_t at, size_t length) {
        if (!SameTextIgnoringAsciiCase(item, text)) {
            memmove(list + out, list + at, length + 1);
            out += length + 1;
        }
        return true;
    });
    if (out + 1 > listSize) return out;
    list[out] = '\0';
    return out + 1;
}

bool IsRemovableFolderName(const char* name) {
    for (const char* folder : RemovableFolders)
        if (SameTextIgnoringAsciiCase(name, folder)) return true;
    return false;
}

void DisplayVersionText(int major, int minor, int patch, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t used = 0;
    out[0] = '\0';
    const unsigned parts[] = {unsigned(major), unsigned(minor), unsigned(patch)};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && used + 1 < outSize) out[used++] = '.';
        AppendNumber(out, outSize, &used, parts[i], 1);
    }
}

void InstallDateText(int year, int month, int day, char* out, size_t outSize) {
    if (outSize == 0) return;
    size_t used = 0;
    AppendNumber(out, outSize, &used, unsigned(year), 4);
    AppendNumber(out, outSize, &used, unsigned(month), 2);
    AppendNumber(out, outSize, &used, unsigned(day), 2);
}
