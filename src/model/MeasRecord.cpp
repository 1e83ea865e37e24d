// The fields of the measure's settings record that its forms share.

#include "model/MeasRecord.h"

#include "model/KVMeas.h"

#include <cstring>

namespace measrecord {

namespace {

void CopyText(char* to, const BYTE* from, size_t size)
{
    std::memcpy(to, from, size);
    // A text must stay terminated whatever the record held.
    to[size - 1] = '\0';
}

} // namespace

void PutCommonFields(const CKVMeas& meas, BYTE* rec)
{
    rec[REC_STYLE] = meas.m_byTimeStyle;
    std::memcpy(rec + REC_TIME_NUM_TEXT, meas.m_szTimeNumText, CKVMeas::TIME_TEXT_SIZE);
    std::memcpy(rec + REC_TIME_DEN_TEXT, meas.m_szTimeDenText, CKVMeas::TIME_TEXT_SIZE);
    rec[REC_AT_SIGN] = '@';
    rec[REC_START_BAR] = meas.m_byStartBar;
    rec[REC_END_BAR] = meas.m_byEndBar;
    rec[REC_INIT_CLEF] = meas.m_byInitClef;
    PutWord(rec + REC_MARKER, meas.m_wMarker);
    PutWord(rec + REC_TIME_NUM, static_cast<WORD>(meas.m_nTimeNum));
    PutWord(rec + REC_TIME_DEN, static_cast<WORD>(meas.m_nTimeDen));
}

void PutOptionAndKey(const CKVMeas& meas, BYTE* rec)
{
    rec[REC_OPTION] = meas.m_byOption;
    rec[REC_OPTIONS] = meas.m_byOptions;
    PutWord(rec + REC_KEY_TYPE, meas.m_byKeyType);
    PutWord(rec + REC_KEY_COUNT, meas.m_byKeyCount);
}

void GetCommonFields(CKVMeas& meas, const BYTE* rec)
{
    meas.m_byTimeStyle = rec[REC_STYLE];
    CopyText(meas.m_szTimeNumText, rec + REC_TIME_NUM_TEXT, CKVMeas::TIME_TEXT_SIZE);
    CopyText(meas.m_szTimeDenText, rec + REC_TIME_DEN_TEXT, CKVMeas::TIME_TEXT_SIZE);
    meas.m_byStartBar = rec[REC_START_BAR];
    meas.m_byEndBar = rec[REC_END_BAR];
    meas.m_byInitClef = rec[REC_INIT_CLEF];
    meas.m_byOption = rec[REC_OPTION];
    meas.m_byOptions = rec[REC_OPTIONS];
    meas.m_wMarker = GetWord(rec + REC_MARKER);
    meas.m_nTimeNum = static_cast<short>(GetWord(rec + REC_TIME_NUM));
    meas.m_nTimeDen = static_cast<short>(GetWord(rec + REC_TIME_DEN));
    meas.m_byKeyType = static_cast<BYTE>(GetWord(rec + REC_KEY_TYPE));
    meas.m_byKeyCount = static_cast<BYTE>(GetWord(rec + REC_KEY_COUNT));
}

} // namespace measrecord
