// The Encore marks, lines and shapes as score messages: their places, sizes
// and colours, the symbols skipped for what cannot be placed or read, and
// the messages kept when adding fails part-way.

#include "EncoreSymbolFixture.h"
#include "import/EncConvert.h"
#include "platform/AllocHook.h"

#include <algorithm>
#include <set>
#include <tuple>

using namespace kvtest;

namespace {

using PointMember = int (CKVDoc::*)(CEncDoc*, CEncSymbol*, CKVMeas*, BYTE);
using FullMember = int (CKVDoc::*)(CEncDoc*, CEncSystem*, CEncMeas*, CEncSymbol*, CKVMeas*, BYTE, int);

// Any member called on symbol 0 of measure 0 with measure index 0.
using Call = std::function<int(EncSymbolScore&, CEncSymbol*, BYTE)>;

Call ByPoint(PointMember member)
{
    return [member](EncSymbolScore& s, CEncSymbol* symbol, BYTE voice) {
        return (s.doc.*member)(&s.enc, symbol, s.Meas(0), voice);
    };
}

Call ByFull(FullMember member)
{
    return [member](EncSymbolScore& s, CEncSymbol* symbol, BYTE voice) {
        return (s.doc.*member)(&s.enc, nullptr, s.enc.m_arrMeas[0], symbol, s.Meas(0), voice, 0);
    };
}

Call TwoLines()
{
    return [](EncSymbolScore& s, CEncSymbol* symbol, BYTE voice) {
        return s.doc.EncToKVC_TwoLines(&s.enc, s.enc.m_arrMeas[0], symbol, s.Meas(0), voice, 0);
    };
}

class EncoreSymbolConvert : public KvTest {
protected:
    // Loads one symbol in measure 0 and converts it with voice 2.
    int Convert(EncSymbolScore& s, const EncoreSymbol& symbol, const Call& call,
                EncoreOrder order = EncoreOrder::Scow)
    {
        EXPECT_EQ(s.Load(FourMeasureEncore({symbol}), order), 1);
        EXPECT_EQ(s.doc.m_nStaffSpace, 6);
        EXPECT_EQ(s.Meas(0)->m_nHeaderWidth, 20);
        return call(s, s.Symbol(), 2);
    }
    // Converts and expects nothing added.
    void ExpectSkipped(const EncoreSymbol& symbol, const Call& call)
    {
        EncSymbolScore s;
        ASSERT_EQ(s.Load(FourMeasureEncore({symbol})), 1);
        const short before = s.Meas(0)->GetMsgNum();
        EXPECT_EQ(call(s, s.Symbol(), 2), 1);
        EXPECT_EQ(s.Meas(0)->GetMsgNum(), before);
    }
};

TEST_F(EncoreSymbolConvert, SpansStayInsideTheMeasureList)
{
    EncSymbolScore s;
    ASSERT_EQ(s.Load(FourMeasureEncore({})), 1);
    int span = -1;
    EXPECT_TRUE(EncSpan(s.enc, 0, 40, 30, 3, false, span));
    EXPECT_EQ(span, (200 - 40) + 30 + 150 + 180);
    EXPECT_TRUE(EncSpan(s.enc, 3, 40, 30, 0, false, span));
    EXPECT_EQ(span, -10);
    EXPECT_TRUE(EncSpan(s.enc, 1, 40, 30, -2, true, span));
    EXPECT_EQ(span, -10);
    span = 7;
    EXPECT_FALSE(EncSpan(s.enc, 1, 40, 30, -1, false, span));
    EXPECT_FALSE(EncSpan(s.enc, 0, 40, 30, 4, false, span));
    EXPECT_FALSE(EncSpan(s.enc, 3, 40, 30, 1, true, span));
    EXPECT_FALSE(EncSpan(s.enc, 0x7FFFFFF0, 40, 30, 0x7FFF, false, span));
    EXPECT_EQ(span, 7);
    EXPECT_EQ(EncStandardY(6, -32768), static_cast<short>(6 + 32768 * 3));
}

struct PointCase {
    BYTE byKind;
    Call call;
    BYTE kind;
    short x = 128;
    WORD head = 0;
    WORD value = 0;
    DWORD word = 0;
};

TEST_F(EncoreSymbolConvert, PointSymbolsTakeTheirKindPlaceAndColour)
{
    const std::vector<PointCase> cases {
        {167, ByPoint(&CKVDoc::EncToKVC_Cesura), MSG_CAESURA},
        {168, ByPoint(&CKVDoc::EncToKVC_Breath), MSG_BREATH},
        {169, ByPoint(&CKVDoc::EncToKVC_Flower), MSG_ORNAMENT},
        {165, ByPoint(&CKVDoc::EncToKVC_Pedal), MSG_PEDAL, 128, 0, 3},
        {163, ByPoint(&CKVDoc::EncToKVC_RepeatMeas), MSG_MEASREPEAT, 128, 0, 3},
        {240, ByPoint(&CKVDoc::EncToKVC_MarkUp), MSG_MARKUP},
        {241, ByPoint(&CKVDoc::EncToKVC_MarkDown), MSG_MARKDOWN},
        {246, ByPoint(&CKVDoc::EncToKVC_MarkBigDown), MSG_BIGMARKDOWN},
        {162, ByPoint(&CKVDoc::EncToKVC_Segno), MSG_CODA, 128, 1, 0x0201, 10},
        {166, ByPoint(&CKVDoc::EncToKVC_DalSegno), MSG_CODA, 128, 1, 0x0301, 8},
        // Slides stand 2L/3 = 4 dots left: from 106.
        {237, ByPoint(&CKVDoc::EncToKVC_Slide1), MSG_SLIDE1, 122},
        {238, ByPoint(&CKVDoc::EncToKVC_Slide2), MSG_SLIDE2, 122},
        {175, ByPoint(&CKVDoc::EncToKVC_Slide3), MSG_SLIDE3, 122},
        {239, ByPoint(&CKVDoc::EncToKVC_Slide4), MSG_SLIDE4, 122},
    };
    for (const PointCase& c : cases) {
        for (int y : {2, -4}) {
            SCOPED_TRACE(testing::Message() << "byKind " << int(c.byKind) << " wY " << y);
            EncSymbolScore s;
            ASSERT_EQ(Convert(s, EncVoiceMark(c.byKind, {110, y}), c.call), 1);
            const auto added = s.Added(c.kind);
            ASSERT_EQ(added.size(), 1u);
            const CKVMsg* m = added[0];
            EXPECT_EQ(m->m_nPosX, c.x);
            EXPECT_EQ(m->m_nPosY, y == 2 ? 0 : 18);
            EXPECT_EQ(m->m_byVoice, 2);
            EXPECT_EQ(m->m_crColor, kEncColor5);
            EXPECT_EQ(m->m_wHeadType, c.head);
            EXPECT_EQ(m->m_wDuration, c.value);
            EXPECT_EQ(m->m_dwWord, c.word);
        }
    }
    // A MIDI event carries its three message bytes.
    EncSymbolScore s;
    EncoreSymbol midi = EncVoiceMark(52, {110, 2}, 20);
    midi.data[17] = 0xB0;
    midi.data[18] = 7;
    midi.data[19] = 100;
    ASSERT_EQ(Convert(s, midi, ByFull(&CKVDoc::EncToKVC_MidiMsg)), 1);
    const auto added = s.Added(MSG_MIDI);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0]->m_nPosX, 128);
    EXPECT_EQ(added[0]->m_nPosY, 0);
    EXPECT_EQ(added[0]->m_wDuration, 0);
    EXPECT_EQ(added[0]->m_dwWord, 0x006407B0u);
    EXPECT_EQ(added[0]->m_crColor, kEncColor5);
}

