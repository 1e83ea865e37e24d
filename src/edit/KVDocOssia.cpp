// Ossias: making one for a run of a staff's measures, and the commands on
// the selected ossia block (its staves, its measures, removing it).

#include "document/KVDoc.h"

#include "document/OssiaReach.h"
#include "document/UndoEntry.h"
#include "edit/MeasUnlink.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

CKVBlock* SelectedOssia(CKVDoc& doc)
{
    CKVPage* page = doc.GetCurrentPage();
    return page ? page->GetSelOssiaBlock() : nullptr;
}

int IndexIn(CTypedPtrArray<CPtrArray, CKVBlock*>& list, CKVBlock* block)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == block)
            return i;
    }
    return -1;
}

void ClearCursorBlock(CKVDoc& doc)
{
    doc.m_pCurBlock = nullptr;
    doc.m_pCurStaff = nullptr;
    doc.m_pCurMeas = nullptr;
    doc.m_nCurBlock = doc.m_nCurStaff = doc.m_nCurMeas = -1;
}

// Takes the ossia block out of the page's list and hands it to undo (or
// deletes it); the cursor leaves it. Gives its top-left corner.
POINT DropOssiaBlock(CKVDoc& doc, CKVPage& page, int index)
{
    CKVBlock* block = page.m_arrOssiaBlock.GetAt(index);
    const POINT corner {block->m_rcBlock.left, block->m_rcBlock.top};
    page.m_arrOssiaBlock.RemoveAt(index);
    if (doc.m_pCurBlock == block)
        ClearCursorBlock(doc);
    if (!doc.AddObj2BackupArray(UndoEntry::kBlockInsDel, block, 0))
        delete block;
    return corner;
}

// Takes an ossia staff out of its system's ossia list (undo keeps it, or it
// is deleted).
void DropOssiaStaff(CKVStaff* staff)
{
    CKVSystem* system = staff ? staff->m_pSystem : nullptr;
    if (!system || !system->m_pOssiaStaffArray)
        return;
    for (int i = 0; i < system->m_pOssiaStaffArray->GetSize(); ++i) {
        if (system->m_pOssiaStaffArray->GetAt(i) == staff) {
            system->RemoveOssiaStaff(static_cast<short>(i), 1);
            return;
        }
    }
}

} // namespace

int CKVDoc::InsertOssia(POINT pt, int system, int staff, int firstMeas, int lastMeas, unsigned char attr,
                        unsigned long unused, int size)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || !m_arrSystem.GetAt(system))
        return 0;
    CKVStaff* model = m_arrSystem.GetAt(system)->GetStaff(static_cast<short>(staff));
    const int first = firstMeas - 1;
    const int last = lastMeas - 1;
    // A run that names no measure would make a staff without measures.
    if (staff < 0 || !model || first < 0 || last < first || last >= model->GetMeasNum() || !GetCurrentPage())
        return 0;
    if (ossiareach::Overflows(*this, 1, nullptr))
        return 0;

    ResetBackup();
    ObjectBackup(1);
    m_bModified = 1;
    CKVStaff* ossia = m_arrSystem.GetAt(system)->InsertOssia(staff, first, last, attr, unused);
    if (!ossia)
        return 0;
    ossia->m_wObjWord = static_cast<WORD>(size);
    CKVPage* page = GetCurrentPage();
    if (!page->InsertOssia(pt, staff, first, last, ossia))
        return 0;

    CKVBlock* block = page->m_arrOssiaBlock.GetAt(page->m_arrOssiaBlock.GetSize() - 1);
    m_pCurBlock = block;
    m_pCurStaff = block->GetStaff(0);
    m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(0) : nullptr;
    if (m_pCurMeas && m_pCurMeas->m_pSystem)
        m_pCurSystem = m_pCurMeas->m_pSystem;
    // The new block is the last of the page's ossia blocks.
    m_nCurBlock = static_cast<short>(page->m_arrOssiaBlock.GetSize() - 1);
    m_nCurStaff = m_nCurMeas = 0;
    m_nCaretMeasNum = static_cast<short>(block->m_nFirstMeas + 1);
    ossiareach::MakeRoom(*this, *m_arrSystem.GetAt(system));
    return 1;
}

