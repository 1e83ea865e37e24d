// Repeat endings of the measure being drawn.

#include "render/ScoreView.h"

short CScoreView::DrawEndings(short)
{
    KV_PENDING("CScoreView::DrawEndings");
    return 1;
}
