// Saving, loading and tearing down the body of a generated score through a
// memory file, beside the limit of the same work: a memcpy of the body's
// bytes. Each benchmark times that copy in the same iterations as its own
// work and reports the ratio as a counter (x_memcpy), so the figure holds on
// any machine and under any load. Two shapes show the growth: 16 staves of
// 200 measures and of 2,000 measures, ten symbols in each measure.
//
// The load benchmark also reports the peak heap bytes per symbol of the
// loaded score, from the allocation tally of AllocHook.h that the global
// allocation functions below feed.

#include "AllocHook.h"
#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <new>
#include <vector>

// The replaced functions pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every block made with new is reported to the tally with its usable size.
void* operator new(size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    if (KvHeapTallyEnabled())
        KvHeapTallyAllocated(malloc_usable_size(p));
    return p;
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    void* p = std::malloc(size ? size : 1);
    if (p && KvHeapTallyEnabled())
        KvHeapTallyAllocated(malloc_usable_size(p));
    return p;
}

void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* p) noexcept
{
    if (p && KvHeapTallyEnabled())
        KvHeapTallyFreed(malloc_usable_size(p));
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    operator delete(p);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

namespace {

// The benchmarks time the thread's own processor time (user and system,
// page faults included): the machine that runs them may be shared, and time
// spent waiting for a processor is no part of either side of a ratio.
double Now()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

const kvtest::GeneratedScoreShape kScore {16, 200, 10};
const kvtest::GeneratedScoreShape kLongScore {16, 2000, 10};

struct TallyOn {
    TallyOn() { KvHeapTallyEnable(true); }
};
TallyOn s_tallyOn;

// Freed memory stays with the process, as the copy's target does, so that
// every iteration works on pages the process already has. Otherwise whether
// a load of the long score first takes its half gigabyte of new pages from
// the kernel (cleared, one fault each) depends on whether the heap's top was
// given back after the last iteration, and its figure swung by a factor of
// three from run to run.
struct KeepPages {
    KeepPages()
    {
        mallopt(M_TRIM_THRESHOLD, INT_MAX);
        mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    }
    // The most that glibc takes from the heap rather than by mmap.
    static constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
};
KeepPages s_keepPages;

// A generated score and its saved body, made once per shape.
struct SavedScore {
    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    std::vector<BYTE> body;
    bool ok = false;

    explicit SavedScore(const kvtest::GeneratedScoreShape& shape)
    {
        if (!kvtest::GenerateScore(*doc, shape))
            return;
        CMemFile file;
        if (doc->Save(&file) != 1)
            return;
        body.resize(file.GetLength());
        file.SeekToBegin();
        ok = file.Read(body.data(), static_cast<UINT>(body.size())) == body.size();
    }
};

SavedScore& Score(int shape)
{
    static SavedScore score(kScore);
    static SavedScore longScore(kLongScore);
    return shape == 0 ? score : longScore;
}


// The copy of a body's bytes that each benchmark times beside its own
// work. The target is made once, so the copy pays no page faults.
class CopyLimit {
public:
    explicit CopyLimit(const std::vector<BYTE>& body) : m_source(body), m_target(body.size()) {}

    void Run()
    {
        const double start = Now();
        std::memcpy(m_target.data(), m_source.data(), m_source.size());
        benchmark::ClobberMemory();
        m_seconds += Now() - start;
    }

    double Seconds() const { return m_seconds; }

private:
    const std::vector<BYTE>& m_source;
    std::vector<BYTE> m_target;
    double m_seconds = 0;
};

// The mean time of each timed path by shape, for the growth factor that the
// long shape reports (the short one runs first).
enum Path { kSave, kLoad, kTeardown, kPaths };
double s_meanSeconds[kPaths][2] = {};

void Report(benchmark::State& state, Path path, const SavedScore& score, const CopyLimit& limit, double seconds)
{
    const int shape = static_cast<int>(state.range(0));
    if (state.iterations() > 0)
        s_meanSeconds[path][shape] = seconds / static_cast<double>(state.iterations());
    if (shape == 1 && s_meanSeconds[path][0] > 0)
        state.counters["growth"] = s_meanSeconds[path][1] / s_meanSeconds[path][0];
    const auto bytes = static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(score.body.size());
    state.SetBytesProcessed(bytes);
    state.counters["x_memcpy"] = limit.Seconds() > 0 ? seconds / limit.Seconds() : 0;
    state.counters["body_bytes"] = static_cast<double>(score.body.size());
}

bool Usable(benchmark::State& state, const SavedScore& score)
{
    if (!score.ok)
        state.SkipWithError("the generated score cannot be saved");
    return score.ok;
}

std::unique_ptr<CKVDoc> LoadBody(const SavedScore& score)
{
    auto doc = std::make_unique<CKVDoc>();
    CMemFile file(const_cast<BYTE*>(score.body.data()), static_cast<UINT>(score.body.size()));
    if (doc->Load(&file, 3) != 0)
        return nullptr;
    return doc;
}

int SymbolCount(CKVDoc& doc)
{
    CKVSystem* system = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    int count = 0;
    for (int i = 1; system && i < system->m_arrMsgMap.GetSize(); ++i) {
        if (system->m_arrMsgMap.GetAt(i))
            ++count;
    }
    return count;
}

// The memcpy of the body alone: the limit that the counters compare with.
void BM_DocBodyMemcpy(benchmark::State& state)
{
    SavedScore& score = Score(static_cast<int>(state.range(0)));
    if (!Usable(state, score))
        return;
    CopyLimit limit(score.body);
    for (auto _ : state) {
        const double before = limit.Seconds();
        limit.Run();
        state.SetIterationTime(limit.Seconds() - before);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(score.body.size()));
    state.counters["body_bytes"] = static_cast<double>(score.body.size());
}

void BM_DocSave(benchmark::State& state)
{
    SavedScore& score = Score(static_cast<int>(state.range(0)));
    if (!Usable(state, score))
        return;
    CopyLimit limit(score.body);
    CMemFile file(static_cast<UINT>(score.body.size()));
    double seconds = 0;
    for (auto _ : state) {
        limit.Run();
        file.SetLength(0);
        file.SeekToBegin();
        const double start = Now();
        const short saved = score.doc->Save(&file);
        const double took = Now() - start;
        seconds += took;
        state.SetIterationTime(took);
        if (saved != 1) {
            state.SkipWithError("Save failed");
            return;
        }
    }
    Report(state, kSave, score, limit, seconds);
}

void BM_DocLoad(benchmark::State& state)
{
    SavedScore& score = Score(static_cast<int>(state.range(0)));
    if (!Usable(state, score))
        return;
    CopyLimit limit(score.body);
    double seconds = 0;
    double peakPerSymbol = 0;
    for (auto _ : state) {
        limit.Run();
        const long long before = KvHeapTallyLive();
        KvHeapTallyResetPeak();
        const double start = Now();
        std::unique_ptr<CKVDoc> doc = LoadBody(score);
        const double took = Now() - start;
        seconds += took;
        state.SetIterationTime(took);
        if (!doc) {
            state.SkipWithError("Load failed");
            return;
        }
        const int symbols = SymbolCount(*doc);
        if (symbols > 0)
            peakPerSymbol = static_cast<double>(KvHeapTallyPeak() - before) / symbols;
        state.counters["symbols"] = symbols;
        // The teardown is not timed here.
        doc.reset();
    }
    Report(state, kLoad, score, limit, seconds);
    state.counters["peak_bytes_per_symbol"] = peakPerSymbol;
}

void BM_DocTeardown(benchmark::State& state)
{
    SavedScore& score = Score(static_cast<int>(state.range(0)));
    if (!Usable(state, score))
        return;
    CopyLimit limit(score.body);
    double seconds = 0;
    for (auto _ : state) {
        limit.Run();
        std::unique_ptr<CKVDoc> doc = LoadBody(score);
        if (!doc) {
            state.SkipWithError("Load failed");
            return;
        }
        const double start = Now();
        doc.reset();
        const double took = Now() - start;
        seconds += took;
        state.SetIterationTime(took);
    }
    Report(state, kTeardown, score, limit, seconds);
}

// Argument 0: 200 measures; 1: 2,000 measures. Each runs a while before it
// is timed: the first loads of the long score, which take their half
// gigabyte from pages the process never had and then from a heap still
// settling, ran up to three times as long as the later ones. The long score
// is also timed for longer: a half second gives a load of it one or two
// iterations, and on this shared machine one slow iteration among them
// (three times the others, now and then, also after the warm-up) then moved
// its figures by as much; over some twenty it moves them by a few percent.
constexpr double kWarmUpSeconds = 2.0;
constexpr double kLongScoreSeconds = 5.0;

// Both shapes of one path, the short one first (the long one's growth
// factor needs its mean).
void RegisterShapes(const char* name, void (*path)(benchmark::State&), benchmark::TimeUnit unit)
{
    benchmark::RegisterBenchmark(name, path)->Arg(0)->UseManualTime()->MinWarmUpTime(kWarmUpSeconds)->Unit(unit);
    benchmark::RegisterBenchmark(name, path)
        ->Arg(1)
        ->UseManualTime()
        ->MinWarmUpTime(kWarmUpSeconds)
        ->MinTime(kLongScoreSeconds)
        ->Unit(unit);
}

const bool s_registered = [] {
    RegisterShapes("BM_DocBodyMemcpy", BM_DocBodyMemcpy, benchmark::kMicrosecond);
    RegisterShapes("BM_DocSave", BM_DocSave, benchmark::kMillisecond);
    RegisterShapes("BM_DocLoad", BM_DocLoad, benchmark::kMillisecond);
    RegisterShapes("BM_DocTeardown", BM_DocTeardown, benchmark::kMillisecond);
    return true;
}();

} // namespace
