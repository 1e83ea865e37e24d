// Encore notes and rests become notes, chords and rests of the native
// measure through note insertion; a multi-measure rest is added as it is.

#include "document/KVDoc.h"
#include "import/EncConvert.h"
#include "import/EncDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "platform/AllocHook.h"
#include "platform/MemoryGuard.h"
#include "timing/InsertState.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Data bytes an Encore note and rest need; a note's marks follow at 14.
constexpr DWORD kNoteData = 14;
constexpr DWORD kUpMarkEnd = 16;
constexpr DWORD kDownMarkEnd = 18;
constexpr DWORD kRestData = 6;

constexpr BYTE kMultiRestKind = 33;
// The word after the id of every note and rest the import makes.
constexpr DWORD kTemplateWord = 0x40000;

// Title block: the fifth text style (face index, size, style bits) and the
// width of a multi-measure rest in percent of the measure.
constexpr int kMultiRestStyle = 2364;
constexpr int kMultiRestWidth = 2382;

// Encore head type (high four bits of byKind) to the native note-head word.
WORD HeadWordOf(BYTE kind)
{
    static constexpr WORD kHeads[10] = {1, 4, 11, 21, 2, 6, 25, 3, 5, 0};
    const int type = kind >> 4;
    return type < 10 ? kHeads[type] : 1;
}

// The tuplet word of a byTuplet byte: notes in the group in the low byte,
// normal notes in the high byte; a zero half makes no tuplet.
WORD TupletWordOf(BYTE tuplet)
{
    const int low = tuplet & 15;
    const int high = tuplet >> 4;
    if (low == 0 || high == 0)
        return 0;
    return static_cast<WORD>(low * 256 + high);
}

// How much shorter the stem of a 32nd, 64th or 128th is drawn, in half
// spaces.
int StemShortening(int code, bool grace, bool slashed)
{
    switch (code) {
    case DUR_32ND:
        return slashed ? 2 : 1;
    case DUR_64TH:
        return slashed ? 4 : grace ? 2 : 3;
    case DUR_128TH:
        return slashed ? 6 : grace ? 3 : 4;
    default:
        return 0;
    }
}

void PutLong(BYTE* at, LONG value)
{
    const DWORD v = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<BYTE>(v >> (8 * i));
}

// The 60-byte stored form of a LOGFONT.
constexpr int kLogFontBytes = 60;
void LogFontBytes(const LOGFONT& lf, BYTE* out)
{
    std::memset(out, 0, kLogFontBytes);
    PutLong(out, lf.lfHeight);
    PutLong(out + 4, lf.lfWidth);
    PutLong(out + 8, lf.lfEscapement);
    PutLong(out + 12, lf.lfOrientation);
    PutLong(out + 16, lf.lfWeight);
    out[20] = lf.lfItalic;
    out[21] = lf.lfUnderline;
    out[22] = lf.lfStrikeOut;
    out[23] = lf.lfCharSet;
    out[24] = lf.lfOutPrecision;
    out[25] = lf.lfClipPrecision;
    out[26] = lf.lfQuality;
    out[27] = lf.lfPitchAndFamily;
    std::memcpy(out + 28, lf.lfFaceName, 32);
    out[kLogFontBytes - 1] = 0;
}

// The settings' multi-measure-rest font from the title block's fifth text
// style. A face index outside the font list leaves the face as it was.
void TakeMultiRestFont(const CEncDoc& enc, LOGFONT& lf)
{
    const BYTE* style = enc.m_byTitle + kMultiRestStyle;
    const int index = encio::Word(style);
    const int size = encio::Word(style + 2);
    const int flags = encio::Word(style + 4);
    if (index < enc.m_arrFontName.GetSize()) {
        const CString& name = enc.m_arrFontName[index];
        if (!name.IsEmpty()) {
            std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
            std::strncpy(lf.lfFaceName, static_cast<LPCTSTR>(name), sizeof lf.lfFaceName - 1);
        }
    }
    lf.lfItalic = flags & 2 ? 1 : 0;
    lf.lfUnderline = flags & 4 ? 1 : 0;
    lf.lfWeight = flags & 1 ? 700 : 300;
    lf.lfHeight = size * 4 / 3;
}

