// Each user's own browsers, which an elevated run cannot see (a per-user
// Chrome, Opera's and Safari's settings in a user's HKEY_CURRENT_USER): the
// installer places the per-user program and the plug-in copy it writes from
// in the product's folder of Program Files, and registers the Active Setup
// component that runs it at each user's next logon.
#pragma once
#include "base/held_folder.h"

// After the remover, into the product's folder held for it (trustThere false:
// it was just reset, and nothing there is kept): the files, then the
// component, each recorded before it is written. Failures are reported and
// never end the run.
void PlaceUserComponent(const HeldFolder& own, bool trustThere);
// When the run takes its placement back (it installed nothing, on a machine
// without an earlier installation): the files go again, and the component
// goes, or is again the removal it was before this run.
void TakeBackUserComponent();
