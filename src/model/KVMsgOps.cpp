// Operations on one symbol and the symbols grouped under it: attributes,
// durations and stems, attached marks, chords, tremolo pairs, beam ends, tie
// twins and older text forms.

#include "model/KVMsg.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/PitchMath.h"
#include "model/TextRuns.h"
#include "model/TickMath.h"
#include "platform/CodePage.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {

using tickmath::ChildIds;
using tickmath::Resolve;

int StaffSpaceOf(const CKVObject& node)
{
    CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nStaffSpace : nCurStaffSpace;
}

// The document's stem length: seven eighths of the music-font height.
int StemLengthOf(const CKVObject& node)
{
    CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nFontHeight78 : 0;
}

// Gate time and key in the MIDI head of a note; a head too short to hold
// the field counts as none.
bool HasGate(const CKVMsg& note)
{
    return note.m_pHead && note.m_wHeadLen >= MidiNoteHead::GateTimeOffset + 4;
}

DWORD ReadGate(const CKVMsg& note)
{
    if (!HasGate(note))
        return 0;
    return GetDword(note.m_pHead + MidiNoteHead::GateTimeOffset);
}

void WriteGate(CKVMsg& note, DWORD gate)
{
    if (!HasGate(note))
        return;
    PutDword(note.m_pHead + MidiNoteHead::GateTimeOffset, gate);
}

int HeadKey(const CKVMsg& note)
{
    return note.m_pHead && note.m_wHeadLen > MidiNoteHead::KeyOffset ? note.m_pHead[MidiNoteHead::KeyOffset] : -1;
}

// The middle line of a five-line staff: -4 x (S / 2).
int MiddleLine(int space)
{
    return -4 * (space / 2);
}

} // namespace

short CKVMsg::GetNoteHeight()
{
    return m_byKind == MSG_NOTE ? static_cast<short>(m_lHeight) : -1;
}

void CKVMsg::SetNoteHeight(short height)
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_CHORD)
        return;
    // The value gives the length; the stored sign keeps the direction.
    const LONG length = std::abs(static_cast<LONG>(height));
    m_lHeight = m_lHeight < 1 ? -length : length;
}

short CKVMsg::GetTemporarySymbolGap()
{
    return m_byKind == MSG_NOTE ? m_nLayout4 : -1;
}

void CKVMsg::SetTemporarySymbolGap(short quarters)
{
    if (m_byKind != MSG_NOTE)
        return;
    m_nLayout4 = ClampToShort(StaffSpaceOf(*this) / 4 * quarters);
    MakeNoteMarkCtrl();
}

short CKVMsg::GetNoteHeadType()
{
    return m_byKind == MSG_NOTE ? static_cast<short>(m_wHeadType) : -1;
}

void CKVMsg::SetNoteHeadType(short type)
{
    if (tickmath::IsContainer(*this)) {
        for (CKVMsg* member : tickmath::LiveChildren(*this))
            member->SetNoteHeadType(type);
        return;
    }
    if (m_byKind != MSG_NOTE)
        return;
    // Head 7 is kept under its newer number.
    m_wHeadType = static_cast<WORD>(type == 7 ? 26 : type);
}

short CKVMsg::GetRestType()
{
    return m_byKind == MSG_REST ? static_cast<short>(m_wDuration) : -1;
}

void CKVMsg::SetRestType(short type)
{
    if (m_byKind == MSG_REST)
        m_wDuration = static_cast<WORD>(type);
}

short CKVMsg::GetToilThick()
{
    return m_byKind == MSG_BEAM ? static_cast<short>(m_wObjWord) : -1;
}

void CKVMsg::SetToilThick(short thick)
{
    if (m_byKind == MSG_BEAM)
        m_wObjWord = static_cast<WORD>(thick);
}

void CKVMsg::SetTail(int on)
{
    if (m_byKind == MSG_NOTE || m_byKind == MSG_CHORD) {
        if (on)
            m_wFlag = static_cast<WORD>(m_wFlag | MSGFLAG_TAIL);
        else
            m_wFlag = static_cast<WORD>(m_wFlag & ~MSGFLAG_TAIL);
    }
    if (tickmath::IsContainer(*this)) {
        for (CKVMsg* member : tickmath::LiveChildren(*this))
            member->SetTail(on);
    }
}

void CKVMsg::ChangeToRaw(int voice)
{
    // A beam group passes it on; notes and chords take it themselves.
    if (m_byKind == MSG_NOTE || m_byKind == MSG_CHORD) {
        m_lHeight = 0;
        m_wHeadType = 1;
    }
    if (tickmath::IsContainer(*this)) {
        for (CKVMsg* member : tickmath::LiveChildren(*this))
            member->ChangeToRaw(voice);
    }
}

void CKVMsg::SetTupletType(WORD type)
{
    if (tickmath::IsContainer(*this)) {
        for (CKVMsg* member : tickmath::LiveChildren(*this))
            member->SetTupletType(type);
        return;
    }
    if (m_byKind == MSG_NOTE || m_byKind == MSG_REST)
        m_dwWord = (static_cast<DWORD>(type) << 16) | (m_dwWord & 0xFFFFu);
}

short CKVMsg::GetMeasIndex()
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_BEAM && m_byKind != MSG_CHORD)
        return -1;
    CKVMeas* meas = tickmath::MeasureOf(this);
    CKVStaff* staff = kvpitch::StaffOfMeas(meas);
    return staff ? staff->GetMeasIndex(meas) : -1;
}

int CKVMsg::IsTremoloNote()
{
    return m_byKind == MSG_NOTE && (m_wFlag & (MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END)) ? 1 : 0;
}

void CKVMsg::GetMemorySize(DWORD& total)
{
    constexpr DWORD kMsgBytes = 172;
    constexpr DWORD kRefBytes = 12;
    const DWORD headLen = m_pHead ? m_wHeadLen : 0;
    total += kMsgBytes + kRefBytes * static_cast<DWORD>(m_arrMsgRef.GetSize()) + headLen;
    if (!m_pSystem)
        return;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = m_arrMsgRef.GetAt(i);
        CKVMsg* child = ref ? m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        // A damaged list naming the symbol itself must not recurse forever.
        if (child && child != this)
            child->GetMemorySize(total);
    }
}

