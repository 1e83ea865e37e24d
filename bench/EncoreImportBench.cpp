// Importing atraing.enc (read, convert, lay out) from memory into a fresh
// document, against loading the KVC file that the import gives. The counter
// "ratio" is the import's time over the load's; the import should stay
// within 20 times the load. "cpu_ratio" is the same ratio in the thread's
// processor time, which a busy machine does not distort.

#include "KvcFile.h"
#include "Kvorel.h"
#include "import/EncImport.h"
#include "support/EncoreWriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ThreadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

std::vector<BYTE> AtraingBytes()
{
    const auto path = kvtest::SharedEncoreFile("atraing.enc");
    if (!path)
        return {};
    std::ifstream in(*path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Import(std::vector<BYTE>& bytes, CKVDoc& doc)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CEncDoc enc;
    CDC dc;
    dc.Attach(KvCreateRecordingDC(800, 600, 72));
    return ImportEncore(file, enc, doc, &dc, doc.m_ScoreView, nullptr);
}

void BM_EncoreImportAgainstKvcLoad(benchmark::State& state)
{
    std::vector<BYTE> bytes = AtraingBytes();
    if (bytes.empty()) {
        state.SkipWithError("atraing.enc is not there");
        return;
    }
    std::vector<BYTE> kvc;
    {
        CKVDoc doc;
        CMemFile file;
        if (!Import(bytes, doc) || !kvorel::WriteKvcFile(&file, doc)) {
            state.SkipWithError("atraing.enc does not import");
            return;
        }
        kvc.resize(file.GetLength());
        file.SeekToBegin();
        file.Read(kvc.data(), static_cast<UINT>(kvc.size()));
    }
    double importSeconds = 0;
    double loadSeconds = 0;
    double importCpu = 0;
    double loadCpu = 0;
    for (auto _ : state) {
        auto doc = std::make_unique<CKVDoc>();
        const double cpuStart = ThreadSeconds();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(Import(bytes, *doc));
        const auto imported = Clock::now();
        const double cpuImported = ThreadSeconds();
        auto loaded = std::make_unique<CKVDoc>();
        CMemFile file(kvc.data(), static_cast<UINT>(kvc.size()));
        WORD version = 0;
        bool hostBlock = false;
        benchmark::DoNotOptimize(kvorel::ReadKvcFile(&file, *loaded, version, hostBlock));
        const auto end = Clock::now();
        const double cpuEnd = ThreadSeconds();
        importSeconds += std::chrono::duration<double>(imported - start).count();
        loadSeconds += std::chrono::duration<double>(end - imported).count();
        importCpu += cpuImported - cpuStart;
        loadCpu += cpuEnd - cpuImported;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["import_ms"] = 1000 * importSeconds / n;
    state.counters["load_ms"] = 1000 * loadSeconds / n;
    state.counters["ratio"] = loadSeconds > 0 ? importSeconds / loadSeconds : 0;
    state.counters["import_cpu_ms"] = 1000 * importCpu / n;
    state.counters["load_cpu_ms"] = 1000 * loadCpu / n;
    state.counters["cpu_ratio"] = loadCpu > 0 ? importCpu / loadCpu : 0;
}
BENCHMARK(BM_EncoreImportAgainstKvcLoad)->Unit(benchmark::kMillisecond);

} // namespace
