// The Encore import: the skeleton that the structure conversion builds from
// files of the test writer and from atraing.enc, the refusals, the state
// that the import leaves behind, and the texts made UTF-16.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "model/ImportState.h"
#include "support/Drawing.h"

#include <cstring>
#include <set>

using namespace kvtest;

namespace {

struct ImportRun {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);
    EncImportFailure failure = EncImportFailure::None;
    int result = 0;

    int Run(std::vector<BYTE> bytes, int lastStep = 14, CDialog* dialog = nullptr)
    {
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        result = ImportEncore(file, enc, doc, dc.get(), doc.m_ScoreView, dialog, lastStep, &failure);
        return result;
    }
    CKVSystem* Master() { return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr; }
    CKVMeas* Meas(int staff, int meas) { return Master()->GetMeas(static_cast<short>(staff), static_cast<short>(meas)); }
    CKVBlock* Block(int page, int block) { return doc.GetPage(static_cast<short>(page))->GetBlock(static_cast<short>(block)); }
    std::vector<BYTE> Settings()
    {
        // The record as Write stores it, after its length word.
        CMemFile file;
        doc.m_CtrlTool.Write(&file);
        std::vector<BYTE> bytes(file.GetLength());
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return std::vector<BYTE>(bytes.begin() + 2, bytes.end());
    }
};

WORD W(const std::vector<BYTE>& r, int at) { return static_cast<WORD>(r[at] | (r[at + 1] << 8)); }
DWORD D(const std::vector<BYTE>& r, int at) { return W(r, at) | (static_cast<DWORD>(W(r, at + 2)) << 16); }

std::vector<int> Words(const CWordArray& a)
{
    std::vector<int> out;
    for (int i = 0; i < a.GetSize(); ++i)
        out.push_back(a[i]);
    return out;
}

std::vector<BYTE> Skeleton(EncoreOrder order = EncoreOrder::Scow) { return WriteEncore(SkeletonEncore(), order); }

// A skeleton whose first measures carry the given head bytes.
EncoreFile WithMeasureBytes(std::vector<std::vector<std::pair<int, BYTE>>> bytes)
{
    EncoreFile f = SkeletonEncore();
    for (size_t m = 0; m < bytes.size(); ++m)
        f.measures[m].moreBytes = bytes[m];
    return f;
}

class EncoreImport : public KvTest {};

TEST_F(EncoreImport, SkeletonOfAWriterFileInEveryOrderAndLayout)
{
    for (EncoreLayout layout : {EncoreLayout::Current, EncoreLayout::Older}) {
        for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
            SCOPED_TRACE(static_cast<int>(order) + 2 * static_cast<int>(layout));
            EncoreFile f = SkeletonEncore();
            f.layout = layout;
            ImportRun run;
            ASSERT_EQ(run.Run(WriteEncore(f, order)), 1);
            ASSERT_EQ(run.Master()->GetStaffNum(), 3);
            EXPECT_EQ(run.Master()->GetMeasNum(), 10);
            ASSERT_EQ(run.doc.GetPageNum(), 2);
            ASSERT_EQ(run.doc.GetPage(0)->GetBlockNum(), 2);
            ASSERT_EQ(run.doc.GetPage(1)->GetBlockNum(), 1);
            EXPECT_EQ(run.Block(0, 0)->m_nMeasCount, 4);
            EXPECT_EQ(run.Block(0, 1)->m_nMeasCount, 4);
            EXPECT_EQ(run.Block(1, 0)->m_nMeasCount, 2);
            CKVBlock* b = run.Block(0, 0);
            EXPECT_EQ(Words(b->m_arrMeasX), (std::vector<int> {0, 200, 350, 600, 800}));
            EXPECT_EQ(b->m_rcBlock.left, 30);
            EXPECT_EQ(b->m_rcBlock.right, 830);
            EXPECT_EQ(b->m_rcBlock.top, 44);
            EXPECT_EQ(Words(b->m_arrStaffY), (std::vector<int> {24, 84, 144}));
            for (int s = 0; s < 3; ++s)
                EXPECT_EQ(run.Meas(s, 9)->m_byEndBar, CKVMeas::BAR_FINAL);
            // One per-staff entry per staff, holding the file's value.
            ASSERT_EQ(b->m_arrStaffEntry.GetSize(), 3);
            EXPECT_EQ(b->m_arrStaffEntry[0]->wValue, 0);
            EXPECT_EQ(bImportConverting, 0);
            EXPECT_EQ(run.doc.m_bBackupRecord, 1);
            EXPECT_EQ(run.doc.m_bModified, 0);
            EXPECT_EQ(run.doc.m_bSpacingApplied, 1);
            EXPECT_EQ(run.Settings()[0x461], 1);
        }
    }
}

