// Block drawing: connectors, staff lines, measure headers and bar lines,
// and the horizontal layout of the block's measures.

#include "render/ScoreView.h"

short CScoreView::KVDrawBlock(CKVBlock&)
{
    KV_PENDING("CScoreView::KVDrawBlock");
    return 1;
}
