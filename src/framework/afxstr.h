// CString: an 8-bit string with string-table loading and printf-style formatting.
#pragma once

#include <windows.h>

#include <stdarg.h>
#include <stdlib.h>

// Kept on the heap by hand: the standard library's string would bring its
// exception classes and instantiations, a third of the program's size.
class CString {
public:
    CString() = default;
    CString(LPCSTR lpsz) { Assign(lpsz, lpsz ? lstrlenA(lpsz) : 0); }
    CString(const CString& other) { Assign(other.m_psz, other.m_nLength); }
    CString(CString&& other) noexcept : m_psz(other.m_psz), m_nLength(other.m_nLength)
    {
        other.m_psz = NULL;
        other.m_nLength = 0;
    }
    ~CString() { free(m_psz); }

    CString& operator=(const CString& other)
    {
        if (this != &other)
            Assign(other.m_psz, other.m_nLength);
        return *this;
    }
    CString& operator=(LPCSTR lpsz)
    {
        Assign(lpsz, lpsz ? lstrlenA(lpsz) : 0);
        return *this;
    }
    operator LPCSTR() const { return m_psz ? m_psz : ""; }
    int GetLength() const { return m_nLength; }
    BOOL IsEmpty() const { return m_nLength == 0; }

    // Room for nMinLength characters and a NUL; ReleaseBuffer takes the length
    // up to the first NUL. Returns NULL when there is no memory.
    char* GetBuffer(int nMinLength);
    void ReleaseBuffer();

    // The text of a string-table entry; FALSE (and empty) when there is none.
    BOOL LoadString(UINT nID);
    // printf-style, with the format given or loaded from the string table.
    void Format(LPCSTR lpszFormat, ...);
    void Format(UINT nFormatID, ...);

private:
    void Assign(LPCSTR lpsz, int nLength);
    void FormatV(LPCSTR lpszFormat, va_list args);
    char* m_psz = NULL;
    int m_nLength = 0;
};
