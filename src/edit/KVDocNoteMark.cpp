// Note marks and slides: adding (or taking away) one on the selected notes,
// their default places, and stripping the marks off the selected notes.

#include "document/KVDoc.h"
#include "document/RecordIO.h"

#include "edit/EditFrame.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr WORD kFermataOver = 29;
constexpr WORD kFermataUnder = 30;

bool IsSlide(BYTE kind)
{
    return kind >= MSG_SLIDE1 && kind <= MSG_SLIDE4;
}

// Mark types a note carries at most one of: 25 to 28, 31 and 32, 33 to 35.
int FamilyOf(WORD type)
{
    if (type >= 25 && type <= 28)
        return 1;
    if (type == 31 || type == 32)
        return 2;
    if (type >= 33 && type <= 35)
        return 3;
    return 0;
}

bool SameFamily(WORD a, WORD b)
{
    return a == b || (FamilyOf(a) != 0 && FamilyOf(a) == FamilyOf(b));
}

// What a mark of `kind` takes away where its note carries one, instead of
// adding itself: a note mark of the same type or family, or any slide.
bool MarkToggles(const CKVMsg& child, int kind, WORD markType)
{
    if (kind == MSG_NOTEMARK)
        return child.m_byKind == MSG_NOTEMARK && SameFamily(child.m_wHeadType, markType);
    return IsSlide(child.m_byKind);
}

bool InChord(const CKVMsg& note)
{
    return (note.m_wFlag & MSGFLAG_CHORD_MEMBER) ||
           (note.m_pParent && note.m_pParent->m_byObjKind == OBJ_MSG &&
            static_cast<CKVMsg*>(note.m_pParent)->m_byKind == MSG_CHORD);
}

// The notes of the chord in context; none outside a chord.
std::vector<CKVMsg*> NotesOf(CKVMsg* chord)
{
    return chord ? measplace::ChordNotes(*chord) : std::vector<CKVMsg*> {};
}

// Takes away the children of `note` that `matches`; whether one went.
template <class Match>
bool RemoveChildren(CKVMsg& note, Match matches)
{
    bool removed = false;
    tickmath::ForEachChild(note, [&](CKVMsg* child, short at) {
        if (!matches(*child))
            return false;
        note.RemoveMsgAt(at);
        removed = true;
        return true;
    });
    return removed;
}

// The mark's size after the corrections its type needs.
SIZE CorrectedMarkSize(SIZE size, WORD type)
{
    LONG& w = size.cx;
    LONG& h = size.cy;
    if (type == 5 || type == 6) {
        h += 4;
    } else if (type >= 7 && type <= 10) {
        w -= 2;
        h -= 2;
    } else if (type == 13) {
        w -= 2;
        h -= 5;
    } else if (type == 14 || type == 47) {
        w = 2;
        h = 2;
    } else if (type == 15 || type == 16 || type == 31 || type == 32) {
        h = 2;
    } else if (type == 17 || type == 18) {
        w -= 2;
        h = 6;
    } else if (type == 19 || type == 20) {
        h = 4;
    } else if (type >= 21 && type <= 24) {
        w -= 2;
        h = 4;
    } else if (type == 25) {
        h = 8;
    } else if (type >= 26 && type <= 28) {
        h = 12;
    } else if (type == 29 || type == 30) {
        w -= 2;
    } else if (type >= 33 && type <= 35) {
        h = 6;
    } else if (type >= 37 && type <= 39) {
        w -= 2;
        h = 3;
    } else if (type == 40) {
        w += 2;
        h = 3;
    } else if (type >= 41 && type <= 46) {
        h = 3;
    } else if (type == 48) {
        w -= 2;
        h = 2;
    } else {
        h += 2;
    }
    return size;
}

// Halves rounded toward minus infinity.
int FloorHalf(int value)
{
    return static_cast<int>(std::floor(value / 2.0));
}

} // namespace

int CKVDoc::ChordMarkDistance(CKVMsg* note, int below)
{
    const std::vector<CKVMsg*> notes = NotesOf(m_pLastMember);
    if (!note || notes.empty())
        return 0;
    const CKVMsg* outer = below ? notes.front() : notes.back();
    return std::abs(note->m_nPosY - outer->m_nPosY);
}

