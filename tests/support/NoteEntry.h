#pragma once
// Note entry and deletion the way the editing commands make them, for tests
// that need the library's own paths rather than symbols placed straight into
// the tree: a template built at the caret's point, handed to the measure's
// insertion, and a deletion that first hands the note's tuplet, ties and
// slurs over.

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"

#include <memory>

namespace kvtest {

struct EntryShape {
    short start = 0;        // the start time the caret stands at
    short y = 0;            // vertical position
    BYTE code = DUR_QUARTER;
    BYTE voice = 1;
    WORD tuplet = 0;
    BYTE accidental = 0;    // AccidentalCode the template carries
    BYTE dots = 0;
};

// The template note entry builds: its position word is the start time
// scaled to the measure's 256 units, as a step-entry caret gives it.
inline std::unique_ptr<CKVMsg> EntryTemplate(CKVMeas* meas, const EntryShape& e)
{
    const int length = meas->m_nLength > 0 ? meas->m_nLength : 1;
    const POINT point {MulDiv(e.start, CKVMeas::SCALE, length), e.y};
    auto tmpl = std::make_unique<CKVMsg>(meas, point, MSG_NOTE, 1, static_cast<WORD>(e.code | (e.dots << 8)), e.voice, 0, 0, e.tuplet, 0, 0);
    tmpl->m_byAccidental = e.accidental;
    return tmpl;
}

// Null when the measure refuses the note (no room, or a note of that pitch
// already there).
inline CKVMsg* EnterNote(CKVMeas* meas, const EntryShape& e)
{
    std::unique_ptr<CKVMsg> tmpl = EntryTemplate(meas, e);
    return meas->InsertNewNoteMsg(*tmpl, kStemDefault, kPlaceByTime, kAutoBeam, 0, kFromNotation, 0);
}

// Deletes a note of a measure as the delete command does: the tuplet it
// holds goes to a neighbour, its ties and slurs are taken from both ends,
// then the note leaves the measure.
inline int DeleteNote(CKVDoc& doc, CKVMeas* meas, CKVMsg* note)
{
    doc.TupletMsgDelProc(note);
    doc.TieSlurMsgDelProc(note);
    return meas->DeleteMsg(note, kUnlinkAndFree);
}

} // namespace kvtest
