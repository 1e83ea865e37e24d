// Swing of note pairs: a note on the beat grid sounds longer, the note off
// it starts later and sounds shorter, through the gate time and the start
// offset of the MIDI head.

#include "model/KVMsg.h"

#include "LittleEndian.h"
#include "model/KVSystem.h"
#include "model/MidiNoteHead.h"

namespace {

constexpr int kNotOnGrid = 0;
constexpr int kOnGrid = 1;
constexpr int kNoAnswer = -1;
// 2^n beyond this leaves no grid for any ticks-per-quarter value.
constexpr int kMaxGridShift = 30;
constexpr float kEvenRatio = 50.0f;
constexpr float kFullRatio = 100.0f;
// The start offset divides by the whole ratio range, the gate times by half.
constexpr float kOffsetDivisor = 100.0f;

bool HasFullHead(const CKVMsg& msg)
{
    return msg.m_pHead && msg.m_wHeadLen >= MidiNoteHead::Size;
}

void WriteSwing(CKVMsg& note, LONG gate, LONG offset)
{
    PutDword(note.m_pHead + MidiNoteHead::GateTimeOffset, static_cast<DWORD>(gate));
    PutDword(note.m_pHead + MidiNoteHead::StartOffsetOffset, static_cast<DWORD>(offset));
}

LONG ReadOffset(const CKVMsg& note)
{
    return static_cast<LONG>(GetDword(note.m_pHead + MidiNoteHead::StartOffsetOffset));
}

} // namespace

int CKVMsg::IsInBeforeBeat(int n)
{
    if (m_byKind != MSG_NOTE || !m_pSystem || n < 0 || n > kMaxGridShift)
        return kNoAnswer;
    const long long unit = static_cast<long long>(m_pSystem->m_dwTicksPerQuarter) * 16 / (1LL << n);
    if (unit <= 0)
        return kNoAnswer;
    return m_nStartTime % unit == 0 ? kOnGrid : kNotOnGrid;
}

void CKVMsg::SwingSet(float ratio, int n)
{
    // A ratio outside its range would store a negative gate time.
    if (!(ratio >= 0.0f && ratio <= kFullRatio) || !HasFullHead(*this))
        return;
    const int onGrid = IsInBeforeBeat(n);
    const float play = static_cast<float>(GetPlayTime());
    if (onGrid == kOnGrid) {
        WriteSwing(*this, static_cast<LONG>(play * ratio / kEvenRatio), ReadOffset(*this));
    } else if (onGrid == kNotOnGrid) {
        const LONG offset = static_cast<LONG>(play * (ratio - kEvenRatio) / kOffsetDivisor);
        WriteSwing(*this, static_cast<LONG>(play * (kFullRatio - ratio) / kEvenRatio), offset);
    }
}

void CKVMsg::SwingReset()
{
    if (m_byKind != MSG_NOTE || !HasFullHead(*this))
        return;
    WriteSwing(*this, GetPlayTime(), 0);
}
