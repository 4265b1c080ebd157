// CDeadline: the bound of a wait, counted from the moment it is made.
#pragma once

#include <windows.h>

class CDeadline {
public:
    explicit CDeadline(DWORD dwBoundMs) : m_dwStart(GetTickCount()), m_dwBoundMs(dwBoundMs) {}

    // Milliseconds since the wait began; the unsigned difference stays right when the tick
    // count wraps.
    DWORD Elapsed() const { return GetTickCount() - m_dwStart; }
    BOOL IsPast() const { return Elapsed() >= m_dwBoundMs; }

private:
    DWORD m_dwStart;
    DWORD m_dwBoundMs;
};
