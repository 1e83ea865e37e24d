// The fields of the staff record that its stream form and the score file
// share.

#include "model/StaffRecord.h"

#include "model/KVStaff.h"

#include <cstring>

namespace staffrecord {

void PutCommonFields(const CKVStaff& staff, BYTE* rec)
{
    std::memcpy(rec + REC_NAME, staff.m_szName, CKVStaff::NAME_SIZE);
    rec[REC_NAME + CKVStaff::NAME_SIZE - 1] = 0;
    rec[REC_CLEF] = staff.m_byClefType;
    rec[REC_KIND] = staff.m_byStaffKind;
    rec[REC_LINES] = staff.m_byLineCount;
    PutWord(rec + REC_CONST8A, 8);
    PutWord(rec + REC_CONST4A, 4);
    PutWord(rec + REC_CONST4B, 4);
    PutDword(rec + REC_MEAS_COUNT, static_cast<DWORD>(staff.m_arrMeas.GetSize()));
}

void GetCommonFields(CKVStaff& staff, const BYTE* rec)
{
    std::memcpy(staff.m_szName, rec + REC_NAME, CKVStaff::NAME_SIZE);
    staff.m_szName[CKVStaff::NAME_SIZE - 1] = '\0';
    staff.m_byClefType = rec[REC_CLEF];
    staff.m_byStaffKind = rec[REC_KIND];
    staff.m_byLineCount = rec[REC_LINES];
}

DWORD MeasCountOf(const BYTE* rec)
{
    return GetDword(rec + REC_MEAS_COUNT);
}

} // namespace staffrecord
