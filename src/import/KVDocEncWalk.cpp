// The symbol walk of an Encore import: the staff group marks, then measure by
// measure of every Encore system the clef changes, notes and rests, beams,
// ties and the other symbols, each through its converter; afterwards the
// ties that cross a bar line, the octave lines, the measures brought within
// their records, the lyric lines and the staff names.

#include "document/KVDoc.h"
#include "import/EncConvert.h"
#include "import/EncDoc.h"
#include "import/EncImport.h"
#include "import/EncMarkTable.h"
#include "import/EncTieNote.h"
#include "import/ImportScopes.h"
#include "import/MeasureRecordFit.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "platform/MulDiv.h"
#include "timing/TupletState.h"

#include <algorithm>
#include <vector>

namespace {

// Encore symbol types.
constexpr BYTE kTypeClef = 1;
constexpr BYTE kTypeTie = 3;
constexpr BYTE kTypeBeam = 4;
constexpr BYTE kTypeMark = 5;
constexpr BYTE kTypeLyric = 6;
constexpr BYTE kTypeChord = 7;
constexpr BYTE kTypeNote = 9;

constexpr int kVoices = 8;
// Clef kinds that have a native clef code (kind + 1 is 1 to 9).
constexpr int kClefKinds = 9;

// Beam data: a head, then items of 16 bytes.
constexpr DWORD kBeamHead = 4;
constexpr DWORD kBeamItem = 16;
constexpr int kItemY1 = 4;
constexpr int kItemY2 = 5;
constexpr int kItemFlags = 8;
constexpr int kItemTuplet = 9;
constexpr int kItemFirst = 10;
constexpr int kItemSecond = 11;
constexpr int kItemLevel = 13;
constexpr BYTE kItemBreak = 128;
constexpr BYTE kItemTail = 64;
// Voices whose beams may cross to the other staff of a two-staff track.
constexpr int kCrossStaffVoices = 6;

// Tie data: the word that receives the measure index.
constexpr DWORD kTieMeasWord = 6;
constexpr int kTieBend = 4;
constexpr int kTieInset = 16;
constexpr int kTieLift = 8;

// Measure marks: byKind - 172 is the Encore mark code.
constexpr int kFirstMeasureMark = 172;
constexpr int kLastMeasureMark = 251;
constexpr int kLowMeasureMark = 205;

// Lyric lines: eight 16-bit offsets in the measure's head.
constexpr short kLyricLineHead = 2 * CKVMeas::VOICES;
constexpr short kNoLyricLine = -32768;
constexpr short kLyricLineStart = 32767;

// The bytes of a staff's group marks.
constexpr int kGroupStart = 0;
constexpr int kGroupEnd = 1;
constexpr int kGroupMiddle = 2;

BYTE NativeVoice(const CEncSymbol& symbol)
{
    return static_cast<BYTE>(symbol.WhatIsVoice() + 1);
}

// Bar-line joins and brackets of the staves, from the tracks in order.
void MarkStaffGroups(const CEncDoc& enc, CKVSystem& master)
{
    // Position field of a bracket: 0 middle, 1 end, 2 start.
    static constexpr int kPositionByte[3] = {kGroupMiddle, kGroupEnd, kGroupStart};
    auto addBracket = [](BYTE* marks, int kind, int position, BYTE first, BYTE second) {
        if (position > 2 || kind == 0 || kind > 2)
            return;
        marks[kPositionByte[position]] = static_cast<BYTE>(marks[kPositionByte[position]] + (kind == 1 ? first : second));
    };
    const CEncTrack* previous = nullptr;
    int index = 0;
    for (int t = 0; t < enc.m_arrTrack.GetSize(); ++t) {
        const CEncTrack* track = enc.m_arrTrack[t];
        if (!track)
            continue;
        const int n = track->byStaffNum();
        const int g = track->byBreakBarLine();
        for (int j = 0; j < n; ++j, ++index) {
            CKVStaff* staff = index < master.GetStaffNum() ? master.GetStaff(static_cast<short>(index)) : nullptr;
            if (!staff)
                continue;
            BYTE* marks = staff->m_byGroupBracket;
            const bool last = j == n - 1;
            if (g == 0) {
                const int p = previous ? previous->byBreakBarLine() : 1;
                if (p == 1)
                    marks[n < 2 || j == 0 ? kGroupStart : kGroupMiddle] = 1;
                else if (p == 0)
                    marks[kGroupMiddle] = 1;
                else if (p == 2)
                    marks[kGroupStart] = 1;
            } else if (previous) {
                if (previous->byBreakBarLine() == 0)
                    marks[last ? kGroupEnd : kGroupMiddle] = 1;
                else if (n > 1)
                    marks[j == 0 ? kGroupStart : last ? kGroupEnd : kGroupMiddle] = 1;
            }
            const BYTE bracket = track->byBracket(j);
            addBracket(marks, bracket & 3, (bracket >> 2) & 3, 2, 4);
            addBracket(marks, (bracket >> 4) & 3, (bracket >> 6) & 3, 8, 4);
        }
        previous = track;
    }
}

bool HoldsTuplet(CKVMsg& msg)
{
    for (short i = 0; i < msg.GetMsgNum(); ++i) {
        CKVMsg* child = msg.GetMsg(i);
        if (child && child != &msg && child->m_byKind == MSG_TUPLET)
            return true;
    }
    return false;
}

// A note, or the chord it belongs to, already in a tuplet.
bool InTuplet(CKVMsg& note)
{
    if (HoldsTuplet(note))
        return true;
    if (note.m_byParentKind != OBJ_MSG || !note.m_pParent)
        return false;
    auto* chord = static_cast<CKVMsg*>(note.m_pParent);
    if (chord->m_byKind != MSG_CHORD)
        return false;
    if (HoldsTuplet(*chord))
        return true;
    for (CKVMsg* member : measplace::ChordNotes(*chord)) {
        if (HoldsTuplet(*member))
            return true;
    }
    return false;
}

// The notes of a node, through its beam groups and chords.
void CollectNotes(CKVObject& node, std::vector<CKVMsg*>& out, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum(); ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg || msg == &node)
            continue;
        if (msg->m_byKind == MSG_NOTE)
            out.push_back(msg);
        else if ((msg->m_byKind == MSG_BEAM || msg->m_byKind == MSG_CHORD) && depth < 3)
            CollectNotes(*msg, out, depth + 1);
    }
}

