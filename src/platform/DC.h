#pragma once
// CDC, the device-context wrapper. m_hDC takes output and m_hAttribDC answers
// queries (extents, metrics, device caps); they are the same handle unless a
// caller sets them apart. Setters apply to both.

#include "Gdi.h"
#include "GdiObject.h"
#include "Rect.h"
#include "String.h"

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    // The wrapper attached to a handle, or a temporary one that lives until
    // the handle is deleted or released; null for a null handle.
    static CDC* FromHandle(HDC hdc);
    BOOL Attach(HDC hdc);
    HDC Detach();

    BOOL CreateCompatibleDC(CDC* dc);
    BOOL CreateIC(LPCSTR driver, LPCSTR device, LPCSTR output, const void* initData);
    BOOL DeleteDC();
    BOOL IsPrinting() const;

    // Objects: each returns the previous one (a temporary wrapper when it
    // was not attached to one), or null on failure.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    CGdiObject* SelectObject(CGdiObject* object);
    CGdiObject* SelectStockObject(int index);
    CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
    UINT RealizePalette();

    // Mapping.
    int SetMapMode(int mode);
    int GetMapMode() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point) { return SetWindowOrg(point.x, point.y); }
    CPoint GetWindowOrg() const;
    CSize SetWindowExt(int cx, int cy);
    CSize SetWindowExt(SIZE size) { return SetWindowExt(size.cx, size.cy); }
    CSize GetWindowExt() const;
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
    CPoint GetViewportOrg() const;
    CSize SetViewportExt(int cx, int cy);
    CSize SetViewportExt(SIZE size) { return SetViewportExt(size.cx, size.cy); }
    CSize GetViewportExt() const;
    void LPtoDP(LPPOINT points, int count = 1) const;
    void LPtoDP(LPRECT rect) const;
    void LPtoDP(LPSIZE size) const;
    void DPtoLP(LPPOINT points, int count = 1) const;
    void DPtoLP(LPRECT rect) const;
    void DPtoLP(LPSIZE size) const;

    // Colours and modes.
    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const;
    int SetROP2(int rop2);
    int GetROP2() const;
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const;
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;

    // Drawing.
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    CPoint GetCurrentPosition() const;
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL PolyBezier(const POINT* points, int count);
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rect);
    BOOL RoundRect(int left, int top, int right, int bottom, int width, int height);
    BOOL RoundRect(LPCRECT rect, POINT corner);
    BOOL Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    BOOL Arc(LPCRECT rect, POINT start, POINT end);
    BOOL BeginPath();
    BOOL EndPath();
    BOOL FillPath();
    BOOL StrokePath();
    BOOL StrokeAndFillPath();
    // Fills with a solid colour, which stays set as the background colour.
    void FillSolidRect(LPCRECT rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    void FillRect(LPCRECT rect, CBrush* brush);
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource,
                    int widthSource, int heightSource, DWORD rop);
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

    // Text.
    BOOL TextOut(int x, int y, LPCSTR text, int count);
    BOOL TextOut(int x, int y, const CString& text);
    CSize GetTextExtent(LPCSTR text, int count) const;
    CSize GetTextExtent(const CString& text) const;
    BOOL GetTextMetrics(LPTEXTMETRICA metrics) const;

    // Queries and state.
    int GetDeviceCaps(int index) const;
    int GetClipBox(LPRECT rect) const;
    int SaveDC();
    BOOL RestoreDC(int savedDC);

private:
    friend void ForgetTemporaryDC(HDC hdc);
};
