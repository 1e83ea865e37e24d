// Measure-level edits of symbols: neighbours, time ranges, stems, ties,
// tremolos, trills, position correction, split points and cross-staff moves.

#include "model/KVMeas.h"

#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <algorithm>
#include <vector>

using measplace::ChildAt;

namespace {

bool VoiceMatches(const CKVMsg& msg, int voice)
{
    return voice == 0 || msg.m_byVoice == voice;
}

// The first live member of a chord or beam group.
CKVMsg* FirstMember(CKVMsg& container)
{
    for (int i = 0; i < container.m_arrMsgRef.GetSize(); ++i) {
        if (CKVMsg* member = ChildAt(container, i))
            return member;
    }
    return nullptr;
}

CKVMsg* LastMember(CKVMsg& container)
{
    for (int i = container.m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        if (CKVMsg* member = ChildAt(container, i))
            return member;
    }
    return nullptr;
}

// The index of a symbol among the node's references; -1 when not there.
short IndexOf(CKVObject& node, DWORD id)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id)
            return static_cast<short>(i);
    }
    return -1;
}

bool HoldsChordSymbol(CKVMsg& msg)
{
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = ChildAt(msg, i);
        if (child && child->m_byKind == MSG_CHORDSYMBOL)
            return true;
    }
    return false;
}

// The notes of a voice (0: all) at one position: direct notes and the notes
// of chords and beam groups, at any depth the containers nest.
void NotesAt(CKVObject& node, int voice, int pos, std::vector<CKVMsg*>& out)
{
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(node, i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM)
            NotesAt(*msg, voice, pos, out);
        else if (msg->m_byKind == MSG_NOTE && VoiceMatches(*msg, voice) && msg->m_nPosX == pos)
            out.push_back(msg);
    }
}

// The chords of a voice (0: all): direct children and members of beam
// groups.
void ChordsOf(CKVMeas& meas, int voice, std::vector<CKVMsg*>& out)
{
    for (int i = 0; i < meas.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(meas, i);
        if (!msg || !VoiceMatches(*msg, voice))
            continue;
        if (msg->m_byKind == MSG_CHORD) {
            out.push_back(msg);
        } else if (msg->m_byKind == MSG_BEAM) {
            for (int j = 0; j < msg->m_arrMsgRef.GetSize(); ++j) {
                CKVMsg* member = ChildAt(*msg, j);
                if (member && member->m_byKind == MSG_CHORD)
                    out.push_back(member);
            }
        }
    }
}

// The notes of the voice in the measure's time-ordered walk, notes singly,
// resolved from a copy of the walk: the callers' callees may rebuild it.
std::vector<CKVMsg*> VoiceNotes(CKVMeas& meas, int voice)
{
    std::vector<CKVMsg*> notes;
    for (DWORD id : kvpitch::WalkCopy(meas, 0)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && msg->m_byKind == MSG_NOTE && VoiceMatches(*msg, voice))
            notes.push_back(msg);
    }
    return notes;
}

int StepOf(CKVMeas& meas)
{
    return meas.m_nTimeNum > 0 ? CKVMeas::SCALE / meas.m_nTimeNum : -1;
}

} // namespace

short CKVMeas::GetMsgOfLeftPos(short pos)
{
    int best = -1;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (!msg || !tickmath::IsVoiceEntry(*msg))
            continue;
        const short left = msg->GetMsgOfLeftPos(pos);
        if (left >= 0 && left > best)
            best = left;
    }
    if (best >= 0)
        return static_cast<short>(best);
    // No symbol: one beat to the left. Without a numerator there is no beat.
    const int step = StepOf(*this);
    if (step < 0 || pos < step)
        return -1;
    return static_cast<short>(pos - step);
}

short CKVMeas::GetMsgOfRightPos(short pos)
{
    int best = -1;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (!msg || !tickmath::IsVoiceEntry(*msg))
            continue;
        const short right = msg->GetMsgOfRightPos(pos);
        if (right >= 0 && (best < 0 || right < best))
            best = right;
    }
    if (best >= 0)
        return static_cast<short>(best);
    const int step = StepOf(*this);
    if (step < 0 || pos + step >= SCALE)
        return -1;
    return static_cast<short>(pos + step);
}

