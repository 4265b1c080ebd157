// Small owners for Win32 and OLE resources, each releasing its resource on every path, and the
// REG_DWORD reads and writes on an open key.
#pragma once

#include <windows.h>

#include "framework/afxole.h"

// A registry key, closed when the owner goes unless Close() already did it.
class CRegKeyOwner {
public:
    CRegKeyOwner() = default;
    ~CRegKeyOwner() { Close(); }
    CRegKeyOwner(const CRegKeyOwner&) = delete;
    CRegKeyOwner& operator=(const CRegKeyOwner&) = delete;

    LONG Open(HKEY hRoot, LPCSTR lpszKey, REGSAM sam)
    {
        Close();
        return RegOpenKeyExA(hRoot, lpszKey, 0, sam, &m_hKey);
    }
    // Opens the key, creating it when it does not exist.
    LONG Create(HKEY hRoot, LPCSTR lpszKey, REGSAM sam)
    {
        Close();
        return RegCreateKeyExA(hRoot, lpszKey, 0, NULL, 0, sam, NULL, &m_hKey, NULL);
    }
    // The close's own result matters to start-up; the key counts as closed either way.
    LONG Close()
    {
        if (m_hKey == NULL)
            return ERROR_SUCCESS;
        HKEY hKey = m_hKey;
        m_hKey = NULL;
        return RegCloseKey(hKey);
    }
    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = NULL;
};

// A REG_DWORD value of an open key into *pdwValue; FALSE, *pdwValue untouched, when the value is
// absent, of another type or not four bytes long.
inline BOOL ReadDwordValue(HKEY hKey, LPCSTR lpszValue, DWORD* pdwValue)
{
    DWORD dwType = 0, dwValue = 0, cbValue = sizeof(dwValue);
    if (RegQueryValueExA(hKey, lpszValue, NULL, &dwType, reinterpret_cast<BYTE*>(&dwValue),
                         &cbValue) != ERROR_SUCCESS ||
        dwType != REG_DWORD || cbValue != sizeof(dwValue))
        return FALSE;
    *pdwValue = dwValue;
    return TRUE;
}

// Sets a REG_DWORD value of an open key and flushes the key, so that the value outlives a
// process killed right after; the first failing call's result.
inline LONG WriteDwordValue(HKEY hKey, LPCSTR lpszValue, DWORD dwValue)
{
    LONG lResult = RegSetValueExA(hKey, lpszValue, 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    return lResult == ERROR_SUCCESS ? RegFlushKey(hKey) : lResult;
}

// A kernel handle, closed exactly once. NULL means none, and so does the
// INVALID_HANDLE_VALUE with which the file functions fail.
class CHandleOwner {
public:
    explicit CHandleOwner(HANDLE h = NULL) : m_h(h == INVALID_HANDLE_VALUE ? NULL : h) {}
    ~CHandleOwner() { Close(); }
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;

    void Close()
    {
        if (m_h != NULL)
            CloseHandle(m_h);
        m_h = NULL;
    }
    HANDLE Get() const { return m_h; }
    void Attach(HANDLE h)
    {
        Close();
        m_h = h == INVALID_HANDLE_VALUE ? NULL : h;
    }
    HANDLE Detach()
    {
        HANDLE h = m_h;
        m_h = NULL;
        return h;
    }

private:
    HANDLE m_h;
};

// A search of a folder (FindFirstFileA), closed when the owner goes.
class CFindOwner {
public:
    explicit CFindOwner(HANDLE h) : m_h(h) {}
    ~CFindOwner()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            FindClose(m_h);
    }
    CFindOwner(const CFindOwner&) = delete;
    CFindOwner& operator=(const CFindOwner&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// One mapped view of a section, unmapped when the owner goes.
class CMappedView {
public:
    CMappedView(HANDLE hSection, SIZE_T cb)
        : m_pv(hSection ? MapViewOfFile(hSection, FILE_MAP_WRITE, 0, 0, cb) : NULL)
    {
    }
    ~CMappedView()
    {
        if (m_pv != NULL)
            UnmapViewOfFile(m_pv);
    }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;

    char* Bytes() const { return static_cast<char*>(m_pv); }

private:
    void* m_pv;
};

// A VARIANT cleared when the owner goes.
class CVariantOwner {
public:
    CVariantOwner() { m_var.vt = VT_EMPTY; }
    ~CVariantOwner() { lazyole::VariantClear(&m_var); }
    CVariantOwner(const CVariantOwner&) = delete;
    CVariantOwner& operator=(const CVariantOwner&) = delete;
    VARIANT& Get() { return m_var; }

private:
    VARIANT m_var;
};
