// Deep copies of measures.

#include "model/KVMeas.h"

#include "document/DeepCopy.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"

#include <cstring>

namespace {

// The settings that the measure's file record carries, and its layout.
// Saved positions, the second rectangle, the cross-staff lists, the walk
// list and the lyric markers are the measure's own and stay as they are.
void CopyMeasFields(CKVMeas& self, const CKVMeas& source)
{
    self.m_rcMeas = source.m_rcMeas;
    self.m_nLeftX = source.m_nLeftX;
    self.m_nStaffY = source.m_nStaffY;
    self.m_byInitClef = source.m_byInitClef;
    self.m_byKeyType = source.m_byKeyType;
    self.m_byKeyCount = source.m_byKeyCount;
    self.m_byKeyByte1 = source.m_byKeyByte1;
    self.m_byKeyByte2 = source.m_byKeyByte2;
    self.m_byStartBar = source.m_byStartBar;
    self.m_byEndBar = source.m_byEndBar;
    self.m_byTimeStyle = source.m_byTimeStyle;
    self.m_byOption = source.m_byOption;
    self.m_byOptions = source.m_byOptions;
    self.m_byEndingNum = source.m_byEndingNum;
    self.m_byEndingPos = source.m_byEndingPos;
    self.m_byEndingByte = source.m_byEndingByte;
    self.m_byEndingOffset = source.m_byEndingOffset;
    self.m_wEndingWord = source.m_wEndingWord;
    self.m_wEndingLine1 = source.m_wEndingLine1;
    self.m_wEndingLine2 = source.m_wEndingLine2;
    self.m_nTimeNum = source.m_nTimeNum;
    self.m_nTimeDen = source.m_nTimeDen;
    self.m_nLength = source.m_nLength;
    self.m_wMarker = source.m_wMarker;
    self.m_nRealWidth = source.m_nRealWidth;
    self.m_nHeaderWidth = source.m_nHeaderWidth;
    std::memcpy(self.m_szEndingText, source.m_szEndingText, sizeof(self.m_szEndingText));
    std::memcpy(self.m_szTimeNumText, source.m_szTimeNumText, sizeof(self.m_szTimeNumText));
    std::memcpy(self.m_szTimeDenText, source.m_szTimeDenText, sizeof(self.m_szTimeDenText));
    self.m_dwSpacingMode = source.m_dwSpacingMode;
    self.m_dwTrailWord1 = source.m_dwTrailWord1;
    self.m_dwTrailWord2 = source.m_dwTrailWord2;
}

int CopyMeas(CKVMeas& self, CKVMeas& source, bool equally)
{
    if (&self == &source)
        return 0;
    kvcopy::Scope scope;
    CopyMeasFields(self, source);
    if (!kvcopy::CopyNodeFrom(self, source, equally)) {
        scope.Fail();
        return 0;
    }
    // The copied notes, rests and groups belong to this measure, and their
    // cross-staff ids are listed here. A reference whose message has gone is
    // dropped by GetMsg, and the same index is read again.
    short i = 0;
    while (i < self.GetMsgNum()) {
        const short before = self.GetMsgNum();
        CKVMsg* msg = self.GetMsg(i);
        if (!msg) {
            if (self.GetMsgNum() >= before)
                ++i;
            continue;
        }
        if (tickmath::IsVoiceEntry(*msg)) {
            msg->ChangeParent(&self);
            self.AddUpDownMsgArray(msg);
        }
        ++i;
    }
    return 1;
}

} // namespace

int CKVMeas::CreateFrom(CKVMeas* source)
{
    return source ? CopyMeas(*this, *source, false) : 0;
}

int CKVMeas::CreateFromEqually(CKVMeas* source)
{
    return source ? CopyMeas(*this, *source, true) : 0;
}
