#pragma once
// The host's drum-kit table, the current kit index, and read access to one
// kit entry.
//
// A DrumKitEntry is host memory of at least kDrumKitEntrySize bytes. It is
// never laid over by a C struct: the accessors below read its fields at their
// byte offsets, little-endian.

#include "Platform.h"

class CKVStaff;
struct DrumKitEntry; // opaque host bytes

constexpr int kDrumKitEntrySize = 8994;
constexpr int kDrumKitNameOffset = 140;         // zero-terminated kit name
constexpr int kDrumKitKeyWordsOffset = 8396;    // 128 x u16, one per MIDI key
constexpr int kDrumKitKeyTableOffset = 8652;    // 18 x 18 bytes [head - 1][row]
constexpr int kDrumKitDefaultHeadsOffset = 8976; // 18 bytes, one per row
constexpr int kDrumKitKeys = 128;
constexpr int kDrumKitRows = 18;  // staff position in half spaces + 13
constexpr int kDrumKitHeads = 18; // note-head type - 1
constexpr BYTE kDrumKitNoKey = 255;

// The head of a drum staff: u16 kit index (little-endian), then the kit name,
// zero-terminated and zero-padded.
constexpr int kDrumKitRecordSize = 66;
constexpr int kDrumKitRecordNameOffset = 2;

// The host's table (null until set) and the current kit index, given to new
// drum staves and used by GetDrumTable without a staff.
extern CPtrArray* pDrumTable;
extern short nDrumIndex;

// The kit name as stored in the entry.
const char* DrumKitName(const DrumKitEntry* entry);
// The word of a MIDI key: bits 0-5 the row, bits 8-11 the note-head type - 1,
// bit 15 set when the key fixes the position.
WORD DrumKitKeyWord(const DrumKitEntry* entry, int key);
// The MIDI key played by a head (note-head type - 1) on a row; 255 none.
BYTE DrumKitKey(const DrumKitEntry* entry, int head, int row);
// The default note-head type - 1 of a row.
BYTE DrumKitDefaultHead(const DrumKitEntry* entry, int row);

// The kit at an index of the host's table; null without a table or past it.
DrumKitEntry* DrumKitAt(int index);
// Gives a staff the 66-byte drum-kit head: the index and the entry's name
// (an empty name without an entry).
void WriteDrumKitHead(CKVStaff& staff, WORD index, const DrumKitEntry* entry);

// The kit of a drum staff, re-validated against the table by its stored
// index and name: a staff whose kit no longer matches is moved to kit 0.
// With null, the kit at the current index. Null without a table or entry.
DrumKitEntry* GetDrumTable(CKVStaff* staff);
// Stores the host's table (an array of DrumKitEntry pointers) and returns it.
CPtrArray* SetDrumTable(CPtrArray* table);
// Stores the current kit index and returns it.
short SetDrumIndex(short index);
