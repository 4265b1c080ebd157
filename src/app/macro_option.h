// The viewer's macro-virus protection option, and the crash record that keeps its saved value while
// it is off.
#pragma once

#include <windows.h>

extern const char kOptionsKey[];                    // under HKEY_CURRENT_USER
extern const char kMacroProtectionValue[];          // "MacroVirusProtection", REG_DWORD
const REGSAM kOptionsAccess = KEY_READ | KEY_WRITE; // 0x2001F

// Sets a REG_DWORD value of an open key and flushes the key: the one way the
// program writes the option, and the crash record. The first failing call's result.
LONG WriteDwordValue(HKEY hKey, LPCSTR lpszValue, DWORD dwValue);

// Opens the options key, writes the option, flushes and closes the key.
LONG WriteMacroOption(DWORD dwValue);

// HKEY_CURRENT_USER "Software\Tarnskov" "SavedMacroVirusProtection": written
// before the option is switched off, deleted whenever it is written back, so
// that a launcher killed mid-lesson leaves the value it found for the next one.
BOOL WriteCrashRecord(DWORD dwValue);
BOOL ReadCrashRecord(DWORD* pdwValue);
void DeleteCrashRecord();