int CKVDoc::SetDefaultPosOfNoteMark(unsigned int below, CKVMsg* note, CKVMsg* mark)
{
    if (!note || !mark)
        return 0;
    const WORD type = mark->m_wHeadType;
    if (note->m_byKind == MSG_REST && type != kFermataOver && type != kFermataUnder)
        return 0;
    auto sameMark = [type](const CKVMsg& child) { return MarkToggles(child, MSG_NOTEMARK, type); };
    bool removed = false;
    if (m_pLastMember) {
        for (CKVMsg* member : NotesOf(m_pLastMember))
            removed = RemoveChildren(*member, sameMark) || removed;
    } else {
        removed = RemoveChildren(*note, sameMark);
    }
    if (removed)
        return 0;
    const SIZE size = CorrectedMarkSize(type >= 1 && type <= kMarkSizes ? m_sizeMark[type - 1] : SIZE {0, 0}, type);
    const int w = size.cx;
    const int h = size.cy;
    const int space = m_nStaffSpace;
    const int d = ChordMarkDistance(note, below != 0);
    const int code = tickmath::DurationCode(*note);
    const int offset = note->m_nLayout1;
    const bool wide = type >= 41 && type <= 46;
    int x = 0;
    int y = 0;
    if (code == DUR_BREVE || code == DUR_WHOLE) {
        x = (GetHeadWidth(note) - w) / 2;
        y = below ? space + h + d : -space - d;
    } else if (offset >= 0) {
        if (below) {
            x = -w / 2;
            y = offset + h + 2;
        } else {
            x = (space - w) / 2;
            y = -space - d;
            if (wide && !m_pLastMember)
                y -= space / 2;
        }
    } else {
        if (below) {
            x = (space - w) / 2;
            y = space + h + d;
        } else {
            x = space - w / 2;
            y = offset - 2;
            if (wide)
                y -= 4;
        }
    }
    mark->m_nPosX = static_cast<short>(x);
    mark->m_nPosY = static_cast<short>(y);
    return 1;
}

int CKVDoc::SetDefaultPosOfSlide(int below, CKVMsg* note, CKVMsg* slide)
{
    if (!note || !slide)
        return 0;
    auto anySlide = [&](const CKVMsg& child) { return MarkToggles(child, slide->m_byKind, 0); };
    bool removed = false;
    const std::vector<CKVMsg*> chordNotes = NotesOf(m_pLastMember);
    if (m_pLastMember) {
        for (CKVMsg* member : chordNotes)
            removed = RemoveChildren(*member, anySlide) || removed;
    } else {
        removed = RemoveChildren(*note, anySlide);
    }
    if (removed)
        return 0;
    const int index = 2 + slide->m_byKind - MSG_SLIDE1;
    const SIZE size = IsSlide(slide->m_byKind) ? m_sizeSingle[index] : SIZE {0, 0};
    const int w = size.cx;
    const int h = size.cy;
    const int space = m_nStaffSpace;
    const int d = ChordMarkDistance(note, below);
    const int code = tickmath::DurationCode(*note);
    const int offset = note->m_nLayout1;
    const bool chord = !chordNotes.empty();
    int x = 0;
    int y = 0;
    if (code == DUR_BREVE || code == DUR_WHOLE) {
        const int head = GetHeadWidth(note);
        if (below) {
            x = head / 2 - w / 2 - 1;
            y = space + h + d;
        } else {
            x = head / 2 - w / 2;
            y = chord ? -((space + h) / 2) - d : FloorHalf(-(space + h));
        }
    } else if (offset >= 0) {
        if (below) {
            x = 0;
            y = -space - d;
        } else {
            const int stem = chord ? chordNotes.front()->m_nLayout1 : offset;
            x = -space / 2;
            y = FloorHalf(stem + h) + d;
        }
    } else {
        if (below) {
            x = 0;
            y = space + h + d;
        } else {
            const int stem = chord ? chordNotes.back()->m_nLayout1 : offset;
            x = space / 2;
            y = FloorHalf(stem + h) - d;
        }
    }
    slide->m_nPosX = static_cast<short>(x);
    slide->m_nPosY = static_cast<short>(y);
    return 1;
}