short CKVMeas::GetTimeFromPos(unsigned char voice, short pos)
{
    int sum = 0;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (msg && msg->m_byVoice == voice && tickmath::IsVoiceEntry(*msg))
            sum += msg->GetTimeFromPos(pos);
    }
    return static_cast<short>(sum);
}

void CKVMeas::DeleteTimeRange(unsigned char voice, short from, short to)
{
    if (to == -1)
        to = m_nLength;
    // Removal shifts the indexes; the symbols are taken by id.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || msg->m_byVoice != voice)
            continue;
        bool remove = false;
        if (msg->m_byKind == MSG_BEAM) {
            msg->DeleteTimeRange(from, to);
            remove = FirstMember(*msg) == nullptr;
        } else if (msg->m_byKind == MSG_CHORD) {
            CKVMsg* first = FirstMember(*msg);
            remove = !first || (first->m_nStartTime >= from && first->m_nStartTime < to);
        } else if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST) {
            remove = msg->m_nStartTime >= from && msg->m_nStartTime < to;
        }
        if (remove)
            RemoveMsgAt(IndexOf(*this, id));
    }
}

void CKVMeas::RemoveMidiMsgFromXToNextNote(short pos)
{
    CKVMsg* next = GetNearestRightOfX(0, static_cast<short>(pos + 1), kNotesAndRests, kChordNotesSingly);
    const int end = next ? next->m_nPosX : SCALE;
    for (int i = m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (!msg || (msg->m_byKind != MSG_MIDI && msg->m_byKind != MSG_MIDI2))
            continue;
        if (msg->m_nPosX >= pos && msg->m_nPosX < end)
            RemoveMsgAt(static_cast<short>(i));
    }
}

void CKVMeas::AutoUpDownNoteDir()
{
    struct Item {
        CKVMsg* msg;
        short x;
        short y;
        BYTE voice;
    };
    std::vector<Item> items;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = ChildAt(*this, i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_NOTE) {
            items.push_back({msg, msg->m_nPosX, msg->m_nPosY, msg->m_byVoice});
        } else if (msg->m_byKind == MSG_BEAM || msg->m_byKind == MSG_CHORD) {
            if (CKVMsg* first = FirstMember(*msg))
                items.push_back({msg, first->m_nPosX, first->m_nPosY, msg->m_byVoice});
        }
    }
    if (items.size() < 2)
        return;
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.x != b.x)
            return a.x < b.x;
        if (a.y != b.y)
            return a.y < b.y;
        return a.voice < b.voice;
    });

    // Symbols that stand over one another alternate, the first (leftmost,
    // highest, lowest voice) stem up.
    std::vector<CKVMsg*> group;
    int lo = 0;
    int hi = 0;
    auto flush = [&group]() {
        if (group.size() > 1) {
            for (size_t i = 0; i < group.size(); ++i)
                group[i]->ChangeNoteDirection(i % 2 == 0 ? kStemUp : kStemDown, kKeepGraceStems);
        }
        group.clear();
    };
    auto rangeOf = [](const Item& item, int& from, int& to) {
        if (item.msg->m_byKind == MSG_BEAM) {
            from = item.msg->m_nPosX;
            to = item.msg->m_nPosX2;
        } else {
            from = to = item.x;
        }
    };
    for (const Item& item : items) {
        if (group.empty()) {
            rangeOf(item, lo, hi);
            group.push_back(item.msg);
            continue;
        }
        int from = 0;
        int to = 0;
        rangeOf(item, from, to);
        if (from >= lo && to <= hi) {
            group.push_back(item.msg);
            continue;
        }
        flush();
        rangeOf(item, lo, hi);
        group.push_back(item.msg);
    }
    flush();
}

void CKVMeas::ChangeNoteDir(unsigned char voice, short direction, short from)
{
    // The stem changes reach into the symbols' children; the list is copied.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !VoiceMatches(*msg, voice))
            continue;
        bool change = false;
        if (tickmath::IsNoteRestChord(*msg))
            change = msg->m_nPosX >= from;
        else if (msg->m_byKind == MSG_BEAM)
            change = !(msg->m_nPosX < from && msg->m_nPosX2 < from);
        if (change)
            msg->ChangeNoteDirection(direction, kKeepGraceStems);
    }
}

