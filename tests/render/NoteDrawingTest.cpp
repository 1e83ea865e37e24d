// Notes, chords, heads, stems, flags, marks, accidentals, attached symbols
// and handles as a measure's symbols draw them, asserted on the recording
// device with box metrics: a head is 10 wide, D7 14, CA 18, A7 4.

#include "support/RenderSupport.h"

#include "model/KVCtrlPoint.h"
#include "model/KVSystem.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;

// Sets a process-wide switch for one test.
class Scoped {
public:
    Scoped(BOOL& value, BOOL now) : m_value(value), m_old(value) { value = now; }
    ~Scoped() { m_value = m_old; }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    BOOL& m_value;
    BOOL m_old;
};

class NoteDrawing : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override
    {
        return kvtest::RenderShape {.metrics = kvtest::BoxMetrics({{0xD7, 14}, {0xCA, 18}, {0xA7, 4}})};
    }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nRealWidth = 206;
        m_meas->m_nHeaderWidth = 0;
        View().KVSetOrgXY(100, 200);
    }
    // A quarter of head type 1 at position 128, vertical position -12,
    // stem -28, unless the shape says otherwise.
    CKVMsg* Note(kvtest::NoteShape shape, LONG stem = -28, CKVObject* parent = nullptr)
    {
        CKVMsg* note = Builder().Note(parent ? parent : m_meas, shape);
        note->m_wHeadType = 1;
        note->m_lHeight = stem;
        note->m_crColor = 0;
        return note;
    }
    static kvtest::NoteShape At(short y, BYTE code = DUR_QUARTER, short x = 128)
    {
        return kvtest::NoteShape {.x = x, .y = y, .code = code};
    }
    std::vector<Glyph> Drawn() { return kvtest::DrawnGlyphs(Log()); }
    CKVMeas* m_meas = nullptr;
};

TEST_F(NoteDrawing, QuarterIsHeadAndOneStemPieceAndLeavesTheViewAsItWas)
{
    CKVMsg* note = Note(At(-12));
    const UINT align = Dc().GetTextAlign();
    EXPECT_EQ(View().KVDrawMsg(*note, 0), 1);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xD9, 210, 188}, {0xCC, 210, 188}}));
    EXPECT_EQ(Log().Texts().front()->align, static_cast<UINT>(TA_BASELINE | TA_RIGHT));
    EXPECT_EQ(note->m_nLayout1, -28);
    EXPECT_EQ(Dc().GetTextAlign(), align);
    EXPECT_EQ(View().m_lOrgX, 100);
    EXPECT_EQ(View().m_lOrgY, 200);
}

TEST_F(NoteDrawing, StemsAreOverlappingPiecesEndingExactlyWithTheFlagAtTheEnd)
{
    struct Case {
        BYTE code;
        LONG stem;
        std::vector<Glyph> glyphs;
    };
    const std::vector<Case> cases = {
        {DUR_EIGHTH, -40, {{0xD9, 210, 188}, {0xCC, 210, 188}, {0xCC, 210, 176}, {0xBF, 210, 176}}},
        {DUR_QUARTER, -29, {{0xD9, 210, 188}, {0xCC, 210, 188}, {0xCC, 210, 187}}},
        {DUR_HALF, -28, {{0xD8, 210, 188}, {0xCC, 210, 188}}},
        {DUR_WHOLE, -28, {{0xD7, 200, 188}}},
    };
    for (const Case& c : cases) {
        Log().Clear();
        View().KVDrawMsg(*Note(At(-12, c.code), c.stem), 0);
        EXPECT_EQ(Drawn(), c.glyphs) << int(c.code) << " " << c.stem;
    }
}

