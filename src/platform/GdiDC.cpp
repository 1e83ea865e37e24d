// Device contexts: their registry, making and deleting them, state,
// mapping, device caps and SaveDC/RestoreDC.

#include "Backends.h"
#include "GdiInternal.h"
#include "MulDiv.h"
#include "Wnd.h"

#include <algorithm>
#include <cctype>
#include <strings.h>
#include <cmath>
#include <cstring>
#include <unordered_map>

void ForgetTemporaryDC(HDC hdc);

namespace kvgdi {

namespace {

std::unordered_map<HDC, std::unique_ptr<HDC__>>& DCs()
{
    static std::unordered_map<HDC, std::unique_ptr<HDC__>> dcs;
    return dcs;
}

void Deselect(HGDIOBJ handle)
{
    if (GdiObject* object = Lookup(handle))
        --object->selections;
}

} // namespace

HDC RegisterDC(std::unique_ptr<HDC__> dc)
{
    HDC handle = reinterpret_cast<HDC>(NewHandleValue());
    dc->handle = handle;
    DCs()[handle] = std::move(dc);
    return handle;
}

HDC__* LookupDC(HDC handle)
{
    if (!handle)
        return nullptr;
    auto& dcs = DCs();
    const auto it = dcs.find(handle);
    return it == dcs.end() ? nullptr : it->second.get();
}

void SelectDefaults(HDC__* dc)
{
    auto select = [](HGDIOBJ& slot, HGDIOBJ object) {
        slot = object;
        if (GdiObject* o = Lookup(object))
            ++o->selections;
    };
    select(dc->state.pen, GetStockObject(BLACK_PEN));
    select(dc->state.brush, GetStockObject(WHITE_BRUSH));
    select(dc->state.font, GetStockObject(SYSTEM_FONT));
    select(dc->state.palette, GetStockObject(DEFAULT_PALETTE));
}

HDC NewDC(Backend backend, int width, int height, int dpi)
{
    auto dc = std::make_unique<HDC__>();
    dc->backend = backend;
    dc->width = width;
    dc->height = height;
    dc->dpi = dpi;
    dc->printing = backend == Backend::Pdf;
    if (backend == Backend::Recording)
        dc->recorder = std::make_unique<kvrec::Recorder>();
    HDC__* raw = dc.get();
    HDC handle = RegisterDC(std::move(dc));
    SelectDefaults(raw);
    if (backend == Backend::Memory) {
        // A memory DC starts with a 1 x 1 monochrome bitmap of its own.
        HGDIOBJ bitmap = NewBitmap(1, 1, true);
        BitmapObject* object = LookupBitmap(bitmap);
        object->stock = true;
        object->selectedInto = handle;
        object->selections = 1;
        raw->defaultBitmap = bitmap;
        raw->state.bitmap = bitmap;
    }
    return handle;
}

POINT ToDevice(const HDC__* dc, POINT p)
{
    const DcState& s = dc->state;
    if (s.mapMode == MM_TEXT)
        return POINT {p.x - s.windowOrg.x + s.viewportOrg.x, p.y - s.windowOrg.y + s.viewportOrg.y};
    return POINT {MulDiv(p.x - s.windowOrg.x, s.viewportExt.cx, s.windowExt.cx) + s.viewportOrg.x,
                  MulDiv(p.y - s.windowOrg.y, s.viewportExt.cy, s.windowExt.cy) + s.viewportOrg.y};
}

POINT ToLogical(const HDC__* dc, POINT p)
{
    const DcState& s = dc->state;
    if (s.mapMode == MM_TEXT)
        return POINT {p.x - s.viewportOrg.x + s.windowOrg.x, p.y - s.viewportOrg.y + s.windowOrg.y};
    return POINT {MulDiv(p.x - s.viewportOrg.x, s.windowExt.cx, s.viewportExt.cx) + s.windowOrg.x,
                  MulDiv(p.y - s.viewportOrg.y, s.windowExt.cy, s.viewportExt.cy) + s.windowOrg.y};
}

double ScaleX(const HDC__* dc)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? 1.0 : std::fabs(double(s.viewportExt.cx) / s.windowExt.cx);
}

double ScaleY(const HDC__* dc)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? 1.0 : std::fabs(double(s.viewportExt.cy) / s.windowExt.cy);
}

LONG LengthToDeviceX(const HDC__* dc, LONG length)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? length : MulDiv(length, std::abs(s.viewportExt.cx), std::abs(s.windowExt.cx));
}

LONG LengthToDeviceY(const HDC__* dc, LONG length)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? length : MulDiv(length, std::abs(s.viewportExt.cy), std::abs(s.windowExt.cy));
}

LONG LengthToLogicalX(const HDC__* dc, LONG length)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? length : MulDiv(length, std::abs(s.windowExt.cx), std::abs(s.viewportExt.cx));
}

