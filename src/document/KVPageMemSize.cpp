// The memory a page takes: its fixed part, its block lists and symbols, and
// its blocks.

#include "model/KVPage.h"

#include "model/KVBlock.h"

int CKVPage::GetPageMemSize()
{
    int size = 108;
    size += 4 * (m_arrBlock.GetSize() + m_arrOssiaBlock.GetSize());
    size += 8 * m_arrMsg.GetSize();
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        size += m_arrBlock.GetAt(i)->GetBlockMemSize();
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        size += m_arrOssiaBlock.GetAt(i)->GetBlockMemSize();
    return size;
}