TEST_F(EncoreSymbolConvert, DynamicsAreCentredOnTheirGlyphWidth)
{
    {
        EncSymbolScore s;
        ASSERT_EQ(s.Load(FourMeasureEncore({EncVoiceMark(130, {110, 2})})), 1);
        s.doc.m_sizeDynamic[2].cx = 20;
        ASSERT_EQ(s.doc.EncToKVC_Dynamic1(&s.enc, s.Symbol(), s.Meas(0), 2), 1);
        const auto added = s.Added(MSG_DYNAMIC);
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0]->m_wDuration, 3);
        EXPECT_EQ(added[0]->m_nPosX, 117);
        EXPECT_EQ(added[0]->m_crColor, kEncColor5);
    }
    {
        EncoreSymbol mark = EncVoiceMark(170, {110, 2});
        mark.wColor = 30; // beyond the colour table
        EncSymbolScore s;
        ASSERT_EQ(s.Load(FourMeasureEncore({mark})), 1);
        s.doc.m_sizeDynamic[11].cx = 30;
        ASSERT_EQ(s.doc.EncToKVC_Dynamic2(&s.enc, s.Symbol(), s.Meas(0), 2), 1);
        const auto added = s.Added(MSG_DYNAMIC);
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0]->m_wDuration, 12);
        EXPECT_EQ(added[0]->m_nPosX, 110);
        EXPECT_EQ(added[0]->m_crColor, 0u);
    }
}