TEST_F(NoteDrawing, ShortStemIsAPixelLineOrRectangleWithTheFlagWhereAStandardStemEnds)
{
    View().KVDrawMsg(*Note(At(-12, DUR_EIGHTH), -20), 0);
    const std::vector<const kvrec::Entry*> lines = Log().Calls("LineTo");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(CPoint(lines[0]->logical.front()), CPoint(209, 188));
    EXPECT_EQ(CPoint(lines[0]->logical.back()), CPoint(209, 168));
    EXPECT_EQ(lines[0]->penWidth, 0);
    EXPECT_EQ(Drawn().back(), Glyph(0xBF, 210, 196));

    Log().Clear();
    View().KVSetExpandTimes(300, 300);
    View().KVDrawMsg(*Note(At(-12, DUR_EIGHTH), -20), 0);
    const std::vector<const kvrec::Entry*> boxes = Log().Calls("Rectangle");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(CPoint(boxes[0]->logical[0]), CPoint(630, 564));
    EXPECT_EQ(CPoint(boxes[0]->logical[1]), CPoint(627, 504));
    EXPECT_EQ(CSize(boxes[0]->windowExt), CSize(300, 300));
    EXPECT_EQ(Dc().GetWindowExt(), CSize(100, 100));
    EXPECT_EQ(Dc().GetViewportExt(), CSize(300, 300));

    Log().Clear();
    View().KVSetExpandTimes(100, 100);
    View().KVDrawMsg(*Note(At(-12, DUR_EIGHTH), -40), 1);
    std::vector<const kvrec::Entry*> stems;
    for (const kvrec::Entry* blit : Log().Calls("BitBlt"))
        if (CRect(blit->destRect).Height() == 40)
            stems.push_back(blit);
    ASSERT_EQ(stems.size(), 1u);
    EXPECT_EQ(stems[0]->rop3, 0x00A90189u);
    EXPECT_EQ(CRect(stems[0]->destRect).TopLeft(), CPoint(210, 148));
}

TEST_F(NoteDrawing, LedgerLinesAndDotsStandBesideTheHead)
{
    CKVMsg* whole = Note(kvtest::NoteShape {.x = 0, .y = -56, .code = DUR_WHOLE}, 0);
    View().KVDrawMsg(*whole, 0);
    std::vector<Glyph> expected = {{0xD7, 100, 144}};
    for (int y : {160, 152, 144})
        for (int x : {97, 100, 99})
            expected.emplace_back(0xCA, x, y);
    EXPECT_EQ(Drawn(), expected);
    EXPECT_EQ(whole->m_nLayout1, 8);

    struct Case {
        kvtest::NoteShape shape;
        LONG stem;
        std::vector<Glyph> expected; // the glyphs after the head (and stem for half notes)
        size_t skip;
    };
    const std::vector<Case> cases = {
        {At(20, DUR_HALF), 28, {{0xCA, 197, 208}, {0xCA, 195, 208}, {0xCA, 197, 216}, {0xCA, 195, 216}}, 1},
        {{.x = 128, .y = -16, .dots = 1}, -28, {{0xA7, 214, 180}}, 1},
        {{.x = 128, .y = -20, .code = DUR_EIGHTH, .dots = 1}, -28, {{0xA7, 218, 180}}, 1},
    };
    for (const Case& c : cases) {
        Log().Clear();
        View().KVDrawMsg(*Note(c.shape, c.stem), 0);
        std::vector<Glyph> all = Drawn();
        std::vector<Glyph> got;
        for (const Glyph& g : all)
            if (std::get<0>(g) == 0xCA || std::get<0>(g) == 0xA7)
                got.push_back(g);
        EXPECT_EQ(got, c.expected) << c.shape.y;
    }
}

TEST_F(NoteDrawing, DotOfAStemDownEighthMakesRoomForANoteOfAnotherVoiceAtTheSamePlace)
{
    CKVMsg* note = Note({.x = 64, .y = -16, .code = DUR_EIGHTH, .dots = 1}, 28);
    CKVMsg* other = Note({.x = 64, .y = -40, .voice = 2});
    auto dotX = [&] {
        Log().Clear();
        View().KVDrawMsg(*note, 0);
        for (const Glyph& g : Drawn())
            if (std::get<0>(g) == 0xA7)
                return std::get<1>(g);
        return -1;
    };
    const int beside = dotX();
    other->m_nPosX = 96;
    EXPECT_EQ(beside - dotX(), 4);
}

