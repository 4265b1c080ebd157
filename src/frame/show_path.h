// The presentation path formed from the command-line tail. No Windows header.
#pragma once

#include <stddef.h>

// A tail that begins with one backslash (not two) is on the current drive.
bool NeedsCurrentDrive(const char* pszTail);

// Room FormShowPath needs for a tail: the tail, a drive, a colon and the NUL.
inline size_t ShowPathSize(size_t cchTail)
{
    return cchTail + 3;
}

// "%c:%s" from the first byte of the current directory and the whole tail when
// NeedsCurrentDrive, else the tail unchanged (no trimming, quotes kept), into
// pszPath, which holds ShowPathSize(strlen(pszTail)) bytes.
void FormShowPath(const char* pszTail, const char* pszCurrentDirectory, char* pszPath);
