#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "timing/PitchMath.h"

#include <vector>

void CKVMeas::MakeChord(BYTE voice, short from, short to)
{
    if (from > to || !m_pSystem)
        return;
    // Members of groups and chords in the range come back into the measure
    // first, so that every note of the range is a direct child.
    DisAssembleBeam(voice, from, to, 0);
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
    for (short i = 0; i < GetMsgNum();) {
        CKVMsg* note = measplace::ChildAt(*this, i);
        if (!inRange(note)) {
            ++i;
            continue;
        }
        if (!chord) {
            RemoveAt(i);
            chord = note->CreateChord();
            if (!chord) {
                // Out of memory: the note stays where it was.
                InsertMsg(i, note, 1, 1);
                return;
            }
            continue;
        }
        // The chord refuses a second note at one place; that note goes.
        if (chord->AddMsgToChord(note) >= 0)
            RemoveAt(i);
        else
            RemoveMsgAt(i);
    }
    if (!chord)
        return;
    if (AddMsg(chord, 1) == 0)
        InsertMsg(GetSortedIndex(chord), chord, 1, 1);
    chord->ChordYOrder();
    chord->ChordKeyOrder();
    chord->ChordDotOrder();
    chord->ChangeNoteDirection(3, 0);
    UpdateStartTime(voice, 1, 1, 0);
}

void CKVMeas::SetTuplet(short, short, BYTE, WORD, WORD, int)
{
    KV_PENDING("CKVMeas::SetTuplet");
}

void CKVMeas::SetTupletByMenu(short, short, BYTE, WORD, WORD, int)
{
    KV_PENDING("CKVMeas::SetTupletByMenu");
}

void CKVMeas::MakeTupletMsg(BYTE, short, int)
{
    KV_PENDING("CKVMeas::MakeTupletMsg");
}

namespace {

bool IsContainer(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_BEAM || msg.m_byKind == MSG_CHORD;
}

// ORs flags into the notes of a node at x, looking through beam groups and
// the chords inside them. Depth-bounded so that a damaged tree that holds
// itself cannot loop.
void FlagNotesAt(CKVObject& node, int x, BYTE voice, WORD flags, int depth)
{
    if (depth > 3)
        return;
    for (DWORD id : kvpitch::ChildIds(node)) {
        CKVMsg* msg = kvpitch::Resolve(node, id);
        if (!msg)
            continue;
        if (IsContainer(*msg)) {
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
    for (DWORD id : kvpitch::ChildIds(chord)) {
        CKVMsg* member = kvpitch::Resolve(chord, id);
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
    meas.ResetGetNextMsg(chordsAsUnits, 1, 0, 1);
    std::vector<DWORD> ids;
    for (int i = 0; i < meas.m_arrWalk.GetSize(); ++i)
        ids.push_back(meas.m_arrWalk.GetAt(i));
    meas.m_arrWalk.Copy(saved);

    for (DWORD id : ids) {
        CKVMsg* msg = kvpitch::Resolve(meas, id);
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