// The fields that an Encore note and rest template share.
void FillTemplate(CKVMsg& t, CKVDoc& doc, const CEncDoc& enc, CEncMeas& encMeas, const CEncSymbol& symbol,
                  CKVMeas& meas, BYTE kind, unsigned char voice, WORD code)
{
    const int s = doc.m_nStaffSpace;
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    t.Initialize(master, OBJ_MSG);
    t.m_byKind = kind;
    t.m_byVoice = static_cast<BYTE>(voice + 1);
    t.m_nPosX = meas.AbsXToMeasX(static_cast<short>(symbol.wX() + encMeas.byPakArea()));
    t.m_nPosY = EncStandardY(s, symbol.byY());
    t.m_crColor = EncSymbolColor(enc, symbol);
    t.m_wDuration = code;
    t.m_wObjWord = TupletWordOf(symbol.byTuplet());
    t.m_wSize = MSG_SIZE_NORMAL;
    t.m_dwWord = kTemplateWord;
    t.m_wFlag = 0;
    const int dots = symbol.byDot() & 3;
    if (dots != 0) {
        // Three dots have no length rule; they stay two.
        t.m_byDots = static_cast<BYTE>(std::min(dots, 2));
        t.m_nLayout3 = static_cast<short>(doc.m_CtrlTool.m_wM5 * (s / 4));
    }
}

// The MIDI head of an inserted note: key (on a drum staff only), velocity,
// release and gate time.
void SetMidiHead(CKVMsg& note, CKVMeas& meas, const CEncSymbol& symbol)
{
    unsigned char* head = nullptr;
    if (note.GetHead(&head) < MidiNoteHead::Size || !head)
        return;
    if (measplace::StaffKindOf(&meas) == CKVStaff::KIND_DRUM)
        head[MidiNoteHead::KeyOffset] = symbol.byKeyNo();
    head[MidiNoteHead::VelocityOffset] = symbol.byVelocity();
    head[MidiNoteHead::ReleaseOffset] = symbol.byRelease();
    PutLong(head + MidiNoteHead::GateTimeOffset, symbol.wDuration());
}

} // namespace

int CKVDoc::EncToKVC_Note(CEncDoc* enc, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas, unsigned char voice)
{
    if (!enc || !encMeas || !symbol || !meas)
        return 1;
    // A note the score has no voice or no duration for is left out, and
    // counted so that the loss is told.
    if (voice > 7) {
        ++enc->m_leftOutNotes.beyondEighthVoice;
        return 1;
    }
    if (!EncHasData(*enc, *symbol, kNoteData))
        return 1;
    const BYTE kind = symbol->byKind();
    const int code = kind & 15;
    if (code > DUR_128TH) {
        ++enc->m_leftOutNotes.unknownDuration;
        return 1;
    }
    const int s = m_nStaffSpace;
    const int half = s / 2;
    const BYTE stem = symbol->byStmHt();
    const BYTE param1 = symbol->byParam1();
    const bool grace = (param1 & 32) != 0;
    const bool slashed = grace && (symbol->byParam2() & 4) != 0;
    BYTE accidental = symbol->byAccidental() & ACCI_CODE_MASK;
    if (accidental > ACCI_DOUBLE_FLAT)
        accidental = ACCI_NONE;

    // 1-3. The template, inserted on its own.
    CKVMsg t;
    FillTemplate(t, *this, *enc, *encMeas, *symbol, *meas, MSG_NOTE, voice, static_cast<WORD>(code));
    t.m_wHeadType = HeadWordOf(kind);
    t.m_byAccidental = accidental;
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    SetAccColumnWidth(static_cast<short>((s / 4) * m_CtrlTool.m_wM4));
    CKVMsg* note = meas->InsertNoteMsg(t, 0, 0);
    if (!note) {
        // The measure refused the note (the second spelling of a unison, a
        // note under a multi-measure rest, ...): it is left out, and counted
        // by the reason so that the loss is told.
        enc->m_leftOutNotes.Count(GetInsertRefusal());
        return 1;
    }
    CKVMsg* chord = GetImportLastChord();

    // 4. The stem length, kept for the walk until it is done.
    int h = stem & 63;
    if (h != 0)
        h = std::max(0, h - StemShortening(code, grace, slashed));
    note->m_byMark2 = static_cast<BYTE>(h + (stem & 192));

    // 5. Head, grace and tie flags.
    note->m_wHeadType = HeadWordOf(kind);
    if (grace) {
        note->MakeGraceNote();
        note->m_wSize = MSG_SIZE_GRACE;
        if (slashed)
            note->m_wDuration = static_cast<WORD>((note->m_wDuration & 0xFF00) | DUR_EIGHTH);
    }
    if (param1 & 1)
        note->m_wFlag |= MSGFLAG_TIE_START;
    if (param1 & 2)
        note->m_wFlag |= MSGFLAG_TIE_END;

    // 6. Stem direction and height.
    const int direction = stem & 128 ? kStemDown : kStemUp;
    const int turnGrace = grace ? kTurnGraceStems : kKeepGraceStems;
    auto setNoStem = [](CKVMsg& msg, bool on) {
        if (on)
            msg.m_wFlag |= MSGFLAG_NO_STEM;
        else
            msg.m_wFlag = static_cast<WORD>(msg.m_wFlag & ~MSGFLAG_NO_STEM);
    };
    if (param1 & 16) {
        note->ChangeNoteDirection(direction, turnGrace);
    } else if (!chord) {
        note->ChangeNoteDirection(direction, turnGrace);
        if ((stem & 63) == 0) {
            setNoStem(*note, true);
        } else {
            note->m_lHeight = direction == kStemUp ? -h * half : h * half;
            setNoStem(*note, (stem & 64) != 0);
        }
    } else {
        chord->ChangeNoteDirection(direction, turnGrace);
        chord->ChordCtrlPointMove();
        std::vector<CKVMsg*> members;
        for (short i = 0; i < chord->GetMsgNum(); ++i) {
            CKVMsg* member = chord->GetMsg(i);
            if (member && member->m_byKind == MSG_NOTE)
                members.push_back(member);
        }
        if (!members.empty()) {
            const CKVMsg* reference = direction == kStemUp ? members.front() : members.back();
            const BYTE byte = reference->m_byMark2;
            const int length = byte & 63;
            for (CKVMsg* member : members) {
                if (length == 0) {
                    setNoStem(*member, true);
                    continue;
                }
                const int own = direction == kStemUp ? -length * half : length * half;
                member->m_lHeight = own + (reference->m_nPosY - member->m_nPosY);
                setNoStem(*member, (byte & 64) != 0);
            }
        }
    }

    // 7. The second height word.
    note->m_nLayout1 = static_cast<short>(note->m_lHeight & 0xFFFF);

    // 8. Accidental and its offset.
    const BYTE acc = symbol->byAccidental();
    note->m_byAccidental = accidental;
    int offset = ((acc & 56) >> 3) * half + 1;
    if (acc & 64)
        offset += GetHeadWidth(note);
    if (acc & 128)
        offset -= GetHeadWidth(note);
    if (grace)
        offset /= 2;
    note->AccidentalOffset() = static_cast<short>(offset);

    // 9. Marks, only when the data holds their bytes.
    auto* data = const_cast<BYTE*>(symbol->Data());
    if ((symbol->byDot() & 128) && symbol->DataLength() >= kUpMarkEnd && !note->EncNoteUpToKvcNoteUp(data))
        return 0;
    if ((symbol->byDot() & 64) && symbol->DataLength() >= kDownMarkEnd && !note->EncNoteDownToKvcNoteDown(data))
        return 0;

    // 10. MIDI.
    SetMidiHead(*note, *meas, *symbol);
    return 1;
}

