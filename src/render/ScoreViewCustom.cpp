// Custom symbols drawn from their data block.

#include "render/ScoreView.h"

short CScoreView::DrawCustomSymbolMsg(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCustomSymbolMsg");
    return 0;
}
