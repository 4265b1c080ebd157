// CFile on the Win32 file API.
#include "framework/afxfile.h"

BOOL CFileException::GetErrorMessage(CString& strMessage) const
{
    return GetSystemMessage(static_cast<DWORD>(m_lOsError), strMessage);
}

CFile::CFile(LPCSTR lpszFileName, UINT nOpenFlags)
{
    m_hFile = CreateFileA(lpszFileName, FILE_APPEND_DATA, 0, NULL,
                          (nOpenFlags & modeCreateNew) ? CREATE_NEW : OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, NULL);
    if (m_hFile == INVALID_HANDLE_VALUE)
        ThrowLastError();
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
}

void CFile::ThrowLastError()
{
    throw CFileException(static_cast<LONG>(GetLastError()));
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    DWORD dwWritten = 0;
    if (!WriteFile(m_hFile, lpBuf, nCount, &dwWritten, NULL))
        ThrowLastError();
    if (dwWritten != nCount)
        throw CFileException(ERROR_DISK_FULL);
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
