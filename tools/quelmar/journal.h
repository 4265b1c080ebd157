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

private:
    std::string m_strPath;
};

// The server has one client (single-use registration), so the journal is the process's.
extern CJournal g_journal;
