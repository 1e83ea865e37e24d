// The Encore reader on files made by the test writer: both byte orders, the
// header checks, the record chains, measures and symbols, the document
// blocks, and damaged or hostile lengths.

#include "EncoreTestSupport.h"

#include <climits>
#include <cstring>

using namespace kvtest;

namespace {

class EncoreReader : public KvTest {
protected:
    std::vector<int> Percents() const
    {
        std::vector<int> percents;
        for (const ProgressCall& call : host.progress)
            percents.push_back(call.percent);
        return percents;
    }
};

const std::vector<int> kAllPercents = {0, 10, 30, 40, 50, 90, 92, 97, 98, 99, 100};

bool AllZero(const BYTE* bytes, size_t size)
{
    return std::all_of(bytes, bytes + size, [](BYTE b) { return b == 0; });
}

TEST_F(EncoreReader, MinimalFileReadsInBothOrdersWithEveryProgressStep)
{
    const std::vector<BYTE> scow = WriteEncore(MinimalEncore(), EncoreOrder::Scow);
    ASSERT_EQ(scow.size(), 598u);
    EncRead read = ReadEncore(scow);
    ASSERT_EQ(read.result, 1);
    CEncDoc& doc = *read.doc;
    EXPECT_EQ(doc.GetReadFailure(), EncReadFailure::None);
    ASSERT_EQ(doc.m_arrTrack.GetSize(), 1);
    EXPECT_EQ(doc.m_arrTrack[0]->m_nStaffIndex[0], 0);
    EXPECT_EQ(doc.m_arrTrack[0]->m_nStaffIndex[1], -1);
    ASSERT_EQ(doc.GetPageNum(), 1);
    ASSERT_EQ(doc.GetPage(0)->m_arrSystem.GetSize(), 1);
    EXPECT_EQ(doc.GetPage(0)->m_arrSystem[0]->m_arrStaff.GetSize(), 1);
    EXPECT_EQ(doc.m_arrMeas.GetSize(), 3);
    EXPECT_TRUE(AllZero(doc.m_byTitle, sizeof doc.m_byTitle));
    EXPECT_TRUE(AllZero(doc.m_byColor, sizeof doc.m_byColor));
    EXPECT_EQ(doc.m_arrText.GetSize(), 0);
    EXPECT_EQ(doc.m_arrFontName.GetSize(), 0);
    EXPECT_EQ(doc.m_bSwap, 0);

    const std::vector<std::string> texts = {"Reading the header of Encore file ...",
        "Reading the tracks of Encore file ...", "Reading the pages of Encore file ...",
        "Reading the systems of Encore file ...", "Reading the measures of Encore file ...",
        "Reading the printer info of Encore file ...", "Reading the title info of Encore file ...",
        "Reading the text info of Encore file ...", "Reading the font info of Encore file ...",
        "Reading the font info of Encore file ...", "End the reading of Encore file ..."};
    ASSERT_EQ(Percents(), kAllPercents);
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(host.progress[i].text, texts[i]);

    host.progress.clear();
    EncRead quiet = ReadEncore(scow, nullptr);
    EXPECT_EQ(quiet.result, 1);
    EXPECT_EQ(quiet.doc->m_arrMeas.GetSize(), 3);
    EXPECT_TRUE(host.progress.empty());

    EncRead twin = ReadEncore(WriteEncore(MinimalEncore(), EncoreOrder::Sco5));
    ASSERT_EQ(twin.result, 1);
    EXPECT_EQ(twin.doc->m_bSwap, 1);
    EXPECT_EQ(std::memcmp(twin.doc->m_byHeader + 4, doc.m_byHeader + 4, 190), 0);
    EXPECT_EQ(twin.doc->GetPage(0)->m_arrSystem[0]->wMeasNumb(), 3);
}

// Every record of the SCOW and SCO5 twins must agree once read: a field that
// is reversed wrongly, or not at all, shows up here.
TEST_F(EncoreReader, RichTwinsReadToTheSameRecords)
{
    EncRead w = ReadEncore(WriteEncore(RichEncore(), EncoreOrder::Scow));
    EncRead f = ReadEncore(WriteEncore(RichEncore(), EncoreOrder::Sco5));
    ASSERT_EQ(w.result, 1);
    ASSERT_EQ(f.result, 1);
    CEncDoc& a = *w.doc;
    CEncDoc& b = *f.doc;
    EXPECT_EQ(std::memcmp(a.m_byHeader + 4, b.m_byHeader + 4, 190), 0);
    EXPECT_EQ(std::memcmp(a.m_byTitle, b.m_byTitle, sizeof a.m_byTitle), 0);
    EXPECT_EQ(std::memcmp(a.m_byColor, b.m_byColor, sizeof a.m_byColor), 0);
    ASSERT_EQ(a.m_dwPrecLength, 40u);
    ASSERT_EQ(b.m_dwPrecLength, 40u);
    EXPECT_EQ(std::memcmp(a.m_pPrecData, b.m_pPrecData, 40), 0);
    ASSERT_EQ(a.m_arrTrack.GetSize(), 2);
    ASSERT_EQ(b.m_arrTrack.GetSize(), 2);
    for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(std::memcmp(a.m_arrTrack[t]->m_byRecord + 8, b.m_arrTrack[t]->m_byRecord + 8, 104), 0);
        EXPECT_EQ(a.m_arrTrack[t]->dwSize(), 112u);
    }
    EXPECT_EQ(a.m_arrTrack[1]->m_nStaffIndex[1], 2);
    ASSERT_EQ(a.GetPageNum(), 2);
    ASSERT_EQ(b.GetPageNum(), 2);
    for (int p = 0; p < 2; ++p) {
        CEncPage* pa = a.GetPage(p);
        CEncPage* pb = b.GetPage(p);
        EXPECT_EQ(std::memcmp(pa->m_byRecord, pb->m_byRecord, 34), 0);
        ASSERT_EQ(pa->m_arrSystem.GetSize(), pb->m_arrSystem.GetSize());
        for (int s = 0; s < pa->m_arrSystem.GetSize(); ++s) {
            EXPECT_EQ(std::memcmp(pa->m_arrSystem[s]->m_byHead, pb->m_arrSystem[s]->m_byHead, 34), 0);
            ASSERT_EQ(pa->m_arrSystem[s]->m_arrStaff.GetSize(), 3);
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(std::memcmp(pa->m_arrSystem[s]->GetStaff(k)->m_byRecord,
                                      pb->m_arrSystem[s]->GetStaff(k)->m_byRecord, 30), 0);
        }
    }
    EXPECT_EQ(a.GetPage(0)->m_arrSystem.GetSize(), 2);
    EXPECT_EQ(a.GetPage(1)->m_arrSystem[0]->GetStaff(2)->wY(), 220);
    ASSERT_EQ(a.m_arrMeas.GetSize(), 4);
    size_t symbols = 0;
    for (int m = 0; m < 4; ++m) {
        EXPECT_EQ(std::memcmp(a.m_arrMeas[m]->m_byHead, b.m_arrMeas[m]->m_byHead, 62), 0);
        const auto sa = AllSymbols(a.m_arrMeas[m]);
        const auto sb = AllSymbols(b.m_arrMeas[m]);
        ASSERT_EQ(sa.size(), sb.size());
        for (size_t i = 0; i < sa.size(); ++i)
            EXPECT_EQ(SymbolBytes(sa[i]), SymbolBytes(sb[i])) << "measure " << m << " symbol " << i;
        symbols += sa.size();
    }
    EXPECT_EQ(symbols, 20u);
    EXPECT_EQ(a.m_arrMeas[2]->m_arrOctaveLineSymbols.GetSize(), 1);
    EXPECT_EQ(a.m_arrMeas[2]->byRtFixDisp(), 1); // the last measure under an ending
    ASSERT_EQ(a.m_arrText.GetSize(), 2);
    ASSERT_EQ(b.m_arrText.GetSize(), 2);
    for (int i = 0; i < 2; ++i) {
        CString la, lb;
        a.PrintOutText(a.m_arrText[i], la);
        b.PrintOutText(b.m_arrText[i], lb);
        EXPECT_EQ(std::string(la), std::string(lb));
    }
    EXPECT_EQ(a.m_arrText[0]->pSubText[1].wFontHt, 0x0e0f);
    EXPECT_EQ(std::string(a.m_arrText[1]->szString), "End"); // the closing 0x04 is cut
    EXPECT_EQ(a.m_arrText[1]->nStringLen, 4);
    ASSERT_EQ(a.m_arrFontName.GetSize(), 4);
    EXPECT_EQ(std::string(a.m_arrFontName[1]), "Arial");
    EXPECT_EQ(std::string(a.SubTitle(0)->szText()), "Title");
    EXPECT_EQ(b.SubTitle(3)->wFontNo(), 4);
    EXPECT_EQ(std::string(b.Copyright(0)->szText()), "Copyright");
}

