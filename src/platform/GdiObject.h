#pragma once
// Wrappers of GDI objects. A wrapper owns the handle it created or attached
// and deletes it when destroyed. FromHandle gives the wrapper attached to a
// handle, or a temporary one that lives until the object is deleted.

#include "Gdi.h"
#include "Object.h"

class CDC;

class CGdiObject : public CObject {
public:
    CGdiObject() = default;
    ~CGdiObject() override;

    HGDIOBJ m_hObject = nullptr;

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    static CGdiObject* FromHandle(HGDIOBJ object);
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    int GetObject(int size, LPVOID buffer) const;
    BOOL CreateStockObject(int index);
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour);
    CPen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);

    static CPen* FromHandle(HPEN pen);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }

    BOOL CreatePen(int style, int width, COLORREF colour);
    BOOL CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);
    BOOL CreatePenIndirect(const LOGPEN* pen);
    int GetLogPen(LOGPEN* pen) const;
};

class CBitmap;

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour);
    explicit CBrush(CBitmap* bitmap);

    static CBrush* FromHandle(HBRUSH brush);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    BOOL CreateSolidBrush(COLORREF colour);
    BOOL CreatePatternBrush(CBitmap* bitmap);
    BOOL CreateBrushIndirect(const LOGBRUSH* brush);
    int GetLogBrush(LOGBRUSH* brush) const;
};

class CFont : public CGdiObject {
public:
    static CFont* FromHandle(HFONT font);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    BOOL CreateFontIndirect(const LOGFONTA* font);
    // A font of `pointSize` tenths of a point: the device height at the
    // DC's (or the screen's) LOGPIXELSY, turned into logical units through
    // the DC's mapping, so that it follows the zoom.
    BOOL CreatePointFont(int pointSize, LPCSTR faceName, CDC* dc = nullptr);
    int GetLogFont(LOGFONTA* font) const;
};

class CBitmap : public CGdiObject {
public:
    static CBitmap* FromHandle(HBITMAP bitmap);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* bitmap) const;
};

class CPalette : public CGdiObject {
public:
    static CPalette* FromHandle(HPALETTE palette);
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }

    BOOL CreatePalette(const LOGPALETTE* palette);
};
