#include "DC.h"

#include "GdiInternal.h"
#include "MulDiv.h"
#include "ProcessState.h"

#include <cstdlib>
#include <unordered_map>

namespace {

struct DcWrappers {
    std::unordered_map<HDC, CDC*> attached;
    std::unordered_map<HDC, std::unique_ptr<CDC>> temporary;
};

DcWrappers& Wrappers()
{
    static DcWrappers wrappers;
    return wrappers;
}

void DropTemporary(std::unique_ptr<CDC>& wrapper)
{
    // A temporary wrapper never deletes its handle.
    if (wrapper) {
        wrapper->m_hDC = nullptr;
        wrapper->m_hAttribDC = nullptr;
    }
    wrapper.reset();
}

void ResetWrappers()
{
    for (auto& [handle, wrapper] : Wrappers().temporary)
        DropTemporary(wrapper);
    Wrappers().temporary.clear();
}

KvProcessReset s_reset("temporary CDC wrappers", &ResetWrappers);

} // namespace

void ForgetTemporaryDC(HDC hdc)
{
    auto& temporary = Wrappers().temporary;
    const auto it = temporary.find(hdc);
    if (it == temporary.end())
        return;
    DropTemporary(it->second);
    temporary.erase(it);
}

CDC::~CDC()
{
    if (m_hDC)
        ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hdc)
{
    if (!hdc)
        return nullptr;
    DcWrappers& wrappers = Wrappers();
    if (const auto it = wrappers.attached.find(hdc); it != wrappers.attached.end())
        return it->second;
    std::unique_ptr<CDC>& slot = wrappers.temporary[hdc];
    if (!slot) {
        slot = std::make_unique<CDC>();
        slot->m_hDC = hdc;
        slot->m_hAttribDC = hdc;
    }
    return slot.get();
}

BOOL CDC::Attach(HDC hdc)
{
    if (!hdc)
        return FALSE;
    m_hDC = hdc;
    m_hAttribDC = hdc;
    Wrappers().attached[hdc] = this;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hdc = m_hDC;
    if (hdc) {
        auto& attached = Wrappers().attached;
        if (const auto it = attached.find(hdc); it != attached.end() && it->second == this)
            attached.erase(it);
    }
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    return hdc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc)
{
    return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr));
}

BOOL CDC::CreateIC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* initData)
{
    return Attach(::CreateICA(driver, device, output, initData));
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

BOOL CDC::IsPrinting() const
{
    const HDC__* dc = kvgdi::LookupDC(m_hDC);
    return dc && dc->printing;
}

namespace {

// Selects into both DCs; the previous object is the attribute DC's.
HGDIOBJ SelectBoth(const CDC* cdc, HGDIOBJ object)
{
    if (!object)
        return nullptr;
    HGDIOBJ previous = nullptr;
    if (cdc->m_hDC && cdc->m_hDC != cdc->m_hAttribDC)
        previous = ::SelectObject(cdc->m_hDC, object);
    if (cdc->m_hAttribDC)
        previous = ::SelectObject(cdc->m_hAttribDC, object);
    return previous;
}

} // namespace

CPen* CDC::SelectObject(CPen* pen)
{
    return pen ? CPen::FromHandle(static_cast<HPEN>(SelectBoth(this, pen->m_hObject))) : nullptr;
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    return brush ? CBrush::FromHandle(static_cast<HBRUSH>(SelectBoth(this, brush->m_hObject))) : nullptr;
}

CFont* CDC::SelectObject(CFont* font)
{
    return font ? CFont::FromHandle(static_cast<HFONT>(SelectBoth(this, font->m_hObject))) : nullptr;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return bitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(SelectBoth(this, bitmap->m_hObject))) : nullptr;
}

CGdiObject* CDC::SelectObject(CGdiObject* object)
{
    return object ? CGdiObject::FromHandle(SelectBoth(this, object->m_hObject)) : nullptr;
}

CGdiObject* CDC::SelectStockObject(int index)
{
    return CGdiObject::FromHandle(SelectBoth(this, ::GetStockObject(index)));
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground)
{
    if (!palette)
        return nullptr;
    return CPalette::FromHandle(::SelectPalette(m_hDC, static_cast<HPALETTE>(palette->m_hObject), forceBackground));
}

UINT CDC::RealizePalette()
{
    return ::RealizePalette(m_hDC);
}

int CDC::SetMapMode(int mode)
{
    int previous = 0;
    if (m_hDC != m_hAttribDC)
        previous = ::SetMapMode(m_hDC, mode);
    if (m_hAttribDC)
        previous = ::SetMapMode(m_hAttribDC, mode);
    return previous;
}

int CDC::GetMapMode() const
{
    return ::GetMapMode(m_hAttribDC);
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT previous {0, 0};
    if (m_hDC != m_hAttribDC)
        ::SetWindowOrgEx(m_hDC, x, y, &previous);
    if (m_hAttribDC)
        ::SetWindowOrgEx(m_hAttribDC, x, y, &previous);
    return previous;
}

CPoint CDC::GetWindowOrg() const
{
    POINT origin {0, 0};
    ::GetWindowOrgEx(m_hAttribDC, &origin);
    return origin;
}

