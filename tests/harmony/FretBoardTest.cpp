// Fret diagrams: the empty shape, the 16-byte shape record and the fret-board
// record that embeds a symbol record.

#include "harmony/FretBoard.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using kvtest::Bytes;
using kvtest::RecordBuffer;

class FretBoardTest : public kvtest::KvTest {};

TEST_F(FretBoardTest, OnlyAPlayedStringOrABarreMakesAShape)
{
    for (const CFretInfo& shape : {CFretInfo(), CFretInfo(CString("2333,00000000,3"))}) {
        EXPECT_TRUE(shape.IsFretEmpty());
        for (BYTE fret : shape.m_byFret)
            EXPECT_EQ(fret, 254);
        EXPECT_EQ(shape.m_nBaseFret, 0);
    }

    CFretInfo shape;
    shape.m_byFret[2] = 255; // muted strings still leave it empty
    EXPECT_TRUE(shape.IsFretEmpty());
    shape.m_byFret[3] = 0;
    EXPECT_FALSE(shape.IsFretEmpty());
    shape.SetFretEmpty();
    shape.m_byBarre[3][0] = 5;
    EXPECT_FALSE(shape.IsFretEmpty());
    shape.m_byBarre[3][1] = 5; // equal ends: no barre
    EXPECT_TRUE(shape.IsFretEmpty());
    shape.m_nBaseFret = 7;     // the base fret alone plays nothing
    EXPECT_TRUE(shape.IsFretEmpty());
    shape.SetFretEmpty();
    EXPECT_EQ(shape.m_nBaseFret, 0);
    EXPECT_EQ(shape.m_byBarre[3][0], 0);
}

CFretInfo SampleShape()
{
    CFretInfo shape;
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0};
    std::memcpy(shape.m_byFret, frets, 6);
    shape.m_byBarre[0][0] = 0;
    shape.m_byBarre[0][1] = 5;
    shape.m_byBarre[3][0] = 9;
    shape.m_byBarre[3][1] = 8;
    shape.m_nBaseFret = -2; // kept as a 16-bit value
    return shape;
}

TEST_F(FretBoardTest, ShapeRecordIsBaseFretStringsAndBarres)
{
    CFretInfo shape = SampleShape();
    RecordBuffer out;
    ASSERT_EQ(shape.WriteToMem(out.data, &out.used, &out.capacity), 1);
    const Bytes expected = {0xFE, 0xFF, 0xFF, 0x03, 0x02, 0x00, 0x01, 0x00,
                            0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x09, 0x08};
    EXPECT_EQ(out.Written(), expected);

    CFretInfo back;
    DWORD end = 0;
    ASSERT_EQ(kvtest::ReadExact(
                  expected, [&](unsigned char* b, DWORD* p, DWORD* l) { return back.ReadFromMem(b, p, l); },
                  &end),
              1);
    EXPECT_EQ(end, 16u);
    EXPECT_EQ(back.m_nBaseFret, -2);
    EXPECT_EQ(0, std::memcmp(back.m_byFret, shape.m_byFret, 6));
    EXPECT_EQ(0, std::memcmp(back.m_byBarre, shape.m_byBarre, 8));

    kvtest::ExpectEveryPrefixFails(expected, [](unsigned char* b, DWORD* p, DWORD* l) {
        CFretInfo any;
        return any.ReadFromMem(b, p, l);
    });
}

TEST_F(FretBoardTest, BoardsAreKind70WithSizeAndFace)
{
    const CFretBoard board;
    EXPECT_EQ(board.m_byKind, MSG_FRETBOARD);
    EXPECT_EQ(board.m_nSize, 240);
    EXPECT_STREQ(board.m_szFace, "ZelvoraB");
    EXPECT_TRUE(board.m_FretInfo.IsFretEmpty());

    const CFretBoard sized(180, "OtherFace");
    EXPECT_EQ(sized.m_byKind, MSG_FRETBOARD);
    EXPECT_EQ(sized.m_nSize, 180);
    EXPECT_STREQ(sized.m_szFace, "OtherFace");

    // A face longer than the buffer is cut, never overrun.
    const std::string longFace(60, 'F');
    const CFretBoard cut(100, longFace.c_str());
    EXPECT_EQ(std::string(cut.m_szFace), longFace.substr(0, 31));
}

// The board's own symbol record (44 bytes and an empty node part, the size
// in the object word), then the shape.
TEST_F(FretBoardTest, BoardRecordCarriesSizeInTheObjectWord)
{
    CFretBoard board(200, "Elsewhere");
    board.m_FretInfo = SampleShape();
    board.m_nPosX = 12;
    board.m_crColor = 0x00112233;
    RecordBuffer out;
    ASSERT_EQ(board.WriteToMem(out.data, &out.used, &out.capacity), 1);
    const Bytes bytes = out.Written();
    ASSERT_EQ(bytes.size(), 44u + 12u + 16u);
    EXPECT_EQ(bytes[0], 0x46);
    EXPECT_EQ(bytes[44 + 2], 200);
    EXPECT_EQ(bytes[44 + 3], 0);
    EXPECT_EQ(bytes[56], 0xFE);
    EXPECT_EQ(bytes[57], 0xFF);

    CFretBoard back(10, "Nothing");
    back.m_byKind = 0;
    ASSERT_EQ(kvtest::ReadExact(bytes,
                                [&](unsigned char* b, DWORD* p, DWORD* l) { return back.ReadFromMem(b, p, l); }),
              1);
    EXPECT_EQ(back.m_byKind, MSG_FRETBOARD);
    EXPECT_EQ(back.m_nSize, 200);
    EXPECT_STREQ(back.m_szFace, "ZelvoraB");
    EXPECT_EQ(back.m_nPosX, 12);
    EXPECT_EQ(back.m_crColor, 0x00112233u);
    EXPECT_EQ(back.m_FretInfo.m_nBaseFret, -2);
    EXPECT_EQ(back.m_FretInfo.m_byFret[1], 3);

    kvtest::ExpectEveryPrefixFails(bytes, [](unsigned char* b, DWORD* p, DWORD* l) {
        CFretBoard any;
        return any.ReadFromMem(b, p, l);
    });
}

} // namespace
