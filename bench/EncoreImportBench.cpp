// Importing atraing.enc (read, convert, lay out) from memory into a fresh
// document, against loading the KVC file that the import gives. The counter
// "ratio" is the import's time over the load's; the import should stay
// within 20 times the load.

#include "KvcFile.h"
#include "Kvorel.h"
#include "import/EncImport.h"
#include "support/EncoreWriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

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
    for (auto _ : state) {
        auto doc = std::make_unique<CKVDoc>();
        const auto start = Clock::now();
        benchmark::DoNotOptimize(Import(bytes, *doc));
        const auto imported = Clock::now();
        auto loaded = std::make_unique<CKVDoc>();
        CMemFile file(kvc.data(), static_cast<UINT>(kvc.size()));
        WORD version = 0;
        bool hostBlock = false;
        benchmark::DoNotOptimize(kvorel::ReadKvcFile(&file, *loaded, version, hostBlock));
        const auto end = Clock::now();
        importSeconds += std::chrono::duration<double>(imported - start).count();
        loadSeconds += std::chrono::duration<double>(end - imported).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["import_ms"] = 1000 * importSeconds / n;
    state.counters["load_ms"] = 1000 * loadSeconds / n;
    state.counters["ratio"] = loadSeconds > 0 ? importSeconds / loadSeconds : 0;
}
BENCHMARK(BM_EncoreImportAgainstKvcLoad)->Unit(benchmark::kMillisecond);

} // namespace