void CKVMsg::SetMidiKeyAndHeadByY()
{
    if (m_byKind == MSG_NOTE) {
        CKVMeas* meas = tickmath::MeasureOf(this);
        const BYTE staffKind = measplace::StaffKindOf(meas);
        // A drum row decides the head before the key is read from it.
        if (meas && (staffKind == CKVStaff::KIND_DRUM || staffKind == CKVStaff::KIND_DRUM_SECOND))
            m_wHeadType = meas->GetDrumHeadType(m_nPosY);
    }
    MakeMidiMsgFromY(1);
}

void CKVMsg::ChangeNoteAttr(DWORD mask, int height, int gap, int headType, int thick, int restType)
{
    if (mask & kAttrHeight)
        SetNoteHeight(static_cast<short>(height));
    if ((mask & kAttrSymbolGap) && m_byKind == MSG_NOTE)
        SetTemporarySymbolGap(static_cast<short>(gap));
    if (mask & kAttrThickness)
        SetToilThick(static_cast<short>(thick));
    if (mask & kAttrRestType)
        SetRestType(static_cast<short>(restType));
    if ((mask & kAttrHeadType) && m_byKind == MSG_NOTE)
        SetNoteHeadType(static_cast<short>(headType));
    const bool noteOrChord = m_byKind == MSG_NOTE || m_byKind == MSG_CHORD;
    if ((mask & kAttrSetTail) && noteOrChord)
        SetTail(1);
    if ((mask & kAttrClearTail) && noteOrChord)
        SetTail(0);
}

int CKVMsg::ChangeDurationSelNote(int code, int setCode, DWORD dots, int gatePercent)
{
    if (!tickmath::IsNoteRestChord(*this))
        return 0;
    if (code >= 0) {
        m_byDots = static_cast<BYTE>(dots);
        if (setCode)
            m_wDuration = static_cast<WORD>(code);
    }
    if (m_byKind == MSG_CHORD) {
        for (CKVMsg* member : tickmath::LiveChildren(*this))
            member->ChangeDurationSelNote(code, setCode, dots, gatePercent);
        return 0;
    }
    CalcPlayTime();
    if (CKVMeas* meas = tickmath::MeasureOf(this))
        meas->UpdateStartTime(m_byVoice, 1, 1, kPerformedStartStays);
    if (m_byKind == MSG_REST) {
        UpdateRestPosY(0);
    } else if (HasGate(*this)) {
        int gate = m_nPlayTime;
        if (gatePercent >= 0)
            gate = MulDiv(gate, gatePercent, 100);
        WriteGate(*this, static_cast<DWORD>(gate));
    }
    MakeNoteMarkCtrl();
    return 1;
}

void CKVMsg::SetPlayTime()
{
    if (m_byKind == MSG_CHORD) {
        for (CKVMsg* member : tickmath::LiveChildren(*this)) {
            member->m_wObjWord = m_wObjWord;
            member->m_byDots = m_byDots;
            member->SetPlayTime();
        }
        return;
    }
    if ((m_byKind != MSG_NOTE && m_byKind != MSG_REST) || !HasGate(*this))
        return;
    const int oldPlay = m_nPlayTime;
    const int gate = static_cast<int>(ReadGate(*this));
    CalcPlayTime();
    // Without a play time to compare with there is no ratio to keep, and
    // the gate stays as it was rather than silencing the note.
    if (oldPlay <= 0)
        return;
    const int percent = MulDiv(gate, 100, oldPlay);
    WriteGate(*this, static_cast<DWORD>(MulDiv(m_nPlayTime, percent, 100)));
}

void CKVMsg::TupletReset()
{
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child->m_byKind == MSG_TUPLET)
            child->m_byReplace = 1;
        if (child != this)
            child->TupletReset();
    }
}

DWORD CKVMsg::GetRealNoteDur()
{
    if (m_byKind != MSG_NOTE)
        return 0;
    const DWORD gate = ReadGate(*this);
    if (!(m_wFlag & MSGFLAG_TIE_START))
        return gate;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return gate;
    // The tied continuation may sit in a beam group or chord: walk the notes
    // one by one in time order.
    const int key = HeadKey(*this);
    DWORD total = gate;
    const CKVMsg* current = this;
    for (DWORD id : kvpitch::WalkCopy(*meas, 0)) {
        CKVMsg* note = Resolve(*meas, id);
        if (!note || note == this || note->m_byKind != MSG_NOTE)
            continue;
        if (note->m_nPosX <= current->m_nPosX || HeadKey(*note) != key)
            continue;
        total += ReadGate(*note);
        if (!(note->m_wFlag & MSGFLAG_TIE_START))
            return total;
        current = note;
    }
    const int rest = meas->m_nLength - m_nPerformStart;
    return static_cast<DWORD>(std::max(rest, 0));
}

