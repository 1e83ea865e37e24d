// A resolution change rescales every symbol of the score once; it should
// grow no worse than linearly with the score. A search of the id map for
// each symbol would show as quadratic growth.
//
// Argument: measures of the generated score (16 staves, 6 symbols per
// measure). Compare 100 and 400: the larger may take at most 5 times as long.

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
        if (!kvtest::GenerateScore(*doc, {16, measures, 6})) {
            doc.reset();
            state.SkipWithError("the score cannot be generated");
            return nullptr;
        }
    }
    return doc.get();
}

void BM_RescaleUpAndBack(benchmark::State& state)
{
    CKVDoc* doc = ScoreOf(state);
    if (!doc)
        return;
    const POINT screen {96, 96};
    const POINT printer {600, 600};
    for (auto _ : state) {
        doc->UpdatePosLogicDot(screen, printer);
        doc->UpdatePosLogicDot(printer, screen);
    }
    state.counters["symbols"] = static_cast<double>(doc->m_arrSystem.GetAt(0)->m_arrMsgMap.GetSize());
}
BENCHMARK(BM_RescaleUpAndBack)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace
