// Crowding measures of a built score: what each crowded measure is drawn to
// hold, as lanes of symbols of one voice each, and the lanes laid across the
// measure; and the holders of a score that stand at a limit.

#include "support/ScoreCrowding.h"

#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreIntegrity.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <set>
#include <utility>

namespace kvtest {

namespace {

constexpr std::int64_t kMaxTicks = static_cast<std::int64_t>(CVoiceRoom::kMaxTicks);
constexpr int kMaxSymbols = kvrec::kMaxChildren;
// How near a limit a measure must stay to count as crowded still.
constexpr int kNearSymbols = 12;
constexpr std::int64_t kNearTicks = 2000;
// The position words a lane spreads over.
constexpr int kFirstX = 4;
constexpr int kSpanX = 248;
// Most crowded measures lie among the first three of a staff.
constexpr int kFrontMeasures = 3;

int Draw(std::mt19937& stream, int count)
{
    return std::uniform_int_distribution<int>(0, count - 1)(stream);
}

bool Chance(std::mt19937& stream, int percent)
{
    return Draw(stream, 100) < percent;
}

template <class T>
T OneOf(std::mt19937& stream, std::initializer_list<T> values)
{
    return *(values.begin() + Draw(stream, static_cast<int>(values.size())));
}

// One symbol of a lane: a note, rest or chord, or a beam group of `count`
// notes of the value; a chord holds `count` notes.
struct Item {
    BYTE kind = MSG_NOTE;
    BYTE code = DUR_WHOLE;
    BYTE dots = 0;
    int count = 1;
    bool grace = false;
    // A group's members in their order, 'n' a note and 'r' a rest; empty
    // for a group of notes alone.
    std::string members = {};
    // The symbols a note carries in its own record.
    int carried = 0;
    // The tuplet word of a note or rest, with no tuplet made.
    WORD tuplet = 0;
};

// Groups with rests inside or at their end and two notes: deleting either
// note breaks the group and hands back all its other members.
const char* const kRestGroups[] = {"nnrrrrrr", "nrrrrrrn", "nnrrrrrr", "nrrrrrrn", "nnrrr", "nrrrn"};

// The note marks a carrying note holds: none of a family that a note
// carries one of (25 to 28, 31 and 32, 33 to 35), which a mark command of
// the family takes away instead of adding, and no fermata, which rests take.
constexpr std::array<WORD, 9> kCarriedMarks {5, 6, 13, 16, 17, 19, 21, 37, 41};

// The symbols of one voice, laid in their order across the measure.
struct Lane {
    BYTE voice = 1;
    std::vector<Item> items;

