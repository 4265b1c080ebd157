// The opt-in diagnostic log: off unless the registry names a file, and then one line per event.
#pragma once

#include <windows.h>

// Switches the log on when the value (REG_SZ, or REG_EXPAND_SZ with environment
// strings) under the key names a file; otherwise it stays off and costs nothing more.
void LogInit(HKEY hRoot, LPCSTR lpszKey, LPCSTR lpszValue);

// A log over cbLimit bytes becomes "<name>.old", replacing an older one, and a new
// file begins: TRUE then. Nothing happens when the log is off or the rename fails.
BOOL LogRotate(DWORD cbLimit);

// Appends one line, the details formatted printf-style, with one write, so that
// processes logging side by side never mix their lines. A log that cannot be
// written is passed over: the log never changes what the program does, nor holds
// it up. A file that cannot be opened is given up for the rest of the process; a
// line that does not get the file's lock within 200 ms is dropped.
void LogEvent(LPCSTR lpszEvent, LPCSTR lpszFormat, ...);

// While held, lines are kept back in order, each with its own time, and written when the hold
// ends: a moment that must not wait for the log's file (a logoff's result) comes first.
void LogHold(BOOL bHold);
