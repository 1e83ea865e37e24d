#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/NewObject.h"

#include <new>

CKVMsg* CKVDoc::AddMsg(CKVObject*, CKVMsg*, int, int)
{
    KV_PENDING("CKVDoc::AddMsg");
    return nullptr;
}

CKVMsg* CKVDoc::AddMsg(CKVPage* page, CKVMsg* tmpl, int, int backup)
{
    if (!page || !tmpl)
        return nullptr;
    CKVMsg* msg = KvNewReported<CKVMsg>();
    if (!msg)
        return nullptr;
    if (backup) {
        ResetBackup();
        page->ObjectBackup(kBackupRecorded);
        // The symbol goes to the page that stays in the score.
        if (CKVPage* live = page->GetCurBackupObj())
            page = live;
    }
    tmpl->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    tmpl->m_pPage = page;
    *msg = *tmpl;
    msg->MakeMsgCtrlPoint();
    page->AddMsg(msg);
    m_bModified = 1;
    return msg;
}

void CKVDoc::DeleteMsg(CKVMsg*, int)
{
    KV_PENDING("CKVDoc::DeleteMsg");
}

CKVMsg* CKVDoc::InsertNewNoteMsg(POINT, short, unsigned short, unsigned short, unsigned char, short,
                                 DWORD, LONG, unsigned short, int, LONG, int, int, int, int, int)
{
    KV_PENDING("CKVDoc::InsertNewNoteMsg(point)");
    return nullptr;
}

CKVMsg* CKVDoc::InsertNewNoteMsg(short, LONG, CKVMsg*, unsigned short, int, int, int, int*, int)
{
    KV_PENDING("CKVDoc::InsertNewNoteMsg(staff)");
    return nullptr;
}
