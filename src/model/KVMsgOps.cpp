// Operations on one symbol and the symbols grouped under it: attributes,
// durations and stems, attached marks, chords, tremolo pairs, beam ends, tie
// twins, older text forms and custom symbols.

#include "model/KVMsg.h"

#include "model/KVSystem.h"
#include "timing/TickMath.h"

short CKVMsg::GetNoteHeight()
{
    KV_PENDING("CKVMsg::GetNoteHeight");
    return -1;
}

void CKVMsg::SetNoteHeight(short)
{
    KV_PENDING("CKVMsg::SetNoteHeight");
}

short CKVMsg::GetTemporarySymbolGap()
{
    KV_PENDING("CKVMsg::GetTemporarySymbolGap");
    return -1;
}

void CKVMsg::SetTemporarySymbolGap(short)
{
    KV_PENDING("CKVMsg::SetTemporarySymbolGap");
}

short CKVMsg::GetNoteHeadType()
{
    KV_PENDING("CKVMsg::GetNoteHeadType");
    return -1;
}

void CKVMsg::SetNoteHeadType(short)
{
    KV_PENDING("CKVMsg::SetNoteHeadType");
}

short CKVMsg::GetRestType()
{
    KV_PENDING("CKVMsg::GetRestType");
    return -1;
}

void CKVMsg::SetRestType(short)
{
    KV_PENDING("CKVMsg::SetRestType");
}

short CKVMsg::GetToilThick()
{
    KV_PENDING("CKVMsg::GetToilThick");
    return -1;
}

void CKVMsg::SetToilThick(short)
{
    KV_PENDING("CKVMsg::SetToilThick");
}

void CKVMsg::SetTail(int)
{
    KV_PENDING("CKVMsg::SetTail");
}

void CKVMsg::ChangeToRaw(int)
{
    KV_PENDING("CKVMsg::ChangeToRaw");
}

void CKVMsg::SetTupletType(WORD)
{
    KV_PENDING("CKVMsg::SetTupletType");
}

short CKVMsg::GetMeasIndex()
{
    KV_PENDING("CKVMsg::GetMeasIndex");
    return -1;
}

int CKVMsg::IsTremoloNote()
{
    KV_PENDING("CKVMsg::IsTremoloNote");
    return 0;
}

void CKVMsg::GetMemorySize(DWORD& total)
{
    constexpr DWORD kMsgBytes = 172;
    constexpr DWORD kRefBytes = 12;
    const DWORD headLen = m_pHead ? m_wHeadLen : 0;
    total += kMsgBytes + kRefBytes * static_cast<DWORD>(m_arrMsgRef.GetSize()) + headLen;
    if (!m_pSystem)
        return;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref ? m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        // A damaged list naming the symbol itself must not recurse forever.
        if (child && child != this)
            child->GetMemorySize(total);
    }
}

void CKVMsg::SetMidiKeyAndHeadByY()
{
    KV_PENDING("CKVMsg::SetMidiKeyAndHeadByY");
}

void CKVMsg::ChangeNoteAttr(DWORD, int, int, int, int, int)
{
    KV_PENDING("CKVMsg::ChangeNoteAttr");
}

int CKVMsg::ChangeDurationSelNote(int, int, DWORD, int)
{
    KV_PENDING("CKVMsg::ChangeDurationSelNote");
    return 0;
}

void CKVMsg::SetPlayTime()
{
    KV_PENDING("CKVMsg::SetPlayTime");
}

void CKVMsg::TupletReset()
{
    KV_PENDING("CKVMsg::TupletReset");
}

DWORD CKVMsg::GetRealNoteDur()
{
    KV_PENDING("CKVMsg::GetRealNoteDur");
    return 0;
}

void CKVMsg::ChangeNoteDirection(int, int)
{
    KV_PENDING("CKVMsg::ChangeNoteDirection");
}

void CKVMsg::CalcNoteHeight(short)
{
    KV_PENDING("CKVMsg::CalcNoteHeight");
}

short CKVMsg::GetMsgOfRightPos(short)
{
    KV_PENDING("CKVMsg::GetMsgOfRightPos");
    return -1;
}

short CKVMsg::GetMsgOfLeftPos(short)
{
    KV_PENDING("CKVMsg::GetMsgOfLeftPos");
    return -1;
}

