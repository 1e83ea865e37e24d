// Memory estimates and the position snapshot of symbols for undo.

#include "model/KVMsg.h"

#include "model/KVSystem.h"

namespace {

// Children deeper than this would mean references that run in a circle.
constexpr int kMaxDepth = 64;

// The symbol a child reference names, without dropping stale references:
// estimates and snapshots only read the tree.
CKVMsg* ChildOf(CKVObject& node, int index)
{
    const MsgRef* ref = node.m_arrMsgRef.GetAt(index);
    if (!ref || !node.m_pSystem)
        return nullptr;
    return node.m_pSystem->GetMsgFromMap(ref->dwMsgId);
}

int MsgMemSize(CKVMsg& msg, int depth)
{
    int size = 172;
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        size += 12;
        CKVMsg* child = ChildOf(msg, i);
        if (child && child != &msg && depth < kMaxDepth)
            size += MsgMemSize(*child, depth + 1);
    }
    return size;
}

void SavePosition(CKVMsg& msg, int depth)
{
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildOf(msg, i);
        if (child && child != &msg && depth < kMaxDepth)
            SavePosition(*child, depth + 1);
    }
    msg.m_nSavePosX = msg.m_nPosX;
    msg.m_nSavePosY = msg.m_nPosY;
    msg.m_nSavePosX2 = msg.m_nPosX2;
    msg.m_nSavePosY2 = msg.m_nPosY2;
    msg.m_lSaveHeight = msg.m_lHeight;
    msg.m_nSaveLayout4 = msg.m_nLayout4;
    msg.m_nSaveLayout3 = msg.m_nLayout3;
}

void RestorePosition(CKVMsg& msg, int depth)
{
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildOf(msg, i);
        if (child && child != &msg && depth < kMaxDepth)
            RestorePosition(*child, depth + 1);
    }
    msg.m_nPosX = msg.m_nSavePosX;
    msg.m_nPosY = msg.m_nSavePosY;
    msg.m_nPosX2 = msg.m_nSavePosX2;
    msg.m_nPosY2 = msg.m_nSavePosY2;
    msg.m_lHeight = msg.m_lSaveHeight;
    msg.m_nLayout4 = msg.m_nSaveLayout4;
    msg.m_nLayout3 = msg.m_nSaveLayout3;
}

} // namespace

int CKVMsg::GetMsgMemSize()
{
    return MsgMemSize(*this, 0);
}

void CKVMsg::BackupPosition()
{
    SavePosition(*this, 0);
}

void CKVMsg::FeedBackPosition()
{
    RestorePosition(*this, 0);
}