TEST_F(EncoreReader, MagicAndHeaderLength)
{
    std::vector<BYTE> bytes = WriteEncore(MinimalEncore(), EncoreOrder::Scow);
    std::memcpy(bytes.data(), "SCOX", 4);
    EncRead bad = ReadEncore(bytes);
    EXPECT_EQ(bad.result, 0);
    EXPECT_EQ(bad.doc->GetReadFailure(), EncReadFailure::Damaged);
    EXPECT_EQ(Percents(), std::vector<int>({0}));

    EncoreFile c3 = MinimalEncore();
    c3.headerLength = 0xC3;
    EXPECT_EQ(ReadEncore(WriteEncore(c3, EncoreOrder::Scow)).result, 0);

    const std::vector<BYTE> sco5 = WriteEncore(MinimalEncore(), EncoreOrder::Sco5);
    EXPECT_EQ(std::vector<BYTE>(sco5.begin() + 4, sco5.begin() + 8), std::vector<BYTE>({0, 0, 0, 0xC2}));
    EncoreFile littleInSco5 = MinimalEncore();
    littleInSco5.rawHeaderLength = std::array<BYTE, 4> {0xC2, 0, 0, 0};
    EXPECT_EQ(ReadEncore(WriteEncore(littleInSco5, EncoreOrder::Sco5)).result, 0);

    EncoreFile c4 = MinimalEncore();
    c4.headerLength = 0xC4;
    c4.tracks[0].name = "First";
    EncRead wide = ReadEncore(WriteEncore(c4, EncoreOrder::Scow));
    ASSERT_EQ(wide.result, 1);
    EXPECT_EQ(std::string(wide.doc->m_arrTrack[0]->szName()), "First");

    EncoreFile c2Long = MinimalEncore();
    c2Long.tracks[0].recordSize = 2158;
    EXPECT_EQ(ReadEncore(WriteEncore(c2Long, EncoreOrder::Scow)).result, 1);
}

