// The measure: construction and copy, the position scale, pickup and
// multi-measure-rest tests, clef and ending queries, the older stream form,
// memory size and the undo clone.

#include "model/KVMeas.h"

#include "model/KVCtrlPoint.h"
#include "model/MeasPlace.h"
#include "model/MeasRecord.h"
#include "model/TickMath.h"

#include <cstring>

using measplace::ChildAt;
using measplace::ClefCodeOf;

namespace {

// Bytes the measure itself counts for in the memory total.
constexpr DWORD kMeasBytes = 316;
constexpr DWORD kRefBytes = 12;

// The record as the buffer form fills it: time signature with its style and
// texts, the bar lines and the initial clef, the marker word; all else 0.
void FillBufferRecord(const CKVMeas& meas, unsigned char* rec)
{
    std::memset(rec, 0, measrecord::RECORD_SIZE);
    measrecord::PutCommonFields(meas, rec);
}

} // namespace

int MeasUnitsToX(int origin, int length, int units, int divisor)
{
    // The product is shifted as a signed value: positions left of the scale
    // round towards minus infinity.
    return (origin + ((length * units) >> 8)) * 16 / divisor;
}

CKVMeas::CKVMeas()
{
    m_byObjKind = OBJ_MEAS;
}

CKVMeas::~CKVMeas()
{
    // The symbols belong to the system's map; the base drops the references
    // (and with them the owned symbols).
    m_arrUpMsg.RemoveAll();
    m_arrDownMsg.RemoveAll();
    m_arrWalk.RemoveAll();
}

const CKVMeas& CKVMeas::operator=(CKVMeas& other)
{
    if (&other == this)
        return *this;
    CKVObject::operator=(other);
    m_wMarker = other.m_wMarker;
    m_nLength = other.m_nLength;
    m_nTimeNum = other.m_nTimeNum;
    m_nTimeDen = other.m_nTimeDen;
    std::memcpy(m_szTimeNumText, other.m_szTimeNumText, TIME_TEXT_SIZE);
    std::memcpy(m_szTimeDenText, other.m_szTimeDenText, TIME_TEXT_SIZE);
    m_nLeftX = other.m_nLeftX;
    m_nStaffY = other.m_nStaffY;
    m_rcMeas = other.m_rcMeas;
    m_nRealWidth = other.m_nRealWidth;
    m_byStartBar = other.m_byStartBar;
    m_byEndBar = other.m_byEndBar;
    m_byInitClef = other.m_byInitClef;
    m_byKeyType = other.m_byKeyType;
    m_byKeyCount = other.m_byKeyCount;
    m_byTimeStyle = other.m_byTimeStyle;
    m_byOption = other.m_byOption;
    return *this;
}

void CKVMeas::Initialize(CKVSystem* system, short objectKind)
{
    CKVObject::Initialize(system, objectKind);
    CalcWholeCount();
}

// The real width is cached; 0 asks for it to be worked out from the
// rectangle again. It never drops below 1, so the scale can divide by it.
static void RefreshRealWidth(CKVMeas& meas)
{
    if (meas.m_nRealWidth != 0)
        return;
    const int width = meas.m_rcMeas.right - meas.m_nLeftX - meas.m_nHeaderWidth;
    meas.m_nRealWidth = static_cast<short>(width < 1 ? 1 : width);
}

short CKVMeas::AbsXToMeasX(short x)
{
    RefreshRealWidth(*this);
    return static_cast<short>(MulDiv(x - m_nHeaderWidth, SCALE, m_nRealWidth));
}

short CKVMeas::MeasXToAbsX(short pos, int kind)
{
    RefreshRealWidth(*this);
    int width = m_nRealWidth;
    // A note or rest at the end of the scale keeps its head inside the
    // measure.
    if (kind == MSG_NOTE || kind == MSG_REST)
        width -= 6;
    return static_cast<short>(MeasUnitsToX(m_nHeaderWidth, width, pos, 16));
}

short CKVMeas::GetRealWidth()
{
    RefreshRealWidth(*this);
    return m_nRealWidth;
}

int CKVMeas::IsPeakupMeas()
{
    return (m_wObjWord & PICKUP) ? 1 : 0;
}

