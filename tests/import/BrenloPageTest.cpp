// The Brenlo page model: fixed-point rounding, the list head, parsing of
// every record class through one bounded reader, the symbol layout, and the
// all-or-nothing refusal of damaged or hostile pages.

#include "support/BrenloBuffer.h"
#include "support/KvTest.h"

#include "Kvorel.h"

#include <climits>

using namespace kvtest;

namespace {

class BrenloPage : public KvTest {
protected:
    // Parses the page part of a written page; the page's result.
    int Parse(const BrenloBytes& bytes, const BrenloOffsets& at)
    {
        buffer = bytes;
        return page.SetNewInfos(reinterpret_cast<char*>(buffer.data() + at.page), 500,
                                static_cast<DWORD>(buffer.size() - at.page));
    }

    int Parse(const kvtest::BrenloPage& description)
    {
        BrenloOffsets at;
        const BrenloBytes bytes = WriteBrenlo(description, &at);
        offsets = at;
        return Parse(bytes, at);
    }

    CUSystem* System(short i = 0) { return page.GetSystems()->GetSystem(i); }
    CUSymbol* Symbol(short i, short system = 0)
    {
        return static_cast<CUSymbol*>(System(system)->m_pSymbols->GetAt(i));
    }

    CUPage page;
    BrenloBytes buffer;
    BrenloOffsets offsets;
};

// A page with one system holding the given symbols.
kvtest::BrenloPage OneSystem(std::vector<BrenloSymbol> symbols)
{
    kvtest::BrenloPage p;
    p.systems.resize(1);
    p.systems[0].symbols = std::move(symbols);
    return p;
}

TEST(BrenloFixed, RoundsHalfAwayFromZeroAndClampsToSixteenBits)
{
    EXPECT_EQ(CUBaseObj::Fixed2Short(0x00018000), 2);
    EXPECT_EQ(CUBaseObj::Fixed2Short(-0x00018000), -2);
    EXPECT_EQ(CUBaseObj::Fixed2Short(0x00014000), 1);
    EXPECT_EQ(CUBaseObj::Fixed2Short(-0x00014000), -1);
    EXPECT_EQ(CUBaseObj::Fixed2Short(0x7FFFFFFF), 32767);
    EXPECT_EQ(CUBaseObj::Fixed2Short(INT32_MIN), -32768);
    EXPECT_EQ(CUBaseObj::Short2Fixed(-3), -3 * 65536);
    DWORD d = 0x11223344;
    CUBaseObj::SwapLong(&d);
    EXPECT_EQ(d, 0x44332211u);
    LONG l = static_cast<LONG>(0x80000001u);
    CUBaseObj::SwapLong(&l);
    EXPECT_EQ(static_cast<DWORD>(l), 0x01000080u);
}

TEST(BrenloList, InsertRemoveTruncateAndFind)
{
    CUList list;
    std::vector<CUJoin*> nodes;
    for (int i = 0; i < 5; ++i) {
        nodes.push_back(new CUJoin);
        ASSERT_EQ(list.InsertAt(static_cast<short>(i), nodes.back()), 1);
    }
    CUJoin* stray = new CUJoin;
    EXPECT_EQ(list.InsertAt(7, stray), 0);
    EXPECT_EQ(list.InsertAt(0, nullptr), 0);
    delete stray;
    EXPECT_EQ(list.GetCount(), 5);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetAt(5), nullptr);
    EXPECT_EQ(list.GetLast(), nodes[4]);
    EXPECT_EQ(list.IndexOf(nodes[3]), 3);

    list.RemoveRange(1, 2);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetAt(1), nodes[3]);
    EXPECT_EQ(nodes[3]->m_pPrev, nodes[0]);
    list.RemoveRange(2, 1); // out of order: nothing
    list.RemoveRange(0, 3); // past the end: nothing
    EXPECT_EQ(list.GetCount(), 3);

    // The model's nodes make no copies.
    std::unique_ptr<CUList> copy(list.Duplicate());
    EXPECT_EQ(copy->GetCount(), 0);

    list.TruncateFrom(nodes[3]);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(nodes[0]->m_pNext, nullptr);
    list.TruncateFrom(nodes[0]);
    EXPECT_EQ(list.m_pHead, nullptr);
}

