// Play times and start times of symbols.

#include "model/KVMsg.h"

#include "model/TickMath.h"

using tickmath::ForEachChild;
using tickmath::IsGrace;
using tickmath::IsNoteRestChord;

namespace {

constexpr short kNoStart = 32767;

// Writes the performed-start offset into a note's MIDI head, when the head
// is long enough to have the field.
void PutStartOffset(CKVMsg& note, LONG offset)
{
    unsigned char* head = nullptr;
    if (note.GetHead(&head) < MidiNoteHead::Size || !head)
        return;
    const DWORD value = static_cast<DWORD>(offset);
    for (int i = 0; i < 4; ++i)
        head[MidiNoteHead::StartOffsetOffset + i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

void CKVMsg::CalcPlayTime()
{
    if (IsNoteRestChord(*this)) {
        // Integers throughout: the base is the product shifted right by
        // five, each dot half of the value before it, the tuplet division
        // truncated. Stored lengths have always been taken this way.
        std::int64_t play = tickmath::DottedTicks(tickmath::BaseTimes32(*this) >> 5, m_byDots);
        int normal = 0;
        int count = 0;
        if (tickmath::TupletRatio(m_wObjWord, normal, count))
            play = play * normal / count;
        m_nPlayTime = static_cast<short>(play);
        if (m_byKind == MSG_CHORD) {
            ForEachChild(*this, [](CKVMsg* member, short) {
                member->CalcPlayTime();
                return false;
            });
        }
        return;
    }
    if (m_byKind == MSG_BEAM) {
        int sum = 0;
        m_nPlayTime = 0;
        ForEachChild(*this, [&sum](CKVMsg* member, short) {
            member->CalcPlayTime();
            sum += member->GetPlayTime();
            return false;
        });
        m_nPlayTime = static_cast<short>(sum);
        return;
    }
    m_nPlayTime = 0;
}

short CKVMsg::GetStartTime()
{
    if (IsNoteRestChord(*this))
        return m_nStartTime;
    if (m_byKind != MSG_BEAM)
        return kNoStart;
    short earliest = kNoStart;
    ForEachChild(*this, [&earliest](CKVMsg* member, short) {
        const short start = member->GetStartTime();
        if (start >= 0 && start < earliest)
            earliest = start;
        return false;
    });
    return earliest;
}

short CKVMsg::GetPlayTime()
{
    if (IsNoteRestChord(*this))
        return IsGrace(*this) ? 0 : m_nPlayTime;
    if (m_byKind != MSG_BEAM)
        return 0;
    int sum = 0;
    ForEachChild(*this, [&sum](CKVMsg* member, short) {
        sum += member->GetPlayTime();
        return false;
    });
    m_nPlayTime = static_cast<short>(sum);
    return m_nPlayTime;
}

double CKVMsg::GetPlayTimeDouble()
{
    if (IsNoteRestChord(*this)) {
        if (IsGrace(*this))
            return 0.0;
        const double base = static_cast<double>(tickmath::BaseTimes32(*this)) / 32.0;
        double value = base;
        if (m_byDots == 1 || m_byDots == 2) {
            // The dotted values are whole ticks, as written.
            const std::int64_t half = static_cast<std::int64_t>(base / 2.0);
            std::int64_t dotted = static_cast<std::int64_t>(base + static_cast<double>(half));
            if (m_byDots == 2)
                dotted = static_cast<std::int64_t>(base + static_cast<double>(half) + static_cast<double>(half / 2));
            value = static_cast<double>(dotted);
        }
        int normal = 0;
        int count = 0;
        if (tickmath::TupletRatio(m_wObjWord, normal, count))
            value = normal * value / count;
        return value;
    }
    if (m_byKind != MSG_BEAM)
        return 0.0;
    double sum = 0.0;
    ForEachChild(*this, [&sum](CKVMsg* member, short) {
        sum += member->GetPlayTimeDouble();
        return false;
    });
    m_nPlayTime = TruncateToShort(sum);
    return sum;
}

void CKVMsg::UpdateStartTime(short start, int midiRead, int keepOffset)
{
    // The rule of a note, also used for the group's own fields.
    auto place = [this](short at, int read, int keep) {
        m_nStartTime = at;
        if (!read) {
            m_nPerformStart = at;
            return;
        }
        if (!keep)
            return;
        // The played timing moves into the head, relative to the new start.
        if (m_byKind == MSG_NOTE)
            PutStartOffset(*this, static_cast<LONG>(m_nPerformStart) - at);
        m_nPerformStart = at;
    };

    switch (m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_TIMED_EVENT:
    case MSG_MIDI:
        place(start, midiRead, keepOffset);
        break;
    case MSG_CHORD:
        m_nStartTime = start;
        if (!midiRead)
            m_nPerformStart = start;
        ForEachChild(*this, [&](CKVMsg* member, short) {
            if (member->m_byKind == MSG_NOTE)
                member->UpdateStartTime(start, midiRead, kPerformedStartStays);
            return false;
        });
        break;
    case MSG_BEAM: {
        m_nStartTime = start;
        if (!midiRead)
            m_nPerformStart = start;
        // Grace members sit at the time of the main note after them.
        std::int64_t t = start;
        ForEachChild(*this, [&](CKVMsg* member, short) {
            if (!IsNoteRestChord(*member))
                return false;
            member->UpdateStartTime(static_cast<short>(t), midiRead, kPerformedStartStays);
            if (!IsGrace(*member))
                t += member->GetPlayTime();
            return false;
        });
        place(start, midiRead, keepOffset);
        break;
    }
    default:
        break;
    }
}
