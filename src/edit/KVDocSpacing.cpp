// Spacing by time of the selected measures, and measure widths set for the
// whole document.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <set>

namespace {

constexpr int kEditMemory = 1000000;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// Whether the open undo step already holds a clone of this live measure.
bool BackedUpInOpenStep(CKVDoc& doc, CKVMeas* meas)
{
    for (int i = 0; i < doc.m_arrBackup.GetSize(); ++i) {
        const UndoEntry* entry = doc.m_arrBackup.GetAt(i);
        if (entry && entry->nKind == UndoEntry::kMeas && entry->pPartner == meas)
            return true;
    }
    return false;
}

// Backs the measure up (once per step) and spaces its live clone.
void SpaceMeasure(CKVDoc& doc, CKVMeas* meas, unsigned char voice, std::set<CKVMeas*>& spaced)
{
    if (!meas)
        return;
    if (!BackedUpInOpenStep(doc, meas) && !spaced.count(meas))
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    if (!live)
        live = meas;
    if (!spaced.insert(live).second)
        return;
    live->NoteSpaceOrder(voice, 1, 0, kWithGraceNotes);
}

} // namespace

void CKVDoc::NoteSpaceOrder(unsigned char voice)
{
    if (!CheckAvailableMemory(kEditMemory))
        return;
    std::set<CKVMeas*> spaced;
    const int records = m_pSelRectArray ? m_pSelRectArray->GetSize() : 0;
    if (records > 0) {
        for (int i = 0; i < m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
            if (!rec)
                continue;
            selhit::ForEachMeas(*this, *rec, [&](const selhit::MeasPlace& place) {
                if (selhit::Selects(*rec, place.block, place.meas))
                    SpaceMeasure(*this, place.meas, voice, spaced);
                return true;
            });
        }
    } else if (m_pCurBlock && m_nCurMeas >= 0 && m_nCurMeas < m_pCurBlock->m_nMeasCount) {
        const LONG index = m_pCurBlock->m_nFirstMeas + m_nCurMeas;
        if (m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA) {
            CKVStaff* staff = m_pCurBlock->GetStaff(m_nCurStaff);
            SpaceMeasure(*this, staff ? staff->GetMeas(index) : nullptr, voice, spaced);
        } else if (CKVSystem* system = MasterOf(*this)) {
            for (short s = 0; s < system->GetStaffNum(); ++s) {
                CKVStaff* staff = system->GetStaff(s);
                SpaceMeasure(*this, staff ? staff->GetMeas(index) : nullptr, voice, spaced);
            }
        }
    }
    m_bModified = 1;
}

void CKVDoc::SetMeasWidth(short width, short first, short last)
{
    if (!CheckAvailableMemory(kEditMemory))
        return;
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (int b = 0; page && b < page->m_arrBlock.GetSize(); ++b) {
            bool backedUp = false;
            for (short m = 0;; ++m) {
                CKVBlock* block = page->m_arrBlock.GetAt(b);
                if (!block || m >= block->m_nMeasCount)
                    break;
                const int index = block->m_nFirstMeas + m;
                if (index < first || index > last)
                    continue;
                if (!backedUp) {
                    block->ObjectBackup(kBackupRecorded);
                    backedUp = true;
                    block = page->m_arrBlock.GetAt(b);
                }
                block->SetMeasWidth(m, width);
            }
        }
    }
    m_bModified = 1;
}

short CKVDoc::GetMeasWidth(short index)
{
    CKVSystem* system = MasterOf(*this);
    CKVStaff* staff = system ? system->GetStaff(0) : nullptr;
    CKVMeas* meas = staff && index >= 0 ? staff->GetMeas(index) : nullptr;
    return meas ? static_cast<short>(meas->m_rcMeas.Width()) : 0;
}
