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

static void BM_MulDiv(benchmark::State& state)
{
    int number = 0;
    for (auto _ : state) {
        // Vary the inputs so that the call cannot be folded away.
        number = (number + 7919) & 0xFFFFF;
        benchmark::DoNotOptimize(MulDiv(number, 96, 72));
        benchmark::DoNotOptimize(MulDiv(-number, 254, 720));
    }
}
BENCHMARK(BM_MulDiv);
