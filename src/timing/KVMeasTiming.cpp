// Measure lengths, play times and start times of a measure's symbols.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiFileRead.h"
#include "model/TickMath.h"
#include "timing/MeasStartTimes.h"
#include "timing/MsgTimeOrder.h"
#include "timing/WalkSymbols.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

using tickmath::IsGrace;
using tickmath::IsNoteRestChord;

namespace {

// Room for a number of symbols: on the stack for a measure's walk, which
// fits there, on the heap beyond.
class SymbolList {
public:
    explicit SymbolList(int size)
    {
        if (size > kOnStack) {
            m_more.resize(static_cast<size_t>(size));
            m_data = m_more.data();
        }
    }
    SymbolList(const SymbolList&) = delete;
    SymbolList& operator=(const SymbolList&) = delete;
    CKVMsg** Data() { return m_data; }

private:
    static constexpr int kOnStack = 64;
    CKVMsg* m_local[kOnStack];
    std::vector<CKVMsg*> m_more;
    CKVMsg** m_data = m_local;
};

CKVMsg* Lookup(CKVMeas& meas, DWORD id)
{
    return meas.m_pSystem ? meas.m_pSystem->GetMsgFromMap(id) : nullptr;
}

// The running time of one voice. It is kept as an exact fraction: summing
// rounded doubles puts the note after seven tuplet eighths a tick late. The
// denominator divides 32 x the lcm of the voice's tuplet counts, which 64
// bits hold for any real measure; should it overflow all the same (damaged
// data mixing many counts), the rest of the voice is summed in doubles.
class RunningTime {
public:
    // The start of the next entry: the sum rounded up.
    short Start() const
    {
        if (!m_exact)
            return TruncateToShort(std::ceil(m_sum));
        std::int64_t whole = m_num / m_den;
        if (m_num % m_den > 0)
            ++whole;
        return static_cast<short>(whole);
    }

    void Add(CKVMsg& msg)
    {
        if (m_exact && AddExact(msg))
            return;
        if (m_exact) {
            m_exact = false;
            m_sum = static_cast<double>(m_num) / static_cast<double>(m_den);
        }
        m_sum += msg.GetPlayTimeDouble();
    }

private:

    bool AddExact(const CKVMsg& msg)
    {
        std::int64_t num = 0;
        std::int64_t den = 1;
        tickmath::PlayFraction(msg, num, den);
        // The sum is kept over the lcm of the denominators added, unreduced
        // (Start only rounds it), so most entries find their denominator a
        // divisor of the sum's and need no common divisor worked out.
        if (den > 0 && m_den % den == 0) {
            std::int64_t scaled = 0;
            if (__builtin_mul_overflow(num, m_den / den, &scaled) || __builtin_add_overflow(m_num, scaled, &scaled))
                return false;
            m_num = scaled;
            return true;
        }
        const std::int64_t g = std::gcd(m_den, den);
        std::int64_t newDen = 0;
        std::int64_t left = 0;
        std::int64_t right = 0;
        std::int64_t newNum = 0;
        if (__builtin_mul_overflow(m_den / g, den, &newDen) || __builtin_mul_overflow(m_num, den / g, &left) ||
            __builtin_mul_overflow(num, m_den / g, &right) || __builtin_add_overflow(left, right, &newNum))
            return false;
        m_num = newNum;
        m_den = newDen;
        return true;
    }

    bool m_exact = true;
    std::int64_t m_num = 0;
    std::int64_t m_den = 1;
    double m_sum = 0.0;
};

// The staff line spacing of the document a measure belongs to.
short LineSpacing(CKVMeas& meas)
{
    if (meas.m_pSystem && meas.m_pSystem->m_pDoc)
        return meas.m_pSystem->m_pDoc->m_nStaffSpace;
    return nCurStaffSpace;
}

} // namespace

bool CKVMeas::FitsTimeSignature(DWORD ticksPerQuarter, int beats, int unit)
{
    if (beats <= 0 || unit <= 0)
        return false;
    const long long length = static_cast<long long>(ticksPerQuarter) * 4 * beats / unit;
    return length <= SHRT_MAX;
}

