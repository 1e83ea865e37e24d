#pragma once
// Drawing at quarter dots on the screen: while the object lives the window
// extents are four times as large (the viewport extents set again as they
// were), so coordinates multiplied by Factor() land on quarter dots. When
// printing the factor is 1 and nothing changes. The extents are put back at
// the end.

#include "Platform.h"

class FineResolution {
public:
    FineResolution(CDC* dc, bool printing)
        : m_dc(dc), m_factor(printing ? 1 : 4), m_window(dc->GetWindowExt()), m_viewport(dc->GetViewportExt())
    {
        if (m_factor > 1) {
            m_dc->SetWindowExt(m_window.cx * m_factor, m_window.cy * m_factor);
            m_dc->SetViewportExt(m_viewport);
        }
    }
    ~FineResolution()
    {
        if (m_factor > 1) {
            m_dc->SetWindowExt(m_window);
            m_dc->SetViewportExt(m_viewport);
        }
    }
    FineResolution(const FineResolution&) = delete;
    FineResolution& operator=(const FineResolution&) = delete;

    int Factor() const { return m_factor; }

private:
    CDC* m_dc;
    int m_factor;
    CSize m_window;
    CSize m_viewport;
};
