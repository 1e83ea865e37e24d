// Building the chord namer's model from staff 0: measures, notes, key and
// scale steps.

#include "harmony/AutoStaff.h"

unsigned char CAutoStaff::UpdateParm(CKVStaff*)
{
    KV_PENDING("CAutoStaff::UpdateParm");
    return 0;
}

unsigned char CAutoStaff::Preprocess()
{
    KV_PENDING("CAutoStaff::Preprocess");
    return 0;
}

int CAutoStaff::GetRelativity(unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::GetRelativity");
    return 0;
}

unsigned char CAutoStaff::CalcuDurOrMoll()
{
    KV_PENDING("CAutoStaff::CalcuDurOrMoll");
    return 0;
}

unsigned char CAutoStaff::CalcuStepInform()
{
    KV_PENDING("CAutoStaff::CalcuStepInform");
    return 0;
}

unsigned char CAutoStaff::CalcuWeakMelody()
{
    KV_PENDING("CAutoStaff::CalcuWeakMelody");
    return 0;
}

unsigned char CAutoStaff::DeleteContents()
{
    KV_PENDING("CAutoStaff::DeleteContents");
    return 0;
}

bool CAutoStaff::FormsChord(unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::FormsChord");
    return false;
}

unsigned char CAutoMeas::UpdateParm(CKVMeas*)
{
    KV_PENDING("CAutoMeas::UpdateParm");
    return 0;
}

void CAutoMeas::InitValue()
{
    KV_PENDING("CAutoMeas::InitValue");
}

void CAutoMeas::InitPresentValue()
{
    KV_PENDING("CAutoMeas::InitPresentValue");
}

int CAutoMeas::GetRelativity(unsigned char, unsigned char)
{
    KV_PENDING("CAutoMeas::GetRelativity");
    return 0;
}

unsigned char CAutoMeas::CalcuDurOrMoll()
{
    KV_PENDING("CAutoMeas::CalcuDurOrMoll");
    return 0;
}

unsigned char CAutoMeas::CalcuStepInform()
{
    KV_PENDING("CAutoMeas::CalcuStepInform");
    return 0;
}

unsigned char CAutoNode::UpdateParm(CKVMsg*)
{
    KV_PENDING("CAutoNode::UpdateParm");
    return 0;
}

CAutoStaff::CAutoStaff(CKVAutoCodeName* owner)
    : m_pOwner(owner), m_nKeyMeas(0), m_byStaffType(0), m_byMode(3), m_byTonic(60), m_byKeyType(0),
      m_byWeakMelody(0)
{
}
CAutoStaff::~CAutoStaff() {}

CAutoMeas::CAutoMeas(CAutoStaff* owner)
    : m_pOwner(owner), m_byTripleMeter(0), m_pRhythm(nullptr), m_nKeyCount(0), m_byKeyType(0), m_nLength(0),
      m_nBeatLength(0), m_byTimeNum(0), m_byTimeDen(0), m_bySplit(1), m_byHarmony(1), m_byBeatStrength {},
      m_byCenter {}, m_byDivision(0), m_nBeat {}, m_nCount {}, m_dwDuration {}, m_PresentNode {}, m_Candidate {},
      m_CandCode {}
{
    InitValue();
}
CAutoMeas::~CAutoMeas() {}

CAutoNode::CAutoNode(CAutoMeas* owner)
    : m_pOwner(owner), m_byStep(0), m_byDuration(0), m_byBeatStrength(0), m_byLong(0), m_byFirstHalf(1),
      m_byMidiKey(0), m_dwGateTime(0), m_byMeasChord(1), m_byHalfChord(1)
{
}
CAutoNode::~CAutoNode() {}

CAutoKBRule::CAutoKBRule() : m_byFirst(0), m_byLast(0), m_byLength(0), m_byCode {} {}
CAutoKBRule::~CAutoKBRule() {}

CAutoSegment::CAutoSegment(CAutoStaff* owner) : m_pOwner(owner), m_Left {}, m_Right {}, m_byNum(0) {}
CAutoSegment::~CAutoSegment() {}
