// Taking Scorewave Viewer off the machine, from the record alone: the plug-in
// files, the folders the installer made (when empty), the font, the document
// types, the MIME type and the open command, then the entry with its record,
// then the remover itself. Every file goes through a handle to its folder, as
// the installer writes them; only names the installer writes, and only files
// of this product, ever go.
#pragma once

#include "remove/remove_rules.h"

// Logs each step; reports no box.
RemovalOutcome RemoveScorewave();
