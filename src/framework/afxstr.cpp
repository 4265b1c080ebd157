// CString's storage, string-table loading and formatting.
#include "framework/afxstr.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void CString::Assign(LPCSTR lpsz, int nLength)
{
    char* psz = GetBuffer(nLength);
    if (psz == NULL)
        return;
    if (nLength > 0)
        memmove(psz, lpsz, static_cast<size_t>(nLength));
    psz[nLength] = '\0';
    m_nLength = nLength;
}

char* CString::GetBuffer(int nMinLength)
{
    char* psz = static_cast<char*>(realloc(m_psz, static_cast<size_t>(nMinLength) + 1));
    if (psz == NULL)
        return NULL;
    if (m_psz == NULL)
        psz[0] = '\0';
    m_psz = psz;
    m_psz[nMinLength] = '\0';
    return m_psz;
}

void CString::ReleaseBuffer()
{
    m_nLength = m_psz ? static_cast<int>(strlen(m_psz)) : 0;
}

BOOL CString::LoadString(UINT nID)
{
    // LoadStringA cannot tell how long an entry is; the table's entries are short,
    // but grow the buffer rather than cut one.
    for (int cch = 256; cch <= 65536; cch *= 4) {
        char* psz = GetBuffer(cch);
        if (psz == NULL)
            break;
        int n = ::LoadStringA(GetModuleHandleA(NULL), nID, psz, cch);
        if (n < cch - 1) {
            psz[n > 0 ? n : 0] = '\0';
            ReleaseBuffer();
            return n > 0;
        }
    }
    Assign("", 0);
    return FALSE;
}

void CString::FormatV(LPCSTR lpszFormat, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int n = vsnprintf(NULL, 0, lpszFormat, measure);
    va_end(measure);
    char* psz = n >= 0 ? GetBuffer(n) : NULL;
    if (psz == NULL) {
        Assign("", 0);
        return;
    }
    vsnprintf(psz, static_cast<size_t>(n) + 1, lpszFormat, args);
    m_nLength = n;
}

void CString::Format(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void CString::Format(UINT nFormatID, ...)
{
    CString strFormat;
    strFormat.LoadString(nFormatID);
    va_list args;
    va_start(args, nFormatID);
    FormatV(strFormat, args);
    va_end(args);
}
