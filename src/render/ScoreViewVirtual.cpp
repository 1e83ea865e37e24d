// Invisible layout passes over a block, and the room its brackets need.

#include "render/ScoreView.h"

short CScoreView::VirtualDrawBlock(CKVBlock&, CFontDatas*, int)
{
    KV_PENDING("CScoreView::VirtualDrawBlock");
    return 1;
}

short CScoreView::GetDispXByBrace(CKVBlock&)
{
    KV_PENDING("CScoreView::GetDispXByBrace");
    return 0;
}
