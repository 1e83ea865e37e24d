#include "model/KVMeas.h"

#include "model/MeasPlace.h"

#include <cstring>

void CKVMeas::Copy(CKVMeas& source)
{
    if (&source == this)
        return;
    m_wMarker = source.m_wMarker;
    m_nLength = source.m_nLength;
    m_nTimeNum = source.m_nTimeNum;
    m_nTimeDen = source.m_nTimeDen;
    std::memcpy(m_szTimeNumText, source.m_szTimeNumText, TIME_TEXT_SIZE);
    std::memcpy(m_szTimeDenText, source.m_szTimeDenText, TIME_TEXT_SIZE);
    m_nLeftX = source.m_nLeftX;
    m_nStaffY = source.m_nStaffY;
    m_rcMeas = source.m_rcMeas;
    m_byStartBar = source.m_byStartBar;
    m_byEndBar = source.m_byEndBar;
    // The clef in force at the source's end, as far as clef changes past its
    // header say, is where the copy starts.
    m_byInitClef = source.m_byInitClef;
    for (int i = 0; i < source.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = measplace::ChildAt(source, i);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX > source.m_nHeaderWidth)
            m_byInitClef = measplace::ClefCodeOf(*msg);
    }
    m_byKeyType = source.m_byKeyType;
    m_byKeyCount = source.m_byKeyCount;
    m_byTimeStyle = source.m_byTimeStyle;
    m_byOption = source.m_byOption;
    CKVObject::Copy(source);
    // The copy is laid out afresh and has no undo partner of its own.
    m_nRealWidth = 0;
    m_pBackupLink = nullptr;
    CalcWholeCount();
}

int CKVMeas::DeleteMsg(CKVMsg*, int)
{
    KV_PENDING("CKVMeas::DeleteMsg");
    return 0;
}
