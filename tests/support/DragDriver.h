#pragma once
// The drag driver: a one-staff, two-measure score on one page laid out by
// hand, so that every view point maps to known words, with the views a drag
// draws on and the questions the drag tests ask of them.
//
// Page 0: printable rectangle (50, 60, 850, 1160); one block at
// (0, 100, 556, 228), boundaries 0, 300, 556, staff y 64; measure 0 with
// header 44, measure 1 at left x 300 without header, both 256 wide. A view
// point V lies at V - (350, 224) in measure 1 and V - (50, 224) in measure 0
// (whose x word is that x - 44). L = 16, F = 48 (a music-font em of 64).

#include "support/KvTest.h"
#include "support/ScoreBuilder.h"
#include "support/Drawing.h"

#include "drag/TempMsg.h"
#include "model/KVMsg.h"

#include <memory>
#include <string>
#include <vector>

namespace kvtest {

struct Blit {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Blit&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Blit& b);

// A plain template for the protocol: a 10 x 10 black box around the
// position (4 left, 6 up, 6 right, 4 down).
class BoxTemplate : public CKVMsg, public CTempMsg {
public:
    using CKVMsg::operator=;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override { m_ptPos = pt; }
    void InitDragingParameter(CPoint pt) override
    {
        m_ptPos = pt;
        m_ptSecond = pt;
    }
    int draws = 0;

protected:
    CKVMsg& Model() override { return *this; }
};

class DragFixture : public KvTest {
protected:
    void SetUp() override;
    void TearDown() override;

    CKVDoc& Doc() { return score->Doc(); }
    CKVMeas* Meas(int i) { return score->Meas(0, i); }
    CKVPage* Page();
    CKVBlock* Block();

    // A 96-dpi recording view of 1000 x 1300 and a screen-kind raster view.
    TestDC& View();
    std::unique_ptr<TestDC> RasterView(int width, int height);
    // The exclusive-nor blits logged on the recording view since the last
    // call, as (x, y, w, h).
    std::vector<Blit> Blits();

    std::string Dump();
    void Undo();
    void Redo();
    // The host's hit test on the symbol: the cursor on its block, staff and
    // measure.
    void PointCursorAt(CKVMsg* msg);
    // A page without blocks after the others, made current.
    CKVPage* AddEmptyPage();

    std::unique_ptr<ScoreBuilder> score;

private:
    std::unique_ptr<TestDC> m_view;
    size_t m_seen = 0;
    kvrec::LiveCounts m_startObjects;
};

} // namespace kvtest
