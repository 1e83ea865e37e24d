// Note marks, accidentals, the symbols attached to a note and handle outlines.

#include "render/ScoreView.h"

short CScoreView::DrawNoteMarks(CKVMsg&, short, BYTE)
{
    KV_PENDING("CScoreView::DrawNoteMarks");
    return 1;
}

short CScoreView::DrawSubMsgs(CKVMsg&, BYTE, int)
{
    KV_PENDING("CScoreView::DrawSubMsgs");
    return 1;
}

void CScoreView::DrawCtrlRectOfMsg(CKVMsg*, int, int)
{
    KV_PENDING("CScoreView::DrawCtrlRectOfMsg");
}
