#include "GdiObject.h"

#include "DC.h"
#include "GdiInternal.h"
#include "MulDiv.h"
#include "ProcessState.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace kvgdi {

namespace {

struct ObjectRegistry {
    std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
    HGDIOBJ stock[DEFAULT_GUI_FONT + 1] = {};
};

ObjectRegistry& Objects()
{
    static ObjectRegistry registry;
    return registry;
}

uintptr_t s_lastHandle = 0x1000;

} // namespace

uintptr_t NewHandleValue()
{
    s_lastHandle += 4;
    return s_lastHandle;
}

BrushObject::~BrushObject()
{
    if (pattern)
        cairo_surface_destroy(pattern);
}

BitmapObject::~BitmapObject()
{
    if (surface)
        cairo_surface_destroy(surface);
}

HGDIOBJ Register(std::unique_ptr<GdiObject> object)
{
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(NewHandleValue());
    object->handle = handle;
    Objects().objects[handle] = std::move(object);
    return handle;
}

GdiObject* Lookup(HGDIOBJ handle)
{
    if (!handle)
        return nullptr;
    auto& objects = Objects().objects;
    const auto it = objects.find(handle);
    return it == objects.end() ? nullptr : it->second.get();
}

void Destroy(HGDIOBJ handle)
{
    Objects().objects.erase(handle);
    ForgetTemporaryWrapper(handle);
}

HBITMAP NewBitmap(int width, int height, bool monochrome)
{
    constexpr int kMaxSide = 16384;
    constexpr long long kMaxBytes = 256LL * 1024 * 1024;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    if (static_cast<long long>(width) * height * 4 > kMaxBytes)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // New bitmaps are black, as GDI's are.
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->monochrome = monochrome;
    bitmap->surface = surface;
    bitmap->rasterContent = false;
    return static_cast<HBITMAP>(Register(std::move(bitmap)));
}

