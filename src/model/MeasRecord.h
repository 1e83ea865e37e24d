#pragma once
// The 96-byte settings record that closes every form of a measure (the
// buffer and stream forms and the score file): its offsets and the fields
// that the forms carry alike.

#include "Platform.h"

class CKVMeas;

namespace measrecord {

constexpr int RECORD_SIZE = 96;

constexpr int REC_STYLE = 0;
constexpr int REC_TIME_NUM_TEXT = 19;
constexpr int REC_TIME_DEN_TEXT = 35;
constexpr int REC_ENDING_TEXT = 51;
constexpr int REC_AT_SIGN = 67;     // always '@'
constexpr int REC_START_BAR = 68;
constexpr int REC_END_BAR = 69;
constexpr int REC_INIT_CLEF = 70;
constexpr int REC_OPTION = 72;
constexpr int REC_OPTIONS = 73;
constexpr int REC_ENDING_NUM = 74;
constexpr int REC_ENDING_POS = 75;
constexpr int REC_ENDING_BYTE = 76;
constexpr int REC_ENDING_OFFSET = 77;
constexpr int REC_ENDING_LINE1 = 78;
constexpr int REC_ENDING_LINE2 = 80;
constexpr int REC_MARKER = 82;
constexpr int REC_TIME_NUM = 86;
constexpr int REC_TIME_DEN = 88;
constexpr int REC_KEY_TYPE = 90;
constexpr int REC_KEY_COUNT = 92;
constexpr int REC_ENDING_WORD = 94;

// Writes what every form carries: the time signature with its style and
// texts, the '@' sign, the bar lines, the initial clef and the marker word.
// Other bytes are left.
void PutCommonFields(const CKVMeas& meas, BYTE* rec);

// Writes the option bytes and the key, which the stream form and the score
// file add to the common fields.
void PutOptionAndKey(const CKVMeas& meas, BYTE* rec);

// Reads the fields of both Put functions (texts stay terminated whatever
// the record holds). The endings are the score file's own.
void GetCommonFields(CKVMeas& meas, const BYTE* rec);

} // namespace measrecord