// Line data: wXs, wYs, wXm, wYm, wMeasNumb1, wXe, wYe, wMeasNumb2, reserved.
EncoreSymbol Line(BYTE kind, std::initializer_list<int> words) { return EncVoiceMark(kind, words, 18); }

TEST_F(EncoreSymbolConvert, PageSlursSpanTheirMeasuresAndSkipPointsBeyondThem)
{
    const Call slur = ByFull(&CKVDoc::EncToKVC_PageSlur);
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(33, {40, 0, 100, -4, 0, 160, 2, 0}), slur), 1);
        const auto added = s.Added(MSG_PAGESLUR);
        ASSERT_EQ(added.size(), 1u);
        const CKVMsg* m = added[0];
        EXPECT_EQ(m->m_wDuration, 1);
        EXPECT_EQ(m->m_byVoice, 2);
        EXPECT_EQ(m->m_nPosX, 28);
        EXPECT_EQ(m->m_nPosY, 6);
        EXPECT_EQ(m->m_nPosX2, 120);
        EXPECT_EQ(m->m_nPosY2, -6);
        EXPECT_EQ(m->m_wObjWord, 60);
        EXPECT_EQ(m->m_dwWord, 12u);
        EXPECT_EQ(m->m_crColor, kEncColor5);
    }
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(33, {40, 0, 50, -4, 2, 30, 2, 1}), slur), 1);
        const auto added = s.Added(MSG_PAGESLUR);
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0]->m_nPosX2, 340);
        EXPECT_EQ(added[0]->m_wObjWord, 210);
    }
    ExpectSkipped(Line(33, {210, 0, 100, -4, 0, 160, 2, 0}), slur);
    ExpectSkipped(Line(33, {40, 0, 100, -4, 2, 190, 2, 0}), slur);
    ExpectSkipped(Line(33, {40, 0, 100, -4, 5, 10, 2, 0}), slur);
    ExpectSkipped(Line(33, {40, 0, 100, -4, -1, 10, 2, 0}), slur);
}

TEST_F(EncoreSymbolConvert, TwoLinesMeetAtTheMiddlePoint)
{
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(48, {40, 0, 120, -2, 1, 50, 2, 0}), TwoLines()), 1);
        const auto lines = s.Added(MSG_LINE);
        ASSERT_EQ(lines.size(), 2u);
        const CKVMsg* first = lines[0]->m_nPosX == 28 ? lines[0] : lines[1];
        const CKVMsg* second = first == lines[0] ? lines[1] : lines[0];
        for (const CKVMsg* m : lines) {
            EXPECT_EQ(m->m_byVoice, 1);
            EXPECT_EQ(m->m_lHeight, 1);
            EXPECT_EQ(m->m_crColor, kEncColor5);
        }
        EXPECT_EQ(first->m_nPosY, 6);
        EXPECT_EQ(first->m_nPosX2, 80);
        EXPECT_EQ(first->m_nPosY2, 6);
        EXPECT_EQ(second->m_nPosX, 142);
        EXPECT_EQ(second->m_nPosY, 12);
        EXPECT_EQ(second->m_nPosX2, 130);
        EXPECT_EQ(second->m_nPosY2, -12);
    }
    {
        // The middle point one measure later: beyond the measure's scale.
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(48, {40, 0, 100, -2, 1, 50, 2, 1}), TwoLines()), 1);
        const auto lines = s.Added(MSG_LINE);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1]->m_nPosX, 398);
    }
    {
        // A negative measure count takes the end in the same measure.
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(48, {40, 0, 120, -2, -1, 150, 2, 0}), TwoLines()), 1);
        const auto lines = s.Added(MSG_LINE);
        ASSERT_EQ(lines.size(), 2u);
        const CKVMsg* second = lines[0]->m_nPosX == 28 ? lines[1] : lines[0];
        EXPECT_EQ(second->m_nPosX2, (150 - 40) - 80);
    }
}

