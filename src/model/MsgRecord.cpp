#include "model/MsgRecord.h"

namespace msgrecord {

void PutCommonFields(const CKVMsg& msg, BYTE* rec)
{
    rec[REC_KIND] = msg.m_byKind;
    rec[REC_VOICE] = static_cast<BYTE>(((msg.m_byReplace & 0x0F) << 4) | (msg.m_byVoice & 0x0F));
    rec[REC_SIZE] = static_cast<BYTE>(msg.m_wSize);
    PutWord(rec + REC_HEAD_TYPE, msg.m_wHeadType);
    PutWord(rec + REC_DURATION, msg.m_wDuration);
    PutWord(rec + REC_FLAG, msg.m_wFlag);
    PutWord(rec + REC_PERFORM_START, static_cast<WORD>(msg.m_nPerformStart));
    PutWord(rec + REC_POS_X, static_cast<WORD>(msg.m_nPosX));
    PutWord(rec + REC_POS_Y, static_cast<WORD>(msg.m_nPosY));
    PutWord(rec + REC_POS_X2, static_cast<WORD>(msg.m_nPosX2));
    PutWord(rec + REC_POS_Y2, static_cast<WORD>(msg.m_nPosY2));
    PutDword(rec + REC_HEIGHT, static_cast<DWORD>(msg.m_lHeight));
    PutDword(rec + REC_ID, msg.m_dwMsgId);
    PutDword(rec + REC_COLOUR, msg.m_crColor);
}

void GetCommonFields(CKVMsg& msg, const BYTE* rec)
{
    msg.m_byVoice = static_cast<BYTE>(rec[REC_VOICE] & 0x0F);
    msg.m_byReplace = static_cast<BYTE>(rec[REC_VOICE] >> 4);
    msg.m_wSize = rec[REC_SIZE];
    msg.m_wHeadType = GetWord(rec + REC_HEAD_TYPE);
    msg.m_wDuration = GetWord(rec + REC_DURATION);
    msg.m_wFlag = GetWord(rec + REC_FLAG);
    msg.m_nPerformStart = static_cast<short>(GetWord(rec + REC_PERFORM_START));
    msg.m_nPosX = static_cast<short>(GetWord(rec + REC_POS_X));
    msg.m_nPosY = static_cast<short>(GetWord(rec + REC_POS_Y));
    msg.m_nPosX2 = static_cast<short>(GetWord(rec + REC_POS_X2));
    msg.m_nPosY2 = static_cast<short>(GetWord(rec + REC_POS_Y2));
    msg.m_lHeight = static_cast<LONG>(GetDword(rec + REC_HEIGHT));
    msg.m_crColor = GetDword(rec + REC_COLOUR);
}

} // namespace msgrecord
