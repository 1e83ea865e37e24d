// The chord-code tables of the chord namer, their search, and the fixing and
// linking of one code per area of a measure.

#include "harmony/AutoStaff.h"

unsigned char CAutoKBRule::UpdateParm()
{
    KV_PENDING("CAutoKBRule::UpdateParm");
    return 0;
}

unsigned char CAutoMeas::ProduceCandCode()
{
    KV_PENDING("CAutoMeas::ProduceCandCode");
    return 0;
}

unsigned char CAutoMeas::InitCandCodeValue()
{
    KV_PENDING("CAutoMeas::InitCandCodeValue");
    return 0;
}

unsigned char CAutoMeas::CalcuCodeWeight()
{
    KV_PENDING("CAutoMeas::CalcuCodeWeight");
    return 0;
}

unsigned char CAutoMeas::SetTypeCode(unsigned char)
{
    KV_PENDING("CAutoMeas::SetTypeCode");
    return 0;
}

unsigned char CAutoMeas::CalcuCodePercent(unsigned char, unsigned char)
{
    KV_PENDING("CAutoMeas::CalcuCodePercent");
    return 0;
}

unsigned char CAutoMeas::DevideCode()
{
    KV_PENDING("CAutoMeas::DevideCode");
    return 0;
}

unsigned char CAutoMeas::CombineCode()
{
    KV_PENDING("CAutoMeas::CombineCode");
    return 0;
}

unsigned char CAutoMeas::ProduceCenterCode()
{
    KV_PENDING("CAutoMeas::ProduceCenterCode");
    return 0;
}

unsigned char CAutoMeas::SetFunctionCode(unsigned char, unsigned char)
{
    KV_PENDING("CAutoMeas::SetFunctionCode");
    return 0;
}

unsigned char CAutoMeas::SetFixedPoint()
{
    KV_PENDING("CAutoMeas::SetFixedPoint");
    return 0;
}

unsigned char CAutoSegment::SetLeftPoint(int, unsigned char)
{
    KV_PENDING("CAutoSegment::SetLeftPoint");
    return 0;
}

unsigned char CAutoSegment::SetRightPoint(int, unsigned char)
{
    KV_PENDING("CAutoSegment::SetRightPoint");
    return 0;
}

unsigned char CAutoSegment::SetNumber(unsigned char)
{
    KV_PENDING("CAutoSegment::SetNumber");
    return 0;
}

unsigned char CAutoSegment::AddElement(int, unsigned char)
{
    KV_PENDING("CAutoSegment::AddElement");
    return 0;
}

unsigned char CAutoSegment::LinkCode(int)
{
    KV_PENDING("CAutoSegment::LinkCode");
    return 0;
}

unsigned char CAutoSegment::FindDurKBRules(int, int)
{
    KV_PENDING("CAutoSegment::FindDurKBRules");
    return 0;
}

unsigned char CAutoSegment::FindMollKBRules(int, int)
{
    KV_PENDING("CAutoSegment::FindMollKBRules");
    return 0;
}

unsigned char CAutoSegment::LinkBybTemp(int, int)
{
    KV_PENDING("CAutoSegment::LinkBybTemp");
    return 0;
}

unsigned char CAutoSegment::InitTempValue()
{
    KV_PENDING("CAutoSegment::InitTempValue");
    return 0;
}

int CAutoSegment::FindCode(unsigned char, unsigned char)
{
    KV_PENDING("CAutoSegment::FindCode");
    return -1;
}

unsigned char CAutoSegment::GetFunctionCode(unsigned char)
{
    KV_PENDING("CAutoSegment::GetFunctionCode");
    return 0;
}

unsigned char CAutoSegment::GetTemp(unsigned char)
{
    KV_PENDING("CAutoSegment::GetTemp");
    return 0;
}

unsigned char CAutoSegment::SetTemp(unsigned char, unsigned char)
{
    KV_PENDING("CAutoSegment::SetTemp");
    return 0;
}

unsigned char CAutoSegment::SetTempCode(unsigned char, unsigned char)
{
    KV_PENDING("CAutoSegment::SetTempCode");
    return 0;
}

