// ToAnsi: a BSTR as ANSI text, for the window title, the file names and the call journal.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

// ANSI (CP_ACP) from a BSTR.
inline std::string ToAnsi(BSTR bstrText)
{
    int cchWide = static_cast<int>(SysStringLen(bstrText));
    int cch = WideCharToMultiByte(CP_ACP, 0, bstrText, cchWide, NULL, 0, NULL, NULL);
    std::string strAnsi(cch, '\0');
    WideCharToMultiByte(CP_ACP, 0, bstrText, cchWide, strAnsi.data(), cch, NULL, NULL);
    return strAnsi;
}
