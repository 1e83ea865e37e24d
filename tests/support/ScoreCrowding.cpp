// Crowding measures of a built score: what each crowded measure is drawn to
// hold, as lanes of symbols of one voice each, and the lanes laid across the
// measure.

#include "support/ScoreCrowding.h"

#include "document/KVDoc.h"
#include "document/RecordIO.h"
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
};

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

// A little music of voice 1 in a measure crowded by symbols.
Lane MusicLane(std::mt19937& stream)
{
    Lane lane {1, {}};
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

short StaffY(std::mt19937& stream)
{
    return static_cast<short>(4 * (Draw(stream, 5) - 2));
}

void PlaceNote(ScoreBuilder& score, CKVObject* parent, const NoteShape& shape, bool grace)
{
    if (grace)
        score.Grace(parent, shape);
    else
        score.Note(parent, shape);
}

// The lane's symbols laid across the measure in their order, evenly by the
// position words they take.
void PlaceLane(ScoreBuilder& score, CKVMeas& meas, const Lane& lane, std::mt19937& stream)
{
    const int slots = std::max(1, lane.Slots());
    int slot = 0;
    auto nextX = [&] { return static_cast<short>(kFirstX + slot++ * kSpanX / slots); };
    for (const Item& item : lane.items) {
        NoteShape shape {.x = 0, .y = StaffY(stream), .code = item.code, .dots = item.dots, .voice = lane.voice};
        if (item.kind == MSG_BEAM) {
            shape.x = static_cast<short>(kFirstX + slot * kSpanX / slots);
            CKVMsg* group = score.Beam(&meas, shape);
            for (int i = 0; group && i < item.count; ++i) {
                shape.x = nextX();
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
        else
            PlaceNote(score, &meas, shape, item.grace);
    }
}

enum class Crowd { kSymbols, kTicks, kBoth };

std::string Described(CKVMeas& meas, int staff, int index, const std::vector<Lane>& lanes)
{
    std::string text = "measure " + std::to_string(index) + " of staff " + std::to_string(staff) + " holds " +
                       std::to_string(meas.m_arrMsgRef.GetSize()) + " symbols";
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
    if (crowd == Crowd::kSymbols) {
        lanes.push_back(MusicLane(stream));
    } else {
        // Voice 1 or 2, or both: a command that moves one voice into the
        // other then meets two full voices.
        const int which = Draw(stream, 4);
        const std::vector<BYTE> voices = which < 2    ? std::vector<BYTE> {1}
                                         : which == 2 ? std::vector<BYTE> {2}
                                                      : std::vector<BYTE> {1, 2};
        for (BYTE voice : voices) {
            const std::int64_t room = OneOf<std::int64_t>(stream, {0, 7, 14, 30, 100, 127, 239, 480, 960, 1900});
            lanes.push_back(TickLane(stream, voice, room, ticksPerQuarter));
        }
    }
    if (crowd != Crowd::kTicks) {
        int taken = 0;
        for (const Lane& lane : lanes)
            taken += static_cast<int>(lane.items.size());
        const int symbols = kMaxSymbols - OneOf(stream, {0, 0, 0, 1, 2, 3, 5, 8, 11});
        lanes.push_back(GraceLane(stream, static_cast<BYTE>(Chance(stream, 70) ? 1 : 2), symbols - taken));
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
        const int staff = Draw(stream, staves);
        const int index =
            Chance(stream, 80) ? Draw(stream, std::min(kFrontMeasures, measures)) : Draw(stream, measures);
        if (!taken.insert({staff, index}).second)
            continue;
        // The first is crowded by symbols and the second by ticks, each now
        // and then by both; the others by any.
        const Crowd any = OneOf(stream, {Crowd::kSymbols, Crowd::kTicks, Crowd::kBoth});
        const Crowd crowd = i == 0   ? (Chance(stream, 70) ? Crowd::kSymbols : Crowd::kBoth)
                            : i == 1 ? (Chance(stream, 70) ? Crowd::kTicks : Crowd::kBoth)
                                     : any;
        crowded.push_back(CrowdMeasure(score, staff, index, crowd, stream));
    }
    return crowded;
}

bool HoldsCrowdedMeasure(CKVDoc& doc)
{
    CKVSystem* system = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    for (short s = 0; system && s < system->GetStaffNum(); ++s) {
        CKVStaff* staff = system->GetStaff(s);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
            CKVMeas& meas = *staff->GetMeas(m);
            if (meas.m_arrMsgRef.GetSize() >= kMaxSymbols - kNearSymbols)
                return true;
            for (std::int64_t ticks : VoiceTicks(meas))
                if (ticks >= kMaxTicks - kNearTicks)
                    return true;
        }
    }
    return false;
}

} // namespace kvtest