TEST_F(EncoreImport, TimeSignaturesPickupsAndKeys)
{
    EncoreFile f = WithMeasureBytes({{{10, 'C'}}, {{10, 'c'}, {16, 3}, {17, 4}}, {{16, 6}, {17, 8}},
                                     {{16, 3}, {17, 4}, {22, 4}}});
    for (auto& line : f.lines)
        for (auto& staff : line.staves)
            staff.byEnha = 3;
    f.measures[5].symbols = {EncKey(1, 0, 10)};
    ImportRun run;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
    CKVMeas* m0 = run.Meas(0, 0);
    EXPECT_EQ(m0->m_nTimeNum, 2);
    EXPECT_EQ(m0->m_nTimeDen, 2);
    EXPECT_EQ(m0->m_nLength, 960);
    EXPECT_EQ(m0->m_byTimeStyle, 1);
    EXPECT_EQ(run.Meas(0, 1)->m_nLength, 720);
    EXPECT_EQ(run.Meas(0, 1)->m_byTimeStyle, 1);
    EXPECT_EQ(run.Meas(0, 2)->m_nLength, 720);
    // A pickup takes the signature of the measure after it.
    CKVMeas* pickup = run.Meas(0, 3);
    EXPECT_EQ(pickup->m_wObjWord & CKVMeas::PICKUP, CKVMeas::PICKUP);
    EXPECT_EQ(pickup->m_nTimeNum, 4);
    EXPECT_EQ(pickup->m_nTimeDen, 4);
    for (int m = 0; m < 10; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(run.Meas(0, m)->m_byKeyType, CKVMeas::KEY_FLATS);
        EXPECT_EQ(run.Meas(0, m)->m_byKeyCount, 3);
        const bool sharps = m >= 5 && m <= 7;
        EXPECT_EQ(run.Meas(1, m)->m_byKeyType, sharps ? CKVMeas::KEY_SHARPS : CKVMeas::KEY_FLATS);
        EXPECT_EQ(run.Meas(1, m)->m_byKeyCount, 3);
    }
}

TEST_F(EncoreImport, EndingsCodasAndTitleSettings)
{
    EncoreFile f = WithMeasureBytes({{{22, 128}, {23, 5}, {26, 3}, {27, 4}, {42, 2}, {43, 0}, {44, 1}},
                                     {{22, 192}}, {{22, 64}}, {{22, 16}}, {{22, 2}},
                                     {{34, 0x05}, {36, 100}, {35, 2}}, {{34, 0x08}}, {{34, 0x09}}, {{34, 0x0A}}});
    std::vector<BYTE> title(2426);
    const int words[4] = {1, 2, 3, 4};
    for (int i = 0; i < 4; ++i)
        title[2386 + 2 * i] = static_cast<BYTE>(words[i]);
    for (int i = 0; i < 15; ++i)
        title[2406 + i] = static_cast<BYTE>(i + 1);
    title[2415] = 0x0A;
    f.blocks = {EncTitle(title), EncDrum()};
    ImportRun run;
    run.doc.m_CtrlTool.m_byJ2 = 0xFF;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);

    CKVMeas* m0 = run.Meas(0, 0);
    EXPECT_STREQ(m0->m_szEndingText, "1. 3. ");
    EXPECT_EQ(m0->m_wObjWord & CKVMeas::ENDING_START, CKVMeas::ENDING_START);
    EXPECT_EQ(m0->m_byEndingPos, CKVMeas::ENDING_BEGINS);
    EXPECT_EQ(m0->m_byEndingOffset, 6);
    EXPECT_EQ(m0->m_dwWord, 12u);
    EXPECT_EQ(m0->m_wEndingLine1, 6);
    EXPECT_EQ(m0->m_wEndingLine2, 6);
    EXPECT_EQ(m0->m_byEndingNum, 5);
    EXPECT_EQ(run.Meas(0, 1)->m_byEndingPos, CKVMeas::ENDING_BEGINS_AND_ENDS);
    EXPECT_EQ(run.Meas(0, 2)->m_byEndingPos, CKVMeas::ENDING_ENDS);
    EXPECT_EQ(run.Meas(0, 3)->m_byEndingPos, CKVMeas::ENDING_CONTINUES);
    EXPECT_EQ(run.Meas(0, 4)->m_byOptions, 75);
    // Endings stand on the first staff only.
    EXPECT_EQ(run.Meas(1, 0)->m_byEndingPos, CKVMeas::ENDING_NONE);

    auto codas = [&](int meas) {
        std::vector<CKVMsg*> found;
        CKVMeas* m = run.Meas(0, meas);
        for (short i = 0; i < m->GetMsgNum(); ++i)
            if (m->GetMsg(i)->m_byKind == MSG_CODA)
                found.push_back(m->GetMsg(i));
        return found;
    };
    ASSERT_EQ(codas(5).size(), 1u);
    CKVMsg* coda = codas(5)[0];
    EXPECT_EQ(coda->m_byVoice, 1);
    EXPECT_EQ(coda->m_wHeadType, 1);
    EXPECT_EQ(coda->m_wFlag, 9);
    EXPECT_EQ(coda->m_wDuration, 512);
    EXPECT_EQ(coda->m_nPosX, 128);
    EXPECT_EQ(coda->m_nPosY, 0);
    EXPECT_EQ(coda->m_nPosX2, 6);
    EXPECT_EQ(coda->m_nPosY2, 0);
    ASSERT_EQ(coda->m_wHeadLen, 5 + 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(coda->m_pHead) + 5, 7), "To Coda");
    ASSERT_EQ(codas(6).size(), 1u);
    EXPECT_EQ(codas(6)[0]->m_wDuration, 513);
    EXPECT_EQ(codas(6)[0]->m_wHeadLen, 5);
    ASSERT_EQ(codas(7).size(), 1u);
    EXPECT_EQ(codas(7)[0]->m_wDuration, 769);
    EXPECT_EQ(codas(7)[0]->m_wFlag, 8);
    // Low bits past the table add nothing.
    EXPECT_TRUE(codas(8).empty());

    const std::vector<BYTE> r = run.Settings();
    EXPECT_EQ(W(r, 0x38e), 2);
    EXPECT_EQ(W(r, 0x390), 4);
    EXPECT_EQ(W(r, 0x392), 0);
    EXPECT_EQ(W(r, 0x394), 6);
    EXPECT_EQ(W(r, 0x396), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(r[0x462 + i], i + 1);
    EXPECT_EQ(r[0x46a], 9);
    EXPECT_EQ(r[0x46b], 0xF5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r[0x46d + i], 11 + i);
}