TEST_F(EncoreReader, LaterLayoutIsRefusedWithItsReason)
{
    for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
        host.progress.clear();
        EncoreFile later = MinimalEncore();
        later.headerLength = 0xC4;
        later.tracks[0].recordSize = 2158;
        later.tracks[0].chunkLength = 2158;
        EncRead read = ReadEncore(WriteEncore(later, order));
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(read.doc->GetReadFailure(), EncReadFailure::LaterLayout);
        EXPECT_EQ(Percents(), std::vector<int>({0, 10}));
        EXPECT_EQ(read.doc->m_arrTrack.GetSize(), 0);
    }
}

TEST_F(EncoreReader, OptionalBlocksAndTheEndOfTheFile)
{
    EncoreFile none = MinimalEncore();
    EncRead plain = ReadEncore(WriteEncore(none, EncoreOrder::Scow));
    EXPECT_EQ(plain.result, 1);
    EXPECT_EQ(plain.doc->m_pPrecData, nullptr);

    EncoreFile odd = MinimalEncore();
    odd.blocks = {EncoreBlock {"TITL", std::vector<BYTE>(0x979, 0x55), {}}, EncDrum()};
    EncRead oddRead = ReadEncore(WriteEncore(odd, EncoreOrder::Scow));
    EXPECT_EQ(oddRead.result, 1);
    EXPECT_TRUE(AllZero(oddRead.doc->m_byTitle, sizeof oddRead.doc->m_byTitle));

    EncoreFile fonts = MinimalEncore();
    EncoreBlock fontBlock {"FONT", {}, {}};
    for (char c : std::string("FontA\0\0FontB\0", 13))
        fontBlock.body.push_back(static_cast<BYTE>(c));
    fontBlock.body.insert(fontBlock.body.end(), 300, 'x');
    fontBlock.body.push_back(0);
    fontBlock.body.push_back('y'); // dropped after the last NUL
    fonts.blocks = {fontBlock, EncDrum()};
    EncRead fontRead = ReadEncore(WriteEncore(fonts, EncoreOrder::Scow));
    ASSERT_EQ(fontRead.result, 1);
    ASSERT_EQ(fontRead.doc->m_arrFontName.GetSize(), 4);
    EXPECT_EQ(std::string(fontRead.doc->m_arrFontName[0]), "FontA");
    EXPECT_EQ(std::string(fontRead.doc->m_arrFontName[1]), "");
    EXPECT_EQ(std::string(fontRead.doc->m_arrFontName[2]), "FontB");
    EXPECT_EQ(fontRead.doc->m_arrFontName[3].GetLength(), 255);

    for (size_t size : {0u, 100u, 200u}) { // an empty block keeps the table
        EncoreFile colors = MinimalEncore();
        colors.blocks = {EncColor(std::vector<BYTE>(size, 0x77)), EncDrum()};
        EncRead read = ReadEncore(WriteEncore(colors, EncoreOrder::Scow));
        ASSERT_EQ(read.result, 1);
        const size_t kept = std::min<size_t>(size, 174);
        EXPECT_EQ(std::count(read.doc->m_byColor, read.doc->m_byColor + 174, 0x77), static_cast<long>(kept));
    }

    EncoreFile swapped = RichEncore();
    std::swap(swapped.blocks[1], swapped.blocks[2]); // TEXT before TITL
    EXPECT_EQ(ReadEncore(WriteEncore(swapped, EncoreOrder::Scow)).result, 0);
    EncoreFile drux = MinimalEncore();
    drux.blocks = {EncoreBlock {"DRUX", {}, {}}};
    EXPECT_EQ(ReadEncore(WriteEncore(drux, EncoreOrder::Scow)).result, 0);

    host.progress.clear();
    EncoreFile ended = MinimalEncore();
    ended.blocks.clear();
    std::vector<BYTE> bytes = WriteEncore(ended, EncoreOrder::Scow);
    EXPECT_EQ(ReadEncore(bytes).result, 1);
    EXPECT_EQ(Percents(), kAllPercents);
    bytes.push_back('D');
    bytes.push_back('R');
    EncRead cut = ReadEncore(bytes);
    EXPECT_EQ(cut.result, 0);
    EXPECT_EQ(cut.doc->GetReadFailure(), EncReadFailure::Damaged);
}

