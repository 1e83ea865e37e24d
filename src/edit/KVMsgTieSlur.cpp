// Taking a note's ties off both their notes.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMultiBackup.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kDeleteTieMemory = 1000000;

// The index of the reference that names `id`; -1 when the node holds none.
short IndexOfRef(CKVObject& node, DWORD id)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return static_cast<short>(i);
    }
    return -1;
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
    // The far notes' measures are backed up first: a backup re-links the
    // ties that reach into the cloned measure, so the references are read
    // only afterwards.
    CKVMeas* own = tickmath::MeasureOf(this);
    std::vector<CKVMeas*> far;
    for (short i = 0; i < GetMsgNum(); ++i) {
        CKVMsg* child = GetMsg(i);
        if (!child || child->m_byKind != MSG_TIE)
            continue;
        for (CKVMsg* end : {tielink::StartOf(*child), tielink::EndOf(*child)}) {
            CKVMeas* meas = end && end != this ? tickmath::MeasureOf(end) : nullptr;
            if (doc && meas && meas != own && !doc->IsMeasInOpenStep(meas) &&
                std::find(far.begin(), far.end(), meas) == far.end())
                far.push_back(meas);
        }
    }
    for (CKVMeas* meas : far)
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);

    std::vector<DWORD> ties;
    for (short i = 0; i < GetMsgNum(); ++i) {
        CKVMsg* child = GetMsg(i);
        if (child && child->m_byKind == MSG_TIE)
            ties.push_back(m_arrMsgRef.GetAt(i)->dwMsgId);
    }
    for (DWORD id : ties) {
        CKVMsg* tie = m_pSystem->GetMsgFromMap(id);
        if (!tie)
            continue;
        // This note is the first end when it owns the tie; the other end is
        // found by the id the tie keeps for it.
        const short ownIndex = IndexOfRef(*this, id);
        const bool owner = ownIndex >= 0 && m_arrMsgRef.GetAt(ownIndex)->byOwner;
        CKVMsg* ends[2] = {owner ? this : tielink::StartOf(*tie), owner ? tielink::EndOf(*tie) : this};
        CKVMsg* first = ends[0];
        CKVMsg* second = ends[1];
        // The non-owning reference goes first, then the owning one with its
        // symbol.
        for (CKVMsg* note : {second, first}) {
            if (!note)
                continue;
            const short index = IndexOfRef(*note, id);
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