void CKVMsg::ChangeNoteDirection(int direction, int force)
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_CHORD && m_byKind != MSG_BEAM)
        return;
    if ((m_wFlag & MSGFLAG_GRACE) && m_byKind != MSG_BEAM && !force)
        return;
    if (direction == kStemOfVoice) {
        CKVDoc* doc = DocOf(*this);
        direction = doc ? doc->m_CtrlTool.GetNoteDirection(m_byVoice) : kStemDefault;
    }
    CKVMeas* meas = tickmath::MeasureOf(this);
    const BYTE staffKind = measplace::StaffKindOf(meas);
    const int middle = MiddleLine(StaffSpaceOf(*this));

    if (m_byKind == MSG_BEAM) {
        int down = direction == kStemDown ? kBeamDown : kBeamUp;
        int automatic = kBeamGivenDirection;
        if (direction == kStemDefault) {
            if (staffKind == CKVStaff::KIND_DRUM_SECOND) {
                CKVMsg* first = GetMsg(0);
                down = first && first->m_nPosY > middle ? kBeamDown : kBeamUp;
            } else if (staffKind != CKVStaff::KIND_ONE_LINE) {
                automatic = kBeamAutoDirection;
                down = kBeamDown;
            }
        }
        BeamDirection(kBeamKeepSpacing, kBeamSetHeights, automatic, down);
        return;
    }

    // Staves whose notes all sit at one place decide by position alone.
    if (direction == kStemDefault && staffKind == CKVStaff::KIND_DRUM_SECOND)
        direction = m_nPosY > middle ? kStemDown : kStemUp;
    else if (direction == kStemDefault && staffKind == CKVStaff::KIND_ONE_LINE)
        direction = kStemUp;

    if (m_byKind == MSG_NOTE) {
        const LONG before = m_lHeight;
        if (direction == kStemUp) {
            CalcNoteHeight(1);
            m_lHeight = -std::abs(m_lHeight);
        } else if (direction == kStemDown) {
            CalcNoteHeight(2);
            m_lHeight = std::abs(m_lHeight);
        } else {
            CalcNoteHeight(0);
        }
        if ((before < 0) != (m_lHeight < 0)) {
            // The stem end that marks and slides are placed against.
            m_nLayout1 = ClampToShort(static_cast<int>(m_lHeight));
            UpdateNoteMarkPos();
        }
    } else {
        std::vector<CKVMsg*> members = tickmath::LiveChildren(*this);
        if (direction == kStemUp || direction == kStemDown) {
            for (CKVMsg* member : members)
                member->ChangeNoteDirection(direction, force);
            m_lHeight = direction == kStemUp ? -std::abs(m_lHeight) : std::abs(m_lHeight);
        } else if (!members.empty()) {
            CKVMsg* first = members.front();
            CKVMsg* last = members.back();
            const LONG stem = StemLengthOf(*this);
            if (std::abs(first->m_nPosY - middle) <= std::abs(last->m_nPosY - middle)) {
                if (first->m_nPosY == last->m_nPosY) {
                    first->ChangeNoteDirection(kStemDefault, force);
                    m_lHeight = first->m_lHeight;
                    m_nPosY = last->m_nPosY;
                } else {
                    m_lHeight = stem;
                    m_nPosY = last->m_nPosY;
                    for (CKVMsg* member : members)
                        member->ChangeNoteDirection(kStemDown, force);
                }
            } else {
                m_lHeight = -stem;
                m_nPosY = first->m_nPosY;
                for (CKVMsg* member : members)
                    member->ChangeNoteDirection(kStemUp, force);
            }
        }
        ChordKeyOrder();
        ChordDotOrder();
    }

    if (IsTremoloNote() && meas) {
        if (CKVMsg* tremolo = GetTremolo()) {
            CKVMsg* first = meas->GetNearestLeftOfX(m_byVoice, static_cast<short>(tremolo->m_nPosX + 1),
                                                    kNotesAndRests, kChordsWhole);
            CKVMsg* second = meas->GetNearestRightOfX(m_byVoice, tremolo->m_nPosX2, kNotesAndRests, kChordsWhole);
            if (first && second)
                tremolo->SetTremoloPosY2Default(first, second);
        }
    }
}

void CKVMsg::CalcNoteHeight(short mode)
{
    if (m_byKind != MSG_NOTE)
        return;
    const int space = StaffSpaceOf(*this);
    const int stem = StemLengthOf(*this);
    const int y = (m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) ? m_nPosY2 : m_nPosY;
    int length = 0;
    if (y < 0)
        length = std::max(std::abs(stem), std::abs(y) - 2 * space);
    else
        length = std::abs(stem) <= y + 2 * space ? y + 2 * space : std::abs(stem);
    if (mode == 0)
        m_lHeight = y <= MiddleLine(space) ? length : -length;
    else if (mode == 1)
        m_lHeight = y < 1 ? stem : -length;
    else if (mode == 2)
        m_lHeight = y < 0 ? length : stem;
}

short CKVMsg::GetMsgOfRightPos(short x)
{
    if (m_byKind == MSG_NOTE || m_byKind == MSG_REST)
        return m_nPosX >= x ? m_nPosX : -1;
    short best = -1;
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child == this)
            continue;
        const short pos = child->GetMsgOfRightPos(x);
        if (pos >= 0 && (best < 0 || pos < best))
            best = pos;
    }
    return best;
}

short CKVMsg::GetMsgOfLeftPos(short x)
{
    if (m_byKind == MSG_NOTE || m_byKind == MSG_REST)
        return m_nPosX < x ? m_nPosX : -1;
    short best = -1;
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child == this)
            continue;
        best = std::max(best, child->GetMsgOfLeftPos(x));
    }
    return best;
}

void CKVMsg::SetStartTimeByXPos()
{
    auto passOn = [](CKVMsg* member, short) {
        member->SetStartTimeByXPos();
        return false;
    };
    if (m_byKind == MSG_BEAM) {
        tickmath::ForEachChild(*this, passOn);
        return;
    }
    if (!tickmath::IsNoteRestChord(*this))
        return;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return;
    const std::int64_t length = meas->m_nLength;
    std::int64_t start = length * m_nPosX / CKVMeas::SCALE;
    if (start > length)
        start = length;
    if (start < 0)
        start = 0;
    m_nStartTime = static_cast<short>(start);
    m_nPerformStart = static_cast<short>(start);
    if (m_byKind == MSG_CHORD)
        tickmath::ForEachChild(*this, passOn);
}

void CKVMsg::TupletSlurPosOrder(short dx, short dy, short minHeight)
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_REST)
        return;
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR)
            child->SlurPosOrder(dx, dy, minHeight, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
        else if (child->m_byKind == MSG_TUPLET)
            child->TupletPosOrder();
    }
}