// Shape data: word 2 start x, 3 start y, 4 measures, 5 end x, 6 end y, byte
// 14 width, byte 16 direction.
EncoreSymbol Shape(BYTE kind, std::initializer_list<int> words, BYTE width = 0, BYTE direction = 0)
{
    EncoreSymbol s = EncVoiceMark(kind, words, 17);
    s.data[14] = width;
    s.data[16] = direction;
    return s;
}

TEST_F(EncoreSymbolConvert, HairpinsOpenAtTheFarEndAndDecrescendosTowardTheStart)
{
    for (BYTE direction : {0, 1, 3}) {
        SCOPED_TRACE(int(direction));
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(29, {0, 0, 40, 4, 0, 160, 12}, 0, direction),
                          ByFull(&CKVDoc::EncToKVC_Crescendo)),
                  1);
        const auto added = s.Added(MSG_HAIRPIN);
        ASSERT_EQ(added.size(), 1u);
        const CKVMsg* m = added[0];
        const bool back = direction != 0;
        EXPECT_EQ(m->m_wDuration, 1);
        EXPECT_EQ(m->m_nPosX, back ? 195 : 28);
        EXPECT_EQ(m->m_nPosY, 14);
        EXPECT_EQ(m->m_nPosX2, back ? -117 : 117);
        EXPECT_EQ(m->m_nPosY2, 4);
        EXPECT_EQ(static_cast<short>(m->m_wObjWord), back ? -117 : 117);
        EXPECT_EQ(static_cast<int>(m->m_dwWord), -4);
    }
}

TEST_F(EncoreSymbolConvert, ZigzagsInBothByteOrders)
{
    for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
        for (bool across : {false, true}) {
            SCOPED_TRACE(testing::Message() << int(order) << across);
            EncoreSymbol z = EncVoiceMark(across ? 37 : 31, {40, 0, 0, 0, 1, 30, -2}, 14);
            if (order == EncoreOrder::Sco5) {
                // The reader leaves words 4 to 6 as the file stores them.
                for (size_t at : {8, 10, 12})
                    std::swap(z.data[at], z.data[at + 1]);
            }
            EncSymbolScore s;
            const Call call = ByFull(across ? &CKVDoc::EncToKVC_InversM : &CKVDoc::EncToKVC_InversN);
            ASSERT_EQ(Convert(s, z, call, order), 1);
            const auto added = s.Added(across ? MSG_ZIGZAG_M : MSG_ZIGZAG_N);
            ASSERT_EQ(added.size(), 1u);
            const CKVMsg* m = added[0];
            EXPECT_EQ(m->m_wDuration, 1);
            EXPECT_EQ(m->m_lHeight, 1);
            EXPECT_EQ(m->m_nPosX, 28);
            EXPECT_EQ(m->m_nPosY, 4);
            EXPECT_EQ(m->m_nPosX2, across ? 95 : 190);
            EXPECT_EQ(m->m_nPosY2, across ? 190 : -6);
        }
    }
}

TEST_F(EncoreSymbolConvert, RolledChordsRunDownwardAndLeaveTheirSymbolAsRead)
{
    const Call roll = ByFull(&CKVDoc::EncToKVC_Alpegio);
    for (BYTE kind : {34, 54}) {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(kind, {0, 0, 60, -4, 0, 60, 8, 0}), roll), 1);
        const auto added = s.Added(MSG_ARPEGGIO);
        ASSERT_EQ(added.size(), 1u);
        const CKVMsg* m = added[0];
        EXPECT_EQ(m->m_wDuration, kind == 54 ? 1 : 0);
        EXPECT_EQ(m->m_lHeight, 1);
        EXPECT_EQ(m->m_nPosX, 57);
        EXPECT_EQ(m->m_nPosY, 2);
        EXPECT_EQ(m->m_nPosX2, 0);
        EXPECT_EQ(m->m_nPosY2, 12);
    }
    {
        // Ends out of order: converted twice, the same both times.
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(34, {0, 0, 60, -4, 0, 60, -10, 0}), roll), 1);
        const std::vector<BYTE> data = s.Symbol()->m_data;
        ASSERT_EQ(roll(s, s.Symbol(), 2), 1);
        EXPECT_EQ(s.Symbol()->m_data, data);
        const auto added = s.Added(MSG_ARPEGGIO);
        ASSERT_EQ(added.size(), 2u);
        for (const CKVMsg* m : added) {
            EXPECT_EQ(m->m_nPosY, -4);
            EXPECT_EQ(m->m_nPosY2, 6);
        }
    }
    ExpectSkipped(Line(34, {0, 0, 201, -4, 0, 60, 8, 0}), roll);
}

