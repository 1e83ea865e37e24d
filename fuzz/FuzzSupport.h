#pragma once
// Shared pieces of the fuzz targets: a quiet host, the per-input start, the
// selector of the record-reader target, and record buffers owned like the
// library's (malloc/free).

#include "Kvorel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace kvfuzz {

// Brings the process back to its start state and installs a host that asks
// nothing, prints nothing and reports a fixed amount of free memory. Every
// target calls it at the start of each input, so that no input sees state
// that an earlier one left behind and every crash replays on its own.
void BeginInput();

// The readers of the record-reader target, chosen by the input's first byte
// (modulo their number); the rest of the input is the record.
enum RecordReader : uint8_t {
    READ_MSG,           // CKVMsg::Read, into a system
    READ_MEAS,          // CKVMeas::Read
    READ_STAFF,         // CKVStaff::Read
    READ_SYSTEM,        // CKVSystem::Read
    READ_BLOCK,         // CKVBlock::Read, onto a page of a small score
    READ_PAGE,          // CKVPage::Read, into a small score
    READ_CHORD_SYMBOL,  // CChordSymbol::ReadFromMem (the chord part)
    READ_FRET_BOARD,    // CFretBoard::ReadFromMem
    READ_RHYTHM,        // CRhythm::ReadFromMem
    READ_RHYTHM_DATA,   // CRtmData::ReadFromMem
    READ_SURFIX,        // CChordSurfix::ReadFromMem
    READ_SETTINGS,      // CKVCtrlTool::Read (file form)
    READ_FILE_INFO,     // CKVFileInfo::Read (file form)
    READ_LEADING_PART,  // ReadKvcLeadingPart
    READ_UPGRADE,       // CKVDoc::Load of a body, then FileVerUp(8208)
    READ_COUNT
};

// The symbols of the drawn-payload target, chosen by the input's first byte
// (modulo their number); the second byte steers the symbol's words, the rest
// is its head.
enum DrawnPayload : uint8_t {
    DRAW_LYRIC,       // CKVLyricMsg
    DRAW_TEMPO,       // CKVMetronomMsg, style 0 or 1 by the second byte
    DRAW_STAFF_NAME,  // CKVStaffNameMsg
    DRAW_TEXT,        // CKVTextMsg, twice, so that the carried format is used
    DRAW_DYNAMIC,     // CKVDynamicMsg, the second byte as its glyph index
    DRAW_COUNT
};

// A record buffer as the writers take it: malloc'd, grown by them.
struct RecordBuffer {
    unsigned char* data = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;

    RecordBuffer() = default;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer() { std::free(data); }
};

// The score of the clipboard target: 2 staves of 4 measures in 4/4 on the
// default page, two quarter notes in each measure, undo recording off and
// the cursor at the second measure of staff 0. false when it was not made.
bool MakeClipboardScore(CKVDoc& doc);

// The bits of the clipboard target's first byte.
inline constexpr uint8_t kClipVoiceMask = 0x0F;    // the voice, 0 to 15
inline constexpr uint8_t kClipSelectMeasure = 0x10; // a kind-2 selection of measure 2
inline constexpr uint8_t kClipRecordUndo = 0x20;
inline constexpr uint8_t kClipAutoBeam = 0x40;      // the paste's fourth argument

// A body as CKVDoc::Save writes it: u32 L, the L bytes, u32 L.
std::vector<BYTE> FrameBody(const uint8_t* data, size_t size);

// Stops the process when an invariant of the library fails, so that both
// drivers report the input.
[[noreturn]] void Fail(const char* what);

} // namespace kvfuzz
