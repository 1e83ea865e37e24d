// Handle outlines of blocks and measures.

#include "render/ScoreView.h"

void CScoreView::DrawCtrlRect(CKVCtrlPoint*, int, int, int)
{
    KV_PENDING("CScoreView::DrawCtrlRect");
}

void CScoreView::DrawCtrlPoint(CKVCtrlPoint*, int, int)
{
    KV_PENDING("CScoreView::DrawCtrlPoint");
}

void CScoreView::DrawCtrlRectOfBlock(CKVBlock&)
{
    KV_PENDING("CScoreView::DrawCtrlRectOfBlock");
}

void CScoreView::DrawCtrlRectOfMeas(CKVMeas*)
{
    KV_PENDING("CScoreView::DrawCtrlRectOfMeas");
}
