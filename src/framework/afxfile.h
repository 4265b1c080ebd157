// CFile and CFileException: binary file access that reports failures by exception.
#pragma once

#include "framework/afxwin.h"

class CFileException : public CException {
public:
    CFileException(LONG lOsError, LPCSTR lpszFileName)
        : m_lOsError(lOsError), m_strFileName(lpszFileName)
    {
    }
    BOOL GetErrorMessage(CString& strMessage) const override;

    LONG m_lOsError;
    CString m_strFileName;
};

class CFile {
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000, // exclusive: nobody else opens the file meanwhile
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    // Opens as the flags say, or throws CFileException.
    CFile(LPCSTR lpszFileName, UINT nOpenFlags);
    // Closes a file still open; failures no longer matter then.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void Write(const void* lpBuf, UINT nCount);
    void Flush();
    void Close();

private:
    [[noreturn]] void ThrowLastError() const;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    CString m_strFileName;
};
