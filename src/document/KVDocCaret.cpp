// The caret: where it stands on the page, stepping it by note, measure and
// staff, and entering a note at it with the spacing and caret step that
// follow.

#include "document/KVDoc.h"

#include "document/DocLock.h"
#include "MemoryGuard.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "timing/InsertState.h"
#include "timing/VoiceRoom.h"

#include <algorithm>

short nNoteMarkRightPos = 0;

namespace {

void ResetNoteMarkRightPos()
{
    nNoteMarkRightPos = 0;
}

KvProcessReset s_reset("note-mark position", &ResetNoteMarkRightPos);

} // namespace

namespace {

CKVMeas* LiveMeasure(CKVMeas* meas)
{
    CKVMeas* live = meas->GetCurBackupObj();
    return live ? live : meas;
}

} // namespace

CPoint CKVDoc::GetCaretXY()
{
    CPoint point(0, 0);
    const short pages = GetPageNum();
    if (!m_pCurPage || !m_pCurBlock || pages <= 0 || m_nCurPage > pages - 1)
        return point;
    if (m_nCurPage < 0)
        m_nCurPage = 0;
    DocLock lock(m_pCritSection);
    if (m_nCurPage >= pages) {
        m_nCurPage = static_cast<short>(pages - 1);
        m_pCurPage = GetPage(m_nCurPage);
    }
    CKVPage* page = m_pCurPage;
    if (page->GetBlockNum() > 0) {
        const short ossia = static_cast<short>(page->m_arrOssiaBlock.GetSize());
        if (m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA && ossia > 0) {
            m_nCurBlock = std::clamp<short>(m_nCurBlock, 0, static_cast<short>(ossia - 1));
            m_pCurBlock = page->m_arrOssiaBlock.GetAt(m_nCurBlock);
        } else {
            m_nCurBlock = std::clamp<short>(m_nCurBlock, 0, static_cast<short>(page->GetBlockNum() - 1));
            m_pCurBlock = page->GetBlock(m_nCurBlock);
        }
    }
    CKVBlock* block = m_pCurBlock;
    const short staves = block->GetStaffNum();
    // A block without staves or measures has no place for the caret.
    if (staves <= 0 || block->m_nMeasCount <= 0 || block->m_arrStaffY.GetSize() < staves
        || block->m_arrMeasX.GetSize() < block->m_nMeasCount)
        return point;
    m_nCurStaff = std::clamp<short>(m_nCurStaff, 0, static_cast<short>(staves - 1));
    m_pCurStaff = block->GetStaff(m_nCurStaff);
    m_nCurMeas = std::clamp<short>(m_nCurMeas, 0, static_cast<short>(block->m_nMeasCount - 1));
    m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(block->m_nFirstMeas + m_nCurMeas) : nullptr;
    m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + m_nCurMeas + 1);
    if (!m_pCurMeas)
        return point;
    point.x = page->m_rcPrint.left + block->m_rcBlock.left + block->m_arrMeasX.GetAt(m_nCurMeas)
              + m_pCurMeas->m_nHeaderWidth;
    point.y = page->m_rcPrint.top + block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY.GetAt(m_nCurStaff));
    int pos = m_nCaretPos;
    if (pos > 256)
        pos = 254;
    if (pos < 0)
        pos = 0;
    point.x += (pos * m_pCurMeas->GetRealWidth()) >> 8;
    return point;
}

CPoint CKVDoc::GetCaretPos(int& height)
{
    m_ptCaret = GetCaretXY();
    height = 0;
    if (m_pCurStaff) {
        const int percent = m_pCurStaff->m_wObjWord;
        if (m_pCurStaff->m_byStaffKind == CKVStaff::KIND_FREE_LINE)
            height = MulDiv(m_nStaffSpace, percent * (m_pCurStaff->m_byLineCount - 1), 100);
        else
            height = MulDiv(m_nStaffSpace, percent, 25);
    }
    return m_ptCaret;
}

short CKVDoc::GetCaretOnMeas()
{
    return m_nCaretPos;
}

void CKVDoc::SetEditStatus(POINT point)
{
    m_bSelectAllPages = 0;
    POINT out {0, 0};
    CKVMeas* meas = GetPointedMeas(point, &out, 1, nullptr);
    if (!meas)
        return;
    m_nCaretPos = std::max<short>(m_pCurMeas->AbsXToMeasX(static_cast<short>(out.x)), 0);
    CKVStaff* staff = static_cast<CKVStaff*>(meas->m_pParent);
    if (staff)
        m_nCaretMeasNum = static_cast<short>(staff->GetMeasIndex(meas) + 1);
}

