// Symbols drawn as glyphs: marks, codas, trills, arpeggios, clef and key changes.

#include "render/ScoreView.h"

short CScoreView::DrawSingle_Msg(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawSingle_Msg");
    return 1;
}

short CScoreView::DrawMark(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMark");
    return 1;
}

short CScoreView::DrawGerneralFont(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawGerneralFont");
    return 1;
}

short CScoreView::DrawCoda(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCoda");
    return 1;
}

short CScoreView::DrawCodaEx(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawCodaEx");
    return 1;
}

short CScoreView::DrawTrills(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawTrills");
    return 1;
}

short CScoreView::DrawRolled_chord(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawRolled_chord");
    return 1;
}

short CScoreView::DrawClef(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawClef");
    return 0;
}

short CScoreView::DrawKeysign(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawKeysign");
    return 1;
}

short CScoreView::ChangeKeySign(CKVMsg&)
{
    KV_PENDING("CScoreView::ChangeKeySign");
    return 1;
}
