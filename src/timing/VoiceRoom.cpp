// The room a command leaves in the voices it grows, judged before it
// changes anything.

#include "timing/VoiceRoom.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <utility>

namespace {

// Sums in doubles carry the thirds and fifths of tuplets; a sum this close
// to the limit is taken as on it.
constexpr double kRounding = 1e-6;

// Where a note, rest or chord counts in its voice, grace or not: in the
// measure itself or in a beam group. Judged by what holds it, not by its
// parent fields, which a chord's notes share with the chord.
bool StandsInPlace(CKVMsg& msg)
{
    CKVMeas* meas = tickmath::IsNoteRestChord(msg) ? tickmath::MeasureOf(&msg) : nullptr;
    if (!meas)
        return false;
    if (tielink::IndexOfChild(*meas, &msg) >= 0)
        return true;
    bool inGroup = false;
    tickmath::ForEachChild(*meas, [&](CKVMsg* child, short) {
        inGroup = inGroup || (child->m_byKind == MSG_BEAM && tielink::IndexOfChild(*child, &msg) >= 0);
        return false;
    });
    return inGroup;
}

bool StandsInVoice(CKVMsg& msg)
{
    return !tickmath::IsGrace(msg) && StandsInPlace(msg);
}

// Whether a delete takes a symbol: it is in `gone` itself, or it is a
// chord all of whose notes are.
bool Goes(CKVMsg& msg, const std::set<const CKVMsg*>& gone)
{
    if (gone.count(&msg))
        return true;
    if (msg.m_byKind != MSG_CHORD)
        return false;
    const std::vector<CKVMsg*> notes = tickmath::LiveChildren(msg);
    return !notes.empty() && std::all_of(notes.begin(), notes.end(), [&](CKVMsg* n) { return gone.count(n) > 0; });
}

} // namespace

void CVoiceRoom::Add(CKVMeas& meas, BYTE voice, double ticks)
{
    if (ticks != 0.0)
        m_change[{&meas, voice}] += ticks;
}

void CVoiceRoom::AddSymbols(CKVMeas& meas, int count)
{
    if (count != 0)
        m_symbols[&meas] += count;
}

void CVoiceRoom::TidyGroup(CKVMsg& group, std::vector<BYTE> kinds)
{
    CKVMeas* meas = tickmath::MeasureOf(&group);
    if (!meas || group.m_byKind != MSG_BEAM)
        return;
    const size_t held = kinds.size();
    while (!kinds.empty() && kinds.back() == MSG_REST)
        kinds.pop_back();
    while (!kinds.empty() && kinds.front() == MSG_REST)
        kinds.erase(kinds.begin());
    // A last member stands in the group's place; an emptied group goes.
    const int given = static_cast<int>(held - kinds.size());
    AddSymbols(*meas, kinds.empty() ? given - 1 : given);
    m_tidied[&group] = kinds.size() == 1 ? 0 : static_cast<int>(kinds.size());
}

void CVoiceRoom::CountDelete(CKVMeas& meas, const std::set<const CKVMsg*>& gone)
{
    tickmath::ForEachChild(meas, [&](CKVMsg* msg, short) {
        if (msg->m_byKind == MSG_BEAM) {
            CountGroupLeave(*msg, gone);
        } else if (Goes(*msg, gone)) {
            Add(meas, msg->m_byVoice, -CountedTicks(*msg));
            AddSymbols(meas, -1);
        }
        return false;
    });
}

void CVoiceRoom::CountSymbolsDelete(CKVMeas& meas, const std::set<const CKVMsg*>& gone)
{
    tickmath::ForEachChild(meas, [&](CKVMsg* msg, short) {
        if (msg->m_byKind == MSG_BEAM && gone.count(msg)) {
            CountGroupLeave(*msg, gone);
        } else if (gone.count(msg)) {
            Add(meas, msg->m_byVoice, -CountedTicks(*msg));
            AddSymbols(meas, -1);
        }
        return false;
    });
}

void CVoiceRoom::CountGroupLeave(CKVMsg& group, const std::set<const CKVMsg*>& gone)
{
    CKVMeas* meas = tickmath::MeasureOf(&group);
    if (!meas || group.m_byKind != MSG_BEAM)
        return;
    const bool whole = gone.count(&group) > 0;
    std::vector<BYTE> kinds;
    for (CKVMsg* member : tickmath::LiveChildren(group)) {
        if (whole || Goes(*member, gone))
            Add(*meas, member->m_byVoice, -CountedTicks(*member));
        else
            kinds.push_back(member->m_byKind);
    }
    TidyGroup(group, kinds);
}

int CVoiceRoom::MembersOf(CKVMsg& group) const
{
    const auto tidied = m_tidied.find(&group);
    return tidied == m_tidied.end() ? group.GetMsgNum() : tidied->second;
}

