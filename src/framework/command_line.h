// SkipProgramName: the command-line tail, what follows the program's own name. No Windows header.
#pragma once

// Returns the tail of a process command line: past the program name (a quoted
// name ends at its closing quote, an unquoted one at the first byte of code 32
// or below) and past the bytes 1..32 that follow it. The tail is taken whole,
// never split into arguments. Never reads past the terminating NUL.
const char* SkipProgramName(const char* pszCommandLine);
