// Automatic beaming: the beat groups that a time signature gives, beaming a
// voice group by group, beaming a range regardless of the meter, runs of
// grace notes, and chords of the notes that share a position.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiFileRead.h"
#include "model/TickMath.h"
#include "timing/BeamGroups.h"
#include "timing/InsertState.h"
#include "timing/VoiceRoom.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using beamgroups::DeleteContainer;
using beamgroups::IsDirectChild;
using beamgroups::ReturnToMeasure;
using beamgroups::Unlink;

namespace {


// Below four ticks per quarter the sixteenth unit is 0 and no group has a
// length; only a damaged system record gives such a value.
constexpr DWORD kMinTicksPerQuarter = 4;

bool IsQuarterOrLonger(const CKVMsg& msg)
{
    return tickmath::DurationCode(msg) < DUR_EIGHTH;
}

bool IsNoteOrChord(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_CHORD;
}

// The voice's stem-direction byte of the settings, whole.
int StemSetting(CKVMeas& meas, BYTE voice)
{
    CKVDoc* doc = DocOf(meas);
    if (!doc)
        return 0;
    const int index = voice >= 1 && voice <= CKVCtrlTool::kVoices ? voice - 1 : 0;
    return doc->m_CtrlTool.m_byStemDir[index];
}

// One three-character field of a composite time-signature text, read as a
// number.
int TimeTextField(const char* text, int field)
{
    char buffer[4] = {};
    std::memcpy(buffer, text + 3 * field, 3);
    return std::atoi(buffer);
}

CKVMsg* Lookup(CKVObject& node, DWORD id)
{
    return node.m_pSystem ? node.m_pSystem->GetMsgFromMap(id) : nullptr;
}

// The first note of the voice in tree order (inside groups and chords too)
// that is no grace note, has a play time and starts in [t, end).
int FirstNoteCode(CKVObject& node, BYTE voice, int t, int end, int depth)
{
    // A group holds chords and a chord notes; nothing real nests deeper.
    constexpr int kMaxDepth = 3;
    if (depth > kMaxDepth)
        return -1;
    for (CKVMsg* msg : tickmath::LiveChildren(node)) {
        if (msg->m_byKind == MSG_NOTE) {
            if (msg->m_byVoice == voice && !(msg->m_wFlag & MSGFLAG_GRACE) && msg->m_nStartTime >= t &&
                msg->m_nStartTime < end && msg->GetPlayTime() > 0)
                return tickmath::DurationCode(*msg);
        } else if (msg->m_byKind == MSG_BEAM || msg->m_byKind == MSG_CHORD) {
            const int code = FirstNoteCode(*msg, voice, t, end, depth + 1);
            if (code >= 0)
                return code;
        }
    }
    return -1;
}

// Closes an open group: with fewer than two members it is dissolved (a
// lone member goes back into the measure) and null comes back; otherwise
// the group is linked into the measure. A measure that refuses the group
// (one compressed into a multi-measure rest) gets its members back as they
// were, and the group goes.
CKVMsg* LinkOrDissolve(CKVMsg*& open, CKVMeas& meas)
{
    CKVMsg* group = open;
    open = nullptr;
    if (!group)
        return nullptr;
    const std::vector<CKVMsg*> members = tickmath::LiveChildren(*group);
    if (members.size() >= 2 && meas.AddMsg(group, kHolderOwns) != 0)
        return group;
    for (CKVMsg* member : members)
        ReturnToMeasure(*group, member, meas);
    DeleteContainer(meas, group);
    return nullptr;
}

// The beam group that one window of BindByBeam gathers.
class WindowGroup {
public:
    WindowGroup(CKVMeas& meas, BYTE voice, int placement) : m_meas(meas), m_voice(voice), m_placement(placement) {}

    bool IsOpen() const { return m_group != nullptr; }
    WORD TupletWord() const { return m_tuplet; }
    double FirstPlayTime() const { return m_firstPlay; }
    int MemberCount() { return static_cast<int>(tickmath::LiveChildren(*m_group).size()); }

