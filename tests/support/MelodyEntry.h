#pragma once
// Melodies typed as text and entered into a staff through note entry, for
// the chord-naming tests:
//
//   "C4q E4q G4q E4q | F4q A4q F4q A4q | G4h. R8 ... "
//
// A note is a letter, '#' or 'b' for each sharp or flat, an octave digit
// (C4 is middle C), a value w h q e s and a '.' per dot. "R" and a value is a
// rest, '|' a bar line, and '!' before a measure's first symbol marks a
// pickup (its pickup bit is set). Notes stand on the treble staff: C4 at the
// document's line spacing L, each diatonic step L/2 higher. A note gets an
// accidental only where the key signature, or an earlier note of the same
// degree in the measure, does not already give its pitch.

#include "support/NoteEntry.h"
#include "support/ScoreBuilder.h"

#include "document/RecordIO.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

struct MelodyKey {
    short beats = 4;
    short beatUnit = 4;
    BYTE keyType = 0;  // 0 none, 1 sharps, 2 flats
    BYTE keyCount = 0;
};

struct MelodyItem {
    bool rest = false;
    int degree = 0;      // diatonic index, C4 = 28
    int alteration = 0;  // semitones
    BYTE code = DUR_QUARTER;
    BYTE dots = 0;
};

struct MelodyMeasure {
    bool pickup = false;
    std::vector<MelodyItem> items;
};

inline std::vector<MelodyMeasure> ParseMelody(const std::string& text)
{
    std::vector<MelodyMeasure> measures(1);
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        if (token == "|") {
            measures.emplace_back();
            continue;
        }
        size_t p = 0;
        if (token[p] == '!') {
            measures.back().pickup = true;
            ++p;
        }
        MelodyItem item;
        if (token[p] == 'R') {
            item.rest = true;
            ++p;
        } else {
            static const std::string letters = "CDEFGAB";
            const size_t letter = letters.find(token[p++]);
            EXPECT_NE(letter, std::string::npos) << token;
            for (; p < token.size() && (token[p] == '#' || token[p] == 'b'); ++p)
                item.alteration += token[p] == '#' ? 1 : -1;
            const int octave = token[p++] - '0';
            item.degree = octave * 7 + static_cast<int>(letter);
        }
        static const std::string values = "whqes";
        const size_t value = p < token.size() ? values.find(token[p++]) : std::string::npos;
        EXPECT_NE(value, std::string::npos) << token;
        item.code = static_cast<BYTE>(DUR_WHOLE + value);
        for (; p < token.size() && token[p] == '.'; ++p)
            ++item.dots;
        measures.back().items.push_back(item);
    }
    return measures;
}

// Alteration the key signature gives to a diatonic index.
inline int KeyAlteration(const MelodyKey& key, int degree)
{
    static const int sharpOrder[7] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
    static const int flatOrder[7] = {6, 2, 5, 1, 4, 0, 3};   // B E A D G C F
    const int letter = degree % 7;
    for (int i = 0; i < key.keyCount && i < 7; ++i) {
        if (key.keyType == 1 && sharpOrder[i] == letter)
            return 1;
        if (key.keyType == 2 && flatOrder[i] == letter)
            return -1;
    }
    return 0;
}

inline int MidiKeyOf(const MelodyItem& item)
{
    static const int semitone[7] = {0, 2, 4, 5, 7, 9, 11};
    return 12 * (item.degree / 7 + 1) + semitone[item.degree % 7] + item.alteration;
}

// Ticks of a value in a measure of the given length and meter.
inline short MelodyTicks(const CKVMeas* meas, BYTE code, BYTE dots)
{
    const int whole = meas->m_nTimeNum > 0 ? meas->m_nLength * meas->m_nTimeDen / meas->m_nTimeNum : meas->m_nLength;
    int ticks = whole >> (code - DUR_WHOLE);
    int add = ticks / 2;
    for (int d = 0; d < dots; ++d, add /= 2)
        ticks += add;
    return static_cast<short>(ticks);
}

// Enters the melody into consecutive measures of a staff from its first,
// each measure set to the key and meter. The staff must hold enough
// measures. Fails the test when a note is refused or sounds another pitch.
inline void EnterMelody(CKVDoc& doc, int staffIndex, const std::string& text, const MelodyKey& key = {})
{
    const short line = doc.m_nStaffSpace > 0 ? doc.m_nStaffSpace : 16;
    const std::vector<MelodyMeasure> measures = ParseMelody(text);
    CKVStaff* staff = doc.GetStaff(staffIndex, 0);
    ASSERT_NE(staff, nullptr);
    for (size_t m = 0; m < measures.size(); ++m) {
        CKVMeas* meas = staff->GetMeas(static_cast<LONG>(m));
        ASSERT_NE(meas, nullptr) << "measure " << m;
        meas->m_nTimeNum = key.beats;
        meas->m_nTimeDen = key.beatUnit;
        meas->CalcWholeCount();
        meas->m_byKeyType = key.keyType;
        meas->m_byKeyCount = key.keyCount;
        if (measures[m].pickup)
            meas->m_wObjWord = static_cast<WORD>(meas->m_wObjWord | CKVMeas::PICKUP);
        std::map<int, int> inForce;
        short start = 0;
        for (const MelodyItem& item : measures[m].items) {
            const short ticks = MelodyTicks(meas, item.code, item.dots);
            if (item.rest) {
                const short x = static_cast<short>(MulDiv(start, CKVMeas::SCALE, meas->m_nLength > 0 ? meas->m_nLength : 1));
                ASSERT_NE(ScoreBuilder::Rest(meas, {.x = x, .code = item.code, .dots = item.dots}), nullptr);
            } else {
                const int given = inForce.count(item.degree) ? inForce[item.degree] : KeyAlteration(key, item.degree);
                BYTE accidental = ACCI_NONE;
                if (item.alteration != given)
                    accidental = item.alteration == 1    ? ACCI_SHARP
                                 : item.alteration == -1 ? ACCI_FLAT
                                 : item.alteration == 2  ? ACCI_DOUBLE_SHARP
                                 : item.alteration == -2 ? ACCI_DOUBLE_FLAT
                                                         : ACCI_NATURAL;
                inForce[item.degree] = item.alteration;
                const short y = static_cast<short>(line - (item.degree - 28) * line / 2);
                const EntryShape shape {.start = start, .y = y, .code = item.code, .accidental = accidental, .dots = item.dots};
                CKVMsg* note = EnterNote(meas, shape);
                ASSERT_NE(note, nullptr) << "measure " << m << " at " << start;
                EXPECT_EQ(note->GetMidiKey(), MidiKeyOf(item)) << "measure " << m << " at " << start;
            }
            start = static_cast<short>(start + ticks);
        }
        kvrec::TimeReadMeasure(*meas);
    }
}

inline int MelodyMeasureCount(const std::string& text)
{
    return static_cast<int>(ParseMelody(text).size());
}

// A score of the given staves holding the melody on staff 0 (and as many
// measures on every staff).
inline std::unique_ptr<ScoreBuilder> MelodyScore(const std::string& text, const MelodyKey& key = {}, short staves = 1)
{
    auto b = std::make_unique<ScoreBuilder>(
        ScoreShape {.staves = staves, .measures = MelodyMeasureCount(text), .beats = key.beats, .beatUnit = key.beatUnit});
    EnterMelody(b->Doc(), 0, text, key);
    return b;
}

} // namespace kvtest
