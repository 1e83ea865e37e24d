// Files of format versions below 0x400 hold 8-byte symbol heads without the
// colour word and notes without their four mark bytes; the reader converts
// each record to the current layout as it reads it.

#include "EncoreTestSupport.h"

using namespace kvtest;

namespace {

class EncoreOlderLayout : public KvTest {};

TEST_F(EncoreOlderLayout, OlderTwinReadsToTheSameSymbols)
{
    const EncoreFile current = RichEncore(false);
    EncoreFile older = current;
    older.layout = EncoreLayout::Older;
    for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
        EncRead a = ReadEncore(WriteEncore(current, order), nullptr);
        EncRead b = ReadEncore(WriteEncore(older, order), nullptr);
        ASSERT_EQ(a.result, 1);
        ASSERT_EQ(b.result, 1);
        EXPECT_EQ(b.doc->wVersion(), 0x305);
        ASSERT_EQ(a.doc->m_arrMeas.GetSize(), b.doc->m_arrMeas.GetSize());
        for (int m = 0; m < a.doc->m_arrMeas.GetSize(); ++m) {
            const auto sa = AllSymbols(a.doc->m_arrMeas[m]);
            const auto sb = AllSymbols(b.doc->m_arrMeas[m]);
            ASSERT_EQ(sa.size(), sb.size());
            for (size_t i = 0; i < sa.size(); ++i)
                EXPECT_EQ(SymbolBytes(sa[i]), SymbolBytes(sb[i])) << "measure " << m << " symbol " << i;
        }
    }
}

TEST_F(EncoreOlderLayout, VersionDecidesTheLayout)
{
    for (auto [version, length] : {std::pair {0x3FF, 28}, {0x400, 22}}) {
        EncoreFile f = MinimalEncore(1);
        f.layout = EncoreLayout::Older;
        f.wVersion = static_cast<WORD>(version);
        f.measures[0].symbols = {EncNote(0, 0, 10, 0, 60, 120)};
        EncRead read = ReadEncore(WriteEncore(f, EncoreOrder::Scow), nullptr);
        ASSERT_EQ(read.result, 1);
        ASSERT_EQ(read.doc->m_arrMeas[0]->m_arrNoteRestSymbols.GetSize(), 1) << version;
        EXPECT_EQ(read.doc->m_arrMeas[0]->m_arrNoteRestSymbols[0]->byLength(), length) << version;
    }
}

TEST_F(EncoreOlderLayout, OlderRecordsConvert)
{
    EncoreFile f = MinimalEncore(2);
    f.layout = EncoreLayout::Older;
    EncoreSymbol marked = EncNote(0, 0, 10, 0, 60, 120);
    marked.data[4] = 0xC1;
    marked.data[14] = 9; // dropped with the older layout's marks
    EncoreSymbol bare = EncRawSymbol(5, 200, {}); // 8 bytes
    EncoreSymbol shortNote = EncRawSymbol(9, 4, {20, 0, 1, 0}); // 12 bytes
    std::vector<BYTE> big(247);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i);
    EncoreSymbol longMark = EncRawSymbol(5, 1, big); // 255 bytes
    f.measures[0].symbols = {marked, bare, shortNote, longMark};
    f.measures[1].symbols = {EncRest(0, 0, 1), EncRawRecord({0, 0, 0x80, 7, 0, 0, 0}), EncRest(0, 0, 2)};
    EncRead read = ReadEncore(WriteEncore(f, EncoreOrder::Scow), nullptr);
    ASSERT_EQ(read.result, 1);
    CEncMeas* meas = read.doc->m_arrMeas[0];
    ASSERT_EQ(meas->m_arrNoteRestSymbols.GetSize(), 2);
    const CEncSymbol* converted = meas->m_arrNoteRestSymbols[0]->wX() == 10 ? meas->m_arrNoteRestSymbols[0]
                                                                            : meas->m_arrNoteRestSymbols[1];
    const CEncSymbol* small = converted == meas->m_arrNoteRestSymbols[0] ? meas->m_arrNoteRestSymbols[1]
                                                                          : meas->m_arrNoteRestSymbols[0];
    EXPECT_EQ(converted->byLength(), 28);
    EXPECT_EQ(converted->byDot(), 0x01);
    EXPECT_EQ(converted->UpMark() | converted->UpMarkPos() | converted->DownMark() | converted->DownMarkPos(), 0);
    EXPECT_EQ(converted->wColor(), 0);
    EXPECT_EQ(converted->byKeyNo(), 60);
    EXPECT_EQ(converted->wDuration(), 120);
    EXPECT_EQ(small->byLength(), 14);
    EXPECT_EQ(small->DataLength(), 4u);
    ASSERT_EQ(meas->m_arrOtherSymbols.GetSize(), 2);
    EXPECT_EQ(meas->m_arrOtherSymbols[0]->byLength(), 10);
    EXPECT_EQ(meas->m_arrOtherSymbols[0]->DataLength(), 0u);
    EXPECT_EQ(meas->m_arrOtherSymbols[1]->byLength(), 255);
    EXPECT_EQ(meas->m_arrOtherSymbols[1]->DataLength(), 247u);
    EXPECT_EQ(meas->m_arrOtherSymbols[1]->DataByte(246), 246);
    EXPECT_EQ(read.doc->m_arrMeas[1]->m_arrNoteRestSymbols.GetSize(), 1);
    EXPECT_EQ(read.doc->m_dwShortSymbols, 1u);
}

} // namespace
