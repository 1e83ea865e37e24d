#pragma once
// What a command will make of the voices of the measures it reaches, added
// up before it changes anything. A voice's start times and its whole count
// are 16-bit ticks, so a command that would grow a voice past 32,767 ticks
// is refused as a whole rather than left to wrap them:
//
//   CVoiceRoom room;
//   room.Add(meas, voice, ticks);      // for every voice the command changes
//   if (!room.Fits())
//       return 0;                      // nothing changed yet
//
// A voice that the command shortens, or leaves as long as it was, passes even
// when it is too long already (a damaged file), so that it can be mended.
// The same goes for the symbols of a measure, whose record counts them in a
// byte: a command that would give a measure more than 255 is refused too.

#include "Platform.h"
#include "document/RecordIO.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

class CKVMeas;
class CKVMsg;

class CVoiceRoom {
public:
    // The most ticks a voice may take.
    static constexpr double kMaxTicks = 32767.0;

    // Ticks that the command adds to a voice of a measure; negative ones it
    // takes away.
    void Add(CKVMeas& meas, BYTE voice, double ticks);

    // Symbols that the command may add to a measure itself (not to its beam
    // groups or chords), counted as if none it replaces went; negative ones
    // an earlier step of the command takes away.
    void AddSymbols(CKVMeas& meas, int count);

    // A beam group that the command tidies once it has changed its members,
    // as BeamOrder and the selection's delete tidy one: `kinds` are the
    // kinds its members will have, in order, those it loses left out. The
    // rests at its ends go to its measure, a last member takes its place and
    // an emptied group goes. A later Dissolve of the group counts the
    // members it keeps.
    void TidyGroup(CKVMsg& group, std::vector<BYTE> kinds);

    // Counts what a delete that walks a measure leaves of it, deleting
    // nothing: the notes, rests, chords and other symbols of `gone` leave
    // the measure or their group with their ticks (a chord goes with the
    // last of its notes), and every beam group of the measure is tidied
    // (TidyGroup), as the selection's delete tidies each group of a measure
    // it walks.
    void CountDelete(CKVMeas& meas, const std::set<const CKVMsg*>& gone);

    // Counts what a delete of whole symbols leaves of a measure, as a
    // staff's delete of a voice takes them: the symbols of `gone` that stand
    // in the measure itself leave it with their ticks (a beam group with its
    // members). No group is tidied.
    void CountSymbolsDelete(CKVMeas& meas, const std::set<const CKVMsg*>& gone);

    // Counts the members of `gone` leaving one beam group, which is then
    // tidied; they take their ticks along.
    void CountGroupLeave(CKVMsg& group, const std::set<const CKVMsg*>& gone);

    // The beam groups of a voice that reach into a stretch of position words
    // of a measure, dissolved (its groups of grace notes left alone with
    // `keepGraceGroups`): each gives the measure its members in its place.
    // Each group counts once, however often it is reached.
    void Dissolve(CKVMeas& meas, BYTE voice, short from, short to, bool keepGraceGroups = false);

    // The notes of a voice in a stretch of position words made one chord:
    // its groups and chords there are broken first, and then, with two notes
    // or more, the notes become one chord (those it refuses leave). A stretch
    // with fewer notes keeps the members its groups gave back.
    void MakeChord(CKVMeas& meas, BYTE voice, short from, short to);

    // A symbol that leaves one voice of its measure for another (a beam
    // group with its members). Each symbol moves once, however often it is
    // given.
    void Move(CKVMsg& msg, BYTE to);

    // A symbol that will take `ticks` in its voice instead of what it takes
    // now. Each symbol counts once, however often it is given.
    void Retime(CKVMsg& msg, double ticks);

    // A note or chord that the command turns from a grace note into an
    // ordinary one (its voice gains its ticks) or the other way (the voice
    // loses them). Each symbol counts once, however often it is given.
    void ToggleGrace(CKVMsg& msg);

    // Whether every voice that the command grows stays within kMaxTicks and
    // every measure it adds symbols to within what its record counts
    // (kvrec::HasRoomFor).
    bool Fits() const;

    // Whether a measure takes one more symbol like msg, entered by the
    // mouse, at the caret, by time or by measure number: the measure has
    // room for one more symbol, and a note, rest or chord's voice for its
    // ticks (a grace note takes none; a copy of a group brings no members).
    static bool TakesEntry(CKVMeas& meas, CKVMsg& msg);

    // Whether dissolving the voice's groups over a stretch (see Dissolve)
    // leaves the measure within its record, counted as if nothing grouped
    // them again.
    static bool TakesDissolve(CKVMeas& meas, BYTE voice, short from, short to, bool keepGraceGroups);

    // The ticks a symbol counts for in its voice as a measure's whole count
    // sums them: a note, rest or chord that is no grace note, standing in
    // the measure itself or in a beam group; 0 for anything else.
    static double CountedTicks(CKVMsg& msg);

    // The ticks of a note, rest or chord (grace notes none) with the given
    // duration word, dots and tuplet word; its own fields stay as they are.
    static double TicksWith(CKVMsg& msg, WORD duration, BYTE dots, WORD tuplet);

private:
    // The members a group holds once the command has tidied it.
    int MembersOf(CKVMsg& group) const;

    std::map<std::pair<CKVMeas*, BYTE>, double> m_change;
    std::set<CKVMsg*> m_given;
    std::map<CKVMeas*, int> m_symbols;
    std::map<const CKVMsg*, int> m_tidied;
};
