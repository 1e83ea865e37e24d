// The off-screen surface of drag images: making it in the target's mapping
// and putting it on and off a target with the exclusive-nor blit.

#include "MemoryDC.h"

namespace {

// A logical length in device units: length x viewport / window, truncated.
int ToDevice(int length, int viewport, int window)
{
    return static_cast<int>(int64_t(length) * viewport / window);
}

} // namespace

CMemoryDC::CMemoryDC(CDC* target, CRect& rect, short, int eraseOnDestroy)
    : m_pDrawDC(target), m_bEraseOnDestroy(static_cast<short>(eraseOnDestroy))
{
    if (!::IsRectEmpty(&rect)) {
        m_bInPlace = 1;
        CreateMemDC(target, rect, 1);
    }
}

CMemoryDC::~CMemoryDC()
{
    if (!m_bCreated)
        return;
    if (m_bInPlace && m_bEraseOnDestroy)
        MemCopyBits(m_pTargetDC, m_rect.left, m_rect.top, 0);
    DestroyMemDC();
}

void CMemoryDC::CreateMemDC(CDC* target, CRect& rect, short value)
{
    if (m_bCreated)
        DestroyMemDC();
    m_bCreated = 1;
    m_rect = rect;
    m_nValue = value;
    m_pTargetDC = target;
    m_pDrawDC = &m_MemDC;

    m_MemDC.CreateCompatibleDC(target);
    const CSize window = target->GetWindowExt();
    const CSize viewport = target->GetViewportExt();
    const int wx = window.cx ? window.cx : 1;
    const int wy = window.cy ? window.cy : 1;
    // Each axis by its own ratio, so that unequal scales neither clip nor
    // shift the image.
    m_bitmap.CreateCompatibleBitmap(target, ToDevice(rect.Width(), viewport.cx, wx),
                                    ToDevice(rect.Height(), viewport.cy, wy));
    m_pOldBitmap = m_MemDC.SelectObject(&m_bitmap);

    m_nOldMapMode = m_MemDC.SetMapMode(MM_ANISOTROPIC);
    m_MemDC.SetWindowExt(window.cx, window.cy);
    m_MemDC.SetViewportExt(viewport.cx, viewport.cy);
    m_MemDC.SetWindowOrg(0, 0);
    m_MemDC.SetViewportOrg(ToDevice(-rect.left, viewport.cx, wx), ToDevice(-rect.top, viewport.cy, wy));

    m_MemDC.SetTextColor(RGB(0, 0, 0));
    m_MemDC.SetBkMode(TRANSPARENT);
    m_MemDC.FillSolidRect(&m_rect, RGB(255, 255, 255));
}

void CMemoryDC::DestroyMemDC()
{
    if (!m_bCreated)
        return;
    m_bCreated = 0;
    if (m_pOldBitmap)
        m_MemDC.SelectObject(m_pOldBitmap);
    m_pOldBitmap = nullptr;
    m_bitmap.DeleteObject();
    m_MemDC.DeleteDC();
    m_pDrawDC = nullptr;
}

void CMemoryDC::MemCopyBits(CDC* dest, int x, int y, short)
{
    if (!m_bCreated || ::IsRectEmpty(&m_rect) || !dest)
        return;
    const int sourceX = m_bInPlace ? x : m_rect.left;
    const int sourceY = m_bInPlace ? y : m_rect.top;
    dest->BitBlt(x, y, m_rect.Width(), m_rect.Height(), &m_MemDC, sourceX, sourceY, ROP_DSXN);
}

void CMemoryDC::FastMemTransCopy(CDC* dest, int x, int y, CDC* work, int skipCopy)
{
    if (!m_bCreated || ::IsRectEmpty(&m_rect) || !dest || !work)
        return;
    CRect destClip;
    CRect workClip;
    dest->GetClipBox(&destClip);
    work->GetClipBox(&workClip);
    work->BitBlt(x, y, m_rect.Width(), m_rect.Height(), &m_MemDC, m_rect.left, m_rect.top, ROP_DSXN);
    if (!skipCopy)
        dest->BitBlt(-m_rect.left - 10, m_rect.top + 10, workClip.Width(), workClip.Height(), work, 0, 0, SRCCOPY);
}