    // The first candidate becomes the group: a beam group is taken over,
    // any other symbol gets a group around it. False when no group could be
    // made.
    bool Begin(CKVMsg* first)
    {
        if (first->m_byKind == MSG_BEAM) {
            const std::vector<CKVMsg*> members = tickmath::LiveChildren(*first);
            if (members.empty())
                return false;
            Unlink(m_meas, first);
            // It comes back with a fresh id when it is linked again.
            CTypedPtrArray<CPtrArray, CKVMsg*>& map = m_meas.m_pSystem->m_arrMsgMap;
            const DWORD id = first->m_dwMsgId;
            if (id < static_cast<DWORD>(map.GetSize()) && map.GetAt(static_cast<int>(id)) == first)
                map.SetAt(static_cast<int>(id), nullptr);
            first->m_dwMsgId = 0;
            m_group = first;
            m_takenOver = true;
            m_tuplet = members.front()->m_wObjWord;
            m_firstPlay = members.front()->GetPlayTimeDouble();
            return true;
        }
        CKVMsg* group = first->CreateBeam();
        if (!group)
            return false;
        Unlink(m_meas, first);
        m_group = group;
        m_tuplet = first->m_wObjWord;
        m_firstPlay = first->GetPlayTimeDouble();
        return true;
    }

    void Add(CKVMsg* msg)
    {
        Unlink(m_meas, msg);
        if (msg->m_byKind == MSG_BEAM) {
            for (CKVMsg* member : tickmath::LiveChildren(*msg)) {
                Unlink(*msg, member);
                Join(member);
            }
            DeleteContainer(m_meas, msg);
            return;
        }
        msg->MakeSubBeam(kSubBeamJoin, kBreakOtherLevels);
        Join(msg);
    }

    // Closes the group: with fewer than two members it is dissolved, else it
    // is linked into the measure and laid out. The group when it stands.
    CKVMsg* Close()
    {
        CKVMsg* group = LinkOrDissolve(m_group, m_meas);
        if (!group)
            return nullptr;
        group->TupletPosOrderOfNote();
        // A group taken over unchanged keeps the layout it has.
        if (m_takenOver && !m_added)
            return group;
        group->UpdatePos(m_placement);
        if (group->BeamOrder() < 2) {
            DeleteContainer(m_meas, group);
            return nullptr;
        }
        group->ChangeNoteDirection(StemSetting(m_meas, m_voice), kKeepGraceStems);
        return group;
    }

private:
    void Join(CKVMsg* msg)
    {
        if (m_group->AddMsg(msg, kHolderOwns, kParentAbove) < 0) {
            // A note already at that place in the group stays a symbol of
            // its own rather than being lost.
            beamgroups::PlaceInMeasure(m_meas, msg);
            return;
        }
        m_added = true;
    }

    CKVMeas& m_meas;
    BYTE m_voice;
    int m_placement;
    CKVMsg* m_group = nullptr;
    bool m_takenOver = false;
    bool m_added = false;
    WORD m_tuplet = 0xFFFF;
    double m_firstPlay = 0.0;
};

// The group that BindGroupByBeam and BindGroupGraceNoteByBeam gather.
class RangeGroup {
public:
    RangeGroup(CKVMeas& meas, int direction, bool firstPass)
        : m_meas(meas), m_direction(direction), m_firstPass(firstPass)
    {
    }

    bool IsOpen() const { return m_group != nullptr; }

    void Begin(CKVMsg* msg)
    {
        m_meas.DeleteMsg(msg, kUnlinkOnly);
        m_group = msg->CreateBeam();
        // Without a group the symbol stays where it was.
        if (!m_group)
            beamgroups::PlaceInMeasure(m_meas, msg);
    }

    void Add(CKVMsg* msg)
    {
        m_meas.DeleteMsg(msg, kUnlinkOnly);
        msg->MakeSubBeam(kSubBeamJoin, kBreakOtherLevels);
        if (m_group->AddMsg(msg, kHolderOwns, kParentAbove) >= 0)
            return;
        if (m_firstPass && GetDuplicateDrop()) {
            // A second note or chord at the same place: a duplicate. The
            // ties and slurs of its notes leave their other notes before it
            // goes, so that no partner keeps a tie flag or a reference to it.
            if (CKVDoc* doc = DocOf(m_meas)) {
                doc->TieSlurMsgDelProc(msg);
                if (doc->m_pLastMember == msg)
                    doc->m_pLastMember = nullptr;
            }
            m_meas.m_pSystem->RemoveMsgFromMap(msg->m_dwMsgId);
            m_dropped = true;
        } else {
            beamgroups::PlaceInMeasure(m_meas, msg);
        }
    }

