// Order inside chords and beam groups, joining symbols to them and making
// new ones.

#include "model/KVMsg.h"

#include "model/MeasPlace.h"

CKVMsg::CKVMsg(CKVMeas*, POINT, short, WORD, WORD, BYTE, DWORD, LONG, WORD, LONG, int)
{
    // The point form has layout words of its own.
    m_nLayout1 = 0;
    m_nLayout2 = 3;
    m_nLayout3 = 4;
    m_nLayout4 = 0;
    KV_PENDING("CKVMsg::CKVMsg(CKVMeas*, POINT, ...)");
}

CKVMsg::CKVMsg(CKVMsg*)
{
    KV_PENDING("CKVMsg::CKVMsg(CKVMsg*)");
}

short CKVMsg::GetSortedIndex(CKVMsg* msg)
{
    const short count = GetMsgNum();
    if (!msg)
        return -1;
    // Marks come after every member.
    if (msg->m_byKind == MSG_NOTEMARK)
        return count;
    short index = count;
    for (short i = 0; i < count; ++i) {
        const CKVMsg* member = measplace::ChildAt(*this, i);
        if (!member)
            continue;
        if (member->m_byKind == MSG_NOTE && member->m_nPosX == msg->m_nPosX && member->m_nPosY == msg->m_nPosY)
            return -1;
        if (index != count)
            continue;
        // Position ascending, then the lower symbol (larger vertical
        // position) first.
        if (member->m_byKind == MSG_NOTEMARK || member->m_nPosX > msg->m_nPosX ||
            (member->m_nPosX == msg->m_nPosX && member->m_nPosY < msg->m_nPosY))
            index = i;
    }
    return index;
}

void CKVMsg::RemoveAt(short index)
{
    // Only the reference goes; whoever holds the symbol now keeps it.
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return;
    delete m_arrMsgRef.GetAt(index);
    m_arrMsgRef.RemoveAt(index);
}

CKVMsg* CKVMsg::CreateChord()
{
    KV_PENDING("CKVMsg::CreateChord");
    return nullptr;
}

CKVMsg* CKVMsg::CreateBeam()
{
    KV_PENDING("CKVMsg::CreateBeam");
    return nullptr;
}

short CKVMsg::AddMsgToChord(CKVMsg*)
{
    KV_PENDING("CKVMsg::AddMsgToChord");
    return -1;
}

short CKVMsg::AddMsgToBeam(CKVMsg*)
{
    KV_PENDING("CKVMsg::AddMsgToBeam");
    return -1;
}

WORD CKVMsg::PtInRect(short, BYTE)
{
    KV_PENDING("CKVMsg::PtInRect");
    return 0xFFFF;
}

void CKVMsg::GetUpDownPos(short*, short*)
{
    KV_PENDING("CKVMsg::GetUpDownPos");
}
