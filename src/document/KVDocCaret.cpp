#include "document/KVDoc.h"

short nNoteMarkRightPos = 0;

namespace {

void ResetNoteMarkRightPos()
{
    nNoteMarkRightPos = 0;
}

KvProcessReset s_reset("note-mark position", &ResetNoteMarkRightPos);

} // namespace

CPoint CKVDoc::GetCaretXY()
{
    KV_PENDING("CKVDoc::GetCaretXY");
    return CPoint(0, 0);
}

CPoint CKVDoc::GetCaretPos(int&)
{
    KV_PENDING("CKVDoc::GetCaretPos");
    return CPoint(0, 0);
}

short CKVDoc::GetCaretOnMeas()
{
    KV_PENDING("CKVDoc::GetCaretOnMeas");
    return 0;
}

void CKVDoc::SetEditStatus(POINT)
{
    KV_PENDING("CKVDoc::SetEditStatus");
}

short CKVDoc::OneStep(int)
{
    KV_PENDING("CKVDoc::OneStep");
    return -1;
}

short CKVDoc::CaretMoveUpDown(int)
{
    KV_PENDING("CKVDoc::CaretMoveUpDown");
    return -1;
}

short CKVDoc::OneStepMeas(int)
{
    KV_PENDING("CKVDoc::OneStepMeas");
    return -1;
}

CKVMsg* CKVDoc::InsertNoteMsgInCurrentMeas(CKVMsg*, short, int, int, int, int, int*)
{
    KV_PENDING("CKVDoc::InsertNoteMsgInCurrentMeas");
    return nullptr;
}

extern "C" short SetNoteMarkRightPos(unsigned short position)
{
    nNoteMarkRightPos = static_cast<short>(position);
    return nNoteMarkRightPos;
}
