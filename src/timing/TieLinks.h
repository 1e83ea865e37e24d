#pragma once
// Helpers shared by the tie and slur code: the end notes of a tie or slur,
// taking one off its notes, where a measure stands on its staff, and the
// vertical extent of the notes a slur spans. Not part of the library's
// interface.

#include "Platform.h"
#include "model/KVMeas.h"
#include "model/MeasPlace.h"
#include "model/KVMsg.h"

#include <functional>
#include <vector>

class CKVDoc;

namespace tielink {

using measplace::LineSpacingOf;

// The first and second note of a tie or slur; null when the id no longer
// names a symbol.
CKVMsg* StartOf(const CKVMsg& link);
CKVMsg* EndOf(const CKVMsg& link);

// The index of the reference to child in node's list; -1 when node does not
// hold it.
short IndexOfChild(CKVObject& node, const CKVMsg* child);

// Takes a tie or slur off both its notes: the first note's reference is
// removed (an owned symbol goes to the document's deleted-symbol list), the
// second note's is only dropped. A tie also clears the first note's 0x0001
// and the second's 0x0002 where no other tie of that note still needs them.
// Either note may be null. A note whose measure the open undo step does not
// hold, of a link that the step re-linked when it copied the other note's
// measure, has the removal recorded (RecordRemoval): undo hangs the link
// under it again, since no copy of its measure brings the reference back.
void Detach(CKVMsg* link, CKVMsg* first, CKVMsg* second);
// The same without any record, for a caller that records the removal itself.
void DetachUnrecorded(CKVMsg* link, CKVMsg* first, CKVMsg* second);

// Appends to the document's open slur list that `link` leaves `partner`,
// which held it at `index` through `partnerRef`, for undo. The pair from
// before the step comes from an earlier record of the same link. False when
// memory ran out.
bool RecordRemoval(CKVDoc& doc, const CKVMsg& link, const MsgRef& partnerRef, CKVMsg& partner, short index);

// Whether a tie the note holds starts at the note (`starting`) or ends
// there.
bool HoldsTie(CKVMsg& note, bool starting);

// Clears a note's 0x0001 (`starting`) or 0x0002 flag unless a tie the note
// holds still needs it.
void DropTieFlag(CKVMsg& note, bool starting);

// Clears the 0x0001 and 0x0002 flags of a note that no tie it holds
// supports any longer (a tie it starts, a tie it ends); sets none.
void ClearLonelyTieFlags(CKVMsg& note);

// The flags of the two notes of a link just judged a tie or a slur: a tie
// sets 0x0001 on its first note and 0x0002 on its second; a slur sets none
// and clears a bit only where no other tie of that note still needs it.
// Call it after the link's kind is set.
void MarkJudgedLink(CKVMsg& first, CKVMsg& second, bool tie);

// Whether a link just judged (`tieable`: its two notes may be tied) is to
// be a tie. A slur stays a slur where another tie already joins the same two
// notes: the one tie says all a second would, and two would share one pair
// of flags.
bool JudgedTie(const CKVMsg& link, CKVMsg& first, bool tieable);

// Appends to `far` the measures that hold an end of a tie or slur found
// under `node` (on its notes and on the members of its chords and groups),
// each once and in the order met, leaving out those `inside` accepts: the
// measures a command must back up besides its own before it re-judges
// those ties and slurs.
void CollectFarEnds(CKVObject& node, const std::function<bool(const CKVMeas*)>& inside, std::vector<CKVMeas*>& far);

// Backs up, into the open step, the measures outside `meas` that hold the
// far ends of its ties and slurs and that the step does not hold yet: a
// command that re-judges or takes off those links changes their far notes
// too, and undo gives back only what its step holds. Nothing when undo is
// not being recorded.
void HoldFarEnds(CKVMeas& meas);

// A tie or slur that a command takes off its notes before it binds two notes
// anew, with the notes it is taken off (as Detach is given them).
struct Taken {
    CKVMsg* link = nullptr;
    CKVMsg* from = nullptr;
    CKVMsg* to = nullptr;
};

// Whether a new tie or slur from `first` to `second` leaves each note within
// the symbols its record counts, once `taken` are off. A taken link frees a
// place only on a note it is taken off that holds it, and once however
// often it is given, so that no note is ever let past its record.
bool TakesLink(CKVMsg& first, CKVMsg& second, const std::vector<Taken>& taken);

// Defined in timing/KVDocTies.cpp
// Whether CKVDoc::BindNoteByTie(a, b, ..., toggle) or
// CKVDoc::BindNoteBySlur(a, b, ...) would be refused, judged before anything
// changes (a note that could not take the link among the reasons): for the
// commands that back measures up before they bind.
bool RefusesTie(CKVMsg* a, CKVMsg* b, bool toggle);
bool RefusesSlur(CKVMsg* a, CKVMsg* b);

// The staff that holds a note's measure, and the measure's index on it
// (-1 when it is not on a staff).
CKVObject* StaffOfNote(CKVMsg* note);
int MeasIndexOf(CKVMeas* meas);

// The vertical extent of the notes a slur from a to b passes over, stems
// included: `lowest` is the largest vertical position reached, `highest`
// the smallest. Both start at a's vertical position.
struct SlurRange {
    int lowest = 0;
    int highest = 0;
};
// The notes of a's voice from a's position up to and including b's.
SlurRange VoiceRange(CKVMsg* a, CKVMsg* b);
// The notes of every voice from a's position up to, not including, b's.
SlurRange BetweenRange(CKVMsg* a, CKVMsg* b);

// The end corrections of a slur on the automatic side: stems pointing
// different ways, and notes drawn on another staff. Heights are in
// sixteenths of the line spacing `spacing`.
void AdjustAutomaticSlur(CKVMsg& slur, CKVMsg& first, CKVMsg& second, int minHeight, int spacing);

} // namespace tielink
