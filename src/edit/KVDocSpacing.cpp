// Spacing by time of the selected measures, and measure widths set for the
// whole document.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr int kEditMemory = 1000000;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

CKVMeas* LiveOf(CKVMeas* meas)
{
    CKVMeas* live = meas->GetCurBackupObj();
    return live ? live : meas;
}

// Backs the measure up (once per step) and lists its live clone.
void BackUp(CKVDoc& doc, CKVMeas* meas, std::vector<CKVMeas*>& targets)
{
    if (!meas)
        return;
    if (!doc.IsMeasInOpenStep(meas))
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = LiveOf(meas);
    if (std::find(targets.begin(), targets.end(), live) == targets.end())
        targets.push_back(live);
}

// Re-timing re-judges the ties and slurs of the spaced measures, which
// changes their far ends; those measures are backed up too, after the
// spaced ones, and then the spaced measures' live clones are spaced.
void SpaceAll(CKVDoc& doc, const std::vector<CKVMeas*>& targets, unsigned char voice)
{
    std::vector<CKVMeas*> far;
    for (CKVMeas* meas : targets)
        tielink::CollectFarEnds(
            *meas, [&](const CKVMeas* m) { return std::find(targets.begin(), targets.end(), m) != targets.end(); }, far);
    for (CKVMeas* meas : far) {
        if (LiveOf(meas) == meas && !doc.IsMeasInOpenStep(meas))
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    }
    std::set<CKVMeas*> spaced;
    for (CKVMeas* meas : targets) {
        CKVMeas* live = LiveOf(meas);
        if (spaced.insert(live).second)
            live->NoteSpaceOrder(voice, 1, 0, kWithGraceNotes);
    }
}

} // namespace

void CKVDoc::NoteSpaceOrder(unsigned char voice)
{
    if (!CheckAvailableMemory(kEditMemory))
        return;
    std::vector<CKVMeas*> targets;
    const int records = m_pSelRectArray ? m_pSelRectArray->GetSize() : 0;
    if (records > 0) {
        for (int i = 0; i < m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
            if (!rec)
                continue;
            selhit::ForEachMeas(*this, *rec, [&](const selhit::MeasPlace& place) {
                if (selhit::Selects(*rec, place.block, place.meas))
                    BackUp(*this, place.meas, targets);
                return true;
            });
        }
    } else if (m_pCurBlock && m_nCurMeas >= 0 && m_nCurMeas < m_pCurBlock->m_nMeasCount) {
        const LONG index = m_pCurBlock->m_nFirstMeas + m_nCurMeas;
        if (m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA) {
            CKVStaff* staff = m_pCurBlock->GetStaff(m_nCurStaff);
            BackUp(*this, staff ? staff->GetMeas(index) : nullptr, targets);
        } else if (CKVSystem* system = MasterOf(*this)) {
            for (short s = 0; s < system->GetStaffNum(); ++s) {
                CKVStaff* staff = system->GetStaff(s);
                BackUp(*this, staff ? staff->GetMeas(index) : nullptr, targets);
            }
        }
    }
    SpaceAll(*this, targets, voice);
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