    // Position words the lane takes: one for each symbol, one for each
    // member of a group.
    int Slots() const
    {
        int slots = 0;
        for (const Item& item : items)
            slots += item.kind == MSG_BEAM ? item.count : 1;
        return slots;
    }
};

// The ticks of a value as re-timing counts them.
std::int64_t Ticks(BYTE code, BYTE dots, DWORD ticksPerQuarter)
{
    CKVMsg scratch;
    scratch.m_byKind = MSG_NOTE;
    scratch.m_wDuration = code;
    scratch.m_byDots = dots;
    std::int64_t num = 0;
    std::int64_t den = 1;
    tickmath::PlayFraction(scratch, num, den);
    // The scratch note has no system: its fraction is at the default unit.
    return num * ticksPerQuarter / (den * CKVSystem::DEFAULT_TICKS_PER_QUARTER);
}

std::int64_t Ticks(const Item& item, DWORD ticksPerQuarter)
{
    const std::int64_t one = Ticks(item.code, item.dots, ticksPerQuarter);
    return item.kind == MSG_BEAM ? one * item.count : one;
}

// A voice filled to within `room` ticks of its limit: first the values that
// a longer value or a chord would grow, then wholes, whole rests and dotted
// wholes, then the longest value that still fits, down to the shortest.
Lane TickLane(std::mt19937& stream, BYTE voice, std::int64_t room, DWORD ticksPerQuarter)
{
    Lane lane {voice, {}};
    std::int64_t left = kMaxTicks - room;
    auto add = [&](const Item& item) {
        lane.items.push_back(item);
        left -= Ticks(item, ticksPerQuarter);
    };
    add({MSG_NOTE, DUR_EIGHTH});
    if (Chance(stream, 50))
        add({MSG_NOTE, DUR_16TH});
    if (Chance(stream, 60))
        add({MSG_BEAM, DUR_EIGHTH, 0, 2 + Draw(stream, 3)});
    if (Chance(stream, 40))
        add({MSG_CHORD, DUR_WHOLE, 0, 2});
    if (Chance(stream, 50))
        add({MSG_NOTE, DUR_HALF, 1});
    const std::int64_t dottedWhole = Ticks(DUR_WHOLE, 1, ticksPerQuarter);
    while (left >= 2 * dottedWhole) {
        const int roll = Draw(stream, 4);
        add({roll == 0 ? static_cast<BYTE>(MSG_REST) : static_cast<BYTE>(MSG_NOTE), DUR_WHOLE,
             static_cast<BYTE>(roll == 1 ? 1 : 0)});
    }
    static constexpr std::pair<BYTE, BYTE> kDescending[] = {
        {DUR_WHOLE, 1},   {DUR_WHOLE, 0},  {DUR_HALF, 1},   {DUR_HALF, 0}, {DUR_QUARTER, 1},
        {DUR_QUARTER, 0}, {DUR_EIGHTH, 1}, {DUR_EIGHTH, 0}, {DUR_16TH, 1}, {DUR_16TH, 0},
        {DUR_32ND, 1},    {DUR_32ND, 0},   {DUR_64TH, 0}};
    for (const auto& [code, dots] : kDescending) {
        while (Ticks(code, dots, ticksPerQuarter) <= left)
            add({Chance(stream, 20) ? static_cast<BYTE>(MSG_REST) : static_cast<BYTE>(MSG_NOTE), code, dots});
    }
    std::shuffle(lane.items.begin(), lane.items.end(), stream);
    return lane;
}

// A little music of voice 1 in a measure crowded by symbols, now and then
// with a group of eighths that holds rests.
Lane MusicLane(std::mt19937& stream, bool restGroup)
{
    Lane lane {1, {}};
    if (restGroup) {
        const std::string members = kRestGroups[Draw(stream, static_cast<int>(std::size(kRestGroups)))];
        lane.items.push_back({MSG_BEAM, DUR_EIGHTH, 0, static_cast<int>(members.size()), false, members});
    }
    if (Chance(stream, 70))
        lane.items.push_back({MSG_BEAM, DUR_EIGHTH, 0, 4});
    if (Chance(stream, 50))
        lane.items.push_back({MSG_REST, DUR_QUARTER});
    if (Chance(stream, 50))
        lane.items.push_back({MSG_NOTE, DUR_QUARTER});
    if (Chance(stream, 30))
        lane.items.push_back({MSG_NOTE, DUR_QUARTER, 1});
    if (Chance(stream, 30))
        lane.items.push_back({MSG_CHORD, DUR_QUARTER, 0, 2});
    std::shuffle(lane.items.begin(), lane.items.end(), stream);
    return lane;
}

// Grace eighths that make up `symbols` symbols of the measure, now and then
// a few of them in one grace group.
Lane GraceLane(std::mt19937& stream, BYTE voice, int symbols)
{
    Lane lane {voice, {}};
    if (symbols <= 0)
        return lane;
    if (Chance(stream, 30)) {
        lane.items.push_back({MSG_BEAM, DUR_EIGHTH, 0, 2 + Draw(stream, 5), true});
        --symbols;
    }
    for (int i = 0; i < symbols; ++i)
        lane.items.push_back({MSG_NOTE, DUR_EIGHTH, 0, 1, true});
    std::shuffle(lane.items.begin(), lane.items.end(), stream);
    return lane;
}

// Quarters that carry all or nearly all the symbols their records count,
// the first of them first in the measure, where a chord name goes; rests
// between them and now and then a note with room; now and then all of
// them triplets.
Lane CarryingLane(std::mt19937& stream)
{
    Lane lane {1, {}};
    lane.items.push_back({MSG_NOTE, DUR_QUARTER, 0, 1, false, {}, OneOf(stream, {255, 255, 255, 254})});
    std::vector<Item> others {{MSG_REST, DUR_QUARTER}};
    if (Chance(stream, 50))
        others.push_back({MSG_NOTE, DUR_QUARTER, 0, 1, false, {}, OneOf(stream, {240, 247, 253, 254, 255, 255})});
    if (Chance(stream, 50))
        others.push_back({MSG_REST, DUR_EIGHTH});
    if (Chance(stream, 40))
        others.push_back({MSG_NOTE, DUR_QUARTER});
    std::shuffle(others.begin(), others.end(), stream);
    lane.items.insert(lane.items.end(), others.begin(), others.end());
    // Now and then triplet quarters that no tuplet holds, as making the
    // tuplets again leaves the run of a full note.
    if (Chance(stream, 40)) {
        for (Item& item : lane.items)
            item.tuplet = 0x0203;
    }
    return lane;
}

short StaffY(std::mt19937& stream)
{
    return static_cast<short>(4 * (Draw(stream, 5) - 2));
}

// A lyric of the note's on line `line`: its fixed part holds the length of
// the text, which follows in UTF-16.
void AddLyric(CKVMsg& note, int line)
{
    auto* lyric = new CKVMsg;
    lyric->m_byKind = MSG_LYRIC;
    lyric->m_byVoice = note.m_byVoice;
    lyric->m_nPosY = static_cast<short>(40 + 12 * line);
    std::vector<BYTE> head(16, 0);
    head[12] = 2;
    for (const BYTE unit : std::initializer_list<BYTE> {'l', 0, 'a', 0})
        head.push_back(unit);
    lyric->SetHead(static_cast<short>(head.size()), head.data());
    if (note.AddMsg(lyric, kHolderOwns, kParentHere) < 0)
        delete lyric;
}

void AddChordSymbol(CKVMsg& note)
{
    auto* chord = new CChordSymbol;
    chord->m_byVoice = note.m_byVoice;
    chord->m_nPosY = -56;
    if (note.AddMsg(chord, kHolderOwns, kParentHere) < 0)
        delete chord;
}

// Fills a note's record up to `count` symbols: now and then a chord symbol,
// a few lyrics, and note marks for the rest.
void Carry(ScoreBuilder& score, CKVMsg& note, int count, std::mt19937& stream)
{
    if (Chance(stream, 40))
        AddChordSymbol(note);
    for (int line = Draw(stream, 4); line > 0; --line)
        AddLyric(note, line);
    while (note.m_arrMsgRef.GetSize() < count) {
        CKVMsg* mark = score.Symbol(&note, MSG_NOTEMARK, 0, -12, note.m_byVoice);
        if (!mark)
            return;
        mark->m_wHeadType = kCarriedMarks[static_cast<size_t>(Draw(stream, static_cast<int>(kCarriedMarks.size())))];
    }
}

CKVMsg* PlaceNote(ScoreBuilder& score, CKVObject* parent, const NoteShape& shape, bool grace)
{
    return grace ? score.Grace(parent, shape) : score.Note(parent, shape);
}

// The lane's symbols laid across the measure in their order, evenly by the
// position words they take.
void PlaceLane(ScoreBuilder& score, CKVMeas& meas, const Lane& lane, std::mt19937& stream)
{
    const int slots = std::max(1, lane.Slots());
    int slot = 0;
    auto nextX = [&] { return static_cast<short>(kFirstX + slot++ * kSpanX / slots); };
    for (const Item& item : lane.items) {
        NoteShape shape {.x = 0,
                         .y = StaffY(stream),
                         .code = item.code,
                         .dots = item.dots,
                         .tuplet = item.tuplet,
                         .voice = lane.voice};
        if (item.kind == MSG_BEAM) {
            shape.x = static_cast<short>(kFirstX + slot * kSpanX / slots);
            CKVMsg* group = score.Beam(&meas, shape);
            for (int i = 0; group && i < item.count; ++i) {
                shape.x = nextX();
                if (!item.members.empty() && item.members[static_cast<size_t>(i)] == 'r')
                    ScoreBuilder::Rest(group, shape);
                else
                    PlaceNote(score, group, shape, item.grace);
            }
            // A group laid out by the editing code keeps its last member's
            // position as its end, which tells where a new note joins it.
            if (group)
                group->m_nPosX2 = shape.x;
            continue;
        }
        shape.x = nextX();
        if (item.kind == MSG_REST)
            ScoreBuilder::Rest(&meas, shape);
        else if (item.kind == MSG_CHORD)
            score.Chord(&meas, shape, {shape.y, static_cast<short>(shape.y - 8)});
        else if (CKVMsg* note = PlaceNote(score, &meas, shape, item.grace); note && item.carried > 0)
            Carry(score, *note, item.carried, stream);
    }
}

enum class Crowd { kSymbols, kTicks, kBoth, kCarrying };

std::string Described(CKVMeas& meas, int staff, int index, const std::vector<Lane>& lanes)
{
    std::string text = "measure " + std::to_string(index) + " of staff " + std::to_string(staff) + " holds " +
                       std::to_string(meas.m_arrMsgRef.GetSize()) + " symbols";
    for (const Lane& lane : lanes) {
        for (const Item& item : lane.items) {
            if (!item.members.empty())
                text += ", a group " + item.members;
            if (item.carried > 0)
                text += ", a note carrying " + std::to_string(item.carried);
        }
    }
    const std::array<std::int64_t, CKVMeas::VOICES> ticks = VoiceTicks(meas);
    std::set<BYTE> voices;
    for (const Lane& lane : lanes)
        voices.insert(lane.voice);
    for (BYTE voice : voices)
        text += ", voice " + std::to_string(voice) + " " + std::to_string(ticks[voice - 1U]) + " ticks";
    return text;
}

// Crowds one measure as drawn; what it holds.
std::string CrowdMeasure(ScoreBuilder& score, int staff, int index, Crowd crowd, std::mt19937& stream)
{
    CKVMeas& meas = *score.Meas(staff, index);
    const DWORD ticksPerQuarter = tickmath::TicksPerQuarter(&meas);
    std::vector<Lane> lanes;
    // Most measures crowded by symbols alone hold a group with rests.
    const bool restGroup = crowd == Crowd::kSymbols && Chance(stream, 70);
    if (crowd == Crowd::kCarrying) {
        lanes.push_back(CarryingLane(stream));
    } else if (crowd == Crowd::kSymbols) {
        lanes.push_back(MusicLane(stream, restGroup));
    } else {
        // Voice 1 or 2, or both: a command that moves one voice into the
        // other then meets two full voices.
        const int which = Draw(stream, 4);
        const std::vector<BYTE> voices = which < 2    ? std::vector<BYTE> {1}
                                         : which == 2 ? std::vector<BYTE> {2}
                                                      : std::vector<BYTE> {1, 2};
        for (BYTE voice : voices) {
            const std::int64_t room = OneOf<std::int64_t>(stream, {0, 7, 14, 30, 100, 127, 239, 480, 700, 960, 1900});
            lanes.push_back(TickLane(stream, voice, room, ticksPerQuarter));
        }
    }
    if (crowd == Crowd::kSymbols || crowd == Crowd::kBoth) {
        int taken = 0;
        for (const Lane& lane : lanes)
            taken += static_cast<int>(lane.items.size());
        // Beside a group with rests the measure has no room for what its
        // break hands back, but for a group of five now and then.
        const int symbols = kMaxSymbols - (restGroup ? OneOf(stream, {0, 0, 1, 2, 3, 4, 5})
                                                     : OneOf(stream, {0, 0, 0, 1, 2, 3, 5, 8, 11}));
        const BYTE voice = restGroup || Chance(stream, 30) ? 2 : 1;
        lanes.push_back(GraceLane(stream, voice, symbols - taken));
    }
    for (const Lane& lane : lanes)
        PlaceLane(score, meas, lane, stream);
    // The members of its groups and chords belong to the measure, as the
    // measure's reader leaves them: timing then takes each at its own
    // position, as it does once the score is saved and loaded.
    tickmath::ForEachChild(meas, [&](CKVMsg* msg, short) {
        if (tickmath::IsVoiceEntry(*msg))
            msg->ChangeParent(&meas);
        return false;
    });
    return Described(meas, staff, index, lanes);
}

// The measures of the score's staves, ossia staves left out.
template <class Visit>
void ForEachStaffMeasure(CKVDoc& doc, Visit visit)
{
    CKVSystem* system = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    for (short s = 0; system && s < system->GetStaffNum(); ++s) {
        CKVStaff* staff = system->GetStaff(s);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m)
            visit(*staff->GetMeas(m));
    }
}

// The notes of a symbol: itself, or the members of its chord or group.
void CollectNotes(CKVMsg& msg, std::vector<CKVMsg*>& notes, int depth)
{
    if (msg.m_byKind == MSG_NOTE)
        notes.push_back(&msg);
    else if ((msg.m_byKind == MSG_CHORD || msg.m_byKind == MSG_BEAM) && depth < 2)
        for (CKVMsg* member : OwnedSymbols(msg))
            CollectNotes(*member, notes, depth + 1);
}

// The two notes of a group that holds rests and two notes, when a delete of
// either breaks the group and the measure has no room for the members it
// gets back: the group's own symbol goes, all members but the deleted one
// come.
void AddBreakingGroup(CKVMsg& group, int measureSymbols, std::vector<CKVMsg*>& groupNotes)
{
    std::vector<CKVMsg*> notes;
    int members = 0;
    bool rests = false;
    for (CKVMsg* member : OwnedSymbols(group)) {
        if (!tickmath::IsNoteRestChord(*member))
            continue;
        ++members;
        rests = rests || member->m_byKind == MSG_REST;
        if (member->m_byKind == MSG_NOTE)
            notes.push_back(member);
    }
    if (rests && notes.size() == 2 && !kvrec::WithinRecord(measureSymbols - 1 + members - 1))
        groupNotes.insert(groupNotes.end(), notes.begin(), notes.end());
}

} // namespace

