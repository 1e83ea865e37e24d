// The mouse path: the handle and note hit-tests at a point that hits
// nothing on page 0, so that every measure and symbol of the page is asked.
// Only the current page is searched, so the page count must not matter, and
// the time grows with the page's symbols.
//
// Arguments: measures of the generated score (2 staves), symbols per measure.
// Compare 30 and 300 measures (2 and 20 pages with the same page 0), and 6
// and 12 symbols per measure.

#include "GeneratedScores.h"
#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

namespace {

CKVDoc* Generated(LONG measures, int symbols)
{
    return kvbench::GeneratedScore({2, measures, symbols});
}

constexpr POINT kNowhere {-5000, -5000};

void BM_HitTestHandles(benchmark::State& state)
{
    CKVDoc* doc = Generated(static_cast<LONG>(state.range(0)), static_cast<int>(state.range(1)));
    if (!doc) {
        state.SkipWithError("the score cannot be generated");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->GetCtrlPointedMsg(kNowhere, 0, 1, POINT {0, 0}));
    state.counters["pages"] = doc->GetPageNum();
}
BENCHMARK(BM_HitTestHandles)->Args({30, 6})->Args({300, 6})->Args({30, 12})->Unit(benchmark::kMicrosecond);

void BM_HitTestNotes(benchmark::State& state)
{
    CKVDoc* doc = Generated(static_cast<LONG>(state.range(0)), static_cast<int>(state.range(1)));
    if (!doc) {
        state.SkipWithError("the score cannot be generated");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->GetPointedNoteMsg(kNowhere, 0));
    state.counters["pages"] = doc->GetPageNum();
}
BENCHMARK(BM_HitTestNotes)->Args({30, 6})->Args({300, 6})->Args({30, 12})->Unit(benchmark::kMicrosecond);

} // namespace
