// The selected ossia block of a page.

#include "model/KVPage.h"

#include "document/KVDoc.h"
#include "model/KVBlock.h"

CKVBlock* CKVPage::GetSelOssiaBlock()
{
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrOssiaBlock.GetAt(i);
        if (block && block->IsStaffSelected(nullptr))
            return block;
    }
    CKVBlock* current = m_pDoc ? m_pDoc->m_pCurBlock : nullptr;
    if (current && current->m_byKind == CKVBlock::KIND_OSSIA)
        return current;
    return nullptr;
}