TEST_F(EncoreReader, TrackPageAndSystemChains)
{
    EncoreFile nulTag = MinimalEncore();
    nulTag.tracks[0].tag = std::string("\0K00", 4);
    EXPECT_EQ(ReadEncore(WriteEncore(nulTag, EncoreOrder::Scow)).result, 1);

    EncoreFile three = MinimalEncore();
    three.tracks.resize(3);
    EncRead threeRead = ReadEncore(WriteEncore(three, EncoreOrder::Scow));
    ASSERT_EQ(threeRead.result, 1);
    EXPECT_EQ(threeRead.doc->m_arrTrack.GetSize(), 3);
    EXPECT_EQ(threeRead.doc->m_arrTrack[2]->m_nStaffIndex[0], 2);

    EncoreFile five = MinimalEncore();
    five.tracks[0].staves = 5;
    EncRead fiveRead = ReadEncore(WriteEncore(five, EncoreOrder::Scow));
    EXPECT_EQ(fiveRead.result, 0);
    EXPECT_EQ(fiveRead.doc->GetReadFailure(), EncReadFailure::Damaged);

    // The staff total is a signed 16-bit count: 32,767 staves read, one more fails.
    for (int extra : {0, 1}) {
        EncoreFile crowded = MinimalEncore();
        crowded.tracks.assign(8192, EncoreTrack {"TK00", "", 4});
        crowded.tracks.back().staves = static_cast<BYTE>(3 + extra);
        EncRead read = ReadEncore(WriteEncore(crowded, EncoreOrder::Scow), nullptr);
        EXPECT_EQ(read.result, extra ? 0 : 1);
    }

    for (auto [length, staves, result] : {std::tuple {26u, 0, 1}, {86u, 2, 1}, {25u, 0, 0}}) {
        EncoreFile f = MinimalEncore();
        f.lines[0].staves.resize(2);
        f.lines[0].length = length;
        EncRead read = ReadEncore(WriteEncore(f, EncoreOrder::Scow));
        EXPECT_EQ(read.result, result) << length;
        if (result) {
            EXPECT_EQ(read.doc->GetPage(0)->m_arrSystem[0]->m_arrStaff.GetSize(), staves);
        }
    }

    EncoreFile farPage = MinimalEncore();
    farPage.lines[0].wPageNo = 1;
    EXPECT_EQ(ReadEncore(WriteEncore(farPage, EncoreOrder::Scow)).result, 0);

    // A long chain of pages is read without one stack frame per page.
    EncoreFile many = MinimalEncore();
    many.pages.assign(20000, EncorePage {0, 1, 1, 26, "PAGE"});
    EncRead manyRead = ReadEncore(WriteEncore(many, EncoreOrder::Scow), nullptr);
    EXPECT_EQ(manyRead.result, 1);
    EXPECT_EQ(manyRead.doc->GetPageNum(), 20000);
    EXPECT_EQ(manyRead.doc->GetPage(20000), nullptr);
    EXPECT_EQ(manyRead.doc->GetPage(-1), nullptr);
    EXPECT_EQ(manyRead.doc->GetPage(0)->m_arrSystem[0]->GetStaff(1), nullptr);
}