TEST_F(BrenloPage, SamplePageParsesEveryRecordClass)
{
    page.m_lValue0 = 77;
    page.m_byValue2 = 9;
    ASSERT_EQ(Parse(BrenloSamplePage()), 1);
    EXPECT_EQ(page.m_lValue0, 77);
    EXPECT_EQ(page.m_byValue2, 1);
    EXPECT_EQ(page.m_nValue1, 60);

    ASSERT_EQ(page.GetGraphics()->GetCount(), 2);
    auto* picture = static_cast<CUGraphic12*>(page.GetGraphics()->GetAt(1));
    EXPECT_EQ(picture->m_byFlag, 244);
    ASSERT_EQ(picture->m_dwFirstSize, 3u);
    ASSERT_EQ(picture->m_dwSecondSize, 2u);
    EXPECT_EQ(picture->m_pFirst[2], 3);
    EXPECT_EQ(picture->m_pSecond[1], 5);

    ASSERT_EQ(page.GetSystems()->GetCount(), 1);
    CUSystem* s = System();
    EXPECT_EQ(s->m_nTop, 100);
    EXPECT_EQ(s->m_nLeftX, 40);
    EXPECT_EQ(s->m_nRightIndent, 20);
    EXPECT_EQ(s->m_pAttrs->GetCount(), 3);
    EXPECT_EQ(static_cast<CUAttr*>(s->m_pAttrs->GetAt(1))->GetTag(), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(static_cast<CUAttr1*>(s->m_pAttrs->GetAt(1))->m_byName + 1), 5),
              "Voice");
    EXPECT_EQ(s->m_pGraphics->GetCount(), 10);
    EXPECT_EQ(static_cast<CUGraphic*>(s->m_pGraphics->GetAt(0))->m_byFlag, 0);

    ASSERT_EQ(s->m_pSymbols->GetCount(), 10);
    EXPECT_TRUE(Symbol(0)->IsClef());
    EXPECT_EQ(Symbol(0)->m_pAttrs->GetCount(), 1);
    EXPECT_TRUE(Symbol(1)->IsKeySig());
    EXPECT_TRUE(Symbol(2)->IsTimeSig());
    auto* note = static_cast<CUNote*>(Symbol(3));
    ASSERT_TRUE(note->IsNote());
    ASSERT_EQ(note->GetHeadCount(), 2);
    EXPECT_EQ(note->HeadStep(1), 6);
    EXPECT_EQ(note->HeadAccidental(1), 0x11);
    EXPECT_EQ(note->HeadDots(1), 1);
    ASSERT_EQ(note->GetStemCount(), 1);
    EXPECT_EQ(note->StemLength(), 20);
    EXPECT_EQ(note->GetExtraCount(), 1);
    EXPECT_EQ(note->m_bySlide, 3);
    const CULyric& lyric = note->Lyric(0);
    EXPECT_EQ(lyric.TextLength(), 2);
    EXPECT_EQ(lyric.nSize, 16);
    EXPECT_EQ(lyric.byRed, 0x10);
    EXPECT_EQ(lyric.byGreen, 0x20);
    EXPECT_EQ(lyric.byBlue, 0x30);
    EXPECT_TRUE(Symbol(7)->IsBarLine());
    EXPECT_EQ(s->m_pSymbols->CountMeasures(), 2);
}

TEST_F(BrenloPage, LayoutPutsEachSymbolAtItsRightEnd)
{
    // Step 96: clef 15, sharp 5 each, natural 4 each, note 4, thin bar 2, plus one unit each.
    ASSERT_EQ(Parse(OneSystem({BrClef(BrUnits(2)), BrKey(0, 'J', 3), BrKey(0, 'J', 0x8002),
                                BrNote(BrUnits(10), {{}}), BrBar(0), BrTime(0, 0, static_cast<DWORD>(-1), 4),
                                BrTime(0, 0x93), BrBar(-BrUnits(500))})),
              1);
    EXPECT_EQ(Symbol(0)->m_nX, 40 + 1 + 18);
    EXPECT_EQ(Symbol(1)->m_nX, 59 + 16);
    EXPECT_EQ(Symbol(2)->m_nX, 75 + 9);
    EXPECT_EQ(Symbol(3)->m_nX, 84 + 15);
    EXPECT_EQ(Symbol(4)->m_nX, 99 + 3);
    // "-1" has two characters: 8 x 2 / 2.
    EXPECT_EQ(Symbol(5)->m_nX, 102 + 9);
    EXPECT_EQ(Symbol(6)->m_nX, 111 + 6);
    EXPECT_EQ(Symbol(7)->m_nX, 117 - 497);
    EXPECT_EQ(Symbol(3)->m_lMeasNum, 1);
    EXPECT_EQ(Symbol(4)->m_lMeasNum, 1);
    EXPECT_EQ(Symbol(5)->m_lMeasNum, 2);
    EXPECT_EQ(System()->XAfterSymbol(1), 35);
    EXPECT_EQ(System()->IndexAtX(0), -1);
    EXPECT_EQ(System()->IndexAtX(18), 0);
    EXPECT_EQ(System()->IndexAtX(19), 1);
    EXPECT_EQ(System()->IndexAtX(10000), 8);
    EXPECT_EQ(System()->GetSymbolExtraHalf(0), 8);
}

