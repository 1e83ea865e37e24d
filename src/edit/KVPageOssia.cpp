// The selected ossia block of a page.

#include "model/KVPage.h"

#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "model/KVBlock.h"
#include "model/NewObject.h"

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

int CKVPage::InsertOssia(POINT pt, int staff, int first, int last, CKVStaff* ossia)
{
    if (!ossia)
        return 0;
    CKVBlock* block = KvNewReported<CKVBlock>();
    if (!block)
        return 0;
    if (!block->Create(this, pt, staff, first, last, ossia)) {
        delete block;
        return 0;
    }
    m_arrOssiaBlock.Add(block);
    if (m_pDoc)
        m_pDoc->AddObj2BackupArray(UndoEntry::kBlockInsDel, block, 1);
    return 1;
}
