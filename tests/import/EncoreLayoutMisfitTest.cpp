// An Encore file whose symbol records mostly do not fit the layout its
// version word names is refused rather than imported as a score that lost
// its music; a few short records are skipped and counted.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "model/ImportState.h"
#include "support/Drawing.h"

using namespace kvtest;

namespace {

struct MisfitRun {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    EncImportFailure failure = EncImportFailure::None;

    int Run(std::vector<BYTE> bytes)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        return ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, nullptr, 14, &failure);
    }
};

// A skeleton in the older record layout whose first measure holds `notes`
// notes and `rests` rests, under the version word given. Read as the later
// records (version 0x400 and above), a note of the older layout is too short;
// a rest still fits.
std::vector<BYTE> OlderRecords(int notes, int rests, WORD version)
{
    EncoreFile f = SkeletonEncore();
    f.layout = EncoreLayout::Older;
    f.wVersion = version;
    for (int i = 0; i < notes; ++i)
        f.measures[0].symbols.push_back(EncNote(0, 0, static_cast<WORD>(10 + 20 * i), 0, 64, 120));
    for (int i = 0; i < rests; ++i)
        f.measures[1].symbols.push_back(EncRest(0, 0, static_cast<WORD>(10 + 20 * i)));
    return WriteEncore(f, EncoreOrder::Scow);
}

class EncoreLayoutMisfit : public KvTest {};

TEST_F(EncoreLayoutMisfit, MostRecordsTooShortForTheLayoutRefuseTheFile)
{
    MisfitRun run;
    EXPECT_EQ(run.Run(OlderRecords(3, 1, 0xFF05)), 0);
    EXPECT_EQ(run.failure, EncImportFailure::LayoutMisfit);
    EXPECT_EQ(run.enc.m_dwShortSymbols, 3u);
    EXPECT_EQ(run.enc.m_dwSymbolRecords, 4u);
    EXPECT_EQ(bImportConverting, 0);
    EXPECT_TRUE(run.doc.m_bBackupRecord);

    // The same records under their own version word import whole.
    MisfitRun own;
    EXPECT_EQ(own.Run(OlderRecords(3, 1, 0x305)), 1);
    EXPECT_EQ(own.enc.m_dwShortSymbols, 0u);
    EXPECT_EQ(own.enc.m_dwSymbolRecords, 4u);
}

TEST_F(EncoreLayoutMisfit, HalfTheRecordsOrFewerAreSkippedAndCounted)
{
    for (const auto& [notes, rests] : {std::pair {2, 2}, std::pair {1, 3}}) {
        SCOPED_TRACE(notes);
        MisfitRun run;
        EXPECT_EQ(run.Run(OlderRecords(notes, rests, 0xFF05)), 1);
        EXPECT_EQ(run.failure, EncImportFailure::None);
        EXPECT_EQ(run.enc.m_dwShortSymbols, static_cast<DWORD>(notes));
        EXPECT_EQ(run.enc.m_dwSymbolRecords, 4u);
    }
}

// Records too short even for their head count among the file's records too.
TEST_F(EncoreLayoutMisfit, RecordsTooShortForTheirHeadCountAsRecords)
{
    EncoreFile f = SkeletonEncore();
    const EncoreSymbol shortRecord = EncRawRecord({0, 0, 0x50, 5, 0});
    f.measures[0].symbols = {shortRecord};
    f.measures[1].symbols = {shortRecord};
    f.measures[2].symbols = {EncRest(0, 0, 10)};
    MisfitRun run;
    EXPECT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow)), 0);
    EXPECT_EQ(run.failure, EncImportFailure::LayoutMisfit);
    EXPECT_EQ(run.enc.m_dwShortSymbols, 2u);
    EXPECT_EQ(run.enc.m_dwSymbolRecords, 3u);
}

} // namespace
