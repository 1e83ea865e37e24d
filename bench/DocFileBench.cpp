// Saving and loading the body of a large score: 16 staves of 200 measures
// with ten symbols in each measure, through a memory file. The rate is bytes
// of body per second.

#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

const kvtest::GeneratedScoreShape kLargeScore {16, 200, 10};

// The generated score and its saved body, made once.
struct LargeScore {
    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    std::vector<BYTE> body;
    bool ok = false;

    LargeScore()
    {
        if (!kvtest::GenerateScore(*doc, kLargeScore))
            return;
        CMemFile file;
        if (doc->Save(&file) != 1)
            return;
        body.resize(file.GetLength());
        file.SeekToBegin();
        ok = file.Read(body.data(), static_cast<UINT>(body.size())) == body.size();
    }
};

LargeScore& Score()
{
    static LargeScore score;
    return score;
}

void BM_DocSaveLargeScore(benchmark::State& state)
{
    LargeScore& score = Score();
    if (!score.ok) {
        state.SkipWithError("the generated score cannot be saved");
        return;
    }
    CMemFile file(static_cast<UINT>(score.body.size()));
    for (auto _ : state) {
        file.SetLength(0);
        file.SeekToBegin();
        if (score.doc->Save(&file) != 1) {
            state.SkipWithError("Save failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(score.body.size()));
}
BENCHMARK(BM_DocSaveLargeScore)->Unit(benchmark::kMillisecond);

void BM_DocLoadLargeScore(benchmark::State& state)
{
    LargeScore& score = Score();
    if (!score.ok) {
        state.SkipWithError("the generated score cannot be saved");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CKVDoc>();
        CMemFile file(score.body.data(), static_cast<UINT>(score.body.size()));
        state.ResumeTiming();
        if (doc->Load(&file, 3) != 0) {
            state.SkipWithError("Load failed");
            return;
        }
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(score.body.size()));
}
BENCHMARK(BM_DocLoadLargeScore)->Unit(benchmark::kMillisecond);

} // namespace