void CVoiceRoom::Dissolve(CKVMeas& meas, BYTE voice, short from, short to, bool keepGraceGroups)
{
    if (from > to)
        std::swap(from, to);
    tickmath::ForEachChild(meas, [&](CKVMsg* group, short) {
        if (group->m_byKind == MSG_BEAM && group->m_byVoice == voice && group->m_nPosX2 >= from &&
            group->m_nPosX <= to && !(keepGraceGroups && tickmath::IsGrace(*group)) && m_given.insert(group).second &&
            MembersOf(*group) > 1)
            AddSymbols(meas, MembersOf(*group) - 1);
        return false;
    });
}

void CVoiceRoom::MakeChord(CKVMeas& meas, BYTE voice, short from, short to)
{
    if (from > to)
        std::swap(from, to);
    int change = 0;
    int notes = 0;
    // A symbol that stands in the measure once the groups are broken: a note
    // of the stretch joins the chord, a chord there gives its notes to it.
    auto stands = [&](CKVMsg& msg) {
        if (msg.m_byVoice != voice || msg.m_nPosX < from || msg.m_nPosX > to)
            return;
        if (msg.m_byKind == MSG_NOTE) {
            ++notes;
        } else if (msg.m_byKind == MSG_CHORD) {
            change += msg.GetMsgNum() - 1;
            notes += msg.GetMsgNum();
        }
    };
    tickmath::ForEachChild(meas, [&](CKVMsg* child, short) {
        if (child->m_byKind == MSG_BEAM && child->m_byVoice == voice && child->m_nPosX2 >= from &&
            child->m_nPosX <= to) {
            change += child->GetMsgNum() - 1;
            tickmath::ForEachChild(*child, [&](CKVMsg* member, short) {
                stands(*member);
                return false;
            });
        } else {
            stands(*child);
        }
        return false;
    });
    if (notes >= 2)
        change -= notes - 1;
    m_symbols[&meas] += change;
}

void CVoiceRoom::Move(CKVMsg& msg, BYTE to)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!meas)
        return;
    auto move = [&](CKVMsg& entry) {
        if (entry.m_byVoice == to || !m_given.insert(&entry).second)
            return;
        const double ticks = CountedTicks(entry);
        Add(*meas, entry.m_byVoice, -ticks);
        Add(*meas, to, ticks);
    };
    if (msg.m_byKind != MSG_BEAM) {
        move(msg);
        return;
    }
    tickmath::ForEachChild(msg, [&](CKVMsg* member, short) {
        move(*member);
        return false;
    });
}

void CVoiceRoom::ToggleGrace(CKVMsg& msg)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!meas || (msg.m_byKind != MSG_NOTE && msg.m_byKind != MSG_CHORD) || !StandsInPlace(msg) ||
        !m_given.insert(&msg).second)
        return;
    // The play time reads the flag only; it is put back at once.
    const WORD kept = msg.m_wFlag;
    msg.m_wFlag = static_cast<WORD>(kept & ~MSGFLAG_GRACE);
    const double ticks = msg.GetPlayTimeDouble();
    msg.m_wFlag = kept;
    Add(*meas, msg.m_byVoice, tickmath::IsGrace(msg) ? ticks : -ticks);
}

void CVoiceRoom::Retime(CKVMsg& msg, double ticks)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (meas && StandsInVoice(msg) && m_given.insert(&msg).second)
        Add(*meas, msg.m_byVoice, ticks - msg.GetPlayTimeDouble());
}

bool CVoiceRoom::Fits() const
{
    for (const auto& [where, ticks] : m_change) {
        if (ticks <= 0.0)
            continue;
        const double total = where.first->GetCurWholeCountDouble(where.second, -1) + ticks;
        if (total > kMaxTicks + kRounding)
            return false;
    }
    for (const auto& [meas, added] : m_symbols) {
        if (added > 0 && !kvrec::HasRoomFor(*meas, added))
            return false;
    }
    return true;
}

bool CVoiceRoom::TakesEntry(CKVMeas& meas, CKVMsg& msg)
{
    CVoiceRoom room;
    if (tickmath::IsNoteRestChord(msg))
        room.Add(meas, msg.m_byVoice, msg.GetPlayTimeDouble());
    room.AddSymbols(meas, 1);
    return room.Fits();
}

bool CVoiceRoom::TakesDissolve(CKVMeas& meas, BYTE voice, short from, short to, bool keepGraceGroups)
{
    CVoiceRoom room;
    room.Dissolve(meas, voice, from, to, keepGraceGroups);
    return room.Fits();
}

double CVoiceRoom::CountedTicks(CKVMsg& msg)
{
    return StandsInVoice(msg) ? msg.GetPlayTimeDouble() : 0.0;
}

double CVoiceRoom::TicksWith(CKVMsg& msg, WORD duration, BYTE dots, WORD tuplet)
{
    // The play time reads these fields only; they are put back at once.
    const WORD keptDuration = msg.m_wDuration;
    const BYTE keptDots = msg.m_byDots;
    const WORD keptTuplet = static_cast<WORD>(msg.m_wObjWord);
    msg.m_wDuration = duration;
    msg.m_byDots = dots;
    msg.m_wObjWord = tuplet;
    const double ticks = msg.GetPlayTimeDouble();
    msg.m_wDuration = keptDuration;
    msg.m_byDots = keptDots;
    msg.m_wObjWord = keptTuplet;
    return ticks;
}
