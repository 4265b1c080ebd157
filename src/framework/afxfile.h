// CFile and CFileException: binary file access that reports failures by exception.
#pragma once

#include "framework/afxwin.h"

class CFileException : public CException {
public:
    explicit CFileException(LONG lOsError) : m_lOsError(lOsError) {}
    BOOL GetErrorMessage(CString& strMessage) const override;

    LONG m_lOsError;
};

// Opened for reading and writing, without sharing: while it is open nobody else
// can open the file, and the open fails while somebody else has it open.
class CFile {
public:
    enum OpenFlags {
        modeReadWrite = 0x0002,
        modeCreate = 0x1000, // create the file, or truncate one of that name
        typeBinary = 0x8000, // bytes as they are: no newline translation
    };
    enum SeekPosition { end = 2 };

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
    [[noreturn]] static void ThrowLastError();
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
