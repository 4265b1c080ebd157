// CFile on the Win32 file API.
#include "framework/afxfile.h"

BOOL CFileException::GetErrorMessage(CString& strMessage) const
{
    char szSystem[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                   static_cast<DWORD>(m_lOsError), 0, szSystem, sizeof(szSystem), NULL);
    strMessage.Format("%s: %s", static_cast<LPCSTR>(m_strFileName), szSystem);
    return TRUE;
}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags) : m_strFileName(lpszFileName)
{
    DWORD dwAccess = 0;
    switch (nOpenFlags & 3) {
    case modeRead: dwAccess = GENERIC_READ; break;
    case modeWrite: dwAccess = GENERIC_WRITE; break;
    default: dwAccess = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD dwShare = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite: dwShare = FILE_SHARE_READ; break;
    case shareDenyRead: dwShare = FILE_SHARE_WRITE; break;
    case shareDenyNone: dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: dwShare = 0; break; // compat and exclusive alike
    }
    DWORD dwCreate = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        dwCreate = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    m_hFile = CreateFileA(lpszFileName, dwAccess, dwShare, NULL, dwCreate, FILE_ATTRIBUTE_NORMAL,
                          NULL);
    if (m_hFile == INVALID_HANDLE_VALUE)
        ThrowLastError();
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
}

void CFile::ThrowLastError() const
{
    throw CFileException(static_cast<LONG>(GetLastError()), m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LARGE_INTEGER li, liNew;
    li.QuadPart = lOff;
    if (!SetFilePointerEx(m_hFile, li, &liNew, nFrom))
        ThrowLastError();
    return static_cast<ULONGLONG>(liNew.QuadPart);
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    DWORD dwWritten = 0;
    if (!WriteFile(m_hFile, lpBuf, nCount, &dwWritten, NULL))
        ThrowLastError();
    if (dwWritten != nCount)
        throw CFileException(ERROR_DISK_FULL, m_strFileName);
}

void CFile::Flush()
{
    if (!FlushFileBuffers(m_hFile))
        ThrowLastError();
}

void CFile::Close()
{
    HANDLE hFile = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (hFile != INVALID_HANDLE_VALUE && !CloseHandle(hFile))
        ThrowLastError();
}
