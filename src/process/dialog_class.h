// The window class "ScorewaveSetup" that the dialog templates of both
// programs name: the system's dialog class with the program's icon.
#pragma once

// Registers it once; a failure is left for the dialog's creation to show.
void RegisterDialogClass();