// One run of the walk: the document, the Encore file and what the passes
// share.
class EncWalk {
public:
    EncWalk(CKVDoc& doc, CEncDoc& enc, CKVSystem& master)
        : m_doc(doc), m_enc(enc), m_master(master), L(doc.m_nStaffSpace)
    {
    }

    // Every symbol of measure m of the system; false when a conversion failed.
    bool Measure(CEncSystem& system, int m)
    {
        const int index = system.wStartMeasNo() + m;
        CEncMeas* encMeas = m_enc.m_arrMeas[index];
        if (!encMeas)
            return true;
        Clefs(*encMeas, index);
        if (!NotesAndRests(*encMeas, index))
            return false;
        Beams(*encMeas, index);
        if (!Ties(*encMeas, index, m == system.wMeasNumb() - 1))
            return false;
        if (!Others(system, *encMeas, index))
            return false;
        SingleNoteTuplets(index);
        return true;
    }

    CPtrArray m_ties;
    BYTE m_lastVoice = 0;

private:
    // The live native measure of a symbol's staff; null when there is none.
    CKVMeas* NativeMeas(int staff, int index)
    {
        if (staff < 0 || staff >= m_master.GetStaffNum())
            return nullptr;
        CKVStaff* native = m_master.GetStaff(static_cast<short>(staff));
        CKVMeas* meas = native ? native->GetMeas(index) : nullptr;
        if (meas && meas->GetCurBackupObj())
            meas = meas->GetCurBackupObj();
        return meas;
    }
    CKVMeas* NativeMeas(const CEncSymbol& symbol, int index) { return NativeMeas(symbol.GetStaffIndex(), index); }

