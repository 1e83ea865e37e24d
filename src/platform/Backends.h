#pragma once
// The device contexts of our own making: recording DCs for tests, raster
// DCs on ARGB32 images, PDF and SVG DCs, and the switches around them.

#include "GdiTypes.h"

namespace kvrec {
class Recorder;
}

// Raster DCs come in two kinds. Screen-like ones are aliased like GDI, so
// raster operations on them are exact. Page ones are antialiased output for
// people and follow the vector backends' rules for raster operations.
enum class KvRasterKind { Screen = 1, Page = 2 };

// A DC that only records: `width` x `height` device pixels at `dpi`;
// IsPrinting reports `printing`.
HDC KvCreateRecordingDC(int width, int height, int dpi = 96, bool printing = false);
// A raster DC, white at first.
HDC KvCreateRasterDC(int width, int height, int dpi = 96, KvRasterKind kind = KvRasterKind::Screen);
// Writes a raster or memory DC's pixels as PNG; FALSE when it has none.
BOOL KvWritePng(HDC hdc, const char* path);

// A PDF file of pages `width` x `height` device pixels at `dpi`.
HDC KvCreatePdfDC(const char* path, int width, int height, int dpi = 96);
BOOL KvPdfNextPage(HDC hdc);
// Finishes the file; drawing afterwards returns FALSE. DeleteDC closes too.
BOOL KvPdfClose(HDC hdc);
// An SVG file, written when the DC is deleted (or closed with KvPdfClose's
// twin below).
HDC KvCreateSvgDC(const char* path, int width, int height, int dpi = 96);
BOOL KvSvgClose(HDC hdc);

// Switches recording on or off for any DC. A DC with pixels then draws and
// logs. Recording DCs always record.
BOOL KvSetRecording(HDC hdc, bool on);
// The DC's log, or null when it does not record.
kvrec::Recorder* KvRecorder(HDC hdc);

// The dpi of screen DCs (96 unless a test changes it).
void KvSetScreenDpi(int dpi);
int KvScreenDpi();
// Screen DCs handed out by GetDC and not yet released.
int KvOpenScreenDCs();
