// A ring of command texts, each in a slot as large as the command buffer.
#include "channel/command_queue.h"

bool CCommandQueue::Push(const char* pszText)
{
    if (IsFull())
        return false;
    CopyCommandText(m_szTexts[(m_nFirst + m_nCount) % kCapacity], kCommandBlockSize, pszText,
                    kCommandBlockSize);
    ++m_nCount;
    return true;
}

bool CCommandQueue::Pop(char* pszBuffer)
{
    if (IsEmpty())
        return false;
    CopyCommandText(pszBuffer, kCommandBlockSize, m_szTexts[m_nFirst], kCommandBlockSize);
    m_nFirst = (m_nFirst + 1) % kCapacity;
    --m_nCount;
    return true;
}
