// Staff lines and the connectors that group staves: braces and brackets.

#include "render/ScoreView.h"

short CScoreView::Draw5Line(LONG, LONG, LONG, COLORREF, unsigned char, unsigned char, unsigned short, unsigned char)
{
    KV_PENDING("CScoreView::Draw5Line");
    return 1;
}

void CScoreView::DrawThickDash(LONG, LONG, LONG, LONG, COLORREF, int)
{
    KV_PENDING("CScoreView::DrawThickDash");
}

short CScoreView::DrawConnect(CKVBlock&, int draw)
{
    KV_PENDING("CScoreView::DrawConnect");
    return static_cast<short>(draw ? 1 : 0);
}

int CScoreView::IsConnectStaff(CKVBlock&, int, unsigned char)
{
    KV_PENDING("CScoreView::IsConnectStaff");
    return 0;
}

short CScoreView::DrawBrace(LONG, LONG, LONG, COLORREF)
{
    KV_PENDING("CScoreView::DrawBrace");
    return 1;
}

short CScoreView::DrawBracket(LONG, LONG, LONG, COLORREF)
{
    KV_PENDING("CScoreView::DrawBracket");
    return 1;
}

short CScoreView::DrawDoubleBracket(LONG, LONG, LONG, COLORREF)
{
    KV_PENDING("CScoreView::DrawDoubleBracket");
    return 1;
}
