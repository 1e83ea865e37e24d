// Drawing every page of a large score (16 staves of 200 measures with ten
// symbols in each measure) on each backend, as `kvorel render` does: screen
// passes for the log and PNG, printing passes for PDF and SVG, with the same
// file output. Beside each, its floor: the same pages recorded once and
// replayed call by call into the same kind of DC with the same output. The
// rate is pages per second of wall time, since the files are part of the
// work.

#include "RenderCommand.h"
#include "support/Replay.h"
#include "support/ScoreGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const kvtest::GeneratedScoreShape kLargeScore {16, 200, 10};

enum class Backend { Recording, Png, Pdf, Svg };

bool Prints(Backend backend)
{
    return backend == Backend::Pdf || backend == Backend::Svg;
}

// A folder for the files the benchmarks write, removed at exit.
struct OutputFolder {
    std::filesystem::path path;
    OutputFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv_render_bench_XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~OutputFolder()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
};

// The generated score, its page device and the host's resources, made once.
struct RenderScore {
    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    std::unique_ptr<kvorel::Host> host;
    kvorel::PageDevice device;
    std::optional<kvorel::TextBlitSurface> textSurface;
    OutputFolder folder;
    int pages = 0;
    bool ok = false;

    RenderScore()
    {
        host = std::make_unique<kvorel::Host>();
        if (!kvtest::GenerateScore(*doc, kLargeScore) || folder.path.empty())
            return;
        // At 96 dpi and 100 percent the raster and vector pages are alike.
        if (!kvorel::MakePageDevice(*doc, true, 96, 100, device))
            return;
        textSurface.emplace(*doc, device);
        pages = doc->GetPageNum();
        ok = pages > 0;
    }
};

RenderScore& Score()
{
    static RenderScore score;
    return score;
}

// The DC of one page (or of the whole PDF) of a backend.
HDC NewPageDC(Backend backend, const RenderScore& score, int page)
{
    const kvorel::PageDevice& d = score.device;
    switch (backend) {
    case Backend::Recording: return KvCreateRecordingDC(d.width, d.height, d.resolution, false);
    case Backend::Png: return KvCreateRasterDC(d.width, d.height, d.resolution, KvRasterKind::Page);
    case Backend::Pdf: return KvCreatePdfDC(score.folder.File("score.pdf").c_str(), d.width, d.height, d.resolution);
    case Backend::Svg:
        return KvCreateSvgDC(score.folder.File("page-" + std::to_string(page + 1) + ".svg").c_str(), d.width, d.height,
                             d.resolution);
    }
    return nullptr;
}

// Ends a page as the command does; false when the output failed.
bool EndPage(Backend backend, const RenderScore& score, HDC hdc, int page)
{
    switch (backend) {
    case Backend::Recording: return true;
    case Backend::Png:
        return KvWritePng(hdc, score.folder.File("page-" + std::to_string(page + 1) + ".png").c_str());
    case Backend::Pdf: return KvPdfNextPage(hdc);
    case Backend::Svg: return KvSvgClose(hdc);
    }
    return false;
}

// Draws (or, with logs, replays) every page once; the number of entries the
// replay skipped, or -1 when something failed.
int DrawAllPages(Backend backend, RenderScore& score, const std::vector<kvrec::Recorder>* logs)
{
    int skipped = 0;
    HDC pdf = backend == Backend::Pdf ? NewPageDC(backend, score, 0) : nullptr;
    if (backend == Backend::Pdf && !pdf)
        return -1;
    for (int page = 0; page < score.pages && skipped >= 0; ++page) {
        HDC hdc = pdf ? pdf : NewPageDC(backend, score, page);
        if (!hdc)
            return -1;
        if (logs) {
            skipped += kvtest::ReplayLog((*logs)[static_cast<size_t>(page)], hdc);
        } else {
            CDC dc;
            dc.Attach(hdc);
            const bool drawn = kvorel::DrawScorePage(*score.doc, dc, score.host->ResourceModule(), Prints(backend),
                                                     score.device, page);
            dc.Detach();
            if (!drawn)
                skipped = -1;
        }
        if (!EndPage(backend, score, hdc, page))
            skipped = -1;
        if (!pdf)
            DeleteDC(hdc);
    }
    if (pdf && !KvPdfClose(pdf))
        skipped = -1;
    if (pdf)
        DeleteDC(pdf);
    return skipped;
}

