// Command texts the receiver has taken but not yet run, in arrival order. No Windows header.
#pragma once

#include "channel/command_text.h"

class CCommandQueue {
public:
    static const int kCapacity = 32;

    CCommandQueue() : m_nFirst(0), m_nCount(0) {}
    bool IsEmpty() const { return m_nCount == 0; }
    bool IsFull() const { return m_nCount == kCapacity; }
    // Appends a copy of the text (cut to the command buffer's 255 characters); false when full.
    bool Push(const char* pszText);
    // Moves the oldest text into the 256-byte buffer; false when empty.
    bool Pop(char* pszBuffer);

private:
    char m_szTexts[kCapacity][kCommandBlockSize];
    int m_nFirst;
    int m_nCount;
};