void CKVMeas::SetNoteDir(unsigned char voice, int pos, int up)
{
    std::vector<CKVMsg*> notes;
    NotesAt(*this, voice, pos, notes);
    for (CKVMsg* note : notes) {
        const LONG length = note->m_lHeight < 0 ? -note->m_lHeight : note->m_lHeight;
        note->m_lHeight = up ? -length : length;
    }
}

void CKVMeas::TieDirUpdate(short voice, short offset)
{
    std::vector<CKVMsg*> chords;
    ChordsOf(*this, voice, chords);
    for (CKVMsg* chord : chords) {
        std::vector<CKVMsg*> tied;
        for (int i = 0; i < chord->m_arrMsgRef.GetSize(); ++i) {
            CKVMsg* note = ChildAt(*chord, i);
            if (note && note->m_byKind == MSG_NOTE && (note->m_wFlag & ~MSGFLAG_TIE_START) != 0)
                tied.push_back(note);
        }
        if (tied.size() < 2)
            continue;
        const size_t half = tied.size() / 2;
        size_t handled = 0;
        for (CKVMsg* note : tied) {
            CKVMsg* tie = nullptr;
            for (int i = 0; i < note->m_arrMsgRef.GetSize() && !tie; ++i) {
                CKVMsg* child = ChildAt(*note, i);
                if (child && child->m_byKind == MSG_TIE && child->m_dwWord == note->m_dwMsgId)
                    tie = child;
            }
            if (!tie)
                continue;
            const short bend = static_cast<short>(tie->m_nLayout1 < 0 ? -tie->m_nLayout1 : tie->m_nLayout1);
            if (handled < half) {
                // The lower half curves downwards.
                if (tie->m_nLayout1 < 0)
                    tie->m_nPosY = offset;
                tie->m_nLayout1 = bend;
                tie->m_nLayout2 = bend;
            } else {
                if (tie->m_nLayout1 > 0)
                    tie->m_nPosY = static_cast<short>(-offset);
                tie->m_nLayout1 = static_cast<short>(-bend);
                tie->m_nLayout2 = static_cast<short>(-bend);
            }
            ++handled;
        }
    }
}

void CKVMeas::SetTremolo(unsigned char voice, int from, int to)
{
    for (CKVMsg* note : VoiceNotes(*this, voice)) {
        if (note->m_nPosX > to)
            break;
        if (note->m_nPosX == from)
            note->m_wFlag = static_cast<WORD>((note->m_wFlag | MSGFLAG_TREMOLO_START) & ~MSGFLAG_TREMOLO_END);
        if (note->m_nPosX == to)
            note->m_wFlag = static_cast<WORD>((note->m_wFlag | MSGFLAG_TREMOLO_END) & ~MSGFLAG_TREMOLO_START);
    }
}

void CKVMeas::RemoveTremolo(unsigned char voice, int a, int b)
{
    const int lo = a < b ? a : b;
    const int hi = a < b ? b : a;
    for (CKVMsg* note : VoiceNotes(*this, voice)) {
        if (note->m_nPosX >= lo && note->m_nPosX <= hi)
            note->m_wFlag = static_cast<WORD>(note->m_wFlag & ~(MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END));
    }
}

void CKVMeas::UpdateTremolo()
{
    // Most measures hold neither a tremolo nor a tremolo note. Looking each
    // child up is all the walk below would do for them, so the list of ids
    // is made only once one is found (the lookups already made give the
    // same symbols again).
    if (!measplace::HoldsTremoloWork(*this))
        return;
    // Deleting a tremolo changes the child list; it is walked by id.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_NOTE) {
            if (msg->IsTremoloNote() && !msg->GetTremolo())
                msg->RemoveTremolo();
            continue;
        }
        if (msg->m_byKind != MSG_TREMOLO)
            continue;
        const short start = msg->m_nPosX;
        const short end = msg->m_nPosX2;
        bool valid = start < end;
        if (valid) {
            const short after = static_cast<short>(start + 1);
            CKVMsg* second = GetNearestRightOfX(msg->m_byVoice, after, kNotesOnly, kChordNotesSingly);
            CKVMsg* first = GetNearestLeftOfX(msg->m_byVoice, after, kNotesOnly, kChordNotesSingly);
            valid = second && (second->m_wFlag & MSGFLAG_TREMOLO_END) && first &&
                    (first->m_wFlag & MSGFLAG_TREMOLO_START);
        }
        if (!valid) {
            RemoveTremolo(msg->m_byVoice, start, end);
            DeleteMsg(msg, kUnlinkAndFree);
        }
    }
}