    // Whether a duplicate went: the voice's start times counted it.
    bool Dropped() const { return m_dropped; }

    // Closes the open group; atQuarter when a quarter or longer ends it in
    // the middle of a pass. The group when it stands.
    CKVMsg* Close(bool atQuarter)
    {
        CKVMsg* group = LinkOrDissolve(m_group, m_meas);
        if (!group)
            return nullptr;
        if (atQuarter) {
            group->ChangeNoteDirection(m_direction, kKeepGraceStems);
            if (group->BeamOrder() < 2) {
                m_meas.DeleteMsg(group, kUnlinkAndFree);
                return nullptr;
            }
            group->UpdatePos(0);
            return group;
        }
        if (group->BeamOrder() < 2) {
            m_meas.DeleteMsg(group, kUnlinkAndFree);
            return nullptr;
        }
        group->UpdatePos(0);
        group->ChangeNoteDirection(m_direction, kKeepGraceStems);
        group->TupletPosOrderOfNote();
        return group;
    }

private:
    CKVMeas& m_meas;
    int m_direction;
    bool m_firstPass;
    CKVMsg* m_group = nullptr;
    bool m_dropped = false;
};

// Beams the voice's symbols with from <= position <= to into groups, the
// meter aside: a pass over the normal symbols and one over the grace
// symbols, as asked. The group that stands at the end of the first pass
// made, else the last one of the other.
CKVMsg* BeamRange(CKVMeas& meas, BYTE voice, short from, short to, int direction, bool normalPass, bool gracePass)
{
    meas.ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    meas.RemainNoteRest();
    // The layout calls below rebuild the measure's walk list.
    const std::vector<DWORD> walk = measplace::WalkIds(meas);

    CKVMsg* result = nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        const bool grace = pass == 1;
        if ((grace && !gracePass) || (!grace && !normalPass))
            continue;
        RangeGroup group(meas, direction, !grace);
        CKVMsg* standing = nullptr;
        for (DWORD id : walk) {
            CKVMsg* msg = Lookup(meas, id);
            if (!msg)
                continue;
            if (msg->m_nPosX > to)
                break;
            if (msg->m_byVoice != voice || msg->m_nPosX < from || !IsDirectChild(meas, msg))
                continue;
            const bool isGrace = tickmath::IsGrace(*msg);
            if (!grace && (isGrace || msg->IsTremoloNote()))
                continue;
            if (grace && !isGrace) {
                // Grace notes before different main notes never share a
                // beam.
                if (CKVMsg* closed = group.Close(true))
                    standing = closed;
                continue;
            }
            if (IsQuarterOrLonger(*msg)) {
                if (CKVMsg* closed = group.Close(true))
                    standing = closed;
                continue;
            }
            if (!group.IsOpen()) {
                if (msg->m_byKind != MSG_REST)
                    group.Begin(msg);
                continue;
            }
            group.Add(msg);
        }
        if (CKVMsg* closed = group.Close(false))
            standing = closed;
        if (!result)
            result = standing;
        if (group.Dropped())
            meas.UpdateStartTime(voice, 0, 0, kPerformedStartStays);
    }
    return result;
}

// Beams the voice's beat groups that start in [from, end): groups of
// eighths, or of 16ths when the first note of the beat is shorter than an
// eighth.
void BeamBeats(CKVMeas& meas, BYTE voice, int from, int end, int placement)
{
    for (int t = from; t < end;) {
        // A group end that does not lie ahead (damaged tick unit or meter)
        // ends the walk.
        int d = meas.AutoBeamGetDur(1, t);
        if (d <= 0)
            return;
        const int kind = meas.GetNoteKind(voice, static_cast<short>(t), static_cast<short>(d));
        if (kind == -1) {
            t += d;
            continue;
        }
        if (kind > DUR_EIGHTH) {
            d = meas.AutoBeamGetDur(0, t);
            if (d <= 0)
                return;
        }
        meas.BindByBeam(voice, static_cast<short>(t), static_cast<short>(d), placement);
        t += d;
    }
}

} // namespace

