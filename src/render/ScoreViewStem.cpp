// Stems and flags of notes.

#include "render/ScoreView.h"

short CScoreView::DrawNoteBar_Tail(CKVMsg&, short, short, short, short, int, BYTE, int)
{
    KV_PENDING("CScoreView::DrawNoteBar_Tail");
    return 1;
}

CPoint CScoreView::DrawNoteFontBar(short, short, short, COLORREF, BYTE, unsigned short)
{
    KV_PENDING("CScoreView::DrawNoteFontBar");
    return CPoint(-1, -1);
}

CPoint CScoreView::DrawNoteBar(short, short, double, BYTE, COLORREF, unsigned short)
{
    KV_PENDING("CScoreView::DrawNoteBar");
    return CPoint(-1, -1);
}

CSize CScoreView::GetFontBarPos(CKVMsg&, short, short)
{
    KV_PENDING("CScoreView::GetFontBarPos");
    return CSize(0, 0);
}