TEST_F(EncoreSymbolConvert, TrillLinesStartThreeSpacesRightOfTheirMark)
{
    for (BYTE kind : {53, 55}) {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Line(kind, {0, 0, 40, -6, 0, 160, -6, 0}), ByFull(&CKVDoc::EncToKVC_Trill)), 1);
        const auto line = s.Added(MSG_TRILL);
        const auto mark = s.Added(MSG_NOTEMARK);
        ASSERT_EQ(line.size(), 1u);
        ASSERT_EQ(mark.size(), 1u);
        EXPECT_EQ(line[0]->m_dwWord, kind == 55 ? 1u : 0u);
        EXPECT_EQ(line[0]->m_lHeight, 1);
        EXPECT_EQ(line[0]->m_nPosX, 54);
        EXPECT_EQ(line[0]->m_nPosY, 0);
        EXPECT_EQ(line[0]->m_nPosX2, 102);
        EXPECT_EQ(line[0]->m_nPosY2, 0);
        EXPECT_EQ(mark[0]->m_wHeadType, 25);
        EXPECT_EQ(mark[0]->m_nPosX, 28);
        EXPECT_EQ(mark[0]->m_nPosY, 0);
        EXPECT_EQ(mark[0]->m_crColor, kEncColor5);
    }
}

struct LineSeen {
    short x, y, dx, dy;
    bool operator==(const LineSeen&) const = default;
};

std::vector<LineSeen> Lines(EncSymbolScore& s)
{
    std::vector<LineSeen> out;
    for (const CKVMsg* m : s.Added(MSG_LINE))
        out.push_back({m->m_nPosX, m->m_nPosY, m->m_nPosX2, m->m_nPosY2});
    std::sort(out.begin(), out.end(), [](const LineSeen& a, const LineSeen& b) {
        return std::tie(a.x, a.dx, a.y, a.dy) < std::tie(b.x, b.dx, b.y, b.dy);
    });
    return out;
}

TEST_F(EncoreSymbolConvert, BracketsAndGraphicShapes)
{
    const std::initializer_list<int> words {0, 0, 40, -8, 0, 160, 4};
    const Call poly = ByFull(&CKVDoc::EncToKVC_PolyLine);
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(36, words, 2, 0), poly), 1);
        EXPECT_EQ(Lines(s), (std::vector<LineSeen> {{28, -2, 0, 12}, {28, -2, 6, 0}, {28, 10, 6, 0}}));
    }
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(36, words, 2, 2), poly), 1);
        EXPECT_EQ(Lines(s), (std::vector<LineSeen> {{28, 10, 0, -12}, {28, -2, 6, 0}, {28, 10, 6, 0}}));
    }
    const Call graphic = ByFull(&CKVDoc::EncToKVC_Graphic);
    const std::pair<BYTE, BYTE> shapes[] {{25, MSG_RECTANGLE}, {26, MSG_ROUNDRECT}, {27, MSG_ELLIPSE}};
    for (auto [byKind, kind] : shapes) {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(byKind, words, 2, 1), graphic), 1);
        const auto added = s.Added(kind);
        ASSERT_EQ(added.size(), 1u);
        EXPECT_EQ(added[0]->m_lHeight, 2);
        EXPECT_EQ(added[0]->m_nPosX, 28);
        EXPECT_EQ(added[0]->m_nPosY, -2);
        EXPECT_EQ(added[0]->m_nPosX2, 120);
        EXPECT_EQ(added[0]->m_nPosY2, 12);
        EXPECT_EQ(added[0]->m_crColor, kEncColor5);
    }
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(28, words, 2, 1), graphic), 1);
        EXPECT_EQ(Lines(s), (std::vector<LineSeen> {{28, 10, 120, -12}}));
    }
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(44, words, 2, 0), graphic), 1);
        ASSERT_EQ(s.Added(MSG_LINE).size(), 1u);
        EXPECT_EQ(s.Added(MSG_LINE)[0]->m_lHeight, 0);
    }
    {
        EncSymbolScore s;
        ASSERT_EQ(Convert(s, Shape(28, {0, 0, 40, -8, -1, 160, 4}, 2, 0), graphic), 1);
        EXPECT_EQ(Lines(s), (std::vector<LineSeen> {{28, -2, 120, 12}}));
    }
}

