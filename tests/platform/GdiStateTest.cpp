#include "support/Drawing.h"
#include "support/KvTest.h"

namespace {

using kvtest::MakeRecordingDC;

class GdiStateTest : public kvtest::KvTest {};

TEST_F(GdiStateTest, SettersReturnThePreviousValues)
{
    auto dc = MakeRecordingDC();
    EXPECT_EQ(dc->SetTextAlign(TA_BASELINE | TA_RIGHT), TA_LEFT | TA_TOP);
    EXPECT_EQ(dc->SetTextAlign(TA_CENTER), TA_BASELINE | TA_RIGHT);
    EXPECT_EQ(dc->SetROP2(R2_NOTXORPEN), R2_COPYPEN);
    EXPECT_EQ(dc->SetROP2(R2_COPYPEN), R2_NOTXORPEN);
    EXPECT_EQ(dc->SetBkMode(TRANSPARENT), OPAQUE);
    EXPECT_EQ(dc->SetBkMode(OPAQUE), TRANSPARENT);
    EXPECT_EQ(dc->SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(dc->SetBkColor(RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(dc->SetPolyFillMode(WINDING), ALTERNATE);
    EXPECT_EQ(dc->SetStretchBltMode(HALFTONE), BLACKONWHITE);
    // Out-of-range values are refused and change nothing.
    EXPECT_EQ(dc->SetROP2(0), 0);
    EXPECT_EQ(dc->SetROP2(17), 0);
    EXPECT_EQ(dc->GetROP2(), R2_COPYPEN);
    EXPECT_EQ(dc->SetBkMode(7), 0);
    EXPECT_EQ(dc->GetBkMode(), OPAQUE);
}

TEST_F(GdiStateTest, SelectObjectReturnsThePreviousObject)
{
    auto dc = MakeRecordingDC();
    CPen red(PS_SOLID, 2, RGB(255, 0, 0));
    CPen blue(PS_SOLID, 2, RGB(0, 0, 255));
    CPen* first = dc->SelectObject(&red);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_hObject, GetStockObject(BLACK_PEN));
    EXPECT_EQ(dc->SelectObject(&blue), &red); // the attached wrapper itself
    CPen* back = dc->SelectObject(first);
    EXPECT_EQ(back, &blue);

    CBrush brush(RGB(0, 255, 0));
    CBrush* oldBrush = dc->SelectObject(&brush);
    EXPECT_EQ(oldBrush->m_hObject, GetStockObject(WHITE_BRUSH));
    CGdiObject* stock = dc->SelectStockObject(NULL_BRUSH);
    EXPECT_EQ(stock, &brush);
    EXPECT_EQ(dc->SelectObject(oldBrush)->m_hObject, GetStockObject(NULL_BRUSH));

    // A bitmap goes into memory DCs only.
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(4, 4, 1, 32, nullptr));
    EXPECT_EQ(dc->SelectObject(&bitmap), nullptr);
}

TEST_F(GdiStateTest, LogShowsAChangeOfExtentsAndItsRestoration)
{
    auto dc = MakeRecordingDC();
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(100, 100);
    dc->SetViewportExt(100, 100);
    const CSize old = dc->SetWindowExt(50, 50);
    dc->MoveTo(0, 0);
    dc->LineTo(10, 0);
    dc->SetWindowExt(old);
    dc->LineTo(20, 0);

    const auto changes = dc->Log().Calls("SetWindowExtEx");
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[1]->windowExt, CSize(50, 50));
    EXPECT_EQ(changes[2]->windowExt, CSize(100, 100));
    const auto lines = dc->Log().Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]->windowExt, CSize(50, 50));
    EXPECT_EQ(lines[0]->device[1], CPoint(20, 0));
    EXPECT_EQ(lines[1]->windowExt, CSize(100, 100));
    EXPECT_EQ(lines[1]->device[1], CPoint(20, 0));
    EXPECT_LT(changes[1]->seq, lines[0]->seq);
    EXPECT_LT(lines[0]->seq, changes[2]->seq);
}

TEST_F(GdiStateTest, SaveAndRestoreBringBackStateAndObjects)
{
    auto dc = MakeRecordingDC();
    CPen pen(PS_DOT, 0, RGB(9, 9, 9));
    const int level = dc->SaveDC();
    EXPECT_EQ(level, 1);
    dc->SetMapMode(MM_ANISOTROPIC);
    dc->SetWindowExt(10, 10);
    dc->SetTextColor(RGB(200, 0, 0));
    dc->SelectObject(&pen);
    dc->MoveTo(5, 6);
    EXPECT_EQ(dc->SaveDC(), 2);
    EXPECT_TRUE(dc->RestoreDC(-1));
    EXPECT_EQ(dc->GetMapMode(), MM_ANISOTROPIC);
    EXPECT_TRUE(dc->RestoreDC(level));
    EXPECT_EQ(dc->GetMapMode(), MM_TEXT);
    EXPECT_EQ(dc->GetTextColor(), RGB(0, 0, 0));
    EXPECT_EQ(dc->GetCurrentPosition(), CPoint(0, 0));
    // The pen is no longer selected, so it can go.
    EXPECT_TRUE(pen.DeleteObject());
    EXPECT_FALSE(dc->RestoreDC(1));
}

TEST_F(GdiStateTest, FillSolidRectLeavesItsColourAsBackground)
{
    auto dc = MakeRecordingDC();
    dc->FillSolidRect(CRect(0, 0, 10, 10), RGB(12, 34, 56));
    EXPECT_EQ(dc->GetBkColor(), RGB(12, 34, 56));
    const auto fills = dc->Log().Calls("FillSolidRect");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0]->brushColour, RGB(12, 34, 56));
}

TEST_F(GdiStateTest, AttributeDcAnswersQueriesAndSettersReachBoth)
{
    auto output = MakeRecordingDC(100, 100, 96);
    auto attributes = MakeRecordingDC(100, 100, 300);
    CDC dc;
    dc.m_hDC = output->m_hDC;
    dc.m_hAttribDC = attributes->m_hDC;
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 300);
    dc.SetTextColor(RGB(1, 1, 1));
    EXPECT_EQ(output->GetTextColor(), RGB(1, 1, 1));
    EXPECT_EQ(attributes->GetTextColor(), RGB(1, 1, 1));
    dc.m_hDC = nullptr; // owned by the test DCs
    dc.m_hAttribDC = nullptr;
}

} // namespace
