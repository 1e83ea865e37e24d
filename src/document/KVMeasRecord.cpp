// The record form of a measure: its node header, head and children, then
// the 96-byte trailer of its settings.

#include "model/KVMeas.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MeasRecord.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "timing/MeasStartTimes.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

using namespace kvrec;
using namespace measrecord;

namespace {

constexpr BYTE kVoicesToTime = 9; // voice 0 (all) and voices 1 to 8

// The endings' fields, which only the score file carries.
void PutEndingFields(const CKVMeas& m, unsigned char* t)
{
    std::memcpy(t + REC_ENDING_TEXT, m.m_szEndingText, CKVMeas::ENDING_TEXT_SIZE);
    t[REC_ENDING_NUM] = m.m_byEndingNum;
    t[REC_ENDING_POS] = m.m_byEndingPos;
    t[REC_ENDING_BYTE] = m.m_byEndingByte;
    t[REC_ENDING_OFFSET] = m.m_byEndingOffset;
    PutU16(t + REC_ENDING_LINE1, m.m_wEndingLine1);
    PutU16(t + REC_ENDING_LINE2, m.m_wEndingLine2);
    PutU16(t + REC_ENDING_WORD, m.m_wEndingWord);
}

void GetEndingFields(CKVMeas& m, const unsigned char* t)
{
    std::memcpy(m.m_szEndingText, t + REC_ENDING_TEXT, CKVMeas::ENDING_TEXT_SIZE);
    // A text must stay terminated whatever the record held.
    m.m_szEndingText[CKVMeas::ENDING_TEXT_SIZE - 1] = '\0';
    m.m_byEndingNum = t[REC_ENDING_NUM];
    m.m_byEndingPos = t[REC_ENDING_POS];
    m.m_byEndingByte = t[REC_ENDING_BYTE];
    m.m_byEndingOffset = t[REC_ENDING_OFFSET];
    m.m_wEndingLine1 = GetU16(t + REC_ENDING_LINE1);
    m.m_wEndingLine2 = GetU16(t + REC_ENDING_LINE2);
    m.m_wEndingWord = GetU16(t + REC_ENDING_WORD);
}

// The entries of a walk list that a voice's timing steps through (notes,
// rests and chords that are no grace), each with its voice, grouped by voice
// in walk order.
std::vector<std::pair<BYTE, DWORD>> TimedEntriesByVoice(CKVMeas& meas, const std::vector<DWORD>& walk)
{
    std::vector<std::pair<BYTE, DWORD>> entries;
    entries.reserve(walk.size());
    for (DWORD id : walk) {
        CKVMsg* msg = meas.m_pSystem ? meas.m_pSystem->GetMsgFromMap(id) : nullptr;
        if (!msg || !tickmath::IsNoteRestChord(*msg))
            continue;
        if (msg->m_byKind != MSG_REST && (msg->m_wFlag & MSGFLAG_GRACE))
            continue;
        if (msg->m_byVoice >= 1 && msg->m_byVoice <= CKVMeas::VOICES)
            entries.emplace_back(msg->m_byVoice, id);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return entries;
}

} // namespace

namespace kvrec {

// Times every voice of a measure just read: the pass over all voices, then
// one pass per voice. Those repeat the first pass over a walk sorted again
// with the performed starts it wrote, so they are skipped when they cannot
// change anything: no tremolo to check, no beam group emptied by the first
// pass, and the walk sorted again keeps every voice's notes in the same
// order (then each gets the same start). Otherwise they run as they are.
void TimeReadMeasure(CKVMeas& meas, CKVMsg* const* children, int count)
{
    // The play times of all voices. Every note, rest and chord child is in
    // the walk of the start-time pass below, which works its play time out
    // again before it is used, so here only the other children get theirs
    // (a beam group sums its members).
    bool tremolos = false;
    if (children) {
        for (int i = 0; i < count; ++i) {
            CKVMsg* msg = children[i];
            tremolos = tremolos || msg->m_byKind == MSG_TREMOLO || msg->IsTremoloNote();
            if (!tickmath::IsNoteRestChord(*msg))
                msg->CalcPlayTime();
        }
    } else {
        tremolos = measplace::HoldsTremoloWork(meas);
        tickmath::ForEachChild(meas, [](CKVMsg* msg, short) {
            if (!tickmath::IsNoteRestChord(*msg))
                msg->CalcPlayTime();
            return false;
        });
    }
    // Timing makes no tremolo work where the look above found none.
    bool strictOrder = false;
    if (tremolos)
        meas.UpdateStartTime(0, 0, 0, kPerformedStartStays);
    else
        PlaceStartTimes(meas, 0, kPerformedStartStays, &strictOrder);
    bool settled = !tremolos;
    for (int i = 0; settled && i < meas.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = measplace::ChildAt(meas, i);
        if (msg && msg->m_byKind == MSG_BEAM && msg->GetMsgNum() == 0)
            settled = false;
    }
    if (settled && !strictOrder) {
        const auto before = TimedEntriesByVoice(meas, measplace::WalkIds(meas));
        // Without anything left to remove this only sorts the walk again.
        meas.ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        settled = before == TimedEntriesByVoice(meas, measplace::WalkIds(meas));
    }
    if (settled)
        return;
    for (BYTE voice = 1; voice < kVoicesToTime; ++voice) {
        meas.UpdatePlayTime(voice);
        meas.UpdateStartTime(voice, 0, 0, kPerformedStartStays);
    }
}

} // namespace kvrec

int CKVMeas::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    // The ending height travels in the high half, the header width in the
    // low half.
    const DWORD word8 = (static_cast<DWORD>(m_dwWord & 0xFFFF) << 16) | static_cast<WORD>(m_nHeaderWidth);
    if (!WriteNodePart(*this, buffer, used, capacity, word8))
        return 0;
    Writer out(buffer, used, capacity);
    unsigned char* t = out.Append(kMeasTrailer);
    if (!t)
        return 0;
    PutCommonFields(*this, t);
    PutOptionAndKey(*this, t);
    PutEndingFields(*this, t);
    return 1;
}

