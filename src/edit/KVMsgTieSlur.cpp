// Taking a note's ties off both their notes.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "document/UndoEntry.h"
#include "model/KVMeas.h"
#include "model/KVMultiBackup.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "MemoryGuard.h"

#include <vector>

namespace {

constexpr int kDeleteTieMemory = 1000000;

bool InOpenStep(CKVDoc& doc, CKVMeas* meas)
{
    for (int i = 0; i < doc.m_arrBackup.GetSize(); ++i) {
        const UndoEntry* entry = doc.m_arrBackup.GetAt(i);
        if (entry && entry->nKind == UndoEntry::kMeas && entry->pPartner == meas)
            return true;
    }
    return false;
}

// Whether a note still holds a tie on the given side (owned: it starts it).
bool HoldsTie(CKVMsg& note, bool starts)
{
    bool found = false;
    tickmath::ForEachChild(note, [&](CKVMsg* child, short) {
        if (child->m_byKind == MSG_TIE && (child->m_dwWord == note.m_dwMsgId) == starts)
            found = true;
        return false;
    });
    return found;
}

} // namespace

void CKVMsg::DeleteTieMsg()
{
    if (m_byKind != MSG_NOTE || GetMsgNum() == 0 || !m_pSystem)
        return;
    if (!CheckAvailableMemory(kDeleteTieMemory))
        return;
    CKVDoc* doc = DocOf(*this);
    std::vector<DWORD> ties;
    tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
        if (child->m_byKind == MSG_TIE)
            ties.push_back(child->m_dwMsgId);
        return false;
    });
    CKVMeas* own = tickmath::MeasureOf(this);
    for (DWORD id : ties) {
        CKVMsg* tie = m_pSystem->GetMsgFromMap(id);
        if (!tie)
            continue;
        CKVMsg* ends[2] = {tielink::StartOf(*tie), tielink::EndOf(*tie)};
        for (CKVMsg*& end : ends) {
            if (!end || end == this)
                continue;
            CKVMeas* meas = tickmath::MeasureOf(end);
            if (!doc || !meas || meas == own || InOpenStep(*doc, meas))
                continue;
            meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            CKVMeas* live = meas->GetCurBackupObj();
            if (live && live != meas) {
                if (CKVMsg* moved = live->GetNewPtr2(end))
                    end = moved;
            }
        }
        CKVMsg* first = ends[0];
        CKVMsg* second = ends[1];
        // The non-owning reference goes first, then the owning one with its
        // symbol.
        for (CKVMsg* note : {second, first}) {
            if (!note)
                continue;
            const short index = tielink::IndexOfChild(*note, tie);
            if (index < 0)
                continue;
            if (note->m_arrMsgRef.GetAt(index)->byOwner)
                note->RemoveMsgAt(index);
            else
                note->RemoveAt(index);
        }
        if (first && !HoldsTie(*first, true))
            first->m_wFlag = static_cast<WORD>(first->m_wFlag & ~MSGFLAG_TIE_START);
        if (second && !HoldsTie(*second, false))
            second->m_wFlag = static_cast<WORD>(second->m_wFlag & ~MSGFLAG_TIE_END);
    }
}
