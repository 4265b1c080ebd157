// The command text travelling through the command block, and its limits. No Windows header.
#pragma once

#include "channel/channel.h"

const size_t kFinishCopySize = 128; // the finish's working copy, NUL included
const size_t kFinishTextMax = kFinishCopySize - 1;
const char kDefaultFinishText[] = "-S=I,S";

// The process's one command buffer, zero at start. The receiver puts each command
// text into it, show start-up uses it as scratch space for the current directory,
// and the program's own finishes put the default finish text there; the finish
// (through its copy) and the recorder (in place) read their operands from it.
// Shared because all of them run on the one thread, one message at a time.
extern char g_szCommandBuffer[kCommandBlockSize];

// A command begins with '-'.
bool IsCommandText(const char* pszText);

// At most kCommandTextMax characters: the text travels whole through the block.
bool FitsCommandBlock(const char* pszText);

// Copies pszSource into pszDest (cbDest bytes), cut to cbDest - 1 bytes, always
// NUL-terminated; reads the source no further than cbSource bytes (a source
// without a NUL in its first cbSource bytes is cut there). Returns the length copied.
size_t CopyCommandText(char* pszDest, size_t cbDest, const char* pszSource, size_t cbSource);

// Clears bit 0x20 of the second byte, in place, and returns it: the command
// letter. Letters match in either case; any other byte then matches none.
char UpcaseCommandLetter(char* pszText);
