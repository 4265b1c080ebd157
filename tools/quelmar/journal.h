// CJournal: a line for every call the server receives, so that tests can see what was asked.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

class CJournal {
public:
    // From now on every call is journalled at strPath; until a presentation names one, none is.
    void SetPath(const std::string& strPath) { m_strPath = strPath; }
    // Appends "<object> <DISPID>[ <argument>...] -> ok|0x<HRESULT>" and CR LF, the arguments in
    // declared order. The file is opened for each line, so that it can be read at any time.
    void WriteCall(LPCSTR lpszObject, DISPID dispid, const DISPPARAMS* pParams, HRESULT hr) const;
    // The same with the member's name in place of its DISPID, for a server reached by name.
    void WriteCall(LPCSTR lpszObject, const std::string& strMember, const DISPPARAMS* pParams,
                   HRESULT hr) const;
    // Appends strLine and CR LF.
    void WriteLine(const std::string& strLine) const;

private:
    std::string m_strPath;
};

// One journal per process: quelmar has one client (single-use registration), the PowerPoint
// stand-in one instance per session.
extern CJournal g_journal;
