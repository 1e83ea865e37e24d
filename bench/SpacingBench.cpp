// Note spacing runs after every edit: re-spacing a whole score, sharing out
// its block widths and re-flowing its blocks should grow no worse than
// linearly with the score, and re-spacing one column (one edit, undo on)
// should not grow with it at all.
//
// Argument: measures of the generated score (4 staves, 8 symbols per
// measure). Compare 40 and 400.

#include "GeneratedScores.h"
#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

namespace {

CKVDoc* Generated(LONG measures)
{
    return kvbench::GeneratedScore({4, measures, 8});
}

// The score of the benchmark's argument; null, the benchmark skipped, when
// it cannot be made.
CKVDoc* ScoreOf(benchmark::State& state)
{
    CKVDoc* doc = Generated(static_cast<LONG>(state.range(0)));
    if (!doc)
        state.SkipWithError("the score cannot be generated");
    return doc;
}

// Runs the spacing command with the given flags on every measure.
void Respace(benchmark::State& state, int blockWidths, int blockCounts)
{
    const LONG measures = static_cast<LONG>(state.range(0));
    CKVDoc* doc = ScoreOf(state);
    if (!doc)
        return;
    doc->m_bBackupRecord = 0;
    for (auto _ : state)
        doc->SetNoteSpace(0, 0, measures - 1, blockWidths, blockCounts, 1);
    state.counters["pages"] = doc->GetPageNum();
}

void BM_RespaceScore(benchmark::State& state)
{
    Respace(state, 0, 0);
}
BENCHMARK(BM_RespaceScore)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_RespaceBlockWidths(benchmark::State& state)
{
    Respace(state, 1, 0);
}
BENCHMARK(BM_RespaceBlockWidths)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);

// Each block looks at the blocks after it: reported, not bounded.
void BM_RespaceBlockCounts(benchmark::State& state)
{
    Respace(state, 0, 1);
}
BENCHMARK(BM_RespaceBlockCounts)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_RespaceColumn(benchmark::State& state)
{
    const LONG measures = static_cast<LONG>(state.range(0));
    CKVDoc* doc = ScoreOf(state);
    if (!doc)
        return;
    doc->m_bBackupRecord = 1;
    const int column = static_cast<int>(measures / 2);
    for (auto _ : state) {
        doc->ResetBackup();
        doc->SetNoteSpace(0, column, column, 0, 0, 1);
    }
    doc->m_bBackupRecord = 0;
}
BENCHMARK(BM_RespaceColumn)->Arg(40)->Arg(400)->Unit(benchmark::kMicrosecond);

} // namespace
