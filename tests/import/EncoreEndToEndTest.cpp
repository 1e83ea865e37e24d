// Whole Encore imports, saved and loaded again: a writer file with every
// form of symbol in both byte orders and both layouts, and atraing.enc.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "model/ImportState.h"
#include "platform/CodePage.h"
#include "support/CanonicalDump.h"
#include "support/Drawing.h"

#include <cstring>
#include <map>
#include <set>

using namespace kvtest;

namespace {

using Bytes = std::vector<BYTE>;

struct WholeImport {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<CKVDoc> loaded;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    int result = 0;

    // Imports the bytes, then saves the score and loads it into a new
    // document.
    int Run(Bytes bytes)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        result = ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, nullptr);
        if (result != 1)
            return result;
        CMemFile stored;
        if (doc.Save(&stored) != 1)
            return -1;
        stored.SeekToBegin();
        loaded = std::make_unique<CKVDoc>();
        return loaded->Load(&stored, 3) == 0 ? 1 : -1;
    }
    CKVSystem* Master() { return loaded->m_arrSystem.GetAt(0); }
    // Kind counts of the loaded map.
    std::map<int, int> Kinds()
    {
        std::map<int, int> kinds;
        CKVSystem* master = Master();
        for (int i = 1; i < master->m_arrMsgMap.GetSize(); ++i) {
            CKVMsg* msg = master->m_arrMsgMap.GetAt(i);
            if (msg && msg->IsValidMapEntry(master))
                ++kinds[msg->m_byKind];
        }
        return kinds;
    }
};

// The symbols of a kind under the measures of one staff, each once.
void Collect(CKVObject& node, std::set<DWORD>& ids, BYTE kind, int depth = 0)
{
    for (short i = 0; i < node.GetMsgNum() && depth < 5; ++i) {
        CKVMsg* msg = node.GetMsg(i);
        if (!msg || msg == &node)
            continue;
        if (msg->m_byKind == kind)
            ids.insert(msg->m_dwMsgId);
        Collect(*msg, ids, kind, depth + 1);
    }
}

int CountOnStaff(CKVStaff& staff, BYTE kind)
{
    std::set<DWORD> ids;
    for (LONG m = 0; m < staff.GetMeasNum(); ++m)
        Collect(*staff.GetMeas(m), ids, kind);
    return static_cast<int>(ids.size());
}

class EncoreEndToEnd : public KvTest {};

TEST_F(EncoreEndToEnd, EveryFormOfAWriterFileImportsSavesAndLoads)
{
    SetAnsiCodePage(1252);
    WholeImport run;
    ASSERT_EQ(run.Run(WriteEncore(EveryFormEncore(), EncoreOrder::Scow)), 1);
    EXPECT_EQ(bImportConverting, 0);
    EXPECT_EQ(run.doc.m_bBackupRecord, 1);

    std::map<int, int> kinds = run.Kinds();
    const std::map<int, int> expected = {{MSG_NOTE, 8},      {MSG_REST, 10},   {MSG_TIE, 2},    {MSG_LYRIC, 1},
                                         {MSG_CHORDSYMBOL, 1}, {MSG_DYNAMIC, 1}, {MSG_FREETEXT, 1}, {MSG_TEMPO, 1},
                                         {MSG_OCTAVE, 2},    {MSG_BEAM, 1},    {MSG_TUPLET, 1}};
    for (auto [kind, count] : expected)
        EXPECT_EQ(kinds[kind], count) << "kind " << kind;

    CKVPage* page = run.loaded->GetPage(0);
    ASSERT_NE(page, nullptr);
    int texts = 0;
    for (short i = 0; i < page->GetMsgNum(); ++i)
        texts += page->GetMsg(i)->m_byKind == MSG_FREETEXT ? 1 : 0;
    EXPECT_EQ(texts, 2);

    // The measure text's record 6 in UTF-16.
    CKVMsg* text = nullptr;
    for (int i = 1; i < run.Master()->m_arrMsgMap.GetSize() && !text; ++i) {
        CKVMsg* msg = run.Master()->m_arrMsgMap.GetAt(i);
        if (msg && msg->IsValidMapEntry(run.Master()) && msg->m_byKind == MSG_FREETEXT)
            text = msg;
    }
    ASSERT_NE(text, nullptr);
    unsigned char* head = nullptr;
    const short length = text->GetHead(&head);
    const Bytes cafe = {'C', 0, 'a', 0, 'f', 0, 0xE9, 0};
    EXPECT_NE(std::search(head, head + length, cafe.begin(), cafe.end()), head + length);

    // The header keeps its 8-bit text.
    unsigned char* header = nullptr;
    const short headerLength = run.loaded->m_pTitleMsg[1]->GetHead(&header);
    const std::string page_ = "Page #P";
    EXPECT_NE(std::search(header, header + headerLength, page_.begin(), page_.end()), header + headerLength);

    // Every note's stem byte is cleared.
    for (int i = 1; i < run.Master()->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = run.Master()->m_arrMsgMap.GetAt(i);
        if (msg && msg->IsValidMapEntry(run.Master()) && msg->m_byKind == MSG_NOTE) {
            EXPECT_EQ(msg->m_byMark2, 0);
        }
    }

    // The same score from the SCO5 twin and from the older layout.
    const std::string dump = CanonicalDump(*run.loaded);
    WholeImport twin;
    ASSERT_EQ(twin.Run(WriteEncore(EveryFormEncore(), EncoreOrder::Sco5)), 1);
    EXPECT_EQ(CanonicalDump(*twin.loaded), dump);
    EncoreFile older = EveryFormEncore();
    older.layout = EncoreLayout::Older;
    WholeImport old;
    ASSERT_EQ(old.Run(WriteEncore(older, EncoreOrder::Scow)), 1);
    EXPECT_EQ(CanonicalDump(*old.loaded), dump);
}