LONG LengthToLogicalY(const HDC__* dc, LONG length)
{
    const DcState& s = dc->state;
    return s.mapMode == MM_TEXT ? length : MulDiv(length, std::abs(s.windowExt.cy), std::abs(s.viewportExt.cy));
}

BitmapObject* SelectedBitmap(const HDC__* dc)
{
    return dc->backend == Backend::Memory ? LookupBitmap(dc->state.bitmap) : nullptr;
}

cairo_surface_t* TargetSurface(const HDC__* dc)
{
    if (dc->closed)
        return nullptr;
    if (dc->backend == Backend::Memory) {
        BitmapObject* bitmap = SelectedBitmap(dc);
        return bitmap ? bitmap->surface : nullptr;
    }
    return dc->surface;
}

bool HasPixels(const HDC__* dc)
{
    return dc->backend == Backend::Raster || dc->backend == Backend::Page || dc->backend == Backend::Memory;
}

bool IsAliased(const HDC__* dc)
{
    return dc->backend == Backend::Raster || dc->backend == Backend::Memory;
}

bool IsMonochrome(const HDC__* dc)
{
    const BitmapObject* bitmap = SelectedBitmap(dc);
    return bitmap && bitmap->monochrome;
}

bool UsesVectorRules(const HDC__* dc)
{
    return !IsAliased(dc);
}

cairo_t* NewContext(HDC__* dc, bool joinRun)
{
    cairo_surface_t* surface = TargetSurface(dc);
    if (!surface)
        return nullptr;
    cairo_t* cr = cairo_create(surface);
    if (dc->backend == Backend::Pdf || dc->backend == Backend::Svg) {
        if (joinRun)
            AttachFillRun(cr, &dc->fillRun);
        else
            dc->fillRun.Flush(cr);
        // Vector surfaces measure in points; the DC draws in device pixels.
        const double scale = 72.0 / dc->dpi;
        cairo_scale(cr, scale, scale);
    }
    if (IsAliased(dc)) {
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
        cairo_set_font_options(cr, options);
        cairo_font_options_destroy(options);
    }
    return cr;
}

void FlushFillRun(HDC__* dc)
{
    if (dc->fillRun.Empty() || !TargetSurface(dc))
        return;
    cairo_t* cr = cairo_create(TargetSurface(dc));
    dc->fillRun.Flush(cr);
    cairo_destroy(cr);
}

void SetSource(cairo_t* cr, COLORREF colour)
{
    cairo_set_source_rgb(cr, GetRValue(colour) / 255.0, GetGValue(colour) / 255.0, GetBValue(colour) / 255.0);
}

} // namespace kvgdi

using namespace kvgdi;

namespace {

// Screen-like DCs: no pixels, the screen's size unless a window gives its own.
HDC NewScreenDC(Backend backend, HWND hwnd)
{
    int width = kScreenWidth;
    int height = kScreenHeight;
    if (CWnd* window = CWnd::FromHandle(hwnd)) {
        RECT client;
        window->GetClientRect(&client);
        if (client.right > 0 && client.bottom > 0) {
            width = client.right;
            height = client.bottom;
        }
    }
    return NewDC(backend, width, height, KvScreenDpi());
}

void ReleaseState(HDC__* dc)
{
    Deselect(dc->state.pen);
    Deselect(dc->state.brush);
    Deselect(dc->state.font);
    Deselect(dc->state.palette);
    if (BitmapObject* bitmap = LookupBitmap(dc->state.bitmap)) {
        --bitmap->selections;
        if (bitmap->selectedInto == dc->handle)
            bitmap->selectedInto = nullptr;
    }
}

} // namespace

HDC GetDC(HWND hwnd)
{
    if (hwnd && !CWnd::FromHandle(hwnd))
        return nullptr;
    HDC hdc = NewScreenDC(Backend::Screen, hwnd);
    LookupDC(hdc)->screenCounted = true;
    CountScreenDC(+1);
    return hdc;
}

int ReleaseDC(HWND, HDC hdc)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc || !dc->screenCounted)
        return 0;
    DeleteDC(hdc);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc)
{
    int width = kScreenWidth;
    int height = kScreenHeight;
    int dpi = KvScreenDpi();
    if (hdc) {
        const HDC__* reference = LookupDC(hdc);
        if (!reference)
            return nullptr;
        width = reference->width;
        height = reference->height;
        dpi = reference->dpi;
    }
    return NewDC(Backend::Memory, width, height, dpi);
}

HDC CreateICA(LPCSTR driver, LPCSTR, LPCSTR, const void*)
{
    // Only the display has an information context.
    if (!driver || strcasecmp(driver, "DISPLAY") != 0)
        return nullptr;
    return NewScreenDC(Backend::Info, nullptr);
}

