#pragma once
// CMemoryDC: an off-screen image of one rectangle of a target DC, drawn in
// the target's logical coordinates and put onto a target with the
// exclusive-nor blit, so that a second blit at the same place takes it off.

#include "platform/Platform.h"

class CMemoryDC {
public:
    CMemoryDC() = default;
    // Makes the surface for `rect` of `target` at once unless the rectangle
    // is empty; with `eraseOnDestroy` set, the destructor blits it once more
    // at the rectangle's top-left. The short is not used.
    CMemoryDC(CDC* target, CRect& rect, short, int eraseOnDestroy);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // (Re)makes the surface: a bitmap of the rectangle's device size with
    // the target's mapping, white, so that the rectangle's top-left is the
    // bitmap's origin. `value` is kept and not read.
    void CreateMemDC(CDC* target, CRect& rect, short value);
    void DestroyMemDC();
    // Blits the image onto dest at (x, y) with the exclusive-nor operation;
    // nothing when there is no surface or its rectangle is empty.
    void MemCopyBits(CDC* dest, int x, int y, short);
    // Blits the image onto `work` at (x, y), then, unless `skipCopy`, work's
    // clip-box size from work's origin onto dest at (-rect.left - 10,
    // rect.top + 10).
    void FastMemTransCopy(CDC* dest, int x, int y, CDC* work, int skipCopy);

    CDC* m_pDrawDC = nullptr;       // the memory DC once the surface exists
    CDC m_MemDC;
    CDC* m_pTargetDC = nullptr;
    CRect m_rect {0, 0, 0, 0};      // logical units of the target
    short m_nValue = 0;
    short m_bEraseOnDestroy = 0;
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
    int m_bCreated = 0;
    int m_nOldMapMode = 0;
    int m_bInPlace = 0;
};