// --- atraing.enc ------------------------------------------------------------

TEST_F(EncoreEndToEnd, AtraingImportsCompletely)
{
    const auto path = SharedEncoreFile("atraing.enc");
    if (!path)
        GTEST_SKIP() << "atraing.enc is not there";
    WholeImport run;
    ASSERT_EQ(run.Run(LoadBytes(*path)), 1);
    EXPECT_EQ(bImportConverting, 0);
    EXPECT_EQ(run.enc.m_dwShortSymbols, 0u);

    CKVSystem* master = run.Master();
    ASSERT_EQ(master->GetStaffNum(), 31);
    ASSERT_EQ(master->GetMeasNum(), 130);
    ASSERT_EQ(run.loaded->GetPageNum(), 44);
    for (short p = 0; p < 44; ++p) {
        EXPECT_EQ(run.loaded->GetPage(p)->GetBlockNum(), 1);
        EXPECT_EQ(run.loaded->GetPage(p)->GetMsgNum(), 0) << p;
    }
    for (int t = 0; t < run.enc.m_arrTrack.GetSize(); ++t) {
        const CEncTrack* track = run.enc.m_arrTrack[t];
        EXPECT_STREQ(master->GetStaff(track->m_nStaffIndex[0])->m_szName, static_cast<LPCTSTR>(track->szName()));
    }

    const std::vector<int> notes = {1292, 782, 722, 568, 447, 242, 468, 247, 395,
                                    246,  435, 221, 181, 356, 245, 251, 197};
    const std::vector<int> rests = {506, 228, 182, 180, 217, 180, 207, 188, 201,
                                    206, 258, 203, 204, 230, 201, 200, 195};
    const std::vector<int> beams = {13, 12, 10, 33, 52, 31, 59, 28, 29, 9, 38, 17, 11, 20, 15, 14, 9};
    const std::vector<int> tieRecords = {25, 245, 237, 132, 124, 70, 130, 70, 120, 74, 131, 60, 50, 113, 77, 81, 65};
    int ties = 0;
    int slurs = 0;
    for (short s = 0; s < 31; ++s) {
        SCOPED_TRACE(s);
        CKVStaff& staff = *master->GetStaff(s);
        const size_t i = static_cast<size_t>(s - 14);
        EXPECT_EQ(CountOnStaff(staff, MSG_NOTE), s < 14 ? 0 : notes[i]);
        EXPECT_EQ(CountOnStaff(staff, MSG_REST), s < 14 ? 130 : rests[i]);
        EXPECT_EQ(CountOnStaff(staff, MSG_BEAM), s < 14 ? 0 : beams[i]);
        const int tied = CountOnStaff(staff, MSG_TIE);
        const int free = CountOnStaff(staff, MSG_PAGESLUR);
        EXPECT_LE(tied + free, s < 14 ? 0 : tieRecords[i]);
        ties += tied;
        slurs += free;
    }
    RecordProperty("ties", ties);
    RecordProperty("page_slurs", slurs);
    std::printf("atraing.enc: %d ties, %d page slurs\n", ties, slurs);

    std::map<int, int> kinds = run.Kinds();
    EXPECT_EQ(kinds[MSG_NOTE], 7295);
    EXPECT_EQ(kinds[MSG_REST], 5606);
    EXPECT_EQ(kinds[MSG_BEAM], 400);
    for (BYTE kind : {MSG_TEMPO, MSG_FREETEXT, MSG_LYRIC, MSG_CHORDSYMBOL})
        EXPECT_EQ(kinds[kind], 0) << int(kind);
    for (int i = 1; i < master->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = master->m_arrMsgMap.GetAt(i);
        if (msg && msg->IsValidMapEntry(master) && msg->m_byKind == MSG_NOTE) {
            ASSERT_EQ(msg->m_byMark2, 0);
        }
    }
    unsigned char* head = nullptr;
    EXPECT_EQ(run.loaded->m_pTitleMsg[0]->GetHead(&head), 0);
    EXPECT_EQ(run.loaded->m_pTitleMsg[1]->GetHead(&head), 0);
}

} // namespace