namespace {

HGDIOBJ MakeStock(int index)
{
    auto solidBrush = [](COLORREF colour, int stockIndex) {
        auto brush = std::make_unique<BrushObject>();
        brush->colour = colour;
        brush->stockIndex = stockIndex;
        return std::unique_ptr<GdiObject>(std::move(brush));
    };
    auto pen = [](UINT style, COLORREF colour) {
        auto p = std::make_unique<PenObject>();
        p->style = style;
        p->colour = colour;
        return std::unique_ptr<GdiObject>(std::move(p));
    };
    auto font = [](const char* face, LONG height) {
        auto f = std::make_unique<FontObject>();
        f->logFont.lfHeight = height;
        f->logFont.lfWeight = FW_NORMAL;
        f->logFont.lfCharSet = ANSI_CHARSET;
        std::strncpy(f->logFont.lfFaceName, face, LF_FACESIZE - 1);
        return std::unique_ptr<GdiObject>(std::move(f));
    };
    std::unique_ptr<GdiObject> object;
    switch (index) {
    case WHITE_BRUSH: object = solidBrush(RGB(255, 255, 255), index); break;
    case LTGRAY_BRUSH: object = solidBrush(RGB(192, 192, 192), index); break;
    case GRAY_BRUSH: object = solidBrush(RGB(128, 128, 128), index); break;
    case DKGRAY_BRUSH: object = solidBrush(RGB(64, 64, 64), index); break;
    case BLACK_BRUSH: object = solidBrush(RGB(0, 0, 0), index); break;
    case NULL_BRUSH:
        object = solidBrush(0, index);
        static_cast<BrushObject*>(object.get())->style = BS_NULL;
        break;
    case WHITE_PEN: object = pen(PS_SOLID, RGB(255, 255, 255)); break;
    case BLACK_PEN: object = pen(PS_SOLID, RGB(0, 0, 0)); break;
    case NULL_PEN: object = pen(PS_NULL, 0); break;
    // The system font is a 16-pixel cell of DejaVu Sans; the fixed ones
    // take its monospaced sibling.
    case SYSTEM_FONT:
    case ANSI_VAR_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: object = font("DejaVu Sans", 16); break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: object = font("DejaVu Sans Mono", 16); break;
    case DEFAULT_PALETTE: {
        // The twenty static colours.
        static const BYTE kColours[20][3] = {
            {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128},
            {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},
            {255, 255, 0}, {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        auto palette = std::make_unique<PaletteObject>();
        for (const auto& c : kColours)
            palette->entries.push_back(PALETTEENTRY {c[0], c[1], c[2], 0});
        object = std::move(palette);
        break;
    }
    default: return nullptr;
    }
    object->stock = true;
    return Register(std::move(object));
}

} // namespace

} // namespace kvgdi

using namespace kvgdi;

HGDIOBJ GetStockObject(int index)
{
    if (index < 0 || index > DEFAULT_GUI_FONT)
        return nullptr;
    HGDIOBJ& slot = Objects().stock[index];
    if (!slot || !Lookup(slot))
        slot = MakeStock(index);
    return slot;
}

DWORD GetObjectType(HGDIOBJ object)
{
    if (HDC__* dc = LookupDC(static_cast<HDC>(object)))
        return dc->backend == Backend::Memory ? OBJ_MEMDC : OBJ_DC;
    const GdiObject* o = Lookup(object);
    if (!o)
        return 0;
    switch (o->kind) {
    case ObjectKind::Pen: return static_cast<const PenObject*>(o)->extended ? OBJ_EXTPEN : OBJ_PEN;
    case ObjectKind::Brush: return OBJ_BRUSH;
    case ObjectKind::Font: return OBJ_FONT;
    case ObjectKind::Bitmap: return OBJ_BITMAP;
    case ObjectKind::Palette: return OBJ_PAL;
    }
    return 0;
}

HPEN CreatePen(int style, int width, COLORREF colour)
{
    const UINT kind = static_cast<UINT>(style) & PS_STYLE_MASK;
    if (style < 0 || kind > PS_INSIDEFRAME || (static_cast<UINT>(style) & ~PS_STYLE_MASK) != 0)
        return nullptr;
    auto pen = std::make_unique<PenObject>();
    pen->style = kind;
    pen->width = std::max(width, 0);
    pen->colour = colour;
    return static_cast<HPEN>(Register(std::move(pen)));
}

HPEN CreatePenIndirect(const LOGPEN* pen)
{
    if (!pen)
        return nullptr;
    return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count, const DWORD* dashes)
{
    constexpr DWORD kMaxDashes = 16;
    if (!brush)
        return nullptr;
    const DWORD kind = style & PS_STYLE_MASK;
    if (kind == PS_USERSTYLE) {
        if (count == 0 || count > kMaxDashes || !dashes)
            return nullptr;
    } else if (count != 0 || kind > PS_ALTERNATE) {
        return nullptr;
    }
    if ((style & PS_TYPE_MASK) == PS_COSMETIC && width != 1)
        return nullptr;
    if (width > 0x7FFFFFFF)
        return nullptr;
    auto pen = std::make_unique<PenObject>();
    pen->style = style;
    pen->width = static_cast<LONG>(width);
    pen->colour = brush->lbStyle == BS_NULL ? 0 : brush->lbColor;
    if (brush->lbStyle == BS_NULL)
        pen->style = (style & ~PS_STYLE_MASK) | PS_NULL;
    pen->extended = true;
    if (kind == PS_USERSTYLE)
        pen->dashes.assign(dashes, dashes + count);
    return static_cast<HPEN>(Register(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    auto brush = std::make_unique<BrushObject>();
    brush->colour = colour;
    return static_cast<HBRUSH>(Register(std::move(brush)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    BitmapObject* source = LookupBitmap(bitmap);
    if (!source)
        return nullptr;
    // The brush keeps its own copy, so the bitmap may go first.
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, source->width, source->height);
    cairo_t* cr = cairo_create(copy);
    cairo_surface_flush(source->surface);
    cairo_set_source_surface(cr, source->surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    auto brush = std::make_unique<BrushObject>();
    brush->style = BS_PATTERN;
    brush->pattern = copy;
    return static_cast<HBRUSH>(Register(std::move(brush)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush)
        return nullptr;
    switch (brush->lbStyle) {
    case BS_SOLID:
    case BS_HATCHED: // hatches are not drawn; the colour serves
        return CreateSolidBrush(brush->lbColor);
    case BS_NULL: {
        auto b = std::make_unique<BrushObject>();
        b->style = BS_NULL;
        return static_cast<HBRUSH>(Register(std::move(b)));
    }
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    default:
        return nullptr;
    }
}

HFONT CreateFontIndirectA(const LOGFONTA* font)
{
    if (!font)
        return nullptr;
    auto f = std::make_unique<FontObject>();
    f->logFont = *font;
    f->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(Register(std::move(f)));
}

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palNumEntries == 0)
        return nullptr;
    auto p = std::make_unique<PaletteObject>();
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return static_cast<HPALETTE>(Register(std::move(p)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc || !LookupPalette(palette))
        return nullptr;
    HGDIOBJ previous = dc->state.palette;
    if (GdiObject* old = Lookup(previous))
        --old->selections;
    ++Lookup(palette)->selections;
    dc->state.palette = palette;
    if (kvrec::Entry* entry = LogCall(dc, "SelectPalette"))
        entry->values.push_back(static_cast<LONG>(LookupPalette(palette)->entries.size()));
    return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC hdc)
{
    // Palettes are data only: nothing is mapped.
    return LookupDC(hdc) ? 0 : GDI_ERROR;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    HDC__* dc = LookupDC(hdc);
    GdiObject* o = Lookup(object);
    if (!dc || !o)
        return nullptr;
    HGDIOBJ* slot = nullptr;
    const char* what = "";
    switch (o->kind) {
    case ObjectKind::Pen: slot = &dc->state.pen; what = "pen"; break;
    case ObjectKind::Brush: slot = &dc->state.brush; what = "brush"; break;
    case ObjectKind::Font: slot = &dc->state.font; what = "font"; break;
    case ObjectKind::Bitmap: {
        // Only memory DCs take bitmaps, and a bitmap sits in one DC at a time.
        auto* bitmap = static_cast<BitmapObject*>(o);
        if (dc->backend != Backend::Memory)
            return nullptr;
        if (bitmap->selectedInto && bitmap->selectedInto != hdc)
            return nullptr;
        if (BitmapObject* old = LookupBitmap(dc->state.bitmap); old && old != bitmap)
            old->selectedInto = nullptr;
        bitmap->selectedInto = hdc;
        slot = &dc->state.bitmap;
        what = "bitmap";
        break;
    }
    case ObjectKind::Palette:
        return nullptr; // SelectPalette selects palettes
    }
    HGDIOBJ previous = *slot;
    if (GdiObject* old = Lookup(previous))
        --old->selections;
    ++o->selections;
    *slot = object;
    if (kvrec::Entry* entry = LogCall(dc, "SelectObject")) {
        entry->values.push_back(static_cast<LONG>(o->kind));
        entry->bytes = what;
    }
    return previous;
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* o = Lookup(object);
    if (!o)
        return FALSE;
    if (o->stock)
        return TRUE;
    if (o->selections > 0) {
        // GDI leaves this undefined; the object stays usable where it is.
        Warn(nullptr, "DeleteObject of an object still selected into a DC");
        return FALSE;
    }
    Destroy(object);
    return TRUE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer)
{
    const GdiObject* o = Lookup(object);
    if (!o || size < 0)
        return 0;
    auto give = [&](const void* data, int bytes) {
        if (!buffer)
            return bytes;
        if (size < bytes)
            return 0;
        std::memcpy(buffer, data, static_cast<size_t>(bytes));
        return bytes;
    };
    switch (o->kind) {
    case ObjectKind::Pen: {
        const auto* pen = static_cast<const PenObject*>(o);
        LOGPEN log {pen->style, POINT {pen->width, 0}, pen->colour};
        return give(&log, sizeof log);
    }
    case ObjectKind::Brush: {
        const auto* brush = static_cast<const BrushObject*>(o);
        LOGBRUSH log {brush->style, brush->colour, 0};
        return give(&log, sizeof log);
    }
    case ObjectKind::Font:
        return give(&static_cast<const FontObject*>(o)->logFont, sizeof(LOGFONTA));
    case ObjectKind::Bitmap: {
        const auto* bitmap = static_cast<const BitmapObject*>(o);
        BITMAP log {};
        log.bmWidth = bitmap->width;
        log.bmHeight = bitmap->height;
        log.bmWidthBytes = bitmap->monochrome ? (bitmap->width + 15) / 16 * 2 : bitmap->width * 4;
        log.bmPlanes = 1;
        log.bmBitsPixel = bitmap->monochrome ? 1 : 32;
        return give(&log, sizeof log);
    }
    case ObjectKind::Palette: {
        const WORD count = static_cast<WORD>(static_cast<const PaletteObject*>(o)->entries.size());
        return give(&count, sizeof count);
    }
    }
    return 0;
}

kvrec::LiveCounts kvrec::LiveObjectCounts()
{
    LiveCounts counts;
    for (const auto& [handle, object] : Objects().objects) {
        if (object->stock)
            continue;
        switch (object->kind) {
        case ObjectKind::Pen: ++counts.pens; break;
        case ObjectKind::Brush: ++counts.brushes; break;
        case ObjectKind::Font: ++counts.fonts; break;
        case ObjectKind::Bitmap: ++counts.bitmaps; break;
        case ObjectKind::Palette: ++counts.palettes; break;
        }
    }
    return counts;
}

// ---- Wrappers ----

namespace {

struct WrapperMaps {
    std::unordered_map<HGDIOBJ, CGdiObject*> attached;
    std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temporary;
};

WrapperMaps& Wrappers()
{
    static WrapperMaps maps;
    return maps;
}

void DropTemporary(std::unique_ptr<CGdiObject>& wrapper)
{
    // A temporary never owns its handle.
    if (wrapper)
        wrapper->m_hObject = nullptr;
    wrapper.reset();
}

void ResetWrappers()
{
    for (auto& [handle, wrapper] : Wrappers().temporary)
        DropTemporary(wrapper);
    Wrappers().temporary.clear();
}

KvProcessReset s_resetWrappers("GDI temporary wrappers", &ResetWrappers);

template <class W>
W* WrapperOf(HGDIOBJ handle)
{
    if (!handle)
        return nullptr;
    WrapperMaps& maps = Wrappers();
    if (const auto it = maps.attached.find(handle); it != maps.attached.end())
        if (auto* wrapper = dynamic_cast<W*>(it->second))
            return wrapper;
    std::unique_ptr<CGdiObject>& slot = maps.temporary[handle];
    if (!dynamic_cast<W*>(slot.get())) {
        DropTemporary(slot);
        slot = std::make_unique<W>();
        slot->m_hObject = handle;
    }
    return static_cast<W*>(slot.get());
}

} // namespace

void kvgdi::ForgetTemporaryWrapper(HGDIOBJ handle)
{
    WrapperMaps& maps = Wrappers();
    const auto it = maps.temporary.find(handle);
    if (it == maps.temporary.end())
        return;
    DropTemporary(it->second);
    maps.temporary.erase(it);
}

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object)
{
    const GdiObject* o = Lookup(object);
    if (!o)
        return object ? WrapperOf<CGdiObject>(object) : nullptr;
    switch (o->kind) {
    case ObjectKind::Pen: return WrapperOf<CPen>(object);
    case ObjectKind::Brush: return WrapperOf<CBrush>(object);
    case ObjectKind::Font: return WrapperOf<CFont>(object);
    case ObjectKind::Bitmap: return WrapperOf<CBitmap>(object);
    case ObjectKind::Palette: return WrapperOf<CPalette>(object);
    }
    return nullptr;
}

BOOL CGdiObject::Attach(HGDIOBJ object)
{
    if (!object)
        return FALSE;
    Detach();
    m_hObject = object;
    Wrappers().attached[object] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ object = m_hObject;
    if (object) {
        auto& attached = Wrappers().attached;
        if (const auto it = attached.find(object); it != attached.end() && it->second == this)
            attached.erase(it);
    }
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int size, LPVOID buffer) const
{
    return ::GetObjectA(m_hObject, size, buffer);
}

BOOL CGdiObject::CreateStockObject(int index)
{
    return Attach(::GetStockObject(index));
}

CPen::CPen(int style, int width, COLORREF colour)
{
    CreatePen(style, width, colour);
}

CPen::CPen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles)
{
    CreatePen(style, width, brush, styleCount, styles);
}

CPen* CPen::FromHandle(HPEN pen)
{
    return WrapperOf<CPen>(pen);
}

BOOL CPen::CreatePen(int style, int width, COLORREF colour)
{
    return Attach(::CreatePen(style, width, colour));
}

BOOL CPen::CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles)
{
    if (styleCount < 0 || width < 0)
        return FALSE;
    return Attach(::ExtCreatePen(static_cast<DWORD>(style), static_cast<DWORD>(width), brush,
                                 static_cast<DWORD>(styleCount), styles));
}

BOOL CPen::CreatePenIndirect(const LOGPEN* pen)
{
    return Attach(::CreatePenIndirect(pen));
}

int CPen::GetLogPen(LOGPEN* pen) const
{
    return ::GetObjectA(m_hObject, sizeof(LOGPEN), pen);
}

CBrush::CBrush(COLORREF colour)
{
    CreateSolidBrush(colour);
}

CBrush::CBrush(CBitmap* bitmap)
{
    CreatePatternBrush(bitmap);
}

CBrush* CBrush::FromHandle(HBRUSH brush)
{
    return WrapperOf<CBrush>(brush);
}

BOOL CBrush::CreateSolidBrush(COLORREF colour)
{
    return Attach(::CreateSolidBrush(colour));
}

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap)
{
    return bitmap ? Attach(::CreatePatternBrush(static_cast<HBITMAP>(bitmap->m_hObject))) : FALSE;
}

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* brush)
{
    return Attach(::CreateBrushIndirect(brush));
}

