// Memory estimates and the position snapshot of symbols for undo.

#include "model/KVMsg.h"

#include "document/UndoEntry.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"

namespace {

// Children deeper than this would mean references that run in a circle.
constexpr int kMaxDepth = 64;

// Estimates and snapshots only read the tree: stale references stay.
using measplace::ChildAt;

int MsgMemSize(CKVMsg& msg, int depth)
{
    int size = 172;
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        size += 12;
        CKVMsg* child = ChildAt(msg, i);
        if (child && child != &msg && depth < kMaxDepth)
            size += MsgMemSize(*child, depth + 1);
    }
    return size;
}

void SnapshotPosition(CKVMsg& msg, int depth, bool save)
{
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildAt(msg, i);
        if (child && child != &msg && depth < kMaxDepth)
            SnapshotPosition(*child, depth + 1, save);
    }
    KeepPosition(save, msg.m_nPosX, msg.m_nSavePosX);
    KeepPosition(save, msg.m_nPosY, msg.m_nSavePosY);
    KeepPosition(save, msg.m_nPosX2, msg.m_nSavePosX2);
    KeepPosition(save, msg.m_nPosY2, msg.m_nSavePosY2);
    KeepPosition(save, msg.m_lHeight, msg.m_lSaveHeight);
    KeepPosition(save, msg.m_nLayout4, msg.m_nSaveLayout4);
    KeepPosition(save, msg.m_nLayout3, msg.m_nSaveLayout3);
}

} // namespace

int CKVMsg::GetMsgMemSize()
{
    return MsgMemSize(*this, 0);
}

void CKVMsg::BackupPosition()
{
    SnapshotPosition(*this, 0, true);
}

void CKVMsg::FeedBackPosition()
{
    SnapshotPosition(*this, 0, false);
}
