#pragma once

// Logs the line naming the Windows edition, version and service pack.
// Returns ReportMessage's result (0), or 0 without a line when the system
// gives no version.
int WindowsVersionText();