unsigned char CAutoSegment::IsSystemMask(unsigned char)
{
    KV_PENDING("CAutoSegment::IsSystemMask");
    return 0;
}

unsigned char CAutoStaff::MakeChordCodeTable()
{
    KV_PENDING("CAutoStaff::MakeChordCodeTable");
    return 0;
}

unsigned char CAutoStaff::Make2DurCodeTable()
{
    KV_PENDING("CAutoStaff::Make2DurCodeTable");
    return 0;
}

unsigned char CAutoStaff::Make3DurCodeTable()
{
    KV_PENDING("CAutoStaff::Make3DurCodeTable");
    return 0;
}

unsigned char CAutoStaff::Make2MollCodeTable()
{
    KV_PENDING("CAutoStaff::Make2MollCodeTable");
    return 0;
}

unsigned char CAutoStaff::Make3MollCodeTable()
{
    KV_PENDING("CAutoStaff::Make3MollCodeTable");
    return 0;
}

unsigned char CAutoStaff::MakeDurKBRuleTable()
{
    KV_PENDING("CAutoStaff::MakeDurKBRuleTable");
    return 0;
}

unsigned char CAutoStaff::MakeMollKBRuleTable()
{
    KV_PENDING("CAutoStaff::MakeMollKBRuleTable");
    return 0;
}

int CAutoStaff::Search2DurCode(unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::Search2DurCode");
    return -1;
}

int CAutoStaff::Search2MollCode(unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::Search2MollCode");
    return -1;
}

int CAutoStaff::Search3DurCode(unsigned char, unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::Search3DurCode");
    return -1;
}

int CAutoStaff::Search3MollCode(unsigned char, unsigned char, unsigned char)
{
    KV_PENDING("CAutoStaff::Search3MollCode");
    return -1;
}

unsigned char CAutoStaff::SearchDurCode(tagCandidate*, tagCandCode*)
{
    KV_PENDING("CAutoStaff::SearchDurCode");
    return 0;
}

unsigned char CAutoStaff::SearchMollCode(tagCandidate*, tagCandCode*)
{
    KV_PENDING("CAutoStaff::SearchMollCode");
    return 0;
}

unsigned char CAutoStaff::SearchDurAreaCode(tagCandidate*, tagCandCode*)
{
    KV_PENDING("CAutoStaff::SearchDurAreaCode");
    return 0;
}

unsigned char CAutoStaff::SearchMollAreaCode(tagCandidate*, tagCandCode*)
{
    KV_PENDING("CAutoStaff::SearchMollAreaCode");
    return 0;
}

unsigned char CAutoStaff::ProduceCandCode()
{
    KV_PENDING("CAutoStaff::ProduceCandCode");
    return 0;
}

unsigned char CAutoStaff::SetTypeCode()
{
    KV_PENDING("CAutoStaff::SetTypeCode");
    return 0;
}

unsigned char CAutoStaff::LinkCandCode(int)
{
    KV_PENDING("CAutoStaff::LinkCandCode");
    return 0;
}

unsigned char CAutoStaff::MakeSegment()
{
    KV_PENDING("CAutoStaff::MakeSegment");
    return 0;
}

unsigned char CAutoStaff::SetStartMeasCode()
{
    KV_PENDING("CAutoStaff::SetStartMeasCode");
    return 0;
}

unsigned char CAutoStaff::SetEndMeasCode()
{
    KV_PENDING("CAutoStaff::SetEndMeasCode");
    return 0;
}

unsigned char CAutoStaff::SetBeforeEndMeasCode()
{
    KV_PENDING("CAutoStaff::SetBeforeEndMeasCode");
    return 0;
}

unsigned char CAutoStaff::SetFixedPoint()
{
    KV_PENDING("CAutoStaff::SetFixedPoint");
    return 0;
}

unsigned char CAutoStaff::AlterFixedPointByWeight(unsigned char)
{
    KV_PENDING("CAutoStaff::AlterFixedPointByWeight");
    return 0;
}

unsigned char CAutoStaff::SetSegment()
{
    KV_PENDING("CAutoStaff::SetSegment");
    return 0;
}

unsigned char CAutoStaff::LinkCode(int)
{
    KV_PENDING("CAutoStaff::LinkCode");
    return 0;
}
