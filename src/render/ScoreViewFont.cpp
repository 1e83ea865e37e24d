// The music font at size percents, measuring glyph text, and drawing it
// directly or in a colour through the host's memory device context.

#include "render/ScoreView.h"

CDC memTextDC;
CBitmap bmpText;

HFONT CScoreView::SelectFontObject(HFONT)
{
    KV_PENDING("CScoreView::SelectFontObject");
    return nullptr;
}

HFONT CScoreView::SelectFont(short)
{
    KV_PENDING("CScoreView::SelectFont");
    return nullptr;
}

CSize CScoreView::GetTextExtent(char)
{
    KV_PENDING("CScoreView::GetTextExtent");
    return CSize(0, 0);
}

CSize CScoreView::GetTextExtent(const char*, int)
{
    KV_PENDING("CScoreView::GetTextExtent");
    return CSize(0, 0);
}

CSize CScoreView::GetTextExtent(const CString&)
{
    KV_PENDING("CScoreView::GetTextExtent");
    return CSize(0, 0);
}

int CScoreView::DrawTextOut(int, int, const char*, int, BYTE)
{
    KV_PENDING("CScoreView::DrawTextOut");
    return 0;
}

int CScoreView::DrawTextOut(int, int, CString, BYTE)
{
    KV_PENDING("CScoreView::DrawTextOut");
    return 0;
}

int CScoreView::DrawTextOutT(int, int, const char*, int, BYTE)
{
    KV_PENDING("CScoreView::DrawTextOutT");
    return 0;
}