TEST_F(EncoreReader, MeasuresKeepSortAndDropSymbols)
{
    EncoreFile f = MinimalEncore(3);
    f.tracks[0].staves = 2;
    f.tracks.push_back(EncoreTrack {"TK01", "", 2});
    f.measures[1].garbageBefore = {1, 2, 3, 4, 5};
    f.measures[0].symbols = {EncNote(0, 0, 40, 3, 60, 120), EncNote(0, 0, 40, 5, 62, 120),
                             EncNote(0, 0, 30, 1, 62, 120, 100, 1), EncNote(0, 0, 30, 1, 62, 120, 100, 0),
                             EncNote(0, 2, 10, 1, 62, 120), EncNote(1, 1, 50, 0, 62, 120),
                             EncNote(2, 0, 50, 0, 62, 120)};
    EncRead read = ReadEncore(WriteEncore(f, EncoreOrder::Scow));
    ASSERT_EQ(read.result, 1);
    CEncMeas* first = read.doc->m_arrMeas[0];
    ASSERT_EQ(first->m_arrNoteRestSymbols.GetSize(), 5); // staff 2 and track 2 dropped
    EXPECT_EQ(first->m_arrNoteRestSymbols[0]->WhatIsVoice(), 0);
    EXPECT_EQ(first->m_arrNoteRestSymbols[1]->WhatIsVoice(), 1);
    EXPECT_EQ(first->m_arrNoteRestSymbols[2]->byY(), 5);
    EXPECT_EQ(first->m_arrNoteRestSymbols[3]->byY(), 3);
    EXPECT_EQ(first->m_arrNoteRestSymbols[4]->GetStaffIndex(), 3);
    EXPECT_EQ(read.doc->m_arrMeas[1]->m_arrSkipped.GetSize(), 5);
    EXPECT_EQ(read.doc->m_arrMeas[1]->m_arrSkipped[4], 5);

    // A bad record ends the block quietly; only records too short for their
    // head are counted.
    EncoreFile bad = MinimalEncore(3);
    bad.measures[0].symbols = {EncRest(0, 0, 1), EncRawRecord({0, 0, 0x80, 0, 0, 0}), EncRest(0, 0, 2)};
    bad.measures[1].symbols = {EncRest(0, 0, 1), EncRawRecord({0, 0, 0x80, 5, 0}), EncRest(0, 0, 2)};
    bad.measures[2].symbols = {EncRawRecord({0, 0, 0x80, 5, 0})};
    EncRead badRead = ReadEncore(WriteEncore(bad, EncoreOrder::Scow));
    ASSERT_EQ(badRead.result, 1);
    EXPECT_EQ(badRead.doc->m_arrMeas[0]->m_arrNoteRestSymbols.GetSize(), 1);
    EXPECT_EQ(badRead.doc->m_arrMeas[1]->m_arrNoteRestSymbols.GetSize(), 1);
    EXPECT_EQ(badRead.doc->m_dwShortSymbols, 2u);

    EncoreFile crowded = MinimalEncore(1);
    for (int i = 0; i < 251; ++i)
        crowded.measures[0].symbols.push_back(EncNote(0, 0, static_cast<WORD>(i), 0, 60, 10));
    EncRead crowdedRead = ReadEncore(WriteEncore(crowded, EncoreOrder::Scow));
    ASSERT_EQ(crowdedRead.result, 1);
    EXPECT_EQ(crowdedRead.doc->m_arrMeas[0]->m_arrNoteRestSymbols.GetSize(), 251);
}