short CKVMsg::GetAlpegioInfo()
{
    if (m_byKind != MSG_ARPEGGIO || !m_pParent || m_pParent->m_byObjKind != OBJ_MEAS)
        return 0;
    CKVMeas* meas = static_cast<CKVMeas*>(m_pParent);
    CKVStaff* ownStaff = kvpitch::StaffOfMeas(meas);
    CKVDoc* doc = DocOf(*this);
    if (!ownStaff || !doc)
        return 0;
    CKVBlock* block = doc->GetBlockByMeas(meas);
    if (!block)
        return 0;
    LONG index = -1;
    for (LONG i = 0; i < ownStaff->GetMeasNum(); ++i) {
        if (ownStaff->GetMeas(i) == meas) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return 0;
    const int space = StaffSpaceOf(*this);
    const int lowest = meas->m_rcMeas.top + std::max(m_nPosY, m_nPosY2);
    int ownIndex = -1;
    int count = 0;
    for (short i = 0; i < block->GetStaffNum(); ++i) {
        CKVStaff* staff = block->GetStaff(i);
        CKVMeas* other = staff ? staff->GetMeas(index) : nullptr;
        if (!other)
            continue;
        if (other->m_rcMeas.top - space > lowest)
            break;
        if (staff == ownStaff)
            ownIndex = i;
        else if (ownIndex >= 0)
            ++count;
    }
    return static_cast<short>(1 + count);
}

void CKVMsg::UpdateNoteMarkPos()
{
    CKVDoc* doc = DocOf(*this);
    const int space = StaffSpaceOf(*this);
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child->m_byKind == MSG_NOTEMARK) {
            child->m_nPosY = ClampToShort(-child->m_nPosY);
            continue;
        }
        if (child->m_byKind < MSG_SLIDE1 || child->m_byKind > MSG_SLIDE4)
            continue;
        const int glyph = doc ? doc->m_sizeSingle[2 + (child->m_byKind - MSG_SLIDE1)].cy : 0;
        if ((m_wDuration & 0xFF) < DUR_HALF) {
            child->m_nPosX = 0;
            child->m_nPosY = ClampToShort(-(glyph / 2 + space / 2));
        } else {
            child->m_nPosX = ClampToShort(m_nLayout1 >= 0 ? -space / 2 : space / 2);
            child->m_nPosY = ClampToShort((m_nLayout1 + glyph) / 2);
        }
    }
}

void CKVMsg::NoteMarkUpDown(int mode, CKVMsg* model)
{
    if (m_byKind != MSG_NOTE || !model)
        return;
    std::vector<CKVMsg*> marks;
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        switch (child->m_byKind) {
        case MSG_TIE:
        case MSG_SLUR:
        case MSG_TUPLET:
        case MSG_LYRIC:
        case MSG_CHORDSYMBOL:
            continue;
        default:
            break;
        }
        if (child->m_byKind == model->m_byKind && child->m_wHeadType == model->m_wHeadType)
            marks.push_back(child);
    }
    if (mode == 1) {
        const bool anyAbove = std::any_of(marks.begin(), marks.end(), [](CKVMsg* m) { return m->m_nPosY < 0; });
        for (CKVMsg* mark : marks) {
            if (anyAbove)
                mark->m_nPosY = ClampToShort(mark->m_nPosY - 2);
            else if (mark->m_nPosY >= 0)
                mark->m_nPosY = ClampToShort(mark->m_nPosY + 2);
        }
        return;
    }
    for (CKVMsg* mark : marks) {
        if (mark->m_nPosY > 0)
            mark->m_nPosY = ClampToShort(mark->m_nPosY + 2);
    }
}

namespace {

// The drawn width and the gap to the note of a note mark, by mark number,
// from its glyph's width w and height h.
void MarkWidthAndGap(int m, int w, int h, int& width, int& gap)
{
    width = w;
    gap = h + 2;
    if (m == 5 || m == 6) {
        gap = h + 4;
    } else if (m >= 7 && m <= 10) {
        width = w - 2;
        gap = h - 2;
    } else if (m == 13) {
        width = w - 2;
        gap = h - 5;
    } else if (m == 14 || m == 47) {
        width = 2;
        gap = 2;
    } else if (m == 15) {
        gap = h;
    } else if (m == 16 || m == 31 || m == 32) {
        gap = 2;
    } else if (m == 17 || m == 18) {
        width = w - 2;
        gap = 6;
    } else if (m == 19 || m == 20) {
        gap = 4;
    } else if (m >= 21 && m <= 24) {
        width = w - 2;
        gap = 4;
    } else if (m == 25) {
        gap = 8;
    } else if (m >= 26 && m <= 28) {
        gap = 12;
    } else if (m == 29 || m == 30) {
        width = w - 2;
        gap = h;
    } else if (m >= 33 && m <= 35) {
        gap = 6;
    } else if (m >= 37 && m <= 39) {
        width = w - 2;
        gap = 3;
    } else if (m == 40) {
        width = w + 2;
        gap = 3;
    } else if (m >= 41 && m <= 46) {
        gap = 3;
    } else if (m == 48) {
        width = w - 2;
        gap = 2;
    }
}

bool IsOrnamentMark(int m)
{
    return m >= 41 && m <= 46;
}

} // namespace

