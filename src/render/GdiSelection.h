#pragma once
// Pens and brushes selected into a device context for the lifetime of an
// object; the ones selected before come back when it goes.

#include "Platform.h"

class SelectedPen {
public:
    SelectedPen(CDC* dc, int style, int width, COLORREF colour) : m_dc(dc)
    {
        m_pen.CreatePen(style, width, colour);
        m_old = m_dc->SelectObject(&m_pen);
    }
    ~SelectedPen() { m_dc->SelectObject(m_old); }
    SelectedPen(const SelectedPen&) = delete;
    SelectedPen& operator=(const SelectedPen&) = delete;

private:
    CDC* m_dc;
    CPen m_pen;
    CPen* m_old;
};

// A solid brush in a colour, or (NullBrush) the hollow stock brush.
class SelectedBrush {
public:
    SelectedBrush(CDC* dc, COLORREF colour) : m_dc(dc)
    {
        m_brush.CreateSolidBrush(colour);
        m_old = m_dc->SelectObject(&m_brush);
    }
    static SelectedBrush NullBrush(CDC* dc) { return SelectedBrush(dc); }
    ~SelectedBrush() { m_dc->SelectObject(m_old); }
    SelectedBrush(const SelectedBrush&) = delete;
    SelectedBrush& operator=(const SelectedBrush&) = delete;

private:
    explicit SelectedBrush(CDC* dc) : m_dc(dc), m_old(dc->SelectStockObject(NULL_BRUSH)) {}

    CDC* m_dc;
    CBrush m_brush;
    CGdiObject* m_old;
};
