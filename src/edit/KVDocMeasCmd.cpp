// Measure commands: a measure found by its indexes, inserting and deleting
// measures across the score or on one staff, and setting a measure's time
// signature, clef and content.

#include "document/KVDoc.h"

#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "timing/TieLinks.h"
#include "MeasUnlink.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// Removes every reference to `link` from a note.
void DropRefs(CKVMsg& note, const CKVMsg& link)
{
    for (short i = static_cast<short>(note.m_arrMsgRef.GetSize() - 1); i >= 0; --i) {
        const MsgRef* ref = note.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == link.m_dwMsgId)
            note.RemoveMsgAt(i);
    }
}

// Takes the ties and slurs of a note about to be removed off its partner:
// the partner no longer refers to the link, so no kept note points into a
// removed measure. Only a tie clears its bits (0x0001 on its first note,
// 0x0002 on its second); a slur sets none, and the partner keeps a bit that
// another of its ties still needs.
void UnlinkPartners(CKVSystem& system, CKVMsg& note)
{
    std::vector<CKVMsg*> links;
    for (short i = 0; i < note.GetMsgNum(); ++i) {
        CKVMsg* child = note.GetMsg(i);
        if (child && (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR))
            links.push_back(child);
    }
    for (CKVMsg* link : links) {
        CKVMsg* first = system.GetMsgFromMap(link->m_dwWord);
        CKVMsg* second = system.GetMsgFromMap(static_cast<DWORD>(link->m_lHeight));
        if (!first || !second)
            continue;
        CKVMsg* partner = first == &note ? second : first;
        if (partner != &note)
            DropRefs(*partner, *link);
        if (link->m_byKind != MSG_TIE)
            continue;
        // The note goes; its own flag goes with the tie.
        if (first == &note)
            first->m_wFlag = static_cast<WORD>(first->m_wFlag & ~MSGFLAG_TIE_START);
        else
            tielink::DropTieFlag(*first, true);
        if (second == &note)
            second->m_wFlag = static_cast<WORD>(second->m_wFlag & ~MSGFLAG_TIE_END);
        else
            tielink::DropTieFlag(*second, false);
    }
}

void UnlinkMeasure(CKVSystem& system, CKVMeas& meas)
{
    meas.ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
    std::vector<CKVMsg*> notes;
    short cursor = 0;
    while (CKVMsg* msg = meas.GetNextMsg(cursor)) {
        if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST)
            notes.push_back(msg);
    }
    for (CKVMsg* note : notes)
        UnlinkPartners(system, *note);
}

// Fits the normal blocks of the system to its new measure count c: blocks
// starting at or after c go, a block reaching past c is trimmed (and goes
// when empty), the others are laid out again.
void FitBlocks(CKVDoc& doc, CKVSystem* system, int c)
{
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        for (short b = 0; b < page->GetBlockNum();) {
            CKVBlock* block = page->GetBlock(b);
            if (block->m_pSystem != system) {
                ++b;
                continue;
            }
            const int end = block->m_nFirstMeas + block->m_nMeasCount;
            if (block->m_nFirstMeas >= c) {
                page->RemoveBlock(b);
                continue;
            }
            if (end > c && block->DeleteMeas(static_cast<short>(end - c)) == 0) {
                page->RemoveBlock(b);
                continue;
            }
            if (end <= c)
                block->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
            ++b;
        }
    }
}

// Pages left with nothing on them leave the list; the current page index
// is kept inside the list.
void DropEmptyPages(CKVDoc& doc)
{
    for (int p = doc.GetPageNum() - 1; p >= 0; --p) {
        CKVPage* page = doc.GetPage(static_cast<short>(p));
        if (!page->IsEmptyPage())
            continue;
        doc.m_pPageArray->RemoveAt(p);
        if (doc.m_pCurPage == page)
            doc.m_pCurPage = nullptr;
        if (doc.m_nCurPage > doc.GetPageNum() - 1)
            doc.m_nCurPage = static_cast<short>(std::max(0, doc.GetPageNum() - 1));
        if (!doc.AddObj2BackupArray(UndoEntry::kPageInsDel, page, 0))
            delete page;
    }
    if (!doc.m_pCurPage)
        doc.m_pCurPage = doc.GetCurrentPage();
}

