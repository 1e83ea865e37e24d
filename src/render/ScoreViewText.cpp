// Texts, lyrics, tempo marks, dynamics and MIDI events.

#include "render/ScoreView.h"

short CScoreView::DrawMultiText(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMultiText");
    return 1;
}

short CScoreView::DrawTextMsg(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawTextMsg");
    return 1;
}

short CScoreView::DrawMetronome(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMetronome");
    return 1;
}

short CScoreView::DrawDynamic(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawDynamic");
    return 1;
}

short CScoreView::DrawMidiShortMsg(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawMidiShortMsg");
    return 1;
}
