// Symbol services of the clipboard image: a symbol copied under a parent of
// another system, and a symbol moved sideways.

#include "model/KVMsg.h"

#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "model/KVMeas.h"
#include "model/MeasPlace.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

namespace {

// Whether holder owns the symbol with id `id`.
bool Owns(const CKVObject& holder, DWORD id)
{
    for (int i = 0; i < holder.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = holder.m_arrMsgRef.GetAt(i);
        if (ref && ref->byOwner && ref->dwMsgId == id)
            return true;
    }
    return false;
}

// Whether one of the beam groups or chords under holder owns the symbol:
// their members name the measure as their parent.
bool OwnsAsMember(CKVObject& holder, DWORD id, int depth)
{
    if (depth > 3)
        return false;
    for (int i = 0; i < holder.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = holder.m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref && ref->byOwner ? measplace::ChildAt(holder, i) : nullptr;
        if (!child || child == &holder || (child->m_byKind != MSG_BEAM && child->m_byKind != MSG_CHORD))
            continue;
        if (Owns(*child, id) || OwnsAsMember(*child, id, depth + 1))
            return true;
    }
    return false;
}

// Whether a symbol still stands in a live measure: each holder up to the
// measure still owns it, a member of a group or chord through its
// container. A paste that overwrites takes away copies it made a moment
// before, leaving them in the map for undo.
bool StillPlaced(const CKVMsg& msg)
{
    const CKVObject* node = &msg;
    for (int depth = 0; depth < 8; ++depth) {
        CKVObject* holder = node->m_pParent;
        if (!holder)
            return false;
        const DWORD id = static_cast<const CKVMsg*>(node)->m_dwMsgId;
        const bool held = Owns(*holder, id) || (holder->m_byObjKind == OBJ_MEAS && OwnsAsMember(*holder, id, 0));
        if (!held)
            return false;
        if (holder->m_byObjKind == OBJ_MEAS)
            return static_cast<const CKVMeas*>(holder)->IsCurrentObj() != 0;
        if (holder->m_byObjKind != OBJ_MSG)
            return false;
        node = holder;
    }
    return false;
}

// The copy of a tie or slur that an earlier copied note made: the later
// note only refers to it, while the note that owns it is still in place.
CKVMsg* LinkCopiedTie(CKVMsg& source, CKVObject& parent)
{
    DWORD copyId = 0;
    if (!tickmath::IsTieOrSlurKind(source.m_byKind))
        return nullptr;
    if (!LookupCopyPtrMap(source.m_dwMsgId, copyId)) {
        // The end note comes first (its tie hangs on a grace note, copied
        // after the timed notes): the tie's copy finds this note's copy
        // through the map once it is made.
        if (static_cast<DWORD>(source.m_lHeight) != source.m_dwWord)
            SetCopyPtrMap(static_cast<DWORD>(source.m_lHeight), parent.m_dwMsgId);
        return nullptr;
    }
    CKVMsg* copy = parent.m_pSystem->GetMsgFromMap(copyId);
    if (!copy || !StillPlaced(*copy))
        return nullptr;
    copy->m_lHeight = static_cast<LONG>(parent.m_dwMsgId);
    if (parent.TemporaryMsg(copy) == 0)
        return nullptr;
    return copy;
}

// Links a fresh copy under its parent. A measure sorts it in; a symbol's
// members are copied in the source's order and keep it, appended one by one,
// for a chord's sorted insertion would refuse the second of two notes at one
// staff place (a sharp and a natural on one line), which the source holds.
short Adopt(CKVObject& parent, CKVMsg& copy)
{
    if (parent.m_byObjKind == OBJ_MSG)
        return parent.InsertMsg(parent.GetMsgNum(), &copy, kHolderOwns, kParentHere);
    return parent.AddMsg(&copy, kHolderOwns, kParentHere);
}

} // namespace

CKVMsg* CKVMsg::CopyToParent(CKVObject* parent, unsigned char owned)
{
    if (!parent || !parent->m_pSystem)
        return nullptr;
    if (!owned)
        return LinkCopiedTie(*this, *parent);

    CKVSystem* system = parent->m_pSystem;
    CKVMsg* copy = kvcopy::NewSymbolFor(*parent, *this);
    if (!copy)
        return nullptr;
    *copy = *this;
    if (!kvcopy::CopyChordPart(*copy, *this)) {
        delete copy;
        return nullptr;
    }
    copy->m_pSystem = system;
    copy->m_pPage = nullptr;
    copy->m_pParent = parent;
    copy->m_byParentKind = parent->m_byObjKind;
    // A fresh id of the target's map: the temporary system's map starts past
    // every live id, so the copy never takes the id of a symbol in the score.
    const DWORD id = system->GetKey(m_dwMsgId, 1);
    if (system->AddMsgToMap(id, copy, 1) == 0) {
        delete copy;
        return nullptr;
    }
    if (Adopt(*parent, *copy) < 0) {
        system->RemoveMsgFromMap(id);
        return nullptr;
    }
    if (tickmath::IsTieOrSlurKind(m_byKind)) {
        copy->m_dwWord = parent->m_dwMsgId;
        SetCopyPtrMap(m_dwMsgId, copy->m_dwMsgId);
        // An end note copied earlier takes the tie now; otherwise the copy
        // names no end until its end note is copied, since the id its end
        // had in the source may name any symbol here, its own note among
        // them.
        DWORD endId = 0;
        CKVMsg* end = static_cast<DWORD>(m_lHeight) != m_dwWord &&
                              LookupCopyPtrMap(static_cast<DWORD>(m_lHeight), endId)
                          ? system->GetMsgFromMap(endId)
                          : nullptr;
        copy->m_lHeight = 0;
        if (end && end != parent && end->m_pSystem == system && StillPlaced(*end)) {
            copy->m_lHeight = static_cast<LONG>(endId);
            end->TemporaryMsg(copy);
        }
    }
    if (m_byKind == MSG_TUPLET && parent->m_byObjKind == OBJ_MSG) {
        // Only the note that owns a tuplet carries it into a copy, and the
        // ids its ends had name nothing there: the copy names its own note
        // at both ends, a whole tuplet of one holder, until the voice's
        // tuplets are made again where it lands (which a voice of grace
        // notes alone is not).
        copy->m_dwWord = parent->m_dwMsgId;
        copy->m_lHeight = static_cast<LONG>(parent->m_dwMsgId);
    }
    for (short i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref ? GetMsg(i) : nullptr;
        if (child && child != this)
            child->CopyToParent(copy, ref->byOwner);
    }
    return copy;
}

void CKVMsg::OffsetX(short dx)
{
    m_nPosX = static_cast<short>(m_nPosX + dx);
    if (m_byKind == MSG_BEAM || m_byKind == MSG_TREMOLO)
        m_nPosX2 = static_cast<short>(m_nPosX2 + dx);
    if (m_byKind != MSG_BEAM && m_byKind != MSG_CHORD)
        return;
    // The members stand at their own positions; the handles are relative to
    // each symbol's anchor and follow on their own.
    for (short i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* member = ref && ref->byOwner ? GetMsg(i) : nullptr;
        if (member && member != this && tickmath::IsNoteRestChord(*member))
            member->OffsetX(dx);
    }
}
