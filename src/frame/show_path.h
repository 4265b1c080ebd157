// The presentation path formed from the command-line tail. No Windows header.
#pragma once

#include <string>

// A tail that begins with one backslash (not two) is on the current drive.
bool NeedsCurrentDrive(const char* tail);

// "%c:%s" from the first byte of the current directory and the whole tail when
// NeedsCurrentDrive, else the tail unchanged (no trimming, quotes kept).
std::string FormShowPath(const char* tail, const char* currentDirectory);
