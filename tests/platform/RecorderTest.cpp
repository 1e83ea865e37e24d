#include "support/Drawing.h"
#include "support/KvTest.h"

#include "FontEngine.h"

#include <cstring>

namespace {

using kvtest::MakeRecordingDC;

class RecorderTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        ASSERT_EQ(kvfont::AddFontResource("ZelvoraB.TTF"), 1);
    }
    void TearDown() override
    {
        kvfont::RemoveFontResource("ZelvoraB.TTF");
        KvTest::TearDown();
    }

    static LOGFONTA Music(LONG height)
    {
        LOGFONTA font {};
        font.lfHeight = height;
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = SYMBOL_CHARSET;
        std::strcpy(font.lfFaceName, "ZelvoraB");
        return font;
    }
};

TEST_F(RecorderTest, TextOutLogsPositionsStateFontAndGlyphs)
{
    auto dc = MakeRecordingDC();
    kvtest::SetScale(*dc, 100, 200);
    CFont font;
    const LOGFONTA log = Music(-32);
    font.CreateFontIndirect(&log);
    CFont* old = dc->SelectObject(&font);
    dc->SetTextAlign(26);
    dc->SetTextColor(RGB(0, 0, 0));
    const char16_t unit = 0x01D9;
    ASSERT_TRUE(TextOutW(dc->m_hDC, 210, 188, &unit, 1));
    dc->SelectObject(old);

    const auto texts = dc->Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    const kvrec::Entry& entry = *texts[0];
    EXPECT_EQ(entry.call, "TextOutW");
    EXPECT_EQ(entry.logical.at(0), CPoint(210, 188));
    EXPECT_EQ(entry.device.at(0), CPoint(420, 376));
    EXPECT_EQ(entry.mapMode, MM_ANISOTROPIC);
    EXPECT_EQ(entry.windowExt, CSize(100, 100));
    EXPECT_EQ(entry.viewportExt, CSize(200, 200));
    EXPECT_EQ(entry.requestedFace, "ZelvoraB");
    EXPECT_EQ(entry.resolvedFace, "ZelvoraB");
    EXPECT_EQ(entry.font.lfHeight, -32);
    EXPECT_EQ(entry.font.lfWeight, 400);
    EXPECT_EQ(entry.textColour, RGB(0, 0, 0));
    EXPECT_EQ(entry.align, 26u);
    EXPECT_EQ(entry.units, std::u16string(1, unit));
    EXPECT_EQ(entry.glyphs, std::vector<int> {0xD9});
    EXPECT_EQ(entry.Dump(), "TextOutW x=210 y=188 face=ZelvoraB h=-32 align=26 color=000000 glyphs=D9");

    const auto glyphs = dc->Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 1u);
    EXPECT_EQ(glyphs[0].code, 0xD9);
    EXPECT_EQ(glyphs[0].em, 64);
    // Right-aligned: the glyph's origin lies left of the reference point.
    EXPECT_LE(glyphs[0].device.x, 420);
    EXPECT_EQ(glyphs[0].device.y, 376);
}