void CKVMsg::ReArrangeNoteMarkPos(CKVMsg*)
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_REST)
        return;
    CKVDoc* doc = DocOf(*this);
    const int space = StaffSpaceOf(*this);
    // The chord whose notes are being marked: marks clear its outer notes.
    CKVMsg* chord = doc && doc->m_pLastMember && doc->m_pLastMember->m_byKind == MSG_CHORD ? doc->m_pLastMember
                                                                                           : nullptr;
    int toTop = 0;    // from this note up to the chord's highest note
    int toBottom = 0; // from this note down to the chord's lowest note
    if (chord) {
        std::vector<CKVMsg*> members = tickmath::LiveChildren(*chord);
        if (!members.empty()) {
            toBottom = std::abs(members.front()->m_nPosY - m_nPosY);
            toTop = std::abs(m_nPosY - members.back()->m_nPosY);
        } else {
            chord = nullptr;
        }
    }
    const int layout1 = m_nLayout1;
    std::vector<CKVMsg*> marks;
    for (CKVMsg* child : tickmath::LiveChildren(*this)) {
        if (child->m_byKind == MSG_NOTEMARK)
            marks.push_back(child);
    }

    for (CKVMsg* mark : marks) {
        const int m = mark->m_wHeadType;
        int w = 0;
        int h = 0;
        // Mark numbers come from files; one outside the table has no glyph.
        if (doc && m >= 1 && m <= CKVDoc::kMarkSizes) {
            w = doc->m_sizeMark[m - 1].cx;
            h = doc->m_sizeMark[m - 1].cy;
        }
        int width = 0;
        int gap = 0;
        MarkWidthAndGap(m, w, h, width, gap);
        int x = mark->m_nPosX;
        int y = mark->m_nPosY;
        if (m_byKind == MSG_NOTE && (m_wDuration & 0xFF) < DUR_HALF) {
            x = ((doc ? doc->GetHeadWidth(this) : 0) - width) / 2;
            const bool opposite = (layout1 < 0 && y > 0) || (layout1 > 0 && y < 0);
            if (opposite)
                y = -space - (chord ? toTop : 0);
            else
                y = space + gap + (chord ? toBottom : 0);
        } else if (layout1 >= 0) {
            if (y < 1) {
                x = (space - width) / 2;
                y = -space;
                if (chord)
                    y -= toTop;
                else if (IsOrnamentMark(m))
                    y -= space / 2;
            } else {
                const int half = -width - 1;
                x = half >= 0 ? half / 2 : -((-half + 1) / 2);
                y = gap / 2 + layout1;
            }
        } else {
            if (y < 1) {
                x = space - width / 2;
                y = layout1 - 2 - (IsOrnamentMark(m) ? 4 : 0);
            } else {
                x = (space - width) / 2;
                y = space + gap + (chord ? toBottom : 0);
            }
        }
        mark->m_nPosX = ClampToShort(x);
        mark->m_nPosY = ClampToShort(y);
    }

    int below = 0;
    int above = 0;
    const int pos = m_nPosY;
    for (CKVMsg* mark : marks) {
        int y = mark->m_nPosY;
        if (y >= 0) {
            y += below;
            if (pos + y < space) {
                const int pushed = space + 2 - pos;
                below += pushed - y;
                y = pushed;
            }
            below += 13;
        } else {
            y += above;
            if (pos + y > -4 * space) {
                const int pushed = -4 * space - 2 - pos;
                above += pushed - y;
                y = pushed;
            }
            above -= 13;
        }
        const int r = space > 0 ? std::abs(pos + y) % space : 0;
        if (r != space / 2) {
            const int step = space / 2 + r;
            y += y >= 1 ? step : -step;
        }
        const int m = mark->m_wHeadType;
        if (m == 15 || m == 16)
            y += y >= 1 ? space / 2 : -space / 2;
        mark->m_nPosY = ClampToShort(y);
    }
}

void CKVMsg::UpdateChord()
{
    if (m_byKind == MSG_BEAM) {
        for (CKVMsg* member : tickmath::LiveChildren(*this)) {
            if (member->m_byKind == MSG_CHORD)
                member->UpdateChord();
        }
        CKVMeas* meas = tickmath::MeasureOf(this);
        // Rests before the first note no longer belong under the beam.
        for (short i = 0; i < GetMsgNum();) {
            const short before = GetMsgNum();
            CKVMsg* member = GetMsg(i);
            if (!member) {
                if (GetMsgNum() == before)
                    ++i;
                continue;
            }
            if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_CHORD)
                break;
            if (member->m_byKind != MSG_REST || !meas) {
                ++i;
                continue;
            }
            // The measure takes over the ownership the group had, so that
            // the rest is still written with the measure.
            const MsgRef* ref = m_arrMsgRef.GetAt(i);
            const BYTE owner = ref ? ref->byOwner : 0;
            RemoveAt(i);
            if (GetMsgNum() == before)
                break; // nothing was unlinked; do not hand it over twice
            meas->AddMsg(member, owner);
        }
        return;
    }
    if (m_byKind != MSG_CHORD)
        return;
    CKVMsg* first = GetMsg(0);
    const WORD duration = first ? first->m_wDuration : m_wDuration;
    for (short i = 0; i < GetMsgNum();) {
        const short before = GetMsgNum();
        CKVMsg* member = GetMsg(i);
        if (member && member->m_byKind == MSG_REST) {
            RemoveAt(i);
            if (GetMsgNum() == before)
                ++i;
            continue;
        }
        if (member || GetMsgNum() == before)
            ++i;
    }
    if (GetMsgNum() > 0)
        return;
    m_byKind = MSG_REST;
    m_wDuration = duration;
    m_nPosY = 0;
    UpdatePos(0);
    MakeMsgCtrlPoint();
}

CKVMsg* CKVMsg::GetChord()
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_REST)
        return nullptr;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return nullptr;
    auto holdsThis = [this](CKVMsg* chord) {
        for (DWORD id : ChildIds(*chord)) {
            if (id == m_dwMsgId)
                return true;
        }
        return false;
    };
    for (CKVMsg* child : tickmath::LiveChildren(*meas)) {
        if (child->m_byKind == MSG_CHORD && holdsThis(child))
            return child;
        if (child->m_byKind != MSG_BEAM)
            continue;
        for (CKVMsg* member : tickmath::LiveChildren(*child)) {
            if (member->m_byKind == MSG_CHORD && holdsThis(member))
                return member;
        }
    }
    return nullptr;
}

int CKVMsg::ChordHasReverseNote()
{
    if (m_byKind != MSG_CHORD)
        return 0;
    std::vector<CKVMsg*> notes;
    for (CKVMsg* member : tickmath::LiveChildren(*this)) {
        if (member->m_byKind == MSG_NOTE)
            notes.push_back(member);
    }
    const int half = StaffSpaceOf(*this) / 2;
    for (size_t i = 1; i < notes.size(); ++i) {
        if (std::abs(notes[i]->m_nPosY - notes[i - 1]->m_nPosY) <= half)
            return 1;
    }
    return 0;
}

int CKVMsg::IsNoneLyricChord(int line)
{
    if (m_byKind != MSG_CHORD)
        return 1;
    // Byte 12 of the lyric record says whether the syllable is sung.
    constexpr int kSungByte = 12;
    for (CKVMsg* member : tickmath::LiveChildren(*this)) {
        if (member->m_byKind != MSG_NOTE && member->m_byKind != MSG_REST)
            continue;
        for (CKVMsg* lyric : tickmath::LiveChildren(*member)) {
            if (lyric->m_byKind != MSG_LYRIC || lyric->m_nPosY != line)
                continue;
            if (lyric->m_pHead && lyric->m_wHeadLen > kSungByte && lyric->m_pHead[kSungByte] > 0)
                return 0;
        }
    }
    return 1;
}

