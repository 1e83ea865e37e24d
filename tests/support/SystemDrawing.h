#pragma once
// The fixture of system drawing (staff lines, connectors, bar lines and
// measure headers): the rendering fixture with the music test metrics below,
// the header spacing settings set explicitly, an empty log when the test
// starts, and a check at the end of every test that the pass, once closed,
// left no GDI object behind and that nothing logged a warning.
//
// Music test metrics (32nds of the em, so dots at E = 32): 0x26, 0x24 and
// 0x25 advance 24; 0x23 16; 0xA9, 0xAA and 0xAB 8; 0xA7 4; code 0 advance 0;
// every other code 10.

#include "support/RenderSupport.h"

#include "platform/Recorder.h"

#include <array>
#include <string>
#include <vector>

namespace kvtest {

MusicMetrics SystemMetrics();

// The music glyphs of a log as (code, x, y) at their device points.
std::vector<DrawnGlyph> DeviceGlyphs(kvrec::Recorder& log);

// The first two device points of each entry as {x0, y0, x1, y1}: the
// corners of a rectangle, the ends of a line.
using DeviceBox = std::array<int, 4>;
std::vector<DeviceBox> DeviceBoxes(const std::vector<const kvrec::Entry*>& entries);

class SystemDrawingTest : public RenderTest {
protected:
    RenderShape Rendering() const override { return {.metrics = SystemMetrics(), .open = false}; }
    void SetUp() override;
    void TearDown() override;

    // The calls of the log among `names`, in order.
    std::vector<const kvrec::Entry*> CallsOf(const std::vector<std::string>& names);

private:
    kvrec::LiveCounts m_liveAtStart;
};

// The same fixture on a printing device, with a printing pass.
class PrintedSystemDrawingTest : public SystemDrawingTest {
protected:
    RenderShape Rendering() const override
    {
        return {.printing = true, .metrics = SystemMetrics(), .open = false};
    }
};

} // namespace kvtest