TEST_F(EncoreImport, BarLines)
{
    // Right bars 4, 5, 6, 0, 255 on measures 0 to 4; a left bar 1 on
    // measure 6 after an end bar 16 and on measure 8 after a repeat; 3 on
    // measure 1 of the second system's second measure; 1 on measure 0.
    EncoreFile f = WithMeasureBytes({{{21, 4}, {20, 1}}, {{21, 5}}, {{21, 6}}, {{21, 0}}, {{21, 255}}, {{21, 0}},
                                     {{20, 1}}, {{21, 4}}, {{20, 1}}, {{20, 3}}});
    ImportRun run;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(run.Meas(s, 0)->m_byEndBar, CKVMeas::BAR_REPEAT);
        EXPECT_EQ(run.Meas(s, 0)->m_byStartBar, CKVMeas::BAR_SINGLE);
        EXPECT_EQ(run.Meas(s, 1)->m_byEndBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(run.Meas(s, 2)->m_byEndBar, CKVMeas::BAR_DOUBLE);
        EXPECT_EQ(run.Meas(s, 3)->m_byEndBar, CKVMeas::BAR_SINGLE);
        EXPECT_EQ(run.Meas(s, 4)->m_byEndBar, CKVMeas::BAR_NONE);
        EXPECT_EQ(run.Meas(s, 5)->m_byEndBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(run.Meas(s, 6)->m_byStartBar, CKVMeas::BAR_NONE);
        EXPECT_EQ(run.Meas(s, 8)->m_byStartBar, CKVMeas::BAR_FINAL);
        EXPECT_EQ(run.Meas(s, 8)->m_byEndBar, CKVMeas::BAR_DOUBLE);
        EXPECT_EQ(run.Meas(s, 9)->m_byStartBar, CKVMeas::BAR_NONE);
        EXPECT_EQ(run.Meas(s, 9)->m_byEndBar, CKVMeas::BAR_FINAL);
    }
}

TEST_F(EncoreImport, StavesKindsNamesMidiAndDrumKits)
{
    EncoreFile f = SkeletonEncore();
    f.tracks[0].clefs = {7, 0, 0, 0};
    f.tracks[0].volumes = {0, 128, 90, 100, 100, 100, 100, 100};
    f.tracks[1].moreBytes = {{84, 2}};
    f.tracks[1].clefs = {12, 1, 0, 0};
    {
        ImportRun run;
        ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
        CKVStaff* drum = run.Master()->GetStaff(0);
        EXPECT_EQ(drum->m_byClefType, CKVStaff::CLEF_DRUM);
        EXPECT_EQ(drum->m_byStaffKind, CKVStaff::KIND_DRUM);
        EXPECT_EQ(run.Meas(0, 0)->m_byInitClef, 8);
        ASSERT_EQ(drum->m_wHeadLen, 66);
        EXPECT_TRUE(std::all_of(drum->m_pHead, drum->m_pHead + 66, [](BYTE b) { return b == 0; }));
        EXPECT_EQ(drum->m_byVoiceFirst[0], 127);
        EXPECT_EQ(drum->m_byVoiceFirst[1], 127);
        EXPECT_EQ(drum->m_byVoiceFirst[2], 90);
        EXPECT_STREQ(drum->m_szName, "Flute");
        CKVStaff* special = run.Master()->GetStaff(1);
        EXPECT_EQ(special->m_byStaffKind, 4);
        EXPECT_STREQ(special->m_szName, "Piano");
        EXPECT_EQ(run.Meas(1, 0)->m_byInitClef, 1); // clef 12 + 1 is no clef
        EXPECT_EQ(run.Meas(2, 0)->m_byInitClef, 2);
        EXPECT_STREQ(run.Master()->GetStaff(2)->m_szName, "");
    }
    {
        std::vector<BYTE> kit(kDrumKitEntrySize);
        std::memcpy(kit.data() + kDrumKitNameOffset, "Standard", 8);
        CPtrArray table;
        table.Add(kit.data());
        SetDrumTable(&table);
        nDrumIndex = 0;
        ImportRun run;
        ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
        CKVStaff* drum = run.Master()->GetStaff(0);
        ASSERT_EQ(drum->m_wHeadLen, 66);
        EXPECT_EQ(drum->m_pHead[0], 0);
        EXPECT_EQ(drum->m_pHead[1], 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(drum->m_pHead) + 2), "Standard");
        SetDrumTable(nullptr);
    }
}

