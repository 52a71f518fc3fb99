#include "registration/registration_rules.h"

#include <cstring>

#include "resources/version.h"

// The host is ours; the path and the query are what the download page expects.
const char DownloadPageUrl[] =
    " http://www.scorewave-music.com/download/player/?vrv=" PRODUCT_VERSION_SHORT;

namespace {

const char Placeholder[] = "%1";

// The first "%1" of the text, or null.
const char* FindPlaceholder(const char* text) {
    for (const char* p = strchr(text, Placeholder[0]); p; p = strchr(p + 1, Placeholder[0]))
        if (p[1] == Placeholder[1]) return p;
    return nullptr;
}

} // namespace

size_t DownloadPageUrlLength() {
    return sizeof DownloadPageUrl - 1;
}

bool ComposeOpenCommand(const char* browserCommand, char* out, size_t outSize) {
    if (outSize == 0) return false;
    out[0] = '\0';
    const size_t commandLength = strlen(browserCommand);
    const char* placeholder = FindPlaceholder(browserCommand);

    if (placeholder && placeholder != browserCommand) {
        const char* url = DownloadPageUrl + 1; // without the leading space
        const size_t urlLength = DownloadPageUrlLength() - 1;
        const size_t before = size_t(placeholder - browserCommand);
        const char* rest = placeholder + (sizeof Placeholder - 1);
        const size_t restLength = strlen(rest);
        if (before + urlLength + restLength + 1 > outSize) return false;
        memcpy(out, browserCommand, before);
        memcpy(out + before, url, urlLength);
        memcpy(out + before + urlLength, rest, restLength + 1);
        return true;
    }

    if (commandLength + DownloadPageUrlLength() + 1 > outSize) return false;
    memcpy(out, browserCommand, commandLength);
    memcpy(out + commandLength, DownloadPageUrl, DownloadPageUrlLength() + 1);
    return true;
}

bool IsOwnOpenCommandText(const char* command) {
    const char* lastSpace = nullptr;
    for (const char* p = command; *p; ++p)
        if (*p == ' ') lastSpace = p;
    if (!lastSpace) return false;
    // Compared up to the version query's "=": a command of another version
    // of this product is ours too (the address holds just the one "="). A
    // shorter command differs at its end.
    for (const char* url = DownloadPageUrl;; ++url, ++lastSpace) {
        if (*lastSpace != *url) return false;
        if (*url == '=') return true;
    }
}
