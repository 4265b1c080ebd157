// The launcher's own registry key and its values, shared with administrators, the test kit and
// the bench. No Windows header.
#pragma once

// Under HKEY_CURRENT_USER.
const char kLauncherKey[] = "Software\\Tarnskov";
// REG_DWORD, the crash record: the viewer's macro option as the launcher found it, kept while
// the lesson has the option off.
const char kCrashRecordValue[] = "SavedMacroVirusProtection";
// REG_SZ or REG_EXPAND_SZ: the diagnostic log's path, set by an administrator; no log without it.
const char kLogFileValue[] = "LogFile";
