// Whole-document undo snapshots and the backups of the selected measures.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/BackupState.h"
#include "document/KVFileInfo.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <functional>
#include <set>

namespace {

constexpr int kSelBackupMemory = 1000000;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

bool InSelection(CKVDoc& doc, SelRect* rec)
{
    for (int i = 0; i < doc.m_pSelRectArray->GetSize(); ++i) {
        if (doc.m_pSelRectArray->GetAt(i) == rec)
            return true;
    }
    return false;
}

// Calls `visit` for every measure that a selection record covers (selects,
// or takes a symbol of; selhit::Covers): on the
// record's page (every page when it has none), in each normal and then each
// ossia block, each staff of the block, each measure of the block's range.
// The walk re-reads the tree after each call, which may swap clones in, and
// stops at a record that left the selection. Returns false when it stopped
// that way.
using SelVisit = std::function<void(SelRect*, CKVBlock*, CKVMeas*)>;

bool WalkRecord(CKVDoc& doc, SelRect* rec, const SelVisit& visit)
{
    bool kept = true;
    selhit::ForEachMeas(doc, *rec, [&](const selhit::MeasPlace& place) {
        if (!selhit::Covers(*rec, place))
            return true;
        visit(rec, place.block, place.meas);
        kept = InSelection(doc, rec);
        return kept;
    });
    return kept;
}

void WalkSelection(CKVDoc& doc, const SelVisit& visit)
{
    if (!doc.m_pSelRectArray)
        return;
    for (int i = 0; i < doc.m_pSelRectArray->GetSize();) {
        SelRect* rec = static_cast<SelRect*>(doc.m_pSelRectArray->GetAt(i));
        if (rec && !WalkRecord(doc, rec, visit))
            continue; // the record is gone; the next one moved to index i
        ++i;
    }
}

} // namespace

int CKVDoc::ObjectBackup(int)
{
    if (!IsReqBackup())
        return 0;
    CKVSystem* system = MasterOf(*this);
    // The note-mark update walks the map from the first copy on.
    m_dwFirstCopyId = system ? static_cast<DWORD>(system->m_arrMsgMap.GetSize()) : 0;
    for (short p = 0; p < GetPageNum(); ++p) {
        if (CKVPage* page = GetPage(p))
            page->ObjectBackup(kBackupRecorded);
    }
    if (system) {
        for (short s = 0; system->m_pStaffArray && s < system->m_pStaffArray->GetSize(); ++s)
            system->m_pStaffArray->GetAt(s)->ObjectBackup(kBackupRecorded, kBackupAlone);
        for (short s = 0; system->m_pOssiaStaffArray && s < system->m_pOssiaStaffArray->GetSize(); ++s)
            system->m_pOssiaStaffArray->GetAt(s)->ObjectBackup(kBackupRecorded, kBackupAlone);
        if (system->m_pStaffArray) {
            system->m_pStaffArray->m_pDoc = this;
            system->m_pStaffArray->ObjectBackup(&system->m_pStaffArray, kBackupRecorded);
        }
        if (system->m_pOssiaStaffArray) {
            system->m_pOssiaStaffArray->m_pDoc = this;
            system->m_pOssiaStaffArray->ObjectBackup(&system->m_pOssiaStaffArray, kBackupRecorded);
        }
    }
    m_pPageArray->m_pDoc = this;
    m_pPageArray->ObjectBackup(&m_pPageArray, kBackupRecorded);
    m_pFileInfo->ObjectBackup(kBackupRecorded);
    return 1;
}

int CKVDoc::ObjectFeedBack()
{
    // The lists and the file info change hands first. A member that the
    // live list now holds is either the current one, which hands over to its
    // partner, or the one that comes back, whose partner then hands over
    // (the lists already put it in place). Pages go before staves, so that
    // the staves are replaced in the blocks of the pages that are live.
    auto swap = [](auto* member) {
        auto* partner = member->m_pBackupLink;
        if (!partner || partner == member)
            return;
        if (member->IsCurrentObj())
            member->ObjectFeedback();
        else if (partner->IsCurrentObj())
            static_cast<decltype(member)>(partner)->ObjectFeedback();
    };
    m_pFileInfo->ObjectFeedBack();
    m_pPageArray->ObjectFeedBack();
    CKVSystem* system = MasterOf(*this);
    if (system) {
        if (system->m_pOssiaStaffArray)
            system->m_pOssiaStaffArray->ObjectFeedBack();
        if (system->m_pStaffArray)
            system->m_pStaffArray->ObjectFeedBack();
    }
    for (int p = GetPageNum() - 1; p >= 0; --p) {
        if (CKVPage* page = GetPage(static_cast<short>(p)))
            swap(page);
    }
    if (system) {
        for (int s = system->m_pOssiaStaffArray ? system->m_pOssiaStaffArray->GetSize() - 1 : -1; s >= 0; --s)
            swap(system->m_pOssiaStaffArray->GetAt(s));
        for (int s = system->m_pStaffArray ? system->m_pStaffArray->GetSize() - 1 : -1; s >= 0; --s)
            swap(system->m_pStaffArray->GetAt(s));
    }
    return 1;
}

int CKVDoc::SelMeasBackup(int clear)
{
    if (clear)
        m_rcRedraw.SetRectEmpty();
    if (!CheckAvailableMemory(kSelBackupMemory))
        return 0;
    SetSelBackup(1);
    // A selected staff is backed up once per call: a second backup would copy
    // the whole staff again for each of its measures.
    std::set<CKVStaff*> backedUp;
    WalkSelection(*this, [this, &backedUp](SelRect* rec, CKVBlock* block, CKVMeas* meas) {
        if (rec->nKind == SelRect::kStaff) {
            CKVStaff* staff = rec->pStaff;
            if (staff && !backedUp.count(staff)) {
                staff->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
                // The record now names the live copy.
                backedUp.insert(staff);
                backedUp.insert(rec->pStaff);
            }
            SetInvalidRect(block, meas->GetCurBackupObj());
            return;
        }
        // Two records over one measure (a rectangle and the measure itself)
        // back it up once: a second copy would re-link the ties of its
        // neighbours to its own notes once more, and undo would leave them
        // naming the first copy's.
        if (!IsMeasInOpenStep(meas))
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        SetInvalidRect(block, meas->GetCurBackupObj());
    });
    SetSelBackup(0);
    return 1;
}

CRect& CKVDoc::SetInvalidRect(CKVBlock* block, CKVMeas* meas)
{
    if (!block || !meas)
        return m_rcRedraw;
    CRect area = meas->GetRealMeasRect(0);
    area.OffsetRect(block->m_rcBlock.left, block->m_rcBlock.top);
    if (block->m_pPage)
        area.OffsetRect(block->m_pPage->m_rcPrint.left, block->m_pPage->m_rcPrint.top);
    area.top -= 4;
    area.bottom += 4;
    area.left -= 2 * m_nStaffSpace;
    area.right += 2 * m_nStaffSpace;
    CRect united;
    united.UnionRect(&m_rcRedraw, &area);
    m_rcRedraw = united;
    m_bRedrawPending = 1;
    return m_rcRedraw;
}

void CKVDoc::SelMeasTuplet(unsigned char voice)
{
    WalkSelection(*this, [voice](SelRect*, CKVBlock*, CKVMeas* meas) {
        if (voice != 0) {
            meas->MakeTupletMsg(voice, kStemDefault, kAutoBeam);
            return;
        }
        for (BYTE v = 1; v <= CKVMeas::VOICES; ++v)
            meas->MakeTupletMsg(v, kStemDefault, kAutoBeam);
    });
}