void SetTimeView(CKVMeas& meas, bool shown)
{
    if (shown)
        meas.m_byOptions = static_cast<BYTE>((meas.m_byOptions | CKVMeas::OPT_TIME_SHOWN) & ~CKVMeas::OPT_TIME_HIDDEN);
    else
        meas.m_byOptions = static_cast<BYTE>((meas.m_byOptions | CKVMeas::OPT_TIME_HIDDEN) & ~CKVMeas::OPT_TIME_SHOWN);
}

void SetTime(CKVMeas& meas, BYTE beats, BYTE unit, bool shown, int pickup, int retime)
{
    meas.m_nTimeNum = beats;
    meas.m_nTimeDen = unit;
    SetTimeView(meas, shown);
    meas.CalcWholeCount();
    meas.m_byTimeStyle = 0;
    if (pickup)
        meas.m_wObjWord = static_cast<WORD>(meas.m_wObjWord | CKVMeas::PICKUP);
    else
        meas.m_wObjWord = static_cast<WORD>(meas.m_wObjWord & ~CKVMeas::PICKUP);
    if (retime) {
        for (int voice = 1; voice <= CKVMeas::VOICES; ++voice)
            meas.UpdateStartTime(static_cast<BYTE>(voice), 1, 1, 0);
    }
}

} // namespace

CKVMeas* CKVDoc::GetMeasure(int meas, int staff, int system)
{
    if (meas < 0 || staff > SHRT_MAX)
        return nullptr;
    CKVStaff* owner = GetStaff(staff, system);
    return owner && meas < owner->GetMeasNum() ? owner->GetMeas(meas) : nullptr;
}

void UnlinkMeasureTies(CKVSystem& system, CKVMeas& meas)
{
    UnlinkMeasure(system, meas);
}

int CKVDoc::InsertMeasures(int at, int count, DWORD flags, int staffCount, unsigned char* staffFlags, int backup)
{
    CKVSystem* master = MasterOf(*this);
    if (!master || staffCount != master->GetStaffNum() || !staffFlags || count < 1)
        return 0;
    const int oldCount = master->GetMeasNum();
    // Block first-measure indexes are 16-bit.
    if (oldCount + static_cast<long>(count) > kMaxMeasures)
        return 0;
    if (backup && !ObjectBackup(1))
        return 0;
    const bool after = (flags & 1) != 0;
    for (short i = 0; i < staffCount; ++i) {
        CKVStaff* staff = master->GetStaff(i);
        if (staffFlags[i] != 1)
            staff->AddMeas(count, nullptr, 255);
        else if (!after)
            staff->InsertMeas(at, count, 0);
        else if (at + 1 >= staff->GetMeasNum())
            staff->AddMeas(count, nullptr, 255);
        else
            staff->InsertMeas(at + 1, count, 1);
    }
    MakeAddPage(oldCount, 0);
    JumpToMeas(after ? at + 1 : at - count + 1);
    m_bModified = 1;
    return 1;
}

int CKVDoc::DeleteMeasure(int first, int last, int)
{
    CKVSystem* master = MasterOf(*this);
    if (!master || first < 0 || last < first)
        return 0;
    const int n = last - first + 1;
    int removed = 0;
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        for (int m = first; m <= last; ++m) {
            if (CKVMeas* meas = staff->GetMeas(m))
                UnlinkMeasure(*master, *meas);
        }
        removed = staff->RemoveMeas(first, std::min<LONG>(n, staff->GetMeasNum()));
        if (removed < 0) {
            DropStaleSelRects();
            DropStaleCursor();
            return -2;
        }
    }
    const int c = master->GetStaffNum() > 0 ? master->GetStaff(master->GetStaffNum() - 1)->GetMeasNum() : 0;
    FitBlocks(*this, master, c);
    DropEmptyPages(*this);
    DropStaleSelRects();
    const int count = GetMeasCount(0, 0);
    JumpToMeas(first <= count ? first : count - 1);
    // Without a measure to jump to the cursor is left on what went.
    DropStaleCursor();
    m_bModified = 1;
    return removed;
}

