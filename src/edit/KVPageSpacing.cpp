// The vertical order of a page's blocks and the page-wide block layout
// commands.

#include "model/KVPage.h"

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBlock.h"

#include <vector>

namespace {

// The block at index b of the page, backed up first; the live clone.
CKVBlock* BackedUpBlock(CKVPage& page, int b)
{
    CKVBlock* block = page.m_arrBlock.GetAt(b);
    if (!block)
        return nullptr;
    block->ObjectBackup(kBackupRecorded);
    return page.m_arrBlock.GetAt(b);
}

} // namespace

void CKVPage::OrderBlockSpace()
{
    const CKVFileInfo* info = m_pDoc ? m_pDoc->m_pFileInfo : nullptr;
    const int space = m_pDoc ? m_pDoc->m_nStaffSpace : 0;
    const int firstTop = info ? info->m_nFirstBlockY : 0;
    const int distance = info ? info->m_nBlockDistance * space : 0;
    CKVBlock* previous = nullptr;
    for (int b = 0; b < m_arrBlock.GetSize(); ++b) {
        CKVBlock* block = m_arrBlock.GetAt(b);
        if (!block)
            continue;
        const int top = previous ? previous->m_rcBlock.top + previous->LastStaffY() + distance : firstTop;
        block->m_rcBlock.OffsetRect(0, top - block->m_rcBlock.top);
        previous = block;
    }
}

void CKVPage::BlockCenterFit(short mode)
{
    if (!m_pDoc || mode < 0 || mode > 3)
        return;
    m_pDoc->ResetBackup();
    const int space = m_pDoc->m_nStaffSpace;
    const int staffDistance = m_pDoc->m_pFileInfo ? m_pDoc->m_pFileInfo->m_nStaffDistance : 0;
    for (int b = 0; b < m_arrBlock.GetSize(); ++b) {
        CKVBlock* block = BackedUpBlock(*this, b);
        if (!block)
            continue;
        if (mode == 0)
            block->m_rcBlock.OffsetRect(1 - block->m_rcBlock.left, 0);
        else if (mode == 2)
            block->StaffSpaceOrder(static_cast<short>(staffDistance * space));
        else if (mode == 3)
            block->InitMeasPos();
    }
    if (mode == 1)
        OrderBlockSpace();
    m_pDoc->m_bModified = 1;
}

void CKVPage::UpdateBlockPos()
{
    std::vector<CKVBlock*> old;
    for (int b = 0; b < m_arrBlock.GetSize(); ++b)
        old.push_back(m_arrBlock.GetAt(b));
    m_arrBlock.RemoveAll();
    for (CKVBlock* block : old) {
        if (!block)
            continue;
        CKVBlock* fresh = AddBlock(block->m_pSystem, block->m_nFirstMeas, block->m_nMeasCount);
        if (m_pDoc && m_pDoc->m_pCurBlock == block)
            m_pDoc->m_pCurBlock = fresh;
        if (m_pDoc && m_pDoc->m_pCusorBlock == block)
            m_pDoc->m_pCusorBlock = fresh;
        // Recorded as removed, the block comes back with the page's snapshot;
        // unrecorded, nothing else holds it.
        if (!m_pDoc || !m_pDoc->AddObj2BackupArray(UndoEntry::kBlockInsDel, block, 0))
            delete block;
    }
    UpdateMeasXY();
    if (m_pDoc) {
        m_pDoc->DropStaleSelRects();
        m_pDoc->DropStaleCursor();
    }
}