TEST_F(NoteDrawing, HeadTypesChooseTheirGlyphAndUnknownTypesDrawNothing)
{
    const std::vector<std::pair<WORD, int>> heads = {{2, 0xDD}, {3, 0xDC}, {4, 0xE4}, {5, 0xE5}, {6, 0xDB},
                                                     {26, 0x21}, {27, 0}, {0, 0}, {50, 0}};
    for (const auto& [type, glyph] : heads) {
        Log().Clear();
        CKVMsg* note = Note(At(-56, DUR_WHOLE), 0);
        note->m_wHeadType = type;
        View().KVDrawMsg(*note, 0);
        const std::vector<Glyph> drawn = Drawn();
        if (glyph) {
            ASSERT_FALSE(drawn.empty()) << type;
            EXPECT_EQ(std::get<0>(drawn.front()), glyph) << type;
        } else {
            for (const Glyph& g : drawn) // no head; type 0 no ledger lines either
                EXPECT_TRUE(std::get<0>(g) == 0xCA && type != 0) << type;
        }
    }
    // A duration code past the tables: no head, no flag.
    Log().Clear();
    View().KVDrawMsg(*Note(At(-12, 12)), 0);
    for (const Glyph& g : Drawn())
        EXPECT_EQ(std::get<0>(g), 0xCC);

    Log().Clear();
    CKVMsg* numbered = Note(At(-12));
    numbered->m_wHeadType = 123;
    View().KVDrawMsg(*numbered, 0);
    const std::vector<const kvrec::Entry*> texts = Log().Calls("TextOutA");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->bytes, "23");
    EXPECT_EQ(texts[0]->requestedFace, "Times New Roman");
    EXPECT_EQ(texts[0]->font.lfHeight, 14);
    EXPECT_EQ(texts[0]->font.lfWidth, 5);
    EXPECT_EQ(texts[0]->font.lfCharSet, 1);
    EXPECT_EQ(texts[0]->logical[0].y, 192);
}

TEST_F(NoteDrawing, ChordMovesTheSecondAcrossTheStemAndOneNoteChordDrawsAsItsNote)
{
    CKVMsg* chord = Builder().Chord(m_meas, At(0), {0, -4, -8});
    std::vector<CKVMsg*> notes;
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        notes.push_back(chord->GetMsg(i));
    ASSERT_EQ(notes.size(), 3u);
    for (CKVMsg* n : notes) {
        n->m_wHeadType = 1;
        n->m_lHeight = -28;
    }
    chord->m_lHeight = -28;
    EXPECT_EQ(View().KVDrawMsg(*chord, 0), 1);
    EXPECT_EQ(View().DrawChord(*chord, 1, 1, 1, 0), -28);
    const std::vector<Glyph> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 10u);
    EXPECT_EQ(std::vector<Glyph>(drawn.begin(), drawn.begin() + 5),
              (std::vector<Glyph> {{0xD9, 210, 200}, {0xCC, 210, 200}, {0xCC, 210, 192}, {0xD9, 221, 196},
                                   {0xD9, 210, 192}}));
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(notes[i]->m_nLayout1, -36 + 4 * static_cast<int>(i));
        EXPECT_TRUE(notes[i]->m_wFlag & 0x0020);
        EXPECT_EQ(notes[i]->m_lHeight, -28);
    }

    // One note: exactly what the note alone draws, and it stays the chord's.
    CKVMsg* single = Builder().Chord(m_meas, At(-12), {-12});
    CKVMsg* member = single->GetMsg(0);
    member->m_wHeadType = 1;
    member->m_lHeight = -28;
    Log().Clear();
    View().KVDrawMsg(*single, 0);
    const std::vector<Glyph> asChord = Drawn();
    Log().Clear();
    View().DrawNote(*Note(At(-12)), 1, 0, 1, 0, 0);
    EXPECT_EQ(asChord, Drawn());
    EXPECT_EQ(member->m_pParent, single);
}