TEST_F(EncoreReader, SuffixesPositionsAndEndings)
{
    CEncSymbol chord;
    chord.m_byHead[2] = 0x70;
    CString text = "kept";
    EXPECT_EQ(chord.GetSufix(text), 1);
    EXPECT_EQ(std::string(text), "");
    chord.m_byHead[5] = 62;
    EXPECT_EQ(chord.GetSufix(text), 1);
    EXPECT_EQ(std::string(text), "m11");
    chord.m_byHead[5] = 63;
    EXPECT_EQ(chord.GetSufix(text), 0);
    EXPECT_EQ(std::string(text), "m11");

    CEncMeas meas;
    PutWord(meas.m_byHead + 24, 200);
    meas.m_byHead[19] = 40;
    EXPECT_EQ(meas.AbsXToMeasX(80), 128);
    EXPECT_EQ(meas.AbsXToMeasX(160), 256);
    meas.m_byHead[19] = 200;
    EXPECT_EQ(meas.AbsXToMeasX(80), -1);

    EncoreFile endings = MinimalEncore(3);
    endings.measures[0].byBoldaSymbol = 128;
    endings.measures[1].byBoldaSymbol = 64;
    EncRead read = ReadEncore(WriteEncore(endings, EncoreOrder::Scow));
    ASSERT_EQ(read.result, 1);
    EXPECT_EQ(read.doc->m_arrMeas[0]->byRtFixDisp(), 0);
    EXPECT_EQ(read.doc->m_arrMeas[1]->byRtFixDisp(), 1);
    EXPECT_EQ(read.doc->m_arrMeas[2]->byRtFixDisp(), 0);
}

