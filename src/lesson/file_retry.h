// RetryWhileLocked: a file another program holds for a moment, waited out.
#pragma once

#include "framework/afxfile.h"
#include "framework/deadline.h"
#include "log/event_log.h"

// How long, and how often, a file another program holds for a moment is tried again.
const DWORD kLockWaitMs = 1000;
const DWORD kLockRetryMs = 50;

// Runs one open-write-flush-close cycle of a lesson file. Virus scanners, the search indexer and
// backups open a file for a moment just after it changed: a sharing or lock violation is waited
// out, the thread blocked meanwhile as in the designed waits, each retry logged under lpszEvent.
// Any other failure, or one that lasts dwWaitMs, goes on to the caller.
template <class Cycle>
void RetryWhileLocked(LPCSTR lpszEvent, LPCSTR lpszFile, Cycle cycle, DWORD dwWaitMs = kLockWaitMs)
{
    const CDeadline deadline(dwWaitMs);
    for (;;) {
        try {
            cycle();
            return;
        } catch (const CFileException& e) {
            if ((e.m_lOsError != ERROR_SHARING_VIOLATION && e.m_lOsError != ERROR_LOCK_VIOLATION) ||
                deadline.IsPast())
                throw;
            LogEvent(lpszEvent, "%s is locked by another program (error %ld): trying again",
                     lpszFile, e.m_lOsError);
        }
        Sleep(kLockRetryMs);
    }
}
