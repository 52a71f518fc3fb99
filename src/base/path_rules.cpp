#include "base/path_rules.h"

#include <cstring>

namespace {

// Copies length bytes of text into out as a terminated text, or refuses.
bool CopyPart(char* out, int outSize, const char* text, size_t length) {
    if (outSize <= 0) return false;
    out[0] = '\0';
    if (length >= size_t(outSize)) return false;
    memcpy(out, text, length);
    out[length] = '\0';
    return true;
}

} // namespace

bool ProgramPathFromCommand(const char* command, char* out, int outSize) {
    if (outSize > 0) out[0] = '\0';
    if (!command) return false;
    const char* start = command;
    const char* end;
    if (*start == '"') {
        ++start;
        end = strchr(start, '"');
    } else {
        end = strchr(start, ' ');
    }
    if (!end) end = start + strlen(start);
    if (end == start) return false;
    return CopyPart(out, outSize, start, size_t(end - start));
}

void KeepQuotedPart(char* text) {
    if (text[0] != '"') return;
    char* closing = strchr(text + 1, '"');
    size_t length = closing ? size_t(closing - (text + 1)) : strlen(text + 1);
    memmove(text, text + 1, length);
    text[length] = '\0';
}

bool CutBeforeProgramName(char* text, const char* const* names, int nameCount,
                          LeadBytePredicate isLeadByte) {
    for (int i = 0; i < nameCount; ++i) {
        int at = FindTextNoCase(text, names[i], isLeadByte);
        if (at < 0) continue;
        int previous = PreviousCharacter(text, at, isLeadByte);
        text[previous < 0 ? 0 : previous] = '\0';
        return true;
    }
    return false;
}

bool ComposeFilePath(char* out, int outSize, const char* folder, const char* fileName,
                     SeparatorRule rule, LeadBytePredicate isLeadByte) {
    if (!CopyText(out, outSize, folder)) return false;
    bool separate =
        rule == AlwaysAddSeparator || (folder[0] != '\0' && !EndsWithBackslash(folder, isLeadByte));
    if ((separate && !AppendText(out, outSize, "\\")) || !AppendText(out, outSize, fileName)) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool ComposeSubfolder(char* out, int outSize, const char* folder, const char* subfolder,
                      LeadBytePredicate isLeadByte) {
    size_t length = strlen(folder);
    if (EndsWithBackslash(folder, isLeadByte)) --length;
    if (!CopyPart(out, outSize, folder, length) || !AppendText(out, outSize, "\\") ||
        !AppendText(out, outSize, subfolder)) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    return true;
}

bool ReplaceLastComponent(char* out, int outSize, const char* path, const char* replacement,
                          LeadBytePredicate isLeadByte) {
    int last = LastBackslash(path, isLeadByte);
    if (last < 0) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    if (!CopyPart(out, outSize, path, size_t(last)) || !AppendText(out, outSize, replacement)) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    return true;
}

bool FindFileUpwardWith(char* folder, int folderSize, const char* fileName, FileProbe probe,
                        void* context, LeadBytePredicate isLeadByte) {
    if (!folder || !fileName || folder[0] == '\0' || fileName[0] == '\0') return false;
    int cut;
    if (EndsWithBackslash(folder, isLeadByte) || AppendText(folder, folderSize, "\\")) {
        cut = int(strlen(folder)) - 1;
    } else {
        // No room for a file beside this folder: start with its parent.
        cut = LastBackslash(folder, isLeadByte);
        if (cut < 0) return false;
    }
    for (;;) {
        folder[cut + 1] = '\0';
        if (AppendText(folder, folderSize, fileName) && probe(folder, context)) return true;
        folder[cut] = '\0';
        cut = LastBackslash(folder, isLeadByte);
        if (cut < 0) return false;
    }
}