TEST_F(EncoreImport, ValuesOutOfRange)
{
    EncoreFile f = WithMeasureBytes({{{16, 0}}, {{17, 3}}, {{17, 0}}});
    f.lines[0].staves[0].byEnha = 17;
    f.lines[0].staves[1].byEnha = 25;
    f.lines[1].staves[0].byEnha = 25;
    f.measures[4].symbols = {EncKey(0, 0, 20)};
    ImportRun run;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(run.Meas(0, m)->m_nTimeNum, 4);
        EXPECT_EQ(run.Meas(0, m)->m_nTimeDen, 4);
        EXPECT_EQ(run.Meas(0, m)->m_nLength, 960);
    }
    EXPECT_EQ(run.Meas(0, 0)->m_byKeyType, CKVMeas::KEY_SHARPS);
    EXPECT_EQ(run.Meas(0, 0)->m_byKeyCount, 7);
    EXPECT_EQ(run.Meas(1, 0)->m_byKeyCount, 0);
    // 25 keeps the key the staff had; the symbol of 20 is ignored.
    EXPECT_EQ(run.Meas(0, 4)->m_byKeyCount, 7);
    EXPECT_EQ(run.Meas(0, 5)->m_byKeyCount, 7);
}

TEST_F(EncoreImport, SystemsThatMakeNoBlockAreSkipped)
{
    EncoreFile f = SkeletonEncore();
    f.lines[1].wStartMeasNo = 8;
    f.lines[1].wMeasNumb = 5;
    f.lines[2].staves.clear();
    ImportRun run;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow)), 1);
    EXPECT_EQ(run.doc.GetPage(0)->GetBlockNum(), 1);
    EXPECT_EQ(run.doc.GetPage(1)->GetBlockNum(), 0);

    EncoreFile g = SkeletonEncore();
    g.lines[0].wMeasNumb = 0;
    ImportRun second;
    ASSERT_EQ(second.Run(WriteEncore(g, EncoreOrder::Scow)), 1);
    EXPECT_EQ(second.doc.GetPage(0)->GetBlockNum(), 1);
    EXPECT_EQ(second.Block(0, 0)->m_nFirstMeas, 4);
}

TEST_F(EncoreImport, ScoresBeyondTheLimitsAreRefused)
{
    auto withStaves = [](int tracks, BYTE staves, int measures) {
        EncoreFile f = MinimalEncore(measures);
        f.tracks.assign(static_cast<size_t>(tracks), f.tracks[0]);
        for (int t = 0; t < tracks; ++t) {
            f.tracks[t].staves = staves;
            f.tracks[t].tag = "TK" + std::string(1, static_cast<char>('0' + t / 10 % 10)) +
                              std::string(1, static_cast<char>('0' + t % 10));
        }
        return f;
    };
    const struct {
        int tracks;
        BYTE staves;
        int measures;
        EncImportFailure expected;
    } cases[] = {{1, 1, 32001, EncImportFailure::TooLarge}, {64, 4, 1, EncImportFailure::TooLarge},
                 {10, 1, 3201, EncImportFailure::TooLarge}, {10, 1, 3200, EncImportFailure::None},
                 {51, 5 - 0, 125, EncImportFailure::None}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tracks * 100000 + c.measures);
        CEncDoc enc;
        for (int t = 0; t < c.tracks; ++t) {
            auto* track = new CEncTrack(&enc);
            track->m_byRecord[41] = c.staves;
            enc.m_arrTrack.Add(track);
        }
        enc.m_byHeader[52] = static_cast<BYTE>(c.measures & 0xFF);
        enc.m_byHeader[53] = static_cast<BYTE>(c.measures >> 8);
        EXPECT_EQ(EncImportRefusal(enc), c.expected);
        if (c.expected == EncImportFailure::TooLarge) {
            CKVDoc doc;
            LONG right = 0, bottom = 0;
            EXPECT_EQ(doc.FirstConvertEncToKvc(nullptr, &enc, right, bottom), 0);
            EXPECT_EQ(doc.m_arrSystem.GetSize(), 0);
            EXPECT_EQ(bImportConverting, 0);
        }
    }
    // Through the driver: nothing is built.
    ImportRun run;
    std::vector<BYTE> bytes = WriteEncore(withStaves(10, 1, 3201), EncoreOrder::Scow);
    EXPECT_EQ(run.Run(bytes), 0);
    EXPECT_EQ(run.failure, EncImportFailure::TooLarge);
    EXPECT_EQ(run.doc.m_arrSystem.GetSize(), 0);
    EXPECT_EQ(run.doc.GetPageNum(), 0);
    EXPECT_EQ(bImportConverting, 0);
}

