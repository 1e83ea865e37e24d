// Page drawing: background, frame, title symbol, blocks, page-level symbols,
// staff names, header and footer.

#include "render/ScoreView.h"

short CScoreView::KVDrawPage(CKVPage&, CRect, int)
{
    KV_PENDING("CScoreView::KVDrawPage");
    return 1;
}

void CScoreView::KVDrawStaffName(CKVPage&, int)
{
    KV_PENDING("CScoreView::KVDrawStaffName");
}

void CScoreView::DrawHeaderFooterMsg(CKVPage*, CKVMsg*, int)
{
    KV_PENDING("CScoreView::DrawHeaderFooterMsg");
}

void CScoreView::DrawHeaderFooter(CKVPage*, tagHEADER_FOOTER*, char*, int, int)
{
    KV_PENDING("CScoreView::DrawHeaderFooter");
}
