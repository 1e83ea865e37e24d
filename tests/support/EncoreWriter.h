#pragma once
// A builder of Encore score files for tests, benchmarks and fuzz seeds: one
// description written as a SCOW file or as its SCO5 twin, in the current
// symbol layout or the older one, with faults on request. Its byte-order
// tables are its own, kept apart from the reader's.

#include "Platform.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvtest {

enum class EncoreOrder { Scow, Sco5 };
enum class EncoreLayout { Current, Older };

struct EncoreSymbol {
    WORD wTime = 0;
    BYTE type = 0;
    BYTE voice = 0;
    BYTE track = 0;
    BYTE staff = 0; // within the track
    BYTE kind = 0;
    BYTE param1 = 0;
    BYTE param2 = 0;
    WORD wColor = 0;
    std::vector<BYTE> data; // the current layout, little-endian
    // Written exactly as given instead of the fields above (any length byte).
    std::optional<std::vector<BYTE>> raw;
};

// Data helpers: little-endian words.
void PutWords(std::vector<BYTE>& data, size_t offset, std::initializer_list<int> words);

EncoreSymbol EncNote(BYTE track, BYTE staff, WORD x, signed char y, BYTE key, WORD duration, BYTE velocity = 100,
                     BYTE voice = 0, BYTE kind = 4);
EncoreSymbol EncRest(BYTE track, BYTE staff, WORD x, signed char y = 0, BYTE kind = 4, BYTE voice = 0);
EncoreSymbol EncClef(BYTE track, BYTE staff, WORD x, BYTE clef);
EncoreSymbol EncKey(BYTE track, BYTE staff, signed char key);
EncoreSymbol EncTie(BYTE track, BYTE staff, WORD x, WORD x2);
// A beam group with one 16-byte item per entry (its words at 0, 2 and 6 are
// given; the other bytes are filled with `fill`).
EncoreSymbol EncBeam(BYTE track, BYTE staff, WORD x, std::vector<std::array<WORD, 3>> items, BYTE fill = 0x11);
// A type-5 symbol of `kind` with `words` as its data words.
EncoreSymbol EncMark(BYTE track, BYTE staff, BYTE kind, std::vector<WORD> words);
EncoreSymbol EncLyric(BYTE track, BYTE staff, WORD x, std::vector<WORD> words);
EncoreSymbol EncChord(BYTE track, BYTE staff, WORD x, BYTE suffix, std::vector<WORD> words);
EncoreSymbol EncRawSymbol(BYTE type, BYTE kind, std::vector<BYTE> data, BYTE track = 0, BYTE staff = 0);
EncoreSymbol EncRawRecord(std::vector<BYTE> bytes);

struct EncoreTrack {
    std::string tag = "TK00";
    std::string name;
    BYTE staves = 1;
    std::array<BYTE, 4> brackets {};
    std::array<BYTE, 4> clefs {};
    std::array<BYTE, 8> channels {};
    std::array<BYTE, 8> programs {};
    std::array<BYTE, 8> volumes {100, 100, 100, 100, 100, 100, 100, 100};
    BYTE key = 0;
    DWORD recordSize = 112; // the dwSize field
    DWORD chunkLength = 112; // bytes written for the track
    // Further record bytes at their offsets (a track record is never reversed).
    std::vector<std::pair<int, BYTE>> moreBytes {};
};

struct EncorePage {
    WORD wStartLineNo = 0;
    WORD wLineNumb = 1;
    WORD wStaffNumb = 1;
    DWORD length = 26; // dwSize; the chunk holds length + 8 bytes
    std::string tag = "PAGE";
};

struct EncoreStaff {
    BYTE byClef = 0;
    BYTE byEnha = 0;
    BYTE byChordLabel = 2;
    BYTE byState = 1;
    BYTE byTrkNo = 0;
    WORD wHt = 40;
    WORD wY = 0;
    std::array<signed char, 8> songPos {};
};

struct EncoreLine {
    WORD wPageNo = 0;
    WORD wX = 0;
    WORD wY = 0;
    WORD wStartMeasNo = 0;
    WORD wMeasNumb = 0;
    std::vector<EncoreStaff> staves;
    std::optional<DWORD> length; // default: 26 + 30 per staff
    std::string tag = "LINE";
};

