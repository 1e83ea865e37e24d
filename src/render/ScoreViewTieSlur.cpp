// Ties, slurs, page slurs, bent lines and the arc they are drawn with.

#include "render/ScoreView.h"

#include "model/KVMsg.h"
#include "model/KVSystem.h"

// Until ties and slurs are drawn, this only reports one whose start note
// (its 32-bit word) or end note (its height field) is gone.
short CScoreView::DrawTieSlur(CKVMsg& tie, int)
{
    KV_PENDING("CScoreView::DrawTieSlur");
    CKVSystem* system = tie.m_pSystem;
    if (!system || !system->GetMsgFromMap(tie.m_dwWord) ||
        !system->GetMsgFromMap(static_cast<DWORD>(tie.m_lHeight)))
        return -1;
    return 1;
}

short CScoreView::DrawTie(CKVMsg&, int, int, int, int, int)
{
    KV_PENDING("CScoreView::DrawTie");
    return 1;
}

short CScoreView::DrawSlur(CKVMsg&, int, int, int, int, int, int, int)
{
    KV_PENDING("CScoreView::DrawSlur");
    return 1;
}

void CScoreView::DrawArc(LONG l, LONG t, LONG r, LONG b, LONG xs, LONG ys, LONG xe, LONG ye)
{
    if (!m_bOpened || l == r)
        return;
    // A flat ellipse, or one the device cannot draw, is its chord.
    if (t == b || !m_pDC->Arc(l, t, r, b, xs, ys, xe, ye)) {
        m_pDC->MoveTo(xs, ys);
        m_pDC->LineTo(xe, ye);
    }
}

short CScoreView::DrawCurvedLine(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCurvedLine");
    return 1;
}

short CScoreView::DrawBezierLine(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawBezierLine");
    return 1;
}
