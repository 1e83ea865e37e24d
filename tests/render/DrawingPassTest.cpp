// Opening and closing drawing passes: fonts, sizes, resolution, glyph
// widths, flags, zoom, nested passes, misuse and the screen texture.

#include "support/RenderSupport.h"

#include "document/KVCtrlTool.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::RenderShape;

LOGFONTA FontOf(HFONT font)
{
    LOGFONTA log {};
    GetObjectA(font, sizeof log, &log);
    return log;
}

std::vector<LONG> TableHeights(const CScoreView& view)
{
    std::vector<LONG> heights;
    for (int i = 0; i < view.m_nFontCount; ++i)
        heights.push_back(FontOf(view.m_pFontTable[i].hFont).lfHeight);
    return heights;
}

// The font selected into a DC, found by swapping the stock font in and out.
HGDIOBJ SelectedFont(HDC dc)
{
    HGDIOBJ font = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SelectObject(dc, font);
    return font;
}

class ClosedPass : public kvtest::RenderTest {
protected:
    RenderShape Rendering() const override { return RenderShape {.open = false}; }
};

class OpenPass : public kvtest::RenderTest {};

int FaceCount(const char* face)
{
    int count = 0;
    EnumFontFamiliesA(
        nullptr, face,
        [](const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM counter) {
            ++*reinterpret_cast<int*>(counter);
            return 1;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class ViewRegistration : public kvtest::KvTest {};

TEST_F(ViewRegistration, MusicFontStaysRegisteredWhileAnyViewLives)
{
    auto first = std::make_unique<CScoreView>();
    auto second = std::make_unique<CScoreView>();
    EXPECT_GT(FaceCount("ZelvoraB"), 0);
    first.reset();
    EXPECT_GT(FaceCount("ZelvoraB"), 0);
    EXPECT_EQ(second->CreateCustomFont(), 1);
    RemoveFontResourceA("ZelvoraB.TTF");

    LOGPEN pen {};
    GetObjectA(second->m_penHandle.m_hObject, sizeof pen, &pen);
    EXPECT_EQ(pen.lopnStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(pen.lopnWidth.x, 1);
    EXPECT_EQ(pen.lopnColor, 0x00FF0000u);
    second.reset();
    EXPECT_EQ(FaceCount("ZelvoraB"), 0);
}

TEST_F(ClosedPass, OpeningMakesTheFontsAndSetsTheDeviceUpAndClosingPutsItBack)
{
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    CFont oldFont;
    oldFont.CreatePointFont(100, "KvTest");
    Dc().SelectObject(&oldFont);
    Dc().SetROP2(6);
    Dc().SetBkMode(OPAQUE);
    Dc().SetTextAlign(TA_TOP);

    ASSERT_EQ(OpenPass(), 1);
    const CScoreView& view = View();
    ASSERT_EQ(view.m_nFontCount, 5);
    const WORD percents[] = {100, 50, 75, 150, 200};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(view.m_pFontTable[i].wPercent, percents[i]);
        EXPECT_STREQ(FontOf(view.m_pFontTable[i].hFont).lfFaceName, "ZelvoraB");
    }
    EXPECT_EQ(TableHeights(view), (std::vector<LONG> {-32, -16, -24, -48, -64}));
    EXPECT_EQ(view.m_lfMusic.lfCharSet, 2);
    EXPECT_EQ(Doc().m_nFontHeight, 32);
    EXPECT_EQ(Doc().m_nStaffSpace, 8);
    EXPECT_EQ(Doc().m_nFontHeight78, 28);
    EXPECT_EQ(view.m_nStaffSpace, 8);
    EXPECT_EQ(Dc().GetROP2(), R2_COPYPEN);
    EXPECT_EQ(Dc().GetBkMode(), TRANSPARENT);
    EXPECT_EQ(Dc().GetTextAlign(), TA_BASELINE);

    EXPECT_EQ(View().KVClose(), 1);
    EXPECT_EQ(Dc().GetROP2(), 6);
    EXPECT_EQ(Dc().GetBkMode(), OPAQUE);
    EXPECT_EQ(Dc().GetTextAlign(), static_cast<UINT>(TA_TOP));
    EXPECT_EQ(SelectedFont(Dc().m_hDC), oldFont.m_hObject);
    Dc().SelectStockObject(SYSTEM_FONT);
    oldFont.DeleteObject();
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
}

TEST_F(ClosedPass, SymbolSizeFollowsThePointsForTheNextPass)
{
    struct Case {
        short points;
        short size, gap, stem;
    };
    for (const Case c : {Case {24, 32, 8, 28}, Case {3, 8, 2, 7}, Case {13, 16, 4, 14}, Case {1, 8, 2, 7},
                         Case {17, 24, 6, 21}}) {
        SetFixtureMetrics();
        Doc().m_nScoreFontSize = c.points;
        ASSERT_EQ(OpenPass(), 1);
        View().KVClose();
        EXPECT_EQ(Doc().m_nFontHeight, c.size) << c.points << " pt";
        EXPECT_EQ(Doc().m_nStaffSpace, c.gap) << c.points << " pt";
        EXPECT_EQ(Doc().m_nFontHeight78, c.stem) << c.points << " pt";
    }

    // The fonts come from the size as it stood when the pass opened.
    SetFixtureMetrics();
    Doc().m_nScoreFontSize = 17;
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_EQ(TableHeights(View()), (std::vector<LONG> {-32, -16, -24, -48, -64}));
    View().KVClose();
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_EQ(TableHeights(View()), (std::vector<LONG> {-24, -12, -18, -36, -48}));
}

TEST_F(ClosedPass, NewDeviceResolutionIsStoredOnce)
{
    auto dc = kvtest::MakeRecordingDC(800, 600, 300);
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    tool.m_dwResolutionX = tool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
        View().KVClose();
        EXPECT_EQ(tool.m_dwResolutionX, 300u);
        EXPECT_EQ(tool.m_dwResolutionY, 300u);
        EXPECT_EQ(Doc().m_nFontHeight, 104);
        EXPECT_EQ(Doc().m_nStaffSpace, 26);
        EXPECT_EQ(Doc().m_nFontHeight78, 91);
    }
}

class GlyphWidths : public kvtest::RenderTest {
protected:
    RenderShape Rendering() const override
    {
        return RenderShape {.metrics = kvtest::AdvanceMetrics({{0x26, 16}, {0xD6, 12}}), .open = false};
    }
};

TEST_F(GlyphWidths, FirstScreenPassMeasuresTheDocumentsGlyphWidths)
{
    ASSERT_EQ(OpenPass(), 1);
    const CKVDoc& doc = Doc();
    struct Expect {
        const char* entry;
        SIZE got;
        SIZE want;
    };
    for (const Expect& e : {Expect {"clef 0", doc.m_sizeClef[0], {12, 20}},
                            Expect {"head 0", doc.m_sizeHead[0], {12, 6}},
                            Expect {"rest 3", doc.m_sizeRest[3], {10, 30}},
                            Expect {"rest 6", doc.m_sizeRest[6], {10, 20}},
                            Expect {"mark 13", doc.m_sizeMark[13], {20, 20}},
                            Expect {"mark 28", doc.m_sizeMark[28], {10, 5}},
                            Expect {"mark 40", doc.m_sizeMark[40], {10, 15}},
                            Expect {"dynamic 1", doc.m_sizeDynamic[1], {10, 7}},
                            Expect {"dynamic 0", doc.m_sizeDynamic[0], {10, 5}},
                            Expect {"single 5", doc.m_sizeSingle[5], {10, 16}},
                            Expect {"single 10", doc.m_sizeSingle[10], {10, 25}},
                            Expect {"pair 0", doc.m_sizePair[0], {10, 7}}}) {
        EXPECT_EQ(e.got.cx, e.want.cx) << e.entry;
        EXPECT_EQ(e.got.cy, e.want.cy) << e.entry;
    }
}

TEST_F(GlyphWidths, OnlyAScreenPassAtANewSizeMeasuresAgain)
{
    ASSERT_EQ(OpenPass(), 1);
    View().KVClose();
    const SIZE sentinel {777, 777};
    Doc().m_sizeHead[1] = sentinel;

    ASSERT_EQ(OpenPass(), 1);
    View().KVClose();
    EXPECT_EQ(Doc().m_sizeHead[1].cx, 777) << "a second screen pass at the same size measured";

    Doc().m_nScoreFontSize = 30;
    ASSERT_EQ(OpenPass(true), 1);
    View().KVClose();
    EXPECT_EQ(Doc().m_sizeHead[1].cx, 777) << "a printing pass measured";
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_NE(Doc().m_sizeHead[1].cx, 777) << "the screen pass after a printing pass at a new size did not measure";
}

TEST_F(ClosedPass, FirstPassFillsTheExtentTableAndSetsTheDocumentFlags)
{
    Doc().m_bSpacingApplied = 0;
    Doc().m_bBackupRecord = 0;
    ASSERT_EQ(View().KVOpen(&Dc(), &Doc(), 0, 0), 1);
    EXPECT_EQ(sizeGlyphExtent[0xD9], CSize(10, 80));
    EXPECT_EQ(sizeGlyphExtent[0x1F], CSize(0, 0));
    EXPECT_EQ(sizeGlyphExtent[0xFF], CSize(0, 0));
    EXPECT_EQ(Doc().m_CtrlTool.m_wDrawMetric, 28);
    EXPECT_EQ(Doc().m_bSpacingApplied, 1);
    EXPECT_EQ(Doc().m_bBackupRecord, 1);
}

TEST_F(ClosedPass, ScreenPassAfterPrintingRestoresThePositions)
{
    CKVMsg* note = Builder().Note(Builder().Meas(0, 0), {.x = 64});
    Doc().BackupPoisition();
    note->m_nPosX = 100;

    ASSERT_EQ(OpenPass(true), 1);
    EXPECT_EQ(bScreenMode, 0);
    View().KVClose();
    EXPECT_EQ(bScreenMode, 1);
    EXPECT_EQ(note->m_nPosX, 100);

    ASSERT_EQ(OpenPass(), 1);
    View().KVClose();
    EXPECT_EQ(note->m_nPosX, 64);

    note->m_nPosX = 100;
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_EQ(note->m_nPosX, 100) << "a screen pass after a screen pass restored positions";
}

TEST_F(OpenPass, ZoomSetsTheMappingAndMeasuringIgnoresIt)
{
    EXPECT_EQ(View().GetTextExtent(static_cast<char>(0xD9)), CSize(10, 80));
    View().KVSetExpandTimes(200, 200);
    EXPECT_EQ(Dc().GetMapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(200, 200));
    EXPECT_EQ(View().m_nZoomY, 200);
    EXPECT_EQ(View().GetTextExtent(static_cast<char>(0xD9)), CSize(10, 80));
    EXPECT_EQ(View().GetTextExtent("\xD9\xD9", 2), CSize(20, 80));
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(200, 200));

    View().KVSetExpandTimes(100, 100, 150, 300);
    EXPECT_EQ(View().m_nZoomY, 300);
    View().KVClose();
    EXPECT_EQ(Dc().GetMapMode(), MM_TEXT);
    EXPECT_EQ(View().GetMemoryDC(), &Dc());
}

TEST_F(ClosedPass, MemoryDCIsNullBeforeTheFirstPass)
{
    EXPECT_EQ(View().GetMemoryDC(), nullptr);
}

TEST_F(OpenPass, FontTableDropsItsLastEntryWhenFull)
{
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    CScoreView& view = View();
    HFONT hundred = view.m_pFontTable[0].hFont;
    EXPECT_EQ(view.SelectFont(60), hundred);
    HFONT sixty = view.m_pFontTable[5].hFont;
    for (short percent : {70, 80, 90, 110})
        EXPECT_NE(view.SelectFont(percent), nullptr);
    ASSERT_EQ(view.m_nFontCount, 10);
    EXPECT_EQ(TableHeights(view), (std::vector<LONG> {-32, -16, -24, -48, -64, -19, -22, -25, -28, -35}));
    EXPECT_EQ(view.SelectFont(60), view.m_pFontTable[9].hFont);

    view.SelectFont(110);
    view.SelectFont(120);
    ASSERT_EQ(view.m_nFontCount, 10);
    EXPECT_EQ(view.m_pFontTable[8].wPercent, 90);
    EXPECT_EQ(view.m_pFontTable[9].wPercent, 120);
    EXPECT_EQ(view.m_pFontTable[5].hFont, sixty);
    EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();

    auto attrib = kvtest::MakeRecordingDC();
    Dc().m_hAttribDC = attrib->m_hDC;
    view.SelectFontObject(sixty);
    EXPECT_EQ(SelectedFont(Dc().m_hDC), sixty);
    EXPECT_EQ(SelectedFont(attrib->m_hDC), sixty);
    view.KVClose();
    Dc().m_hAttribDC = Dc().m_hDC;
    const kvrec::LiveCounts after = kvrec::LiveObjectCounts();
    EXPECT_EQ(after.fonts, before.fonts - 5);
}

class NestedPass : public kvtest::RenderTest {
protected:
    RenderShape Rendering() const override { return RenderShape {.printing = true, .open = false}; }
};

TEST_F(NestedPass, InnerPassGivesTheOuterPassBackWhole)
{
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    Dc().SetROP2(6);
    ASSERT_EQ(OpenPass(true), 1);
    View().SelectFont(60);

    auto inner = kvtest::MakeRecordingDC();
    ASSERT_EQ(View().KVOpen(inner.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(200, 200);
    View().KVSetOrgXY(5, 7);
    View().SelectFont(80);
    EXPECT_EQ(View().KVClose(), 1);

    EXPECT_EQ(bScreenMode, 0);
    EXPECT_EQ(View().m_pDC, &Dc());
    EXPECT_EQ(View().m_lOrgX, 0);
    EXPECT_EQ(View().m_nZoomY, 100);
    Log().Clear();
    EXPECT_EQ(View().DrawTextOut(10, 10, "\xD9", 1, 0), 1);
    ASSERT_EQ(Log().Texts().size(), 1u);
    EXPECT_EQ(Log().Texts()[0]->font.lfHeight, -19);
    EXPECT_TRUE(inner->Log().Texts().empty());

    View().KVClose();
    EXPECT_FALSE(View().m_bOpened);
    EXPECT_EQ(Dc().GetROP2(), 6);
    EXPECT_EQ(Dc().GetBkMode(), OPAQUE);
    EXPECT_EQ(bScreenMode, 1);
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
}

TEST_F(OpenPass, MisuseChangesNothing)
{
    EXPECT_EQ(View().KVSetExpandTimes(0, 100, 100, 100), 0);
    EXPECT_EQ(View().KVSetExpandTimes(100, 0, 100, 100), 0);
    EXPECT_EQ(View().KVSetExpandTimes(100, 100, 0, 100), 0);
    EXPECT_EQ(Dc().GetMapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(View().m_nZoomY, 100);

    EXPECT_EQ(View().KVClose(), 1);
    Dc().SetTextAlign(TA_RIGHT);
    Log().Clear();
    EXPECT_EQ(View().KVClose(), 1);
    EXPECT_EQ(View().KVClose(), 1);
    EXPECT_EQ(Dc().GetTextAlign(), static_cast<UINT>(TA_RIGHT));
    EXPECT_EQ(View().DrawTextOut(10, 10, "\xD9", 1, 0), 0);
    EXPECT_EQ(View().DrawTextOutT(10, 10, "ab", 2, 1), 0);
    EXPECT_EQ(View().SelectFont(60), nullptr);
    EXPECT_EQ(View().GetTextExtent("ab", 2), CSize(0, 0));
    EXPECT_TRUE(Log().Entries().empty());

    EXPECT_EQ(View().KVOpen(nullptr, &Doc(), 0, 0), -1);
    EXPECT_EQ(View().KVOpen(&Dc(), nullptr, 0, 0), -1);
    EXPECT_FALSE(View().m_bOpened);
    KvFailAllocationAfter(1);
    EXPECT_EQ(View().KVOpen(&Dc(), &Doc(), 1, 0), -1);
    EXPECT_FALSE(View().m_bOpened);
    EXPECT_EQ(bScreenMode, 1) << "a printing pass that failed to open left the screen flag off";
    EXPECT_FALSE(View().m_bPrinting) << "the next screen pass would take it for one after printing";
    CScoreView fresh;
    EXPECT_EQ(fresh.DrawTextOut(10, 10, "\xD9", 1, 1), 0);
}

// A bitmap resource: info header, colour table, rows padded to 4 bytes.
std::vector<BYTE> Dib(WORD bitCount, DWORD coloursUsed, DWORD tableEntries)
{
    std::vector<BYTE> bytes(40 + tableEntries * 4 + 8, 0);
    PutDword(&bytes[0], 40);
    PutDword(&bytes[4], 2);
    PutDword(&bytes[8], 2);
    PutWord(&bytes[12], 1);
    PutWord(&bytes[14], bitCount);
    PutDword(&bytes[32], coloursUsed);
    for (DWORD i = 0; i < tableEntries; ++i)
        bytes[40 + i * 4 + 2] = static_cast<BYTE>(i * 16);
    return bytes;
}

WORD PaletteSize(const CPalette* palette)
{
    WORD entries = 0;
    if (palette)
        GetObjectA(palette->m_hObject, sizeof entries, &entries);
    return entries;
}

TEST_F(ClosedPass, ScreenPassLoadsTheTextureFromTheHostsModule)
{
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    HMODULE module = KvCreateResourceModule("host");
    const std::vector<BYTE> dib = Dib(4, 0, 16);
    KvAddResource(module, CScoreView::kTextureResource, RT_BITMAP, dib.data(), static_cast<DWORD>(dib.size()));
    View().SetResDll(module);

    ASSERT_EQ(OpenPass(), 1);
    ASSERT_NE(View().m_pTextureBitmap, nullptr);
    BITMAP bitmap {};
    View().m_pTextureBitmap->GetBitmap(&bitmap);
    EXPECT_EQ(bitmap.bmWidth, 2);
    EXPECT_EQ(bitmap.bmHeight, 2);
    ASSERT_NE(View().m_pTextureBrush, nullptr);
    LOGBRUSH brush {};
    View().m_pTextureBrush->GetLogBrush(&brush);
    EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_PATTERN));
    EXPECT_EQ(PaletteSize(View().m_pTexturePalette), 16);
    View().KVClose();
    EXPECT_EQ(View().m_pTextureBitmap, nullptr);
    EXPECT_EQ(View().m_pTextureBrush, nullptr);
    EXPECT_EQ(View().m_pTexturePalette, nullptr);

    ASSERT_EQ(OpenPass(true), 1);
    EXPECT_EQ(View().m_pTextureBitmap, nullptr);
    EXPECT_EQ(View().m_pTexturePalette, nullptr);
    View().KVClose();
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);

    const std::vector<BYTE> many = Dib(8, 300, 300);
    KvAddResource(module, CScoreView::kTextureResource, RT_BITMAP, many.data(), static_cast<DWORD>(many.size()));
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_EQ(PaletteSize(View().m_pTexturePalette), 256);
    View().KVClose();

    KvAddResource(module, CScoreView::kTextureResource, RT_BITMAP, dib.data(), 40 + 20);
    ASSERT_EQ(OpenPass(), 1);
    EXPECT_EQ(View().m_pTextureBitmap, nullptr);
    EXPECT_EQ(View().m_pTexturePalette, nullptr);
}

TEST_F(ClosedPass, ProcessResetEndsWhatATestLeftInsideAPrintingPass)
{
    ASSERT_EQ(OpenPass(true), 1);
    ASSERT_EQ(bScreenMode, 0);
    ASSERT_NE(sizeGlyphExtent[0xD9].cx, 0);
    ASSERT_NE(memTextDC.m_hDC, nullptr);

    ResetProcessState();
    EXPECT_EQ(bScreenMode, 1);
    EXPECT_EQ(sizeGlyphExtent[0xD9], CSize(0, 0));
    EXPECT_EQ(memTextDC.m_hDC, nullptr);
    EXPECT_EQ(bmpText.m_hObject, nullptr);
}

} // namespace