void ReportPages(benchmark::State& state, const RenderScore& score)
{
    state.counters["pages"] = benchmark::Counter(static_cast<double>(state.iterations()) * score.pages,
                                                 benchmark::Counter::kIsRate);
}

void RenderPages(benchmark::State& state, Backend backend)
{
    RenderScore& score = Score();
    if (!score.ok) {
        state.SkipWithError("the generated score cannot be drawn");
        return;
    }
    for (auto _ : state) {
        if (DrawAllPages(backend, score, nullptr) < 0) {
            state.SkipWithError("a page could not be drawn or written");
            return;
        }
    }
    ReportPages(state, score);
}

// Each page drawn once on a recording DC with the backend's pass kind.
std::vector<kvrec::Recorder> RecordPages(RenderScore& score, Backend backend)
{
    std::vector<kvrec::Recorder> logs;
    const kvorel::PageDevice& d = score.device;
    for (int page = 0; page < score.pages; ++page) {
        CDC dc;
        dc.Attach(KvCreateRecordingDC(d.width, d.height, d.resolution, Prints(backend)));
        kvorel::DrawScorePage(*score.doc, dc, score.host->ResourceModule(), Prints(backend), d, page);
        logs.push_back(*KvRecorder(dc.m_hDC));
    }
    return logs;
}

void ReplayPages(benchmark::State& state, Backend backend)
{
    RenderScore& score = Score();
    if (!score.ok) {
        state.SkipWithError("the generated score cannot be drawn");
        return;
    }
    const std::vector<kvrec::Recorder> logs = RecordPages(score, backend);
    int skipped = 0;
    for (auto _ : state) {
        skipped = DrawAllPages(backend, score, &logs);
        if (skipped < 0) {
            state.SkipWithError("a page could not be written");
            return;
        }
    }
    ReportPages(state, score);
    state.counters["unreplayed"] = skipped;
}