TEST_F(RecorderTest, GlyphBlittedFromAMemoryDcIsLoggedInTheBrushColour)
{
    auto dc = MakeRecordingDC();
    CFont font;
    const LOGFONTA log = Music(-32);
    font.CreateFontIndirect(&log);
    const char16_t unit = 0x01D9;

    // Drawn directly at (400, 500).
    CFont* old = dc->SelectObject(&font);
    dc->SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc->SetTextColor(RGB(255, 0, 0));
    TextOutW(dc->m_hDC, 400, 500, &unit, 1);
    dc->SelectObject(old);

    // Drawn black at (100, 100) of a white memory DC and blitted so that
    // (100, 100) lands on (400, 500), through a red brush.
    CDC memory;
    memory.CreateCompatibleDC(dc.get());
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(dc.get(), 200, 200);
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    memory.FillSolidRect(0, 0, 200, 200, RGB(255, 255, 255));
    CFont* oldFont = memory.SelectObject(&font);
    memory.SetTextAlign(TA_BASELINE | TA_RIGHT);
    memory.SetBkMode(TRANSPARENT);
    TextOutW(memory.m_hDC, 100, 100, &unit, 1);
    CBrush red(RGB(255, 0, 0));
    CBrush* oldBrush = dc->SelectObject(&red);
    ASSERT_TRUE(dc->BitBlt(300, 400, 200, 200, &memory, 0, 0, ROP_DPSOXN));
    dc->SelectObject(oldBrush);
    memory.SelectObject(oldFont);
    memory.SelectObject(oldBitmap);

    const auto glyphs = dc->Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[1].code, 0xD9);
    EXPECT_EQ(CPoint(glyphs[1].device), CPoint(glyphs[0].device));
    EXPECT_EQ(CPoint(glyphs[1].logical), CPoint(glyphs[0].logical));
    EXPECT_EQ(glyphs[1].colour, RGB(255, 0, 0));
    EXPECT_EQ(glyphs[1].em, glyphs[0].em);

    const auto blits = dc->Log().Calls("BitBlt");
    ASSERT_EQ(blits.size(), 1u);
    EXPECT_EQ(blits[0]->rop3, ROP_DPSOXN);
    EXPECT_EQ(blits[0]->source, memory.m_hDC);
    EXPECT_EQ(blits[0]->brushColour, RGB(255, 0, 0));
    EXPECT_EQ(blits[0]->destRect, CRect(300, 400, 500, 600));
    // The white erase started the list again: only the glyph remains.
    ASSERT_EQ(blits[0]->sourceList.size(), 2u);
    EXPECT_EQ(blits[0]->sourceList[1].kind, kvrec::DisplayItem::Text);
    EXPECT_NE(blits[0]->sourceDigest, 0u);
    EXPECT_TRUE(kvrec::Warnings().empty());
}

TEST_F(RecorderTest, UpdateCpTextStartsAtAndMovesTheCurrentPosition)
{
    auto dc = MakeRecordingDC();
    kvtest::SetScale(*dc, 100, 200);
    CFont font;
    const LOGFONTA log = Music(-32);
    font.CreateFontIndirect(&log);
    CFont* old = dc->SelectObject(&font);
    const char16_t units[2] = {0x01D9, 0x01D9};
    SIZE extent {};
    ASSERT_TRUE(GetTextExtentPoint32W(dc->m_hDC, units, 2, &extent));
    dc->SetTextAlign(TA_UPDATECP | TA_BASELINE);
    dc->MoveTo(10, 20);
    TextOutW(dc->m_hDC, 500, 500, units, 2); // the arguments are ignored
    EXPECT_EQ(dc->GetCurrentPosition(), CPoint(10 + extent.cx, 20));
    const auto texts = dc->Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->logical.at(0), CPoint(10, 20));
    const auto glyphs = dc->Log().Glyphs();
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].device, CPoint(20, 40));
    EXPECT_GT(glyphs[1].device.x, glyphs[0].device.x);
    dc->SelectObject(old);
}

TEST_F(RecorderTest, RecordingCanBeSwitchedOnForARasterDc)
{
    auto dc = kvtest::MakeRasterDC(50, 50);
    EXPECT_EQ(KvRecorder(dc->m_hDC), nullptr);
    KvSetRecording(dc->m_hDC, true);
    dc->SetROP2(R2_NOTXORPEN);
    dc->MoveTo(0, 5);
    dc->LineTo(30, 5);
    EXPECT_NE(dc->GetPixel(10, 5), RGB(255, 255, 255)); // drawn
    const kvrec::Recorder& log = dc->Log();
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0]->rop2, R2_NOTXORPEN);
    EXPECT_TRUE(log.Warnings().empty()); // raster DCs do it exactly
    EXPECT_NE(log.Dump().find("SetROP2 10\n"), std::string::npos);
    KvSetRecording(dc->m_hDC, false);
    EXPECT_EQ(KvRecorder(dc->m_hDC), nullptr);
}

TEST_F(RecorderTest, NotXorPenOnARecordingDcDrawsNothingAndWarns)
{
    auto dc = MakeRecordingDC();
    auto pdfPath = TempDir() / "x.pdf";
    auto pdf = kvtest::MakePdfDC(pdfPath.string());
    pdf->SetROP2(R2_NOTXORPEN);
    pdf->MoveTo(0, 0);
    pdf->LineTo(10, 10);
    EXPECT_EQ(kvrec::Warnings().size(), 1u);
}

} // namespace
