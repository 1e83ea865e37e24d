#pragma once
// The drawing layer's own model: the state behind every HDC, the GDI
// objects, and the registry of live handles. Handles are small numbers that
// are never reused; every call looks its handles up here, so a stale or
// forged handle fails instead of touching freed memory.

#include "Gdi.h"
#include "Recorder.h"
#include "FontEngine.h"
#include "FillRun.h"

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

namespace kvgdi {

enum class ObjectKind { Pen, Brush, Font, Bitmap, Palette };

struct GdiObject {
    explicit GdiObject(ObjectKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    ObjectKind kind;
    bool stock = false;
    int selections = 0; // DCs that hold it selected
    HGDIOBJ handle = nullptr;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(ObjectKind::Pen) {}
    UINT style = PS_SOLID;      // all bits: type, style, cap and join
    LONG width = 0;             // logical units
    COLORREF colour = 0;
    bool extended = false;      // made by ExtCreatePen
    std::vector<DWORD> dashes;  // PS_USERSTYLE, logical units
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(ObjectKind::Brush) {}
    ~BrushObject() override;
    UINT style = BS_SOLID;
    COLORREF colour = 0;
    cairo_surface_t* pattern = nullptr; // BS_PATTERN: a copy of the bitmap
    int stockIndex = -1;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(ObjectKind::Font) {}
    LOGFONTA logFont {};
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(ObjectKind::Bitmap) {}
    ~BitmapObject() override;
    int width = 0;
    int height = 0;
    bool monochrome = false;
    cairo_surface_t* surface = nullptr; // ARGB32, opaque
    HDC selectedInto = nullptr;
    // What was drawn since the last full erase, for replay onto vector
    // targets; `rasterContent` when pixels came from elsewhere (a DIB, a blit).
    std::vector<kvrec::DisplayItem> displayList;
    bool rasterContent = false;
};

struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(ObjectKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// Handle values of objects and DCs come from one counter and are never
// reused.
uintptr_t NewHandleValue();

// The registry. Register takes ownership and returns the new handle.
HGDIOBJ Register(std::unique_ptr<GdiObject> object);
GdiObject* Lookup(HGDIOBJ handle);
template <class T>
T* LookupAs(HGDIOBJ handle, ObjectKind kind)
{
    GdiObject* object = Lookup(handle);
    return object && object->kind == kind ? static_cast<T*>(object) : nullptr;
}
inline PenObject* LookupPen(HGDIOBJ h) { return LookupAs<PenObject>(h, ObjectKind::Pen); }
inline BrushObject* LookupBrush(HGDIOBJ h) { return LookupAs<BrushObject>(h, ObjectKind::Brush); }
inline FontObject* LookupFont(HGDIOBJ h) { return LookupAs<FontObject>(h, ObjectKind::Font); }
inline BitmapObject* LookupBitmap(HGDIOBJ h) { return LookupAs<BitmapObject>(h, ObjectKind::Bitmap); }
inline PaletteObject* LookupPalette(HGDIOBJ h) { return LookupAs<PaletteObject>(h, ObjectKind::Palette); }
// Destroys an object regardless of selections (a DC's own default bitmap).
void Destroy(HGDIOBJ handle);
// Called when an object goes away, so that temporary wrappers of it go too.
void ForgetTemporaryWrapper(HGDIOBJ handle);

// A new bitmap: NULL for a side <= 0 or > 16384, or more than 256 MiB.
HBITMAP NewBitmap(int width, int height, bool monochrome);

enum class Backend {
    Recording,   // no pixels; everything goes to the log
    Screen,      // GetDC: no pixels; drawing is dropped unless recorded
    Info,        // CreateICA: no pixels; drawing returns FALSE
    Raster,      // aliased image, like the screen
    Page,        // antialiased image for people
    Memory,      // aliased, on the selected bitmap
    Pdf,
    Svg,
};

// What SaveDC keeps.
struct DcState {
    int mapMode = MM_TEXT;
    POINT windowOrg {0, 0};
    SIZE windowExt {1, 1};
    POINT viewportOrg {0, 0};
    SIZE viewportExt {1, 1};
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT align = TA_LEFT | TA_TOP;
    int rop2 = R2_COPYPEN;
    int polyFillMode = ALTERNATE;
    int stretchMode = BLACKONWHITE;
    POINT position {0, 0};
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ palette = nullptr;
};

} // namespace kvgdi

struct HDC__ {
    HDC handle = nullptr;
    kvgdi::Backend backend = kvgdi::Backend::Recording;
    int width = 0;
    int height = 0;
    int dpi = 96;
    bool printing = false;
    kvgdi::DcState state;
    std::vector<kvgdi::DcState> saved;
    // Raster, Page, Pdf and Svg own their surface; a memory DC draws on its
    // selected bitmap's.
    cairo_surface_t* surface = nullptr;
    bool closed = false; // Pdf and Svg after their file was finished
    // Pdf and Svg: the glyph fills not yet painted (see FillRun.h).
    kvgdi::FillRun fillRun;
    std::unique_ptr<kvrec::Recorder> recorder;
    // The path between BeginPath and EndPath, in device pixels.
    std::vector<kvrec::PathOp> path;
    bool inPath = false;
    bool pathReady = false;
    HGDIOBJ defaultBitmap = nullptr; // a memory DC's own 1 x 1 monochrome bitmap
    bool screenCounted = false;      // handed out by GetDC, not yet released
};

namespace kvgdi {

// DCs.
HDC RegisterDC(std::unique_ptr<HDC__> dc);
HDC__* LookupDC(HDC handle);
// Makes a DC of `backend` with default state and objects.
HDC NewDC(Backend backend, int width, int height, int dpi);
void SelectDefaults(HDC__* dc);
// The screen settings kept by Backends.cpp.
void CountScreenDC(int delta);
// Size of the virtual screen.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

// Mapping, as MulDiv computes it.
POINT ToDevice(const HDC__* dc, POINT logical);
POINT ToLogical(const HDC__* dc, POINT device);
// Scales of logical lengths (signs dropped): device per logical unit.
double ScaleX(const HDC__* dc);
double ScaleY(const HDC__* dc);
LONG LengthToDeviceX(const HDC__* dc, LONG length);
LONG LengthToDeviceY(const HDC__* dc, LONG length);
LONG LengthToLogicalX(const HDC__* dc, LONG length);
LONG LengthToLogicalY(const HDC__* dc, LONG length);

// The pixels a DC draws on (null for none), and how.
cairo_surface_t* TargetSurface(const HDC__* dc);
bool HasPixels(const HDC__* dc);
bool IsAliased(const HDC__* dc);    // Raster and Memory: GDI-exact pixels
bool IsMonochrome(const HDC__* dc); // a memory DC on a monochrome bitmap
// Vector rules for raster operations: Page, Pdf, Svg, and DCs without pixels.
bool UsesVectorRules(const HDC__* dc);
// A cairo context on the target, in device pixels (null when no pixels).
// On PDF and SVG targets the DC's fill run is painted first; with `joinRun`
// it waits on instead, and the ink that FillInk fills on the context joins
// it.
cairo_t* NewContext(HDC__* dc, bool joinRun = false);
// Paints the fill run of a PDF or SVG DC: before its page ends or its file
// closes.
void FlushFillRun(HDC__* dc);
BitmapObject* SelectedBitmap(const HDC__* dc);

// Warnings go to the process-wide list and the DC's log.
void Warn(HDC__* dc, const std::string& text);

// Log entries: null when the DC does not record. The entry carries the
// DC's state at the call.
kvrec::Entry* LogCall(HDC__* dc, const char* call);
void LogPoints(kvrec::Entry* entry, const HDC__* dc, const POINT* points, int count);

// Painting a device path with the DC's pen and brush.
struct Stroke {
    bool on = false;
    double width = 1;
    COLORREF colour = 0;
    std::vector<double> dashes;
    UINT cap = PS_ENDCAP_FLAT;
    UINT join = PS_JOIN_MITER;
    bool thin = true; // one device pixel: drawn between pixel centres
};
struct Fill {
    bool on = false;
    COLORREF colour = 0;
    cairo_surface_t* pattern = nullptr;
    int rule = ALTERNATE;
};
Stroke PenStroke(const HDC__* dc);
Fill BrushFill(const HDC__* dc);
// Paints on the DC's pixels under its ROP2 and notes it in a memory DC's
// display list. Vector targets warn about bitwise modes and draw nothing.
// `offset` shifts the path (0.5 puts integer outlines on pixel centres);
// `rop2` is the DC's for shapes and R2_COPYPEN for fills that GDI does as
// pattern blits.
void PaintPath(HDC__* dc, const std::vector<kvrec::PathOp>& path, const Fill& fill, const Stroke& stroke,
               double offset, int rop2);
// The DC for a drawing call: null for a bad handle, an information context
// or a finished file.
HDC__* DrawingDC(HDC hdc);
// Helpers that build paths in device pixels.
void AddRect(std::vector<kvrec::PathOp>& path, double left, double top, double right, double bottom);
void AddEllipse(std::vector<kvrec::PathOp>& path, double left, double top, double right, double bottom);
void AddArc(std::vector<kvrec::PathOp>& path, double cx, double cy, double rx, double ry, double start,
            double sweep, bool moveFirst);
void AppendPath(cairo_t* cr, const std::vector<kvrec::PathOp>& path, double offset);

// Before a fill of the device rectangle: a fill of a memory DC's whole
// bitmap is a full erase and starts its display list again.
void NoteErase(HDC__* dc, const RECT& device);
void NoteRaster(HDC__* dc, const RECT& device);

// The realised font of the DC's selected font at its device height.
std::shared_ptr<const kvfont::RealizedFont> RealizeSelectedFont(const HDC__* dc);

// Replays a display list onto a cairo context (device pixels of the source
// mapped by the context's matrix). With `brushColour` set, colours become
// colour | brush, and white items are left out: what 0x00A90189 does on a
// white page. With a fill run attached to the context, the glyphs' fills
// join it, and it is painted before every path item.
void ReplayDisplayList(cairo_t* cr, const std::vector<kvrec::DisplayItem>& items, bool recolour,
                       COLORREF brushColour, bool aliased);

void SetSource(cairo_t* cr, COLORREF colour);

// Fills a logical rectangle with the background colour (FillSolidRect).
BOOL FillSolid(HDC hdc, const RECT& rect);

} // namespace kvgdi