namespace {

// Whether a mark of `kind` goes to a note or rest: a note mark to a note, or
// to a rest where it is a fermata; a slide to a note.
bool TakesMark(const CKVMsg& msg, int kind, WORD markType)
{
    if (kind == MSG_NOTEMARK)
        return msg.m_byKind == MSG_NOTE ||
               (msg.m_byKind == MSG_REST && (markType == kFermataOver || markType == kFermataUnder));
    return IsSlide(static_cast<BYTE>(kind)) && msg.m_byKind == MSG_NOTE;
}

// Visits, in order, the symbols of a pass that a mark goes to, each with
// the chord it stands for (null outside a chord): a chord is marked on the
// first of its notes that follows it, and its other notes are passed over.
template <class Visit>
void ForEachMarkTarget(const std::vector<CKVMsg*>& pass, int kind, WORD markType, Visit visit)
{
    CKVMsg* chord = nullptr;
    bool chordOpen = false;
    for (CKVMsg* msg : pass) {
        if (msg->m_byKind == MSG_CHORD) {
            chord = msg;
            chordOpen = true;
            continue;
        }
        if (!TakesMark(*msg, kind, markType))
            continue;
        if (!InChord(*msg))
            chord = nullptr;
        else if (!chordOpen)
            continue;
        chordOpen = false;
        visit(*msg, chord);
    }
}

// The passes a mark command makes: the whole collection with one record or
// every page selected, else record by record.
std::vector<std::vector<CKVMsg*>> MarkPasses(CKVDoc& doc, CEditFrame& frame, unsigned char voice)
{
    std::vector<std::vector<CKVMsg*>> passes;
    const int records = doc.m_pSelRectArray ? doc.m_pSelRectArray->GetSize() : 0;
    if (records == 1 || frame.WholeScore()) {
        passes.push_back(frame.Collect(voice));
    } else {
        for (short r = 0; r < records; ++r)
            passes.push_back(frame.CollectRecord(r, voice));
    }
    return passes;
}

// Whether marking a target changes it: it takes the mark away where the
// note (or any note of its chord) carries one the mark toggles, and
// otherwise adds it where the note's record has room.
bool MarkChanges(CKVMsg& target, CKVMsg* chord, int kind, WORD markType)
{
    const std::vector<CKVMsg*> notes = chord ? NotesOf(chord) : std::vector<CKVMsg*> {&target};
    for (CKVMsg* note : notes) {
        for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
            const CKVMsg* child = measplace::ChildAt(*note, i);
            if (child && MarkToggles(*child, kind, markType))
                return true;
        }
    }
    return kvrec::HasRoomFor(target);
}

// Whether the mark would change nothing: no symbol the command reaches takes
// it, or every one that does is full and carries no mark it toggles. Such a
// command is refused before its step opens.
bool MarkChangesNothing(CKVDoc& doc, unsigned char voice, int kind, WORD markType)
{
    CEditFrame query(doc, CEditFrame::Use::Query);
    bool changes = false;
    for (const std::vector<CKVMsg*>& pass : MarkPasses(doc, query, voice)) {
        ForEachMarkTarget(pass, kind, markType, [&](CKVMsg& target, CKVMsg* chord) {
            changes = changes || MarkChanges(target, chord, kind, markType);
        });
    }
    return !changes;
}

} // namespace

void CKVDoc::AddNoteMarkOnSelNote(unsigned char voice, int below, int kind, WORD markType)
{
    if (MarkChangesNothing(*this, voice, kind, markType))
        return;
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (const std::vector<CKVMsg*>& pass : MarkPasses(*this, frame, voice)) {
        ForEachMarkTarget(pass, kind, markType, [&](CKVMsg& msg, CKVMsg* chord) {
            // The chord is the context its note's mark is placed in.
            m_pLastMember = chord;
            CKVMsg mark;
            mark.m_byKind = static_cast<BYTE>(kind);
            if (kind == MSG_NOTEMARK)
                mark.m_wHeadType = markType;
            mark.m_byVoice = msg.m_byVoice;
            const int placed = kind == MSG_NOTEMARK ? SetDefaultPosOfNoteMark(below, &msg, &mark)
                                                    : SetDefaultPosOfSlide(below, &msg, &mark);
            if (placed) {
                mark.MakeMsgCtrlPoint();
                AddMsg(&msg, &mark, 1, 1);
            }
            if (kind == MSG_NOTEMARK)
                msg.ReArrangeNoteMarkPos(nullptr);
        });
    }
    // The chord met last is no one's context after the command.
    m_pLastMember = nullptr;
    frame.Close();
}

void CKVDoc::SelNoteDelNoteMark(short voice)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST)
            continue;
        RemoveChildren(*msg, [](const CKVMsg& child) {
            switch (child.m_byKind) {
            case MSG_TIE:
            case MSG_SLUR:
            case MSG_TUPLET:
            case MSG_LYRIC:
            case MSG_CHORDSYMBOL:
                return false;
            default:
                return true;
            }
        });
    }
    frame.Close();
}
