// The call journal: one line for every Invoke the server receives, so tests can see what was asked.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

// From now on every call is journalled at path; until a presentation names one, none is.
void SetJournal(const std::string& path);

// Appends "<object> <DISPID>[ <argument>...] -> ok|0x<HRESULT>" and CR LF, arguments in
// declared order. The file is opened and closed for each line, so it can be read at any time.
void JournalCall(const char* object, DISPID id, const DISPPARAMS* params, HRESULT hr);