CSize CDC::SetWindowExt(int cx, int cy)
{
    SIZE previous {0, 0};
    if (m_hDC != m_hAttribDC)
        ::SetWindowExtEx(m_hDC, cx, cy, &previous);
    if (m_hAttribDC)
        ::SetWindowExtEx(m_hAttribDC, cx, cy, &previous);
    return previous;
}

CSize CDC::GetWindowExt() const
{
    SIZE extent {0, 0};
    ::GetWindowExtEx(m_hAttribDC, &extent);
    return extent;
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT previous {0, 0};
    if (m_hDC != m_hAttribDC)
        ::SetViewportOrgEx(m_hDC, x, y, &previous);
    if (m_hAttribDC)
        ::SetViewportOrgEx(m_hAttribDC, x, y, &previous);
    return previous;
}

CPoint CDC::GetViewportOrg() const
{
    POINT origin {0, 0};
    ::GetViewportOrgEx(m_hAttribDC, &origin);
    return origin;
}

CSize CDC::SetViewportExt(int cx, int cy)
{
    SIZE previous {0, 0};
    if (m_hDC != m_hAttribDC)
        ::SetViewportExtEx(m_hDC, cx, cy, &previous);
    if (m_hAttribDC)
        ::SetViewportExtEx(m_hAttribDC, cx, cy, &previous);
    return previous;
}

CSize CDC::GetViewportExt() const
{
    SIZE extent {0, 0};
    ::GetViewportExtEx(m_hAttribDC, &extent);
    return extent;
}

void CDC::LPtoDP(LPPOINT points, int count) const
{
    ::LPtoDP(m_hAttribDC, points, count);
}

void CDC::LPtoDP(LPRECT rect) const
{
    ::LPtoDP(m_hAttribDC, reinterpret_cast<LPPOINT>(rect), 2);
}

void CDC::LPtoDP(LPSIZE size) const
{
    const CSize window = GetWindowExt();
    const CSize viewport = GetViewportExt();
    size->cx = MulDiv(size->cx, std::abs(viewport.cx), std::abs(window.cx));
    size->cy = MulDiv(size->cy, std::abs(viewport.cy), std::abs(window.cy));
}

void CDC::DPtoLP(LPPOINT points, int count) const
{
    ::DPtoLP(m_hAttribDC, points, count);
}

void CDC::DPtoLP(LPRECT rect) const
{
    ::DPtoLP(m_hAttribDC, reinterpret_cast<LPPOINT>(rect), 2);
}

void CDC::DPtoLP(LPSIZE size) const
{
    const CSize window = GetWindowExt();
    const CSize viewport = GetViewportExt();
    size->cx = MulDiv(size->cx, std::abs(window.cx), std::abs(viewport.cx));
    size->cy = MulDiv(size->cy, std::abs(window.cy), std::abs(viewport.cy));
}

namespace {

// Setters apply to both DCs and answer the attribute DC's previous value.
template <class T, class Setter>
T SetBoth(const CDC* cdc, Setter setter, T value, T failure)
{
    T previous = failure;
    if (cdc->m_hDC != cdc->m_hAttribDC)
        previous = setter(cdc->m_hDC, value);
    if (cdc->m_hAttribDC)
        previous = setter(cdc->m_hAttribDC, value);
    return previous;
}

} // namespace

COLORREF CDC::SetTextColor(COLORREF colour)
{
    return SetBoth<COLORREF>(this, ::SetTextColor, colour, CLR_INVALID);
}

COLORREF CDC::GetTextColor() const
{
    return ::GetTextColor(m_hAttribDC);
}

COLORREF CDC::SetBkColor(COLORREF colour)
{
    return SetBoth<COLORREF>(this, ::SetBkColor, colour, CLR_INVALID);
}

COLORREF CDC::GetBkColor() const
{
    return ::GetBkColor(m_hAttribDC);
}

int CDC::SetBkMode(int mode)
{
    return SetBoth<int>(this, ::SetBkMode, mode, 0);
}

int CDC::GetBkMode() const
{
    return ::GetBkMode(m_hAttribDC);
}

UINT CDC::SetTextAlign(UINT align)
{
    return SetBoth<UINT>(this, ::SetTextAlign, align, GDI_ERROR);
}

UINT CDC::GetTextAlign() const
{
    return ::GetTextAlign(m_hAttribDC);
}

int CDC::SetROP2(int rop2)
{
    return SetBoth<int>(this, ::SetROP2, rop2, 0);
}

int CDC::GetROP2() const
{
    return ::GetROP2(m_hAttribDC);
}

int CDC::SetPolyFillMode(int mode)
{
    return SetBoth<int>(this, ::SetPolyFillMode, mode, 0);
}

int CDC::GetPolyFillMode() const
{
    return ::GetPolyFillMode(m_hAttribDC);
}

int CDC::SetStretchBltMode(int mode)
{
    return SetBoth<int>(this, ::SetStretchBltMode, mode, 0);
}