TEST_F(EncoreReader, OversizedLengthsFailBeforeAnyAllocation)
{
    const DWORD huge = 0xFFFFFFF0;
    std::vector<EncoreFile> files;
    EncoreFile page = MinimalEncore();
    page.pages[0].length = huge;
    files.push_back(page);
    EncoreFile line = MinimalEncore();
    line.lines[0].length = huge;
    files.push_back(line);
    EncoreFile meas = MinimalEncore();
    meas.measures[1].notesSize = huge;
    files.push_back(meas);
    for (const char* tag : {"PREC", "TITL", "TEXT", "FONT", "COLR", "DRUM"}) {
        EncoreFile block = MinimalEncore();
        block.blocks = {EncoreBlock {tag, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, huge}};
        if (std::string(tag) != "DRUM")
            block.blocks.push_back(EncDrum());
        files.push_back(block);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
            EncRead read = ReadEncore(WriteEncore(files[i], order));
            EXPECT_EQ(read.result, 0) << i;
            EXPECT_EQ(read.doc->GetReadFailure(), EncReadFailure::Damaged) << i;
        }
    }
}

TEST_F(EncoreReader, ShortSymbolDataIsReversedOnlyWhereWholeWordsFit)
{
    EncoreFile f = MinimalEncore(1);
    EncoreSymbol note = EncNote(0, 0, 0x0102, 0, 60, 0x0304);
    note.data.clear(); // byLength 10
    EncoreSymbol marked = EncMark(0, 0, 50, {0x0506, 0x0708});
    EncoreSymbol beam = EncBeam(0, 0, 0x0910, {{0x1112, 0x1314, 0x1516}});
    beam.kind = 3; // three items claimed, one there
    EncoreSymbol text = EncMark(0, 0, 30, std::vector<WORD>(12, 0x2122));
    text.data.resize(23);
    f.measures[0].symbols = {note, marked, beam, text};
    EncRead w = ReadEncore(WriteEncore(f, EncoreOrder::Scow));
    EncRead s = ReadEncore(WriteEncore(f, EncoreOrder::Sco5));
    ASSERT_EQ(w.result, 1);
    ASSERT_EQ(s.result, 1);
    const auto a = AllSymbols(w.doc->m_arrMeas[0]);
    const auto b = AllSymbols(s.doc->m_arrMeas[0]);
    ASSERT_EQ(a.size(), 4u);
    ASSERT_EQ(b.size(), 4u);
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(SymbolBytes(a[i]), SymbolBytes(b[i])) << i;
    const CEncSymbol* textSymbol = w.doc->m_arrMeas[0]->m_arrOtherSymbols[1];
    EXPECT_EQ(textSymbol->DataLength(), 23u);
    EXPECT_EQ(textSymbol->DataByte(22), 0x22); // the odd byte stays as written
    EXPECT_EQ(textSymbol->DataWord(22), 0x22);

    // Beam groups sort on bytes their data may not hold.
    EncoreFile beams = MinimalEncore(1);
    beams.measures[0].symbols = {EncRawSymbol(4, 0, {7}), EncRawSymbol(4, 0, {3})};
    EncRead beamRead = ReadEncore(WriteEncore(beams, EncoreOrder::Scow));
    ASSERT_EQ(beamRead.result, 1);
    EXPECT_EQ(beamRead.doc->m_arrMeas[0]->m_arrType4Symbols[0]->DataByte(0), 3);
}

