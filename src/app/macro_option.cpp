// Writing the viewer's macro option and its crash record.
#include "app/macro_option.h"

#include "framework/handles.h"

const char kOptionsKey[] = "Software\\Microsoft\\Office\\8.0\\PowerPoint\\Options";
const char kMacroProtectionValue[] = "MacroVirusProtection";

static const char kLauncherKey[] = "Software\\Tarnskov";
static const char kCrashRecordValue[] = "SavedMacroVirusProtection";

LONG WriteDwordValue(HKEY hKey, LPCSTR lpszValue, DWORD dwValue)
{
    LONG lResult = RegSetValueExA(hKey, lpszValue, 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    return lResult == ERROR_SUCCESS ? RegFlushKey(hKey) : lResult;
}

LONG WriteMacroOption(DWORD dwValue)
{
    CRegKeyOwner key;
    LONG lResult = key.Open(HKEY_CURRENT_USER, kOptionsKey, kOptionsAccess);
    if (lResult == ERROR_SUCCESS)
        lResult = WriteDwordValue(key.Get(), kMacroProtectionValue, dwValue);
    return lResult;
}

BOOL WriteCrashRecord(DWORD dwValue)
{
    CRegKeyOwner key;
    return key.Create(HKEY_CURRENT_USER, kLauncherKey, KEY_WRITE) == ERROR_SUCCESS &&
           WriteDwordValue(key.Get(), kCrashRecordValue, dwValue) == ERROR_SUCCESS;
}

BOOL ReadCrashRecord(DWORD* pdwValue)
{
    CRegKeyOwner key;
    if (key.Open(HKEY_CURRENT_USER, kLauncherKey, KEY_READ) != ERROR_SUCCESS)
        return FALSE;
    DWORD dwType = 0, cbValue = sizeof(*pdwValue);
    return RegQueryValueExA(key.Get(), kCrashRecordValue, NULL, &dwType,
                            reinterpret_cast<BYTE*>(pdwValue), &cbValue) == ERROR_SUCCESS &&
           dwType == REG_DWORD && cbValue == sizeof(*pdwValue);
}

void DeleteCrashRecord()
{
    CRegKeyOwner key;
    if (key.Open(HKEY_CURRENT_USER, kLauncherKey, KEY_WRITE) == ERROR_SUCCESS) {
        RegDeleteValueA(key.Get(), kCrashRecordValue);
        RegFlushKey(key.Get());
    }
}