TEST_F(EncoreImport, FailuresPutTheStateBack)
{
    const int dpi = KvScreenDpi();
    {
        // The first page allocation of the structure conversion fails.
        ImportRun run;
        std::vector<BYTE> bytes = Skeleton();
        ImportRun probe;
        ASSERT_EQ(probe.Run(bytes, 6), 1);
        // Count the counted allocations up to the pages.
        int failAt = 0;
        for (int n = 1; n < 4000 && failAt == 0; ++n) {
            ImportRun trial;
            KvFailAllocationAfter(n);
            trial.Run(bytes, 7);
            KvFailAllocationAfter(0);
            if (trial.result == 0 && trial.Master() && trial.doc.GetPageNum() == 0 &&
                trial.Master()->GetStaffNum() == 3)
                failAt = n;
        }
        ASSERT_GT(failAt, 0);
        host.messageBoxes.clear();
        KvFailAllocationAfter(failAt);
        EXPECT_EQ(run.Run(bytes), 0);
        KvFailAllocationAfter(0);
        EXPECT_EQ(run.failure, EncImportFailure::Unreadable);
        ASSERT_EQ(host.messageBoxes.size(), 1u);
        EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
        EXPECT_EQ(bImportConverting, 0);
        EXPECT_EQ(run.doc.m_bBackupRecord, 1);
    }
    for (const int flag : {0, 1}) {
        // A damaged file: the reader's 0, nothing else touched, the import
        // flag included whatever it held.
        std::vector<BYTE> bytes = Skeleton();
        bytes.erase(bytes.end() - 40, bytes.end());
        ImportRun run;
        bImportConverting = flag;
        EXPECT_EQ(run.Run(bytes), 0);
        EXPECT_EQ(run.failure, EncImportFailure::Unreadable);
        EXPECT_EQ(bImportConverting, flag);
        EXPECT_EQ(run.doc.m_arrSystem.GetSize(), 0);
        bImportConverting = 0;
    }
    {
        // A document that is not fresh is left as it was.
        ImportRun run;
        ASSERT_EQ(run.Run(Skeleton()), 1);
        const int pages = run.doc.GetPageNum();
        CEncDoc enc;
        std::vector<BYTE> bytes = Skeleton();
        CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
        EncImportFailure failure = EncImportFailure::None;
        EXPECT_EQ(ImportEncore(file, enc, run.doc, run.dc.get(), run.doc.m_ScoreView, nullptr, 14, &failure), 0);
        EXPECT_EQ(failure, EncImportFailure::Unreadable);
        EXPECT_EQ(run.doc.GetPageNum(), pages);
        EXPECT_EQ(run.doc.m_arrSystem.GetSize(), 1);
    }
    EXPECT_EQ(KvScreenDpi(), dpi);
}

TEST_F(EncoreImport, UpdateMsgXPosRescalesMeasureSymbolsOnly)
{
    ImportRun run;
    ASSERT_EQ(run.Run(Skeleton(), 7), 1);
    CKVMeas* meas = run.Meas(0, 0);
    meas->m_nHeaderWidth = 20;
    meas->m_nRealWidth = 200;
    auto add = [&](BYTE kind, short x) {
        CKVMsg tmpl;
        tmpl.m_byKind = kind;
        tmpl.m_byVoice = 1;
        tmpl.m_nPosX = x;
        return run.doc.AddMsg(meas, &tmpl, kHolderOwns, 0);
    };
    CKVMsg* text = add(5, 120);
    CKVMsg* swapped = add(46, 120);
    CKVMsg* note = add(MSG_NOTE, 120);
    ASSERT_TRUE(text && swapped && note);
    // A page-level text has no measure to scale by.
    CKVMsg pageTmpl;
    pageTmpl.m_byKind = 6;
    pageTmpl.m_nPosX = 120;
    CKVMsg* pageText = run.doc.AddMsg(run.doc.GetPage(0), &pageTmpl, 0, 0);
    ASSERT_TRUE(pageText);
    run.doc.UpdateMsgXPos(&run.enc);
    EXPECT_EQ(text->m_nPosX, 128);
    EXPECT_EQ(swapped->m_nPosX, 120);
    EXPECT_EQ(note->m_nPosX, 120);
    EXPECT_EQ(pageText->m_nPosX, 120);
    run.enc.m_bSwap = 1;
    run.doc.UpdateMsgXPos(&run.enc);
    EXPECT_EQ(swapped->m_nPosX, 128);
}

