#include "support/SystemDrawing.h"

#include "document/KVCtrlTool.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kvtest {

MusicMetrics SystemMetrics()
{
    MusicMetrics metrics = BoxMetrics({{0x26, 24}, {0x24, 24}, {0x25, 24}, {0x23, 16}, {0xA9, 8}, {0xAA, 8},
                                       {0xAB, 8}, {0xA7, 4}});
    metrics[0] = kvmusic::TestMetric {0, 16, 16};
    return metrics;
}

std::vector<DrawnGlyph> DeviceGlyphs(kvrec::Recorder& log)
{
    std::vector<DrawnGlyph> out;
    for (const kvrec::GlyphHit& hit : log.Glyphs())
        out.emplace_back(hit.code, hit.device.x, hit.device.y);
    return out;
}

std::vector<DeviceBox> DeviceBoxes(const std::vector<const kvrec::Entry*>& entries)
{
    std::vector<DeviceBox> boxes;
    for (const kvrec::Entry* entry : entries)
        if (entry->device.size() >= 2)
            boxes.push_back({entry->device[0].x, entry->device[0].y, entry->device[1].x, entry->device[1].y});
    return boxes;
}

void SystemDrawingTest::SetUp()
{
    RenderTest::SetUp();
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    tool.m_wClefLayout = 2;
    tool.m_wKeyLayout = 4;
    tool.m_wM1 = 1;
    tool.m_wM2 = 4;
    tool.m_wM3 = 4;
    tool.m_wH8 = 2;
    tool.m_byH4 = 0;
    tool.m_dwB3 = 0;
    m_liveAtStart = kvrec::LiveObjectCounts();
    ASSERT_EQ(OpenPass(Rendering().printing), 1);
    Log().Clear();
}

void SystemDrawingTest::TearDown()
{
    ClosePasses();
    EXPECT_EQ(kvrec::LiveObjectCounts(), m_liveAtStart) << "drawing left GDI objects behind";
    EXPECT_TRUE(kvrec::Warnings().empty()) << kvrec::Warnings().front();
    RenderTest::TearDown();
}

std::vector<const kvrec::Entry*> SystemDrawingTest::CallsOf(const std::vector<std::string>& names)
{
    std::vector<const kvrec::Entry*> out;
    for (const kvrec::Entry& entry : Log().Entries())
        if (std::find(names.begin(), names.end(), entry.call) != names.end())
            out.push_back(&entry);
    return out;
}

} // namespace kvtest
