// A ring of command texts, each in a slot as large as the command buffer.
#include "channel/command_queue.h"

bool CCommandQueue::Push(const char* text)
{
    if (IsFull())
        return false;
    CopyCommandText(m_texts[(m_nFirst + m_nCount) % kCapacity], kCommandBlockSize, text,
                    kCommandBlockSize);
    ++m_nCount;
    return true;
}

bool CCommandQueue::Pop(char* buffer)
{
    if (IsEmpty())
        return false;
    CopyCommandText(buffer, kCommandBlockSize, m_texts[m_nFirst], kCommandBlockSize);
    m_nFirst = (m_nFirst + 1) % kCapacity;
    --m_nCount;
    return true;
}
