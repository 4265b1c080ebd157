// The presentation path formed from the command-line tail. No Windows header.
#pragma once

#include <stddef.h>

// A tail that begins with one backslash (not two) is on the current drive.
bool NeedsCurrentDrive(const char* tail);

// Room FormShowPath needs for a tail: the tail, a drive, a colon and the NUL.
inline size_t ShowPathSize(size_t tailLength) { return tailLength + 3; }

// "%c:%s" from the first byte of the current directory and the whole tail when
// NeedsCurrentDrive, else the tail unchanged (no trimming, quotes kept), into out,
// which holds ShowPathSize(strlen(tail)) bytes.
void FormShowPath(const char* tail, const char* currentDirectory, char* out);
