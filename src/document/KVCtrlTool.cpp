#include "document/KVCtrlTool.h"

CKVCtrlTool::CKVCtrlTool()
{
    // The members start at their defaults; the fonts and folders come later.
    KV_PENDING("CKVCtrlTool::CKVCtrlTool");
}

short CKVCtrlTool::Write(CFile*)
{
    KV_PENDING("CKVCtrlTool::Write");
    return 0;
}

short CKVCtrlTool::Read(CFile*)
{
    KV_PENDING("CKVCtrlTool::Read");
    return 0;
}

void CKVCtrlTool::SetMargin(short, short, short, short)
{
    KV_PENDING("CKVCtrlTool::SetMargin");
}

void CKVCtrlTool::SetMarginLimit(short, short, short, short)
{
    KV_PENDING("CKVCtrlTool::SetMarginLimit");
}

void CKVCtrlTool::SetVarnelMusicVersion(DWORD)
{
    KV_PENDING("CKVCtrlTool::SetVarnelMusicVersion");
}

DWORD CKVCtrlTool::GetVarnelMusicVersion()
{
    KV_PENDING("CKVCtrlTool::GetVarnelMusicVersion");
    return 0;
}

short CKVCtrlTool::GetNoteDirection(short)
{
    KV_PENDING("CKVCtrlTool::GetNoteDirection");
    return 0;
}

void GetDefaultFont(LOGFONT*, DEFAULT_FONT*)
{
    KV_PENDING("GetDefaultFont");
}