int CKVMeas::IsTrillMsg(CKVMsg* msg)
{
    // Kind 78 has no name among the symbol kinds; it counts as a trill
    // together with the line kind.
    constexpr BYTE kTrillKind = 78;
    return (msg && (msg->m_byKind == kTrillKind || msg->m_byKind == MSG_LINE)) ? 1 : 0;
}

void CKVMeas::Trill2Midi()
{
    // Trills are not played out as notes; the measure keeps its symbols.
}

void CKVMeas::UndoTrillNote()
{
    // Nothing was played out, so there is nothing to take back.
}

// Kinds placed freely on the scale, whose positions left of the scale (in
// the header) must follow a change of the header or the real width.
static bool IsFreelyPlaced(BYTE kind)
{
    switch (kind) {
    case MSG_TEMPO:
    case MSG_FREETEXT:
    case MSG_CODA:
    case MSG_ARPEGGIO:
    case MSG_OCTAVE:
    case MSG_HAIRPIN:
    case MSG_LINE:
    case MSG_TRILL:
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_ZIGZAG_N:
    case MSG_CURVE:
        return true;
    default:
        return false;
    }
}

void CKVMeas::MsgPosCorrect(short newHeader, short newRealWidth)
{
    const short oldHeader = m_nHeaderWidth;
    const short oldRealWidth = m_nRealWidth;
    if ((newHeader == oldHeader && newRealWidth == oldRealWidth) || oldRealWidth == 0)
        return;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = measplace::ChildAt(*this, i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_PAGESLUR) {
            // The curve's further point is an offset in dots from its anchor;
            // it is re-scaled so that the end keeps its place on the scale.
            const int dx = static_cast<short>(msg->m_wObjWord);
            const int end = MeasXToAbsX(msg->m_nPosX, msg->m_byKind) + dx - oldHeader;
            msg->MinusPosCorrect(newHeader, newRealWidth);
            const int newEnd = MulDiv(MulDiv(end, SCALE, oldRealWidth), newRealWidth, SCALE) + newHeader;
            const int newStart = MulDiv(msg->m_nPosX, newRealWidth, SCALE) + newHeader;
            const int newDx = newEnd - newStart;
            if (dx != 0)
                msg->m_wObjWord = static_cast<WORD>(MulDiv(static_cast<short>(msg->m_wObjWord), newDx, dx));
            msg->MakeMsgCtrlPoint();
        } else if (IsFreelyPlaced(msg->m_byKind)) {
            msg->MinusPosCorrect(newHeader, newRealWidth);
            msg->MakeMsgCtrlPoint();
        }
    }
}

namespace {

// A position moved with its split point: left of it scaled on [0, from] to
// [0, to] (modes 1 and 2), right of it on [from, 256] to [to, 256] (modes
// 1 and 3). A scale of no width leaves the position alone.
int MovedPos(int p, int mode, int from, int to)
{
    if (p == from)
        return to;
    if (p < from) {
        if ((mode == 1 || mode == 2) && from != 0)
            return MulDiv(p, to, from);
        return p;
    }
    if ((mode == 1 || mode == 3) && CKVMeas::SCALE - from != 0) {
        const int moved = to + MulDiv(p - from, CKVMeas::SCALE - to, CKVMeas::SCALE - from);
        return moved > CKVMeas::SCALE ? CKVMeas::SCALE : moved;
    }
    return p;
}

// Moves a note and the end of its tremolo that it anchors. The tremolo is
// looked up before the move: it is found by the note's old position.
void MoveNoteTo(CKVMsg& note, short pos)
{
    CKVMsg* tremolo = note.m_byKind == MSG_NOTE && note.IsTremoloNote() ? note.GetTremolo() : nullptr;
    note.m_nPosX = pos;
    if (!tremolo)
        return;
    if (note.m_wFlag & MSGFLAG_TREMOLO_START)
        tremolo->m_nPosX = pos;
    if (note.m_wFlag & MSGFLAG_TREMOLO_END)
        tremolo->m_nPosX2 = pos;
}

} // namespace