int CKVMeas::AutoBeamGetNotesNum(int coarse, int t)
{
    const short beats = m_nTimeNum;
    switch (m_nTimeDen) {
    case 2:
        if (beats == 1)
            return coarse ? 2 : 4;
        if (beats == 2)
            return 4;
        return coarse ? AutoBeamGetNotesNumInCustomMeas(coarse, t) : 4;
    case 4:
        if (beats == 3)
            return coarse ? 2 : 4;
        if (beats == 4)
            return coarse && GetMidiFileRead() ? 2 : 4;
        if (beats == 5)
            return coarse ? AutoBeamGetNotesNumInCustomMeas(coarse, t) : 4;
        return 4;
    case 8:
        if (beats == 3 || beats == 6 || beats == 9 || beats == 12)
            return coarse ? 3 : 6;
        return AutoBeamGetNotesNumInCustomMeas(coarse, t);
    default:
        return AutoBeamGetNotesNumInCustomMeas(coarse, t);
    }
}

int CKVMeas::AutoBeamGetNotesNumInCustomMeas(int coarse, int t)
{
    const int beats = m_nTimeNum;
    if (beats % 3 == 0)
        return coarse ? 3 : 6;
    if (beats % 4 == 0)
        return 4;
    const int units = coarse ? 2 * beats : 4 * beats;
    const int rest = units % 4;
    if (rest == 0)
        return 4;
    // Groups of four units up to the last, shorter group of the measure.
    const std::int64_t done = static_cast<std::int64_t>(t) * units;
    const std::int64_t lastStart = static_cast<std::int64_t>(units - rest) * m_nLength;
    return done < lastStart ? 4 : rest;
}

int CKVMeas::AutoBeamGetDur(int coarse, int t)
{
    const DWORD ticks = tickmath::TicksPerQuarter(this);
    const std::int64_t unit = coarse ? ticks / 2 : ticks / 4;
    std::int64_t s = 0;
    while (s <= t) {
        // A unit or group size that does not move s on (damaged ticks per
        // quarter or time signature) has no group end.
        const std::int64_t step = unit * AutoBeamGetNotesNum(coarse, static_cast<int>(s));
        if (step <= 0)
            return 0;
        s += step;
    }
    const std::int64_t dur = s - t;
    return dur > INT_MAX ? INT_MAX : static_cast<int>(dur);
}

int CKVMeas::GetNoteKind(BYTE voice, short t, short d)
{
    return FirstNoteCode(*this, voice, t, t + d, 0);
}

void CKVMeas::AutoBindByBeam(BYTE voice, int placement)
{
    const DWORD ticks = tickmath::TicksPerQuarter(this);
    if (m_nLength <= 0 || ticks < kMinTicksPerQuarter)
        return;

    // A composite meter (3+2+2 over 8) beams each of its parts as one group,
    // when the parts make up the measure exactly.
    int numerators[3];
    int denominators[3];
    std::int64_t total = 0;
    bool fits = true;
    for (int i = 0; i < 3; ++i) {
        numerators[i] = TimeTextField(m_szTimeNumText, i);
        denominators[i] = TimeTextField(m_szTimeDenText, i);
        const std::int64_t product = static_cast<std::int64_t>(ticks) * numerators[i];
        if (product > INT_MAX || product < INT_MIN)
            fits = false;
        else if (denominators[i] != 0)
            total += MulDiv(static_cast<int>(product), 4, denominators[i]);
    }
    if (fits && total == m_nLength) {
        DWORD start = 0;
        for (int i = 0; i < 3; ++i) {
            if (denominators[i] == 0)
                continue;
            const DWORD length =
                ticks * static_cast<DWORD>(numerators[i]) * 4u / static_cast<DWORD>(denominators[i]);
            BindByBeam(voice, static_cast<short>(start), static_cast<short>(length), placement);
            start += length;
        }
        return;
    }

    BeamBeats(*this, voice, 0, m_nLength, placement);
}

