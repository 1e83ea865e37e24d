#pragma once
// Builds scores for tests without going through the editing code: a
// document with a chosen staff line spacing and staff count, measures with a
// chosen time signature, clef, key and pickup flag, and symbols placed
// straight into the tree, field by field, so that a test sees exactly what it
// placed. Use it inside a kvtest::KvTest fixture: the document needs the
// host.
//
//   kvtest::ScoreBuilder b({.lineSpacing = 16, .staves = 2});
//   CKVMeas* m = b.Meas(0, 0);
//   b.Setup(m, {.beats = 3, .beatUnit = 4, .clef = 2, .keyType = 1, .keyCount = 1});
//   CKVMsg* a = b.Note(m, {.x = 0, .y = -8, .code = DUR_EIGHTH});
//   CKVMsg* c = b.Chord(m, {.x = 64}, {0, -16, -32});   // members lowest first
//   CKVMsg* g = b.Beam(m, {.x = 128});
//   CKVMsg* d = b.Note(g, {.x = 128, .code = DUR_EIGHTH}); // a member of the group
//   b.Tie(a, d);
//
// A symbol is added to its parent as the editing code adds it: to a measure
// through CKVMeas::AddMsg (owned, sorted), to a chord, group or note through
// CKVMsg::AddMsg (owned, at its sorted index, the container as parent). Notes,
// rests and chords get their play time (CalcPlayTime); start times are left
// at 0. Notes get the 12-byte MIDI head every stored note carries, its key
// read from the position, clef and key signature without the note's own
// accidental (SetMidiHead gives a test the key it needs). Flags are
// exactly the ones given (chord and group membership flags are not set; the
// measure's walk keeps those); Settle finishes the score as a reader would.

#include "Platform.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MidiNoteHead.h"

#include <vector>

namespace kvtest {

struct ScoreShape {
    short lineSpacing = 16;  // the document's staff line spacing L
    short staves = 1;
    LONG measures = 1;
    BYTE clef = 1;           // of every staff; a two-staff score gets bass below, as created
    short beats = 4;
    short beatUnit = 4;
    // Page geometry from the default settings and a 6 mm staff, as a new
    // score file gets them; the line spacing then stays the layout's.
    bool pageGeometry = false;
};

struct MeasShape {
    short beats = 4;
    short beatUnit = 4;
    BYTE clef = 1;           // the measure's initial clef
    BYTE keyType = 0;        // 0 none, 1 sharps, 2 flats
    BYTE keyCount = 0;
    bool pickup = false;
};

struct NoteShape {
    short x = 0;             // position word, 0 to 256
    short y = 0;             // vertical position, 0 on the bottom line, negative upwards
    BYTE code = DUR_QUARTER; // DurationCode
    BYTE dots = 0;
    WORD tuplet = 0;         // TupletWord: normal notes in the high byte, notes in the group in the low
    BYTE voice = 1;
    BYTE accidental = 0;     // AccidentalCode
    WORD flags = 0;          // MsgFlag bits
};

class ScoreBuilder {
public:
    explicit ScoreBuilder(const ScoreShape& shape = ScoreShape());
    ScoreBuilder(const ScoreBuilder&) = delete;
    ScoreBuilder& operator=(const ScoreBuilder&) = delete;

    CKVDoc& Doc() { return m_doc; }
    CKVSystem* System();
    CKVStaff* Staff(int staff);
    CKVMeas* Meas(int staff, int meas);
    void SetLineSpacing(short lineSpacing);

    // Gives a measure its time signature (the length follows), initial clef,
    // key and pickup flag.
    CKVMeas* Setup(CKVMeas* meas, const MeasShape& shape);

    // Notes, rests and containers; parent is a measure, chord or beam group.
    // Null when the parent refuses the symbol (a note already at that place
    // in a chord).
    CKVMsg* Note(CKVObject* parent, const NoteShape& shape);
    // Rests need no builder: any measure of any document takes them.
    static CKVMsg* Rest(CKVObject* parent, const NoteShape& shape);
    // A grace note: flag 0x0010 and glyph size 12.
    CKVMsg* Grace(CKVObject* parent, const NoteShape& shape);
    // A chord with one member note per vertical position; the chord itself
    // stands at the first one.
    CKVMsg* Chord(CKVObject* parent, const NoteShape& shape, const std::vector<short>& ys);
    // An empty beam group at shape.x of shape.voice; add members with Note,
    // Rest, Grace or Chord.
    CKVMsg* Beam(CKVObject* parent, const NoteShape& shape);
    // A clef change (kind 31) to a clef code.
    CKVMsg* ClefChange(CKVMeas* meas, short x, BYTE clef, BYTE voice = 1);
    // Any other kind (key accidental 21, timed event 45, MIDI message 66,
    // note mark 8 under a note, slide 55, ...).
    CKVMsg* Symbol(CKVObject* parent, BYTE kind, short x, short y = 0, BYTE voice = 1);
    // A tie: one tie symbol owned by the first note and referenced by the
    // second, the 32-bit word holding the first note's id and the height the
    // second's; the notes get flags 0x0001 and 0x0002.
    CKVMsg* Tie(CKVMsg* first, CKVMsg* second);

    // Brings the score to the state a file reader leaves it in, so that it
    // saves and loads back equal: every measure is timed as the reader times
    // it (start and performed times, chord and group membership flags) and
    // every staff without a staff-name symbol gets one.
    void Settle();

    // Deletes a symbol through the id map and gives its id, which every
    // reference to it now holds as a stale id.
    DWORD MakeStale(CKVMsg* msg);

    // The 12-byte MIDI head of a note, written and read field by field.
    static void SetMidiHead(CKVMsg* note, const MidiNoteHead& head);
    static MidiNoteHead GetMidiHead(CKVMsg* note);

private:
    static CKVMsg* Place(CKVObject* parent, CKVMsg* msg);

    CKVDoc m_doc;
};

} // namespace kvtest
