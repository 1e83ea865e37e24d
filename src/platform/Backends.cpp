#include "Backends.h"

#include "GdiInternal.h"
#include "ProcessState.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

using namespace kvgdi;

namespace {

constexpr int kDefaultScreenDpi = 96;
int s_screenDpi = kDefaultScreenDpi;
int s_openScreenDCs = 0;

void ResetScreen()
{
    s_screenDpi = kDefaultScreenDpi;
    s_openScreenDCs = 0;
}

KvProcessReset s_reset("screen DCs", &ResetScreen);

bool SizeOk(int width, int height, int dpi)
{
    return width > 0 && height > 0 && width <= 16384 && height <= 16384 && dpi > 0 && dpi <= 4800;
}

HDC WithSurface(Backend backend, int width, int height, int dpi, cairo_surface_t* surface)
{
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    HDC hdc = NewDC(backend, width, height, dpi);
    LookupDC(hdc)->surface = surface;
    return hdc;
}

HDC__* VectorDC(HDC hdc, Backend backend)
{
    HDC__* dc = LookupDC(hdc);
    return dc && dc->backend == backend && !dc->closed ? dc : nullptr;
}

BOOL Close(HDC__* dc)
{
    if (!dc)
        return FALSE;
    FlushFillRun(dc);
    cairo_surface_finish(dc->surface);
    const bool ok = cairo_surface_status(dc->surface) == CAIRO_STATUS_SUCCESS;
    dc->closed = true;
    return ok;
}

} // namespace

void kvgdi::CountScreenDC(int delta)
{
    s_openScreenDCs += delta;
}

HDC KvCreateRecordingDC(int width, int height, int dpi, bool printing)
{
    if (!SizeOk(width, height, dpi))
        return nullptr;
    HDC hdc = NewDC(Backend::Recording, width, height, dpi);
    LookupDC(hdc)->printing = printing;
    return hdc;
}

HDC KvCreateRasterDC(int width, int height, int dpi, KvRasterKind kind)
{
    if (!SizeOk(width, height, dpi))
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    return WithSurface(kind == KvRasterKind::Page ? Backend::Page : Backend::Raster, width, height, dpi, surface);
}

BOOL KvWritePng(HDC hdc, const char* path)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc || !path || !HasPixels(dc) || !TargetSurface(dc))
        return FALSE;
    cairo_surface_t* surface = TargetSurface(dc);
    cairo_surface_flush(surface);
    return cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
}

HDC KvCreatePdfDC(const char* path, int width, int height, int dpi)
{
    if (!path || !SizeOk(width, height, dpi))
        return nullptr;
    const double scale = 72.0 / dpi;
    return WithSurface(Backend::Pdf, width, height, dpi,
                       cairo_pdf_surface_create(path, width * scale, height * scale));
}

BOOL KvPdfNextPage(HDC hdc)
{
    HDC__* dc = VectorDC(hdc, Backend::Pdf);
    if (!dc)
        return FALSE;
    FlushFillRun(dc);
    cairo_t* cr = cairo_create(dc->surface);
    cairo_show_page(cr);
    cairo_destroy(cr);
    LogCall(dc, "NextPage");
    return TRUE;
}

BOOL KvPdfClose(HDC hdc)
{
    return Close(VectorDC(hdc, Backend::Pdf));
}

HDC KvCreateSvgDC(const char* path, int width, int height, int dpi)
{
    if (!path || !SizeOk(width, height, dpi))
        return nullptr;
    const double scale = 72.0 / dpi;
    return WithSurface(Backend::Svg, width, height, dpi,
                       cairo_svg_surface_create(path, width * scale, height * scale));
}

BOOL KvSvgClose(HDC hdc)
{
    return Close(VectorDC(hdc, Backend::Svg));
}

BOOL KvSetRecording(HDC hdc, bool on)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (dc->backend == Backend::Recording)
        return on;
    if (on && !dc->recorder)
        dc->recorder = std::make_unique<kvrec::Recorder>();
    else if (!on)
        dc->recorder.reset();
    return TRUE;
}

kvrec::Recorder* KvRecorder(HDC hdc)
{
    HDC__* dc = LookupDC(hdc);
    return dc ? dc->recorder.get() : nullptr;
}

void KvSetScreenDpi(int dpi)
{
    if (dpi > 0)
        s_screenDpi = dpi;
}

int KvScreenDpi()
{
    return s_screenDpi;
}

int KvOpenScreenDCs()
{
    return s_openScreenDCs;
}
