#pragma once
// The 44-byte symbol record, shared by the older stream form and the score
// file: its offsets and the fields that both forms carry alike.

#include "model/KVMsg.h"

namespace msgrecord {

constexpr int REC_KIND = 0;
constexpr int REC_VOICE = 1;      // high nibble re-placement, low nibble voice
constexpr int REC_SIZE = 2;
constexpr int REC_MARK1 = 3;
constexpr int REC_MARK2 = 4;
constexpr int REC_ACCIDENTAL = 5; // high nibble accidental, low nibble dots
constexpr int REC_HEAD_TYPE = 6;
constexpr int REC_DURATION = 8;
constexpr int REC_FLAG = 10;
constexpr int REC_LAYOUT1 = 12;
constexpr int REC_LAYOUT4 = 14;
constexpr int REC_LAYOUT2 = 16;
constexpr int REC_LAYOUT3 = 18;
constexpr int REC_PERFORM_START = 20;
constexpr int REC_POS_X = 22;
constexpr int REC_POS_Y = 24;
constexpr int REC_POS_X2 = 26;
constexpr int REC_POS_Y2 = 28;
constexpr int REC_HEIGHT = 32;
constexpr int REC_ID = 36;
constexpr int REC_COLOUR = 40;

// Writes kind, voice and re-placement, size, head type, duration, flags,
// performed start, both points, height, id and colour; other bytes are left.
void PutCommonFields(const CKVMsg& msg, BYTE* rec);

// Reads voice and re-placement, size, head type, duration, flags, performed
// start, both points, height and colour. Kind and id are each form's own.
void GetCommonFields(CKVMsg& msg, const BYTE* rec);

} // namespace msgrecord