TEST_F(NoteDrawing, GraceSizeNoteUsesTheThreeQuarterFontButItsLongStemPartKeepsItsLength)
{
    // Symbol size 32, standard stem 28: a grace note's head and stem are
    // drawn at 75 percent, and the 12 dots beyond the standard stem count as
    // 16 at that size.
    CKVMsg* grace = Note(At(-12), -40);
    grace->m_wSize = MSG_SIZE_GRACE;
    View().KVDrawMsg(*grace, 0);
    ASSERT_FALSE(Log().Texts().empty());
    EXPECT_EQ(Log().Texts().front()->font.lfHeight, -24);
    EXPECT_EQ(grace->m_nLayout1, -44);
    EXPECT_EQ(View().m_nSizePercent, 100);
}

TEST_F(NoteDrawing, SmallStavesScaleTheNoteAndTheSmallestNeverHangs)
{
    Builder().Staff(0)->m_wObjWord = 50;
    View().KVDrawMsg(*Note(At(-12)), 0);
    EXPECT_EQ(Drawn(), (std::vector<Glyph> {{0xD9, 205, 194}, {0xCC, 205, 194}}));
    EXPECT_EQ(View().m_nStaffSpace, 8);
    EXPECT_EQ(Log().Texts().front()->font.lfHeight, -16);

    Log().Clear();
    Builder().Staff(0)->m_wObjWord = 5;
    CKVMsg* tiny = Note(At(-12), -400);
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    View().KVDrawMsg(*tiny, 0);
    EXPECT_EQ(Log().Calls("LineTo").size(), 1u);
    EXPECT_EQ(kvrec::LiveObjectCounts(), live);
}

TEST_F(NoteDrawing, VoicesTakeTheirColourAndHiddenVoicesDrawNothing)
{
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    struct Case {
        WORD active, e6;
        BYTE voice;
        size_t glyphs;
        COLORREF colour;
    };
    const std::vector<Case> cases = {
        {1, 0x00FF, 2, 2, 0x808080}, {1, 0x00FF, 1, 2, 0x00FF00}, {0, 0x02FF, 2, 0, 0},
        {2, 0x02FF, 2, 2, 0x00FF00}, {0, 0xFFFF, 5, 0, 0},        {0, 0xFFFF, 0, 2, 0x00FF00},
        {0, 0xFFFF, 40, 2, 0x00FF00},
    };
    for (const Case& c : cases) {
        Log().Clear();
        tool.m_wActiveVoice = c.active;
        tool.m_wE6 = c.e6;
        CKVMsg* note = Note(At(-12));
        note->m_byVoice = c.voice;
        note->m_crColor = 0x00FF00;
        View().KVDrawMsg(*note, 0);
        const std::vector<kvrec::GlyphHit> glyphs = Log().Glyphs();
        ASSERT_EQ(glyphs.size(), c.glyphs) << c.active << " " << int(c.voice);
        if (!glyphs.empty()) {
            EXPECT_EQ(glyphs[0].colour, c.colour) << c.active << " " << int(c.voice);
        }
    }
}

TEST_F(NoteDrawing, MeasureThatDoesNotAddUpColoursItsHeadsRedButNeverItsStemsNorWithoutAUnit)
{
    Scoped check(CKVCtrlTool::m_bIsMeasErrorCheck, 1);
    struct Case {
        WORD tuplet;
        bool pickup;
        short unit;
        bool red;
    };
    for (const Case c : {Case {0x7778, false, 4, false}, Case {0x4F50, false, 4, true}, Case {0x4F50, true, 4, false},
                         Case {0x4F50, false, 0, false}}) {
        CKVMeas* meas = Builder().Meas(0, 0);
        for (short i = 0; i < meas->GetMsgNum();)
            meas->RemoveAt(i);
        for (int i = 0; i < 3; ++i)
            Note({.x = static_cast<short>(i * 64), .y = -12});
        CKVMsg* last = Note({.x = 192, .y = -12, .tuplet = c.tuplet});
        meas->m_nTimeDen = c.unit;
        meas->m_byOption = 0;
        if (c.pickup)
            Builder().Setup(meas, {.pickup = true});
        Log().Clear();
        View().KVDrawMsg(*last, 0);
        const std::vector<kvrec::GlyphHit> glyphs = Log().Glyphs();
        ASSERT_EQ(glyphs.size(), 2u);
        EXPECT_EQ(glyphs[0].colour, c.red ? 0x000000FFu : 0u) << std::hex << c.tuplet;
        EXPECT_EQ(glyphs[1].colour, 0u);
    }
}

