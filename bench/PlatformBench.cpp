#include "Platform.h"

#include <benchmark/benchmark.h>

static void BM_CStringFormat(benchmark::State& state)
{
    int i = 0;
    for (auto _ : state) {
        CString text;
        text.Format("%d/%d/%d", 2024, 3, ++i);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_CStringFormat);
