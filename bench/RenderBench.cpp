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

} // namespace
