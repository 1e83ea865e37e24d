#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kvtest {

void PrepareTextDC(int width, int height)
{
    HDC screen = GetDC(nullptr);
    CDC* screenDC = CDC::FromHandle(screen);
    memTextDC.CreateCompatibleDC(screenDC);
    bmpText.CreateCompatibleBitmap(screenDC, width, height);
    memTextDC.SelectObject(&bmpText);
    ReleaseDC(nullptr, screen);
}

MusicMetrics AdvanceMetrics(std::initializer_list<std::pair<const int, int>> advances)
{
    MusicMetrics metrics;
    for (const auto& [code, advance] : advances)
        metrics[code] = kvmusic::TestMetric {advance, 16, 16};
    return metrics;
}

MusicMetrics BoxMetrics(std::initializer_list<std::pair<const int, int>> advances)
{
    MusicMetrics metrics;
    for (int code = 0x20; code < 0x100; ++code)
        metrics[code] = kvmusic::TestMetric {10, 16, 16};
    for (const auto& [code, advance] : advances)
        metrics[code].advance = advance;
    return metrics;
}

std::vector<DrawnGlyph> DrawnGlyphs(kvrec::Recorder& log)
{
    std::vector<DrawnGlyph> out;
    for (const kvrec::Entry* text : log.Texts())
        for (int code : text->glyphs)
            out.emplace_back(code, text->logical[0].x, text->logical[0].y);
    return out;
}

void RenderTest::SetUp()
{
    ScoreTest::SetUp();
    InstallTestFonts();
    RouteTextToTestFace();
    const RenderShape shape = Rendering();
    if (shape.metrics)
        UseMusicTestMetrics(&*shape.metrics);
    if (shape.textDCSize > 0)
        PrepareTextDC(shape.textDCSize, shape.textDCSize);
    SetFixtureMetrics();
    m_dc = MakeRecordingDC(shape.width, shape.height, shape.dpi, shape.printing);
    if (shape.open) {
        ASSERT_EQ(OpenPass(shape.printing), 1);
    }
}

void RenderTest::TearDown()
{
    ClosePasses();
    m_dc.reset();
    ScoreTest::TearDown();
}

void RenderTest::SetFixtureMetrics()
{
    CKVDoc& doc = Doc();
    doc.m_nScoreFontSize = 24;
    doc.m_nFontHeight = 32;
    doc.m_nStaffSpace = 8;
    doc.m_nFontHeight78 = 28;
}

short RenderTest::OpenPass(bool printing)
{
    CKVDoc& doc = Doc();
    const int dpi = m_dc->GetDeviceCaps(LOGPIXELSY);
    doc.m_CtrlTool.m_dwResolutionX = static_cast<DWORD>(m_dc->GetDeviceCaps(LOGPIXELSX));
    doc.m_CtrlTool.m_dwResolutionY = static_cast<DWORD>(dpi);
    doc.m_bSpacingApplied = 1;
    const short opened = View().KVOpen(m_dc.get(), &doc, printing ? 1 : 0, 0);
    if (opened == 1) {
        View().KVSetExpandTimes(100, 100);
        View().KVSetOrgXY(0, 0);
    }
    return opened;
}

void RenderTest::ClosePasses()
{
    if (!score)
        return;
    while (View().m_bOpened)
        View().KVClose();
}

RenderShape MeasureRenderTest::Rendering() const
{
    return RenderShape {.metrics = BoxMetrics({{0xA7, 4}})};
}

void MeasureRenderTest::SetUp()
{
    RenderTest::SetUp();
    m_meas = Builder().Meas(0, 0);
    m_meas->m_nRealWidth = 262;
    m_meas->m_nHeaderWidth = 0;
    m_gdi = kvrec::LiveObjectCounts();
}

void MeasureRenderTest::TearDown()
{
    EXPECT_EQ(kvrec::LiveObjectCounts(), m_gdi);
    EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
    RenderTest::TearDown();
}

InkCount CountInk(CDC& dc, const RECT& box)
{
    InkCount ink;
    const int width = dc.GetDeviceCaps(HORZRES);
    const int height = dc.GetDeviceCaps(VERTRES);
    const int saved = dc.SaveDC();
    dc.SetMapMode(MM_TEXT);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((dc.GetPixel(x, y) & 0x00FFFFFF) == 0x00FFFFFF)
                continue;
            const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            ++(inside ? ink.inside : ink.outside);
        }
    }
    dc.RestoreDC(saved);
    return ink;
}

std::string WritePicture(CDC& dc, const std::string& folder, const std::string& name)
{
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = (std::filesystem::path(folder) / name).string();
    return KvWritePng(dc.m_hDC, path.c_str()) ? path : std::string();
}

} // namespace kvtest
