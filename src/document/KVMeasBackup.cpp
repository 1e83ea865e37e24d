// Undo clones of measures: making the clone, swapping a measure pair in and
// out of the tree, replaying tie and slur relinks, and translating pointers
// into a measure's live instance.

#include "model/KVMeas.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "document/BackupState.h"
#include "document/CopyMsgMap.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/TickMath.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiFileRead.h"
#include "model/NewObject.h"

#include <cassert>
#include <vector>

namespace {

CKVMsg* MsgById(CKVSystem* system, DWORD id)
{
    return system && id ? system->GetMsgFromMap(id) : nullptr;
}

// Replays one relink record. Undo gives the partner note's tie or slur back
// the ids it had before the step; redo gives it the ids of the clone.
void ReplayRelink(CKVSystem* system, const SlurRelinkRecord& r, int undo)
{
    CKVMsg* note = MsgById(system, r.dwFlag == 1 ? r.dwNewStart : r.dwNewEnd);
    if (!note)
        return;
    const DWORD from = undo ? r.dwNewRef : r.dwOldRef;
    const DWORD to = undo ? r.dwOldRef : r.dwNewRef;
    const DWORD start = undo ? r.dwFirstStart : r.dwNewStart;
    const DWORD end = undo ? r.dwFirstEnd : r.dwNewEnd;
    for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
        MsgRef* ref = note->m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref && ref->dwMsgId == from ? MsgById(system, ref->dwMsgId) : nullptr;
        if (!child || !tickmath::IsTieOrSlur(*child))
            continue;
        child->m_dwWord = start;
        child->m_lHeight = static_cast<LONG>(end);
        ref->dwMsgId = to;
        // The relink gave the tie it replaced the copy's id while it kept its
        // own slot; that tie takes its slot's id back on undo, and the copy's
        // again on redo, so that a note's reference and the id of the tie it
        // names agree.
        if (CKVMsg* replaced = MsgById(system, r.dwOldRef))
            replaced->m_dwMsgId = undo ? r.dwOldRef : r.dwNewRef;
        // What the reference names now must join the same two notes.
        for (int j = 0; j < note->m_arrMsgRef.GetSize(); ++j) {
            MsgRef* other = note->m_arrMsgRef.GetAt(j);
            CKVMsg* same = other && other->dwMsgId == to ? MsgById(system, to) : nullptr;
            if (same && tickmath::IsTieOrSlur(*same)) {
                same->m_dwWord = start;
                same->m_lHeight = static_cast<LONG>(end);
            }
        }
    }
}

// Replays a removal record: undo hangs the removed tie or slur under its other
// note again, redo takes it off once more. Only a removal whose tie was also
// re-linked in the step has anything to replay; otherwise the snapshots bring
// both notes back whole.
// The deletion of a tied note took the tie flag off its partner; when the
// tie is hung under the partner again, or taken off it again, the flag
// follows what the note now holds.
void SyncTieFlags(CKVMsg& note)
{
    bool starts = false;
    bool ends = false;
    for (int i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const CKVMsg* child = measplace::ChildAt(note, i);
        if (!child || child == &note || child->m_byKind != MSG_TIE)
            continue;
        starts = starts || child->m_dwWord == note.m_dwMsgId;
        ends = ends || static_cast<DWORD>(child->m_lHeight) == note.m_dwMsgId;
    }
    note.m_wFlag = static_cast<WORD>((note.m_wFlag & ~(MSGFLAG_TIE_START | MSGFLAG_TIE_END)) |
                                     (starts ? MSGFLAG_TIE_START : 0) | (ends ? MSGFLAG_TIE_END : 0));
}