void CKVMeas::CalcWholeCount()
{
    // The time signature comes from files and commands; a beat unit that is
    // not positive gives no length, and the measure keeps the one it has.
    if (m_nTimeDen <= 0)
        return;
    const DWORD ticks = m_pSystem ? m_pSystem->m_dwTicksPerQuarter : CKVSystem::DEFAULT_TICKS_PER_QUARTER;
    const DWORD length = ticks * static_cast<DWORD>(m_nTimeNum) * 4u / static_cast<DWORD>(m_nTimeDen);
    m_nLength = static_cast<short>(length);
}

short CKVMeas::GetPakTime(short beatUnit, short beats)
{
    // The same arithmetic as the measure length; a beat unit that is not
    // positive has no length.
    if (beatUnit <= 0)
        return 0;
    const DWORD ticks = tickmath::TicksPerQuarter(this);
    return static_cast<short>(static_cast<DWORD>(beats) * 4u * ticks / static_cast<DWORD>(beatUnit));
}

void CKVMeas::UpdatePlayTime(BYTE voice)
{
    tickmath::ForEachChild(*this, [voice](CKVMsg* msg, short) {
        if (voice == 0 || msg->m_byVoice == voice)
            msg->CalcPlayTime();
        return false;
    });
}

void CKVMeas::UpdateStartTime(BYTE voice, int, int, int passOn)
{
    PlaceStartTimes(*this, voice, passOn);
    UpdateTremolo();
}

void PlaceStartTimes(CKVMeas& meas, BYTE voice, int passOn, bool* strictOrder)
{
    const int midiRead = GetMidiFileRead();
    meas.ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    // Resolved once: timing a symbol neither deletes one nor changes what
    // makes one valid, so every voice sees the same symbols.
    const int listed = meas.m_arrWalk.GetSize();
    SymbolList walkList(listed);
    CKVMsg** walk = walkList.Data();
    int resolved = 0;
    if (CKVMsg* const* symbols = kvwalk::SymbolsOf(meas)) {
        // Gathered by the walk itself, every one live.
        std::copy(symbols, symbols + listed, walk);
        resolved = listed;
    } else {
        for (int i = 0; i < listed; ++i) {
            if (CKVMsg* msg = Lookup(meas, meas.m_arrWalk.GetAt(i)))
                walk[resolved++] = msg;
        }
    }
    const int first = voice == 0 ? 1 : voice;
    const int last = voice == 0 ? CKVMeas::VOICES : voice;
    auto place = [midiRead](CKVMsg& msg, RunningTime& time) {
        if (IsGrace(msg)) {
            msg.SetStartTimeByXPos();
        } else {
            msg.UpdateStartTime(time.Start(), midiRead, kPerformedStartStays);
            time.Add(msg);
        }
    };
    // The first voice's pass goes over the whole walk and keeps, in walk
    // order, the notes, rests and chords that the later voices' passes
    // take; those then look at nothing else.
    // At most the whole walk waits for them.
    SymbolList laterList(resolved);
    CKVMsg** later = laterList.Data();
    int waiting = 0;
    RunningTime firstTime;
    for (int i = 0; i < resolved; ++i) {
        CKVMsg* msg = walk[i];
        if (IsNoteRestChord(*msg)) {
            // Every note, rest and chord gets its play time whatever its
            // voice; it depends on its own fields only, so once is enough.
            msg->CalcPlayTime();
            if (msg->m_byVoice == first)
                place(*msg, firstTime);
            else if (msg->m_byVoice > first && msg->m_byVoice <= last)
                later[waiting++] = msg;
        } else if (msg->m_byKind == MSG_TIMED_EVENT || msg->m_byKind == MSG_MIDI) {
            // These keep their place by position, not by sequence: one pass
            // gives each its start, whatever its voice.
            const short start = static_cast<short>(MulDiv(meas.m_nLength, msg->m_nPosX, CKVMeas::SCALE));
            msg->UpdateStartTime(start, midiRead, passOn);
        }
    }
    for (int v = first + 1; v <= last && waiting > 0; ++v) {
        RunningTime time;
        for (int i = 0; i < waiting; ++i) {
            if (later[i]->m_byVoice == v)
                place(*later[i], time);
        }
    }
    if (!strictOrder)
        return;
    // The symbols are at hand already; an id that found none has the key of
    // a missing symbol, which the list's own test gives.
    if (resolved == listed) {
        *strictOrder = IsStrictlyInMsgTimeOrder(walk, resolved);
    } else {
        pSortSystem = meas.m_pSystem;
        *strictOrder = IsStrictlyInMsgTimeOrder(meas.m_arrWalk);
    }
}

