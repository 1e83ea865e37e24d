// Drawing pages of a score into picture files: the options of `kvorel
// render`, the device each output kind needs, one drawing pass per page, and
// no half-written file left behind.

#include "RenderCommand.h"

#include "MulDiv.h"
#include "render/ScoreView.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kvorel {

namespace {

enum class OutputKind { Png, Pdf, Svg };

struct RenderOptions {
    std::string input;
    std::string output;
    OutputKind kind = OutputKind::Png;
    long page = 1;
    bool pageGiven = false;
    bool all = false;
    long dpi = 96;
    bool dpiGiven = false;
    long zoom = 100;
};

bool KindOf(const std::string& path, OutputKind& kind)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string ending = path.substr(dot + 1);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ending == "png")
        kind = OutputKind::Png;
    else if (ending == "pdf")
        kind = OutputKind::Pdf;
    else if (ending == "svg")
        kind = OutputKind::Svg;
    else
        return false;
    return true;
}

bool ParseRenderOptions(int argc, char** argv, int first, RenderOptions& options)
{
    if (first >= argc)
        return false;
    options.input = argv[first];
    bool haveOutput = false;
    for (int i = first + 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--all") {
            options.all = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (option == "-o") {
            options.output = value;
            haveOutput = !options.output.empty();
        } else if (option == "--page") {
            if (!ParseNumber(value, 1, INT_MAX, options.page))
                return false;
            options.pageGiven = true;
        } else if (option == "--dpi") {
            if (!ParseNumber(value, 24, 1200, options.dpi))
                return false;
            options.dpiGiven = true;
        } else if (option == "--zoom") {
            if (!ParseNumber(value, 10, 800, options.zoom))
                return false;
        } else {
            return false;
        }
    }
    if (!haveOutput || !KindOf(options.output, options.kind))
        return false;
    // A resolution means nothing to the vector outputs.
    return !(options.all && options.pageGiven) && !(options.dpiGiven && options.kind != OutputKind::Png);
}

// OUT with "-N" before its ending: example.png -> example-2.png.
std::string NumberedPath(const std::string& output, int number)
{
    const size_t dot = output.rfind('.');
    return output.substr(0, dot) + "-" + std::to_string(number) + output.substr(dot);
}

// The files one run writes; unless kept, they are removed again.
class OutputFiles {
public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles()
    {
        if (!m_kept)
            for (const std::string& path : m_paths)
                std::remove(path.c_str());
    }
    void Add(const std::string& path) { m_paths.push_back(path); }
    void Keep() { m_kept = true; }

private:
    std::vector<std::string> m_paths;
    bool m_kept = false;
};

// A DC that the run owns.
struct OwnedDC {
    HDC handle = nullptr;
    explicit OwnedDC(HDC hdc) : handle(hdc) {}
    ~OwnedDC()
    {
        if (handle)
            DeleteDC(handle);
    }
    OwnedDC(const OwnedDC&) = delete;
    OwnedDC& operator=(const OwnedDC&) = delete;
};

class PageRenderer {
public:
    PageRenderer(Host& host, CDC& target, CKVDoc& doc, const RenderOptions& options, const PageDevice& device)
        : m_host(host), m_target(target), m_doc(doc), m_options(options), m_device(device)
    {
    }

    // Draws the pages; 0, or 1 after saying what failed.
    int Run(const std::vector<int>& pages);

private:
    bool DrawPage(HDC hdc, int index);
    int CannotWrite(const std::string& path);

    Host& m_host;
    // The wrapper each page's DC is attached to while the view draws on it.
    CDC& m_target;
    CKVDoc& m_doc;
    const RenderOptions& m_options;
    const PageDevice& m_device;
    std::optional<TextBlitSurface> m_textSurface;
    OutputFiles m_files;
};

int PageRenderer::CannotWrite(const std::string& path)
{
    std::fprintf(stderr, "kvorel: %s cannot be written\n", path.c_str());
    return 1;
}

bool PageRenderer::DrawPage(HDC hdc, int index)
{
    // Made only once a page's device exists: its bitmap may be large.
    if (!m_textSurface)
        m_textSurface.emplace(m_doc, m_device);
    m_target.Attach(hdc);
    // PNG pages are screen passes; PDF and SVG pages print.
    const bool printing = m_options.kind != OutputKind::Png;
    const bool open = DrawScorePage(m_doc, m_target, m_host.ResourceModule(), printing, m_device, index);
    m_target.Detach();
    if (!open)
        std::fprintf(stderr, "kvorel: page %d of %s cannot be drawn\n", index + 1, m_options.input.c_str());
    return open;
}

int PageRenderer::Run(const std::vector<int>& pages)
{
    const int w = m_device.width;
    const int h = m_device.height;
    const int dpi = m_device.resolution;
    const std::string& out = m_options.output;
    const bool numbered = m_options.all && m_options.kind != OutputKind::Pdf;

    OwnedDC pdf(nullptr);
    if (m_options.kind == OutputKind::Pdf) {
        m_files.Add(out);
        pdf.handle = KvCreatePdfDC(out.c_str(), w, h, dpi);
        if (!pdf.handle)
            return CannotWrite(out);
    }
    for (int index : pages) {
        const std::string path = numbered ? NumberedPath(out, index + 1) : out;
        if (m_options.kind == OutputKind::Pdf) {
            if (!DrawPage(pdf.handle, index))
                return 1;
            if (!KvPdfNextPage(pdf.handle))
                return CannotWrite(out);
            continue;
        }
        m_files.Add(path);
        const bool png = m_options.kind == OutputKind::Png;
        OwnedDC page(png ? KvCreateRasterDC(w, h, dpi, KvRasterKind::Page) : KvCreateSvgDC(path.c_str(), w, h, dpi));
        if (!page.handle)
            return CannotWrite(path);
        if (!DrawPage(page.handle, index))
            return 1;
        if (!(png ? KvWritePng(page.handle, path.c_str()) : KvSvgClose(page.handle)))
            return CannotWrite(path);
    }
    if (pdf.handle && !KvPdfClose(pdf.handle))
        return CannotWrite(out);
    m_files.Keep();
    return 0;
}

} // namespace