BOOL DeleteDC(HDC hdc)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    ReleaseState(dc);
    if (dc->defaultBitmap)
        Destroy(dc->defaultBitmap);
    if (dc->surface) {
        FlushFillRun(dc);
        cairo_surface_finish(dc->surface);
        cairo_surface_destroy(dc->surface);
        dc->surface = nullptr;
    }
    if (dc->screenCounted)
        CountScreenDC(-1);
    ForgetTemporaryDC(hdc);
    DCs().erase(hdc);
    return TRUE;
}

int SaveDC(HDC hdc)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->state);
    LogCall(dc, "SaveDC");
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedDC)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    const int depth = static_cast<int>(dc->saved.size());
    const int level = savedDC < 0 ? depth + 1 + savedDC : savedDC;
    if (level < 1 || level > depth)
        return FALSE;
    DcState restored = dc->saved[static_cast<size_t>(level - 1)];
    dc->saved.resize(static_cast<size_t>(level - 1));
    // Objects deleted since the save keep the current selection; a bitmap
    // now held by another DC does too.
    auto swap = [](HGDIOBJ& current, HGDIOBJ wanted) {
        if (wanted == current || !Lookup(wanted))
            return;
        Deselect(current);
        ++Lookup(wanted)->selections;
        current = wanted;
    };
    DcState& state = dc->state;
    HGDIOBJ pen = state.pen, brush = state.brush, font = state.font, palette = state.palette;
    HGDIOBJ bitmap = state.bitmap;
    swap(pen, restored.pen);
    swap(brush, restored.brush);
    swap(font, restored.font);
    swap(palette, restored.palette);
    if (restored.bitmap != bitmap) {
        BitmapObject* wanted = LookupBitmap(restored.bitmap);
        if (wanted && (!wanted->selectedInto || wanted->selectedInto == hdc)) {
            if (BitmapObject* old = LookupBitmap(bitmap)) {
                --old->selections;
                old->selectedInto = nullptr;
            }
            ++wanted->selections;
            wanted->selectedInto = hdc;
            bitmap = restored.bitmap;
        }
    }
    state = restored;
    state.pen = pen;
    state.brush = brush;
    state.font = font;
    state.palette = palette;
    state.bitmap = bitmap;
    if (kvrec::Entry* entry = LogCall(dc, "RestoreDC"))
        entry->values.push_back(savedDC);
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc)
        return 0;
    switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return dc->printing ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE: return static_cast<int>(std::lround(dc->width * 25.4 / dc->dpi));
    case VERTSIZE: return static_cast<int>(std::lround(dc->height * 25.4 / dc->dpi));
    case HORZRES:
    case PHYSICALWIDTH: return dc->width;
    case VERTRES:
    case PHYSICALHEIGHT: return dc->height;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return dc->dpi;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY: return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    default: return 0;
    }
}

int GetClipBox(HDC hdc, LPRECT rect)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !rect)
        return 0;
    int width = dc->width;
    int height = dc->height;
    if (const BitmapObject* bitmap = SelectedBitmap(dc)) {
        width = bitmap->width;
        height = bitmap->height;
    }
    const POINT a = ToLogical(dc, POINT {0, 0});
    const POINT b = ToLogical(dc, POINT {width, height});
    *rect = RECT {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return rect->left == rect->right || rect->top == rect->bottom ? NULLREGION : SIMPLEREGION;
}

// ---- Mapping ----

int SetMapMode(HDC hdc, int mode)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc || (mode != MM_TEXT && mode != MM_ANISOTROPIC))
        return 0;
    const int previous = dc->state.mapMode;
    dc->state.mapMode = mode;
    if (mode == MM_TEXT) {
        dc->state.windowExt = SIZE {1, 1};
        dc->state.viewportExt = SIZE {1, 1};
    }
    if (kvrec::Entry* entry = LogCall(dc, "SetMapMode"))
        entry->values.push_back(mode);
    return previous;
}

int GetMapMode(HDC hdc)
{
    const HDC__* dc = LookupDC(hdc);
    return dc ? dc->state.mapMode : 0;
}

namespace {

BOOL SetOrigin(HDC hdc, POINT DcState::*member, const char* call, int x, int y, LPPOINT previous)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.*member;
    dc->state.*member = POINT {x, y};
    if (kvrec::Entry* entry = LogCall(dc, call))
        entry->values = {x, y};
    return TRUE;
}

BOOL SetExtent(HDC hdc, SIZE DcState::*member, const char* call, int x, int y, LPSIZE previous)
{
    HDC__* dc = LookupDC(hdc);
    // A zero extent would divide by zero in every later mapping.
    if (!dc || x == 0 || y == 0)
        return FALSE;
    if (previous)
        *previous = dc->state.*member;
    // Extents are fixed at 1:1 in MM_TEXT.
    if (dc->state.mapMode == MM_TEXT)
        return TRUE;
    dc->state.*member = SIZE {x, y};
    if (kvrec::Entry* entry = LogCall(dc, call))
        entry->values = {x, y};
    return TRUE;
}

} // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return SetOrigin(hdc, &DcState::windowOrg, "SetWindowOrgEx", x, y, previous);
}

BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.windowOrg;
    return TRUE;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE previous)
{
    return SetExtent(hdc, &DcState::windowExt, "SetWindowExtEx", x, y, previous);
}

BOOL GetWindowExtEx(HDC hdc, LPSIZE extent)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !extent)
        return FALSE;
    *extent = dc->state.windowExt;
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return SetOrigin(hdc, &DcState::viewportOrg, "SetViewportOrgEx", x, y, previous);
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !origin)
        return FALSE;
    *origin = dc->state.viewportOrg;
    return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE previous)
{
    return SetExtent(hdc, &DcState::viewportExt, "SetViewportExtEx", x, y, previous);
}

BOOL GetViewportExtEx(HDC hdc, LPSIZE extent)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !extent)
        return FALSE;
    *extent = dc->state.viewportExt;
    return TRUE;
}

BOOL LPtoDP(HDC hdc, LPPOINT points, int count)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || count < 0 || (count > 0 && !points))
        return FALSE;
    for (int i = 0; i < count; ++i)
        points[i] = ToDevice(dc, points[i]);
    return TRUE;
}

BOOL DPtoLP(HDC hdc, LPPOINT points, int count)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || count < 0 || (count > 0 && !points))
        return FALSE;
    for (int i = 0; i < count; ++i)
        points[i] = ToLogical(dc, points[i]);
    return TRUE;
}

// ---- Colours and modes ----

namespace {

template <class T>
T SetValue(HDC hdc, T DcState::*member, T value, const char* call, T failure)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return failure;
    const T previous = dc->state.*member;
    dc->state.*member = value;
    if (kvrec::Entry* entry = LogCall(dc, call))
        entry->values.push_back(static_cast<LONG>(value));
    return previous;
}

template <class T>
T GetValue(HDC hdc, T DcState::*member, T failure)
{
    const HDC__* dc = LookupDC(hdc);
    return dc ? dc->state.*member : failure;
}

} // namespace

COLORREF SetTextColor(HDC hdc, COLORREF colour)
{
    return SetValue(hdc, &DcState::textColour, colour, "SetTextColor", CLR_INVALID);
}

COLORREF GetTextColor(HDC hdc)
{
    return GetValue(hdc, &DcState::textColour, CLR_INVALID);
}

COLORREF SetBkColor(HDC hdc, COLORREF colour)
{
    return SetValue(hdc, &DcState::bkColour, colour, "SetBkColor", CLR_INVALID);
}

COLORREF GetBkColor(HDC hdc)
{
    return GetValue(hdc, &DcState::bkColour, CLR_INVALID);
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return SetValue(hdc, &DcState::bkMode, mode, "SetBkMode", 0);
}

int GetBkMode(HDC hdc)
{
    return GetValue(hdc, &DcState::bkMode, 0);
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    return SetValue(hdc, &DcState::align, align & TA_MASK, "SetTextAlign", GDI_ERROR);
}

UINT GetTextAlign(HDC hdc)
{
    return GetValue(hdc, &DcState::align, GDI_ERROR);
}

int SetROP2(HDC hdc, int rop2)
{
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
        return 0;
    return SetValue(hdc, &DcState::rop2, rop2, "SetROP2", 0);
}

int GetROP2(HDC hdc)
{
    return GetValue(hdc, &DcState::rop2, 0);
}

int SetPolyFillMode(HDC hdc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return SetValue(hdc, &DcState::polyFillMode, mode, "SetPolyFillMode", 0);
}

int GetPolyFillMode(HDC hdc)
{
    return GetValue(hdc, &DcState::polyFillMode, 0);
}

int SetStretchBltMode(HDC hdc, int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return SetValue(hdc, &DcState::stretchMode, mode, "SetStretchBltMode", 0);
}

int GetStretchBltMode(HDC hdc)
{
    return GetValue(hdc, &DcState::stretchMode, 0);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->state.position;
    dc->state.position = POINT {x, y};
    if (dc->inPath) {
        const POINT d = ToDevice(dc, dc->state.position);
        kvrec::PathOp op;
        op.kind = kvrec::PathOp::Move;
        op.x[0] = d.x;
        op.y[0] = d.y;
        dc->path.push_back(op);
    }
    if (kvrec::Entry* entry = LogCall(dc, "MoveToEx"))
        LogPoints(entry, dc, &dc->state.position, 1);
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position)
{
    const HDC__* dc = LookupDC(hdc);
    if (!dc || !position)
        return FALSE;
    *position = dc->state.position;
    return TRUE;
}
