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
#include "support/CanonicalDump.h"
#include "support/ScoreTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace kvtest {

inline void StartUndoRecording(CKVDoc& doc)
{
    doc.m_bBackupRecord = 1;
}

// The score as a save and a load give it back: where an edit re-links ties,
// undo may leave a tie under the id its clone gave it, which reading renumbers.
inline std::string StoredDump(CKVDoc& doc)
{
    CMemFile file;
    EXPECT_EQ(1, doc.Save(&file));
    file.SeekToBegin();
    auto loaded = std::make_unique<CKVDoc>();
    EXPECT_EQ(0, loaded->Load(&file, 3));
    return CanonicalDump(*loaded);
}

// One line of the file info's page geometry and the document's font
// metrics, for commands that change them beside the tree.
inline std::string FileInfoDump(CKVDoc& doc)
{
    const CKVFileInfo& f = *doc.m_pFileInfo;
    return "blocks " + std::to_string(f.m_nBlockPerPage) + " measures " + std::to_string(f.m_nMeasPerBlock) +
           " margins " + std::to_string(f.m_nLeftMargin) + "," + std::to_string(f.m_nRightMargin) + "," +
           std::to_string(f.m_nTopMargin) + "," + std::to_string(f.m_nBottomMargin) + " first " +
           std::to_string(f.m_nFirstBlockX) + "," + std::to_string(f.m_nFirstBlockY) + " distances " +
           std::to_string(f.m_nBlockDistance) + "," + std::to_string(f.m_nStaffDistance) + " print " +
           std::to_string(f.m_lPrintWidth) + "x" + std::to_string(f.m_lPrintHeight) + " font " +
           std::to_string(doc.m_nFontHeight) + "," + std::to_string(doc.m_nStaffSpace);
}

// Whether the round trip runs the host's own step first, and how the score
// is compared (WithFileInfo: the live tree and the file info's geometry).
enum class HostStep { None, OpenAndBackUp };
enum class Compare { Live, Stored, WithFileInfo };

// Runs an edit command, then checks that undo gives back the score from
// before it and redo the score after it. With HostStep::OpenAndBackUp the
// test opens the step and backs up the selection first, as the host does for
// commands that take no backup of their own.
inline void ExpectRoundTrip(CKVDoc& doc, const std::function<void()>& command, HostStep host = HostStep::None,
                            Compare compare = Compare::Live)
{
    auto dump = [&] {
        if (compare == Compare::WithFileInfo)
            return CanonicalDump(doc) + FileInfoDump(doc);
        return compare == Compare::Stored ? StoredDump(doc) : CanonicalDump(doc);
    };
    const std::string before = dump();
    if (host == HostStep::OpenAndBackUp) {
        doc.ResetBackup();
        doc.SelMeasBackup(1);
    }
    command();
    const std::string after = dump();
    doc.MultiUndoStart();
    EXPECT_EQ(dump(), before) << "undo";
    doc.MultiRedoStart();
    EXPECT_EQ(dump(), after) << "redo";
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
