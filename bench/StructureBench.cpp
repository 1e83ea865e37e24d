// Structure changes run on whole scores: inserting and deleting measures in
// the middle and re-flowing every page should grow no worse than linearly
// with the score.
//
// Argument: measures of the generated score (4 staves, 6 symbols per
// measure, undo recording off). Compare 300 and 3000.

#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

CKVDoc* ScoreOf(benchmark::State& state)
{
    static std::map<LONG, std::unique_ptr<CKVDoc>> scores;
    const LONG measures = static_cast<LONG>(state.range(0));
    auto& doc = scores[measures];
    if (!doc) {
        doc = std::make_unique<CKVDoc>();
        if (!kvtest::GenerateScore(*doc, {4, measures, 6})) {
            doc.reset();
            state.SkipWithError("the score cannot be generated");
            return nullptr;
        }
        doc->JumpToPage(0);
    }
    doc->m_bBackupRecord = 0;
    return doc.get();
}

void BM_InsertDeleteMeasures(benchmark::State& state)
{
    CKVDoc* doc = ScoreOf(state);
    if (!doc)
        return;
    const int middle = static_cast<int>(state.range(0) / 2);
    unsigned char everyStaff[] = {1, 1, 1, 1};
    for (auto _ : state) {
        doc->InsertMeasures(middle, 4, 0, 4, everyStaff, 0);
        doc->DeleteMeasure(middle, middle + 3, 0);
    }
    state.counters["pages"] = doc->GetPageNum();
}
BENCHMARK(BM_InsertDeleteMeasures)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_Reflow(benchmark::State& state)
{
    CKVDoc* doc = ScoreOf(state);
    if (!doc)
        return;
    for (auto _ : state)
        doc->UpdatePage(1);
    state.counters["pages"] = doc->GetPageNum();
}
BENCHMARK(BM_Reflow)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace
