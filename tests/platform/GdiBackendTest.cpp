#include "support/Drawing.h"
#include "support/KvTest.h"

#include "FillRun.h"
#include "FontEngine.h"

#include <cstring>

namespace {

using kvtest::MakePdfDC;
using kvtest::MakeRasterDC;
using kvtest::MakeRecordingDC;
using kvtest::MakeSvgDC;

class GdiBackendTest : public kvtest::KvTest {};

// Page objects of a PDF file (the page tree is "/Pages").
int PdfPages(const std::string& pdf)
{
    int pages = 0;
    const std::string key = "/Type /Page";
    for (size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1))
        if (at + key.size() < pdf.size() && pdf[at + key.size()] != 's')
            ++pages;
    return pages;
}

// The root element's name of an XML document.
std::string XmlRoot(const std::string& xml)
{
    size_t at = 0;
    if (xml.compare(0, 5, "<?xml") == 0)
        at = xml.find("?>") + 2;
    at = xml.find('<', at);
    if (at == std::string::npos)
        return "";
    const size_t end = xml.find_first_of(" \t\r\n>", at);
    return xml.substr(at + 1, end - at - 1);
}

TEST_F(GdiBackendTest, ScreenDcsAreCountedAndReport96Dpi)
{
    HDC first = GetDC(nullptr);
    HDC second = GetDC(nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second); // a new handle each call
    EXPECT_EQ(GetDeviceCaps(first, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(first, HORZRES), 1920);
    EXPECT_EQ(GetDeviceCaps(first, VERTRES), 1080);
    EXPECT_EQ(GetDeviceCaps(first, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_EQ(GetDeviceCaps(first, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(first, NUMCOLORS), -1);
    EXPECT_EQ(KvOpenScreenDCs(), 2);
    EXPECT_EQ(ReleaseDC(nullptr, first), 1);
    EXPECT_EQ(ReleaseDC(nullptr, second), 1);
    EXPECT_EQ(KvOpenScreenDCs(), 0);
    EXPECT_EQ(ReleaseDC(nullptr, second), 0);

    KvSetScreenDpi(120);
    HDC scaled = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(scaled, LOGPIXELSX), 120);
    ReleaseDC(nullptr, scaled);
}

TEST_F(GdiBackendTest, MainWindowLendsAScreenLikeDc)
{
    CWnd window;
    AfxGetThread()->m_pMainWnd = &window;
    CDC* dc = AfxGetMainWnd()->GetDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_FALSE(dc->IsPrinting());
    EXPECT_EQ(KvOpenScreenDCs(), 1);
    EXPECT_EQ(window.ReleaseDC(dc), 1);
    EXPECT_EQ(KvOpenScreenDCs(), 0);
}

TEST_F(GdiBackendTest, ScreenDropsDrawingUnlessRecordingAndInformationContextsRefuseIt)
{
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(Rectangle(screen, 0, 0, 10, 10));
    EXPECT_EQ(GetPixel(screen, 1, 1), CLR_INVALID);
    EXPECT_EQ(KvRecorder(screen), nullptr);
    ASSERT_TRUE(KvSetRecording(screen, true));
    EXPECT_TRUE(Ellipse(screen, 0, 0, 10, 10));
    ASSERT_NE(KvRecorder(screen), nullptr);
    EXPECT_EQ(KvRecorder(screen)->Shapes().size(), 1u);
    ReleaseDC(nullptr, screen);

    CDC info;
    ASSERT_TRUE(info.CreateIC("DISPLAY", nullptr, nullptr, nullptr));
    EXPECT_EQ(info.GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_FALSE(info.Rectangle(0, 0, 5, 5));
    EXPECT_FALSE(info.LineTo(5, 5));
    EXPECT_FALSE(info.TextOut(0, 0, "a", 1));
    EXPECT_EQ(CreateICA("WINSPOOL", nullptr, nullptr, nullptr), nullptr);
}

TEST_F(GdiBackendTest, RasterDcsWritePng)
{
    auto dc = MakeRasterDC(20, 10);
    EXPECT_EQ(dc->GetPixel(0, 0), RGB(255, 255, 255));
    dc->Rectangle(2, 2, 8, 8);
    const auto path = TempDir() / "out.png";
    ASSERT_TRUE(KvWritePng(dc->m_hDC, path.c_str()));
    EXPECT_EQ(ReadFile(path).substr(1, 3), "PNG");
    auto log = MakeRecordingDC();
    EXPECT_FALSE(KvWritePng(log->m_hDC, path.c_str()));
}

// A memory DC with "A" drawn black on white, for coloured output.
struct GlyphSource {
    CDC memory;
    CBitmap bitmap;
    CBitmap* old = nullptr;
    CFont font;
    CFont* oldFont = nullptr;

    explicit GlyphSource(CDC* reference)
    {
        memory.CreateCompatibleDC(reference);
        bitmap.CreateCompatibleBitmap(reference, 40, 40);
        old = memory.SelectObject(&bitmap);
        memory.FillSolidRect(0, 0, 40, 40, RGB(255, 255, 255));
        LOGFONTA log {};
        log.lfHeight = -20;
        std::strcpy(log.lfFaceName, "KvTest");
        font.CreateFontIndirect(&log);
        oldFont = memory.SelectObject(&font);
        memory.SetBkMode(TRANSPARENT);
        memory.SetTextAlign(TA_BASELINE);
        memory.TextOut(10, 30, "A", 1);
    }
    ~GlyphSource()
    {
        memory.SelectObject(oldFont);
        memory.SelectObject(old);
    }
};

TEST_F(GdiBackendTest, VectorBackendsWritePagesAndLeaveOutScreenOnlyBlits)
{
    kvfont::InstallTestFaces(true);
    const auto pdfPath = TempDir() / "page.pdf";
    const auto svgPath = TempDir() / "page.svg";
    {
        auto pdf = MakePdfDC(pdfPath.string());
        auto svg = MakeSvgDC(svgPath.string());
        for (CDC* dc : {static_cast<CDC*>(pdf.get()), static_cast<CDC*>(svg.get())}) {
            KvSetRecording(dc->m_hDC, true);
            dc->MoveTo(10, 10);
            dc->LineTo(200, 10);
            const POINT triangle[3] = {{20, 20}, {80, 20}, {50, 70}};
            dc->Polygon(triangle, 3);
            LOGFONTA log {};
            log.lfHeight = -20;
            std::strcpy(log.lfFaceName, "KvTest");
            CFont font;
            font.CreateFontIndirect(&log);
            CFont* old = dc->SelectObject(&font);
            dc->TextOut(100, 100, "Page", 4);
            dc->SelectObject(old);

            GlyphSource glyph(dc);
            CBrush red(RGB(255, 0, 0));
            CBrush* oldBrush = dc->SelectObject(&red);
            EXPECT_TRUE(dc->BitBlt(300, 300, 40, 40, &glyph.memory, 0, 0, ROP_DPSOXN));
            EXPECT_TRUE(KvRecorder(dc->m_hDC)->Warnings().empty());
            EXPECT_TRUE(dc->BitBlt(300, 300, 40, 40, &glyph.memory, 0, 0, ROP_DSXN));
            EXPECT_EQ(KvRecorder(dc->m_hDC)->Warnings().size(), 1u);
            dc->SelectObject(oldBrush);
        }
        EXPECT_TRUE(pdf->IsPrinting());
        EXPECT_EQ(pdf->GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
        EXPECT_FALSE(svg->IsPrinting());
        EXPECT_EQ(kvrec::Warnings().size(), 2u);
        EXPECT_TRUE(KvPdfClose(pdf->m_hDC));
        EXPECT_FALSE(pdf->LineTo(5, 5)); // the file is finished
    }
    const std::string pdf = ReadFile(pdfPath);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_EQ(PdfPages(pdf), 1);
    const std::string svg = ReadFile(svgPath);
    EXPECT_EQ(XmlRoot(svg), "svg") << svg.substr(0, 200);
    EXPECT_NE(svg.rfind("</svg>"), std::string::npos);
}

TEST_F(GdiBackendTest, PdfPagesAreCounted)
{
    const auto path = TempDir() / "two.pdf";
    {
        auto pdf = MakePdfDC(path.string(), 300, 200, 72);
        pdf->Rectangle(10, 10, 50, 50);
        EXPECT_TRUE(KvPdfNextPage(pdf->m_hDC));
        pdf->Ellipse(10, 10, 50, 50);
    } // deleting the DC finishes the file
    const std::string pdf = ReadFile(path);
    EXPECT_EQ(PdfPages(pdf), 2);
}

TEST_F(GdiBackendTest, PageRasterReplaysColouredGlyphsInTheBrushColour)
{
    kvfont::InstallTestFaces(true);
    auto page = MakeRasterDC(100, 100, KvRasterKind::Page);
    GlyphSource glyph(page.get());
    CBrush red(RGB(255, 0, 0));
    CBrush* old = page->SelectObject(&red);
    ASSERT_TRUE(page->BitBlt(50, 50, 40, 40, &glyph.memory, 0, 0, ROP_DPSOXN));
    // "A" of KvTest at -20 inks [10, 20) x [14, 30) in the memory DC.
    EXPECT_EQ(page->GetPixel(65, 72), RGB(255, 0, 0));
    EXPECT_EQ(page->GetPixel(55, 72), RGB(255, 255, 255));
    EXPECT_EQ(page->GetPixel(65, 85), RGB(255, 255, 255));
    page->SelectObject(old);
}

// Fills that join a run print as one shape: where two bars overlap the
// soft edge is no darker than elsewhere, a bar wound the other way round
// does not cancel the other, and a fill in another colour comes after the
// run in the order drawn.
TEST_F(GdiBackendTest, AFillRunPrintsOverlappingFillsAsOneShapeInDrawingOrder)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 60, 12);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    kvgdi::FillRun run;
    kvgdi::AttachFillRun(cr, &run);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 5, 4.5, 30, 3); // rows 4 and 7 half covered
    kvgdi::FillInk(cr);
    cairo_move_to(cr, 25, 4.5);
    cairo_line_to(cr, 25, 7.5);
    cairo_line_to(cr, 55, 7.5);
    cairo_line_to(cr, 55, 4.5);
    cairo_close_path(cr);
    kvgdi::FillInk(cr);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 45, 0, 5, 12);
    kvgdi::FillInk(cr);
    run.Flush(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    auto pixel = [&](int x, int y) {
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0x00FFFFFF;
    };
    for (int y : {4, 5, 7})
        for (int x = 6; x < 44; ++x)
            EXPECT_EQ(pixel(x, y), pixel(6, y)) << x << ", " << y;
    EXPECT_EQ(pixel(30, 5), 0u);
    EXPECT_EQ(pixel(47, 5), 0x00FF0000u);
    cairo_surface_destroy(surface);
}

} // namespace