void CKVMeas::SetPakPosByNote(short mode, short from, short to, int beamArg)
{
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    std::vector<DWORD> voices[VOICES + 1];
    for (int i = 0; i < m_arrWalk.GetSize(); ++i) {
        const DWORD id = m_arrWalk.GetAt(i);
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (msg && tickmath::IsNoteRestChord(*msg))
            voices[msg->m_byVoice <= VOICES ? msg->m_byVoice : 0].push_back(id);
    }
    for (std::vector<DWORD>& list : voices) {
        if (from < to)
            std::reverse(list.begin(), list.end());
        for (DWORD id : list) {
            CKVMsg* msg = tickmath::Resolve(*this, id);
            if (!msg)
                continue;
            const short pos = static_cast<short>(MovedPos(msg->m_nPosX, mode, from, to));
            if (msg->m_byKind == MSG_CHORD) {
                for (int i = 0; i < msg->m_arrMsgRef.GetSize(); ++i) {
                    if (CKVMsg* member = ChildAt(*msg, i))
                        MoveNoteTo(*member, pos);
                }
                msg->m_nPosX = pos;
            } else {
                MoveNoteTo(*msg, pos);
            }
        }
    }
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* group = tickmath::Resolve(*this, id);
        if (!group || group->m_byKind != MSG_BEAM)
            continue;
        group->BeamXsort(beamArg);
        CKVMsg* first = FirstMember(*group);
        CKVMsg* last = LastMember(*group);
        if (first && last) {
            group->m_nPosX = first->m_nPosX;
            group->m_nPosX2 = last->m_nPosX;
        }
    }
}

void CKVMeas::BelongChordSymbolToNote()
{
    // Symbols leave the list as they go; it is walked by id.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* symbol = tickmath::Resolve(*this, id);
        if (!symbol || symbol->m_byKind != MSG_CHORDSYMBOL)
            continue;
        CKVMsg* target = GetNearestRightOfX(0, symbol->m_nPosX, kNotesAndRests, kChordNotesSingly);
        if (!target || HoldsChordSymbol(*target)) {
            target = GetNearestLeftOfX(0, symbol->m_nPosX, kNotesAndRests, kChordNotesSingly);
            if (target && HoldsChordSymbol(*target))
                target = nullptr;
        }
        if (!target)
            continue;
        symbol->m_nPosX = 0;
        target->AddMsg(symbol, kHolderOwns, kParentHere);
        const short index = IndexOf(*this, id);
        if (index >= 0)
            RemoveAt(index);
    }
}

void CKVMeas::NoteBelongToUpDownStaffForCrossBeam(int, unsigned char voice, short from, short to, CKVMeas* target)
{
    if (!target || target == this)
        return;
    // The flag follows where the staves stand, not the caller's word: a note
    // owned by the staff above is drawn downwards, and the other way round.
    const short ownIndex = GetStaffIndex();
    const short targetIndex = target->GetStaffIndex();
    const bool targetAbove = (ownIndex >= 0 && targetIndex >= 0) ? targetIndex < ownIndex
                                                                 : target->m_nStaffY < m_nStaffY;
    const WORD flag = targetAbove ? MSGFLAG_STAFF_DOWN : MSGFLAG_STAFF_UP;
    const int dy = m_nStaffY - target->m_nStaffY;

    for (CKVMsg* note : VoiceNotes(*this, voice)) {
        if (note->m_nPosX < from || note->m_nPosX > to)
            continue;
        const short oldY = note->m_nPosY;
        const short oldY2 = note->m_nPosY2;
        const WORD oldFlag = note->m_wFlag;
        CKVObject* parent = note->m_pParent;
        const BYTE parentKind = note->m_byParentKind;
        note->m_nPosY2 = note->m_nPosY;
        note->m_nPosY = static_cast<short>(note->m_nPosY + dy);
        note->m_wFlag = static_cast<WORD>((note->m_wFlag & ~(MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) | flag);
        if (target->AddMsg(note, kHolderOwns) <= 0) {
            // The add has reported the failure; the note stays as it was.
            note->m_nPosY = oldY;
            note->m_nPosY2 = oldY2;
            note->m_wFlag = oldFlag;
            note->m_pParent = parent;
            note->m_byParentKind = parentKind;
            return;
        }
        target->MakeChord(note->m_byVoice, note->m_nPosX, note->m_nPosX);
        target->AddUpDownMsgArray(note);
        DeleteMsg(note, kUnlinkOnly);
    }
}
