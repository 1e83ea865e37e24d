#include "model/KVMeas.h"

short CKVMeas::GetMidiKeyFromPosY(short, short)
{
    KV_PENDING("CKVMeas::GetMidiKeyFromPosY");
    return 0;
}

short CKVMeas::SetParamFromMidiKey()
{
    KV_PENDING("CKVMeas::SetParamFromMidiKey");
    return 0;
}

void CKVMeas::UpdateNoteKeySignature(int, int, int, short)
{
    KV_PENDING("CKVMeas::UpdateNoteKeySignature");
}

void CKVMeas::RegulAccidants()
{
    KV_PENDING("CKVMeas::RegulAccidants");
}

WORD CKVMeas::GetDrumHeadType(int)
{
    KV_PENDING("CKVMeas::GetDrumHeadType");
    return 0;
}

WORD CKVMeas::GetDrumHeadAndPosByMidi(int, int, int&)
{
    KV_PENDING("CKVMeas::GetDrumHeadAndPosByMidi");
    return 0;
}

short CKVMeas::SetParamFromDrumTable(int)
{
    KV_PENDING("CKVMeas::SetParamFromDrumTable");
    return 0;
}

void CKVMeas::UpdateChord()
{
    KV_PENDING("CKVMeas::UpdateChord");
}
