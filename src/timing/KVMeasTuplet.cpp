// Chords and tuplets made from the notes of a range, and the note nearest to
// an x on either side.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/NodeDoc.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/TupletLinks.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <vector>

void CKVMeas::MakeChord(BYTE voice, short from, short to)
{
    if (from > to || !m_pSystem)
        return;
    // Members of groups and chords in the range come back into the measure
    // first, so that every note of the range is a direct child.
    DisAssembleBeam(voice, from, to, kBreakGraceBeams);
    DisAssembleChord(voice, from, to);

    auto inRange = [&](const CKVMsg* note) {
        return note && note->m_byKind == MSG_NOTE && note->m_byVoice == voice && note->m_nPosX >= from &&
               note->m_nPosX <= to;
    };
    // A single note stays a note: a chord of one would only hide it from
    // the code that looks for notes among the measure's children.
    int count = 0;
    for (short i = 0; i < GetMsgNum(); ++i)
        count += inRange(measplace::ChildAt(*this, i)) ? 1 : 0;
    if (count < 2)
        return;

    CKVMsg* chord = nullptr;
    // The notes the chord refuses (a second note at one place) stay in the
    // measure until the chord stands in it: their tuplets then pass to the
    // notes that hold them too, members of the chord among them.
    std::vector<CKVMsg*> refused;
    for (short i = 0; i < GetMsgNum();) {
        CKVMsg* note = measplace::ChildAt(*this, i);
        if (!inRange(note) || std::find(refused.begin(), refused.end(), note) != refused.end()) {
            ++i;
            continue;
        }
        if (!chord) {
            RemoveAt(i);
            chord = note->CreateChord();
            if (!chord) {
                // Out of memory: the note stays where it was.
                InsertMsg(i, note, kHolderOwns, kParentHere);
                return;
            }
            continue;
        }
        if (chord->AddMsgToChord(note) >= 0) {
            RemoveAt(i);
        } else {
            refused.push_back(note);
            ++i;
        }
    }
    if (!chord)
        return;
    if (AddMsg(chord, kHolderOwns) == 0)
        InsertMsg(GetSortedIndex(chord), chord, kHolderOwns, kParentHere);
    // A refused note goes; its tuplets, ties and slurs leave the notes that
    // stay first.
    for (CKVMsg* note : refused) {
        if (CKVDoc* doc = DocOf(*this)) {
            doc->TupletMsgDelProc(note);
            doc->TieSlurMsgDelProc(note);
        }
        for (short i = 0; i < GetMsgNum(); ++i) {
            if (measplace::ChildAt(*this, i) == note) {
                RemoveMsgAt(i);
                break;
            }
        }
    }
    chord->ChordYOrder();
    chord->ChordKeyOrder();
    chord->ChordDotOrder();
    chord->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
    // The members carry the mark a walk gives chord notes, as notes entered
    // into a chord do; it is stored, and backups tell notes apart by it. The
    // chord stands in the measure, outside any group, so a group mark a note
    // kept from an earlier group goes (no walk clears it inside a chord).
    tickmath::ForEachChild(*chord, [](CKVMsg* member, short) {
        if (member->m_byKind == MSG_NOTE)
            member->m_wFlag =
                static_cast<WORD>((member->m_wFlag | MSGFLAG_CHORD_MEMBER) & ~MSGFLAG_BEAM_MEMBER);
        return false;
    });
    UpdateStartTime(voice, 1, 1, kPerformedStartStays);
}

namespace {

bool IsOfVoice(const CKVMsg& msg, BYTE voice)
{
    return tickmath::IsNoteRestChord(msg) && msg.m_byVoice == voice;
}

// The notes, rests and chords of exactly that voice between two positions,
// beam members included.
template <class Visit>
void ForEachInRange(CKVMeas& meas, short from, short to, BYTE voice, Visit visit)
{
    auto inRange = [&](const CKVMsg& msg) { return IsOfVoice(msg, voice) && msg.m_nPosX >= from && msg.m_nPosX <= to; };
    tickmath::ForEachChild(meas, [&](CKVMsg* msg, short) {
        if (inRange(*msg)) {
            visit(*msg);
        } else if (msg->m_byKind == MSG_BEAM && msg->m_byVoice == voice) {
            tickmath::ForEachChild(*msg, [&](CKVMsg* member, short) {
                if (member != msg && inRange(*member))
                    visit(*member);
                return false;
            });
        }
        return false;
    });
}

// Gives the tuplet word and form to the symbols of the range.
void SetTupletInRange(CKVMeas& meas, short from, short to, BYTE voice, WORD word, WORD form)
{
    ForEachInRange(meas, from, to, voice, [&](CKVMsg& msg) { msg.SetTuplet(word, form); });
}

// Whether every note or rest that would carry the range's new tuplet has
// room in its record for the reference; the tuplet it carries now goes
// first and frees its place.
bool CarriersTakeTuplet(CKVMeas& meas, short from, short to, BYTE voice)
{
    bool take = true;
    ForEachInRange(meas, from, to, voice, [&](CKVMsg& msg) {
        const CKVMsg* carrier = tuplets::Carrier(&msg, false);
        if (!carrier || !take)
            return;
        bool carriesOne = false;
        for (int i = 0; i < carrier->m_arrMsgRef.GetSize() && !carriesOne; ++i) {
            const MsgRef* ref = carrier->m_arrMsgRef.GetAt(i);
            const CKVMsg* child = ref && meas.m_pSystem ? meas.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
            carriesOne = child && child->m_byKind == MSG_TUPLET;
        }
        take = kvrec::HasRoomFor(*carrier, carriesOne ? 0 : 1);
    });
    return take;
}

// The run that MakeTupletMsg is gathering, closed by ticks.
struct OpenRun {
    tuplets::Run run;
    WORD word = 0;
    bool grace = false;
    int shortest = 0;
    int ticks = 0;
    short firstX = 0;
    short lastX = 0;