// A tie and a slur (or two slurs) may join the same two notes: the relink
// of the removed one is the one that gave the partner the reference the
// removal took, and only the symbol that relink named is replayed.
void ReplayRemoval(CKVSystem* system, CPtrArray& list, const SlurRelinkRecord& r, int undo)
{
    const SlurRelinkRecord* relink = nullptr;
    bool byRef = false;
    for (int i = list.GetSize() - 1; i >= 0 && !byRef; --i) {
        const SlurRelinkRecord* other = static_cast<const SlurRelinkRecord*>(list.GetAt(i));
        if (other && other->dwFirstStart == r.dwFirstStart && other->dwFirstEnd == r.dwFirstEnd &&
            other->dwNewStart != 0) {
            byRef = r.dwOldRef != 0 && other->dwNewRef == r.dwOldRef;
            if (!relink || byRef)
                relink = other;
        }
    }
    if (!relink)
        return;
    const bool viaEnd = relink->dwFlag == 1;
    CKVMsg* holder = MsgById(system, viaEnd ? relink->dwFirstEnd : relink->dwFirstStart);
    CKVMsg* other = MsgById(system, viaEnd ? relink->dwFirstStart : relink->dwFirstEnd);
    if (!holder || !other)
        return;
    auto joinsNewPair = [relink, byRef](const CKVMsg* msg) {
        return msg && tickmath::IsTieOrSlur(*msg) && msg->m_dwWord == relink->dwNewStart &&
               static_cast<DWORD>(msg->m_lHeight) == relink->dwNewEnd &&
               (!byRef || msg->m_dwMsgId == relink->dwNewRef);
    };
    if (undo) {
        for (int i = 0; i < holder->m_arrMsgRef.GetSize(); ++i) {
            CKVMsg* child = measplace::ChildAt(*holder, i);
            if (!joinsNewPair(child))
                continue;
            child->m_dwMsgId = relink->dwOldRef;
            child->m_dwWord = relink->dwFirstStart;
            child->m_lHeight = static_cast<LONG>(relink->dwFirstEnd);
            // Back where the note held it: a sorted insertion could put it
            // on the other side of a tie at the same place, and the score
            // would no longer be the one before the step.
            const unsigned char owner = static_cast<unsigned char>(relink->dwFlag);
            if (r.nPartnerIndex >= 0 && r.nPartnerIndex <= other->GetMsgNum())
                other->InsertMsg(r.nPartnerIndex, child, owner, kParentHere);
            else
                other->AddMsg(child, owner, kParentHere);
            SyncTieFlags(*other);
        }
        return;
    }
    for (short i = 0; i < other->GetMsgNum(); ++i) {
        if (joinsNewPair(measplace::ChildAt(*other, i))) {
            other->RemoveMsgAt(i);
            SyncTieFlags(*other);
            return;
        }
    }
}

void ReplayRecord(CKVSystem* system, CPtrArray& list, const SlurRelinkRecord& r, int undo)
{
    if (r.dwNewEnd != 0)
        ReplayRelink(system, r, undo);
    else
        ReplayRemoval(system, list, r, undo);
}

// Whether two symbols stand at the same place with the same look.
bool SamePlaceAndLook(const CKVMsg& a, const CKVMsg& b)
{
    return a.m_nPosX == b.m_nPosX && a.m_nPosY == b.m_nPosY && a.m_nPosX2 == b.m_nPosX2 &&
           a.m_nPosY2 == b.m_nPosY2 && a.m_byKind == b.m_byKind && a.m_byVoice == b.m_byVoice &&
           a.m_wHeadType == b.m_wHeadType;
}

bool SamePoint(CKVMsg* a, CKVMsg* b)
{
    if (!a || !b)
        return a == b;
    return a->m_nPosX == b->m_nPosX && a->m_nPosY == b->m_nPosY;
}

// The symbol a message hangs under, for the comparison: the start note of a
// tie, slur or tuplet, else the parent symbol. Null when the parent is not a
// symbol.
CKVMsg* AnchorOf(CKVMsg& msg)
{
    if (msg.m_byKind == MSG_TIE || msg.m_byKind == MSG_SLUR || msg.m_byKind == MSG_TUPLET)
        return MsgById(msg.m_pSystem, msg.m_dwWord);
    if (!msg.m_pParent || msg.m_byParentKind != OBJ_MSG)
        return nullptr;
    return static_cast<CKVMsg*>(msg.m_pParent);
}