void CKVMeas::AutoBindByBeam(BYTE voice, short from, short to, int, int placement)
{
    const DWORD ticks = tickmath::TicksPerQuarter(this);
    if (m_nLength <= 0 || ticks < kMinTicksPerQuarter)
        return;

    // The time that the voice's symbols between the two positions take.
    int start = 0;
    int sum = 0;
    bool found = false;
    for (CKVMsg* msg : tickmath::LiveChildren(*this)) {
        if (msg->m_byVoice != voice || !tickmath::IsVoiceEntry(*msg) || msg->m_nPosX < from)
            continue;
        if (msg->m_nPosX > to)
            break;
        if (!found)
            start = msg->GetStartTime();
        found = true;
        sum += msg->GetPlayTime();
    }
    if (!found)
        return;

    BeamBeats(*this, voice, start, start + sum, placement);
}

CKVMsg* CKVMeas::BindByBeam(BYTE voice, short tFrom, short dFrom, int placement)
{
    if (m_nLength <= 0 || !m_pSystem)
        return nullptr;
    int t = tFrom;
    int d = dFrom;
    // Every new start shortens the window, so the walk ends.
    while (d > 0) {
        // The candidates: the voice's notes, rests, chords and groups that
        // start in the window. Taken as ids: the walk changes the list.
        std::vector<DWORD> candidates;
        for (CKVMsg* msg : tickmath::LiveChildren(*this)) {
            if (!tickmath::IsVoiceEntry(*msg) || msg->m_byVoice != voice || (msg->m_wFlag & MSGFLAG_GRACE) ||
                msg->IsTremoloNote())
                continue;
            const int start = msg->GetStartTime();
            if (start >= t && start < t + d && msg->GetPlayTime() > 0)
                candidates.push_back(msg->m_dwMsgId);
        }

        WindowGroup group(*this, voice, placement);
        int acc = 0;
        bool again = false;
        bool full = false;
        int nextT = 0;
        int nextD = 0;
        for (DWORD id : candidates) {
            CKVMsg* msg = Lookup(*this, id);
            if (!msg || !IsDirectChild(*this, msg))
                continue;
            const double play = msg->GetPlayTimeDouble();
            if (!group.IsOpen()) {
                if (msg->m_byKind == MSG_REST)
                    continue;
                if (IsNoteOrChord(*msg) && IsQuarterOrLonger(*msg)) {
                    // Stepped over; the rest of the window starts after it.
                    const int length = msg->GetPlayTime();
                    d -= length;
                    again = d > 0;
                    nextT = t + length;
                    nextD = d;
                    break;
                }
            } else {
                const WORD tuplet = group.TupletWord();
                bool ends = false;
                if (msg->m_byKind != MSG_BEAM) {
                    if (IsQuarterOrLonger(*msg)) {
                        const double left = d - acc - play;
                        again = left > 0;
                        nextT = t + static_cast<int>(acc + play);
                        nextD = static_cast<int>(left);
                        break;
                    }
                    ends = msg->m_wObjWord != tuplet ||
                           (tuplet != 0 && msg->m_nPerformStart >= t + (tuplet & 0xFF) * group.FirstPlayTime());
                } else {
                    const std::vector<CKVMsg*> members = tickmath::LiveChildren(*msg);
                    ends = members.empty() || members.front()->m_wObjWord != tuplet ||
                           (tuplet != 0 && group.MemberCount() >= (tuplet & 0xFF));
                }
                if (ends) {
                    // A different tuplet, or a full one: the window goes on
                    // after what the group holds.
                    again = acc > 0;
                    nextT = t + acc;
                    nextD = d - acc;
                    break;
                }
            }
            const double gathered = acc + play;
            if (gathered > d) {
                full = true;
                break;
            }
            acc = static_cast<int>(gathered);
            if (!group.IsOpen()) {
                if (!group.Begin(msg))
                    break;
            } else {
                group.Add(msg);
            }
        }
        CKVMsg* closed = group.Close();
        if (!again)
            return full ? closed : nullptr;
        t = nextT;
        d = nextD;
    }
    return nullptr;
}

