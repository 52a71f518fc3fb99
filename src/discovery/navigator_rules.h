// Reading Netscape Navigator's version subkey names ("4.7 (en)").
#pragma once

// The major and minor numbers of a version subkey name. False (skip the
// subkey) when the major is not positive or is not followed by a dot right
// after its one or two digits: leading blanks or zeros and three-digit majors
// never qualify.
bool ParseNavigatorVersion(const char* name, int* major, int* minor);

// Whether a version replaces the best one so far: both numbers compare each by
// itself, so 4.7 keeps its place against 6.2; an equal later version wins.
bool NavigatorVersionPreferred(int major, int minor, int bestMajor, int bestMinor);
