#pragma once
// Undo recording is off in a new document until its first view draws it;
// tests switch it on the way that first drawing pass does. The undo fixture
// records from the start and has two small edits to undo: the first title's
// position under a file-info backup, and a page appended under a backup of
// the page list.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "support/ScoreTest.h"

namespace kvtest {

inline void StartUndoRecording(CKVDoc& doc)
{
    doc.m_bBackupRecord = 1;
}

class UndoTest : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        StartUndoRecording(Doc());
    }

    void TitleEdit(short x)
    {
        Doc().ResetBackup();
        Doc().m_pFileInfo->ObjectBackup(kBackupRecorded);
        Doc().m_pTitleMsg[0]->m_nPosX = x;
    }

    short TitleX() { return Doc().m_pTitleMsg[0]->m_nPosX; }

    void PageEdit()
    {
        Doc().ResetBackup();
        Doc().m_pPageArray->ObjectBackup(&Doc().m_pPageArray, kBackupRecorded);
        CKVPage* page = new CKVPage;
        page->Create(Doc().m_pFileInfo);
        Doc().AddPage(page);
    }
};

} // namespace kvtest