TEST_F(NoteDrawing, MarksAndAccidentalsHangOnTheNote)
{
    struct Case {
        BYTE mark1, mark2, accidental;
        std::vector<Glyph> glyphs; // after head and stem
        std::string text;
    };
    const std::vector<Case> cases = {
        {4, 16, 0, {{0x60, 205, 216}, {0x2C, 205, 208}}, ""},
        {0x84, 0, 0, {}, "(`)"},
        {5, 0, 0, {}, ""},
        {60, 0, 0, {}, ""},
        {3, 16, 0, {{0x2C, 200, 208}}, ""},
        {0, 0, 1, {{0xA9, 188, 188}}, ""},
        {0, 0, 0x0D, {{0x29, 188, 194}, {0xAD, 177, 188}, {0x28, 166, 194}}, ""},
        {0, 0, 6, {}, ""},
    };
    for (const Case& c : cases) {
        Log().Clear();
        CKVMsg* note = Note(At(-12));
        note->m_byMark1 = c.mark1;
        note->m_byMark2 = c.mark2;
        note->m_byAccidental = c.accidental;
        note->m_nLayout2 = 20;
        note->m_nLayout4 = 12;
        View().KVDrawMsg(*note, 0);
        const std::vector<Glyph> drawn = Drawn();
        std::vector<Glyph> got(drawn.begin() + 2, drawn.end());
        if (!c.text.empty()) {
            const std::vector<const kvrec::Entry*> texts = Log().Calls("TextOutA");
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0]->bytes, c.text);
            EXPECT_EQ(CPoint(texts[0]->logical[0]), CPoint(205, 216));
        } else {
            EXPECT_EQ(got, c.glyphs) << int(c.mark1) << " " << int(c.mark2) << " " << int(c.accidental);
        }
    }
}

TEST_F(NoteDrawing, AutomaticAccidentalFollowsThePitchAndTiedOverNotesShowNone)
{
    struct Case {
        BYTE key;
        int glyph;
    };
    for (BYTE automatic : {1, 0}) {
        for (const Case c : {Case {65, 0xA9}, Case {63, 0xAA}, Case {66, 0xAC}, Case {67, 0}}) {
            Doc().m_byAutoAccidental = automatic;
            CKVMsg* note = Note(At(0));
            MidiNoteHead head = kvtest::ScoreBuilder::GetMidiHead(note);
            head.byKey = c.key;
            kvtest::ScoreBuilder::SetMidiHead(note, head);
            Log().Clear();
            View().KVDrawMsg(*note, 0);
            const int last = std::get<0>(Drawn().back());
            EXPECT_EQ(last, automatic && c.glyph ? c.glyph : 0xCC) << int(c.key);
        }
    }
    Doc().m_byAutoAccidental = 0;
    CKVMsg* first = Note(At(-12, DUR_QUARTER, 0));
    CKVMsg* second = Note(At(-12, DUR_QUARTER, 128));
    second->m_byAccidental = 1;
    Builder().Tie(first, second);
    Log().Clear();
    View().KVDrawMsg(*second, 0);
    EXPECT_EQ(Drawn().size(), 2u);
}