TEST_F(EncoreImport, TextStylesTakeFontsFromTheFileWithinTheirBounds)
{
    EncoreFile f = SkeletonEncore();
    std::vector<BYTE> title(2426);
    const std::pair<int, int> styles[5] = {{1, 0x0101}, {200, 0x0002}, {0, 0x0004}, {1, 0}, {2, 0}};
    for (int i = 0; i < 5; ++i) {
        title[2324 + 10 * i] = static_cast<BYTE>(styles[i].first);
        title[2326 + 10 * i] = static_cast<BYTE>(10 + i);
        title[2328 + 10 * i] = static_cast<BYTE>(styles[i].second);
    }
    f.blocks = {EncTitle(title), EncFont({"Arial", std::string(40, 'x'), ""}), EncDrum()};
    ImportRun run;
    const std::string before = run.doc.m_CtrlTool.m_lfMeasNum.lfFaceName;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
    const CKVCtrlTool& ct = run.doc.m_CtrlTool;
    EXPECT_EQ(std::string(ct.m_lfStaffName.lfFaceName), std::string(31, 'x'));
    EXPECT_EQ(ct.m_lfStaffName.lfWeight, 700);
    EXPECT_EQ(ct.m_lfStaffName.lfHeight, 10);
    // An index past the font list leaves the face.
    EXPECT_EQ(std::string(ct.m_lfMeasNum.lfFaceName), before);
    EXPECT_EQ(ct.m_lfMeasNum.lfItalic, 1);
    EXPECT_EQ(ct.m_lfMeasNum.lfWeight, 300);
    EXPECT_EQ(std::string(ct.m_lfCoda.lfFaceName), "Arial");
    EXPECT_EQ(ct.m_lfCoda.lfUnderline, 1);
    EXPECT_EQ(ct.m_lfTempo.lfHeight, 14);
    EXPECT_EQ(ct.m_lfImport.lfHeight, 14);
    // Font numbers count the non-empty names only.
    ASSERT_EQ(run.enc.m_arrFontNumber.GetSize(), 3);
    EXPECT_EQ(run.enc.m_arrFontNumber[0], 0);
    EXPECT_EQ(run.enc.m_arrFontNumber[1], 1);
    EXPECT_EQ(run.enc.m_arrFontNumber[2], 0);
}

TEST_F(EncoreImport, HiddenStavesHandTheirEndingsDown)
{
    EncoreFile f = WithMeasureBytes({{{22, 128}, {23, 1}}});
    f.lines[0].staves[0].byState = 0;
    f.lines[1].staves[1].byState = 0;
    f.lines[1].staves[2].byState = 0;
    f.lines[1].staves[1].wY = 400;
    f.lines[1].staves[2].wY = 100;
    ImportRun run;
    ASSERT_EQ(run.Run(WriteEncore(f, EncoreOrder::Scow), 7), 1);
    CKVBlock* first = run.Block(0, 0);
    ASSERT_EQ(first->GetStaffNum(), 2) << "the hidden staff of the first block stays";
    EXPECT_EQ(run.Meas(1, 0)->m_byEndingPos, CKVMeas::ENDING_BEGINS);
    EXPECT_STREQ(run.Meas(1, 0)->m_szEndingText, "1. ");
    // Both hidden staves of the second block go; its first staff stays.
    CKVBlock* second = run.Block(0, 1);
    ASSERT_EQ(second->GetStaffNum(), 1);
    EXPECT_EQ(second->GetStaff(0)->GetIndexInSystem(), 0);

    // Both staves of a two-staff block hidden: the block keeps its last
    // staff, whose height still comes from its own record.
    EncoreFile g = MinimalEncore(2);
    g.tracks[0].staves = 2;
    g.tracks[0].clefs = {0, 1, 0, 0};
    g.pages[0].wStaffNumb = 2;
    g.lines[0].staves.resize(2);
    g.lines[0].staves[0].wY = 100;
    g.lines[0].staves[1].wY = 220;
    for (EncoreStaff& staff : g.lines[0].staves)
        staff.byState = 0;
    ImportRun both;
    ASSERT_EQ(both.Run(WriteEncore(g, EncoreOrder::Scow), 7), 1);
    CKVBlock* block = both.Block(0, 0);
    ASSERT_EQ(block->GetStaffNum(), 1);
    EXPECT_EQ(block->GetStaff(0)->GetIndexInSystem(), 1);
    EXPECT_EQ(block->m_rcBlock.top, 220 - 56);
    EXPECT_EQ(block->m_arrStaffY[0], 24);
}