    void Clefs(CEncMeas& encMeas, int index)
    {
        for (int i = 0; i < encMeas.m_arrType1Symbols.GetSize(); ++i) {
            CEncSymbol* symbol = encMeas.m_arrType1Symbols[i];
            if (!symbol || symbol->WhatIsSymbol() != kTypeClef || NativeVoice(*symbol) > kVoices)
                continue;
            // Kinds 9 to 13 would give codes past the last clef.
            if (symbol->byKind() >= kClefKinds)
                continue;
            if (!EncHasData(m_enc, *symbol, 2))
                continue;
            CKVMeas* meas = NativeMeas(*symbol, index);
            if (!meas)
                continue;
            m_lastVoice = NativeVoice(*symbol);
            m_doc.InsertNewClefMsg(meas, static_cast<short>(symbol->byKind() + 1),
                                   symbol->DataShort(0) + encMeas.byPakArea());
        }
    }

    bool NotesAndRests(CEncMeas& encMeas, int index)
    {
        for (int i = 0; i < encMeas.m_arrNoteRestSymbols.GetSize(); ++i) {
            CEncSymbol* symbol = encMeas.m_arrNoteRestSymbols[i];
            CKVMeas* meas = symbol ? NativeMeas(*symbol, index) : nullptr;
            if (!meas)
                continue;
            const BYTE voice = symbol->WhatIsVoice();
            m_lastVoice = static_cast<BYTE>(voice + 1);
            const int done = symbol->WhatIsSymbol() == kTypeNote
                                 ? m_doc.EncToKVC_Note(&m_enc, &encMeas, symbol, meas, voice)
                                 : m_doc.EncToKVC_Rest(&m_enc, &encMeas, symbol, meas, voice);
            if (!done)
                return false;
        }
        return true;
    }

    void Beams(CEncMeas& encMeas, int index)
    {
        for (int i = 0; i < encMeas.m_arrType4Symbols.GetSize(); ++i) {
            CEncSymbol* symbol = encMeas.m_arrType4Symbols[i];
            if (!symbol || symbol->WhatIsSymbol() != kTypeBeam)
                continue;
            const BYTE voice = NativeVoice(*symbol);
            CKVMeas* meas = NativeMeas(*symbol, index);
            if (voice > kVoices || !meas)
                continue;
            // Only whole items are read.
            const DWORD length = symbol->DataLength();
            const int whole = length < kBeamHead ? 0 : static_cast<int>((length - kBeamHead) / kBeamItem);
            const int items = std::min<int>(symbol->byKind(), whole);
            if (items <= 0)
                continue;
            m_lastVoice = voice;
            Beam(encMeas, *symbol, *meas, voice, items, index);
        }
    }

    static DWORD Item(int r) { return kBeamHead + kBeamItem * static_cast<DWORD>(r); }

    void Beam(CEncMeas& encMeas, CEncSymbol& symbol, CKVMeas& meas, BYTE voice, int items, int index)
    {
        const int pak = encMeas.byPakArea();
        const short x1 = meas.AbsXToMeasX(static_cast<short>(symbol.DataShort(Item(0)) + pak));
        const short x2 = meas.AbsXToMeasX(static_cast<short>(symbol.DataShort(Item(0) + 2) + pak));

        // Beams of a two-staff instrument may take their notes to the other
        // staff.
        const int trackIndex = symbol.byStaff() & 63;
        if (voice <= kCrossStaffVoices && trackIndex < m_enc.m_arrTrack.GetSize() &&
            m_enc.m_arrTrack[trackIndex]->byStaffNum() == 2) {
            const bool up = (symbol.byStaff() & 192) != 0;
            const int staff = symbol.GetStaffIndex();
            if (CKVMeas* target = NativeMeas(up ? staff - 1 : staff + 1, index))
                meas.NoteBelongToUpDownStaffForCrossBeam(up ? 1 : 0, voice, x1, x2, target);
        }

        const int level = symbol.DataByte(Item(0) + kItemLevel) != 0 ? 2 : 1;
        if (CKVMsg* group = meas.BindGroupByBeam(voice, x1, x2, level)) {
            group->m_nPosY = EncStandardY(L, static_cast<signed char>(symbol.DataByte(Item(0) + kItemY1)));
            group->m_nPosY2 = EncStandardY(L, static_cast<signed char>(symbol.DataByte(Item(0) + kItemY2)));
            if (symbol.byParam2() == 1)
                group->SetTupletType(5);
            else if (symbol.byParam2() == 2)
                group->SetTupletType(2);
            for (int r = 1; r < items; ++r)
                BeamBreak(symbol, *group, r);
        }

        // A tuplet over the group.
        if (symbol.DataByte(Item(items - 1) + kItemTuplet) != 0) {
            const BYTE form = symbol.byParam2();
            SetImportTupletStyle(form == 1 ? 5 : form == 2 ? 2 : 4);
            meas.EncMakeRangeTupletMsg(voice, x1, x2);
        }
    }