int CKVDoc::EncToKVC_Rest(CEncDoc* enc, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas, unsigned char voice)
{
    if (!enc || !encMeas || !symbol || !meas || voice > 7)
        return 1;
    if (!EncHasData(*enc, *symbol, kRestData))
        return 1;
    const BYTE kind = symbol->byKind();
    if (kind == kMultiRestKind) {
        // A measure already compressed takes no second multi-measure rest.
        if (meas->IsRestCompMeas(nullptr) != 0)
            return 1;
        CKVMsg* msg = KvNew<CKVMsg>();
        if (!msg) {
            ReportOutOfMemory(1);
            return 0;
        }
        msg->Initialize(meas->m_pSystem, OBJ_MSG);
        msg->m_byKind = MSG_MULTIREST;
        msg->m_wObjWord = symbol->byKeyNo();
        const int width = MulDiv(256, encio::Word(enc->m_byTitle + kMultiRestWidth), 100);
        msg->m_nPosX = static_cast<short>((256 - width) / 2);
        msg->m_nPosX2 = static_cast<short>(msg->m_nPosX + width);
        msg->m_nPosY = 16;
        msg->m_nPosY2 = 16;
        LOGFONT& lf = m_CtrlTool.m_lfMultiRest;
        TakeMultiRestFont(*enc, lf);
        BYTE head[kLogFontBytes];
        LogFontBytes(lf, head);
        if (msg->SetHead(kLogFontBytes, head) != kLogFontBytes) {
            delete msg;
            return 0;
        }
        msg->m_crColor = 0;
        if (meas->AddMsg(msg, 1) == 0) {
            delete msg;
            return 0;
        }
        return 1;
    }
    if (kind > DUR_128TH)
        return 1;
    CKVMsg t;
    FillTemplate(t, *this, *enc, *encMeas, *symbol, *meas, MSG_REST, voice, kind);
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    if (CKVMsg* rest = meas->InsertNoteMsg(t, 0, 0))
        rest->m_nPosY = static_cast<short>(kind < DUR_EIGHTH ? t.m_nPosY : t.m_nPosY + m_nStaffSpace / 2);
    return 1;
}
