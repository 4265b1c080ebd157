// CString's string-table loading and formatting.
#include "framework/afxstr.h"

#include <stdarg.h>
#include <stdio.h>

BOOL CString::LoadString(UINT nID)
{
    // LoadStringA cannot tell how long an entry is; the table's entries are short,
    // but grow the buffer rather than cut one.
    for (int cch = 256; cch <= 65536; cch *= 4) {
        std::string buf(cch, '\0');
        int n = ::LoadStringA(GetModuleHandleA(NULL), nID, &buf[0], cch);
        if (n < cch - 1) {
            buf.resize(n > 0 ? n : 0);
            m_str.swap(buf);
            return n > 0;
        }
    }
    m_str.clear();
    return FALSE;
}

void CString::FormatV(LPCSTR lpszFormat, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int n = vsnprintf(NULL, 0, lpszFormat, measure);
    va_end(measure);
    if (n < 0) {
        m_str.clear();
        return;
    }
    std::string buf(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(&buf[0], buf.size(), lpszFormat, args);
    buf.resize(n);
    m_str.swap(buf);
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
