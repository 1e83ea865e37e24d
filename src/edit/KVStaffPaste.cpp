// Pasting a clipboard staff into a staff, measure by measure.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "edit/PasteState.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

namespace {

// The ties and slurs this paste copied (the map names them) whose end
// note was not pasted, as when it no longer fit the measure: such a copy
// names no end. It goes from the note that owns it, and so does that note's
// tie flag when no other tie supports it.
void DropUnendedCopies(CKVSystem& system)
{
    for (const auto& [source, id] : SaveCopyPtrMap()) {
        CKVMsg* link = system.GetMsgFromMap(id);
        if (!link || !tickmath::IsTieOrSlur(*link))
            continue;
        CKVMsg* owner = tielink::StartOf(*link);
        CKVMsg* end = tielink::EndOf(*link);
        if (!owner || (end && end != owner && tielink::IndexOfChild(*end, link) >= 0))
            continue;
        const short at = tielink::IndexOfChild(*owner, link);
        if (at < 0)
            continue;
        owner->RemoveMsgAt(at);
        tielink::ClearLonelyTieFlags(*owner);
    }
}

} // namespace

short CKVStaff::Paste(CKVStaff* source, BYTE voice, short x, LONG meas, int overwrite, int autoBeam, int backup)
{
    if (!source || !m_pSystem || meas < 0 || meas >= GetMeasNum())
        return -1;
    if (!CheckAvailableMemory(kPasteFreeBytes))
        return -1;
    ClearCopyPtrMap();
    m_pSystem->ReleaseKey();
    CKVDoc* doc = DocOf(*this);
    for (LONG j = 0; j < source->GetMeasNum() && meas + j < GetMeasNum(); ++j) {
        CKVMeas* from = source->GetMeas(j);
        CKVMeas* target = GetMeas(meas + j);
        if (!from || !target || from->GetMsgNum() == 0)
            continue;
        if (backup) {
            // The backup copies through the same map; the paste's own
            // entries come back once the clone exists.
            const CopyPtrMapEntries saved = SaveCopyPtrMap();
            // A measure at the far end of a tie of the measure before may
            // have been backed up in this step already.
            if (!doc || !doc->IsMeasInOpenStep(target))
                target->ObjectBackup(kBackupRecorded, 1);
            if (CKVMeas* live = target->GetCurBackupObj())
                target = live;
            // Overwriting deletes notes whose ties and slurs may reach into
            // other measures; those lose their ends too, in the same step.
            if (overwrite)
                tielink::HoldFarEnds(*target);
            RestoreCopyPtrMap(saved);
        }
        target->CopyMsg(x, voice, from, overwrite, autoBeam);
    }
    DropUnendedCopies(*m_pSystem);
    return 1;
}
