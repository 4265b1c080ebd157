// The call journal: a line per Invoke, appended to the file the presentation named.
#include "journal.h"

#include "dispatcher.h"
#include "framework/handles.h"

#include <stdio.h>

namespace {

// The server has one client (single-use registration), so the journal is the process's.
std::string g_path;

// "BSTR:<text>", "I4:<decimal>", or "VT<vartype>" for any other type.
std::string Describe(const VARIANT& arg)
{
    char text[32];
    switch (arg.vt) {
    case VT_BSTR:
        return "BSTR:" + ToAnsi(arg.bstrVal);
    case VT_I4:
        snprintf(text, sizeof text, "I4:%ld", static_cast<long>(arg.lVal));
        return text;
    default:
        snprintf(text, sizeof text, "VT%u", static_cast<unsigned>(arg.vt));
        return text;
    }
}

} // namespace

void SetJournal(const std::string& path)
{
    g_path = path;
}

void JournalCall(const char* object, DISPID id, const DISPPARAMS* params, HRESULT hr)
{
    if (g_path.empty())
        return;
    char number[32];
    snprintf(number, sizeof number, " %ld", static_cast<long>(id));
    std::string line = object + std::string(number);
    // rgvarg holds the arguments last first.
    for (UINT i = params ? params->cArgs : 0; i > 0; --i)
        line += " " + Describe(params->rgvarg[i - 1]);
    if (hr == S_OK) {
        line += " -> ok\r\n";
    } else {
        snprintf(number, sizeof number, " -> 0x%08lX\r\n", static_cast<unsigned long>(hr));
        line += number;
    }
    // Append-only access: every line lands at the end, whatever else reads the file.
    CHandleOwner file(CreateFileA(g_path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Get())
        WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
