#include "model/DefaultFonts.h"
#include "model/GlyphTables.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

template <typename T, size_t N>
std::vector<int> Values(const T (&table)[N])
{
    return std::vector<int>(std::begin(table), std::end(table));
}

TEST(GlyphTables, NoteRestAndDynamicCodes)
{
    EXPECT_EQ(Values(codeNote), (std::vector<int> {0xd6, 0xd7, 0xc4, 0x89, 0x92, 0x93, 0x94, 0x95, 0x96, 0xee, 0, 0}));
    EXPECT_EQ(Values(codeStdHead), (std::vector<int> {0xd6, 0xd7, 0xd8, 0xd9, 0xd9, 0xd9, 0xd9, 0xd9, 0xd9, 0, 0, 0}));
    EXPECT_EQ(Values(codeRest), (std::vector<int> {0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xbb, 0, 0, 0}));
    EXPECT_EQ(Values(CodeDyn), (std::vector<int> {0, 0xf0, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf9, 0xfa, 0xfb,
                                                  0xfc, 0xfd, 0xfe, 0xff, 0xf8, 0, 0, 0}));
    EXPECT_EQ(Values(chordAcci), (std::vector<int> {0, 0xa9, 0xaa, 0xab}));
    EXPECT_EQ(Values(codeDrumHead)[19], 0x4c);
    EXPECT_EQ(Values(codeDrumHead)[20], 0x21);
    EXPECT_EQ(codeBarLine[1][2], 0x44);
    EXPECT_EQ(codeBracket[1][1], 0xcb);
}

TEST(GlyphTables, ClefAndMarkRecords)
{
    const STMARK& trebleUp = ClefTB[5];
    EXPECT_EQ(trebleUp.byCode, 0x26);
    EXPECT_EQ(trebleUp.byCode2, 0x87);
    EXPECT_EQ(trebleUp.nX, 8);
    EXPECT_EQ(trebleUp.nY, -46);
    EXPECT_EQ(ClefTB[6].nX, 6);
    EXPECT_EQ(ClefTB[6].nY, 23);
    EXPECT_EQ(ClefTB[7].byCode, 0x24);
    EXPECT_EQ(ClefTB[7].byCode2, 0x87);
    EXPECT_EQ(ClefTB[7].nY, 0);

    EXPECT_EQ(MarkTB[15].byCode, 0x4c);
    EXPECT_EQ(MarkTB[16].byCode, 0x2c);
    EXPECT_EQ(MarkTB[49].byCode, 0xa9);
    EXPECT_EQ(MarkTB[50].byCode, 0xaa);
    EXPECT_EQ(MarkTB[51].byCode, 0xab);
    for (const STMARK& mark : MarkTB) {
        EXPECT_EQ(mark.byCode2, 0);
        EXPECT_EQ(mark.nX, 0);
        EXPECT_EQ(mark.nY, 0);
    }
}

TEST(GlyphTables, KeySignaturePositions)
{
    // Bass clef (code 2) and tenor clef (code 4).
    const std::vector<int> bassSharps(std::begin(nKeyPos[0][1]), std::end(nKeyPos[0][1]));
    const std::vector<int> bassFlats(std::begin(nKeyPos[1][1]), std::end(nKeyPos[1][1]));
    const std::vector<int> tenorSharps(std::begin(nKeyPos[0][3]), std::end(nKeyPos[0][3]));
    const std::vector<int> tenorFlats(std::begin(nKeyPos[1][3]), std::end(nKeyPos[1][3]));
    EXPECT_EQ(bassSharps, (std::vector<int> {-6, -3, -7, -4, -1, -5, -2}));
    EXPECT_EQ(bassFlats, (std::vector<int> {-2, -5, -1, -4, 0, -3, 1}));
    EXPECT_EQ(tenorSharps, (std::vector<int> {-2, -6, -3, -7, -4, -8, -5}));
    EXPECT_EQ(tenorFlats, (std::vector<int> {-5, -8, -4, -7, -3, -6, -2}));
}

TEST(GlyphTables, AccessorGivesNoGlyphOutOfRange)
{
    EXPECT_EQ(GlyphAt(codeRest, -1), 0);
    EXPECT_EQ(GlyphAt(codeRest, 12), 0);
    EXPECT_EQ(GlyphAt(codeRest, 3), 0xb6);
    EXPECT_EQ(GlyphAt(MarkTB, 52).byCode, 0);
    EXPECT_EQ(GlyphAt(MarkTB, 51).byCode, 0xab);
}

TEST(DefaultFonts, EightEntriesOfFaceIdAndHeight)
{
    const int expected[kDefaultFontCount][2] = {
        {25132, 12}, {25133, 10}, {25135, 11}, {25135, 10}, {25134, 12}, {25135, 12}, {25134, 12}, {25132, 12},
    };
    for (int i = 0; i < kDefaultFontCount; ++i) {
        EXPECT_EQ(pDefaultFonts[i].nFaceNameId, expected[i][0]) << i;
        EXPECT_EQ(pDefaultFonts[i].nHeight, expected[i][1]) << i;
        EXPECT_EQ(pDefaultFonts[i].bBold | pDefaultFonts[i].bItalic | pDefaultFonts[i].bUnderline, 0) << i;
    }
}

} // namespace
