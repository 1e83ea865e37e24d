// Lines, hairpins, octave and pedal lines, zigzags and shapes.

#include "render/ScoreView.h"

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

int CScoreView::DrawRectangle(int, int, int, int)
{
    KV_PENDING("CScoreView::DrawRectangle");
    return 1;
}
