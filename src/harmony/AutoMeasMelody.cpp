// Melody analysis of the chord namer: centres, halves, chord tones, present
// and candidate notes.

#include "harmony/AutoStaff.h"

unsigned char CAutoNode::DecideNonChord(unsigned char)
{
    KV_PENDING("CAutoNode::DecideNonChord");
    return 0;
}

unsigned char CAutoNode::DecideNonChordMeas()
{
    KV_PENDING("CAutoNode::DecideNonChordMeas");
    return 0;
}

unsigned char CAutoNode::DecideNonChordArea()
{
    KV_PENDING("CAutoNode::DecideNonChordArea");
    return 0;
}

unsigned char CAutoMeas::DecideCenter(unsigned char)
{
    KV_PENDING("CAutoMeas::DecideCenter");
    return 0;
}

unsigned char CAutoMeas::DecideCenterMeas()
{
    KV_PENDING("CAutoMeas::DecideCenterMeas");
    return 0;
}

unsigned char CAutoMeas::DecideCenterAArea()
{
    KV_PENDING("CAutoMeas::DecideCenterAArea");
    return 0;
}

unsigned char CAutoMeas::DecideCenterBArea()
{
    KV_PENDING("CAutoMeas::DecideCenterBArea");
    return 0;
}

unsigned char CAutoMeas::SetCenterValue(unsigned char, unsigned char)
{
    KV_PENDING("CAutoMeas::SetCenterValue");
    return 0;
}

unsigned char CAutoMeas::ThinkHarmony()
{
    KV_PENDING("CAutoMeas::ThinkHarmony");
    return 0;
}

unsigned char CAutoMeas::AlterBArea()
{
    KV_PENDING("CAutoMeas::AlterBArea");
    return 0;
}

unsigned char CAutoMeas::DecideNonChordNode()
{
    KV_PENDING("CAutoMeas::DecideNonChordNode");
    return 0;
}

unsigned char CAutoMeas::RegisterPresentNode()
{
    KV_PENDING("CAutoMeas::RegisterPresentNode");
    return 0;
}

unsigned char CAutoMeas::SortPresentNode()
{
    KV_PENDING("CAutoMeas::SortPresentNode");
    return 0;
}

unsigned char CAutoMeas::CalcuPresentNodeNum(unsigned char)
{
    KV_PENDING("CAutoMeas::CalcuPresentNodeNum");
    return 0;
}

unsigned char CAutoMeas::AlterCenter()
{
    KV_PENDING("CAutoMeas::AlterCenter");
    return 0;
}

unsigned char CAutoMeas::ReCalcPresentNode()
{
    KV_PENDING("CAutoMeas::ReCalcPresentNode");
    return 0;
}

unsigned char CAutoMeas::AlterDevide()
{
    KV_PENDING("CAutoMeas::AlterDevide");
    return 0;
}

tagPresentNode* CAutoMeas::GetSuperPresentNode()
{
    KV_PENDING("CAutoMeas::GetSuperPresentNode");
    return nullptr;
}

unsigned char CAutoMeas::ProduceCandidate()
{
    KV_PENDING("CAutoMeas::ProduceCandidate");
    return 0;
}

unsigned char CAutoMeas::InitCandidateValue()
{
    KV_PENDING("CAutoMeas::InitCandidateValue");
    return 0;
}

unsigned char CAutoStaff::DecideCenterLevel()
{
    KV_PENDING("CAutoStaff::DecideCenterLevel");
    return 0;
}

unsigned char CAutoStaff::ThinkHarmonyAB()
{
    KV_PENDING("CAutoStaff::ThinkHarmonyAB");
    return 0;
}

unsigned char CAutoStaff::DecideNonChordNode()
{
    KV_PENDING("CAutoStaff::DecideNonChordNode");
    return 0;
}

unsigned char CAutoStaff::RegisterPresentNode()
{
    KV_PENDING("CAutoStaff::RegisterPresentNode");
    return 0;
}

unsigned char CAutoStaff::ProduceCandNote()
{
    KV_PENDING("CAutoStaff::ProduceCandNote");
    return 0;
}

unsigned char CAutoStaff::AlterCenterNode()
{
    KV_PENDING("CAutoStaff::AlterCenterNode");
    return 0;
}

unsigned char CAutoStaff::AlterDevide()
{
    KV_PENDING("CAutoStaff::AlterDevide");
    return 0;
}