namespace {

// The binders below re-beam a stretch whose groups they break first. The
// new groups need not take every member back, so a stretch whose members
// could crowd the measure past its record keeps the groups it has.
bool MayRebeam(CKVMeas& meas, BYTE voice, short from, short to, bool keepGraceGroups)
{
    return CVoiceRoom::TakesDissolve(meas, voice, from, to, keepGraceGroups);
}

} // namespace

void CKVMeas::BindByBeam(BYTE voice, short from, short to, int placement, int arg)
{
    if (!MayRebeam(*this, voice, from, to, true))
        return;
    DisAssembleBeam(voice, from, to, kKeepGraceBeams);
    AutoBindByBeam(voice, from, to, arg, placement);
}

CKVMsg* CKVMeas::BindGroupByBeam(BYTE voice, short from, short to, int direction)
{
    if (!MayRebeam(*this, voice, from, to, false))
        return nullptr;
    DisAssembleBeam(voice, from, to, kBreakGraceBeams);
    return BeamRange(*this, voice, from, to, direction, true, true);
}

CKVMsg* CKVMeas::BindGroupGraceNoteByBeam(BYTE voice, short from, short to, int direction)
{
    if (!MayRebeam(*this, voice, from, to, false))
        return nullptr;
    DisAssembleGraceNoteBeam(voice, from, to);
    return BeamRange(*this, voice, from, to, direction, false, true);
}

void CKVMeas::AutoBindGraceNoteByBeam(BYTE voice)
{
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    // The re-beaming below rebuilds the walk list.
    const std::vector<DWORD> walk = measplace::WalkIds(*this);
    short first = 0;
    short last = 0;
    bool open = false;
    for (DWORD id : walk) {
        CKVMsg* msg = Lookup(*this, id);
        if (!msg)
            continue;
        last = msg->m_nPosX;
        if (!IsNoteOrChord(*msg))
            continue;
        if (tickmath::IsGrace(*msg)) {
            msg->ChangeNoteDirection(kStemDefault, kTurnGraceStems);
            if (!open)
                first = msg->m_nPosX;
            open = true;
            continue;
        }
        // Each main note re-beams the grace notes up to it.
        open = false;
        BindGroupGraceNoteByBeam(voice, first, msg->m_nPosX, kStemDefault);
    }
    if (open)
        BindGroupGraceNoteByBeam(voice, first, last, kStemDefault);
}

void CKVMeas::AutoBindByChord(BYTE voice)
{
    if (!m_pSystem)
        return;
    CKVMsg* chord = nullptr;
    short chordX = 0;

    // Lays the open chord out and links it into the measure; a chord of one
    // note gives its note back.
    auto close = [&]() {
        CKVMsg* done = chord;
        chord = nullptr;
        if (!done)
            return;
        done->UpdatePos(0);
        const std::vector<CKVMsg*> members = tickmath::LiveChildren(*done);
        if (members.size() < 2) {
            if (!members.empty())
                ReturnToMeasure(*done, members.front(), *this);
            DeleteContainer(*this, done);
            return;
        }
        AddMsg(done, kHolderOwns);
    };

    for (short i = 0; i < GetMsgNum();) {
        const short before = GetMsgNum();
        CKVMsg* msg = GetMsg(i);
        if (!msg) {
            if (GetMsgNum() == before)
                ++i;
            continue;
        }
        if (msg->m_byKind != MSG_NOTE || msg->m_byVoice != voice) {
            ++i;
            continue;
        }
        if (chord && msg->m_nPosX == chordX) {
            // A second note of the same pitch stays where it is.
            if (chord->AddMsgToChord(msg) >= 0)
                Unlink(*this, msg);
            else
                ++i;
            continue;
        }
        if (chord) {
            // Linking the chord re-sorts the list; the note is met again.
            close();
            const short again = beamgroups::IndexOfChild(*this, msg->m_dwMsgId);
            if (again >= 0)
                i = again;
            continue;
        }
        chord = msg->CreateChord();
        if (!chord) {
            ++i;
            continue;
        }
        chordX = msg->m_nPosX;
        Unlink(*this, msg);
    }
    close();
    UpdateStartTime(voice, 1, 1, kPerformedStartStays);
}