int CBrush::GetLogBrush(LOGBRUSH* brush) const
{
    return ::GetObjectA(m_hObject, sizeof(LOGBRUSH), brush);
}

CFont* CFont::FromHandle(HFONT font)
{
    return WrapperOf<CFont>(font);
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* font)
{
    return Attach(::CreateFontIndirectA(font));
}

BOOL CFont::CreatePointFont(int pointSize, LPCSTR faceName, CDC* dc)
{
    LOGFONTA font {};
    font.lfCharSet = DEFAULT_CHARSET;
    if (faceName)
        std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    HDC hdc = dc ? dc->m_hAttribDC : ::GetDC(nullptr);
    // The device height at the DC's dpi, taken back to logical units, so the
    // font follows the DC's zoom.
    POINT height {0, MulDiv(::GetDeviceCaps(hdc, LOGPIXELSY), pointSize, 720)};
    POINT origin {0, 0};
    ::DPtoLP(hdc, &height, 1);
    ::DPtoLP(hdc, &origin, 1);
    font.lfHeight = -std::abs(height.y - origin.y);
    if (!dc)
        ::ReleaseDC(nullptr, hdc);
    return CreateFontIndirect(&font);
}

int CFont::GetLogFont(LOGFONTA* font) const
{
    return ::GetObjectA(m_hObject, sizeof(LOGFONTA), font);
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap)
{
    return WrapperOf<CBitmap>(bitmap);
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

int CBitmap::GetBitmap(BITMAP* bitmap) const
{
    return ::GetObjectA(m_hObject, sizeof(BITMAP), bitmap);
}

CPalette* CPalette::FromHandle(HPALETTE palette)
{
    return WrapperOf<CPalette>(palette);
}

BOOL CPalette::CreatePalette(const LOGPALETTE* palette)
{
    return Attach(::CreatePalette(palette));
}