// --- atraing.enc ------------------------------------------------------------

class AtraingImport : public KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        path = SharedEncoreFile("atraing.enc");
        if (!path)
            GTEST_SKIP() << "atraing.enc is not there";
    }
    std::optional<std::filesystem::path> path;
};

TEST_F(AtraingImport, SkeletonStavesAndSettings)
{
    ImportRun run;
    ASSERT_EQ(run.Run(LoadBytes(*path), 7), 1);
    ASSERT_EQ(run.Master()->GetStaffNum(), 31);
    ASSERT_EQ(run.Master()->GetMeasNum(), 130);
    ASSERT_EQ(run.doc.GetPageNum(), 44);
    for (int i = 0; i < 44; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(run.doc.GetPage(static_cast<short>(i))->GetBlockNum(), 1);
        CKVBlock* b = run.Block(i, 0);
        EXPECT_EQ(b->m_nFirstMeas, 3 * i);
        EXPECT_EQ(b->m_nMeasCount, i == 43 ? 1 : 3);
        EXPECT_EQ(b->m_rcBlock.right, 540);
        ASSERT_EQ(b->m_arrStaffEntry.GetSize(), 31);
        for (int e = 0; e < 31; ++e)
            EXPECT_EQ(b->m_arrStaffEntry[e]->wValue, 0xFFDC);
        if (i == 0) {
            EXPECT_EQ(b->m_rcBlock.left, 84);
            EXPECT_EQ(b->m_rcBlock.top, 54);
            EXPECT_EQ(Words(b->m_arrMeasX), (std::vector<int> {0, 182, 319, 456}));
            EXPECT_EQ(b->m_arrStaffY[30], 1404);
            EXPECT_EQ(b->m_rcBlock.bottom, 1458);
        } else {
            EXPECT_EQ(b->m_rcBlock.left, 0);
            EXPECT_EQ(b->m_rcBlock.top, 56);
            const std::vector<int> inner = i == 43 ? std::vector<int> {0, 540} : std::vector<int> {0, 200, 370, 540};
            EXPECT_EQ(Words(b->m_arrMeasX), inner);
            EXPECT_EQ(b->m_arrStaffY[30], 1824);
            EXPECT_EQ(b->m_rcBlock.bottom, 1880);
        }
    }
    EXPECT_STREQ(run.Master()->GetStaff(0)->m_szName, "-<>-<>-<>-<>-");
    EXPECT_STREQ(run.Master()->GetStaff(15)->m_szName, "Piano - Top");
    EXPECT_STREQ(run.Master()->GetStaff(30)->m_szName, "Trombone 4");
    for (int p = 0; p < 8; ++p) {
        EXPECT_EQ(run.Master()->GetStaff(12)->m_byVoiceSecond[p], 72);
        EXPECT_EQ(run.Master()->GetStaff(14)->m_byChannel[p], 9);
    }
    EXPECT_EQ(run.Master()->GetStaff(14)->m_byVoiceSecond[0], 41);
    const std::set<int> bass = {14, 16, 17, 21, 22, 28, 29, 30};
    for (int s = 0; s < 31; ++s) {
        for (int m = 0; m < 130; ++m) {
            CKVMeas* meas = run.Meas(s, m);
            ASSERT_EQ(meas->m_byInitClef, bass.count(s) ? 2 : 1) << s << " " << m;
            ASSERT_EQ(meas->m_nLength, 960);
            ASSERT_EQ(meas->m_wMarker, 163);
            ASSERT_EQ(meas->m_nHeaderWidth, m == 0 ? 45 : m % 3 == 0 ? 30 : 0);
            ASSERT_EQ(meas->m_byEndBar, m == 129 ? 3 : 16);
        }
    }
    const std::vector<BYTE> r = run.Settings();
    EXPECT_EQ(D(r, 0x3fc), 72u);
    EXPECT_EQ(W(r, 0x3c4), 8);
    EXPECT_EQ(run.doc.m_nStaffSpace, 6);
    EXPECT_EQ(W(r, 0x3a4), 0x0011);
    EXPECT_EQ(D(r, 0x454), 1u);
    EXPECT_EQ(D(r, 0x458), 0x00010001u);
    EXPECT_EQ(run.doc.m_nCaretMeasNum, 1);
    EXPECT_EQ(run.doc.m_pCurBlock, run.Block(0, 0));
}

