#pragma once
// Moving symbols between a measure and the beam groups and chords that the
// beaming code makes and takes apart. Shared by the beaming routines of
// measures and groups; not part of the library's interface.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

#include <vector>

namespace beamgroups {

// The index of the reference to id among a node's children; -1 when the
// node does not hold it.
inline short IndexOfChild(const CKVObject& node, DWORD id)
{
    if (id == 0)
        return -1;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return static_cast<short>(i);
    }
    return -1;
}

inline bool IsDirectChild(const CKVObject& node, const CKVMsg* msg)
{
    return msg && IndexOfChild(node, msg->m_dwMsgId) >= 0;
}

// Unlinks msg from the node without deleting it and without putting it on
// the document's delete list: it is about to be linked somewhere else.
inline void Unlink(CKVObject& node, CKVMsg* msg)
{
    const short index = msg ? IndexOfChild(node, msg->m_dwMsgId) : -1;
    if (index < 0)
        return;
    if (node.m_byObjKind == OBJ_MEAS)
        static_cast<CKVMeas&>(node).RemoveAt(index);
    else
        static_cast<CKVMsg&>(node).RemoveAt(index);
}

// Takes off a symbol that now stands in its measure the marks a walk gives
// members: a group member's, and on a note a chord member's too. The marks
// are stored, so they go at once rather than at the next walk, and the
// score a command leaves is the one its redo gives back.
inline void ClearMemberMarks(CKVMsg& msg)
{
    const WORD marks = msg.m_byKind == MSG_NOTE ? MSGFLAG_BEAM_MEMBER | MSGFLAG_CHORD_MEMBER : MSGFLAG_BEAM_MEMBER;
    msg.m_wFlag = static_cast<WORD>(msg.m_wFlag & ~marks);
}

// Puts a symbol that the beaming code took out of the measure back into it,
// as a symbol of its own (ClearMemberMarks). A measure that takes no new
// symbol (one compressed into a multi-measure rest) still takes back what
// it held, at its sorted place. Only a symbol that no measure can hold (no
// system, no memory for its reference) is freed.
inline void PlaceInMeasure(CKVMeas& meas, CKVMsg* msg)
{
    ClearMemberMarks(*msg);
    if (meas.AddMsg(msg, kHolderOwns) != 0)
        return;
    if (meas.InsertMsg(meas.GetSortedIndex(msg), msg, kHolderOwns, kParentHere) >= 0)
        return;
    delete msg;
}

// Moves a member of a container back into the measure as a symbol of its
// own.
inline void ReturnToMeasure(CKVObject& container, CKVMsg* member, CKVMeas& meas)
{
    Unlink(container, member);
    PlaceInMeasure(meas, member);
}

// Deletes a container whose members have all moved elsewhere: its remaining
// references are dropped first (they would delete the members with it), it
// leaves the measure, and the document forgets it as the last group or
// member joined.
inline void DeleteContainer(CKVMeas& meas, CKVMsg* container)
{
    if (!container)
        return;
    while (container->GetMsgNum() > 0)
        container->RemoveAt(static_cast<short>(container->GetMsgNum() - 1));
    Unlink(meas, container);
    if (CKVDoc* doc = DocOf(meas)) {
        if (doc->m_pLastGroup == container)
            doc->m_pLastGroup = nullptr;
        if (doc->m_pLastMember == container)
            doc->m_pLastMember = nullptr;
    }
    // The destructor frees the map slot when the container holds one.
    delete container;
}

} // namespace beamgroups
