// Lines, hairpins, octave and pedal lines, zigzags and shapes.

#include "render/ScoreView.h"

#include "render/FineResolution.h"

#include <algorithm>

short CScoreView::DrawMsgLine(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMsgLine");
    return 1;
}

short CScoreView::DrawCDCrescendo(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCDCrescendo");
    return 1;
}

short CScoreView::DrawN(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawN");
    return 1;
}

short CScoreView::DrawInversM(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawInversM");
    return 1;
}

short CScoreView::DrawVabPedal(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawVabPedal");
    return 1;
}

short CScoreView::DrawEllipse(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawEllipse");
    return 1;
}

short CScoreView::DrawRectangle(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawRectangle");
    return 1;
}

short CScoreView::DrawRoundRectangle(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawRoundRectangle");
    return 1;
}

int CScoreView::DrawRectangle(int l, int t, int r, int b)
{
    if (!m_bOpened)
        return 1;
    const FineResolution fine(m_pDC, m_bPrinting != 0);
    const int m = fine.Factor();
    const int left = std::min(l, r) * m;
    const int right = std::max(std::max(l, r) * m, left + 1);
    const int top = std::min(t, b) * m;
    const int bottom = std::max(t, b) * m;
    if (right - left < 2) {
        // Too narrow to fill: a line in the caller's pen, so that it keeps
        // the caller's colour.
        m_pDC->MoveTo(left, top);
        m_pDC->LineTo(left, bottom);
    } else {
        m_pDC->Rectangle(left, top, right, bottom);
    }
    return 1;
}
