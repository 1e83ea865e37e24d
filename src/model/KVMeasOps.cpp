#include "model/KVMeas.h"

short CKVMeas::GetMsgOfLeftPos(short)
{
    KV_PENDING("CKVMeas::GetMsgOfLeftPos");
    return -1;
}

short CKVMeas::GetMsgOfRightPos(short)
{
    KV_PENDING("CKVMeas::GetMsgOfRightPos");
    return -1;
}

short CKVMeas::GetTimeFromPos(unsigned char, short)
{
    KV_PENDING("CKVMeas::GetTimeFromPos");
    return 0;
}

void CKVMeas::DeleteTimeRange(unsigned char, short, short)
{
    KV_PENDING("CKVMeas::DeleteTimeRange");
}

void CKVMeas::RemoveMidiMsgFromXToNextNote(short)
{
    KV_PENDING("CKVMeas::RemoveMidiMsgFromXToNextNote");
}

void CKVMeas::AutoUpDownNoteDir()
{
    KV_PENDING("CKVMeas::AutoUpDownNoteDir");
}

void CKVMeas::ChangeNoteDir(unsigned char, short, short)
{
    KV_PENDING("CKVMeas::ChangeNoteDir");
}

void CKVMeas::SetNoteDir(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::SetNoteDir");
}

void CKVMeas::TieDirUpdate(short, short)
{
    KV_PENDING("CKVMeas::TieDirUpdate");
}

void CKVMeas::SetTremolo(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::SetTremolo");
}

void CKVMeas::RemoveTremolo(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::RemoveTremolo");
}

void CKVMeas::UpdateTremolo()
{
    KV_PENDING("CKVMeas::UpdateTremolo");
}

int CKVMeas::IsTrillMsg(CKVMsg*)
{
    KV_PENDING("CKVMeas::IsTrillMsg");
    return 0;
}

void CKVMeas::Trill2Midi()
{
    KV_PENDING("CKVMeas::Trill2Midi");
}

void CKVMeas::UndoTrillNote()
{
    KV_PENDING("CKVMeas::UndoTrillNote");
}

void CKVMeas::MsgPosCorrect(short, short)
{
    KV_PENDING("CKVMeas::MsgPosCorrect");
}

void CKVMeas::SetPakPosByNote(short, short, short, int)
{
    KV_PENDING("CKVMeas::SetPakPosByNote");
}

void CKVMeas::BelongChordSymbolToNote()
{
    KV_PENDING("CKVMeas::BelongChordSymbolToNote");
}

void CKVMeas::NoteBelongToUpDownStaffForCrossBeam(int, unsigned char, short, short, CKVMeas*)
{
    KV_PENDING("CKVMeas::NoteBelongToUpDownStaffForCrossBeam");
}
