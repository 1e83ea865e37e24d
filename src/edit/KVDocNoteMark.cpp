// Note marks and slides: adding (or taking away) one on the selected notes,
// their default places, and stripping the marks off the selected notes.

#include "document/KVDoc.h"
#include "document/RecordIO.h"

#include "edit/EditFrame.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMsg.h"
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

bool InChord(const CKVMsg& note)
{
    return (note.m_wFlag & MSGFLAG_CHORD_MEMBER) ||
           (note.m_pParent && note.m_pParent->m_byObjKind == OBJ_MSG &&
            static_cast<CKVMsg*>(note.m_pParent)->m_byKind == MSG_CHORD);
}

std::vector<CKVMsg*> NotesOf(CKVMsg* chord)
{
    std::vector<CKVMsg*> notes;
    if (!chord)
        return notes;
    tickmath::ForEachChild(*chord, [&](CKVMsg* note, short) {
        if (note->m_byKind == MSG_NOTE)
            notes.push_back(note);
        return false;
    });
    return notes;
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
    auto sameMark = [type](const CKVMsg& child) {
        return child.m_byKind == MSG_NOTEMARK && SameFamily(child.m_wHeadType, type);
    };
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
    auto anySlide = [](const CKVMsg& child) { return IsSlide(child.m_byKind); };
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

// Whether the selection holds notes or rests and every one of them holds
// all the symbols its record counts: marks for them are refused whole.
bool EveryMarkedSymbolFull(CKVDoc& doc, unsigned char voice)
{
    CEditFrame query(doc, CEditFrame::Use::Query);
    bool any = false;
    for (CKVMsg* msg : query.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST)
            continue;
        if (kvrec::HasRoomFor(*msg))
            return false;
        any = true;
    }
    return any;
}

} // namespace

void CKVDoc::AddNoteMarkOnSelNote(unsigned char voice, int below, int kind, WORD markType)
{
    if (EveryMarkedSymbolFull(*this, voice))
        return;
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    std::vector<std::vector<CKVMsg*>> passes;
    const int records = m_pSelRectArray ? m_pSelRectArray->GetSize() : 0;
    if (records == 1 || frame.WholeScore()) {
        passes.push_back(frame.Collect(voice));
    } else {
        for (short r = 0; r < records; ++r)
            passes.push_back(frame.CollectRecord(r, voice));
    }
    for (const std::vector<CKVMsg*>& pass : passes) {
        bool chordFlag = false;
        for (CKVMsg* msg : pass) {
            if (msg->m_byKind == MSG_CHORD) {
                m_pLastMember = msg;
                chordFlag = true;
                continue;
            }
            if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST)
                continue;
            if (kind == MSG_NOTEMARK) {
                if (msg->m_byKind == MSG_REST && markType != kFermataOver && markType != kFermataUnder)
                    continue;
            } else if (!IsSlide(static_cast<BYTE>(kind)) || msg->m_byKind == MSG_REST) {
                continue;
            }
            const bool chordNote = InChord(*msg);
            if (!chordNote)
                m_pLastMember = nullptr;
            else if (!chordFlag)
                continue;
            CKVMsg mark;
            mark.m_byKind = static_cast<BYTE>(kind);
            if (kind == MSG_NOTEMARK)
                mark.m_wHeadType = markType;
            mark.m_byVoice = msg->m_byVoice;
            const int placed = kind == MSG_NOTEMARK ? SetDefaultPosOfNoteMark(below, msg, &mark)
                                                    : SetDefaultPosOfSlide(below, msg, &mark);
            if (placed) {
                mark.MakeMsgCtrlPoint();
                AddMsg(msg, &mark, 1, 1);
            }
            chordFlag = false;
            if (kind == MSG_NOTEMARK)
                msg->ReArrangeNoteMarkPos(nullptr);
        }
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
