// The servers' registration: written in the process's own view, a conflict looked for in both.
#include "registration.h"

#include "framework/handles.h"
#include "framework/system_message.h"

#include <stdio.h>
#include <string.h>

#include <utility>

static const char kMachineClasses[] = "SOFTWARE\\Classes\\";

int ReportFailure(LPCSTR lpszProgram, const std::string& strWhat, DWORD dwError)
{
    char szReason[256];
    FormatSystemMessage(dwError, szReason, sizeof szReason);
    fprintf(stderr, "%s: %s: %s (error %lu)\n", lpszProgram, strWhat.c_str(), szReason, dwError);
    return 1;
}

std::string GetClassesValue(const std::string& strSubkey, REGSAM samView)
{
    CRegKeyOwner key;
    char szValue[MAX_PATH + 2] = "";
    DWORD cbValue = sizeof szValue - 1, dwType = 0;
    if (key.Open(HKEY_CLASSES_ROOT, strSubkey.c_str(), KEY_QUERY_VALUE | samView) !=
            ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), NULL, NULL, &dwType, reinterpret_cast<BYTE*>(szValue),
                         &cbValue) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return "";
    return std::string(szValue, strnlen(szValue, cbValue));
}

std::string GetProgIdClsid(LPCSTR lpszProgId, REGSAM samView)
{
    return GetClassesValue(std::string(lpszProgId) + "\\CLSID", samView);
}

// Sets the default value of HKLM "SOFTWARE\Classes\<strSubkey>" in this process's view, making
// the key when it is not there.
static LONG SetMachineClassesValue(const std::string& strSubkey, const std::string& strValue)
{
    CRegKeyOwner key;
    LONG lResult =
        key.Create(HKEY_LOCAL_MACHINE, (kMachineClasses + strSubkey).c_str(), KEY_SET_VALUE);
    if (lResult == ERROR_SUCCESS)
        lResult = RegSetValueExA(key.Get(), NULL, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(strValue.c_str()),
                                 static_cast<DWORD>(strValue.size() + 1));
    return lResult;
}

static const struct {
    REGSAM m_samView;
    LPCSTR m_lpszName;
} kBothViews[] = {{KEY_WOW64_32KEY, "32-bit"}, {KEY_WOW64_64KEY, "64-bit"}};

// Says on stderr which other class the ProgID leads to, and in which view, when it does.
static BOOL FindOtherClass(const CServerClass& server, LPCSTR lpszConsequence)
{
    for (const auto& view : kBothViews) {
        std::string strClsid = GetProgIdClsid(server.m_lpszProgId, view.m_samView);
        if (!strClsid.empty() && _stricmp(strClsid.c_str(), server.m_lpszClsid) != 0) {
            fprintf(stderr, "%s: %s is registered to another class, %s, in the %s view: %s\n",
                    server.m_lpszProgram, server.m_lpszProgId, strClsid.c_str(), view.m_lpszName,
                    lpszConsequence);
            return TRUE;
        }
    }
    return FALSE;
}

int RegisterServer(const CServerClass& server, BOOL bForce)
{
    std::string strForceHint = std::string("nothing changed (") + server.m_lpszProgram +
                               " /RegServer /force registers it in that class's place)";
    if (!(bForce && server.m_bMayForce) &&
        FindOtherClass(server, server.m_bMayForce ? strForceHint.c_str() : "nothing changed"))
        return 1;
    char szExe[MAX_PATH];
    DWORD cch = GetModuleFileNameA(NULL, szExe, sizeof szExe);
    if (cch == 0 || cch == sizeof szExe)
        return ReportFailure(server.m_lpszProgram, "cannot find its own path",
                             cch != 0 ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
    std::string strClsidKey = std::string("CLSID\\") + server.m_lpszClsid;
    const std::pair<std::string, std::string> values[] = {
        {std::string(server.m_lpszProgId) + "\\CLSID", server.m_lpszClsid},
        {strClsidKey + "\\LocalServer32", "\"" + std::string(szExe) + "\""},
        {strClsidKey + "\\ProgID", server.m_lpszProgId},
    };
    for (const auto& [strSubkey, strValue] : values) {
        LONG lResult = SetMachineClassesValue(strSubkey, strValue);
        if (lResult != ERROR_SUCCESS)
            return ReportFailure(server.m_lpszProgram,
                                 "cannot write HKLM\\" + (kMachineClasses + strSubkey), lResult);
    }
    return 0;
}

// The server's path is registered quoted; a copy in any folder counts as the server.
static BOOL IsOwnServer(const CServerClass& server, const std::string& strCommand)
{
    std::string strTail = "\\" + std::string(server.m_lpszExeName) + "\"";
    return strCommand.size() >= strTail.size() &&
           _stricmp(strCommand.c_str() + strCommand.size() - strTail.size(), strTail.c_str()) == 0;
}

int UnregisterServer(const CServerClass& server)
{
    std::string strClass = GetProgIdClsid(server.m_lpszProgId, 0);
    BOOL bOwnProgId = _stricmp(strClass.c_str(), server.m_lpszClsid) == 0;
    if (!bOwnProgId)
        FindOtherClass(server, "left as it is");
    std::string strClsidKey = std::string("CLSID\\") + server.m_lpszClsid;
    const std::pair<BOOL, std::string> subkeys[] = {
        {bOwnProgId, server.m_lpszProgId},
        {IsOwnServer(server, GetClassesValue(strClsidKey + "\\LocalServer32", 0)), strClsidKey}};
    for (const auto& [bOwn, strSubkey] : subkeys) {
        std::string strKey = kMachineClasses + strSubkey;
        LONG lResult = bOwn ? RegDeleteTreeA(HKEY_LOCAL_MACHINE, strKey.c_str()) : ERROR_SUCCESS;
        if (lResult != ERROR_SUCCESS && lResult != ERROR_FILE_NOT_FOUND)
            return ReportFailure(server.m_lpszProgram, "cannot remove HKLM\\" + strKey, lResult);
    }
    return 0;
}
