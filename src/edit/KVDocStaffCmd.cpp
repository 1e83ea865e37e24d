// Staff commands of the document: inserting, deleting, swapping and
// retyping staves, and the queries of staves and of the selected staves.

#include "document/KVDoc.h"

#include "document/SelRect.h"
#include "edit/BlockWalk.h"
#include "model/DrumTable.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/SelStaffList.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

int CKVDoc::GetStaffSelStatus(int index, int)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || index < 0 || index >= master->GetStaffNum())
        return 0;
    return IsStaffSelected(static_cast<short>(index));
}

namespace {

// Shows the new staves [first, first + count) of the system in a block. A
// block may hide staves, so each goes before the first staff of the block
// that stands lower in the system, or at the end when none does.
void ShowNewStaves(CKVBlock& block, CKVSystem& system, int first, int count)
{
    for (int k = 0; k < count; ++k) {
        CKVStaff* staff = system.GetStaff(static_cast<short>(first + k));
        if (!staff)
            continue;
        short at = -1;
        for (short b = 0; b < block.GetStaffNum(); ++b) {
            CKVStaff* shown = block.GetStaff(b);
            if (shown && shown->GetIndexInSystem() > first + k) {
                at = b;
                break;
            }
        }
        if (at < 0)
            block.AddStaff(staff);
        else
            block.InsertStaff(at, staff);
    }
}

} // namespace

int CKVDoc::InsertStaves(int at, int count, int system, DWORD after, int mode, int lines, int size)
{
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize())
        return 0;
    CKVSystem* target = m_arrSystem.GetAt(index);
    if (!target || at < 0 || at >= target->GetStaffNum() || count < 1 || count > SHRT_MAX)
        return 0;
    if (!ObjectBackup(1))
        return 0;
    const int first = after ? at + 1 : at;
    const short before = target->GetStaffNum();
    if (target->InsertStaff(static_cast<short>(first), static_cast<short>(count), static_cast<short>(mode), lines,
                            size) < 0)
        return 0;
    const int added = target->GetStaffNum() - before;

    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (!page)
            continue;
        // Each block moves down by what the blocks above it on the page grew.
        int shift = 0;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!block || block->m_pSystem != target)
                continue;
            const int oldBottom = block->LastStaffY();
            ShowNewStaves(*block, *target, first, added);
            block->m_rcBlock.OffsetRect(0, shift);
            shift += block->LastStaffY() - oldBottom;
        }
        page->UpdateMeasXY();
    }

    m_pCurPage = GetPage(m_nCurPage);
    if (m_pCurPage) {
        const bool ossia = m_pCurBlock && m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA;
        auto& blocks = ossia ? m_pCurPage->m_arrOssiaBlock : m_pCurPage->m_arrBlock;
        if (m_nCurBlock >= 0 && m_nCurBlock < blocks.GetSize())
            m_pCurBlock = blocks.GetAt(m_nCurBlock);
    }
    if (m_pCurBlock && m_nCurStaff >= 0 && m_nCurStaff < m_pCurBlock->GetStaffNum()) {
        m_pCurStaff = m_pCurBlock->GetStaff(m_nCurStaff);
        m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas + m_nCurMeas) : nullptr;
    }
    m_bModified = 1;
    return 1;
}

CKVStaff* CKVDoc::GetStaff(int i, int system)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || i < 0 || i > SHRT_MAX)
        return nullptr;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    return owner ? owner->GetStaff(static_cast<short>(i)) : nullptr;
}

int CKVDoc::SetStaff(int i, CKVStaff& value, int system)
{
    CKVStaff* staff = GetStaff(i, system);
    if (!staff)
        return 0;
    *staff = value;
    return 1;
}

CString CKVDoc::GetStaffName(int i, int)
{
    CKVStaff* staff = GetStaff(i, 0);
    if (!staff)
        return CString();
    // A stored name may fill all 32 bytes without a terminator.
    return CString(staff->m_szName, static_cast<int>(strnlen(staff->m_szName, CKVStaff::NAME_SIZE)));
}

int CKVDoc::GetStavesCount(int)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    return master ? master->GetStaffNum() : 0;
}

int CKVDoc::IsUndoEnableStaffDel(int, int, int)
{
    return 0;
}

int CKVDoc::GetCurrentStaffNum()
{
    if (!m_pCurStaff || (m_pCurBlock && m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA))
        return 0;
    return m_pCurStaff->GetIndexInSystem();
}

namespace {

// The staff a selection record selects in a normal block of its page: the
// staff under a rectangle, or the staff a block-staff or staff record names.
bool RecordSelects(const SelRect& rec, CKVBlock& block, CKVStaff* staff)
{
    switch (rec.nKind) {
    case SelRect::kRect: {
        RECT r = rec.rect;
        return block.IsStaffSelected(staff, &r) != 0;
    }
    case SelRect::kBlockStaff:
    case SelRect::kStaff:
        return rec.pStaff == staff;
    default:
        return false;
    }
}

// Whether a record concerns a page: a whole-score staff record concerns
// every page.
bool Concerns(const SelRect& rec, const CKVPage* page)
{
    return rec.pPage == page || (rec.nKind == SelRect::kStaff && !rec.pPage);
}

} // namespace

