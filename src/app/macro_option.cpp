// Writing the viewer's macro option and its crash record.
#include "app/macro_option.h"

#include "framework/handles.h"

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
    return key.Open(HKEY_CURRENT_USER, kLauncherKey, KEY_READ) == ERROR_SUCCESS &&
           ReadDwordValue(key.Get(), kCrashRecordValue, pdwValue);
}

void DeleteCrashRecord()
{
    CRegKeyOwner key;
    if (key.Open(HKEY_CURRENT_USER, kLauncherKey, KEY_WRITE) == ERROR_SUCCESS) {
        RegDeleteValueA(key.Get(), kCrashRecordValue);
        RegFlushKey(key.Get());
    }
}