struct EncoreMeasure {
    WORD wTempo = 120;
    BYTE byPakArea = 0;
    BYTE byBoldaSymbol = 0;
    BYTE byBoldaValue = 0;
    BYTE byTimeTop = 4;    // byPak1
    BYTE byTimeBottom = 4; // byPak2
    WORD wMeasDistance = 200;
    WORD byLineRoot = 0;
    std::vector<EncoreSymbol> symbols;
    std::vector<BYTE> garbageBefore;
    std::optional<DWORD> notesSize; // default: the symbols' bytes
    std::string tag = "MEAS";
    // Further head bytes at their offsets, little-endian (reversed with the
    // head's words for SCO5).
    std::vector<std::pair<int, BYTE>> moreBytes {};
};

// A block after the measures: tag, 32-bit length and body.
struct EncoreBlock {
    std::string tag;
    std::vector<BYTE> body; // little-endian
    std::optional<DWORD> length;
};

struct EncoreTextItem {
    std::vector<std::array<WORD, 2>> runs;    // wPos, wProperty
    std::vector<std::array<WORD, 3>> subTexts; // wFontNo, wFontHt, wReserved3
    std::string text;
    std::optional<WORD> textSize; // default: the item's bytes after the size word
    bool terminate = true;        // the NUL after the text
};

EncoreBlock EncPrec(std::vector<BYTE> body);
// A title block body of 2426 bytes.
EncoreBlock EncTitle(std::vector<BYTE> body);
EncoreBlock EncText(const std::vector<EncoreTextItem>& items);
EncoreBlock EncFont(const std::vector<std::string>& names);
EncoreBlock EncColor(std::vector<BYTE> body);
EncoreBlock EncDrum(std::vector<BYTE> body = {});

struct EncoreFile {
    EncoreLayout layout = EncoreLayout::Current;
    std::optional<WORD> wVersion; // default: 0x400, or 0x305 in the older layout
    DWORD headerLength = 0xC2;
    std::optional<std::array<BYTE, 4>> rawHeaderLength;
    std::string title;
    WORD wSysNumb = 1;
    WORD wPageNumb = 1;
    BYTE byInstruPerSys = 1;
    BYTE byStaffPerSys = 1;
    std::optional<WORD> wMeasNumb; // default: the number of measures
    std::vector<EncoreTrack> tracks;
    std::vector<EncorePage> pages;
    std::vector<EncoreLine> lines;
    std::vector<EncoreMeasure> measures;
    std::vector<EncoreBlock> blocks {EncDrum()};
    std::vector<BYTE> extra; // after the end
};

std::vector<BYTE> WriteEncore(const EncoreFile& file, EncoreOrder order);

// The minimal file: one track of one staff, one page, one system of one
// staff, `measures` empty measures and an empty DRUM.
EncoreFile MinimalEncore(int measures = 3);

// A file with every chunk kind and every symbol form: 2 tracks (1 and 2
// staves), 2 pages, 3 systems, 4 measures, PREC, TITL, TEXT, FONT and COLR.
// Without `colorsAndMarks` no symbol has a colour or a note mark, so that the
// older layout can hold it unchanged.
EncoreFile RichEncore(bool colorsAndMarks = true);

// A score skeleton: 2 tracks (1 staff; 2 staves), 10 measures, 2 pages and
// 3 systems (measures 0-3 and 4-7 on page 0, 8-9 on page 1), each with 3
// staff records at y 100, 160 and 220; the first system at x 30 with
// measure widths 200, 150, 250 and 200.
EncoreFile SkeletonEncore();

// Two tracks ("Flute" of one staff, "Piano" of two), four measures on one
// page in two systems of two measures, byPakArea 20. The flute holds quarters
// with a tie inside the measure and one across the bar line to a whole note,
// a lyric, a chord symbol, a dynamic, a measure text "Caf\xE9", a tempo mark,
// beamed triplet eighths, a half and a whole rest and an 8va over measures 1
// and 2; the piano has a whole rest per staff and measure. Title "Sonata",
// header "Page #P", copyright "(c)"; fonts "Times" and "Arial".
EncoreFile EveryFormEncore();

// <repository root>/../shared/encore/<name>, or nothing when absent.
std::optional<std::filesystem::path> SharedEncoreFile(const std::string& name);

} // namespace kvtest
