// Pitch of notes: positions, MIDI keys, accidentals and spellings.

#include "model/KVMsg.h"

short CKVMsg::GetDoReMiFromPosY(short, int, int)
{
    KV_PENDING("CKVMsg::GetDoReMiFromPosY");
    return 255;
}

short CKVMsg::GetMidiKeyFromPosY(short*, short*)
{
    KV_PENDING("CKVMsg::GetMidiKeyFromPosY");
    return -1;
}

short CKVMsg::GetMidiKeyFromOnlyPosY()
{
    KV_PENDING("CKVMsg::GetMidiKeyFromOnlyPosY");
    return -1;
}

short CKVMsg::WhatIsAccidental(short*)
{
    KV_PENDING("CKVMsg::WhatIsAccidental");
    return -1;
}

void CKVMsg::SetParamFromMidiKey(short, BYTE, CKVStaff*)
{
    KV_PENDING("CKVMsg::SetParamFromMidiKey");
}

void CKVMsg::OtherSetParamFromMidiKey(int)
{
    KV_PENDING("CKVMsg::OtherSetParamFromMidiKey");
}

int CKVMsg::UpdateNoteKeySignature(int, int)
{
    KV_PENDING("CKVMsg::UpdateNoteKeySignature");
    return 0;
}

int CKVMsg::ChangeOtherName(BYTE)
{
    KV_PENDING("CKVMsg::ChangeOtherName");
    return 0;
}

void CKVMsg::CorrectKeySign()
{
    KV_PENDING("CKVMsg::CorrectKeySign");
}

void CKVMsg::MakeMidiMsgFromY(int)
{
    KV_PENDING("CKVMsg::MakeMidiMsgFromY");
}

void CKVMsg::UpdateMidiMsg()
{
    KV_PENDING("CKVMsg::UpdateMidiMsg");
}

BYTE CKVMsg::GetMidiKey()
{
    KV_PENDING("CKVMsg::GetMidiKey");
    return 0;
}

int CKVMsg::SetMidiKey(BYTE)
{
    KV_PENDING("CKVMsg::SetMidiKey");
    return 0;
}

BYTE CKVMsg::GetVelocity()
{
    KV_PENDING("CKVMsg::GetVelocity");
    return 0;
}

int CKVMsg::SetVelocity(BYTE)
{
    KV_PENDING("CKVMsg::SetVelocity");
    return 0;
}

void CKVMsg::MakeGraceNote()
{
    KV_PENDING("CKVMsg::MakeGraceNote");
}

int CKVMsg::IsGraceNote()
{
    KV_PENDING("CKVMsg::IsGraceNote");
    return 0;
}