std::vector<std::string> CrowdScore(ScoreBuilder& score, std::mt19937& stream)
{
    CKVSystem* system = score.System();
    const int staves = system ? system->GetStaffNum() : 0;
    const int measures = staves > 0 ? static_cast<int>(system->GetStaff(0)->GetMeasNum()) : 0;
    std::vector<std::string> crowded;
    if (staves == 0 || measures == 0)
        return crowded;
    std::set<std::pair<int, int>> taken;
    const int count = 2 + Draw(stream, 3);
    for (int i = 0; i < count; ++i) {
        // The carrying notes mostly on the first staff, whose chords the
        // chord names are drawn from, on a measure not crowded yet.
        int staff = 0;
        int index = 0;
        bool free = false;
        for (int tries = i == 2 ? 4 : 1; tries > 0 && !free; --tries) {
            staff = i == 2 && Chance(stream, 70) ? 0 : Draw(stream, staves);
            index = Chance(stream, 80) ? Draw(stream, std::min(kFrontMeasures, measures)) : Draw(stream, measures);
            free = taken.insert({staff, index}).second;
        }
        if (!free)
            continue;
        // The first is crowded by symbols and the second by ticks, each now
        // and then by both; the third holds carrying notes, the fourth any.
        const Crowd any = OneOf(stream, {Crowd::kSymbols, Crowd::kTicks, Crowd::kBoth});
        const Crowd crowd = i == 0   ? (Chance(stream, 70) ? Crowd::kSymbols : Crowd::kBoth)
                            : i == 1 ? (Chance(stream, 70) ? Crowd::kTicks : Crowd::kBoth)
                            : i == 2 ? Crowd::kCarrying
                                     : any;
        crowded.push_back(CrowdMeasure(score, staff, index, crowd, stream));
    }
    return crowded;
}

