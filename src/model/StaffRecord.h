#pragma once
// The 112-byte record that follows a staff's node part in its stream form
// and in the score file: its offsets and the fields that both forms carry
// alike.

#include "Platform.h"

class CKVStaff;

namespace staffrecord {

constexpr int RECORD_SIZE = 112;

constexpr int REC_NAME = 0;         // CKVStaff::NAME_SIZE bytes, the last one 0
constexpr int REC_CLEF = 32;
constexpr int REC_KIND = 33;
constexpr int REC_LINES = 34;
constexpr int REC_CHANNELS = 35;    // a byte for each voice
constexpr int REC_VOICE_FIRST = 51;
constexpr int REC_VOICE_THIRD = 59;
constexpr int REC_VOICE_SECOND = 67;
constexpr int REC_DISPLAY = 75;
constexpr int REC_BRACKETS = 76;
constexpr int REC_CONST8A = 80;     // always 8
constexpr int REC_CONST8B = 82;     // 8 in the score file
constexpr int REC_WORD = 84;
constexpr int REC_CONST4A = 102;    // always 4
constexpr int REC_CONST4B = 104;    // always 4
constexpr int REC_MEAS_COUNT = 108;

// Writes what both forms carry: the name, clef type, kind and line count,
// the constants they share and the measure count. Other bytes are left.
void PutCommonFields(const CKVStaff& staff, BYTE* rec);

// Reads the name (kept terminated), clef type, kind and line count.
void GetCommonFields(CKVStaff& staff, const BYTE* rec);

// The stored measure count.
DWORD MeasCountOf(const BYTE* rec);

} // namespace staffrecord
