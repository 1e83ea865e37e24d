// Tuplet brackets and tremolo strokes.

#include "render/ScoreView.h"

short CScoreView::DrawMeasTuplet(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMeasTuplet");
    return 1;
}

void CScoreView::DrawTremolo(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawTremolo");
}

void CScoreView::DrawPararellLine(int, double, int, double, int, int, double, double, COLORREF)
{
    KV_PENDING("CScoreView::DrawPararellLine");
}