int CKVDoc::GetSelStavesCount(int system)
{
    selstaff::Clear();
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize() || !m_pSelRectArray)
        return -1;
    CKVSystem* owner = m_arrSystem.GetAt(index);
    if (!owner)
        return -1;
    int count = 0;
    for (short s = 0; s < owner->GetStaffNum(); ++s) {
        CKVStaff* staff = owner->GetStaff(s);
        for (short p = 0; p < GetPageNum(); ++p) {
            CKVPage* page = GetPage(p);
            if (!page)
                continue;
            bool selected = false;
            for (short b = 0; b < page->GetBlockNum() && !selected; ++b) {
                CKVBlock* block = page->GetBlock(b);
                if (!block || block->m_pSystem != owner)
                    continue;
                for (int r = 0; r < m_pSelRectArray->GetSize() && !selected; ++r) {
                    const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(r));
                    if (rec && Concerns(*rec, page) && RecordSelects(*rec, *block, staff)) {
                        selstaff::Add(rec->nKind == SelRect::kRect ? staff : rec->pStaff);
                        selected = true;
                    }
                }
            }
            if (selected)
                ++count;
        }
    }
    return count > 0 ? count : -1;
}

int CKVDoc::GetSelStaffNum(int i)
{
    CKVStaff* staff = selstaff::At(i);
    return staff ? staff->GetIndexInSystem() : -1;
}

int CKVDoc::GetSelStaffNumRange(int& first, int& last)
{
    first = -1;
    last = -1;
    if (!m_pSelRectArray)
        return -1;
    blockwalk::AnyBlock(*this, [&](CKVPage& page, short b) {
        CKVBlock* block = page.GetBlock(b);
        for (short k = 0; k < block->GetStaffNum(); ++k) {
            CKVStaff* staff = block->GetStaff(k);
            for (int r = 0; r < m_pSelRectArray->GetSize(); ++r) {
                const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(r));
                if (!rec || !Concerns(*rec, &page) || !RecordSelects(*rec, *block, staff))
                    continue;
                first = first < 0 ? k : std::min<int>(first, k);
                last = std::max<int>(last, k);
            }
        }
        return false;
    });
    return first < 0 ? -1 : 0;
}

int CKVDoc::DeleteStaves(int first, int last, int system)
{
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize())
        return -1;
    // Whatever the system named, the staves removed are the master's.
    CKVSystem* master = m_arrSystem.GetAt(0);
    if (!master)
        return -1;
    first = std::max(first, 0);
    last = std::min(last, master->GetStaffNum() - 1);
    const int n = last - first + 1;
    if (n < 1)
        return -1;
    std::vector<CKVStaff*> going;
    for (int s = first; s <= last; ++s)
        going.push_back(master->GetStaff(static_cast<short>(s)));

    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (!page)
            continue;
        // The blocks below move up by what the blocks above them lost.
        int shift = 0;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (!block)
                continue;
            const int oldBottom = block->LastStaffY();
            for (CKVStaff* staff : going)
                block->DeleteStaff(staff);
            if (block->GetStaffNum() == 0) {
                const bool current = block == m_pCurBlock;
                page->RemoveBlock(b);
                --b;
                if (current) {
                    m_pCurBlock = nullptr;
                    JumpToPage(p);
                }
                continue;
            }
            block->m_rcBlock.OffsetRect(0, shift);
            shift -= std::abs(block->LastStaffY() - oldBottom);
        }
        page->UpdateMeasXY();
    }

    const bool removed = master->RemoveStaff(static_cast<short>(first), static_cast<short>(n)) >= 0;
    // Records of the staves, their measures and the emptied blocks go too.
    DropStaleSelRects();
    if (!removed) {
        DropStaleCursor();
        return -1;
    }

    CKVBlock* block = m_pCurBlock;
    if (block && block->GetStaffNum() == 0) {
        m_nCurBlock = m_nCurStaff = m_nCurMeas = -1;
        m_pCurBlock = nullptr;
        m_pCurStaff = nullptr;
        m_pCurMeas = nullptr;
    } else if (block) {
        if (m_nCurStaff > block->GetStaffNum() - 1)
            m_nCurStaff = static_cast<short>(block->GetStaffNum() - 1);
        m_pCurStaff = m_nCurStaff >= 0 ? block->GetStaff(m_nCurStaff) : nullptr;
        m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(block->m_nFirstMeas + m_nCurMeas) : nullptr;
    }
    // The current block may have gone with its staves, or moved up the page.
    DropStaleCursor();
    m_bModified = 1;
    return n;
}

