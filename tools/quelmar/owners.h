// Owners of COM and GDI resources only quelmar holds; its handles and keys are handles.h's.
#pragma once

#include <windows.h>

#include <ole2.h>

// A COM reference taken over from its maker, released when the owner goes.
template <class T> class CComOwner {
public:
    explicit CComOwner(T* p = NULL) : m_p(p) {}
    ~CComOwner() { Release(); }
    CComOwner(const CComOwner&) = delete;
    CComOwner& operator=(const CComOwner&) = delete;

    // Cleared first: the last release may run code that looks at this owner.
    void Release()
    {
        T* p = m_p;
        m_p = NULL;
        if (p != NULL)
            p->Release();
    }
    // The new reference is in place before the old one goes, so the server never counts none.
    void Attach(T* p)
    {
        T* pOld = m_p;
        m_p = p;
        if (pOld != NULL)
            pOld->Release();
    }
    T* Get() const { return m_p; }

private:
    T* m_p;
};

// A GDI object made here, deleted when the owner goes; select it through a CSelectedObject
// declared after this owner, so that it is never deleted while selected.
class CGdiObjectOwner {
public:
    explicit CGdiObjectOwner(HGDIOBJ h) : m_h(h) {}
    ~CGdiObjectOwner()
    {
        if (m_h != NULL)
            DeleteObject(m_h);
    }
    CGdiObjectOwner(const CGdiObjectOwner&) = delete;
    CGdiObjectOwner& operator=(const CGdiObjectOwner&) = delete;

    HGDIOBJ Get() const { return m_h; }

private:
    HGDIOBJ m_h;
};

// An object selected into a device context; the one it replaced is put back when the owner goes.
class CSelectedObject {
public:
    CSelectedObject(HDC hDC, HGDIOBJ hObject) : m_hDC(hDC), m_hOldObject(SelectObject(hDC, hObject))
    {
    }
    ~CSelectedObject()
    {
        if (m_hOldObject != NULL)
            SelectObject(m_hDC, m_hOldObject);
    }
    CSelectedObject(const CSelectedObject&) = delete;
    CSelectedObject& operator=(const CSelectedObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOldObject;
};

// A window's paint, begun when the owner is made and ended when it goes; Get() is its DC.
class CPaintScope {
public:
    explicit CPaintScope(HWND hWnd) : m_hWnd(hWnd) { BeginPaint(m_hWnd, &m_ps); }
    ~CPaintScope() { EndPaint(m_hWnd, &m_ps); }
    CPaintScope(const CPaintScope&) = delete;
    CPaintScope& operator=(const CPaintScope&) = delete;

    HDC Get() const { return m_ps.hdc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
};

// COM on this thread for as long as the owner lives, when it could be started.
class CComApartment {
public:
    CComApartment() : m_hr(CoInitialize(NULL)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

    BOOL Succeeded() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// A class object offered to COM's clients until the owner goes.
class CClassRegistration {
public:
    CClassRegistration(REFCLSID clsid, IUnknown* pUnk, DWORD dwClsContext, DWORD dwFlags)
    {
        m_hr = CoRegisterClassObject(clsid, pUnk, dwClsContext, dwFlags, &m_dwCookie);
    }
    ~CClassRegistration()
    {
        if (SUCCEEDED(m_hr))
            CoRevokeClassObject(m_dwCookie);
    }
    CClassRegistration(const CClassRegistration&) = delete;
    CClassRegistration& operator=(const CClassRegistration&) = delete;

    BOOL Succeeded() const { return SUCCEEDED(m_hr); }

private:
    DWORD m_dwCookie = 0;
    HRESULT m_hr;
};