void CKVMsg::SetStartTimeByXPos()
{
    auto passOn = [](CKVMsg* member, short) {
        member->SetStartTimeByXPos();
        return false;
    };
    if (m_byKind == MSG_BEAM) {
        tickmath::ForEachChild(*this, passOn);
        return;
    }
    if (!tickmath::IsNoteRestChord(*this))
        return;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return;
    const std::int64_t length = meas->m_nLength;
    std::int64_t start = length * m_nPosX / CKVMeas::SCALE;
    if (start > length)
        start = length;
    if (start < 0)
        start = 0;
    m_nStartTime = static_cast<short>(start);
    m_nPerformStart = static_cast<short>(start);
    if (m_byKind == MSG_CHORD)
        tickmath::ForEachChild(*this, passOn);
}

void CKVMsg::TupletSlurPosOrder(short, short, short)
{
    KV_PENDING("CKVMsg::TupletSlurPosOrder");
}

short CKVMsg::GetAlpegioInfo()
{
    KV_PENDING("CKVMsg::GetAlpegioInfo");
    return 0;
}

void CKVMsg::UpdateNoteMarkPos()
{
    KV_PENDING("CKVMsg::UpdateNoteMarkPos");
}

void CKVMsg::NoteMarkUpDown(int, CKVMsg*)
{
    KV_PENDING("CKVMsg::NoteMarkUpDown");
}

void CKVMsg::ReArrangeNoteMarkPos(CKVMsg*)
{
    KV_PENDING("CKVMsg::ReArrangeNoteMarkPos");
}

void CKVMsg::UpdateChord()
{
    KV_PENDING("CKVMsg::UpdateChord");
}

CKVMsg* CKVMsg::GetChord()
{
    KV_PENDING("CKVMsg::GetChord");
    return nullptr;
}

int CKVMsg::ChordHasReverseNote()
{
    KV_PENDING("CKVMsg::ChordHasReverseNote");
    return 0;
}

int CKVMsg::IsNoneLyricChord(int)
{
    KV_PENDING("CKVMsg::IsNoneLyricChord");
    return 1;
}

int CKVMsg::IsValidNote()
{
    KV_PENDING("CKVMsg::IsValidNote");
    return 1;
}

void CKVMsg::BindByTremolo(int)
{
    KV_PENDING("CKVMsg::BindByTremolo");
}

CKVMsg* CKVMsg::GetTremolo()
{
    KV_PENDING("CKVMsg::GetTremolo");
    return nullptr;
}

void CKVMsg::RemoveTremolo()
{
    KV_PENDING("CKVMsg::RemoveTremolo");
}

void CKVMsg::SetTremoloPosY2Default(CKVMsg*, CKVMsg*)
{
    KV_PENDING("CKVMsg::SetTremoloPosY2Default");
}

void CKVMsg::SetTremoloCtrlPoint(int, int, int, int, int)
{
    KV_PENDING("CKVMsg::SetTremoloCtrlPoint");
}

void CKVMsg::ResetBeamOffset()
{
    // A beam group keeps its two end extensions in the 32-bit word.
    if (m_byKind == MSG_BEAM)
        m_dwWord = 0;
}

int CKVMsg::GetBeamOffsetXLeft()
{
    KV_PENDING("CKVMsg::GetBeamOffsetXLeft");
    return 0;
}

int CKVMsg::GetBeamOffsetXRight()
{
    KV_PENDING("CKVMsg::GetBeamOffsetXRight");
    return 0;
}

int CKVMsg::GetBeamOffsetYLeft()
{
    KV_PENDING("CKVMsg::GetBeamOffsetYLeft");
    return 0;
}

int CKVMsg::GetBeamOffsetYRight()
{
    KV_PENDING("CKVMsg::GetBeamOffsetYRight");
    return 0;
}

void CKVMsg::SetBeamOffsetLeft(int, int)
{
    KV_PENDING("CKVMsg::SetBeamOffsetLeft");
}

void CKVMsg::SetBeamOffsetRight(int, int)
{
    KV_PENDING("CKVMsg::SetBeamOffsetRight");
}

CKVMsg* CKVMsg::GetAnotherTieMsg(int)
{
    KV_PENDING("CKVMsg::GetAnotherTieMsg");
    return nullptr;
}

int CKVMsg::GetTextInfo(CString&)
{
    KV_PENDING("CKVMsg::GetTextInfo");
    return -1;
}

short CKVMsg::TextToKVMsg(CString)
{
    KV_PENDING("CKVMsg::TextToKVMsg");
    return 0;
}

void CKVMsg::FretDataToMsg(tagFRETDATA)
{
    KV_PENDING("CKVMsg::FretDataToMsg");
}

void CKVMsg::ModifyCustomSymbol(int, CPoint, CPoint)
{
    KV_PENDING("CKVMsg::ModifyCustomSymbol");
}