TEST_F(BrenloPage, ExtremeWidthsClampInsteadOfOverflowing)
{
    kvtest::BrenloPage p = OneSystem({BrNote(INT32_MAX, {{}}), BrNote(INT32_MAX, {{}}), BrKey(0, 'J', 0x7FFF),
                                      BrNote(INT32_MIN, {{}})});
    p.systems[0].left = INT32_MAX;
    ASSERT_EQ(Parse(p), 1);
    EXPECT_EQ(System()->m_nLeftX, 32767);
    EXPECT_EQ(Symbol(0)->m_nX, 32767);
    EXPECT_EQ(Symbol(2)->m_nX, 32767);
    EXPECT_EQ(Symbol(3)->m_nX, 32767);

    // A size step outside the tables adds only the unit.
    p = OneSystem({BrClef(0), BrNote(0, {{}})});
    p.systems[0].staffSpace = 9;
    ASSERT_EQ(Parse(p), 1);
    EXPECT_EQ(Symbol(1)->m_nX, 40 + 1 + 1 + 1);
}

TEST_F(BrenloPage, LyricLinesAndTextsStayInsideTheirFields)
{
    kvtest::BrenloPage p = OneSystem({BrNote(0, {{}})});
    p.systems[0].lyricLines = 500;
    BrenloLyric lyric;
    lyric.text = "a long lyric text";
    lyric.lengthByte = 255;
    p.systems[0].symbols[0].lyrics = {lyric};
    ASSERT_EQ(Parse(p), 1);
    // 20 + 4 x 6 + 20 + 9 lines of 10.
    EXPECT_EQ(System()->GetHeight(), 154);
    CULineRange range;
    ASSERT_EQ(System()->GetLyricLineRange(8, &range), 1);
    EXPECT_EQ(range.top, 80);
    EXPECT_EQ(range.bottom, 90);
    EXPECT_EQ(System()->GetLyricLineRange(9, &range), 0);
    EXPECT_EQ(static_cast<CUNote*>(Symbol(0))->Lyric(0).TextLength(), 15);
}

TEST_F(BrenloPage, LyricColourIsReadFromItsWordsInHostOrder)
{
    BrenloSymbol note = BrNote(0, {{}});
    note.lyrics = {{0, "a", 0, 0, 16, 0, 0, 0}};
    BrenloBytes bytes = WriteBrenlo(OneSystem({note}), &offsets);
    // Record bytes 34, 35, 36 of the first lyric, 80 bytes into the note.
    const size_t lyric = offsets.systems + 128 + 80;
    bytes[lyric + 34] = 0xAA;
    bytes[lyric + 35] = 0xBB;
    bytes[lyric + 36] = 0xCC;
    ASSERT_EQ(Parse(bytes, offsets), 1);
    const CULyric& read = static_cast<CUNote*>(Symbol(0))->Lyric(0);
    EXPECT_EQ(read.byRed, 0xBB);
    EXPECT_EQ(read.byGreen, 0xAA);
    EXPECT_EQ(read.byBlue, 0xCC);
}

TEST_F(BrenloPage, GeometryOfStaffSteps)
{
    ASSERT_EQ(Parse(OneSystem({})), 1);
    CUSystem* s = System();
    // top 100 + height 20 - 16 x 6 + 6 x 32 / 2
    EXPECT_EQ(s->StepToY(0), 120);
    EXPECT_EQ(s->StepToY(2), 114);
    EXPECT_EQ(s->YToStep(120), 0);
    EXPECT_EQ(s->YToStep(114), 2);
    EXPECT_EQ(s->YToStep(117), 1);
    EXPECT_EQ(s->GetSizeStep(), 96);
}

