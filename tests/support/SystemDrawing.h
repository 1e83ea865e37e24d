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

#include <string>
#include <vector>

namespace kvtest {

MusicMetrics SystemMetrics();

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
