#include "render/ScoreView.h"

CScoreView::CScoreView()
{
    KV_PENDING("CScoreView::CScoreView");
}

CScoreView::~CScoreView()
{
    KV_PENDING("CScoreView::~CScoreView");
}

short CScoreView::KVOpen(CDC*, CKVDoc*, int, int)
{
    KV_PENDING("CScoreView::KVOpen");
    return -1;
}

void CScoreView::UpdatePosY(short)
{
    KV_PENDING("CScoreView::UpdatePosY");
}