TEST_F(EncoreReader, TextItemsThatRunPastTheBodyFail)
{
    const auto readText = [](std::vector<BYTE> body) {
        EncoreFile f = MinimalEncore(1);
        f.blocks = {EncoreBlock {"TEXT", std::move(body), {}}, EncDrum()};
        return ReadEncore(WriteEncore(f, EncoreOrder::Scow), nullptr);
    };
    EXPECT_EQ(readText({0, 0, 0, 0}).result, 0);                          // no leading bytes
    EXPECT_EQ(readText({0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0}).result, 0);     // a cut item head
    EXPECT_EQ(readText({0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 2, 0, 0, 0, 1, 0, 0}).result, 0); // positions
    EXPECT_EQ(readText({0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 1, 0, 1, 0, 0}).result, 0); // sub texts
    EXPECT_EQ(readText({0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 'a', 'b'}).result, 0); // no NUL
    EncRead good = readText({0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 'a', 4, 0, 6, 0, 0, 0, 0, 0, 'b', 0});
    ASSERT_EQ(good.result, 1);
    ASSERT_EQ(good.doc->m_arrText.GetSize(), 2);
    EXPECT_EQ(std::string(good.doc->m_arrText[0]->szString), "a");
    EXPECT_EQ(good.doc->m_arrText[0]->nStringLen, 2);
    EXPECT_EQ(std::string(good.doc->m_arrText[1]->szString), "b");

    EncoreTextItem item;
    item.runs = {{1, 0}};
    item.subTexts = {{2, 12, 1}};
    item.text = "Hi";
    EncoreFile f = MinimalEncore(1);
    f.blocks = {EncText({item}), EncDrum()};
    EncRead read = ReadEncore(WriteEncore(f, EncoreOrder::Scow));
    ASSERT_EQ(read.result, 1);
    CString listing;
    read.doc->PrintOutText(read.doc->m_arrText[0], listing);
    EXPECT_EQ(std::string(listing),
              "wTextSize = 17\r\nwReserved1 = 0x1\r\nwReserved2 = 0x1\r\n\r\nPos and Count 1\r\nwPos = 0x1\r\n"
              "wProperty = 0x0\r\n\r\nSub Text Data 1\r\nwFontNo = 0x2\r\nwFontHt = 0xc\r\nwReserved3 = 0x1\r\n"
              "\r\nszString = Hi\r\nnStringLen = 0x2\r\n");
}

TEST_F(EncoreReader, MemoryTestColoursAndCopies)
{
    const std::vector<BYTE> bytes = WriteEncore(RichEncore(), EncoreOrder::Scow);
    host.freeBytes = 3 * bytes.size() - 1;
    EncRead refused = ReadEncore(bytes);
    EXPECT_EQ(refused.result, 0);
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    host.freeBytes = 3 * bytes.size();
    EncRead read = ReadEncore(bytes);
    ASSERT_EQ(read.result, 1);

    // Three times a file of 3 GB passes the int range: the free-memory test
    // must ask for the most it can, not for a wrapped figure.
    class HugeFile : public CMemFile {
    public:
        using CMemFile::CMemFile;
        DWORD GetLength() const override { return 0xC0000000u; }
    };
    std::vector<BYTE> copy = bytes;
    HugeFile huge(copy.data(), static_cast<UINT>(copy.size()));
    host.freeBytes = static_cast<unsigned long long>(INT_MAX) - 1;
    host.messageBoxes.clear();
    CEncDoc hugeDoc;
    EXPECT_EQ(hugeDoc.Read(nullptr, huge), 0);
    EXPECT_EQ(host.messageBoxes.size(), 1u);

    CEncDoc& doc = *read.doc;
    doc.m_byColor[78 + 20] = 0x10;
    doc.m_byColor[78 + 21] = 0x20;
    doc.m_byColor[78 + 22] = 0x30;
    doc.m_byColor[78 + 23] = 0x99;
    EXPECT_EQ(doc.GetColor(5), 0x00302010u);
    EXPECT_EQ(doc.GetColor(24), 0u);
    EXPECT_EQ(doc.GetColor(200), 0u);

    const CEncTrack track(*doc.m_arrTrack[1]);
    const CEncStaff staff(*doc.GetPage(0)->m_arrSystem[0]->GetStaff(2));
    const CEncSymbol* original = doc.m_arrMeas[0]->m_arrNoteRestSymbols[0];
    const std::vector<BYTE> originalBytes = SymbolBytes(original);
    CEncSymbol symbol;
    symbol = *original;
    read.doc.reset();
    EXPECT_EQ(std::string(track.szName()), "Piano");
    EXPECT_EQ(track.m_nStaffIndex[1], 2);
    EXPECT_EQ(staff.wY(), 220);
    EXPECT_EQ(SymbolBytes(&symbol), originalBytes);
}

} // namespace