    bool IsOpen() const { return !run.symbols.empty(); }

    void Start(CKVMsg& msg, CKVMsg& carrier, int play)
    {
        run.symbols.assign(1, &msg);
        run.carriers.assign(1, &carrier);
        word = msg.m_wObjWord;
        grace = (msg.m_wFlag & MSGFLAG_GRACE) != 0;
        shortest = play;
        ticks = play;
        firstX = msg.m_nPosX;
        lastX = msg.m_nPosX;
    }

    void Join(CKVMsg& msg, CKVMsg& carrier, int play)
    {
        run.symbols.push_back(&msg);
        run.carriers.push_back(&carrier);
        ticks += play;
        lastX = msg.m_nPosX;
    }
};

} // namespace

void CKVMeas::SetTuplet(short from, short to, BYTE voice, WORD tupletWord, WORD form, int pass)
{
    if (from > to || !CarriersTakeTuplet(*this, from, to, voice))
        return;
    SetTupletInRange(*this, from, to, voice, tupletWord, form);
    UpdateStartTime(voice, 1, pass, kPerformedStartStays);
    MakeRangeTupletMsg(voice, from, to);
}

bool CKVMeas::TupletRoom(short from, short to, BYTE voice, WORD tupletWord, CVoiceRoom& room)
{
    ForEachInRange(*this, from, to, voice, [&](CKVMsg& msg) {
        room.Retime(msg, CVoiceRoom::TicksWith(msg, msg.m_wDuration, msg.m_byDots, tupletWord));
    });
    return CarriersTakeTuplet(*this, from, to, voice);
}

void CKVMeas::SetTupletByMenu(short from, short to, BYTE voice, WORD tupletWord, WORD form, int pass)
{
    if (from > to || !CarriersTakeTuplet(*this, from, to, voice))
        return;
    SetTupletInRange(*this, from, to, voice, tupletWord, form);
    UpdateStartTime(voice, 1, pass, kPerformedStartStays);
    MakeRangeTupletMsgByMenu(voice, from, to);
}

void CKVMeas::MakeTupletMsg(BYTE voice, short direction, int autoBeam)
{
    if (!m_pSystem)
        return;
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    // Dropping tuplets reads the walk list as it is, and beaming rebuilds
    // it: the copy is walked.
    const std::vector<DWORD> walk = measplace::WalkIds(*this);

    for (DWORD id : walk) {
        CKVMsg* msg = m_pSystem->GetMsgFromMap(id);
        if (msg && IsOfVoice(*msg, voice))
            msg->DeleteTuplet();
    }

    // A run is gathered whole before its tuplet is made, so that a carrier
    // without room for the reference still counts its ticks in its run.
    // Beaming a run may change the tree, so each run is closed (and
    // beamed) before the next is gathered.
    OpenRun open;
    bool outOfMemory = false;
    auto close = [&](bool beam) {
        if (!open.IsOpen())
            return;
        if (CKVMsg* tuplet =
                tuplets::Make(*this, open.run, tuplets::FormOf(*open.run.symbols.front()), outOfMemory))
            tuplet->m_wHeadType = static_cast<WORD>(open.ticks);
        const short firstX = open.firstX;
        const short lastX = open.lastX;
        open = OpenRun();
        if (beam && autoBeam && !outOfMemory)
            BindGroupByBeam(voice, firstX, lastX, direction);
    };

    for (size_t i = 0; i < walk.size() && !outOfMemory;) {
        CKVMsg* msg = m_pSystem->GetMsgFromMap(walk[i]);
        if (!msg || !IsOfVoice(*msg, voice) || msg->m_wObjWord == 0) {
            ++i;
            continue;
        }
        const bool grace = (msg->m_wFlag & MSGFLAG_GRACE) != 0;
        const int play = msg->GetPlayTime();
        CKVMsg* carrier = tuplets::Carrier(msg, false);
        if (open.IsOpen()) {
            if (grace != open.grace) {
                // Grace notes and normal notes never share a tuplet: the
                // open one is left unbeamed and this symbol passed over.
                close(false);
                ++i;
                continue;
            }
            if (msg->m_wObjWord == open.word) {
                open.shortest = std::min(open.shortest, play);
                const int limit = (msg->m_wObjWord & 0xFF) * open.shortest;
                if (open.ticks < limit && carrier) {
                    open.Join(*msg, *carrier, play);
                    ++i;
                    continue;
                }
            }
            // Complete: this symbol starts the next tuplet.
            close(true);
            continue;
        }
        // The opener's own time counts: a triplet closes after its third
        // note.
        if (carrier)
            open.Start(*msg, *carrier, play);
        ++i;
    }
    close(true);
}

