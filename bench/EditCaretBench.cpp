// The play caret as playback moves it: the four beats of one measure, with
// the cursor already in that measure. Playback asks at every beat, so the
// time per call must not grow with the score.
//
// Argument: measures of the generated score (16 staves). Compare 50 and 400:
// the larger may take at most 1.5 times as long per call.

#include "GeneratedScores.h"
#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

namespace {

CKVDoc* Generated(LONG measures)
{
    return kvbench::GeneratedScore({16, measures, 6});
}

void BM_PlayCaretBeats(benchmark::State& state)
{
    const LONG measures = static_cast<LONG>(state.range(0));
    CKVDoc* doc = Generated(measures);
    if (!doc) {
        state.SkipWithError("the score cannot be generated");
        return;
    }
    // A measure in the middle of the score; the first call moves there.
    const int meas = static_cast<int>(measures / 2);
    CPoint point;
    doc->GetPlayCaretPos(meas, 4, 0, point);
    for (auto _ : state) {
        for (int beat = 0; beat < 4; ++beat)
            benchmark::DoNotOptimize(doc->GetPlayCaretPos(meas, 4, beat, point));
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_PlayCaretBeats)->Arg(50)->Arg(400)->Unit(benchmark::kNanosecond);

} // namespace