int CKVDoc::InsertOssiaStaves(int at, int count, int system, unsigned long after, int mode, int lines, int size)
{
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize() || !m_arrSystem.GetAt(index))
        return 0;
    CKVSystem* owner = m_arrSystem.GetAt(index);
    if (at < 0 || !owner->m_pOssiaStaffArray || at >= owner->m_pOssiaStaffArray->GetSize() || count < 1)
        return 0;
    ObjectBackup(1);
    CKVBlock* block = SelectedOssia(*this);
    if (!block || block->GetStaffNum() == 0)
        return 0;
    if (ossiareach::Overflows(*this, (mode == CKVSystem::MODE_PAIR ? 2LL : 1LL) * count, block))
        return 0;
    const int before = owner->m_pOssiaStaffArray->GetSize();
    if (owner->InsertOssiaStaff(block->GetStaff(0), static_cast<short>(at), static_cast<short>(count),
                                static_cast<short>(mode), lines, size) < 0)
        return 0;
    const int made = owner->m_pOssiaStaffArray->GetSize() - before;
    for (int k = 0; k < made; ++k) {
        CKVStaff* staff = owner->GetOssiaStaff(static_cast<short>(at + k));
        if (!staff)
            continue;
        if (!after) {
            block->InsertStaff(static_cast<short>(at + k), staff);
        } else {
            const int position = at + 1 + k;
            if (position > block->GetStaffNum() - 1)
                block->AddStaff(staff);
            else
                block->InsertStaff(static_cast<short>(position), staff);
        }
    }
    block->UpdateMeasXY(1, kSkipCrossStaff, 1);
    // A staff or measure put before the cursor's moves it to a later index.
    DropStaleCursor();
    ossiareach::MakeRoom(*this, *owner);
    m_bModified = 1;
    return 1;
}

void CKVDoc::ChangeOssiaStaffType(int staff, int mode, int clef, int lines, int size)
{
    CKVBlock* block = SelectedOssia(*this);
    if (!block || staff < 0 || staff >= block->GetStaffNum())
        return;
    RetypeStaff(block->GetStaff(static_cast<short>(staff)), mode, clef, lines, size, true);
    block->UpdateMeasXY(1, kSkipCrossStaff, 1);
}

int CKVDoc::DeleteOssiaStaves(int first, int last, int)
{
    CKVPage* page = GetCurrentPage();
    CKVBlock* block = page ? page->GetSelOssiaBlock() : nullptr;
    if (!block)
        return 0;
    m_bModified = 1;
    const int low = std::max(0, std::min(first, last));
    const int high = std::min<int>(block->GetStaffNum() - 1, std::max(first, last));
    std::vector<CKVStaff*> going;
    for (int i = low; i <= high; ++i)
        going.push_back(block->GetStaff(static_cast<short>(i)));
    if (!going.empty())
        block->DeleteStaff(static_cast<short>(low), static_cast<short>(going.size()));
    if (m_pCurBlock == block && m_pCurStaff && block->GetStaffIndex(m_pCurStaff) < 0) {
        m_nCurStaff = 0;
        m_pCurStaff = block->GetStaffNum() > 0 ? block->GetStaff(0) : nullptr;
        m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_nCurMeas) : nullptr;
    }
    for (CKVStaff* staff : going)
        DropOssiaStaff(staff);

    POINT corner {0, 0};
    const int index = IndexIn(page->m_arrOssiaBlock, block);
    if (block->GetStaffNum() == 0) {
        if (index >= 0)
            corner = DropOssiaBlock(*this, *page, index);
        else if (m_pCurBlock == block)
            ClearCursorBlock(*this);
    } else {
        block->UpdateMeasXY(1, kSkipCrossStaff, 1);
    }
    RemoveAllSelRect(kResetDrag, kClearSelRects);
    if (!m_pCurBlock)
        SetEditStatus(corner);
    DropStaleCursor();
    return 0;
}

void CKVDoc::DeleteOssia()
{
    CKVPage* page = GetCurrentPage();
    if (!page)
        return;
    POINT corner {0, 0};
    while (CKVBlock* block = page->GetSelOssiaBlock()) {
        // A current ossia block standing elsewhere is not this page's to
        // remove, and would be found again and again.
        const int index = IndexIn(page->m_arrOssiaBlock, block);
        if (index < 0)
            break;
        m_bModified = 1;
        std::vector<CKVStaff*> staves;
        for (short s = 0; s < block->GetStaffNum(); ++s)
            staves.push_back(block->GetStaff(s));
        const bool current = m_pCurBlock == block;
        const POINT at = DropOssiaBlock(*this, *page, index);
        if (current)
            corner = at;
        for (CKVStaff* staff : staves)
            DropOssiaStaff(staff);
    }
    RemoveAllSelRect(kResetDrag, kClearSelRects);
    if (!m_pCurBlock)
        SetEditStatus(corner);
    DropStaleCursor();
}

