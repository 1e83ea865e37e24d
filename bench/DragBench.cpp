// One image move of a dragged note: the two exclusive-nor blits of Drag on a
// 1000 x 1300 screen-like raster view. Nothing in a move may depend on the
// score, so 1,024 measures must cost what 16 do (at most 1.25 times).
//
// Argument: measures of the generated score (2 staves).

#include "GeneratedScores.h"
#include "Kvorel.h"
#include "platform/Backends.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

namespace {

CKVDoc* Generated(LONG measures)
{
    return kvbench::GeneratedScore({2, measures, 6});
}

void BM_DragImageStep(benchmark::State& state)
{
    CKVDoc* doc = Generated(static_cast<LONG>(state.range(0)));
    if (!doc) {
        state.SkipWithError("the score cannot be generated");
        return;
    }
    CDC view;
    view.Attach(KvCreateRasterDC(1000, 1300, 96, KvRasterKind::Screen));
    {
        CTempNoteMsg note;
        note.m_wDuration = DUR_QUARTER;
        note.OnMouseMove(CPoint(400, 400), &view, doc, 100);
        note.BeginDrag(CPoint(400, 400), doc, 100, nullptr, 0);
        note.Drag(&view, CPoint(401, 400)); // measured before the timing
        int x = 0;
        for (auto _ : state) {
            x = (x + 7) % 400;
            benchmark::DoNotOptimize(note.Drag(&view, CPoint(300 + x, 300 + x)));
        }
        // The drop is not part of the step; the template goes unused.
    }
    DeleteDC(view.Detach());
    state.counters["pages"] = doc->GetPageNum();
}
BENCHMARK(BM_DragImageStep)->Arg(16)->Arg(1024)->Unit(benchmark::kMicrosecond);

} // namespace
