// Composing and taking apart the paths that the scans read from the registry.
// Every routine writes within the size it is given; a result that would not
// fit whole is refused (false, output empty), never cut.
#pragma once
#include "base/text_rules.h"

// The program path of a command line: after an opening quote, the text up to
// the closing quote or, when there is none, to the end; unquoted, the text up
// to the first blank or, when there is none, the whole command. False when the
// result is empty or too long for out.
bool ProgramPathFromCommand(const char* command, char* out, int outSize);

// When text begins with a quote, keeps only what lies between it and the next
// quote (to the end when there is none). Works in place.
void KeepQuotedPart(char* text);

// Looks for the names in turn (ignoring case); at the first that is found, ends
// the text before the character that precedes it, dropping the separator and
// everything after. A name at the very start leaves the text empty. False, and
// the text untouched, when no name is found.
bool CutBeforeProgramName(char* text, const char* const* names, int nameCount,
                          LeadBytePredicate isLeadByte);

enum SeparatorRule {
    AlwaysAddSeparator,     // folder, a backslash, the file (even after a backslash)
    SeparatorUnlessPresent, // no backslash added after an empty folder or one ending in it
};

// folder + separator + fileName into out.
bool ComposeFilePath(char* out, int outSize, const char* folder, const char* fileName,
                     SeparatorRule rule, LeadBytePredicate isLeadByte);

// folder + "\" + subfolder, a backslash that ends the folder taking the
// separator's place.
bool ComposeSubfolder(char* out, int outSize, const char* folder, const char* subfolder,
                      LeadBytePredicate isLeadByte);

// The path with its last backslash and everything after it replaced by
// replacement. False when the path holds no backslash.
bool ReplaceLastComponent(char* out, int outSize, const char* path, const char* replacement,
                          LeadBytePredicate isLeadByte);

// Tells whether path names an existing file (not a folder).
typedef bool (*FileProbe)(const char* path, void* context);

// Tries folder\fileName, then the same name in each parent folder up to the
// root. True when probe accepts one; folder (a buffer of folderSize bytes)
// then holds that path. A level whose path would not fit is passed over.
bool FindFileUpwardWith(char* folder, int folderSize, const char* fileName, FileProbe probe,
                        void* context, LeadBytePredicate isLeadByte);
