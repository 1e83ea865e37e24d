// Chord-name texts and fret boards of the older kinds.

#include "render/ScoreView.h"

short CScoreView::DrawChordText(CKVMsg&)
{
    KV_PENDING("CScoreView::DrawChordText");
    return 0;
}

short CScoreView::DrawFretboard(CKVMsg&, int)
{
    KV_PENDING("CScoreView::DrawFretboard");
    return 1;
}
