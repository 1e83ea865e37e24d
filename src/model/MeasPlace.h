#pragma once
// Where a measure stands in the score: its staff, its index on that staff,
// and its direct children resolved without touching the reference list.
// Shared by the measure's queries; not part of the library's interface.

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

#include <algorithm>
#include <vector>

namespace measplace {

// The staff that holds the measure; null for a measure not on a staff.
inline CKVStaff* StaffOf(CKVMeas& meas)
{
    CKVObject* parent = meas.m_pParent;
    if (!parent || (parent->m_byObjKind != OBJ_STAFF && parent->m_byObjKind != OBJ_OSSIA_STAFF))
        return nullptr;
    return static_cast<CKVStaff*>(parent);
}

// The kind of the staff that holds the measure; a measure without a staff
// (or none at all) reads as on a normal staff.
inline BYTE StaffKindOf(CKVMeas* meas)
{
    const CKVStaff* staff = meas ? StaffOf(*meas) : nullptr;
    return staff ? staff->m_byStaffKind : CKVStaff::KIND_NORMAL;
}

// The measure's index in its staff's list; -1 when it is not there.
// The index found last is tried first: walks ask it of every measure they
// visit, and a search through a long staff each time would make them grow
// with the score.
inline int IndexOnStaff(CKVStaff* staff, const CKVMeas* meas)
{
    if (!staff)
        return -1;
    const int count = staff->m_arrMeas.GetSize();
    const int hint = meas ? meas->m_nIndexHint : -1;
    if (hint >= 0 && hint < count && staff->m_arrMeas.GetAt(hint) == meas)
        return hint;
    for (int i = 0; i < count; ++i) {
        if (staff->m_arrMeas.GetAt(i) == meas) {
            meas->m_nIndexHint = i;
            return i;
        }
    }
    return -1;
}

// The measure at an index of a staff, or null.
inline CKVMeas* MeasAt(CKVStaff* staff, int index)
{
    if (!staff || index < 0 || index >= staff->m_arrMeas.GetSize())
        return nullptr;
    return staff->m_arrMeas.GetAt(index);
}

// The measures with the measure's index on every staff of its system, in
// staff order. Empty when the measure has no staff or system, or is not in
// its staff's list.
inline std::vector<CKVMeas*> ColumnOf(CKVMeas& meas)
{
    std::vector<CKVMeas*> column;
    const int index = IndexOnStaff(StaffOf(meas), &meas);
    CKVSystem* system = meas.m_pSystem;
    if (index < 0 || !system)
        return column;
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        if (CKVMeas* other = MeasAt(system->GetStaff(s), index))
            column.push_back(other);
    }
    return column;
}

// The symbol of child reference i, or null when the reference is stale.
// Unlike GetMsg it leaves a stale reference in the list, so that a loop
// over the indexes can run while it reads.
inline CKVMsg* ChildAt(CKVObject& node, int i)
{
    const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
    if (!ref || !node.m_pSystem)
        return nullptr;
    return node.m_pSystem->GetMsgFromMap(ref->dwMsgId);
}

// Whether checking the measure's tremolos can change it: it holds a
// tremolo, or a note marked as one end of a tremolo.
inline bool HoldsTremoloWork(CKVMeas& meas)
{
    for (int i = 0; i < meas.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(meas, i);
        if (msg && (msg->m_byKind == MSG_TREMOLO || msg->IsTremoloNote()))
            return true;
    }
    return false;
}

// The clef code that a clef symbol sets.
inline BYTE ClefCodeOf(const CKVMsg& clef)
{
    return static_cast<BYTE>(clef.m_wDuration & 0xFF);
}

// The document's line spacing; the process-wide copy for a node that is
// not in a document. Out of line so that this header needs no document.
int LineSpacingOf(const CKVObject& node);

// The member notes of a chord in child order; lyric references and other
// children are left out.
inline std::vector<CKVMsg*> ChordNotes(CKVMsg& chord)
{
    std::vector<CKVMsg*> notes;
    for (int i = 0; i < chord.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildAt(chord, i);
        if (child && child != &chord && child->m_byKind == MSG_NOTE)
            notes.push_back(child);
    }
    return notes;
}

// The measure's walk list as it stands now. Loops that call out while they
// walk use this copy: the callees may rebuild the measure's list.
inline std::vector<DWORD> WalkIds(const CKVMeas& meas)
{
    std::vector<DWORD> ids;
    ids.reserve(static_cast<size_t>(meas.m_arrWalk.GetSize()));
    for (int i = 0; i < meas.m_arrWalk.GetSize(); ++i)
        ids.push_back(meas.m_arrWalk.GetAt(i));
    return ids;
}

// Stable-sorts the children that pick(child) selects by less(a, b) among
// their own slots; every other child keeps its slot. Gives the selected
// children in their new order.
template <class Pick, class Less>
std::vector<CKVMsg*> SortChildSlots(CKVObject& node, Pick pick, Less less)
{
    struct Slot {
        MsgRef* ref;
        CKVMsg* msg;
    };
    std::vector<int> slots;
    std::vector<Slot> picked;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildAt(node, i);
        if (child && child != &node && pick(*child)) {
            slots.push_back(i);
            picked.push_back({node.m_arrMsgRef.GetAt(i), child});
        }
    }
    std::stable_sort(picked.begin(), picked.end(), [&](const Slot& a, const Slot& b) { return less(*a.msg, *b.msg); });
    std::vector<CKVMsg*> order;
    for (size_t i = 0; i < slots.size(); ++i) {
        node.m_arrMsgRef.SetAt(slots[i], picked[i].ref);
        order.push_back(picked[i].msg);
    }
    return order;
}

} // namespace measplace