short CKVDoc::OneStep(int direction)
{
    switch (direction) {
    case 1:
    case 2:
        if (m_pCurBlock && m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA)
            return -2;
        return CaretMoveUpDown(direction == 1 ? 1 : 0);
    case 3: {
        if (!m_pCurMeas)
            return -1;
        const short p = m_pCurMeas->GetMsgOfLeftPos(m_nCaretPos);
        if (p != -1) {
            m_nCaretPos = p;
            return 0;
        }
        if (m_nCaretMeasNum < 2)
            return -1;
        const short before = m_nCaretMeasNum;
        --m_nCaretMeasNum;
        const short r = JumpToMeas(m_nCaretMeasNum);
        if (r < 1) {
            m_nCaretMeasNum = before;
            return -1;
        }
        m_nCaretPos = m_pCurMeas ? m_pCurMeas->GetMsgOfLeftPos(256) : 0;
        return r;
    }
    case 4: {
        if (!m_pCurMeas)
            return -1;
        const short p = m_pCurMeas->GetMsgOfRightPos(static_cast<short>(m_nCaretPos + 1));
        if (p != -1) {
            m_nCaretPos = p;
            return 0;
        }
        CKVSystem* system = m_pCurBlock ? m_pCurBlock->m_pSystem : nullptr;
        if (!system || m_nCaretMeasNum >= system->GetMeasNum())
            return -1;
        const short before = m_nCaretMeasNum;
        ++m_nCaretMeasNum;
        if (m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA) {
            CKVStaff* first = m_pCurBlock->GetStaffNum() > 0 ? m_pCurBlock->GetStaff(0) : nullptr;
            if (!first || first->GetMeasNum() < m_nCaretMeasNum) {
                m_nCaretMeasNum = before;
                return -2;
            }
        }
        const short r = JumpToMeas(m_nCaretMeasNum);
        if (r < 1) {
            m_nCaretMeasNum = before;
            return -1;
        }
        return r;
    }
    default:
        return -1;
    }
}

short CKVDoc::CaretMoveUpDown(int up)
{
    CKVPage* page = PageAtIndex();
    if (!page || !m_pCurBlock)
        return -1;
    if (!up) {
        if (m_nCurStaff < m_pCurBlock->GetStaffNum() - 1) {
            ++m_nCurStaff;
            return JumpToMeas(m_nCaretMeasNum);
        }
        if (m_nCurBlock < page->GetBlockNum() - 1) {
            ++m_nCurBlock;
            m_pCurBlock = page->GetBlock(m_nCurBlock);
            m_nCurStaff = 0;
            m_nCaretMeasNum = static_cast<short>(m_nCurMeas + m_pCurBlock->m_nFirstMeas + 1);
            return JumpToMeas(m_nCaretMeasNum);
        }
        if (m_nCurPage >= GetPageNum() - 1)
            return -1;
        for (short p = static_cast<short>(m_nCurPage + 1); p < GetPageNum(); ++p) {
            CKVPage* next = GetPage(p);
            if (next->GetBlockNum() <= 0)
                continue;
            m_nCurPage = p;
            m_pCurPage = next;
            m_nCurBlock = 0;
            m_pCurBlock = next->GetBlock(0);
            m_nCaretMeasNum = static_cast<short>(m_pCurBlock->m_nFirstMeas + 1);
            JumpToMeas(m_nCaretMeasNum);
            return 2;
        }
        m_nCurPage = static_cast<short>(GetPageNum() - 1);
        m_pCurPage = GetPage(m_nCurPage);
        return 2;
    }
    if (m_nCurStaff >= 1) {
        --m_nCurStaff;
        return JumpToMeas(m_nCaretMeasNum);
    }
    if (m_nCurBlock >= 1) {
        --m_nCurBlock;
        m_pCurBlock = page->GetBlock(m_nCurBlock);
        m_nCurStaff = static_cast<short>(m_pCurBlock->GetStaffNum() - 1);
        m_nCaretMeasNum = static_cast<short>(m_pCurBlock->m_nFirstMeas + m_nCurMeas + 1);
        return JumpToMeas(m_nCaretMeasNum);
    }
    if (m_nCurPage == 0)
        return -1;
    for (short p = static_cast<short>(m_nCurPage - 1); p >= 0; --p) {
        CKVPage* before = GetPage(p);
        if (before->GetBlockNum() <= 0)
            continue;
        m_nCurPage = p;
        m_pCurPage = before;
        m_nCurBlock = static_cast<short>(before->GetBlockNum() - 1);
        m_pCurBlock = before->GetBlock(m_nCurBlock);
        m_nCaretMeasNum = static_cast<short>(m_pCurBlock->m_nFirstMeas + 1);
        JumpToMeas(m_nCaretMeasNum);
        return 2;
    }
    return -1;
}

short CKVDoc::OneStepMeas(int direction)
{
    if (direction == 1 && m_nCaretMeasNum > 1)
        return JumpToMeas(--m_nCaretMeasNum);
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (direction == 2 && master && m_nCaretMeasNum < master->GetMeasNum())
        return JumpToMeas(++m_nCaretMeasNum);
    return -1;
}