TEST_F(NoteDrawing, TieWhoseNoteIsGoneIsRemovedAndTheNextAttachedSymbolStillDrawn)
{
    CKVMsg* note = Note(At(-12, DUR_QUARTER, 0));
    CKVMsg* a = Note(At(-12, DUR_QUARTER, 64));
    CKVMsg* b = Note(At(-12, DUR_QUARTER, 128));
    CKVMsg* broken = Builder().Tie(note, a);
    CKVMsg* kept = Builder().Tie(note, b);
    const DWORD brokenId = broken->m_dwMsgId;
    kept->m_nPosY = 5;
    kept->m_nPosY2 = 9;
    Builder().MakeStale(a);
    const int refs = note->m_arrMsgRef.GetSize();
    Doc().m_bModified = 0;
    View().KVDrawMsg(*note, 0);
    EXPECT_EQ(Builder().System()->GetMsgFromMap(brokenId), nullptr);
    EXPECT_EQ(note->m_arrMsgRef.GetSize(), refs - 1);
    EXPECT_EQ(kept->m_nPosY2, 5);
    EXPECT_TRUE(Doc().m_bModified);
}

class HandleDrawing : public NoteDrawing {
protected:
    void AddHandles(CKVObject* node, int count)
    {
        for (int i = 0; i < count; ++i)
            node->m_arrCtrlPoint.Add(new CKVCtrlPoint(CRect(0, -4, 10, 4)));
        node->m_byCtrlCount = static_cast<BYTE>(count);
    }
    size_t Outlines() const { return const_cast<HandleDrawing*>(this)->Log().Calls("MoveToEx").size(); }
};

TEST_F(HandleDrawing, HandlesAreOutlinedOnScreenOnlyAndNeverPastTheirCount)
{
    Scoped visible(CKVCtrlTool::m_fControlVisible, 1);
    CKVMsg* note = Note(At(-12));
    for (int i = 0; i < note->m_arrCtrlPoint.GetSize(); ++i)
        delete note->m_arrCtrlPoint.GetAt(i);
    note->m_arrCtrlPoint.RemoveAll();
    AddHandles(note, 4);
    note->m_byMark1 = 4;
    View().DrawCtrlRectOfMsg(note, 200, 188);
    ASSERT_EQ(Outlines(), 2u);
    const std::vector<const kvrec::Entry*> lines = Log().Calls("LineTo");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(CPoint(lines[0]->logical.back()), CPoint(210, 184));
    EXPECT_EQ(CPoint(lines[1]->logical.back()), CPoint(210, 192));
    EXPECT_EQ(CPoint(lines[2]->logical.back()), CPoint(200, 192));
    EXPECT_EQ(CPoint(lines[3]->logical.back()), CPoint(200, 184));
    EXPECT_EQ(lines[0]->penColour, 0x00FF0000u);
    EXPECT_EQ(lines[0]->penWidth, 1);

    Log().Clear();
    Doc().m_CtrlTool.m_wActiveVoice = 2;
    View().DrawCtrlRectOfMsg(note, 200, 188);
    Doc().m_CtrlTool.m_wActiveVoice = 0;
    CKVMsg* tie = Builder().Symbol(m_meas, MSG_TIE, 0);
    AddHandles(tie, 3);
    tie->m_wHeadType = 3;
    View().DrawCtrlRectOfMsg(tie, 0, 0);
    EXPECT_EQ(Outlines(), 1u);

    Log().Clear();
    CKVMsg* bezier = Builder().Symbol(m_meas, MSG_BEZIER, 0);
    AddHandles(bezier, 2);
    View().DrawCtrlRectOfMsg(bezier, 0, 0);
    EXPECT_EQ(Outlines(), 3u);

    Log().Clear();
    AddHandles(m_meas, 3);
    for (WORD mode : {1, 0, 2}) {
        Doc().m_CtrlTool.m_wHandleMode = mode;
        View().DrawCtrlRectOfMeas(m_meas);
    }
    EXPECT_EQ(Outlines(), 4u);
    EXPECT_EQ(CPoint(Log().Calls("MoveToEx")[0]->logical[0]), CPoint(100, 164));

    Log().Clear();
    Scoped hidden(CKVCtrlTool::m_fControlVisible, 0);
    View().DrawCtrlRectOfMsg(note, 0, 0);
    View().DrawCtrlRectOfMeas(m_meas);
    EXPECT_EQ(Outlines(), 0u);
}

} // namespace
