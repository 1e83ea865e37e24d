// Measure drawing and the dispatch of one symbol to its drawer by kind.

#include "render/ScoreView.h"

short CScoreView::KVDrawMeas(CKVMeas&, short, int)
{
    KV_PENDING("CScoreView::KVDrawMeas");
    return 1;
}

short CScoreView::KVDrawMsg(CKVMsg&, BYTE)
{
    KV_PENDING("CScoreView::KVDrawMsg");
    return 1;
}