int CKVMeas::Read(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    SetObjectType(OBJ_MEAS);
    Reader in(buffer, pos, length);
    const unsigned char* h = in.Take(kNodeHeader);
    if (!h)
        return 0;
    const int count = h[0];
    const short headLen = static_cast<short>(GetU16(h + 4));
    if (headLen < 0 || !in.Has(static_cast<size_t>(headLen) + kRefSize * static_cast<size_t>(count)))
        return 0;
    m_wObjWord = GetU16(h + 2);
    const DWORD word8 = GetU32(h + 8);
    m_nHeaderWidth = static_cast<short>(word8 & 0xFFFF);
    m_dwWord = static_cast<DWORD>(static_cast<LONG>(static_cast<short>(word8 >> 16)));
    const unsigned char* head = in.Take(static_cast<size_t>(headLen));
    if (SetHead(headLen, const_cast<unsigned char*>(head)) != headLen)
        return 0;

    ReserveRefs(*this, count);
    // The children as they are read, in list order (a count is a byte): the
    // passes below take them from here rather than looking each up again.
    CKVMsg* children[kMaxChildren + 1];
    int listed = 0;
    const bool fresh = GetMsgNum() == 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char* r = in.Take(kRefSize);
        if (!r)
            return 0;
        const DWORD stored = GetU32(r);
        if (m_pSystem)
            m_pSystem->GetKey(stored, 1);
        // A measure owns all its children; a reference to a symbol held
        // elsewhere has nothing behind it and is dropped.
        if (!r[4])
            continue;
        // An owned record under id 0 cannot be told apart from damage.
        if (stored == 0)
            return 0;
        MsgRef* ref = KvNewReported<MsgRef>();
        if (!ref)
            return 0;
        CKVMsg* msg = ReadOwnedChild(this, buffer, pos, length, true);
        if (!msg) {
            delete ref;
            return 0;
        }
        ref->dwMsgId = msg->m_dwMsgId;
        ref->byOwner = r[4];
        m_arrMsgRef.Add(ref);
        children[listed++] = msg;
    }

    // Empty groups go; the others are placed in this measure. Reading a
    // child removes no other, so the children read are the list as it is.
    const bool atHand = fresh && listed == GetMsgNum();
    short i = 0;
    while (i < GetMsgNum()) {
        const short before = GetMsgNum();
        CKVMsg* msg = atHand ? children[i] : GetMsg(i);
        if (!msg) {
            if (GetMsgNum() >= before)
                ++i;
            continue;
        }
        if ((msg->m_byKind == MSG_BEAM || msg->m_byKind == MSG_CHORD) && msg->GetMsgNum() == 0) {
            RemoveMsgAt(i);
            if (atHand) {
                std::copy(children + i + 1, children + listed, children + i);
                --listed;
            }
            continue;
        }
        if (tickmath::IsVoiceEntry(*msg)) {
            msg->ChangeParent(this);
            AddUpDownMsgArray(msg);
        }
        ++i;
    }

    const unsigned char* t = in.Take(kMeasTrailer);
    if (!t)
        return 0;
    GetCommonFields(*this, t);
    GetEndingFields(*this, t);
    CKVDoc* doc = DocOf(*this);
    if (doc && doc->m_CtrlTool.m_byJ9 == 0)
        m_wEndingWord = 0;

    if (m_nTimeNum == 0 || m_nTimeDen == 0)
        return 0;
    CalcWholeCount();
    if (atHand && listed == GetMsgNum())
        TimeReadMeasure(*this, children, listed);
    else
        TimeReadMeasure(*this);

    ReportReadProgress(doc, *pos);
    // Layout makes the handles again.
    for (int k = 0; k < m_arrCtrlPoint.GetSize(); ++k)
        delete m_arrCtrlPoint.GetAt(k);
    m_arrCtrlPoint.RemoveAll();
    return 1;
}
