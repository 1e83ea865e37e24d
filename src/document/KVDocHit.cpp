#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

CKVSystem* CKVDoc::GetPointedSystem(POINT)
{
    KV_PENDING("CKVDoc::GetPointedSystem");
    return nullptr;
}

CKVStaff* CKVDoc::GetPointedStaff(POINT)
{
    KV_PENDING("CKVDoc::GetPointedStaff");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointedMeas(POINT, POINT*, int, CKVBlock**)
{
    KV_PENDING("CKVDoc::GetPointedMeas");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointedNearMeas(POINT, POINT*, int, CKVBlock**)
{
    KV_PENDING("CKVDoc::GetPointedNearMeas");
    return nullptr;
}

CKVMsg* CKVDoc::GetPointedNoteMsg(POINT, unsigned char)
{
    KV_PENDING("CKVDoc::GetPointedNoteMsg");
    return nullptr;
}

CKVMeas* CKVDoc::GetPointMyMeas(POINT, POINT*)
{
    KV_PENDING("CKVDoc::GetPointMyMeas");
    return nullptr;
}

unsigned char CKVDoc::GetMidiKey(POINT)
{
    KV_PENDING("CKVDoc::GetMidiKey");
    return 0;
}

int CKVDoc::MousePosQuotize(CKVDoc*, POINT, POINT&)
{
    KV_PENDING("CKVDoc::MousePosQuotize");
    return 0;
}

void CKVDoc::SetCusorInfo(POINT)
{
    KV_PENDING("CKVDoc::SetCusorInfo");
}

short CKVDoc::GetCusorPak(int)
{
    KV_PENDING("CKVDoc::GetCusorPak");
    return 0;
}

short CKVDoc::GetCusorTicks(int)
{
    KV_PENDING("CKVDoc::GetCusorTicks");
    return 0;
}

CKVMeas* CKVDoc::GetCusorMeas()
{
    KV_PENDING("CKVDoc::GetCusorMeas");
    return nullptr;
}

CKVMsg* CKVDoc::GetCtrlPointedMsg(POINT, unsigned char, int, POINT)
{
    KV_PENDING("CKVDoc::GetCtrlPointedMsg");
    return nullptr;
}

CKVBlock* CKVDoc::GetCtrlPointedStaff(POINT, short*, int)
{
    KV_PENDING("CKVDoc::GetCtrlPointedStaff");
    return nullptr;
}

CKVBlock* CKVDoc::GetCtrlPointedMeas(POINT, short*, int, unsigned char*)
{
    KV_PENDING("CKVDoc::GetCtrlPointedMeas");
    return nullptr;
}

CKVMeas* CKVDoc::GetCtrlPointedEnding(POINT, short*, int)
{
    KV_PENDING("CKVDoc::GetCtrlPointedEnding");
    return nullptr;
}

void CKVDoc::JumpToPage(int index)
{
    const int pages = GetPageNum();
    // Without pages there is nothing to show.
    if (pages <= 0)
        return;
    if (index > pages - 1)
        index = pages - 1;
    if (index < 0)
        index = 0;
    m_nCurPage = static_cast<short>(index);
    m_pCurPage = GetPage(m_nCurPage);

    if (m_pCurPage->GetBlockNum() > 0) {
        CKVBlock* block = m_pCurPage->GetBlock(0);
        m_pCurBlock = block;
        m_nCurBlock = 0;
        m_nCurMeas = 0;
        m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + 1);
        const short staves = block->GetStaffNum();
        if (m_nCurStaff < staves) {
            if (m_nCurStaff < 0) {
                m_pCurStaff = nullptr;
                m_pCurMeas = nullptr;
            } else {
                m_pCurStaff = block->GetStaff(m_nCurStaff);
                m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_nCaretMeasNum - 1) : nullptr;
            }
        } else {
            m_nCurStaff = 0;
            m_pCurStaff = block->GetStaff(0);
            // The measure follows the staff: the one held before may have
            // left the score with the page it stood on.
            m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_nCaretMeasNum - 1) : nullptr;
        }
        m_nCaretPos = 0;
        m_ptCaret = GetCaretXY();
    }
    RemoveAllSelRect(kKeepDrag, kKeepSelRects);
    m_bHostNotice = 1;
}

short CKVDoc::JumpToMeas(int number)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int count = master ? master->GetMeasNum() : 0;
    if (number < 1 || number > count) {
        // The caret stays, but the cursor indices are brought inside the
        // current page's lists so that nothing reads past them.
        const int page = GetCurrentPageNum();
        if (page >= 0) {
            m_pCurPage = GetPage(static_cast<short>(page));
            const short blocks = m_pCurPage->GetBlockNum();
            if (blocks > 0) {
                if (m_nCurBlock > blocks - 1 || m_nCurBlock < 0)
                    m_nCurBlock = static_cast<short>(blocks - 1);
                CKVBlock* block = m_pCurPage->GetBlock(m_nCurBlock);
                m_pCurBlock = block;
                if (m_nCurMeas > block->m_nMeasCount - 1)
                    m_nCurMeas = static_cast<short>(block->m_nMeasCount - 1);
                if (m_nCurMeas < 0)
                    m_nCurMeas = 0;
                const short staves = block->GetStaffNum();
                if (m_nCurStaff > staves - 1)
                    m_nCurStaff = static_cast<short>(staves - 1);
                if (m_nCurStaff < 0)
                    m_nCurStaff = 0;
                m_pCurStaff = block->GetStaff(m_nCurStaff);
                m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(block->m_nFirstMeas + m_nCurMeas) : nullptr;
            }
        }
        return -1;
    }

    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!(block->m_nFirstMeas < number && number <= block->m_nFirstMeas + block->m_nMeasCount))
                continue;
            m_pCurBlock = block;
            m_nCurBlock = b;
            m_pCurPage = page;
            m_nCaretMeasNum = static_cast<short>(number);
            // A staff index left negative by a page jump counts as the
            // first staff.
            if (m_nCurStaff >= block->GetStaffNum() || m_nCurStaff < 0)
                m_nCurStaff = 0;
            m_pCurStaff = block->GetStaff(m_nCurStaff);
            m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(number - 1) : nullptr;
            m_nCurMeas = static_cast<short>(number - (block->m_nFirstMeas + 1));
            m_nCaretPos = 0;
            m_ptCaret = GetCaretXY();
            if (m_nCurPage == p)
                return 1;
            m_nCurPage = p;
            RemoveAllSelRect(kResetDrag, kClearSelRects);
            return 2;
        }
    }
    return -1;
}
