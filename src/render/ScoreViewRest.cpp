// Rests, rhythm slashes, multi-measure rests and the entry previews.

#include "render/ScoreView.h"

short CScoreView::DrawRest(CKVMsg&, BYTE)
{
    KV_PENDING("CScoreView::DrawRest");
    return 1;
}

void CScoreView::DrawSlashRest(int, int, COLORREF, BYTE)
{
    KV_PENDING("CScoreView::DrawSlashRest");
}

short CScoreView::DrawLongrest(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawLongrest");
    return 1;
}

short CScoreView::DrawPreviewRestEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawPreviewRestEx");
    return 1;
}

short CScoreView::DrawPreviewNoteEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawPreviewNoteEx");
    return 1;
}