// The chord and beam membership marks follow from where a symbol hangs and
// are set again by every walk; the clone's walk may have set them while the
// original still waits for one, so they do not tell two symbols apart.
constexpr WORD kWalkMarks = MSGFLAG_CHORD_MEMBER | MSGFLAG_BEAM_MEMBER;

bool Matches(CKVMsg& candidate, CKVMsg& msg)
{
    if (!SamePlaceAndLook(candidate, msg) || (candidate.m_wFlag & ~kWalkMarks) != (msg.m_wFlag & ~kWalkMarks))
        return false;
    if (tickmath::IsTieOrSlur(msg)) {
        if (!SamePoint(MsgById(candidate.m_pSystem, candidate.m_dwWord), MsgById(msg.m_pSystem, msg.m_dwWord)) ||
            !SamePoint(MsgById(candidate.m_pSystem, static_cast<DWORD>(candidate.m_lHeight)),
                       MsgById(msg.m_pSystem, static_cast<DWORD>(msg.m_lHeight))))
            return false;
    }
    if (msg.m_byParentKind != OBJ_MEAS) {
        CKVMsg* a = AnchorOf(candidate);
        CKVMsg* b = AnchorOf(msg);
        if (!a || !b)
            return a == b;
        return SamePlaceAndLook(*a, *b);
    }
    return true;
}

// The measure a symbol lies in, climbing through its containers.
CKVMeas* MeasOf(CKVMsg& msg)
{
    CKVObject* node = msg.m_pParent;
    while (node && node->m_byObjKind == OBJ_MSG)
        node = node->m_pParent;
    return node && node->m_byObjKind == OBJ_MEAS ? static_cast<CKVMeas*>(node) : nullptr;
}

// Every symbol a measure owns, depth first in the order of the tree; a
// measure and its clone list their symbols in the same order.
void OwnedInTreeOrder(CKVObject& node, std::vector<CKVMsg*>& out, int depth)
{
    if (depth > 8)
        return;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        CKVMsg* child = measplace::ChildAt(node, i);
        if (!ref || !ref->byOwner || !child || child == &node)
            continue;
        out.push_back(child);
        OwnedInTreeOrder(*child, out, depth + 1);
    }
}

// Several symbols of a measure can look alike in everything the comparison
// reads: re-spelling can put two notes of a chord on one line with
// different accidentals. The k-th of them in msg's own measure stands for
// the k-th in this one. fallback when msg's measure does not tell.
CKVMsg* NthEqualCopy(CKVMeas& meas, CKVMsg& msg, CKVMsg* excluded, CKVMsg* fallback)
{
    CKVMeas* source = MeasOf(msg);
    if (!source || source == &meas)
        return fallback;
    std::vector<CKVMsg*> mine;
    OwnedInTreeOrder(*source, mine, 0);
    int k = -1;
    int seen = 0;
    for (CKVMsg* other : mine) {
        if (other == &msg) {
            k = seen;
            break;
        }
        if (Matches(*other, msg))
            ++seen;
    }
    if (k < 0)
        return fallback;
    std::vector<CKVMsg*> theirs;
    OwnedInTreeOrder(meas, theirs, 0);
    seen = 0;
    for (CKVMsg* candidate : theirs) {
        if (candidate == excluded || !Matches(*candidate, msg))
            continue;
        if (seen++ == k)
            return candidate;
    }
    return fallback;
}

