// Ties, slurs, page slurs, bent lines and the arc they are drawn with.

#include "render/ScoreView.h"

short CScoreView::DrawTieSlur(CKVMsg&, int)
{
    KV_PENDING("CScoreView::DrawTieSlur");
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

void CScoreView::DrawArc(LONG, LONG, LONG, LONG, LONG, LONG, LONG, LONG)
{
    KV_PENDING("CScoreView::DrawArc");
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