bool HoldsCrowdedMeasure(CKVDoc& doc)
{
    bool near = false;
    ForEachStaffMeasure(doc, [&](CKVMeas& meas) {
        near = near || meas.m_arrMsgRef.GetSize() >= kMaxSymbols - kNearSymbols;
        for (std::int64_t ticks : VoiceTicks(meas))
            near = near || ticks >= kMaxTicks - kNearTicks;
    });
    return near || !FindHoldersAtLimits(doc).carrying.empty();
}

HoldersAtLimits FindHoldersAtLimits(CKVDoc& doc)
{
    HoldersAtLimits found;
    ForEachStaffMeasure(doc, [&](CKVMeas& meas) {
        const int symbols = meas.m_arrMsgRef.GetSize();
        std::vector<CKVMsg*> notes;
        for (CKVMsg* msg : OwnedSymbols(meas)) {
            if (msg->m_byKind == MSG_BEAM)
                AddBreakingGroup(*msg, symbols, found.groupNotes);
            CollectNotes(*msg, notes, 0);
        }
        for (CKVMsg* note : notes)
            if (note->m_arrMsgRef.GetSize() >= kCarryingSymbols)
                found.carrying.push_back(note);
        const std::int64_t whole = Ticks(DUR_WHOLE, 0, tickmath::TicksPerQuarter(&meas));
        const std::array<std::int64_t, CKVMeas::VOICES> ticks = VoiceTicks(meas);
        for (size_t v = 0; v < ticks.size(); ++v)
            if (ticks[v] + whole > kMaxTicks)
                found.fullVoices.emplace_back(&meas, static_cast<BYTE>(v + 1));
    });
    return found;
}

std::vector<CKVMsg*> OwnedSymbols(CKVObject& node)
{
    std::vector<CKVMsg*> owned;
    for (int i = 0; node.m_pSystem && i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        CKVMsg* msg = ref && ref->byOwner ? node.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        if (msg && msg != &node)
            owned.push_back(msg);
    }
    return owned;
}

} // namespace kvtest