// Every way a length can lie, each refused with the page as it was.
TEST_F(BrenloPage, DamagedRecordsRefuseTheWholePage)
{
    ASSERT_EQ(Parse(BrenloSamplePage()), 1);
    const BrenloBytes good = buffer;
    const BrenloOffsets at = offsets;
    CUSystemList* before = page.GetSystems();
    const size_t system = at.systems;
    const size_t symbol = system + 128;

    struct Patch {
        const char* what;
        size_t offset;
        DWORD value;
    };
    const Patch patches[] = {
        {"system length 0", system, 0},
        {"system length past the list", system, 0x7FFFFFF0},
        {"system length short of its blocks", system, 140},
        {"symbol block past the system", system + 124, 0x10000},
        {"symbol length 0", symbol, 0},
        {"symbol length 4", symbol, 4},
        {"symbol length past its block", symbol, 0xFFFFFFFF},
        {"clef shorter than its fields", symbol, 40},
        {"page header shorter than its fields", at.page + 4, 20},
        {"page header past the buffer", at.page + 4, 0xFFFFFFF0},
        {"system list past the buffer", system - 4, static_cast<DWORD>(good.size())},
    };
    for (const Patch& patch : patches) {
        BrenloBytes bad = good;
        PutBig32(bad, patch.offset, patch.value);
        EXPECT_EQ(Parse(bad, at), 0) << patch.what;
        EXPECT_EQ(page.GetSystems(), before) << patch.what;
        EXPECT_EQ(page.GetSystems()->GetCount(), 1) << patch.what;
    }
    // Cut anywhere inside the page part.
    for (size_t size = at.page; size < good.size(); size += 7) {
        BrenloBytes cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_EQ(Parse(cut, at), 0) << size;
    }
}

TEST_F(BrenloPage, InnerBlocksMustLieInsideTheirRecords)
{
    BrenloSymbol note = BrNote(0, {{}});
    note.stemBytes = 1000;
    EXPECT_EQ(Parse(OneSystem({note})), 0);
    note = BrNote(0, {{}});
    note.attrs = {{1, 0, "x", 50}};
    EXPECT_EQ(Parse(OneSystem({note})), 0);

    // A part of an entry counts no entry.
    note = BrNote(0, {{}, {}});
    note.extras = 1;
    note.extraBytes = 3;
    kvtest::BrenloPage p = OneSystem({note});
    ASSERT_EQ(Parse(p), 1);
    EXPECT_EQ(static_cast<CUNote*>(Symbol(0))->GetHeadCount(), 2);
    EXPECT_EQ(static_cast<CUNote*>(Symbol(0))->GetExtraCount(), 0);

    BrenloSymbol odd;
    odd.type = 9;
    odd.length = 8;
    p = OneSystem({odd, BrBar(0)});
    EXPECT_EQ(Parse(p), 0); // the record is 36 bytes written, 8 claimed: the list does not add up

    BrenloGraphic picture {12, {1, 2}, {3}, {}};
    p = OneSystem({});
    p.graphics = {picture};
    ASSERT_EQ(Parse(p), 1);
    p.graphics[0].length = 96 + 44;
    p.graphics.push_back({7, {}, {}, {}});
    EXPECT_EQ(Parse(p), 0);
}

TEST_F(BrenloPage, AListOfMoreThan32767ItemsIsRefused)
{
    kvtest::BrenloPage p = OneSystem({});
    p.systems[0].attrs.resize(32767);
    ASSERT_EQ(Parse(p), 1);
    EXPECT_EQ(System()->m_pAttrs->GetCount(), 32767);
    p.systems[0].attrs.resize(32768);
    EXPECT_EQ(Parse(p), 0);
}

TEST_F(BrenloPage, AFailedAllocationFailsTheParse)
{
    ASSERT_EQ(Parse(BrenloSamplePage()), 1);
    const BrenloBytes good = buffer;
    const BrenloOffsets at = offsets;
    CUSystemList* before = page.GetSystems();
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 1000);
        host.ScriptAnswer(IDNO);
        KvFailAllocationAfter(n);
        const int result = Parse(good, at);
        KvFailAllocationAfter(0);
        if (result == 1)
            break;
        EXPECT_EQ(page.GetSystems(), before) << n;
        ASSERT_FALSE(host.messageBoxes.empty()) << n;
        EXPECT_EQ(host.messageBoxes.back().text, "Out of Memory !!!") << n;
    }
}

} // namespace
