// Plain-value decisions about the Active Setup component through which each
// user's own browsers get the plug-in: its version stamps and the switches of
// the per-user program it runs.
//
// At each user's logon Explorer compares a component's Version ("1,20,0,0":
// up to four numbers separated by commas) with the stamp it left in that
// user's HKEY_CURRENT_USER at the component's last run, and runs the
// component's command again when the machine's Version is higher.
#pragma once
#include <cstddef>

#include "base/text_rules.h"

struct ComponentStamp {
    unsigned parts[4];
};

// What the component's command does for each user.
enum ComponentCommand {
    OtherCommand,  // none, or none of the per-user program's
    LogonCommand,  // fills the user's places ("/logon")
    RemoveCommand, // takes back the user's copies ("/remove")
};

// The per-user program's switches, each a word of its own on its command line.
inline constexpr char LogonSwitch[] = "/logon";
inline constexpr char RemoveSwitch[] = "/remove";

// The per-user program's switch a command names.
ComponentCommand CommandOf(const char* commandLine);

// One to four decimal numbers of 0 to 65535 separated by commas ("1,20"
// stands for "1,20,0,0"); false for any other text.
bool ParseStamp(const char* text, ComponentStamp* stamp);
// "1,20,0,0"; "" when it does not fit.
void StampText(const ComponentStamp& stamp, char* out, size_t outSize);
// Below zero, zero or above zero, as Active Setup orders them.
int CompareStamps(const ComponentStamp& a, const ComponentStamp& b);

// The stamp of this product's first installation: its version and 0.
ComponentStamp FirstStamp();
// What an installation writes over what is there (present: a Version was
// read, as stamp): a current installation's stamp stays as it is, so that
// nobody's logon runs again for nothing; anything else is superseded by a
// stamp above it, so that every user's logon runs the new command.
ComponentStamp InstallStamp(bool present, const ComponentStamp& stamp, ComponentCommand command);
// What a removal writes: a stamp above what is there, so that every user's
// logon runs the removal once.
ComponentStamp RemovalStamp(bool present, const ComponentStamp& stamp);