struct Seen {
    BYTE kind;
    short x, y, dx, dy;
    WORD extra;
    DWORD word;
    LONG width;
    bool operator==(const Seen&) const = default;
};

TEST_F(EncoreSymbolConvert, ASco5FileGivesTheSameMessages)
{
    const std::initializer_list<int> shape {0, 0, 40, -8, 0, 160, 4};
    const std::vector<std::pair<EncoreSymbol, Call>> cases {
        {Line(33, {40, 0, 50, -4, 2, 30, 2, 1}), ByFull(&CKVDoc::EncToKVC_PageSlur)},
        {Shape(29, {0, 0, 40, 4, 0, 160, 12}, 0, 1), ByFull(&CKVDoc::EncToKVC_Crescendo)},
        {Shape(36, shape, 2, 2), ByFull(&CKVDoc::EncToKVC_PolyLine)},
        {Shape(25, shape, 2, 0), ByFull(&CKVDoc::EncToKVC_Graphic)},
        {Shape(28, shape, 2, 1), ByFull(&CKVDoc::EncToKVC_Graphic)},
    };
    for (const auto& [symbol, call] : cases) {
        SCOPED_TRACE(int(symbol.kind));
        std::vector<Seen> seen[2];
        for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
            EncSymbolScore s;
            ASSERT_EQ(Convert(s, symbol, call, order), 1);
            CKVMeas* meas = s.Meas(0);
            for (short i = 0; i < meas->GetMsgNum(); ++i) {
                const CKVMsg* m = meas->GetMsg(i);
                seen[static_cast<int>(order)].push_back(
                    {m->m_byKind, m->m_nPosX, m->m_nPosY, m->m_nPosX2, m->m_nPosY2, m->m_wObjWord, m->m_dwWord,
                     m->m_lHeight});
            }
        }
        EXPECT_FALSE(seen[0].empty());
        EXPECT_EQ(seen[0], seen[1]);
    }
}

struct MemberForm {
    const char* name;
    BYTE byKind;
    size_t length;
    Call call;
};

std::vector<MemberForm> EveryMember()
{
    return {
        {"Dynamic1", 130, 4, ByPoint(&CKVDoc::EncToKVC_Dynamic1)},
        {"Dynamic2", 170, 4, ByPoint(&CKVDoc::EncToKVC_Dynamic2)},
        {"Cesura", 167, 4, ByPoint(&CKVDoc::EncToKVC_Cesura)},
        {"Breath", 168, 4, ByPoint(&CKVDoc::EncToKVC_Breath)},
        {"Pedal", 165, 4, ByPoint(&CKVDoc::EncToKVC_Pedal)},
        {"Flower", 169, 4, ByPoint(&CKVDoc::EncToKVC_Flower)},
        {"Slide1", 237, 4, ByPoint(&CKVDoc::EncToKVC_Slide1)},
        {"Slide2", 238, 4, ByPoint(&CKVDoc::EncToKVC_Slide2)},
        {"Slide3", 175, 4, ByPoint(&CKVDoc::EncToKVC_Slide3)},
        {"Slide4", 239, 4, ByPoint(&CKVDoc::EncToKVC_Slide4)},
        {"MarkUp", 240, 4, ByPoint(&CKVDoc::EncToKVC_MarkUp)},
        {"MarkDown", 241, 4, ByPoint(&CKVDoc::EncToKVC_MarkDown)},
        {"MarkBigDown", 246, 4, ByPoint(&CKVDoc::EncToKVC_MarkBigDown)},
        {"Segno", 162, 4, ByPoint(&CKVDoc::EncToKVC_Segno)},
        {"DalSegno", 166, 4, ByPoint(&CKVDoc::EncToKVC_DalSegno)},
        {"RepeatMeas", 163, 4, ByPoint(&CKVDoc::EncToKVC_RepeatMeas)},
        {"MidiMsg", 52, 20, ByFull(&CKVDoc::EncToKVC_MidiMsg)},
        {"PageSlur", 33, 18, ByFull(&CKVDoc::EncToKVC_PageSlur)},
        {"TwoLines", 48, 18, TwoLines()},
        {"Alpegio", 34, 18, ByFull(&CKVDoc::EncToKVC_Alpegio)},
        {"Trill", 53, 18, ByFull(&CKVDoc::EncToKVC_Trill)},
        {"InversN", 31, 14, ByFull(&CKVDoc::EncToKVC_InversN)},
        {"InversM", 37, 14, ByFull(&CKVDoc::EncToKVC_InversM)},
        {"Crescendo", 29, 17, ByFull(&CKVDoc::EncToKVC_Crescendo)},
        {"PolyLine", 36, 17, ByFull(&CKVDoc::EncToKVC_PolyLine)},
        {"Graphic", 25, 17, ByFull(&CKVDoc::EncToKVC_Graphic)},
    };
}