// Clones one measure into an undo pair. 1 done; 0 when memory ran out, and
// then the measure stays live and linked to itself with nothing recorded.
int CloneMeas(CKVMeas& meas, int record)
{
    CKVMeas* clone = KvNewChild<CKVMeas>(meas.m_pSystem, OBJ_MEAS, meas.m_pParent, meas.m_byParentKind);
    if (!clone) {
        meas.m_pBackupLink = &meas;
        return 0;
    }
    CKVDoc* doc = DocOf(meas);
    const int relinksBefore = doc ? doc->m_arrSlurBackup.GetSize() : 0;
    ClearCopyPtrMap();
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
    SetKeepIds(0);
    const int copied = clone->CreateFrom(&meas);
    SetKeepIds(1);
    // A note copied before the note that owns its tuplet (a chord's members
    // go top to bottom) names the copy of the tuplet, and the tuplet the
    // copies of its first and last notes.
    if (copied)
        kvcopy::FixUpCopiedLinks(meas.m_pSystem);
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
    if (!copied) {
        // The half-built copy may already have re-linked ties of other
        // measures to its notes; take that back before it goes.
        DropRelinksFrom(doc, relinksBefore);
        delete clone;
        meas.m_pBackupLink = &meas;
        return 0;
    }
    meas.m_pBackupLink = clone;
    clone->m_pBackupLink = &meas;
    if (record && !meas.m_pSystem->Backup(UndoEntry::kMeas, &meas)) {
        // No step took the pair; nothing would ever free the clone.
        DropRelinksFrom(doc, relinksBefore);
        delete clone;
        meas.m_pBackupLink = &meas;
        return 0;
    }
    return 1;
}

} // namespace

void DropRelinksFrom(CKVDoc* doc, int from)
{
    if (!doc || from < 0)
        return;
    CKVSystem* system = doc->m_arrSystem.GetSize() > 0 ? doc->m_arrSystem.GetAt(0) : nullptr;
    CPtrArray& list = doc->m_arrSlurBackup;
    for (int i = list.GetSize() - 1; i >= from; --i) {
        SlurRelinkRecord* r = static_cast<SlurRelinkRecord*>(list.GetAt(i));
        if (r && system)
            ReplayRecord(system, list, *r, 1);
        delete r;
        list.RemoveAt(i);
    }
}

int CKVMeas::ObjectBackup(int record, int crossStaff)
{
    CKVDoc* doc = DocOf(*this);
    if (!doc || !doc->IsReqBackup()) {
        m_pBackupLink = this;
        return 0;
    }
    // A command that backs up a measure no longer in the tree would edit a
    // copy that nothing shows.
    assert(IsCurrentObj());
    if (m_byParentKind == OBJ_OSSIA_STAFF)
        return CloneMeas(*this, record);

    CKVStaff* ownStaff = measplace::StaffOf(*this);
    const int index = ownStaff ? ownStaff->GetMeasIndex(this) : -1;
    if (index < 0)
        return 0;
    CKVStaffPtrArray* staves = m_pSystem->m_pStaffArray;
    if (crossStaff && staves) {
        bool column = false;
        for (int s = 0; s < staves->GetSize() && !column; ++s) {
            CKVMeas* other = measplace::MeasAt(staves->GetAt(s), index);
            column = other && (other->m_arrUpMsg.GetSize() > 0 || other->m_arrDownMsg.GetSize() > 0);
        }
        if (column) {
            int done = 1;
            for (int s = 0; s < staves->GetSize(); ++s) {
                if (CKVMeas* other = measplace::MeasAt(staves->GetAt(s), index))
                    done &= CloneMeas(*other, record);
            }
            return done;
        }
    }
    return CloneMeas(*this, record);
}

