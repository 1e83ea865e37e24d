// The fret-diagram and rhythm images: their model's words survive the
// drawing, and as images they put nothing into the score.

#include "support/DragDriver.h"

#include "drag/TempChordSymbol.h"

#include <gtest/gtest.h>

namespace {

class TempChordSymbolTest : public kvtest::DragFixture {};

TEST_F(TempChordSymbolTest, ImagesKeepTheirWordsAndMakeNothing)
{
    const std::string before = Dump();
    CTempFretBoard fret;
    fret.m_nPosX = 7;
    fret.m_nPosY = -9;
    fret.OnMouseMove({200, 200}, &View(), &Doc(), 100);
    EXPECT_EQ(fret.m_bMeasured, 1);
    EXPECT_EQ(CPoint(fret.m_nPosX, fret.m_nPosY), CPoint(7, -9));
    fret.BeginDrag({200, 200}, &Doc(), 100, nullptr, 0);
    fret.Drag(&View(), {300, 300});
    EXPECT_EQ(fret.EndDrag({300, 300}), 1);

    CTempRhythm rhythm;
    rhythm.m_nPosX = 3;
    rhythm.m_nPosY = 4;
    rhythm.OnMouseMove({200, 200}, &View(), &Doc(), 150);
    EXPECT_EQ(rhythm.m_bMeasured, 1);
    EXPECT_EQ(CPoint(rhythm.m_nPosX, rhythm.m_nPosY), CPoint(3, 4));
    rhythm.BeginDrag({200, 200}, &Doc(), 100, nullptr, 0);
    EXPECT_EQ(rhythm.EndDrag({300, 300}), 1);
    EXPECT_EQ(Dump(), before);
}

} // namespace