    // A further beam item marks where the secondary beams break.
    static void BeamBreak(const CEncSymbol& symbol, CKVMsg& group, int r)
    {
        const BYTE flags = symbol.DataByte(Item(r) + kItemFlags);
        if (!(flags & kItemBreak))
            return;
        const std::vector<CKVMsg*> members = tickmath::Members(group);
        const int count = static_cast<int>(members.size());
        const int first = symbol.DataByte(Item(r) + kItemFirst);
        const int second = symbol.DataByte(Item(r) + kItemSecond);
        if (first == second && symbol.DataWord(Item(r)) == symbol.DataWord(Item(r) + 2)) {
            if (first <= count - 2) {
                members[static_cast<size_t>(first)]->SetTail(flags & kItemTail ? 1 : 0);
                CKVMsg* next = members[static_cast<size_t>(first + 1)];
                next->m_wFlag = static_cast<WORD>(next->m_wFlag | MSGFLAG_SUBBEAM_BREAK);
            }
        } else if (second < count - 2) {
            CKVMsg* next = members[static_cast<size_t>(second + 1)];
            next->m_wFlag = static_cast<WORD>(next->m_wFlag | MSGFLAG_SUBBEAM_BREAK);
        }
    }

    bool Ties(CEncMeas& encMeas, int index, bool lastOfSystem)
    {
        for (int i = 0; i < encMeas.m_arrType3Symbols.GetSize(); ++i) {
            CEncSymbol* symbol = encMeas.m_arrType3Symbols[i];
            if (!symbol || symbol->WhatIsSymbol() != kTypeTie)
                continue;
            const BYTE voice = NativeVoice(*symbol);
            if (voice > kVoices || !EncHasData(m_enc, *symbol, kEncTieData))
                continue;
            if (symbol->byParam1() != 0) {
                // Across the bar line: bound after the walk. The measure
                // index goes into the data, low byte first as it is read.
                symbol->m_data[kTieMeasWord] = static_cast<BYTE>(index & 0xFF);
                symbol->m_data[kTieMeasWord + 1] = static_cast<BYTE>((index >> 8) & 0xFF);
                symbol->m_byHead[7] = lastOfSystem ? 1 : 0;
                m_ties.Add(symbol);
                m_lastVoice = voice;
                continue;
            }
            CKVMeas* meas = NativeMeas(*symbol, index);
            if (!meas)
                continue;
            m_lastVoice = voice;
            if (!Tie(encMeas, *symbol, meas, voice))
                return false;
        }
        return true;
    }

    // A tie inside the measure: bound to its note, else a free curve.
    bool Tie(CEncMeas& encMeas, CEncSymbol& symbol, CKVMeas* meas, BYTE voice)
    {
        const int bend = -static_cast<signed char>(symbol.byKind());
        const int x = symbol.DataShort(0) + encMeas.byPakArea();
        const int y = EncStandardY(L, static_cast<signed char>(symbol.DataByte(4)));
        POINT pt {x, y};
        CKVMsg* note = EncTieNote(*meas, pt, voice);
        bool slur = note == nullptr;
        if (note && !(note->m_wFlag & MSGFLAG_TIE_START)) {
            pt.y -= L / 2;
            note = EncTieNote(*meas, pt, voice);
            slur = note == nullptr;
        }
        if (note && (note->m_wFlag & MSGFLAG_TIE_START) && EncStartsTie(*note)) {
            // Tied already: the note beside it.
            pt.x += L / 2 + L;
            CKVMsg* other = EncTieNote(*meas, pt, voice);
            slur = other == nullptr || other == note;
            note = other;
        }
        // A tie that is there already stays: the tie tool would take it off.
        if (!slur && EncStartsTie(*note))
            slur = true;
        if (!slur) {
            const int d = kTieBend * bend;
            slur = !m_doc.BindByTieInTool(note, d, kTieInset, d > 0 ? kTieLift : -kTieLift, 0, 1);
        }
        if (!slur)
            return true;

        if (CKVMeas* live = meas->GetCurBackupObj())
            meas = live;
        const int width = symbol.DataShort(2) - symbol.DataShort(0);
        CKVMsg msg;
        msg.m_byKind = MSG_PAGESLUR;
        msg.m_byVoice = voice;
        msg.m_wDuration = 1;
        msg.m_nPosX = meas->AbsXToMeasX(static_cast<short>(x));
        msg.m_nPosY = static_cast<short>(y);
        msg.m_nPosX2 = static_cast<short>(width);
        msg.m_nPosY2 = 0;
        msg.m_dwWord = static_cast<DWORD>(MulDiv(L, bend, 4));
        msg.m_wObjWord = static_cast<WORD>(width / 2);
        msg.m_crColor = EncSymbolColor(m_enc, symbol);
        return m_doc.AddMsg(meas, &msg, 1, 0) != nullptr;
    }

