// Beam groups: stems and beams of the group, and its handles.

#include "render/ScoreView.h"

short CScoreView::DrawBeam(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawBeam");
    return 1;
}

void CScoreView::AdjustBeam(CKVMsg&)
{
    KV_PENDING("CScoreView::AdjustBeam");
}

void CScoreView::MakeControlPointOfBeam(CKVMsg*, int&, int&, int, int)
{
    KV_PENDING("CScoreView::MakeControlPointOfBeam");
}
