// Bar lines at the start and end of measures.

#include "render/ScoreView.h"

short CScoreView::DrawBarLine(CKVMeas&, unsigned short, short, int)
{
    KV_PENDING("CScoreView::DrawBarLine");
    return 0;
}

short CScoreView::DrawMeasLeftBarA(CKVMeas*, int)
{
    KV_PENDING("CScoreView::DrawMeasLeftBarA");
    return 0;
}