    bool Others(CEncSystem& system, CEncMeas& encMeas, int index)
    {
        for (int i = 0; i < encMeas.m_arrOtherSymbols.GetSize(); ++i) {
            CEncSymbol* symbol = encMeas.m_arrOtherSymbols[i];
            CKVMeas* meas = symbol ? NativeMeas(*symbol, index) : nullptr;
            if (!meas)
                continue;
            const BYTE type = symbol->WhatIsSymbol();
            const BYTE voice = NativeVoice(*symbol);
            // A lyric's voice numbers its verse, which its converter checks.
            if (type != kTypeLyric && voice > kVoices)
                continue;
            int done = 1;
            switch (type) {
            case kTypeMark:
                m_lastVoice = voice;
                done = Mark(system, encMeas, *symbol, meas, voice, index);
                break;
            case kTypeLyric:
                m_lastVoice = voice;
                done = m_doc.EncToKVC_Lyric(&m_enc, &system, &encMeas, symbol, meas, voice);
                break;
            case kTypeChord:
                m_lastVoice = voice;
                done = m_doc.EncToKVC_ChordSymbol(&m_enc, &system, &encMeas, symbol, meas, voice);
                break;
            default:
                break;
            }
            if (!done)
                return false;
        }
        return true;
    }

    // A type-5 symbol, by its kind.
    int Mark(CEncSystem& system, CEncMeas& encMeas, CEncSymbol& symbol, CKVMeas* meas, BYTE voice, int index)
    {
        CKVDoc& d = m_doc;
        CEncDoc* e = &m_enc;
        CEncSymbol* s = &symbol;
        const int kind = symbol.byKind();
        switch (kind) {
        case 25: case 26: case 27: case 28: case 44:
            return d.EncToKVC_Graphic(e, &system, &encMeas, s, meas, voice, index);
        case 29: return d.EncToKVC_Crescendo(e, &system, &encMeas, s, meas, voice, index);
        case 30: return d.EncToKVC_MeasText(e, &system, &encMeas, s, meas, voice, index);
        case 31: return d.EncToKVC_InversN(e, &system, &encMeas, s, meas, voice, index);
        case 33: return d.EncToKVC_PageSlur(e, &system, &encMeas, s, meas, voice, index);
        case 34: case 54: return d.EncToKVC_Alpegio(e, &system, &encMeas, s, meas, voice, index);
        case 36: return d.EncToKVC_PolyLine(e, &system, &encMeas, s, meas, voice, index);
        case 37: return d.EncToKVC_InversM(e, &system, &encMeas, s, meas, voice, index);
        case 48: return d.EncToKVC_TwoLines(e, &encMeas, s, meas, voice, index);
        case 50: return d.EncToKVC_Metronome(e, &system, &encMeas, s, meas, voice, index);
        case 52: return d.EncToKVC_MidiMsg(e, &system, &encMeas, s, meas, voice, index);
        case 53: case 55: return d.EncToKVC_Trill(e, &system, &encMeas, s, meas, voice, index);
        case 162: return d.EncToKVC_Segno(e, s, meas, voice);
        case 163: return d.EncToKVC_RepeatMeas(e, s, meas, voice);
        case 165: return d.EncToKVC_Pedal(e, s, meas, voice);
        case 166: return d.EncToKVC_DalSegno(e, s, meas, voice);
        case 167: return d.EncToKVC_Cesura(e, s, meas, voice);
        case 168: return d.EncToKVC_Breath(e, s, meas, voice);
        case 169: return d.EncToKVC_Flower(e, s, meas, voice);
        case 170: case 171: return d.EncToKVC_Dynamic2(e, s, meas, voice);
        case 175: return d.EncToKVC_Slide3(e, s, meas, voice);
        case 237: return d.EncToKVC_Slide1(e, s, meas, voice);
        case 238: return d.EncToKVC_Slide2(e, s, meas, voice);
        case 239: return d.EncToKVC_Slide4(e, s, meas, voice);
        case 240: return d.EncToKVC_MarkUp(e, s, meas, voice);
        case 241: return d.EncToKVC_MarkDown(e, s, meas, voice);
        case 246: return d.EncToKVC_MarkBigDown(e, s, meas, voice);
        default: break;
        }
        if (kind >= 128 && kind <= 138)
            return d.EncToKVC_Dynamic1(e, s, meas, voice);
        if (kind >= kFirstMeasureMark && kind <= kLastMeasureMark)
            return MeasureMark(symbol, meas, voice);
        return 1;
    }

