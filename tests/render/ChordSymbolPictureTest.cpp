// A chord symbol with its diagram and rhythm drawn by the view into a
// picture: every inked pixel belongs to a part the drawing logged.

#include "support/RenderSupport.h"

#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

class ChordSymbolPicture : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return kvtest::RenderShape {.metrics = std::nullopt, .open = false}; }
};

TEST_F(ChordSymbolPicture, EveryInkedPixelBelongsToADrawnPart)
{
    CKVMeas* meas = Builder().Meas(0, 0);
    Builder().Note(meas, {.x = 40, .y = -8});
    auto* chord = new CChordSymbol;
    chord->m_nPosX = 40;
    chord->m_nPosY = -60;
    chord->m_nBass = 3;
    chord->m_Surfix.SetRealName("7~(b9,#11)");
    chord->m_bShowFret = TRUE;
    chord->m_FretBoard.m_nPosY = -90; // the diagram clear above the name
    const BYTE frets[6] = {255, 3, 2, 0, 1, 0};
    std::memcpy(chord->m_FretBoard.m_FretInfo.m_byFret, frets, 6);
    chord->m_pRhythm = new CRhythm;
    chord->m_pRhythm->m_RtmInfo.m_strPatName = "Rock";
    chord->m_pRhythm->m_nPosY = 12;
    ASSERT_EQ(meas->AddMsg(chord, kHolderOwns), 1);

    auto page = kvtest::MakeRasterDC(600, 400, KvRasterKind::Page);
    KvSetRecording(*page, true);
    kvtest::RouteTextToTestFace(false);
    Doc().m_bSpacingApplied = 1;
    ASSERT_EQ(View().KVOpen(page.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(200, 200);
    View().KVSetOrgXY(20, 220);
    View().KVDrawMsg(*chord, 0);
    View().KVClose();

    ASSERT_FALSE(kvtest::WritePicture(*page, "chordsymbol.png").empty());
    std::vector<std::string> logged;
    std::vector<RECT> windows;
    for (const kvrec::Entry* e : KvRecorder(*page)->Texts()) {
        char code[8];
        std::snprintf(code, sizeof code, "#%02X", e->glyphs.empty() ? 0 : e->glyphs[0]);
        logged.push_back(e->glyphs.empty() ? e->bytes : code);
        // A generous window around the part: the device scale is 2.
        const int em = std::abs(static_cast<int>(e->font.lfHeight)) * 3;
        const int half = em * std::max<int>(1, static_cast<int>(e->bytes.size()));
        const POINT p = e->device[0];
        windows.push_back(RECT {p.x - half, p.y - 3 * em / 2, p.x + half, p.y + 3 * em / 2});
    }
    for (const char* part : {"C", "#AA", "#97", "Rock"})
        EXPECT_NE(std::find(logged.begin(), logged.end(), part), logged.end()) << part;

    int ink = 0, stray = 0;
    std::vector<int> inked(windows.size(), 0);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x) {
            if (page->GetPixel(x, y) == RGB(255, 255, 255))
                continue;
            ++ink;
            bool inside = false;
            for (size_t i = 0; i < windows.size(); ++i)
                if (x >= windows[i].left && x < windows[i].right && y >= windows[i].top && y < windows[i].bottom)
                    inside = true, ++inked[i];
            stray += !inside;
        }
    EXPECT_GT(ink, 0);
    EXPECT_EQ(stray, 0);
    for (size_t i = 0; i < windows.size(); ++i)
        EXPECT_GT(inked[i], 0) << logged[i] << " left no ink";
}

} // namespace
