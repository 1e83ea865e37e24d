// The duration table for guessing note values from recorded MIDI, and rests
// filled into the holes of a measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "platform/MulDiv.h"
#include "platform/ProcessState.h"
#include "timing/GuessDurTable.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

WORD nGuessDurTable[kGuessDurEntries] = {};

namespace {

void ResetGuessDurTable()
{
    std::memset(nGuessDurTable, 0, sizeof(nGuessDurTable));
}

KvProcessReset s_guessReset("nGuessDurTable", &ResetGuessDurTable);

// The whole note, 4K, must fit the signed 16-bit grid of CalcNoteRestKind.
constexpr DWORD kMaxTicksPerQuarter = 8191;
constexpr size_t kMaxHoles = 100;
constexpr short kDefaultDivision = 5;
constexpr short kMaxDivision = 15; // 2^(division - 1) fits a short
constexpr DWORD kRoomDivision = 64;
constexpr long kMinStep = 2;

struct Hole {
    long start;
    long end;
};

// Ticks of the score and of the recording: play times are kept in the
// score's ticks, performed starts and holes in the recording's.
struct TickScale {
    long score;
    long recording;
    long ToRecording(long t) const { return MulDiv(static_cast<int>(t), static_cast<int>(recording), static_cast<int>(score)); }
    long ToScore(long t) const { return MulDiv(static_cast<int>(t), static_cast<int>(score), static_cast<int>(recording)); }
};

// The holes of a voice in recording ticks, with the end of its last symbol;
// `any` tells whether the voice holds a note or rest at all.
std::vector<Hole> VoiceHoles(CKVMeas& meas, BYTE voice, const TickScale& scale, long& end, bool& any)
{
    std::vector<Hole> holes;
    end = 0;
    any = false;
    short cursor = 0;
    while (CKVMsg* msg = meas.GetNextMsg(cursor)) {
        if ((msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST) || msg->m_byVoice != voice)
            continue;
        any = true;
        const long start = msg->m_nPerformStart;
        if (start > end) {
            holes.push_back({end, start});
            if (holes.size() >= kMaxHoles)
                break;
        }
        end = std::max(end, start + scale.ToRecording(msg->GetPlayTime()));
    }
    return holes;
}

} // namespace

void CKVMeas::PrepGuess(DWORD ticksPerQuarter)
{
    if (ticksPerQuarter == 0 || ticksPerQuarter > kMaxTicksPerQuarter)
        return;
    nGuessDurTable[1] = static_cast<WORD>(4 * ticksPerQuarter);
    for (int i = 2; i < kGuessDurEntries; ++i)
        nGuessDurTable[i] = static_cast<WORD>(nGuessDurTable[i - 1] >> 1);
}

short CKVMeas::MakeRests(BYTE voice, DWORD ticksPerQuarter, short division)
{
    if (ticksPerQuarter == 0 || ticksPerQuarter > kMaxTicksPerQuarter || m_nTimeNum <= 0 || m_nTimeDen <= 0)
        return 0;
    if (division == 0)
        division = kDefaultDivision;
    division = std::clamp<short>(division, 1, kMaxDivision);
    if (ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly) == 0)
        return 0;

    const TickScale scale {static_cast<long>(tickmath::TicksPerQuarter(this)), static_cast<long>(ticksPerQuarter)};
    long end = 0;
    bool any = false;
    std::vector<Hole> holes = VoiceHoles(*this, voice, scale, end, any);
    const long length = (static_cast<long>(ticksPerQuarter) * 4 * m_nTimeNum) / m_nTimeDen;
    // A voice that stops early ends in a hole too, inner holes or not.
    if (any && end < length && holes.size() <= kMaxHoles)
        holes.push_back({end, length});
    if (holes.empty() || length <= 0)
        return 1;

    const long beat = length / m_nTimeNum;
    const int space = measplace::LineSpacingOf(*this);
    long step = std::max(beat, kMinStep);
    for (const Hole& hole : holes) {
        std::unique_ptr<CKVMsg> rest(KvNewChild<CKVMsg>(m_pSystem, OBJ_MSG, this, OBJ_MEAS));
        if (!rest)
            return 0;
        rest->m_byKind = MSG_REST;
        rest->m_byVoice = voice;
        rest->m_nLayout1 = static_cast<short>(space);
        rest->m_nLayout2 = static_cast<short>(space);
        rest->m_nLayout3 = 4;
        rest->m_nLayout4 = 4;
        rest->m_nPosY = 0;
        rest->UpdateRestPosY(1);

        for (long t = ((hole.start + step / 2) / step) * step; t + step / 4 < hole.end; t += step) {
            const long room = length - scale.ToRecording(GetCurWholeCount(voice, -1));
            if (room <= 0)
                break;
            // Each rest stands at its own step, not at the hole's start.
            rest->m_nPerformStart = static_cast<short>(t);
            rest->m_nStartTime = static_cast<short>(scale.ToScore(t));
            rest->m_nPosX = static_cast<short>((t * SCALE) / length);
            rest->m_byDots = 0;
            short value;
            if (room < step) {
                step = room;
                value = rest->CalcNoteRestKind(ticksPerQuarter, static_cast<DWORD>(room), kRoomDivision);
            } else {
                value = rest->CalcNoteRestKind(ticksPerQuarter, static_cast<DWORD>(step),
                                               static_cast<short>(1 << (division - 1)));
            }
            if (value == -1)
                continue;
            rest->CalcPlayTime();
            if (!InsertNewMsg(*rest) && IsRestCompMeas(nullptr) == 0)
                return 0;
        }
    }
    return 1;
}