    // A mark of the mark table standing in the measure.
    int MeasureMark(CEncSymbol& symbol, CKVMeas* meas, BYTE voice)
    {
        const int mark = EncMarkIndex(symbol.byKind() - kFirstMeasureMark);
        if (mark < 0 || mark >= CKVDoc::kMarkSizes)
            return 1;
        if (!EncHasData(m_enc, symbol, kEncPointData))
            return 1;
        const int step = symbol.DataShort(2);
        CKVMsg msg;
        msg.m_byKind = MSG_NOTEMARK;
        msg.m_byVoice = voice;
        msg.m_wHeadType = static_cast<WORD>(mark);
        msg.m_nPosX = meas->AbsXToMeasX(static_cast<short>(symbol.DataShort(0) - m_doc.m_sizeMark[mark].cx / 2));
        msg.m_nPosY = symbol.byKind() == kLowMeasureMark
                          ? static_cast<short>(L / 2 + 2 * L - step * (L / 2))
                          : EncStandardY(L, step);
        msg.m_crColor = EncSymbolColor(m_enc, symbol);
        return m_doc.AddMsg(meas, &msg, 1, 0) ? 1 : 0;
    }

    // Notes that stand in no tuplet yet but carry a tuplet word get one of
    // their own.
    void SingleNoteTuplets(int index)
    {
        SetRangeTupletFlag(0);
        for (int st = 0; st < m_master.GetStaffNum(); ++st) {
            CKVMeas* meas = NativeMeas(st, index);
            if (!meas)
                continue;
            for (int voice = 1; voice <= kVoices; ++voice) {
                SetImportTupletStyle(4);
                std::vector<CKVMsg*> notes;
                CollectNotes(*meas, notes);
                std::vector<DWORD> ids;
                for (CKVMsg* note : notes) {
                    if (note->m_byVoice == voice && note->m_wObjWord != 0)
                        ids.push_back(note->m_dwMsgId);
                }
                for (DWORD id : ids) {
                    CKVMsg* note = m_master.GetMsgFromMap(id);
                    if (!note || note->m_byKind != MSG_NOTE || InTuplet(*note))
                        continue;
                    meas->EncMakeRangeTupletMsg(static_cast<BYTE>(voice), note->m_nPosX, note->m_nPosX);
                }
            }
        }
        SetRangeTupletFlag(1);
    }

    CKVDoc& m_doc;
    CEncDoc& m_enc;
    CKVSystem& m_master;
    const int L;
};

