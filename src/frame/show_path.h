// The presentation path formed from the command-line tail. No Windows header.
#pragma once

#include <stddef.h>

// Where a tail is taken from. A tail that begins with one backslash (not two) is on the current
// drive. A plain relative one (no drive, no leading backslash, no quote) is in the current
// directory: the viewer, a server COM starts in the system directory, would look for it there.
// Every other tail (a drive path, a UNC path, a quoted tail, an empty one) stands as it is.
enum ShowPathRule { SHOW_PATH_AS_IS, SHOW_PATH_ON_CURRENT_DRIVE, SHOW_PATH_IN_CURRENT_DIRECTORY };
ShowPathRule ShowPathRuleFor(const char* pszTail);

// Room FormShowPath needs for a tail and a current directory: both, a separator and the NUL.
inline size_t ShowPathSize(size_t cchTail, size_t cchDirectory)
{
    return cchTail + cchDirectory + 2;
}

// By the tail's rule: "%c:%s" from the current directory's first byte and the whole tail, or the
// current directory, a backslash unless it ends with one, and the whole tail, or the tail
// unchanged (no trimming, quotes kept); unchanged too without a current directory. Into pszPath,
// which holds ShowPathSize(strlen(pszTail), strlen(pszCurrentDirectory)) bytes.
void FormShowPath(const char* pszTail, const char* pszCurrentDirectory, char* pszPath);