int CKVDoc::DeleteMeasOnStaff(int first, int last, int staff, int system)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || first < 0 || last < first)
        return 0;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    const short staves = owner->GetStaffNum();
    if (staves == 1)
        return DeleteMeasure(first, last, 0) > 0 ? 1 : 0;
    if (staff < 0 || staff >= staves)
        return 0;
    CKVStaff* target = owner->GetStaff(static_cast<short>(staff));
    CKVStaff* model = owner->GetStaff(static_cast<short>(staff == 0 ? staves - 1 : 0));
    CKVMeas* at = target->GetMeas(first);
    if (!at)
        return 0;
    const BYTE clef = at->m_byInitClef;
    // The notes that stay lose the ties and slurs that reach into the
    // measures that go.
    for (int m = first; m <= last; ++m) {
        if (CKVMeas* meas = target->GetMeas(m))
            UnlinkMeasure(*owner, *meas);
    }
    const short removed = target->RemoveMeas(first, last - first + 1);
    // Before the new measures are made, which may take a freed one's place.
    DropStaleSelRects();
    DropStaleCursor();
    if (removed < 0)
        return 0;
    if (target->AddMeas(removed, first == 0 ? model->GetMeas(0) : nullptr, clef) != 1)
        return 0;
    for (LONG m = 0; m < model->GetMeasNum(); ++m) {
        CKVMeas* source = model->GetMeas(m);
        if (CKVMeas* dest = target->GetMeas(m)) {
            dest->m_byStartBar = source->m_byStartBar;
            dest->m_byEndBar = source->m_byEndBar;
        }
    }
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (block->m_pSystem != owner || block->m_nFirstMeas + block->m_nMeasCount - 1 < first)
                continue;
            block->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
            if (block == m_pCurBlock) {
                CKVStaff* cursor = m_nCurStaff >= 0 && m_nCurStaff < block->GetStaffNum() ? block->GetStaff(m_nCurStaff) : nullptr;
                m_pCurMeas = cursor ? cursor->GetMeas(block->m_nFirstMeas + m_nCurMeas) : nullptr;
            }
        }
    }
    DropStaleCursor();
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetPakToMeas(LONG meas, unsigned char beats, unsigned char unit, int showTime, int pickup, int retime)
{
    // The memory check comes first: a short memory is reported even for a
    // measure that turns out not to exist.
    if (!CheckAvailableMemory(1000000))
        return 0;
    CKVSystem* master = MasterOf(*this);
    if (!master || meas < 0)
        return 0;
    // As the long form: no length divides by 0 or leaves its 16 bits.
    if (!CKVMeas::FitsTimeSignature(master->m_dwTicksPerQuarter, beats, unit))
        return 0;
    CKVPage* page = GetCurrentPage();
    CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr;
    std::vector<CKVMeas*> measures;
    if (ossia) {
        for (short s = 0; s < ossia->GetStaffNum(); ++s) {
            if (CKVMeas* m = ossia->GetStaff(s)->GetMeas(meas))
                measures.push_back(m);
        }
    } else {
        for (short s = 0; s < master->GetStaffNum(); ++s) {
            if (CKVMeas* m = master->GetStaff(s)->GetMeas(meas))
                measures.push_back(m);
        }
    }
    if (measures.empty())
        return 0;
    for (CKVMeas* m : measures) {
        if (ossia) {
            m->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            if (CKVMeas* live = m->GetCurBackupObj())
                m = live;
        }
        SetTime(*m, beats, unit, showTime != 0, pickup, retime);
        if (!ossia && showTime) {
            CKVStaff* staff = measplace::StaffOf(*m);
            if (CKVMeas* following = staff ? staff->GetMeas(meas + 1) : nullptr)
                SetTimeView(*following, true);
        }
    }
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetClefToMeas(short staff, LONG meas, unsigned char clef)
{
    CKVMeas* target = GetMeasure(static_cast<int>(meas), staff, 0);
    if (!target)
        return 0;
    target->m_byInitClef = clef;
    return 1;
}

int CKVDoc::AddMsg(short staff, LONG meas, CKVMsg* msg)
{
    CKVMeas* target = GetMeasure(static_cast<int>(meas), staff, 0);
    if (!target || !msg)
        return 0;
    if (!AddMsg(target, msg, 1, 0))
        return 0;
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetMeasure(int meas, CKVMeas& value, int staff, int system)
{
    CKVMeas* target = GetMeasure(meas, staff, system);
    if (!target)
        return 0;
    *target = value;
    m_bModified = 1;
    return 1;
}

int CKVDoc::IsUndoEnableMeasDel(int, int, int)
{
    return 0;
}
