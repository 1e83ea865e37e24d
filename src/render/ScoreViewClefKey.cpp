// Clefs and key signatures in measure headers.

#include "render/ScoreView.h"

short CScoreView::DrawMeasClefA(CKVMeas*, unsigned char*, int, int)
{
    KV_PENDING("CScoreView::DrawMeasClefA");
    return 0;
}

short CScoreView::DrawMeasClef(CKVMeas&)
{
    KV_PENDING("CScoreView::DrawMeasClef");
    return 0;
}

short CScoreView::DrawMeasKeySignA(CKVMeas*, unsigned char*, short*, int, int, int& naturalsBefore)
{
    KV_PENDING("CScoreView::DrawMeasKeySignA");
    naturalsBefore = 0;
    return 0;
}
