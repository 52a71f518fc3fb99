// Plain-value decisions of payload deployment: the version check, the backup
// name, the temporary file's name, what to do with a backup an earlier run
// left.
#pragma once
#include <cstddef>

#include "base/text_rules.h"
#include "resources/product.h"

// The version of the plug-in this installer carries: the product's.
const VersionTriple PayloadVersion = ProductVersion;

// True when an installed file of this version is newer than the payload, so
// the user is asked before it is replaced.
bool IsNewerThanPayload(int major, int minor, int patch);

// The name under which the previous file is parked while the new one is
// written: the file name's extension replaced by ".old" (".old" appended when
// that would give the target itself). Stays in the target's folder. False,
// with backup "", when the target names no file or the result does not fit.
bool BackupPath(const char* target, char* backup, size_t backupSize, LeadBytePredicate isLeadByte);

// The payload is written whole under a temporary name in the target's folder
// before it takes the target's name: "~scw" and four hex digits, ".tmp". No
// browser loads it (they load "np*.dll"), and a later run knows it as the
// installer's own and removes it when a run was killed before the rename.
const size_t TemporaryNameSize = sizeof "~scwFFFF.tmp";
// For a folder search; IsTemporaryName decides.
extern const char TemporaryNamePattern[];
// The number's low 16 bits name the file; name holds TemporaryNameSize bytes.
void TemporaryName(unsigned number, char* name);
bool IsTemporaryName(const char* name);

// The previous file is parked under the backup name of the target's file
// name (BackupPath); when an older copy still holds that name (a browser has
// it loaded), under a numbered one: "npscorew64.1A2B.old". The number's low 16
// bits name it; false when the name does not fit.
bool NumberedBackupName(const char* targetName, unsigned number, char* name, size_t nameSize,
                        LeadBytePredicate isLeadByte);
enum ParkedNameKind { NotParkedName, BackupName, NumberedBackup };
ParkedNameKind ClassifyParkedName(const char* targetName, const char* name,
                                  LeadBytePredicate isLeadByte);

// What a run does first with a file found under a parked name.
enum LeftoverBackup {
    NoLeftover,
    StaleBackup,   // beside the target: one that could not be deleted before; it goes
    RestoreBackup, // the target missing: an earlier run was killed between its
                   // two renames, and the backup goes back under the target's name
    ForeignBackup, // no plug-in this product shipped, under a numbered name or
                   // beside a missing target: it stays as it is (the target is
                   // written as if for the first time)
};
// kind: the name the file was found under; own: the file is a plug-in of this
// product (its version resource says so). Whatever holds the backup name goes
// once the target is there, as every run's first step clears that name.
LeftoverBackup LeftoverBackupAction(bool targetPresent, ParkedNameKind kind, bool own);

// The file names the remover deletes in a recorded plug-in folder: the
// plug-in's own name, its parked names ("npscorew64.old", "npscorew64.1A2B.old")
// and the installer's temporary names. Nothing else, whatever a record says.
bool IsRemovableBesidePlugin(const char* name);