namespace {

// ORs flags into the notes of a node at x, looking through beam groups and
// the chords inside them. Depth-bounded so that a damaged tree that holds
// itself cannot loop.
void FlagNotesAt(CKVObject& node, int x, BYTE voice, WORD flags, int depth)
{
    if (depth > 3)
        return;
    for (DWORD id : tickmath::ChildIds(node)) {
        CKVMsg* msg = tickmath::Resolve(node, id);
        if (!msg)
            continue;
        if (tickmath::IsContainer(*msg)) {
            FlagNotesAt(*msg, x, voice, flags, depth + 1);
            continue;
        }
        if (msg->m_byKind == MSG_NOTE && msg->m_nPosX == x && (voice == 0 || msg->m_byVoice == voice))
            msg->m_wFlag = static_cast<WORD>(msg->m_wFlag | flags);
    }
}

// The last note of a chord, or null when none of its members is left.
CKVMsg* LastNoteOf(CKVMsg& chord)
{
    CKVMsg* last = nullptr;
    for (DWORD id : tickmath::ChildIds(chord)) {
        CKVMsg* member = tickmath::Resolve(chord, id);
        if (member && member->m_byKind == MSG_NOTE)
            last = member;
    }
    return last;
}

// The notes, rests and (with chordsAsUnits) chords of the measure's walk in
// time order. The walk keeps every symbol and leaves the tree as it is, and
// the measure's own walk list is given back afterwards: callers may be in
// the middle of walking it.
std::vector<CKVMsg*> NearestCandidates(CKVMeas& meas, BYTE voice, int notesOnly, int chordsAsUnits)
{
    std::vector<CKVMsg*> out;
    CDWordArray saved;
    saved.Copy(meas.m_arrWalk);
    meas.ResetGetNextMsg(chordsAsUnits, kWalkTimeOrder, kWalkOwnStaff, kWalkKeepAll);
    const std::vector<DWORD> ids = measplace::WalkIds(meas);
    meas.m_arrWalk.Copy(saved);

    for (DWORD id : ids) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (!msg || (voice != 0 && msg->m_byVoice != voice))
            continue;
        const bool wanted = msg->m_byKind == MSG_NOTE || (msg->m_byKind == MSG_REST && !notesOnly) ||
                            (msg->m_byKind == MSG_CHORD && chordsAsUnits);
        if (wanted)
            out.push_back(msg);
    }
    return out;
}

// A chord stands for its last note.
CKVMsg* AsNote(CKVMsg* msg)
{
    return (msg && msg->m_byKind == MSG_CHORD) ? LastNoteOf(*msg) : msg;
}

} // namespace

void CKVMeas::SetFlag2Note(int x, BYTE voice, WORD flags)
{
    FlagNotesAt(*this, x, voice, flags, 0);
}

CKVMsg* CKVMeas::GetNearestRightOfX(BYTE voice, short x, int notesOnly, int chordsAsUnits)
{
    // The smallest position at or right of x; the earliest in the walk among
    // equals.
    CKVMsg* best = nullptr;
    for (CKVMsg* msg : NearestCandidates(*this, voice, notesOnly, chordsAsUnits)) {
        if (msg->m_nPosX < x || (best && msg->m_nPosX >= best->m_nPosX))
            continue;
        if (AsNote(msg))
            best = msg;
    }
    return AsNote(best);
}

CKVMsg* CKVMeas::GetNearestLeftOfX(BYTE voice, short x, int notesOnly, int chordsAsUnits)
{
    // The largest position left of x; the latest in the walk among equals.
    CKVMsg* best = nullptr;
    for (CKVMsg* msg : NearestCandidates(*this, voice, notesOnly, chordsAsUnits)) {
        if (msg->m_nPosX >= x || (best && msg->m_nPosX < best->m_nPosX))
            continue;
        if (AsNote(msg))
            best = msg;
    }
    return AsNote(best);
}
