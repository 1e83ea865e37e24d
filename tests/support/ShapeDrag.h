#pragma once
// The rubber-band tests' view of a drag: shapes dragged on the recording
// view of the drag driver, dropped new or moved by a handle, the outlines
// they drew and the words they left in the score. Every test ends with the
// pen mode back at R2_COPYPEN (and, through the driver, no GDI object left).

#include "support/DragDriver.h"

#include "model/KVMeas.h"
#include "model/KVPage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace kvtest {

// The placed words of a shape: kind, x, y, dx, dy.
struct ShapeWords {
    int kind = 0;
    int x = 0;
    int y = 0;
    int dx = 0;
    int dy = 0;
    bool operator==(const ShapeWords&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ShapeWords& w)
{
    return os << "{kind " << w.kind << ", " << w.x << ", " << w.y << ", " << w.dx << ", " << w.dy << "}";
}

inline ShapeWords WordsOf(const CKVMsg& msg)
{
    return {msg.m_byKind, msg.m_nPosX, msg.m_nPosY, msg.m_nPosX2, msg.m_nPosY2};
}

class ShapeDragFixture : public DragFixture {
protected:
    void TearDown() override
    {
        EXPECT_EQ(View().GetROP2(), R2_COPYPEN) << "pen mode left changed";
        DragFixture::TearDown();
    }

    // The recorded calls of one name since the last ClearLog().
    std::vector<const kvrec::Entry*> Calls(const char* call) { return View().Log().Calls(call); }
    void ClearLog() { View().Log().Clear(); }
    static std::vector<CPoint> PointsOf(const kvrec::Entry& entry)
    {
        return std::vector<CPoint>(entry.logical.begin(), entry.logical.end());
    }
    // The points of the last recorded call of that name (none: empty).
    std::vector<CPoint> LastPoints(const char* call)
    {
        const auto calls = Calls(call);
        return calls.empty() ? std::vector<CPoint> {} : PointsOf(*calls.back());
    }

    // A new shape pressed at `from`, dragged to `to` and, with `drop`,
    // released there.
    void DrawNew(CTempMsg& t, CPoint from, CPoint to, bool drop = true)
    {
        ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, nullptr, 0), 1);
        EXPECT_EQ(t.Drag(&View(), to), 1);
        if (drop) {
            EXPECT_EQ(t.EndDrag(to), 1);
        }
    }
    // `msg` grabbed by `handle` at `from` (the cursor put on it first),
    // dragged to `to` and released there.
    void Move(CTempMsg& t, CKVMsg* msg, int handle, CPoint from, CPoint to)
    {
        PointCursorAt(msg);
        ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, msg, handle), 1);
        t.Drag(&View(), to);
        EXPECT_EQ(t.EndDrag(to), 1);
    }

    // A symbol with these words on the current page.
    CKVMsg* OnPage(BYTE kind, short x, short y, short dx, short dy)
    {
        CKVMsg msg;
        msg.m_byKind = kind;
        msg.m_nPosX = x;
        msg.m_nPosY = y;
        msg.m_nPosX2 = dx;
        msg.m_nPosY2 = dy;
        msg.m_lHeight = 1;
        return Doc().AddMsg(Doc().GetCurrentPage(), &msg, 0, 0);
    }
    // The current page's last symbol, null when it has none.
    CKVMsg* LastOnPage()
    {
        CKVPage* page = Doc().GetCurrentPage();
        const int n = page ? page->m_arrMsg.GetSize() : 0;
        return n > 0 ? page->m_arrMsg.GetAt(n - 1) : nullptr;
    }
    CKVMsg* LastIn(CKVMeas* meas)
    {
        const short n = meas->GetMsgNum();
        return n > 0 ? meas->GetMsg(static_cast<short>(n - 1)) : nullptr;
    }
    int UndoSteps() { return static_cast<int>(Doc().m_listBackup.GetCount()) + (Doc().m_arrBackup.GetSize() > 0); }
};

} // namespace kvtest
