// The call journal: each call's line, appended to the file the presentation named.
#include "journal.h"

#include "ansi_text.h"
#include "framework/handles.h"

#include <stdio.h>

CJournal g_journal;

// "BSTR:<text>", "I4:<decimal>", "I2:<decimal>", "BOOL:<decimal>", "missing" for an optional
// argument left out, or "VT<vartype>" for any other type.
static std::string DescribeArgument(const VARIANT& var)
{
    char sz[32];
    switch (var.vt) {
    case VT_BSTR:
        return "BSTR:" + ToAnsi(var.bstrVal);
    case VT_I4:
        snprintf(sz, sizeof sz, "I4:%ld", static_cast<long>(var.lVal));
        return sz;
    case VT_I2:
        snprintf(sz, sizeof sz, "I2:%d", static_cast<int>(var.iVal));
        return sz;
    case VT_BOOL:
        snprintf(sz, sizeof sz, "BOOL:%d", static_cast<int>(var.boolVal));
        return sz;
    case VT_ERROR:
        if (var.scode == DISP_E_PARAMNOTFOUND)
            return "missing";
        [[fallthrough]];
    default:
        snprintf(sz, sizeof sz, "VT%u", static_cast<unsigned>(var.vt));
        return sz;
    }
}

// The journal line for one call, its CR LF left to WriteLine.
static std::string FormatCall(LPCSTR lpszObject, const std::string& strMember,
                              const DISPPARAMS* pParams, HRESULT hr)
{
    char sz[32];
    std::string strLine = lpszObject + (" " + strMember);
    // rgvarg holds the arguments last first.
    for (UINT i = pParams != NULL ? pParams->cArgs : 0; i > 0; --i)
        strLine += " " + DescribeArgument(pParams->rgvarg[i - 1]);
    if (hr == S_OK)
        return strLine + " -> ok";
    snprintf(sz, sizeof sz, " -> 0x%08lX", static_cast<unsigned long>(hr));
    return strLine + sz;
}

void CJournal::WriteCall(LPCSTR lpszObject, DISPID dispid, const DISPPARAMS* pParams,
                         HRESULT hr) const
{
    WriteLine(FormatCall(lpszObject, std::to_string(dispid), pParams, hr));
}

void CJournal::WriteCall(LPCSTR lpszObject, const std::string& strMember, const DISPPARAMS* pParams,
                         HRESULT hr) const
{
    WriteLine(FormatCall(lpszObject, strMember, pParams, hr));
}

void CJournal::WriteLine(const std::string& strText) const
{
    if (m_strPath.empty())
        return;
    const std::string strLine = strText + "\r\n";
    // Append-only access: every line lands at the end, whatever else reads the file.
    CHandleOwner file(CreateFileA(m_strPath.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL));
    DWORD dwWritten = 0;
    if (file.Get() != NULL)
        WriteFile(file.Get(), strLine.data(), static_cast<DWORD>(strLine.size()), &dwWritten, NULL);
}