// Data that converts in every form: points in measure 0, one measure count.
EncoreSymbol FullForm(const MemberForm& f, size_t length)
{
    EncoreSymbol s = EncVoiceMark(f.byKind, {40, 0, 60, 0, 1, 30, 2, 0, 0, 0}, 20);
    s.data.resize(length);
    return s;
}

TEST_F(EncoreSymbolConvert, ShortDataAndForeignVoicesAddNothing)
{
    for (const MemberForm& f : EveryMember()) {
        SCOPED_TRACE(f.name);
        {
            // The whole form converts.
            EncSymbolScore s;
            ASSERT_EQ(s.Load(FourMeasureEncore({FullForm(f, f.length)})), 1);
            const short before = s.Meas(0)->GetMsgNum();
            EXPECT_EQ(f.call(s, s.Symbol(), 2), 1);
            EXPECT_GT(s.Meas(0)->GetMsgNum(), before);
            EXPECT_EQ(s.enc.m_dwShortSymbols, 0u);
        }
        for (size_t length : {f.length - 1, size_t {0}}) {
            EncSymbolScore s;
            ASSERT_EQ(s.Load(FourMeasureEncore({FullForm(f, length)})), 1);
            const DWORD shortBefore = s.enc.m_dwShortSymbols;
            const short before = s.Meas(0)->GetMsgNum();
            EXPECT_EQ(f.call(s, s.Symbol(), 2), 1);
            EXPECT_EQ(s.Meas(0)->GetMsgNum(), before);
            EXPECT_EQ(s.enc.m_dwShortSymbols, shortBefore + 1);
        }
        if (std::string(f.name) != "TwoLines") {
            EncSymbolScore s;
            ASSERT_EQ(s.Load(FourMeasureEncore({FullForm(f, f.length)})), 1);
            const short before = s.Meas(0)->GetMsgNum();
            EXPECT_EQ(f.call(s, s.Symbol(), 9), 1);
            EXPECT_EQ(s.Meas(0)->GetMsgNum(), before);
        }
    }
}

TEST_F(EncoreSymbolConvert, AFailedAdditionGivesZeroAndKeepsWhatWasAdded)
{
    for (const MemberForm& f : EveryMember()) {
        SCOPED_TRACE(f.name);
        const size_t count = f.name == std::string("TwoLines") ? 2 : f.name == std::string("PolyLine") ? 3
                             : f.name == std::string("Trill")                                       ? 2
                                                                                                     : 1;
        std::set<size_t> keptOnFailure;
        bool succeeded = false;
        for (int n = 1; n <= 8; ++n) {
            EncSymbolScore s;
            ASSERT_EQ(s.Load(FourMeasureEncore({FullForm(f, f.length)})), 1);
            const short before = s.Meas(0)->GetMsgNum();
            KvFailAllocationAfter(n);
            const int result = f.call(s, s.Symbol(), 2);
            KvFailAllocationAfter(0);
            const size_t added = static_cast<size_t>(s.Meas(0)->GetMsgNum() - before);
            if (result == 0)
                keptOnFailure.insert(added);
            else if (added == count)
                succeeded = true;
        }
        EXPECT_TRUE(succeeded);
        // Every message but the last can be kept when the next one fails.
        std::set<size_t> expected;
        for (size_t k = 0; k < count; ++k)
            expected.insert(k);
        EXPECT_EQ(keptOnFailure, expected);
    }
}

} // namespace
