// Plain-value decisions of the document registration: the open command made
// from the browser's command, and how the installer recognises its own.
#pragma once
#include <cstddef>

// A leading space, then the vendor's download page. Used with and without the
// space.
extern const char DownloadPageUrl[];
size_t DownloadPageUrlLength();

// The open command made from the default browser's command for web addresses:
// its first "%1" (when not at the very start) replaced by the page's address,
// otherwise the page appended with its leading space. False, with out "",
// when the result does not fit outSize bytes.
bool ComposeOpenCommand(const char* browserCommand, char* out, size_t outSize);

// True when an open command was written by this installer: the text from its
// last space on starts with DownloadPageUrl up to and including "vrv=".
bool IsOwnOpenCommandText(const char* command);
