#pragma once
// The rendering fixture: a score whose music metrics are E = 32, G = L = 8
// and S = 28 at 96 dpi, a device at 96 dpi, memTextDC prepared as a host
// does, and an open drawing pass at zoom 100 and origin (0, 0) that closes in
// tear-down; plus picture helpers for raster devices.
//
// Opening a pass calls members that later work fills in (the rescale to a
// new resolution, the distances, the handle rebuild). The fixture keeps them
// out of the way: the settings' resolution is the device's and the spacing
// flag is set. Tests make the symbols they check after the pass is open, so
// the handle rebuild of the opening does not matter.
//
//   class MyDrawing : public kvtest::RenderTest {};
//   TEST_F(MyDrawing, ...) { CKVMsg* n = Builder().Note(Builder().Meas(0, 0), {});
//                            View().KVDrawMsg(*n, 0); ... Log().Glyphs() ... }

#include "support/Drawing.h"
#include "support/FontSupport.h"
#include "support/ScoreTest.h"

#include "platform/Recorder.h"
#include "render/ScoreView.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace kvtest {

using MusicMetrics = std::map<int, kvmusic::TestMetric>;

struct RenderShape {
    bool printing = false;
    int dpi = 96;
    int width = 800;
    int height = 600;
    // Box metrics of the music stand-in; nullopt draws the real glyphs.
    std::optional<MusicMetrics> metrics = MusicMetrics {};
    // Side of memTextDC's bitmap; 0 leaves memTextDC unprepared.
    int textDCSize = 512;
    bool open = true;
};

// Makes memTextDC a memory DC compatible with the screen, with bmpText made
// compatible with the screen (not with the memory DC, which would make it
// monochrome) and selected into it. The process reset deletes both.
void PrepareTextDC(int width = 512, int height = 512);

// Music metrics in 32nds of the em: each code with its advance; ascent and
// descent as omitted codes have them.
MusicMetrics AdvanceMetrics(std::initializer_list<std::pair<const int, int>> advances);

// Every code from 0x20 as a box of advance 10 (32nds of the em), but the
// codes given with their own advance.
MusicMetrics BoxMetrics(std::initializer_list<std::pair<const int, int>> advances);

// The music glyphs of a log's text calls as (code, x, y), each at the
// logical point its call was given (not where its ink lies).
using DrawnGlyph = std::tuple<int, int, int>;
std::vector<DrawnGlyph> DrawnGlyphs(kvrec::Recorder& log);

class RenderTest : public ScoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    ScoreShape Shape() override { return ScoreShape {.lineSpacing = 8}; }
    // The device and pass SetUp makes; a fixture overrides it.
    virtual RenderShape Rendering() const { return RenderShape(); }

    // Opens a pass on the device as the fixture does (the device's dpi as the
    // settings' resolution, spacing flag set, zoom 100, origin 0); 1 or -1.
    short OpenPass(bool printing = false);
    // Closes every pass still open.
    void ClosePasses();

    ScoreBuilder& Builder() { return *score; }
    CScoreView& View() { return Doc().m_ScoreView; }
    TestDC& Dc() { return *m_dc; }
    kvrec::Recorder& Log() { return m_dc->Log(); }

    // Sets the document's music metrics to the fixture's: 24 pt, E = 32,
    // G = L = 8, S = 28.
    void SetFixtureMetrics();

private:
    std::unique_ptr<TestDC> m_dc;
};

// A render test on one measure of real width 262 and header 0 on staff 0,
// so that a symbol's x equals its position word, with box metrics (a dot
// 4 wide, every other glyph 10). Tear-down checks that the test left no GDI
// object alive and raised no warning of the drawing layer.
class MeasureRenderTest : public RenderTest {
protected:
    RenderShape Rendering() const override;
    void SetUp() override;
    void TearDown() override;

    CKVMeas* m_meas = nullptr;

private:
    kvrec::LiveCounts m_gdi;
};

// Non-white pixels of a raster DC inside a device rectangle and outside it.
struct InkCount {
    int inside = 0;
    int outside = 0;
};
InkCount CountInk(CDC& dc, const RECT& box);

// Writes a raster DC as a PNG under the build tree (the test folder defines
// KV_BUILD_DIR) and returns its path; empty when it could not be written.
std::string WritePicture(CDC& dc, const std::string& folder, const std::string& name);
#ifdef KV_BUILD_DIR
inline std::string WritePicture(CDC& dc, const std::string& name)
{
    return WritePicture(dc, KV_BUILD_DIR "/test-pictures", name);
}
#endif

} // namespace kvtest