bool MakePageDevice(CKVDoc& doc, bool raster, int dpi, int zoom, PageDevice& device)
{
    const CKVFileInfo& info = *doc.m_pFileInfo;
    const long long width = static_cast<long long>(info.m_nLeftMargin) + info.m_lPrintWidth + info.m_nRightMargin;
    const long long height = static_cast<long long>(info.m_nTopMargin) + info.m_lPrintHeight + info.m_nBottomMargin;
    const DWORD resolution = doc.m_CtrlTool.m_dwResolutionY;
    // The platform's devices take at most 4,800 dpi.
    if (resolution < 1 || resolution > 4800 || width < 1 || height < 1 || width > INT_MAX / 8 || height > INT_MAX / 8)
        return false;
    device.resolution = static_cast<int>(resolution);
    device.page = CRect(0, 0, static_cast<int>(width), static_cast<int>(height));
    int numerator = zoom;
    int denominator = 100;
    device.viewport = MulDiv(device.resolution, zoom, 100);
    if (raster) {
        numerator = dpi * zoom;
        denominator = device.resolution * 100;
        device.viewport = MulDiv(dpi, zoom, 100);
    }
    device.width = MulDiv(device.page.Width(), numerator, denominator);
    device.height = MulDiv(device.page.Height(), numerator, denominator);
    // Both extents reach the view as 16-bit values.
    return device.width > 0 && device.height > 0 && device.viewport > 0 && device.viewport <= SHRT_MAX;
}

bool DrawScorePage(CKVDoc& doc, CDC& dc, HMODULE resources, bool printing, const PageDevice& device, int index)
{
    CKVPage* page = doc.GetPage(static_cast<short>(index));
    CScoreView& view = doc.m_ScoreView;
    view.SetResDll(resources);
    if (!page || view.KVOpen(&dc, &doc, printing ? 1 : 0, 0) != 1)
        return false;
    const auto r = static_cast<short>(device.resolution);
    const auto v = static_cast<short>(device.viewport);
    view.KVSetExpandTimes(r, r, v, v);
    view.KVSetOrgXY(0, 0);
    view.KVDrawPage(*page, device.page, index);
    view.KVClose();
    return true;
}

TextBlitSurface::TextBlitSurface(CKVDoc& doc, const PageDevice& device)
{
    // Eight times the zoomed symbol size: twice the largest glyph each way,
    // and never over the platform's bitmap limit.
    const int symbol = std::max<int>(doc.m_nFontHeight, MulDiv(doc.m_nScoreFontSize, device.resolution, 72));
    const int zoomed = MulDiv(std::max(symbol, 8), device.viewport, device.resolution);
    const int side = std::clamp(8 * zoomed, 512, 8192);
    // Compatible with the screen, with the bitmap made on the screen DC:
    // one made on the memory DC would be monochrome.
    HDC screen = GetDC(nullptr);
    CDC* screenDC = CDC::FromHandle(screen);
    if (memTextDC.CreateCompatibleDC(screenDC) && bmpText.CreateCompatibleBitmap(screenDC, side, side))
        m_previous = memTextDC.SelectObject(&bmpText);
    ReleaseDC(nullptr, screen);
}

TextBlitSurface::~TextBlitSurface()
{
    if (m_previous)
        memTextDC.SelectObject(m_previous);
    bmpText.DeleteObject();
    memTextDC.DeleteDC();
}

int RunRender(Host& host, int argc, char** argv, int first)
{
    RenderOptions options;
    if (!ParseRenderOptions(argc, argv, first, options))
        return 2;

    // The view keeps the last DC wrapper it was bound to, so the wrapper
    // outlives the document.
    CDC target;
    CKVDoc doc;
    WORD version = 0;
    bool hostBlock = false;
    if (const int status = LoadScore(host, options.input, doc, version, hostBlock))
        return status;

    const int pageCount = doc.GetPageNum();
    std::vector<int> pages;
    if (options.all) {
        for (int i = 0; i < pageCount; ++i)
            pages.push_back(i);
    } else if (options.page <= pageCount) {
        pages.push_back(static_cast<int>(options.page) - 1);
    }
    if (pages.empty()) {
        std::fprintf(stderr, "kvorel: %s has no page %ld\n", options.input.c_str(), options.all ? 1 : options.page);
        return 1;
    }

    PageDevice device;
    const bool raster = options.kind == OutputKind::Png;
    if (!MakePageDevice(doc, raster, static_cast<int>(options.dpi), static_cast<int>(options.zoom), device)) {
        std::fprintf(stderr, "kvorel: %s cannot be written\n", options.output.c_str());
        return 1;
    }
    PageRenderer renderer(host, target, doc, options, device);
    return renderer.Run(pages);
}

} // namespace kvorel
