// ToAnsi: a BSTR or UTF-16 text as ANSI, for the window title, file names, the call journal and
// the texts and command lines of a real lesson.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

// ANSI (CP_ACP) from cchWide UTF-16 units; a character the code page lacks becomes its default.
inline std::string ToAnsi(LPCWSTR pszWide, int cchWide)
{
    int cch = WideCharToMultiByte(CP_ACP, 0, pszWide, cchWide, NULL, 0, NULL, NULL);
    std::string strAnsi(cch, '\0');
    WideCharToMultiByte(CP_ACP, 0, pszWide, cchWide, strAnsi.data(), cch, NULL, NULL);
    return strAnsi;
}

inline std::string ToAnsi(BSTR bstrText)
{
    return ToAnsi(bstrText, static_cast<int>(SysStringLen(bstrText)));
}

// A real lesson's text: on Windows a WCHAR is a UTF-16 unit, as the file's are.
inline std::string ToAnsi(const std::u16string& strText)
{
    static_assert(sizeof(WCHAR) == sizeof(char16_t), "WCHAR is a UTF-16 unit");
    return ToAnsi(reinterpret_cast<LPCWSTR>(strText.data()), static_cast<int>(strText.size()));
}
