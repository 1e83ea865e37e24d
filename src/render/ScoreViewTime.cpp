// Time signatures in measure headers.

#include "render/ScoreView.h"

short CScoreView::DrawMeasTimeSignA(CKVMeas*, LONG, LONG, int)
{
    KV_PENDING("CScoreView::DrawMeasTimeSignA");
    return 0;
}

short CScoreView::DrawTimeSig(CKVMeas&)
{
    KV_PENDING("CScoreView::DrawTimeSig");
    return 0;
}

short CScoreView::GetTimeSignWidth(CKVMeas&)
{
    KV_PENDING("CScoreView::GetTimeSignWidth");
    return 0;
}
