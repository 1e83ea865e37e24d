// A measure's settings copied from a model measure, and a symbol taken out of
// a measure.

#include "model/KVMeas.h"

#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <cstring>
#include <vector>

void CKVMeas::Copy(CKVMeas& source)
{
    if (&source == this)
        return;
    m_wMarker = source.m_wMarker;
    m_nLength = source.m_nLength;
    m_nTimeNum = source.m_nTimeNum;
    m_nTimeDen = source.m_nTimeDen;
    std::memcpy(m_szTimeNumText, source.m_szTimeNumText, TIME_TEXT_SIZE);
    std::memcpy(m_szTimeDenText, source.m_szTimeDenText, TIME_TEXT_SIZE);
    m_nLeftX = source.m_nLeftX;
    m_nStaffY = source.m_nStaffY;
    m_rcMeas = source.m_rcMeas;
    m_byStartBar = source.m_byStartBar;
    m_byEndBar = source.m_byEndBar;
    // The clef in force at the source's end, as far as clef changes past its
    // header say, is where the copy starts.
    m_byInitClef = source.m_byInitClef;
    for (int i = 0; i < source.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = measplace::ChildAt(source, i);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX > source.m_nHeaderWidth)
            m_byInitClef = measplace::ClefCodeOf(*msg);
    }
    m_byKeyType = source.m_byKeyType;
    m_byKeyCount = source.m_byKeyCount;
    m_byTimeStyle = source.m_byTimeStyle;
    m_byOption = source.m_byOption;
    CKVObject::Copy(source);
    // The copy is laid out afresh and has no undo partner of its own.
    m_nRealWidth = 0;
    m_pBackupLink = nullptr;
    CalcWholeCount();
}

namespace {

short IndexOfId(const CKVObject& node, DWORD id)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return static_cast<short>(i);
    }
    return -1;
}

bool HasLiveChild(CKVObject& node)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        if (measplace::ChildAt(node, i))
            return true;
    }
    return false;
}

// Drops the reference at index: only the link with own 0, else through
// RemoveMsgAt so that an owned symbol is recorded for deletion.
void Drop(CKVObject& holder, short index, int own)
{
    if (own)
        holder.RemoveMsgAt(index);
    else if (holder.m_byObjKind == OBJ_MEAS)
        static_cast<CKVMeas&>(holder).RemoveAt(index);
    else
        static_cast<CKVMsg&>(holder).RemoveAt(index);
}

// Finds msg among the holder's children or inside its beam groups and
// chords and takes it out; a container left without members leaves its own
// holder too. The depth bound keeps a damaged tree from looping.
bool RemoveFrom(CKVObject& holder, CKVMsg* msg, int own, int depth)
{
    if (depth > 3)
        return false;
    // Removing changes the list; it is walked by id.
    for (DWORD id : tickmath::ChildIds(holder)) {
        CKVMsg* child = tickmath::Resolve(holder, id);
        if (!child)
            continue;
        if (child == msg) {
            Drop(holder, IndexOfId(holder, id), own);
            return true;
        }
        if (child->m_byKind != MSG_BEAM && child->m_byKind != MSG_CHORD)
            continue;
        if (!RemoveFrom(*child, msg, own, depth + 1))
            continue;
        if (!HasLiveChild(*child))
            holder.RemoveMsgAt(IndexOfId(holder, id));
        return true;
    }
    return false;
}

} // namespace

int CKVMeas::DeleteMsg(CKVMsg* msg, int own)
{
    if (!msg || !m_pSystem)
        return 0;
    return RemoveFrom(*this, msg, own, 0) ? 1 : 0;
}

namespace {

bool IsGraceMsg(const CKVMsg& msg)
{
    return (msg.m_wFlag & MSGFLAG_GRACE) != 0;
}

// The owned children of a node, resolved once: removing changes the list.
std::vector<CKVMsg*> OwnedChildren(CKVObject& node)
{
    std::vector<CKVMsg*> out;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->byOwner) {
            if (CKVMsg* msg = measplace::ChildAt(node, i))
                out.push_back(msg);
        }
    }
    return out;
}

} // namespace

void CKVMeas::DeleteMsg(short x)
{
    if (!m_pSystem)
        return;
    for (CKVMsg* msg : OwnedChildren(*this)) {
        if (!tickmath::IsVoiceEntry(*msg) || IsGraceMsg(*msg))
            continue;
        if (msg->m_nPosX >= x) {
            DeleteMsg(msg, kUnlinkAndFree);
            continue;
        }
        // A beam group that starts left of x loses the members from x on; a
        // group left empty goes with its last member.
        if (msg->m_byKind != MSG_BEAM)
            continue;
        for (CKVMsg* member : OwnedChildren(*msg)) {
            if (tickmath::IsVoiceEntry(*member) && !IsGraceMsg(*member) && member->m_nPosX >= x)
                DeleteMsg(member, kUnlinkAndFree);
        }
    }
}