int CKVMsg::IsValidNote()
{
    if (m_byKind != MSG_NOTE)
        return 1;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return 0;
    meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short cursor = 0;
    while (cursor < meas->m_arrWalk.GetSize()) {
        if (meas->GetNextMsg(cursor) == this)
            return 1;
    }
    return 0;
}

void CKVMsg::BindByTremolo(int strokes)
{
    if (m_byKind != MSG_NOTE || (m_wDuration & 0xFF) >= strokes + 3)
        return;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return;
    CKVMsg* other =
        meas->GetNearestRightOfX(m_byVoice, static_cast<short>(m_nPosX + 1), kNotesAndRests, kChordsWhole);
    if (!other || other->m_byKind == MSG_REST || (other->m_wDuration & 0xFF) != (m_wDuration & 0xFF))
        return;
    // Made before any flag is set, so that a failed allocation leaves both
    // notes as they were.
    CKVMsg* tremolo = KvNewReported<CKVMsg>();
    if (!tremolo)
        return;
    tremolo->m_byKind = MSG_TREMOLO;
    tremolo->m_wHeadType = static_cast<WORD>(strokes);
    tremolo->m_nPosX = m_nPosX;
    tremolo->m_nPosX2 = other->m_nPosX;
    tremolo->m_byVoice = m_byVoice;
    if (meas->AddMsg(tremolo, kHolderOwns) <= 0) {
        delete tremolo;
        return;
    }
    meas->SetFlag2Note(m_nPosX, m_byVoice, MSGFLAG_TREMOLO_START);
    meas->SetFlag2Note(other->m_nPosX, m_byVoice, MSGFLAG_TREMOLO_END);
    tremolo->SetTremoloPosY2Default(this, other);
    meas->SetTremolo(m_byVoice, m_nPosX, other->m_nPosX);
}

CKVMsg* CKVMsg::GetTremolo()
{
    if (m_byKind != MSG_NOTE || !IsTremoloNote())
        return nullptr;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (!meas)
        return nullptr;
    const bool first = (m_wFlag & MSGFLAG_TREMOLO_START) != 0;
    for (CKVMsg* child : tickmath::LiveChildren(*meas)) {
        if (child->m_byKind != MSG_TREMOLO || child->m_byVoice != m_byVoice)
            continue;
        if ((first && child->m_nPosX == m_nPosX) || (!first && child->m_nPosX2 == m_nPosX))
            return child;
    }
    return nullptr;
}

void CKVMsg::RemoveTremolo()
{
    if (!IsTremoloNote())
        return;
    CKVMeas* meas = tickmath::MeasureOf(this);
    CKVMsg* tremolo = GetTremolo();
    if (meas && tremolo) {
        meas->RemoveTremolo(m_byVoice, tremolo->m_nPosX, tremolo->m_nPosX2);
        meas->DeleteMsg(tremolo, kUnlinkAndFree);
        return;
    }
    m_wFlag = static_cast<WORD>(m_wFlag & ~(MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END));
}

void CKVMsg::SetTremoloPosY2Default(CKVMsg* first, CKVMsg* second)
{
    if (!first || !second)
        return;
    if ((first->m_lHeight < 0) != (second->m_lHeight < 0)) {
        // The second note turns to the first one's direction.
        if (CKVMeas* meas = tickmath::MeasureOf(second))
            meas->SetNoteDir(second->m_byVoice, second->m_nPosX, first->m_lHeight < 0 ? 1 : 0);
    }
    const int c = std::max(static_cast<int>(first->m_wDuration & 0xFF) - 1, 0);
    const int s1 = c < 2 ? 0 : static_cast<int>(first->m_lHeight);
    const int s2 = c < 2 ? 0 : static_cast<int>(second->m_lHeight);
    const int y1 = first->m_nPosY;
    const int y2 = second->m_nPosY;
    const int d = std::min(std::abs(y1 - y2), StaffSpaceOf(*first));
    int top = 0;
    int end = 0;
    if (s1 >= 0) {
        if (y1 >= y2) {
            top = y1 + s1;
            end = top - d;
        } else {
            end = y2 + s2;
            top = end - d;
        }
    } else if (y1 <= y2) {
        top = y1 + s1;
        end = top + d;
    } else {
        end = y2 + s2;
        top = end + d;
    }
    m_nPosY = ClampToShort(top);
    m_nPosY2 = ClampToShort(end);
}

void CKVMsg::SetTremoloCtrlPoint(int x1, int y1, int x2, int y2, int above)
{
    const int q = StaffSpaceOf(*this) / 2;
    const int xs[3][2] = {{(x1 + x2) / 2 - q / 2, (x1 + x2) / 2 - q / 2 + q}, {x1, x1 + q}, {x2 - q, x2}};
    const int ys[3] = {(y1 + y2) / 2, y1, y2};
    for (int i = 0; i < 3; ++i) {
        CKVCtrlPoint* handle = nullptr;
        if (i < m_arrCtrlPoint.GetSize()) {
            handle = m_arrCtrlPoint.GetAt(i);
        } else {
            handle = KvNewReported<CKVCtrlPoint>();
            if (!handle)
                return;
            m_arrCtrlPoint.Add(handle);
        }
        if (!handle)
            continue;
        handle->m_wKind = CKVCtrlPoint::kReshapeAlt;
        const int top = above ? ys[i] : ys[i] - q;
        handle->m_rect = CRect(xs[i][0], top, xs[i][1], top + q);
    }
    m_byCtrlCount = static_cast<BYTE>(std::max<int>(m_byCtrlCount, 3));
}

