// CString: an 8-bit string with string-table loading and printf-style formatting.
#pragma once

#include <windows.h>
#include <string>

class CString {
public:
    CString() = default;
    CString(LPCSTR lpsz) : m_str(lpsz ? lpsz : "") {}

    CString& operator=(LPCSTR lpsz)
    {
        m_str = lpsz ? lpsz : "";
        return *this;
    }
    operator LPCSTR() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // The text of a string-table entry; FALSE (and empty) when there is none.
    BOOL LoadString(UINT nID);
    // printf-style, with the format given or loaded from the string table.
    void Format(LPCSTR lpszFormat, ...);
    void Format(UINT nFormatID, ...);

private:
    void FormatV(LPCSTR lpszFormat, va_list args);
    std::string m_str;
};