int CDC::GetStretchBltMode() const
{
    return ::GetStretchBltMode(m_hAttribDC);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT previous {0, 0};
    if (m_hDC != m_hAttribDC)
        ::MoveToEx(m_hDC, x, y, &previous);
    if (m_hAttribDC)
        ::MoveToEx(m_hAttribDC, x, y, &previous);
    return previous;
}

BOOL CDC::LineTo(int x, int y)
{
    if (m_hAttribDC && m_hDC != m_hAttribDC)
        ::MoveToEx(m_hAttribDC, x, y, nullptr);
    return ::LineTo(m_hDC, x, y);
}

CPoint CDC::GetCurrentPosition() const
{
    POINT position {0, 0};
    ::GetCurrentPositionEx(m_hAttribDC, &position);
    return position;
}

BOOL CDC::Polyline(const POINT* points, int count)
{
    return ::Polyline(m_hDC, points, count);
}

BOOL CDC::Polygon(const POINT* points, int count)
{
    return ::Polygon(m_hDC, points, count);
}

BOOL CDC::PolyBezier(const POINT* points, int count)
{
    return count < 0 ? FALSE : ::PolyBezier(m_hDC, points, static_cast<DWORD>(count));
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom)
{
    return ::Rectangle(m_hDC, left, top, right, bottom);
}

BOOL CDC::Rectangle(LPCRECT rect)
{
    return ::Rectangle(m_hDC, rect->left, rect->top, rect->right, rect->bottom);
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom)
{
    return ::Ellipse(m_hDC, left, top, right, bottom);
}

BOOL CDC::Ellipse(LPCRECT rect)
{
    return ::Ellipse(m_hDC, rect->left, rect->top, rect->right, rect->bottom);
}

BOOL CDC::RoundRect(int left, int top, int right, int bottom, int width, int height)
{
    return ::RoundRect(m_hDC, left, top, right, bottom, width, height);
}

BOOL CDC::RoundRect(LPCRECT rect, POINT corner)
{
    return ::RoundRect(m_hDC, rect->left, rect->top, rect->right, rect->bottom, corner.x, corner.y);
}

BOOL CDC::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    return ::Arc(m_hDC, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL CDC::Arc(LPCRECT rect, POINT start, POINT end)
{
    return ::Arc(m_hDC, rect->left, rect->top, rect->right, rect->bottom, start.x, start.y, end.x, end.y);
}

BOOL CDC::BeginPath()
{
    return ::BeginPath(m_hDC);
}

BOOL CDC::EndPath()
{
    return ::EndPath(m_hDC);
}

BOOL CDC::FillPath()
{
    return ::FillPath(m_hDC);
}

BOOL CDC::StrokePath()
{
    return ::StrokePath(m_hDC);
}

BOOL CDC::StrokeAndFillPath()
{
    return ::StrokeAndFillPath(m_hDC);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour)
{
    ::SetBkColor(m_hDC, colour);
    if (rect)
        kvgdi::FillSolid(m_hDC, *rect);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour)
{
    const RECT rect {x, y, x + cx, y + cy};
    FillSolidRect(&rect, colour);
}

void CDC::FillRect(LPCRECT rect, CBrush* brush)
{
    ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop)
{
    return ::PatBlt(m_hDC, x, y, width, height, rop);
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop)
{
    return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, xSource, ySource, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, int widthSource,
                     int heightSource, DWORD rop)
{
    return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, xSource, ySource,
                        widthSource, heightSource, rop);
}

COLORREF CDC::GetPixel(int x, int y) const
{
    return ::GetPixel(m_hDC, x, y);
}

BOOL CDC::TextOut(int x, int y, LPCSTR text, int count)
{
    return ::TextOutA(m_hDC, x, y, text, count);
}

BOOL CDC::TextOut(int x, int y, const CString& text)
{
    return ::TextOutA(m_hDC, x, y, text, text.GetLength());
}

CSize CDC::GetTextExtent(LPCSTR text, int count) const
{
    SIZE size {0, 0};
    ::GetTextExtentPoint32A(m_hAttribDC, text, count, &size);
    return size;
}

CSize CDC::GetTextExtent(const CString& text) const
{
    return GetTextExtent(text, text.GetLength());
}

BOOL CDC::GetTextMetrics(LPTEXTMETRICA metrics) const
{
    return ::GetTextMetricsA(m_hAttribDC, metrics);
}

int CDC::GetDeviceCaps(int index) const
{
    return ::GetDeviceCaps(m_hAttribDC, index);
}

int CDC::GetClipBox(LPRECT rect) const
{
    return ::GetClipBox(m_hDC, rect);
}

int CDC::SaveDC()
{
    int level = 0;
    if (m_hAttribDC)
        level = ::SaveDC(m_hAttribDC);
    if (m_hDC != m_hAttribDC && ::SaveDC(m_hDC) != 0)
        level = -1; // the two DCs' levels differ: restore with -1
    return level;
}

BOOL CDC::RestoreDC(int savedDC)
{
    BOOL done = TRUE;
    if (m_hDC != m_hAttribDC)
        done = ::RestoreDC(m_hDC, savedDC);
    if (m_hAttribDC)
        done = ::RestoreDC(m_hAttribDC, savedDC) && done;
    return done;
}