int CKVDoc::MoveStaff(int a, int b, DWORD)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int count = master ? master->GetStaffNum() : 0;
    if (a < 0 || b < 0 || a >= count || b >= count)
        return 0;
    CKVStaff* first = master->GetStaff(static_cast<short>(a));
    CKVStaff* second = master->GetStaff(static_cast<short>(b));
    master->m_pStaffArray->SetAt(a, second);
    master->m_pStaffArray->SetAt(b, first);

    blockwalk::AnyBlock(*this, [&](CKVPage& page, short k) {
        CKVBlock* block = page.GetBlock(k);
        const short i = block->GetStaffIndex(first);
        const short j = block->GetStaffIndex(second);
        if (block->m_pSystem != master || i < 0 || j < 0)
            return false;
        // Each staff takes over the other's y: the y list stays.
        block->m_pStaffArray->SetAt(i, second);
        block->m_pStaffArray->SetAt(j, first);
        auto swapEntries = [i, j](auto& list) {
            if (i < list.GetSize() && j < list.GetSize()) {
                auto held = list.GetAt(i);
                list.SetAt(i, list.GetAt(j));
                list.SetAt(j, held);
            }
        };
        if (block->m_arrStaffNamePoint.GetSize() > 0) {
            swapEntries(block->m_arrStaffNamePoint);
            swapEntries(block->m_arrStaffNameCtrl);
        }
        return false;
    });

    const LONG measures = std::min(first->GetMeasNum(), second->GetMeasNum());
    for (LONG m = 0; m < measures; ++m) {
        CKVMeas* upper = first->GetMeas(m);
        CKVMeas* lower = second->GetMeas(m);
        if (upper && lower)
            std::swap(upper->m_rcMeas, lower->m_rcMeas);
    }
    // The cursor keeps its staff, which now stands at the other index.
    DropStaleCursor();
    m_bModified = 1;
    return 1;
}

void CKVDoc::ChangeStaffType(int index, int mode, int clef, int lines, int size)
{
    RetypeStaff(GetStaff(index, 0), mode, clef, lines, size, false);
}

void CKVDoc::RetypeStaff(CKVStaff* staff, int mode, int clef, int lines, int size, bool ossia)
{
    if (!staff)
        return;
    if (staff->m_byStaffKind == CKVStaff::KIND_DRUM && mode != CKVSystem::MODE_DRUM)
        staff->SetHead(0, nullptr);
    if (staff->m_byStaffKind == CKVStaff::KIND_FREE_LINE) {
        staff->m_wObjWord = CKVStaff::DEFAULT_SIZE_PERCENT;
        staff->m_byLineCount = 5;
    }
    auto setChannels = [staff] {
        std::fill(std::begin(staff->m_byChannel), std::end(staff->m_byChannel), CKVStaff::DRUM_CHANNEL);
    };
    auto giveKitHead = [staff] {
        unsigned char* head = nullptr;
        if (staff->GetHead(&head) <= 0)
            WriteDrumKitHead(*staff, static_cast<WORD>(nDrumIndex), GetDrumTable(nullptr));
    };
    const LONG measures = staff->GetMeasNum();
    switch (mode) {
    case CKVSystem::MODE_NORMAL:
        staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
        break;
    case CKVSystem::MODE_ONE_LINE_DRUM:
        staff->m_byStaffKind = CKVStaff::KIND_ONE_LINE;
        setChannels();
        if (ossia) {
            staff->m_byClefType = CKVStaff::CLEF_DRUM;
            clef = CKVStaff::CLEF_DRUM;
        }
        break;
    case CKVSystem::MODE_DRUM:
        giveKitHead();
        staff->m_byClefType = CKVStaff::CLEF_DRUM;
        staff->m_byStaffKind = CKVStaff::KIND_DRUM;
        setChannels();
        for (LONG m = 0; m < measures; ++m) {
            if (CKVMeas* meas = staff->GetMeas(m)) {
                meas->m_byInitClef = CKVStaff::CLEF_DRUM;
                meas->DeleteAllUpDownMsg(kWithUpList, kWithDownList);
                if (!ossia)
                    meas->DeleteAllClefMsgs();
            }
        }
        if (ossia) {
            clef = CKVStaff::CLEF_DRUM;
            break;
        }
        m_bModified = 1;
        return;
    case CKVSystem::MODE_DRUM_SECOND:
        giveKitHead();
        staff->m_byStaffKind = CKVStaff::KIND_DRUM_SECOND;
        // Such staves carry the drum clef, as the staves made drum staves do.
        staff->m_byClefType = CKVStaff::CLEF_DRUM;
        setChannels();
        for (LONG m = 0; m < measures; ++m) {
            if (CKVMeas* meas = staff->GetMeas(m)) {
                meas->m_byInitClef = staff->m_byClefType;
                meas->DeleteAllUpDownMsg(kWithUpList, kWithDownList);
            }
        }
        clef = CKVStaff::CLEF_DRUM;
        break;
    case CKVSystem::MODE_FREE_LINE:
        staff->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
        staff->m_byClefType = CKVStaff::CLEF_FREE_LINE;
        staff->m_wObjWord = static_cast<WORD>(size);
        staff->m_byLineCount = static_cast<BYTE>(lines);
        clef = CKVStaff::CLEF_FREE_LINE;
        break;
    default:
        break;
    }
    if (CKVMeas* first = staff->GetMeas(0))
        UpdateClefType(first, static_cast<short>(clef), 0);
    m_bModified = 1;
}
