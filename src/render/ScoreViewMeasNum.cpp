// Measure numbers of a block.

#include "render/ScoreView.h"

short CScoreView::DrawMeasNum(CKVBlock&)
{
    KV_PENDING("CScoreView::DrawMeasNum");
    return 1;
}
