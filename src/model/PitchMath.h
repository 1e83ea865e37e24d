#pragma once
// Arithmetic shared by the pitch routines of notes, measures and staves:
// staff units, the clef table, natural keys of positions, spelling of keys
// as positions, accidental codes and the accidental context of a measure.
// Not part of the library's interface.
//
// The context (key signature, accidentals in force, clef in force) is never
// kept between calls: every routine rebuilds it from the measure, because
// any edit in between may have changed it.

#include "Platform.h"
#include "model/KVMsg.h"

#include <vector>

class CKVMeas;
class CKVStaff;

namespace kvpitch {

constexpr int kKeys = 128;
constexpr int kDegrees = 7;

// Semitones of the degrees C D E F G A B above C.
extern const int MajorScaleTable[kDegrees];
// The degrees a key signature alters: B E A D G C F. Flats take the first n,
// sharps the entries 6 down to 7 - n.
extern const int FlatOrderTable[kDegrees];
// Degree of each key mod 12, black keys spelled as the sharp of the step
// below or as the flat of the step above.
extern const int SharpSpellingTable[12];
extern const int FlatSpellingTable[12];

// Staff units of a line spacing L. Positions are counted in steps of
// h = L >> 1, so the formulas use l = 2h for L: with an odd L, L itself does
// not sit on a step and keys and positions would disagree. octave = 4l - h.
struct StaffUnits {
    int h = 0;
    int l = 0;
    int octave = 0;
    bool Valid() const { return h > 0; }
};
StaffUnits UnitsOf(int lineSpacing);
// The units of the document that holds the node; h = 0 without one.
StaffUnits UnitsOf(const CKVObject& node);

// The natural key and degree of a position.
struct PosPitch {
    int key = 64;
    int degree = 0;
};
// Under a pitched clef (1-9; 9 reads as 1). Other codes, and damaged units
// (h = 0), give key 64 and degree 0. The key is not clamped.
PosPitch PitchOfPosition(int y, int clef, const StaffUnits& units);
// The position of a key under clefs 1-7, with the degree of key mod 12 taken
// from `spelling`. False for other clefs or damaged units.
bool PositionOfKey(int key, int clef, const int* spelling, const StaffUnits& units, int& y);

// The accidental code of an accidental byte: its low three bits, where the
// unused codes 6 and 7 count as none.
int AccidentalCodeOf(BYTE accidentalByte);
// Semitones an accidental (or key-signature) code alters a key by.
int AccidentalShift(int code);
// Replaces the code and keeps the further bits of the byte.
void SetAccidentalCode(CKVMsg& msg, int code);
bool IsBlackKey(int key);

// Key signature by degree: the kind (1 sharps, 2 flats) at the altered
// degrees, 0 elsewhere. A count above 7 reads as 7; a kind other than 1 or 2
// alters nothing.
void KeySignatureOf(const CKVMeas* meas, int out[kDegrees]);

// Accidentals in force by natural key. A natural key far off the staff (or
// a drum-table byte) lies outside 0-127; such entries are neither written
// nor read.
class InForce {
public:
    int Get(int key) const { return key >= 0 && key < kKeys ? m_codes[key] : 0; }
    void Set(int key, int code)
    {
        if (key >= 0 && key < kKeys)
            m_codes[key] = code;
    }

private:
    int m_codes[kKeys] = {};
};

int ClampKey(int key);

// Where a note stands: the staff of its measure (tickmath::MeasureOf) and
// that staff's kind (1 when there is none).
CKVStaff* StaffOfMeas(CKVMeas* meas);
bool IsDrumKind(BYTE staffKind);      // 2, 3 and 4 sound through the kit table
bool IsDrumStaffKind(BYTE staffKind); // 2 and 3 are spelled by the kit table only

bool IsCrossStaff(const CKVMsg& msg);
// The measure whose context a note sounds in: the measure above or below
// for a cross-staff note, else (or when that is missing) its own.
CKVMeas* ContextMeasure(CKVMsg& note);
// The position a note's pitch is read from: a cross-staff note's second
// vertical position is its place on the staff it is drawn on.
int PitchY(const CKVMsg& note);
// Moves a note by steps (positive up, that is towards smaller y); a
// cross-staff note moves in both coordinates.
void MoveSteps(CKVMsg& note, int steps, const StaffUnits& units);

// The clef code a clef-change symbol sets.
int ClefOf(const CKVMsg& clefChange);

// The drum key of a note's position through its staff's kit (clef 8): the
// table byte of (head type, row); outside the table, or for 255, the key in
// the note's head. 0 without a measure or kit entry.
int DrumKeyOfPosition(CKVMsg& note, int y, const StaffUnits& units);

// The natural key and degree of a note under a clef, read at PitchY; clef 8
// reads the drum kit (degree 0).
PosPitch NaturalOf(CKVMsg& note, int clef, const StaffUnits& units);

// The measure's walk list rebuilt as notes singly and sorted, copied: the
// callees of a pitch loop rebuild the list it walks.
std::vector<DWORD> WalkCopy(CKVMeas& meas, int withCrossStaff);

} // namespace kvpitch