// One pair for each backend: the drawing and its replay floor.
const bool s_registered = [] {
    const std::pair<const char*, Backend> backends[] = {
        {"Recording", Backend::Recording}, {"Png", Backend::Png}, {"Pdf", Backend::Pdf}, {"Svg", Backend::Svg}};
    for (const auto& [name, backend] : backends) {
        const std::string base = std::string("BM_Render") + name;
        benchmark::RegisterBenchmark(base.c_str(), RenderPages, backend)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((base + "Replay").c_str(), ReplayPages, backend)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return true;
}();

// One page of a two-staff score, full of symbols: drawn by the engine onto a
// fresh DC of a backend each time, against the same calls replayed onto such
// a DC. The "vs_replay" counter is the drawing's time over the replay's.
struct PageScore {
    std::unique_ptr<CKVDoc> doc = std::make_unique<CKVDoc>();
    kvorel::PageDevice device;
    std::optional<kvorel::TextBlitSurface> textSurface;
    OutputFolder folder;
    bool ok = false;

    explicit PageScore(LONG measures)
    {
        Score(); // the host
        if (!kvtest::GenerateScore(*doc, {2, measures, 6}) || folder.path.empty())
            return;
        if (!kvorel::MakePageDevice(*doc, true, 96, 100, device))
            return;
        textSurface.emplace(*doc, device);
        ok = doc->GetPageNum() > 0;
    }
};

PageScore& OnePage()
{
    static PageScore score(32);
    return score;
}

HDC FreshDC(Backend backend, const PageScore& score)
{
    const kvorel::PageDevice& d = score.device;
    switch (backend) {
    case Backend::Png: return KvCreateRasterDC(d.width, d.height, d.resolution, KvRasterKind::Page);
    case Backend::Pdf: return KvCreatePdfDC(score.folder.File("page.pdf").c_str(), d.width, d.height, d.resolution);
    case Backend::Svg: return KvCreateSvgDC(score.folder.File("page.svg").c_str(), d.width, d.height, d.resolution);
    default: return KvCreateRecordingDC(d.width, d.height, d.resolution, false);
    }
}

void CloseDC(Backend backend, HDC hdc)
{
    if (backend == Backend::Pdf)
        KvPdfClose(hdc);
    else if (backend == Backend::Svg)
        KvSvgClose(hdc);
    DeleteDC(hdc);
}

// Page 1 onto a fresh DC, drawn or replayed from `log`; false on failure.
bool PageOnce(Backend backend, PageScore& score, const kvrec::Recorder* log)
{
    HDC hdc = FreshDC(backend, score);
    if (!hdc)
        return false;
    bool ok = true;
    if (log) {
        kvtest::ReplayLog(*log, hdc);
    } else {
        CDC dc;
        dc.Attach(hdc);
        ok = kvorel::DrawScorePage(*score.doc, dc, Score().host->ResourceModule(), Prints(backend), score.device, 0);
        dc.Detach();
    }
    CloseDC(backend, hdc);
    return ok;
}

kvrec::Recorder RecordPage(PageScore& score, Backend backend)
{
    CDC dc;
    dc.Attach(KvCreateRecordingDC(score.device.width, score.device.height, score.device.resolution, Prints(backend)));
    kvorel::DrawScorePage(*score.doc, dc, Score().host->ResourceModule(), Prints(backend), score.device, 0);
    kvrec::Recorder log = *KvRecorder(dc.m_hDC);
    DeleteDC(dc.Detach());
    return log;
}

// Mean seconds of `runs` calls of `once`.
template <typename Once>
double MeanSeconds(int runs, Once once)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        once();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void DrawPage(benchmark::State& state, Backend backend)
{
    PageScore& score = OnePage();
    if (!score.ok) {
        state.SkipWithError("the generated page cannot be drawn");
        return;
    }
    for (auto _ : state) {
        if (!PageOnce(backend, score, nullptr)) {
            state.SkipWithError("the page could not be drawn");
            return;
        }
    }
    const kvrec::Recorder log = RecordPage(score, backend);
    constexpr int kRuns = 10;
    const double drawn = MeanSeconds(kRuns, [&] { PageOnce(backend, score, nullptr); });
    const double replayed = MeanSeconds(kRuns, [&] { PageOnce(backend, score, &log); });
    state.counters["vs_replay"] = replayed > 0 ? drawn / replayed : 0;
}

void ReplayPage(benchmark::State& state, Backend backend)
{
    PageScore& score = OnePage();
    if (!score.ok) {
        state.SkipWithError("the generated page cannot be drawn");
        return;
    }
    const kvrec::Recorder log = RecordPage(score, backend);
    for (auto _ : state)
        PageOnce(backend, score, &log);
}

// Every page of a two-staff score of 16 or 160 measures per staff, page
// after page onto a page-kind raster DC. The 160 run's "vs_16" counter is
// its time over the 16 run's.
double DrawWholeScore(PageScore& score)
{
    return MeanSeconds(1, [&] {
        for (short page = 0; page < score.doc->GetPageNum(); ++page) {
            CDC dc;
            dc.Attach(KvCreateRasterDC(score.device.width, score.device.height, score.device.resolution,
                                       KvRasterKind::Page));
            kvorel::DrawScorePage(*score.doc, dc, Score().host->ResourceModule(), false, score.device, page);
            DeleteDC(dc.Detach());
        }
    });
}

void DrawScore(benchmark::State& state)
{
    static PageScore small(16);
    static PageScore large(160);
    PageScore& score = state.range(0) == 16 ? small : large;
    if (!score.ok) {
        state.SkipWithError("the generated score cannot be drawn");
        return;
    }
    for (auto _ : state)
        DrawWholeScore(score);
    if (&score == &large) {
        constexpr int kRuns = 3;
        double smallTime = 0;
        double largeTime = 0;
        for (int i = 0; i < kRuns; ++i) {
            smallTime += DrawWholeScore(small);
            largeTime += DrawWholeScore(large);
        }
        state.counters["vs_16"] = smallTime > 0 ? largeTime / smallTime : 0;
    }
}

const bool s_pageRegistered = [] {
    const std::pair<const char*, Backend> backends[] = {{"png", Backend::Png}, {"pdf", Backend::Pdf}, {"svg", Backend::Svg}};
    for (const auto& [name, backend] : backends) {
        benchmark::RegisterBenchmark((std::string("BM_RenderDrawPage/") + name).c_str(), DrawPage, backend)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_RenderReplayPage/") + name).c_str(), ReplayPage, backend)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_RenderDrawScore", DrawScore)->Arg(16)->Arg(160)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
