// The command text travelling through the command block, and its limits. No Windows header.
#pragma once

#include "channel/channel.h"

const size_t kFinishCopySize = 128;       // the finish's working copy, NUL included
const size_t kFinishTextMax = kFinishCopySize - 1;
const char kDefaultFinishText[] = "-S=I,S";

// The process's one command buffer, zero at start.
extern char g_szCommandBuffer[kCommandBlockSize];

// A command begins with '-'.
bool IsCommandText(const char* text);

// At most kCommandTextMax characters: the text travels whole through the block.
bool FitsCommandBlock(const char* text);

// Copies text into dst (dstSize bytes), cut to dstSize - 1 bytes, always
// NUL-terminated; reads src no further than srcSize bytes (a source without a
// NUL in its first srcSize bytes is cut there). Returns the length copied.
size_t CopyCommandText(char* dst, size_t dstSize, const char* src, size_t srcSize);

// Clears bit 0x20 of the second byte, in place, and returns it: the command
// letter. Letters match in either case; any other byte then matches none.
char UpcaseCommandLetter(char* text);