namespace {

// The geometry of a beam group's adjustable ends.
struct BeamEnds {
    int d = 0;  // horizontal distance of the first and last member
    int left = 0;
    int right = 0;
};

bool BeamEndsOf(CKVMsg& group, BeamEnds& ends)
{
    if (group.m_byKind != MSG_BEAM)
        return false;
    CKVMeas* meas = tickmath::MeasureOf(&group);
    if (!meas)
        return false;
    const int x1 = meas->MeasXToAbsX(group.m_nPosX, MSG_BEAM);
    const int x2 = meas->MeasXToAbsX(group.m_nPosX2, MSG_BEAM);
    ends.d = x2 - x1;
    ends.left = static_cast<int>(group.m_dwWord & 0xFF);
    ends.right = static_cast<int>((group.m_dwWord >> 8) & 0xFF);
    return true;
}

// The rise of an extension of `extra` units along the slope from a to b.
int SlopeRise(int a, int b, int d, int extra)
{
    if (d == 0)
        return 0;
    return MulDiv(a - b, d + extra, d) - (a - b);
}

// One end of a beam group. Each end keeps its extension in its own byte of
// the group's word (the left end in the low byte) and its height in its own
// position field.
enum class BeamSide { Left, Right };

int ExtensionShift(BeamSide side)
{
    return side == BeamSide::Left ? 0 : 8;
}

int BeamExtension(const CKVMsg& group, BeamSide side)
{
    if (group.m_byKind != MSG_BEAM)
        return 0;
    return static_cast<int>((group.m_dwWord >> ExtensionShift(side)) & 0xFF);
}

int BeamRise(CKVMsg& group, BeamSide side)
{
    BeamEnds ends;
    if (!BeamEndsOf(group, ends))
        return 0;
    if (side == BeamSide::Left)
        return SlopeRise(group.m_nPosY, group.m_nPosY2, ends.d, ends.left);
    return SlopeRise(group.m_nPosY2, group.m_nPosY, ends.d, ends.right);
}

// Moves one end of a beam group: its extension grows by dx and its height
// by dy, and both ends' heights are spread again over the whole length.
void MoveBeamEnd(CKVMsg& group, BeamSide side, int dx, int dy)
{
    BeamEnds ends;
    if (!BeamEndsOf(group, ends))
        return;
    const bool left = side == BeamSide::Left;
    const int d = ends.d;
    const int W = d + ends.left + ends.right;
    const int ext = left ? ends.left : ends.right;    // the moved end's extension
    const int farExt = left ? ends.right : ends.left; // the other end's
    const int yl = BeamRise(group, BeamSide::Left);
    const int yr = BeamRise(group, BeamSide::Right);
    const int rise = left ? yl : yr;
    const int farRise = left ? yr : yl;
    const int y0 = left ? group.m_nPosY : group.m_nPosY2;
    const int farY0 = left ? group.m_nPosY2 : group.m_nPosY;
    const int s = (y0 + dy + rise) - (farY0 + farRise);
    const int k = y0 - farY0 - farRise;
    int y = y0;
    int farY = farY0;
    if (dy != 0 && W != 0) {
        y += MulDiv(s, farExt + d, W) - k;
        farY += MulDiv(s, farExt, W) + farRise;
    }
    if (dx != 0) {
        // The extension is one byte: it stays within 0 to 255, and the
        // beam follows the extension actually stored.
        const int newExt = std::clamp(ext + dx, 0, 255);
        const int newW = W + (newExt - ext);
        if (newW != 0) {
            y += MulDiv(s, farExt + d, newW) - k;
            farY += MulDiv(s, farExt, newW) + farRise;
        }
        const int shift = ExtensionShift(side);
        group.m_dwWord = (group.m_dwWord & ~(0xFFu << shift)) | (static_cast<DWORD>(newExt) << shift);
    }
    group.m_nPosY = ClampToShort(left ? y : farY);
    group.m_nPosY2 = ClampToShort(left ? farY : y);
}

} // namespace

void CKVMsg::ResetBeamOffset()
{
    // A beam group keeps its two end extensions in the 32-bit word.
    if (m_byKind == MSG_BEAM)
        m_dwWord = 0;
}

int CKVMsg::GetBeamOffsetXLeft()
{
    return BeamExtension(*this, BeamSide::Left);
}

int CKVMsg::GetBeamOffsetXRight()
{
    return BeamExtension(*this, BeamSide::Right);
}

int CKVMsg::GetBeamOffsetYLeft()
{
    return BeamRise(*this, BeamSide::Left);
}

int CKVMsg::GetBeamOffsetYRight()
{
    return BeamRise(*this, BeamSide::Right);
}

void CKVMsg::SetBeamOffsetLeft(int dx, int dy)
{
    MoveBeamEnd(*this, BeamSide::Left, dx, dy);
}

void CKVMsg::SetBeamOffsetRight(int dx, int dy)
{
    MoveBeamEnd(*this, BeamSide::Right, dx, dy);
}

CKVMsg* CKVMsg::GetAnotherTieMsg(int second)
{
    if ((m_byKind != MSG_TIE && m_byKind != MSG_SLUR) || !m_pSystem)
        return nullptr;
    const DWORD noteId = second ? static_cast<DWORD>(m_lHeight) : m_dwWord;
    CKVMsg* note = m_pSystem->GetMsgFromMap(noteId);
    if (!note)
        return nullptr;
    // A tie and a slur may join the same two notes, so the first link
    // between them is not always the twin: the note's hold on this very
    // link comes first, then a link of this kind, then any.
    CKVMsg* sameKind = nullptr;
    CKVMsg* any = nullptr;
    for (CKVMsg* child : tickmath::LiveChildren(*note)) {
        if ((child->m_byKind != MSG_TIE && child->m_byKind != MSG_SLUR) || child->m_dwWord != m_dwWord ||
            child->m_lHeight != m_lHeight)
            continue;
        if (child == this)
            return child;
        if (!sameKind && child->m_byKind == m_byKind)
            sameKind = child;
        if (!any)
            any = child;
    }
    return sameKind ? sameKind : any;
}

