// The viewer's macro-virus protection option, and the crash record that keeps its saved value while
// it is off.
#pragma once

#include <windows.h>

#include "app/launcher_contract.h"
#include "viewer/viewer_contract.h"

const REGSAM kOptionsAccess = KEY_READ | KEY_WRITE; // 0x2001F

// Opens the options key, writes the option, flushes and closes the key.
LONG WriteMacroOption(DWORD dwValue);

// The crash record, kCrashRecordValue in the launcher's key: written
// before the option is switched off, deleted whenever it is written back, so
// that a launcher killed mid-lesson leaves the value it found for the next one.
BOOL WriteCrashRecord(DWORD dwValue);
BOOL ReadCrashRecord(DWORD* pdwValue);
void DeleteCrashRecord();
