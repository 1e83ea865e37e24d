// Notes, chords and note heads, and the colour of a symbol by its voice.

#include "render/ScoreView.h"

short CScoreView::DrawNote(CKVMsg&, int, BYTE, int, int, int)
{
    KV_PENDING("CScoreView::DrawNote");
    return 0;
}

short CScoreView::DrawChord(CKVMsg&, int, int, int, int)
{
    KV_PENDING("CScoreView::DrawChord");
    return 1;
}

short CScoreView::DrawHead(CKVMsg&, short, short, short, int, BYTE)
{
    KV_PENDING("CScoreView::DrawHead");
    return 0;
}

int CScoreView::IsEqualNoteInOtherVoice(CKVMsg*)
{
    KV_PENDING("CScoreView::IsEqualNoteInOtherVoice");
    return 0;
}

COLORREF CScoreView::GetColorByVoice(CKVMsg&)
{
    KV_PENDING("CScoreView::GetColorByVoice");
    return 0;
}

CSize CScoreView::GetNoteHeadSize()
{
    KV_PENDING("CScoreView::GetNoteHeadSize");
    return CSize(0, 0);
}

CKVStaff* CScoreView::GetNoteViewStaff(const CKVMsg&)
{
    KV_PENDING("CScoreView::GetNoteViewStaff");
    return nullptr;
}

void CScoreView::CorrectSubMsgPos(CKVMsg*, int, int, int)
{
    KV_PENDING("CScoreView::CorrectSubMsgPos");
}

short CScoreView::GetChordStatus(CKVMsg&, CKVMsg**, CKVMsg**)
{
    KV_PENDING("CScoreView::GetChordStatus");
    return 0;
}
