// Pasting a clipboard staff into a staff, measure by measure.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "edit/PasteState.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <vector>

namespace {

// Whether the open undo step already holds a clone of this live measure.
bool BackedUpInOpenStep(CKVMeas& meas)
{
    CKVDoc* doc = DocOf(meas);
    for (int i = 0; doc && i < doc->m_arrBackup.GetSize(); ++i) {
        const UndoEntry* entry = doc->m_arrBackup.GetAt(i);
        if (entry && entry->nKind == UndoEntry::kMeas && entry->pPartner == &meas)
            return true;
    }
    return false;
}

// The measures other than `meas` that hold the far ends of the ties and
// slurs of the notes under `node`, each once.
void CollectFarEnds(CKVObject& node, CKVMeas* meas, std::vector<CKVMeas*>& far)
{
    tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
        if (!tielink::IsTieOrSlur(*child)) {
            CollectFarEnds(*child, meas, far);
            return false;
        }
        for (CKVMsg* end : {tielink::StartOf(*child), tielink::EndOf(*child)}) {
            CKVMeas* other = end ? tickmath::MeasureOf(end) : nullptr;
            if (other && other != meas && std::find(far.begin(), far.end(), other) == far.end())
                far.push_back(other);
        }
        return false;
    });
}

// The ties and slurs this paste copied (the map names them) whose end
// note was not pasted, as when it no longer fit the measure: such a copy
// still holds the id its end had in the image, which may name an unrelated
// symbol here or the copy's own note. It goes from the note that owns it,
// and so does that note's tie flag when no other tie supports it.
void DropUnendedCopies(CKVSystem& system)
{
    for (const auto& [source, id] : SaveCopyPtrMap()) {
        CKVMsg* link = system.GetMsgFromMap(id);
        if (!link || !tielink::IsTieOrSlur(*link))
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
            if (!BackedUpInOpenStep(*target))
                target->ObjectBackup(kBackupRecorded, 1);
            if (CKVMeas* live = target->GetCurBackupObj())
                target = live;
            // Overwriting deletes notes whose ties and slurs may reach into
            // other measures; those lose their ends too, in the same step.
            if (overwrite) {
                std::vector<CKVMeas*> far;
                CollectFarEnds(*target, target, far);
                for (CKVMeas* other : far) {
                    if (other->IsCurrentObj() && !BackedUpInOpenStep(*other))
                        other->ObjectBackup(kBackupRecorded, 1);
                }
            }
            RestoreCopyPtrMap(saved);
        }
        target->CopyMsg(x, voice, from, overwrite, autoBeam);
    }
    DropUnendedCopies(*m_pSystem);
    return 1;
}