LONG CKVMeas::GetPeakupMeasTime(int onlyPickup)
{
    if (onlyPickup && !IsPeakupMeas())
        return 0;
    // Chords are walked whole so that their notes count once.
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    LONG sums[VOICES + 1] = {};
    short cursor = 0;
    while (cursor < m_arrWalk.GetSize()) {
        CKVMsg* msg = GetNextMsg(cursor);
        if (!msg || !tickmath::IsNoteRestChord(*msg))
            continue;
        msg->CalcPlayTime();
        const int voice = msg->m_byVoice <= VOICES ? msg->m_byVoice : 0;
        sums[voice] += msg->m_nPlayTime;
        if (sums[voice] >= m_nLength)
            return 0;
    }
    LONG largest = 0;
    for (LONG sum : sums)
        largest = sum > largest ? sum : largest;
    return m_nLength - largest;
}

namespace {

// The play times of a voice's direct children, beam groups by their
// members; grace notes and symbols without play time do not count, and with
// limit >= 0 neither do symbols right of it.
template <class Value, class Time>
Value VoiceSum(CKVMeas& meas, unsigned char voice, short limit, Time time)
{
    auto counts = [limit](CKVMsg& msg) {
        if (!tickmath::IsNoteRestChord(msg))
            return false;
        if (msg.m_wFlag & MSGFLAG_GRACE)
            return false;
        return limit < 0 || msg.m_nPosX <= limit;
    };
    Value sum = 0;
    for (int i = 0; i < meas.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(meas, i);
        if (!msg || msg->m_byVoice != voice)
            continue;
        if (msg->m_byKind == MSG_BEAM) {
            for (int j = 0; j < msg->m_arrMsgRef.GetSize(); ++j) {
                CKVMsg* member = ChildAt(*msg, j);
                if (member && counts(*member))
                    sum += time(*member);
            }
        } else if (counts(*msg)) {
            sum += time(*msg);
        }
    }
    return sum;
}

} // namespace

short CKVMeas::GetCurWholeCount(unsigned char voice, short limit)
{
    const int sum = VoiceSum<int>(*this, voice, limit, [](CKVMsg& msg) { return static_cast<int>(msg.GetPlayTime()); });
    return static_cast<short>(sum);
}

double CKVMeas::GetCurWholeCountDouble(unsigned char voice, short limit)
{
    return VoiceSum<double>(*this, voice, limit, [](CKVMsg& msg) { return msg.GetPlayTimeDouble(); });
}

short CKVMeas::GetCurWholeCount()
{
    short largest = 0;
    for (int voice = 1; voice <= VOICES; ++voice) {
        const short sum = GetCurWholeCount(static_cast<unsigned char>(voice), -1);
        largest = sum > largest ? sum : largest;
    }
    return largest;
}

double CKVMeas::GetCurWholeCountDouble()
{
    double largest = 0.0;
    for (int voice = 1; voice <= VOICES; ++voice) {
        const double sum = GetCurWholeCountDouble(static_cast<unsigned char>(voice), -1);
        largest = sum > largest ? sum : largest;
    }
    return largest;
}

WORD CKVMeas::IsRestCompMeas(CKVMsg* out)
{
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (!msg)
            continue;
        switch (msg->m_byKind) {
        case MSG_NOTE:
        case MSG_REST:
        case MSG_BEAM:
        case MSG_CHORD:
            return 0;
        case MSG_MULTIREST:
            if (out) {
                *out = *msg;
                out->m_dwMsgId = 0;
            }
            return msg->m_wObjWord;
        default:
            break;
        }
    }
    return 0;
}

// The clef code of the measure's clef symbol of greatest position >= 0; on
// equal positions the earlier in the list when preferLater is 0, else the
// later. False when the measure has none.
static bool LastClefOf(CKVMeas& meas, bool preferLater, BYTE& code)
{
    bool found = false;
    short best = 0;
    for (int i = 0; i < meas.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(meas, i);
        if (!msg || msg->m_byKind != MSG_CLEF || msg->m_nPosX < 0)
            continue;
        if (!found || msg->m_nPosX > best || (preferLater && msg->m_nPosX == best)) {
            found = true;
            best = msg->m_nPosX;
            code = ClefCodeOf(*msg);
        }
    }
    return found;
}

