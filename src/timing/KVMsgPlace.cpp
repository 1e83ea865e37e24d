// Placement of notes, rests, chords and beam groups in the measure.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/ImportState.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <cstdlib>
#include <vector>

namespace {

using measplace::LineSpacingOf;
using measplace::ChordNotes;

// What a beam group without members gives as its start time.
constexpr short kNoStart = 32767;

// The default stem length of the document.
int StemLengthOf(const CKVObject& node)
{
    CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nFontHeight78 : 0;
}

// The whole settings byte of a voice: its low bits give the stem direction,
// the values 1 and 2 also put the voice's rests high or low.
int RestSettingOf(const CKVMsg& rest)
{
    CKVDoc* doc = DocOf(rest);
    if (!doc)
        return 0;
    int voice = rest.m_byVoice;
    if (voice < 1 || voice > CKVCtrlTool::kVoices)
        voice = 1;
    return doc->m_CtrlTool.m_byStemDir[voice - 1];
}

// The height of a rest on the two-position drum staff, by duration code;
// y is the rest's vertical position. False for codes without a place.
bool DrumRestY(int code, int y, int space, int& out)
{
    const int h = space / 2;
    if (y > -2 * space) {
        switch (code) {
        case 0: out = -h; return true;
        case 1: out = (y <= -space) ? -space : -h; return true;
        case 2: out = -space; return true;
        case 3: out = 0; return true;
        case 4: out = -h - space / 4; return true;
        case 5: out = h; return true;
        case 6: out = space + h; return true;
        case 7: out = 2 * space + h; return true;
        case 8: out = 4 * space - h; return true;
        default: return false;
        }
    }
    if (code < 0 || code > 8)
        return false;
    if (code <= 1)
        out = -2 * space;
    else if (code == 2)
        out = -2 * space - h;
    else
        out = -3 * space - h;
    return true;
}

} // namespace

void CKVMsg::UpdatePos(int fromTime)
{
    if (!tickmath::IsVoiceEntry(*this))
        return;
    const BYTE kind = m_byKind;
    CKVMeas* meas = tickmath::MeasureOf(this);
    // Without a measure that has a length there is no scale to place a time
    // on; the symbol keeps its position word.
    if (fromTime && (!meas || meas->m_nLength <= 0))
        fromTime = 0;

    // The tremolo is found by the note's position, so before it moves.
    CKVMsg* tremolo = IsTremoloNote() ? GetTremolo() : nullptr;
    if (fromTime) {
        const short start = GetStartTime();
        if (kind != MSG_BEAM || start != kNoStart)
            m_nPosX = TruncateToShort(MulDiv(start, CKVMeas::SCALE, meas->m_nLength));
    }
    if (tremolo) {
        if (m_wFlag & MSGFLAG_TREMOLO_START)
            tremolo->m_nPosX = m_nPosX;
        else
            tremolo->m_nPosX2 = m_nPosX;
    }

    const int space = LineSpacingOf(*this);
    const int h = space / 2;
    if (kind != MSG_REST && space >= 2) {
        m_nPosY = TruncateToShort((m_nPosY / h) * h);
        if (measplace::StaffKindOf(meas) == CKVStaff::KIND_ONE_LINE)
            m_nPosY = TruncateToShort(-2 * space);
    }

    if (kind == MSG_REST) {
        const int centre =
            (fromTime && meas->ResetGetNextMsg(kChordsWhole, kWalkTreeOrder, kWalkOwnStaff, kWalkTimedOnly) > 0)
                ? 1
                : 0;
        const int code = m_wDuration & 0xFF;
        if (fromTime && code < DUR_HALF && m_pParent == meas && meas->GetMsgNum() == 1)
            m_nPosX = CKVMeas::SCALE / 2;
        UpdateRestPosY(centre);
        return;
    }

    if (kind == MSG_NOTE) {
        ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
        return;
    }
    if (kind == MSG_BEAM) {
        BeamDirection(fromTime, kBeamSetHeights, kBeamAutoDirection, kBeamDown);
        return;
    }

    std::vector<CKVMsg*> notes = ChordNotes(*this);
    if (notes.size() < 2)
        return;
    for (CKVMsg* note : notes)
        note->UpdatePos(fromTime);
    // The stem starts at the outer note that lies farther from the middle
    // line: down from the top note, or up from the bottom one.
    const CKVMsg* first = notes.front();
    const CKVMsg* last = notes.back();
    const LONG stem = StemLengthOf(*this);
    if (std::abs(first->m_nPosY + 4 * h) <= std::abs(last->m_nPosY + 4 * h)) {
        m_lHeight = stem;
        m_nPosY = last->m_nPosY;
    } else {
        m_lHeight = -stem;
        m_nPosY = first->m_nPosY;
    }
    ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
    ChordDotOrder();
    ChordKeyOrder();
}

void CKVMsg::UpdateRestPosY(int centre)
{
    if (m_byKind != MSG_REST || bImportConverting)
        return;
    const int space = LineSpacingOf(*this);
    const int code = m_wDuration & 0xFF;
    // A line spacing below 2 leaves no grid to snap to (its half is 0): the
    // rest keeps its height then.
    const bool onGrid = space >= 2;

    if (centre) {
        if (tickmath::IsLoneWholeRest(*this)) {
            // Centred by eye: the glyph hangs right of its anchor, so the
            // anchor goes one line spacing left of the middle.
            m_nPosX = CKVMeas::SCALE / 2;
            if (CKVMeas* meas = tickmath::MeasureOf(this)) {
                const int x = meas->GetRealPosX(this);
                m_nPosX = meas->AbsXToMeasX(TruncateToShort(x - space));
            }
        }
        const int setting = RestSettingOf(*this);
        if (onGrid && setting == 1) {
            m_nPosY = TruncateToShort(-5 * space);
        } else if (onGrid && setting == 2) {
            static const int kLowLines[9] = {1, 1, 1, 2, 2, 2, 3, 4, 5};
            if (code >= 0 && code <= 8)
                m_nPosY = TruncateToShort(kLowLines[code] * space);
        }
    }

    m_lHeight = -21;
    m_nLayout1 = TruncateToShort(-4 * space);
    if (!onGrid)
        return;

    const int y = m_nPosY;
    if (measplace::StaffKindOf(tickmath::MeasureOf(this)) == CKVStaff::KIND_DRUM_SECOND) {
        int placed = 0;
        if (DrumRestY(code, y, space, placed))
            m_nPosY = TruncateToShort(placed);
        return;
    }

    if (y >= -4 * space && y <= 0) {
        int placed = y;
        if (code >= 0 && code <= 4)
            placed = MulDiv(-16, space, 8);
        else if (code == 5 || code == 6)
            placed = -space;
        else if (code == 7 || code == 8)
            placed = 0;
        m_nPosY = TruncateToShort(placed);
        const int lines = (code == 7 || code == 8) ? 5 : 4;
        m_nLayout1 = TruncateToShort(-(placed + lines * space));
        return;
    }
    // Outside the staff a rest sits on a whole line; division truncates
    // toward zero, so the half line is added away from the staff. A whole
    // rest hangs from its line and rounds the other way.
    if (y > 0 || code == DUR_WHOLE)
        m_nPosY = TruncateToShort(((y + space / 2) / space) * space);
    else
        m_nPosY = TruncateToShort(((y - space / 2) / space) * space);
}
