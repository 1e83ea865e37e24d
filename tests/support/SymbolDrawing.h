#pragma once
// The fixture of symbol drawing: the system-drawing fixture (a pass at zoom
// 100 and origin 0 on a 96-dpi recording DC, an empty log when the test
// starts, no GDI object left behind and no warning at the end) with the
// music test metrics of the symbol glyphs: 0x90 advance 20, 0x8F 16, 0xA9,
// 0x7A and 0x77 10, 0x6B 24, 0x26 16, 0x8E 20, every other code 10 (32nds of
// the em, so dots at E = 32). The gap g and the document's staff space S
// are 8.

#include "support/SystemDrawing.h"

#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"

#include <string>
#include <utility>
#include <vector>

namespace kvtest {

inline MusicMetrics SymbolMetrics()
{
    return BoxMetrics({{0x90, 20}, {0x8F, 16}, {0xA9, 10}, {0x7A, 10}, {0x77, 10}, {0x6B, 24}, {0x26, 16},
                       {0x8E, 20}});
}

// Makes a symbol a page-level one of a kind at its words.
inline void PlaceOnPage(CKVMsg& msg, BYTE kind, CPoint words, CPoint second)
{
    msg.m_byKind = kind;
    msg.m_byParentKind = 7;
    msg.m_nPosX = static_cast<short>(words.x);
    msg.m_nPosY = static_cast<short>(words.y);
    msg.m_nPosX2 = static_cast<short>(second.x);
    msg.m_nPosY2 = static_cast<short>(second.y);
}

class SymbolDrawingTest : public SystemDrawingTest {
protected:
    RenderShape Rendering() const override { return {.metrics = SymbolMetrics(), .open = false}; }

    // A page-level symbol of a kind at its words, with the handles its kind
    // gets, drawn at `origin`.
    void PagePlace(CKVMsg& msg, BYTE kind, CPoint words, CPoint second, CPoint origin = CPoint(0, 0))
    {
        PlaceOnPage(msg, kind, words, second);
        msg.MakeMsgCtrlPoint();
        View().KVSetOrgXY(origin.x, origin.y);
    }

    CRect Handle(CKVMsg& msg, int index)
    {
        return index < msg.m_arrCtrlPoint.GetSize() ? msg.m_arrCtrlPoint.GetAt(index)->m_rect : CRect(-1, -1, -1, -1);
    }
};

class PrintedSymbolDrawingTest : public SymbolDrawingTest {
protected:
    RenderShape Rendering() const override
    {
        return {.printing = true, .metrics = SymbolMetrics(), .open = false};
    }
};

// The logical points of a log entry.
inline std::vector<std::pair<int, int>> PointsOf(const kvrec::Entry& entry)
{
    std::vector<std::pair<int, int>> points;
    for (const POINT& p : entry.logical)
        points.emplace_back(p.x, p.y);
    return points;
}

} // namespace kvtest