TEST_F(AtraingImport, StaffRecordsFontsAndTheSettingsRecord)
{
    ImportRun run;
    ASSERT_EQ(run.Run(LoadBytes(*path), 7), 1);
    CKVSystem* master = run.Master();
    for (short s = 0; s < master->GetStaffNum(); ++s)
        EXPECT_EQ(master->GetStaff(s)->m_wStaffWord, 0) << s;
    int names = 0;
    int codas = 0;
    for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
        if (CKVMsg* msg = master->m_arrMsgMap.GetAt(id)) {
            names += msg->m_byKind == MSG_STAFFNAME;
            codas += msg->m_byKind == MSG_CODA;
        }
    }
    EXPECT_EQ(names, 31);
    EXPECT_EQ(codas, 0);

    const std::vector<BYTE> r = run.Settings();
    // LOGFONT: height at +0, weight at +16, italic and underline at +20 and
    // +21, the face at +28.
    for (const int at : {0x78, 0xb4, 0xf0, 0x168, 0x1a4}) {
        SCOPED_TRACE(at);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + at + 28)), "Times New Roman");
        EXPECT_EQ(static_cast<LONG>(D(r, at)), 12);
        EXPECT_EQ(static_cast<LONG>(D(r, at + 16)), 300);
        EXPECT_EQ(r[at + 20], 0);
        EXPECT_EQ(r[at + 21], 0);
    }
    EXPECT_EQ(static_cast<LONG>(D(r, 0x12c)), 14);
    EXPECT_EQ(static_cast<LONG>(D(r, 0x408)), 14);
    EXPECT_EQ(W(r, 0x38e), 4);
    EXPECT_EQ(W(r, 0x390), 4);
    EXPECT_EQ(W(r, 0x392), 0);
    EXPECT_EQ(W(r, 0x394), 4);
    EXPECT_EQ(W(r, 0x396), 4);
    EXPECT_EQ(r[0x448], 2);
    EXPECT_EQ(W(r, 0x44c), 0);
    EXPECT_EQ(D(r, 0x450), 0u);
    EXPECT_EQ(W(r, 0x45c), 0);
    EXPECT_EQ(static_cast<short>(W(r, 0x45e)), -1);
    // The file's bytes 2406 to 2420 are the defaults.
    ImportRun fresh;
    const std::vector<BYTE> defaults = fresh.Settings();
    for (int at = 0x462; at <= 0x471; ++at)
        EXPECT_EQ(r[at], defaults[at]) << at;

    // Two fonts, each under its installed face; entry 62 of the font
    // numbers names the second.
    CFontDatas& fonts = run.doc.m_FontDatas;
    EXPECT_EQ(fonts.GetFontCount(), 2);
    for (const auto& [number, name] : {std::pair<int, const char*> {0, "Arial"}, {1, "Times New Roman"}}) {
        char face[LF_FACESIZE + 1] = {};
        char installed[LF_FACESIZE + 1] = {};
        ASSERT_EQ(fonts.GetFontName(number, face), 1);
        fonts.GetNearestFontName(name, installed);
        EXPECT_STREQ(face, installed);
    }
    ASSERT_EQ(run.enc.m_arrFontNumber.GetSize(), 71);
    for (int i = 0; i < 71; ++i)
        EXPECT_EQ(run.enc.m_arrFontNumber[i], i == 62 ? 1 : 0) << i;
}

TEST_F(AtraingImport, ProgressOfTheStructureConversion)
{
    ImportRun run;
    host.SetString(25193, "S");
    host.SetString(25109, "P");
    host.SetString(25110, "T");
    host.SetString(25112, "H");
    host.SetString(25111, "K");
    ASSERT_EQ(run.Run(LoadBytes(*path), 7, GetHostProgressDialog()), 1);
    ASSERT_EQ(host.progress.size(), 11u + 172u);
    std::vector<ProgressCall> calls(host.progress.begin() + 11, host.progress.end());
    EXPECT_EQ(calls[0].text, std::optional<std::string>("S"));
    EXPECT_EQ(calls[1].text, std::optional<std::string>("P"));
    EXPECT_EQ(calls[1].percent, 10);
    EXPECT_EQ(calls[2].percent, 10);
    EXPECT_EQ(calls[45].percent, 98);
    EXPECT_EQ(calls[46].percent, 100);
    EXPECT_EQ(calls[47].text, std::optional<std::string>("T"));
    EXPECT_EQ(calls[49].percent, 3);
    EXPECT_EQ(calls[171].percent, 100);
}

TEST_F(AtraingImport, WholeDriver)
{
    const int dpi = KvScreenDpi();
    ImportRun run;
    ASSERT_EQ(run.Run(LoadBytes(*path)), 1);
    EXPECT_EQ(bImportConverting, 0);
    EXPECT_EQ(run.doc.m_bBackupRecord, 1);
    EXPECT_EQ(run.doc.m_bModified, 0);
    EXPECT_EQ(run.doc.m_bSpacingApplied, 1);
    EXPECT_EQ(run.doc.IsMultiEnableUndo(), 0);
    EXPECT_EQ(run.doc.m_nStaffSpace, 6);
    EXPECT_EQ(run.Settings()[0x461], 1);
    EXPECT_EQ(Words(run.Block(0, 0)->m_arrStaffY)[30], 1404);
    EXPECT_EQ(run.Block(0, 0)->m_arrMeasX[1], 182);
    EXPECT_EQ(KvScreenDpi(), dpi);
}

} // namespace
