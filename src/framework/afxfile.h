// CFile and CFileException: binary file access that reports failures by exception.
#pragma once

#include "framework/afxwin.h"

class CFileException : public CException {
public:
    explicit CFileException(LONG lOsError) : m_lOsError(lOsError) {}
    BOOL GetErrorMessage(CString& strMessage) const override;

    LONG m_lOsError;
};

// Opened for appending only, without sharing: every write goes to the file's end, which needs no
// more access than appending (a folder may let a student add to files but not read them). While
// it is open nobody else can open the file, and the open fails while somebody else has it open.
class CFile {
public:
    enum OpenFlags {
        modeCreateNew = 0x1000, // create the file; fails with ERROR_FILE_EXISTS when any entry
                                // of that name exists, so that none is ever truncated
        typeBinary = 0x8000,    // bytes as they are: no newline translation
    };

    // Opens as the flags say, or throws CFileException.
    CFile(LPCSTR lpszFileName, UINT nOpenFlags);
    // Closes a file still open; failures no longer matter then.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    void Write(const void* lpBuf, UINT nCount);
    void Flush();
    void Close();

private:
    [[noreturn]] static void ThrowLastError();
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