unsigned char CKVMeas::GetClefType()
{
    CKVStaff* staff = measplace::StaffOf(*this);
    const int index = measplace::IndexOnStaff(staff, this);
    for (int i = index - 1; i >= 0; --i) {
        CKVMeas* earlier = measplace::MeasAt(staff, i);
        BYTE code = 0;
        if (earlier && LastClefOf(*earlier, false, code))
            return code;
    }
    return m_byInitClef;
}

unsigned char CKVMeas::GetLastClefType()
{
    BYTE code = 0;
    if (LastClefOf(*this, true, code))
        return code;
    return m_byInitClef;
}

void CKVMeas::DeleteAllClefMsgs()
{
    for (int i = m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (msg && msg->m_byKind == MSG_CLEF)
            RemoveMsgAt(static_cast<short>(i));
    }
}

DWORD CKVMeas::GetEndingType()
{
    DWORD mask = 0;
    for (CKVMeas* meas : measplace::ColumnOf(*this))
        mask |= meas->m_byEndingNum;
    return mask;
}

unsigned char CKVMeas::GetEndingPos()
{
    for (CKVMeas* meas : measplace::ColumnOf(*this)) {
        if (meas->m_byEndingPos != ENDING_NONE)
            return meas->m_byEndingPos;
    }
    return ENDING_NONE;
}

void CKVMeas::DeleteEnding()
{
    m_byEndingNum = 0;
    m_byEndingPos = ENDING_NONE;
    // Only the ending bit: the same word carries the pickup flag, which the
    // ending repair along the staff must not lose.
    m_wObjWord = static_cast<WORD>(m_wObjWord & ~ENDING_START);
    std::memset(m_szEndingText, 0, ENDING_TEXT_SIZE);
    for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i)
        delete m_arrCtrlPoint.GetAt(i);
    m_arrCtrlPoint.RemoveAll();
}

short CKVMeas::GetStaffIndex()
{
    CKVStaff* staff = measplace::StaffOf(*this);
    if (!staff || !m_pSystem)
        return -1;
    for (short i = 0; i < m_pSystem->GetStaffNum(); ++i) {
        if (m_pSystem->GetStaff(i) == staff)
            return i;
    }
    return -1;
}

short CKVMeas::CopyToBuff(unsigned char* buffer)
{
    const short node = CKVObject::CopyToBuff(buffer);
    if (node < 0)
        return -1;
    FillBufferRecord(*this, buffer + node);
    m_pBackupLink = nullptr;
    return static_cast<short>(node + measrecord::RECORD_SIZE);
}

short CKVMeas::Save(CFile* file)
{
    const short node = CKVObject::Save(file);
    if (node <= 0)
        return -1;
    unsigned char rec[measrecord::RECORD_SIZE];
    FillBufferRecord(*this, rec);
    measrecord::PutOptionAndKey(*this, rec);
    file->Write(rec, measrecord::RECORD_SIZE);
    return static_cast<short>(node + measrecord::RECORD_SIZE);
}

short CKVMeas::Load(CFile* file)
{
    const short node = CKVObject::Load(file);
    if (node <= 0)
        return -1;
    unsigned char rec[measrecord::RECORD_SIZE];
    if (file->Read(rec, measrecord::RECORD_SIZE) != static_cast<UINT>(measrecord::RECORD_SIZE))
        return -1; // truncated: the measure's own settings stay as they were
    measrecord::GetCommonFields(*this, rec);
    // The length is not stored; it follows from the time signature.
    CalcWholeCount();
    return static_cast<short>(node + measrecord::RECORD_SIZE);
}

void CKVMeas::GetMemorySize(DWORD& total)
{
    const DWORD headLen = m_pHead ? m_wHeadLen : 0;
    total += kMeasBytes + kRefBytes * static_cast<DWORD>(m_arrMsgRef.GetSize()) + headLen;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        if (CKVMsg* msg = ChildAt(*this, i))
            msg->GetMemorySize(total);
    }
}

void CKVMeas::DeleteBackupData()
{
    // The link is left as it is; the caller drops the pair.
    CKVMeas* clone = dynamic_cast<CKVMeas*>(m_pBackupLink);
    if (clone && clone != this)
        delete clone;
}