void CKVMeas::ObjectFeedback()
{
    if (GetMidiFileRead() || !m_pBackupLink || m_pBackupLink == this)
        return;
    CKVMeas* partner = static_cast<CKVMeas*>(m_pBackupLink);
    CKVMultiBackup::SetCurrentFlag2BackupObj();

    CKVDoc* doc = DocOf(*this);
    if (doc) {
        if (doc->m_pCurMeas == this)
            doc->m_pCurMeas = partner;
        if (doc->m_pCusorMeas == this)
            doc->m_pCusorMeas = partner;
        if (doc->m_pLastGroup && doc->m_pLastGroup->m_pParent == this)
            doc->m_pLastGroup = partner->GetNewPtr2(doc->m_pLastGroup);
        if (doc->m_pLastMember && doc->m_pLastMember->m_pParent == this)
            doc->m_pLastMember = partner->GetNewPtr(doc->m_pLastMember);
    }

    if (CKVStaff* staff = measplace::StaffOf(*this)) {
        const int index = measplace::IndexOnStaff(staff, this);
        if (index >= 0)
            staff->m_arrMeas.SetAt(index, partner);
    }

    if (doc && doc->m_pSelRectArray) {
        for (int i = 0; i < doc->m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = static_cast<SelRect*>(doc->m_pSelRectArray->GetAt(i));
            if (rec && rec->pMeas == this)
                rec->pMeas = partner;
        }
    }

    partner->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
    m_arrWalk.RemoveAll();
}

void ReplaySlurStep(CKVSystem* system, CPtrArray* list)
{
    if (!list || !system)
        return;
    const int undo = GetReplayDirection();
    auto isRemoval = [list](int i) {
        const auto* r = static_cast<const SlurRelinkRecord*>(list->GetAt(i));
        return r && r->dwNewEnd == 0;
    };
    for (int i = 0; i < list->GetSize(); ++i) {
        // The removals of one deletion each kept the place the link had once
        // the ones before it were gone; undo puts them back last first.
        int last = i;
        while (undo && isRemoval(i) && last + 1 < list->GetSize() && isRemoval(last + 1))
            ++last;
        for (int j = last; j >= i; --j) {
            if (const SlurRelinkRecord* r = static_cast<const SlurRelinkRecord*>(list->GetAt(j)))
                ReplayRecord(system, *list, *r, undo);
        }
        i = last;
    }
}

void CKVMeas::SlurFeedback(void* slurStep)
{
    ReplaySlurStep(m_pSystem, static_cast<CPtrArray*>(slurStep));
}

CKVMeas* CKVMeas::GetCurBackupObj()
{
    CKVMeas* meas = this;
    // A pair links both ways, so the walk ends at the latest after one step
    // back; the start check guards a pair in which neither is current.
    while (!meas->IsCurrentObj() && meas->m_pBackupLink && meas->m_pBackupLink != meas) {
        meas = static_cast<CKVMeas*>(meas->m_pBackupLink);
        if (meas == this)
            break;
    }
    return meas;
}

CKVMsg* CKVMeas::GetNewPtr2(CKVMsg* msg)
{
    return GetNewPtr2(msg, nullptr);
}

CKVMsg* CKVMeas::GetNewPtr2(CKVMsg* msg, CKVMsg* excluded)
{
    if (!msg)
        return nullptr;
    CKVMeas* meas = MeasOf(*msg);
    if (!meas || meas->IsCurrentObj())
        return msg;
    return meas->GetCurBackupObj()->GetNewPtr(msg, excluded);
}

CKVMsg* CKVMeas::GetNewPtr(CKVMsg* msg)
{
    return GetNewPtr(msg, nullptr);
}

CKVMsg* CKVMeas::GetNewPtr(CKVMsg* msg, CKVMsg* excluded)
{
    if (!msg)
        return nullptr;
    std::vector<CKVMsg*> found;
    ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
    for (short cursor = 0; cursor < m_arrWalk.GetSize();) {
        CKVMsg* candidate = GetNextMsg(cursor);
        if (candidate && candidate != excluded && Matches(*candidate, *msg))
            found.push_back(candidate);
    }
    if (found.empty())
        return msg;
    if (found.size() > 1)
        return NthEqualCopy(*this, *msg, excluded, found.front());
    return found.front();
}
