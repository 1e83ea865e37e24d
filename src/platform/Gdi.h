#pragma once
// The free GDI functions: device contexts, objects, mapping, drawing, text
// and blits. Every handle is checked against the live ones; a null, deleted
// or wrong-typed handle makes the call fail with its failure value.

#include "GdiTypes.h"

// Results of GetClipBox (0 is the failure value).
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

// Device contexts.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
HDC CreateCompatibleDC(HDC hdc);
HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR port, const void* devMode);
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int savedDC);
int GetDeviceCaps(HDC hdc, int index);
int GetClipBox(HDC hdc, LPRECT rect);

// Objects.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
HGDIOBJ GetStockObject(int index);
DWORD GetObjectType(HGDIOBJ object);
HPEN CreatePen(int style, int width, COLORREF colour);
HPEN CreatePenIndirect(const LOGPEN* pen);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count, const DWORD* dashes);
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT startScan, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);

// Mapping.
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin);
BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE previous);
BOOL GetWindowExtEx(HDC hdc, LPSIZE extent);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin);
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE previous);
BOOL GetViewportExtEx(HDC hdc, LPSIZE extent);
BOOL LPtoDP(HDC hdc, LPPOINT points, int count);
BOOL DPtoLP(HDC hdc, LPPOINT points, int count);

// Colours and modes.
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);

// Drawing.
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT position);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL PolyBezier(HDC hdc, const POINT* points, DWORD count);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
BOOL BeginPath(HDC hdc);
BOOL EndPath(HDC hdc);
BOOL FillPath(HDC hdc);
BOOL StrokePath(HDC hdc);
BOOL StrokeAndFillPath(HDC hdc);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);

// Blits and pixels.
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop);
BOOL StretchBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int widthSource, int heightSource, DWORD rop);
COLORREF GetPixel(HDC hdc, int x, int y);

// Text.
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics);
