#include "model/KVMeas.h"

short CKVMeas::AddMsg(CKVMsg*, unsigned char)
{
    KV_PENDING("CKVMeas::AddMsg");
    return 0;
}

void CKVMeas::RemoveAt(short)
{
    KV_PENDING("CKVMeas::RemoveAt");
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