void CKVMeas::UpdateStartTimeOnMove(BYTE voice)
{
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    std::int64_t t = 0;
    for (DWORD id : measplace::WalkIds(*this)) {
        CKVMsg* msg = Lookup(*this, id);
        if (!msg || msg->m_byVoice != voice)
            continue;
        msg->CalcPlayTime();
        msg->UpdateStartTime(static_cast<short>(t), kFromNotation, kPerformedStartStays);
        t += msg->GetPlayTime();
    }
    UpdateTremolo();
}

short CKVMeas::GetStartTime(CKVMsg* msg)
{
    if (GetMsgNum() == 0)
        return 0;
    if (!msg || IsGrace(*msg))
        return -1;
    const int x = msg->m_nPosX + ((msg->m_nPosX * 6) >> 8);
    const int tolerance = msg->ConvertYbyZoom(LineSpacing(*this));

    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    std::vector<CKVMsg*> entries;
    for (DWORD id : measplace::WalkIds(*this)) {
        CKVMsg* entry = Lookup(*this, id);
        if (entry && IsNoteRestChord(*entry) && !IsGrace(*entry) && entry->m_byVoice == msg->m_byVoice)
            entries.push_back(entry);
    }

    CKVMsg* nearest = nullptr;
    int nearestDistance = INT_MAX;
    for (CKVMsg* entry : entries) {
        const int p = entry->m_nPosX;
        const int distance = std::abs(x - p);
        if (p - tolerance <= x && x <= p + tolerance && distance < nearestDistance) {
            nearest = entry;
            nearestDistance = distance;
        }
    }
    if (nearest)
        return nearest->GetStartTime();

    CKVMsg* left = nullptr;
    CKVMsg* right = nullptr;
    for (CKVMsg* entry : entries) {
        if (entry->m_nPosX < x)
            left = entry;
        else if (entry->m_nPosX > x && !right)
            right = entry;
    }
    if (!left)
        return -1;
    if (right)
        return static_cast<short>((left->GetStartTime() + right->GetStartTime()) / 2);
    return static_cast<short>(left->GetStartTime() + left->GetPlayTime());
}

short CKVMeas::StringToI(CString* text)
{
    if (!text)
        return 0;
    text->TrimLeft(" \t+");
    CString number;
    const int plus = text->Find('+');
    if (plus >= 0) {
        number = text->Left(plus);
        *text = text->Mid(plus);
    } else {
        number = *text;
        text->Empty();
    }
    // atoi's reading, without its undefined result on a number out of range.
    long long value = std::strtoll(number, nullptr, 10);
    if (value > INT_MAX)
        value = INT_MAX;
    if (value < INT_MIN)
        value = INT_MIN;
    return static_cast<short>(value);
}

short CKVMeas::GetStringValue(CString* text)
{
    // Every part shortens the text: after the trim it starts with no plus
    // sign, so the rest kept from the next plus sign on is shorter.
    std::int64_t sum = 0;
    while (text && !text->IsEmpty())
        sum += StringToI(text);
    return static_cast<short>(sum);
}

void CKVMeas::UpdateMsgTime(BYTE voice)
{
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    for (DWORD id : measplace::WalkIds(*this)) {
        CKVMsg* msg = Lookup(*this, id);
        if (msg && IsNoteRestChord(*msg) && (voice == 0 || msg->m_byVoice == voice))
            msg->SetPlayTime();
    }
}