int CKVDoc::InsertMeasuresInOssia(int at, int count, unsigned long flags)
{
    CKVBlock* block = SelectedOssia(*this);
    if (!block || block->GetStaffNum() == 0 || count < 1)
        return 0;
    CKVStaff* first = block->GetStaff(0);
    // The width comes from the first staff's measure at `at`.
    CKVMeas* model = first ? first->GetMeas(at) : nullptr;
    if (at < 0 || !model)
        return 0;
    const int width = std::max(0, static_cast<int>(model->m_rcMeas.Width()));
    for (short s = 0; s < block->GetStaffNum(); ++s) {
        CKVStaff* staff = block->GetStaff(s);
        if (!staff)
            continue;
        if (!(flags & 1))
            staff->InsertMeas(at, count, 0);
        else if (at + 1 > staff->GetMeasNum() - 1)
            staff->AddMeas(count, nullptr, 255);
        else
            staff->InsertMeas(at + 1, count, 1);
        if (CKVMeas* last = staff->GetMeas(staff->GetMeasNum() - 1))
            last->m_byEndBar = CKVMeas::BAR_SINGLE;
    }
    block->AddMeasInOssia(at, flags, static_cast<short>(count), static_cast<unsigned short>(width));
    block->UpdateMeasXY(1, kSkipCrossStaff, 1);
    // A staff or measure put before the cursor's moves it to a later index.
    DropStaleCursor();
    m_bModified = 1;
    return 1;
}

int CKVDoc::DeleteMeasuresInOssia(short a, int b)
{
    CKVPage* page = GetCurrentPage();
    CKVBlock* block = page ? page->GetSelOssiaBlock() : nullptr;
    if (!block || block->GetStaffNum() == 0 || !block->GetStaff(0))
        return 0;
    const int first = std::min<int>(a, b);
    const LONG have = block->GetStaff(0)->GetMeasNum();
    if (first < 0 || first >= have)
        return 0;
    const int n = static_cast<int>(std::min<LONG>(std::abs(a - b) + 1, have - first));
    if (m_pCurBlock == block)
        m_pCurMeas = nullptr;
    for (short s = 0; s < block->GetStaffNum(); ++s) {
        CKVStaff* staff = block->GetStaff(s);
        if (!staff)
            continue;
        // The notes that stay lose the ties and slurs that reach into the
        // measures that go.
        for (int m = first; m < first + n && staff->m_pSystem; ++m) {
            if (CKVMeas* meas = staff->GetMeas(m))
                UnlinkMeasureTies(*staff->m_pSystem, *meas);
        }
        staff->RemoveMeas(first, n);
    }
    if (block->GetStaff(0)->GetMeasNum() == 0) {
        // The emptied staves stay in the system's ossia list.
        const int index = IndexIn(page->m_arrOssiaBlock, block);
        if (index >= 0)
            DropOssiaBlock(*this, *page, index);
        else if (m_pCurBlock == block)
            ClearCursorBlock(*this);
        DropStaleCursor();
        m_bModified = 1;
        return 1;
    }
    block->DeleteMeasInOssia(first, static_cast<short>(n));
    block->UpdateMeasXY(1, kSkipCrossStaff, 1);
    if (m_pCurBlock == block && m_pCurStaff) {
        m_nCurMeas = static_cast<short>(std::min<LONG>(std::max<short>(m_nCurMeas, 0), m_pCurStaff->GetMeasNum() - 1));
        m_pCurMeas = m_pCurStaff->GetMeas(m_nCurMeas);
    }
    DropStaleCursor();
    m_bModified = 1;
    return 1;
}

int CKVDoc::IsOssiaSelected()
{
    if (m_pCurBlock && m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA)
        return 1;
    return SelectedOssia(*this) ? 1 : 0;
}

int CKVDoc::SetSelOssiaAttr(unsigned long value)
{
    CKVBlock* block = SelectedOssia(*this);
    if (!block || block->GetStaffNum() == 0 || !block->GetStaff(0))
        return 0;
    block->GetStaff(0)->m_byDisplayFlags = static_cast<BYTE>((value >> 24) & 0xFF);
    m_bModified = 1;
    return 1;
}