void CKVDoc::LinkGraceNotes(CKVMsg& tmpl, CKVMsg& note)
{
    if (note.IsGraceNote()) {
        CKVMsg* main = tmpl.m_pMainNote;
        if (!main)
            return;
        for (int i = 0; i < main->m_arrAttachedId.GetSize(); ++i) {
            if (main->m_arrAttachedId.GetAt(i) == 0) {
                main->m_arrAttachedId.SetAt(i, note.m_dwMsgId);
                break;
            }
        }
        note.m_pMainNote = main;
        return;
    }
    CKVSystem* system = note.m_pSystem;
    for (int i = 0; i < tmpl.m_arrAttachedId.GetSize(); ++i) {
        if (CKVMsg* grace = system ? system->GetMsgFromMap(tmpl.m_arrAttachedId.GetAt(i)) : nullptr)
            grace->m_pMainNote = &note;
    }
    note.m_arrAttachedId.Copy(tmpl.m_arrAttachedId);
}

void CKVDoc::RespaceAfterEntry(CKVMeas& meas)
{
    if (meas.m_dwSpacingMode == 1) {
        meas.NoteSpaceOrder(0, 1, kPerformedStartStays, kWithGraceNotes);
    } else {
        const int column = (m_pCurBlock ? m_pCurBlock->m_nFirstMeas : 0) + m_nCurMeas;
        SetNoteSpace(0, column, column, 0, 0, 1);
    }
}

short CKVDoc::CaretStepAfter(CKVMeas& meas, CKVMsg& note)
{
    const int length = meas.m_nLength;
    int step = length > 0 ? MulDiv(note.GetPlayTime(), 256, length) : 0;
    if (step < m_nStaffSpace)
        step = 2 * m_nStaffSpace;
    return static_cast<short>(step);
}

bool CKVDoc::IsLastMeasOfPage()
{
    CKVPage* page = PageAtIndex();
    if (!page || page->GetBlockNum() <= 0)
        return false;
    CKVBlock* last = page->GetBlock(static_cast<short>(page->GetBlockNum() - 1));
    return m_pCurBlock == last && m_nCurMeas >= last->m_nMeasCount - 1;
}

CKVMsg* CKVDoc::InsertNoteMsgInCurrentMeas(CKVMsg* tmpl, short code, int graceSource, int grace, int value,
                                           int advance, int* moved)
{
    if (!tmpl || !m_pCurMeas || !CheckAvailableMemory(1000000))
        return nullptr;
    CKVMeas* meas = m_pCurMeas;
    tmpl->m_pSystem = meas->m_pSystem;
    tmpl->m_pParent = meas;
    // A note the measure would refuse is refused before the measure is
    // backed up: no empty step is left. A grace note finds its spot only
    // once the measure is spaced.
    if (!CVoiceRoom::TakesEntry(*meas, *tmpl) || (!grace && SpotRefusal(*meas, *tmpl) != InsertRefusal::None))
        return nullptr;
    ResetBackup();
    nNoteMarkRightPos = static_cast<short>(tmpl->m_nLayout4 / std::max(m_nStaffSpace / 4, 1));

    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    meas = LiveMeasure(meas);
    m_pCurMeas = meas;
    tmpl->m_pParent = meas;
    if (grace) {
        meas->ArrangeGraceNote(tmpl);
        meas->NoteSpaceOrder(0, 1, kPerformedStartStays, kWithGraceNotes);
    }
    CKVMsg* note = meas->InsertNewNoteMsg(*tmpl, code, grace, graceSource, value, kFromNotation, 0);
    if (!note) {
        if (tmpl->IsGraceNote() && tmpl->m_pMainNote)
            tmpl->m_pMainNote->m_arrAttachedId.RemoveAll();
        return nullptr;
    }
    LinkGraceNotes(*tmpl, *note);
    RespaceAfterEntry(*meas);
    meas->AutoBindGraceNoteByBeam(note->m_byVoice);
    GetReDrawRect();
    m_bRedrawPending = 1;
    if (!advance)
        return note;

    const int length = meas->m_nLength;
    int caret = note->m_nPosX + CaretStepAfter(*meas, *note);
    if (note->m_nStartTime + note->GetPlayTime() < length && caret >= 256)
        caret = 255;
    m_nCaretPos = static_cast<short>(caret);
    if (meas->GetCurWholeCount(note->m_byVoice, -1) < length && caret < 256)
        return note;
    const short p = meas->GetMsgOfRightPos(m_nCaretPos);
    if (p != -1) {
        m_nCaretPos = p;
        if (moved)
            *moved = 0;
        return note;
    }
    if (CKVCtrlTool::m_fAutoPageJump || !IsLastMeasOfPage()) {
        const short r = OneStepMeas(2);
        if (moved)
            *moved = r;
    }
    return note;
}

extern "C" short SetNoteMarkRightPos(unsigned short position)
{
    nNoteMarkRightPos = static_cast<short>(position);
    return nNoteMarkRightPos;
}
