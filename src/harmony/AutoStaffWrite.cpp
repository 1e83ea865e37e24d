// Writing the chord namer's result as chord symbols of staff 0.

#include "harmony/AutoStaff.h"

unsigned char CAutoStaff::InsertChordCode()
{
    KV_PENDING("CAutoStaff::InsertChordCode");
    return 0;
}

int CAutoStaff::CalcuRoot(unsigned char)
{
    KV_PENDING("CAutoStaff::CalcuRoot");
    return 0;
}

unsigned char CAutoStaff::SetCodeName(CChordSymbol*, CString)
{
    KV_PENDING("CAutoStaff::SetCodeName");
    return 0;
}

unsigned char CAutoMeas::GetCode(unsigned char)
{
    KV_PENDING("CAutoMeas::GetCode");
    return 0;
}

unsigned char CAutoMeas::SetCodeCordinate(CChordSymbol*, CKVMsg*)
{
    KV_PENDING("CAutoMeas::SetCodeCordinate");
    return 0;
}

unsigned char CAutoMeas::SetCodeColor(CChordSymbol*, unsigned char)
{
    KV_PENDING("CAutoMeas::SetCodeColor");
    return 0;
}

unsigned char CAutoMeas::SetRhythm(CChordSymbol*)
{
    KV_PENDING("CAutoMeas::SetRhythm");
    return 0;
}