namespace {

// A run's text in the ANSI code page: a UTF-16 run is converted, any other
// run is taken byte for byte.
void AppendRunText(const unsigned char* run, int n, std::string& out)
{
    if (!IsWideTextRun(run, n)) {
        out.append(reinterpret_cast<const char*>(run), static_cast<size_t>(n));
        return;
    }
    const int units = (n - kWideRunMarkerBytes) / 2;
    std::vector<WCHAR> wide(static_cast<size_t>(units));
    for (int i = 0; i < units; ++i)
        wide[static_cast<size_t>(i)] = static_cast<WCHAR>(GetWord(run + 2 * i));
    // A unit 0 ends the text, as it ends the narrow text it becomes.
    int used = 0;
    while (used < units && wide[static_cast<size_t>(used)] != 0)
        ++used;
    if (used == 0)
        return;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), used, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), used, narrow.data(), bytes, nullptr, nullptr);
    out += narrow;
}

} // namespace

int CKVMsg::GetTextInfo(CString& text)
{
    if (m_byKind != MSG_FREETEXT && m_byKind != MSG_TEXT2)
        return -1;
    text.Empty();
    std::string collected;
    int largest = 0;
    const unsigned char* head = m_pHead;
    const int length = head ? m_wHeadLen : 0;
    auto word = [head](int at) { return static_cast<int>(GetWord(head + at)); };
    // A tag whose data runs past the head ends the walk.
    for (int pos = 0; pos < length;) {
        const int tag = head[pos++];
        int skip = 0;
        switch (tag) {
        case 1:
        case 2:
        case 9:
            skip = 2;
            break;
        case 3:
            skip = 1;
            break;
        case 4:
            if (pos + 2 > length)
                pos = length;
            else
                largest = std::max(largest, word(pos));
            skip = 2;
            break;
        case 5:
        case 7:
            skip = 4;
            break;
        case 6: {
            if (pos + 2 > length) {
                pos = length;
                break;
            }
            const int count = word(pos);
            pos += 2;
            if (pos + count > length) {
                pos = length;
                break;
            }
            AppendRunText(head + pos, count, collected);
            skip = count;
            break;
        }
        default:
            break;
        }
        pos = std::min(pos + skip, length);
    }
    text = collected.c_str();
    return largest;
}

namespace {

// Root letters of the older chord names: C 0 ... B 6; 7 for anything else
// (a name that starts with a blank).
int RootCode(char c)
{
    switch (c) {
    case 'C': case 'c': return 0;
    case 'D': case 'd': return 1;
    case 'E': case 'e': return 2;
    case 'F': case 'f': return 3;
    case 'G': case 'g': return 4;
    case 'A': case 'a': return 5;
    case 'B': case 'b': return 6;
    default: return 7;
    }
}

bool IsRootLetter(char c)
{
    return RootCode(c) < 7;
}

int AlterationCode(const std::string& text, size_t at)
{
    if (at >= text.size())
        return 0;
    if (text[at] == '#')
        return 1;
    if (text[at] == 'b')
        return 2;
    return 0;
}

} // namespace

short CKVMsg::TextToKVMsg(CString name)
{
    const std::string full = static_cast<const char*>(name);
    if (full.empty())
        return 0;
    m_byKind = MSG_OLDCHORDNAME;
    m_wHeadType = 0;

    std::string chord = full;
    std::string bass;
    const size_t slash = full.rfind('/');
    if (slash != std::string::npos && slash > 0 && slash + 1 < full.size() && IsRootLetter(full[slash + 1])) {
        chord = full.substr(0, slash);
        bass = full.substr(slash + 1);
    }
    std::string tensions;
    bool hasTensions = false;
    const size_t open = chord.find('(');
    if (open != std::string::npos) {
        const size_t close = chord.find(')', open + 1);
        hasTensions = true;
        if (close == std::string::npos) {
            tensions = chord.substr(open + 1);
            chord.erase(open);
        } else {
            tensions = chord.substr(open + 1, close - open - 1);
            chord.erase(open, close - open + 1);
        }
    }

    const int root = RootCode(chord[0]);
    const int alteration = AlterationCode(chord, 1);
    const std::string suffix = chord.substr(alteration ? 2 : 1);
    std::vector<std::string> parts;
    if (hasTensions && !tensions.empty()) {
        size_t from = 0;
        for (;;) {
            const size_t comma = tensions.find(',', from);
            parts.push_back(tensions.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
    }

    // The record: suffix, each tension part as a length byte and its text,
    // then the bass root; the head is made exactly that long.
    std::vector<unsigned char> record(suffix.begin(), suffix.end());
    for (const std::string& part : parts) {
        const size_t len = std::min<size_t>(part.size(), 255);
        record.push_back(static_cast<unsigned char>(len));
        record.insert(record.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(len));
    }
    int bassAlteration = 0xFFFF;
    int bassRoot = 0;
    if (!bass.empty()) {
        bassRoot = RootCode(bass[0]);
        bassAlteration = AlterationCode(bass, 1);
    }
    record.push_back(static_cast<unsigned char>(bassRoot));
    constexpr size_t kMaxHead = 32767;
    if (record.size() > kMaxHead)
        record.resize(kMaxHead);

    m_wDuration = static_cast<WORD>(root);
    m_wObjWord = static_cast<WORD>(alteration);
    m_dwWord = static_cast<DWORD>(std::min(suffix.size(), kMaxHead));
    m_nPosY2 = static_cast<short>(parts.size());
    m_nPosX2 = static_cast<short>(static_cast<WORD>(bassAlteration));
    SetHead(static_cast<short>(record.size()), record.data());
    return 1;
}

void CKVMsg::FretDataToMsg(tagFRETDATA fret)
{
    constexpr int kNameBytes = 42;
    constexpr int kFrets = 8;
    // The name area holds 42 bytes whatever length the record claims.
    const int nameLength = std::min<int>(fret.byNameLen, kNameBytes);
    m_byKind = MSG_OLDFRET;
    m_wDuration = static_cast<WORD>(fret.dwInfo & 0xFFFF);
    m_wObjWord = static_cast<WORD>(fret.dwInfo >> 16);
    m_dwWord = static_cast<DWORD>(nameLength);
    unsigned char head[kNameBytes + kFrets] = {};
    std::copy(fret.szName, fret.szName + nameLength, head);
    std::copy(fret.byFret, fret.byFret + kFrets, head + nameLength);
    SetHead(static_cast<short>(nameLength > 0 ? kNameBytes + kFrets : kFrets), head);
}