void PutHeadWord(unsigned char* head, int i, short value)
{
    head[2 * i] = static_cast<unsigned char>(value & 0xFF);
    head[2 * i + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

short HeadWord(const unsigned char* head, int i)
{
    return static_cast<short>(head[2 * i] | (head[2 * i + 1] << 8));
}

// The lyric lines of a measure in its head; null when it keeps none.
unsigned char* LyricLines(CKVMeas& meas)
{
    unsigned char* head = nullptr;
    return meas.GetHead(&head) >= kLyricLineHead ? head : nullptr;
}

// Each measure with lyrics keeps its lyric lines in its head; then the
// measures of one staff in one block share the highest line of each voice.
void AlignLyricLines(CKVDoc& doc, CKVSystem& master)
{
    for (short st = 0; st < master.GetStaffNum(); ++st) {
        CKVStaff* staff = master.GetStaff(st);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (!meas || meas->m_dwTrailWord1 == 0)
                continue;
            unsigned char head[kLyricLineHead];
            for (int v = 0; v < CKVMeas::VOICES; ++v)
                PutHeadWord(head, v, static_cast<short>(meas->m_wVoiceWord[v]));
            meas->SetHead(kLyricLineHead, head);
        }
    }
    for (short st = 0; st < master.GetStaffNum(); ++st) {
        CKVStaff* staff = master.GetStaff(st);
        for (short p = 0; staff && p < doc.GetPageNum(); ++p) {
            CKVPage* page = doc.GetPage(p);
            for (short b = 0; page && b < page->GetBlockNum(); ++b) {
                CKVBlock* block = page->GetBlock(b);
                if (!block)
                    continue;
                std::vector<unsigned char*> heads;
                short lines[CKVMeas::VOICES];
                std::fill(std::begin(lines), std::end(lines), kLyricLineStart);
                for (int i = 0; i < block->m_nMeasCount; ++i) {
                    CKVMeas* meas = staff->GetMeas(block->m_nFirstMeas + i);
                    unsigned char* head = meas ? LyricLines(*meas) : nullptr;
                    if (!head)
                        continue;
                    heads.push_back(head);
                    for (int v = 0; v < CKVMeas::VOICES; ++v) {
                        const short line = HeadWord(head, v);
                        if (line != kNoLyricLine)
                            lines[v] = std::min(lines[v], line);
                    }
                }
                for (unsigned char* head : heads) {
                    for (int v = 0; v < CKVMeas::VOICES; ++v)
                        PutHeadWord(head, v, lines[v]);
                }
            }
        }
    }
}

} // namespace

int CKVDoc::SecondConvertEncToKvc(CDialog* dialog, CEncDoc* enc)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!enc || !master)
        return 0;
    // A failure leaves the flag as it was found.
    ImportConvertingScope converting;
    converting.Set();

    MarkStaffGroups(*enc, *master);

    EncWalk walk(*this, *enc, *master);
    const int pages = enc->m_arrPage.GetSize();
    for (int p = 0; p < pages; ++p) {
        if (dialog)
            dialog->SendMessage(WM_USER + 1, static_cast<WPARAM>(MulDiv(100, p, pages)), 0);
        CEncPage* page = enc->m_arrPage[p];
        for (int s = 0; page && s < page->m_arrSystem.GetSize(); ++s) {
            CEncSystem* system = page->m_arrSystem[s];
            if (!system || !EncSystemIsUsable(*enc, *system))
                continue;
            for (int m = 0; m < system->wMeasNumb(); ++m) {
                if (!walk.Measure(*system, m))
                    return 0;
            }
        }
    }

    if (!EncToKVC_NoneProcTie(enc, walk.m_ties, walk.m_lastVoice))
        return 0;
    EncToKVC_8vab(dialog, enc);
    // Every symbol now stands in its measure, beamed and tied: a measure
    // holding more than its record counts gives way at its end.
    if (!kvimport::FitMeasuresToRecords(*this, *master, enc->m_leftOutNotes))
        return 0;
    AlignLyricLines(*this, *master);
    EncToKVC_StaffNamePos_Correction(enc);

    bImportConverting = 0;
    converting.Keep();
    // The stem lengths the note conversion kept are done with.
    for (int i = 1; i < master->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = master->m_arrMsgMap.GetAt(i);
        if (msg && msg->IsValidMapEntry(master) && msg->m_byKind == MSG_NOTE)
            msg->m_byMark2 = 0;
    }
    return 1;
}
