#include "model/KVMeas.h"

int CKVMeas::AutoBeamGetNotesNum(int, int)
{
    KV_PENDING("CKVMeas::AutoBeamGetNotesNum");
    return 0;
}

int CKVMeas::AutoBeamGetNotesNumInCustomMeas(int, int)
{
    KV_PENDING("CKVMeas::AutoBeamGetNotesNumInCustomMeas");
    return 0;
}

int CKVMeas::AutoBeamGetDur(int, int)
{
    KV_PENDING("CKVMeas::AutoBeamGetDur");
    return 0;
}

int CKVMeas::GetNoteKind(BYTE, short, short)
{
    KV_PENDING("CKVMeas::GetNoteKind");
    return -1;
}

void CKVMeas::AutoBindByBeam(BYTE, int)
{
    KV_PENDING("CKVMeas::AutoBindByBeam");
}

void CKVMeas::AutoBindByBeam(BYTE, short, short, int, int)
{
    KV_PENDING("CKVMeas::AutoBindByBeam");
}

CKVMsg* CKVMeas::BindByBeam(BYTE, short, short, int)
{
    KV_PENDING("CKVMeas::BindByBeam");
    return nullptr;
}

void CKVMeas::BindByBeam(BYTE, short, short, int, int)
{
    KV_PENDING("CKVMeas::BindByBeam");
}

CKVMsg* CKVMeas::BindGroupByBeam(BYTE, short, short, int)
{
    KV_PENDING("CKVMeas::BindGroupByBeam");
    return nullptr;
}

CKVMsg* CKVMeas::BindGroupGraceNoteByBeam(BYTE, short, short, int)
{
    KV_PENDING("CKVMeas::BindGroupGraceNoteByBeam");
    return nullptr;
}

void CKVMeas::AutoBindGraceNoteByBeam(BYTE)
{
    KV_PENDING("CKVMeas::AutoBindGraceNoteByBeam");
}

void CKVMeas::AutoBindByChord(BYTE)
{
    KV_PENDING("CKVMeas::AutoBindByChord");
}
