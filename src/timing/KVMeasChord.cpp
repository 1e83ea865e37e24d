#include "model/KVMeas.h"

#include "model/KVMsg.h"

short CKVMeas::AddMsg(CKVMsg* msg, unsigned char owner)
{
    // A compressed multi-measure rest stands for whole measures; nothing
    // joins it.
    if (IsRestCompMeas(nullptr) != 0)
        return 0;
    if (msg->m_byVoice == 0)
        msg->m_byVoice = 1;
    // A failed base add leaves the symbol unlisted; callers treat 0 as
    // refused and take the symbol back.
    if (CKVObject::AddMsg(msg, owner, 1) <= 0)
        return 0;
    // A measure-repeat sign over the whole measure.
    constexpr WORD kWholeMeasureRepeat = 3;
    if (msg->m_byKind == MSG_MEASREPEAT && msg->m_wDuration == kWholeMeasureRepeat)
        m_dwTrailWord2 = 1;
    return 1;
}

void CKVMeas::RemoveAt(short index)
{
    // Only the reference goes; whoever holds the symbol now keeps it.
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return;
    delete m_arrMsgRef.GetAt(index);
    m_arrMsgRef.RemoveAt(index);
}

short CKVMeas::GetSortedIndex(CKVMsg*)
{
    KV_PENDING("CKVMeas::GetSortedIndex");
    return -1;
}

int CKVMeas::ProcInRect(CKVMsg*, short&, int)
{
    KV_PENDING("CKVMeas::ProcInRect");
    return 0;
}

void CKVMeas::DisAssembleBeam(short)
{
    KV_PENDING("CKVMeas::DisAssembleBeam");
}

void CKVMeas::DisAssembleBeam(CKVMsg*)
{
    KV_PENDING("CKVMeas::DisAssembleBeam");
}

void CKVMeas::DisAssembleBeam(BYTE)
{
    KV_PENDING("CKVMeas::DisAssembleBeam");
}

int CKVMeas::DisAssembleBeam(BYTE, short, short, int)
{
    KV_PENDING("CKVMeas::DisAssembleBeam");
    return 0;
}

int CKVMeas::DisAssembleGraceNoteBeam(BYTE, short, short)
{
    KV_PENDING("CKVMeas::DisAssembleGraceNoteBeam");
    return 0;
}

void CKVMeas::DisAssembleChord(BYTE)
{
    KV_PENDING("CKVMeas::DisAssembleChord");
}

int CKVMeas::DisAssembleChord(BYTE, short, short)
{
    KV_PENDING("CKVMeas::DisAssembleChord");
    return 0;
}

CKVMsg* CKVMeas::DisAssembleBeamLeft(short, short)
{
    KV_PENDING("CKVMeas::DisAssembleBeamLeft");
    return nullptr;
}

CKVMsg* CKVMeas::DisAssembleBeamRight(short, short)
{
    KV_PENDING("CKVMeas::DisAssembleBeamRight");
    return nullptr;
}

CKVMsg* CKVMeas::UpdateChordToNote(CKVMsg*)
{
    KV_PENDING("CKVMeas::UpdateChordToNote");
    return nullptr;
}

int CKVMeas::IsOnlyRest()
{
    KV_PENDING("CKVMeas::IsOnlyRest");
    return 0;
}

void CKVMeas::DelRestMsg()
{
    KV_PENDING("CKVMeas::DelRestMsg");
}

short CKVMeas::GetLeftNoteIndex(short, CKVMsg*)
{
    KV_PENDING("CKVMeas::GetLeftNoteIndex");
    return -1;
}
