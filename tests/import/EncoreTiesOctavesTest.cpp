// The passes after the Encore symbol walk: ties across a bar line bound to
// their notes or made free curves, and octave-line marks made lines, split
// where a run crosses into a new block.

#include "EncoreSymbolFixture.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "platform/AllocHook.h"
#include "support/ScoreBuilder.h"
#include "timing/TieLinks.h"

using namespace kvtest;

namespace {

// Two measures of staff 0 (L = 6, header width 20, real width 180) and the
// Encore file of one tie from measure 0 into measure 1.
class EncoreDeferredTie : public KvTest {
protected:
    ScoreBuilder b {ScoreShape {.lineSpacing = 6, .staves = 1, .measures = 2}};
    EncRead enc;
    CKVMsg* start = nullptr;

    void SetUp() override
    {
        KvTest::SetUp();
        for (SIZE& size : b.Doc().m_sizeHead)
            size = SIZE {20, 16};
        for (int m = 0; m < 2; ++m) {
            b.Meas(0, m)->m_nHeaderWidth = 20;
            b.Meas(0, m)->m_nRealWidth = 180;
        }
        start = WholeNote(0, 0x0001);
    }
    CKVMsg* WholeNote(int meas, WORD flags, short y = 0)
    {
        CKVMsg* note = b.Note(b.Meas(0, meas), {.x = 0, .y = y, .code = DUR_WHOLE, .flags = flags});
        note->MakeNoteCtrlPoint();
        return note;
    }
    // The tie: x1 0, x2 7, step 2, byKind -2, stored measure `index`.
    void Read(int index = 0, BYTE track = 0, BYTE voice = 0)
    {
        EncoreFile f = FourMeasureEncore({});
        EncoreSymbol tie = EncRawSymbol(3, 0xFE, {0, 0, 7, 0, 2, 0, static_cast<BYTE>(index), static_cast<BYTE>(index >> 8)});
        tie.param1 = 1;
        tie.wColor = 5;
        tie.track = track;
        tie.voice = voice;
        f.measures[0].symbols = {tie};
        enc = ReadEncore(WriteEncore(f, EncoreOrder::Scow));
        ASSERT_EQ(enc.result, 1);
    }
    int Run()
    {
        CPtrArray ties;
        CEncMeas* m0 = enc.doc->m_arrMeas[0];
        for (int i = 0; i < m0->m_arrType3Symbols.GetSize(); ++i)
            ties.Add(m0->m_arrType3Symbols[i]);
        return b.Doc().EncToKVC_NoneProcTie(enc.doc.get(), ties, 0);
    }
    std::vector<CKVMsg*> Slurs(int meas = 0)
    {
        std::vector<CKVMsg*> out;
        CKVMeas* live = b.Doc().GetMeasure(meas, 0, 0);
        for (short i = 0; i < live->GetMsgNum(); ++i)
            if (live->GetMsg(i)->m_byKind == MSG_PAGESLUR)
                out.push_back(live->GetMsg(i));
        return out;
    }
    static CKVMsg* StartedTie(CKVMsg* note)
    {
        for (short i = 0; note && i < note->GetMsgNum(); ++i)
            if (note->GetMsg(i)->m_byKind == MSG_TIE && note->GetMsg(i)->m_dwWord == note->m_dwMsgId)
                return note->GetMsg(i);
        return nullptr;
    }
    static CKVMsg* FirstNote(CKVMeas* meas)
    {
        for (short i = 0; i < meas->GetMsgNum(); ++i)
            if (meas->GetMsg(i)->m_byKind == MSG_NOTE)
                return meas->GetMsg(i);
        return nullptr;
    }
};

TEST_F(EncoreDeferredTie, BindsTheNotesWhenTheNextMeasureHoldsTheEqualNote)
{
    ASSERT_EQ(start->m_arrCtrlPoint.GetAt(0)->m_rect, CRect(0, -8, 20, 8));
    WholeNote(1, 0);
    Read();
    EXPECT_EQ(Run(), 1);
    CKVMsg* first = FirstNote(b.Doc().GetMeasure(0, 0, 0));
    CKVMsg* tie = StartedTie(first);
    ASSERT_NE(tie, nullptr);
    EXPECT_EQ(tielink::EndOf(*tie), FirstNote(b.Doc().GetMeasure(1, 0, 0)));
    EXPECT_TRUE(Slurs().empty());
}

TEST_F(EncoreDeferredTie, AnUnboundTieBecomesAFreeCurveToTheNextMeasure)
{
    Read();
    EXPECT_EQ(Run(), 1);
    const auto slurs = Slurs();
    ASSERT_EQ(slurs.size(), 1u);
    const CKVMsg* m = slurs[0];
    EXPECT_EQ(m->m_byVoice, 1);
    EXPECT_EQ(m->m_wDuration, 1);
    EXPECT_EQ(m->m_nPosX, 0);
    EXPECT_EQ(m->m_nPosY, 0);
    EXPECT_EQ(m->m_nPosX2, 187);
    EXPECT_EQ(m->m_nPosY2, 0);
    EXPECT_EQ(m->m_wObjWord, 93);
    EXPECT_EQ(m->m_dwWord, 3u);
    EXPECT_EQ(m->m_crColor, kEncColor5);
}

TEST_F(EncoreDeferredTie, ANoteThatAlreadyStartsATieGivesAFreeCurve)
{
    // Tied to a note of its own measure; one space up and right still hits it.
    CKVMsg* next = b.Note(b.Meas(0, 0), {.x = 200, .y = 0, .code = DUR_WHOLE});
    b.Tie(start, next);
    WholeNote(1, 0);
    Read();
    EXPECT_EQ(Run(), 1);
    const auto slurs = Slurs();
    ASSERT_EQ(slurs.size(), 1u);
    EXPECT_EQ(slurs[0]->m_dwWord, static_cast<DWORD>(MulDiv(6, 2, 4)));
}

TEST_F(EncoreDeferredTie, TiesWithoutTheirNoteOrOutsideTheListsAreDropped)
{
    struct Case {
        const char* name;
        bool removeNote;
        int index;
        BYTE track;
        BYTE voice;
    };
    const Case cases[] {
        {"no note", true, 0, 0, 0},
        {"measure 500", false, 500, 0, 0},
        {"track beyond the list", false, 0, 7, 0},
        {"voice 9", false, 0, 0, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.removeNote)
            start->m_nPosY = -30; // only a note far above the tie
        Read(c.index, c.track, c.voice);
        const short before = b.Meas(0, 0)->GetMsgNum();
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(b.Meas(0, 0)->GetMsgNum(), before);
        EXPECT_TRUE(Slurs().empty());
        start->m_nPosY = 0;
    }
}

// Octave lines: 2 tracks of 1 staff, 4 measures of width 200 without head
// area, one page of two systems of 2 measures (blocks 400 wide).
struct Piece {
    int meas;
    WORD value;
    short x, y, dx, dy;
    bool operator==(const Piece&) const = default;
};

void PrintTo(const Piece& p, std::ostream* os)
{
    *os << "{" << p.meas << "," << p.value << "," << p.x << "," << p.y << "," << p.dx << "," << p.dy << "}";
}

class EncoreOctaveLines : public KvTest {
protected:
    std::unique_ptr<EncSymbolScore> s;

    void Load(std::vector<std::vector<EncoreSymbol>> perMeasure, EncoreOrder order = EncoreOrder::Scow)
    {
        s = std::make_unique<EncSymbolScore>();
        EncoreFile f = FourMeasureEncore({});
        f.measures[0].byPakArea = 0;
        for (auto& m : f.measures)
            m.wMeasDistance = 200;
        for (size_t m = 0; m < perMeasure.size(); ++m)
            f.measures[m].symbols = perMeasure[m];
        EncoreTrack second;
        second.tag = "TK01";
        f.tracks.push_back(second);
        f.byInstruPerSys = 2;
        f.byStaffPerSys = 2;
        f.wSysNumb = 2;
        f.pages[0].wLineNumb = 2;
        f.pages[0].wStaffNumb = 2;
        f.lines.clear();
        for (WORD first : {0, 2}) {
            EncoreLine line;
            line.wStartMeasNo = first;
            line.wMeasNumb = 2;
            line.wY = static_cast<WORD>(100 + 200 * first);
            EncoreStaff upper, lower;
            lower.byTrkNo = 1;
            lower.wY = 80;
            line.staves = {upper, lower};
            f.lines.push_back(line);
        }
        ASSERT_EQ(s->Load(f, order), 1);
        ASSERT_EQ(s->doc.GetPageNum(), 1);
        CKVPage* page = s->doc.GetPage(0);
        ASSERT_EQ(page->GetBlockNum(), 2);
        for (short bl = 0; bl < 2; ++bl) {
            CKVBlock* block = page->GetBlock(bl);
            ASSERT_EQ(block->m_nFirstMeas, 2 * bl);
            ASSERT_EQ(block->m_nMeasCount, 2);
            ASSERT_EQ(block->m_rcBlock.Width(), 400);
            ASSERT_EQ(block->m_arrMeasX.GetSize(), 3);
            ASSERT_EQ(block->m_arrMeasX[1], 200);
        }
        for (int m = 0; m < 4; ++m)
            ASSERT_EQ(s->Meas(m)->GetRealWidth(), 200);
    }
    static EncoreSymbol Mark(BYTE kind, int x, int y = 0, WORD color = 0)
    {
        EncoreSymbol mark = EncMark(0, 0, kind, EncWords({x, y}));
        mark.wColor = color;
        return mark;
    }
    std::vector<Piece> Pieces()
    {
        std::vector<Piece> out;
        for (int m = 0; m < 4; ++m)
            for (const CKVMsg* msg : s->Added(MSG_OCTAVE, m)) {
                EXPECT_EQ(msg->m_wHeadType, 0);
                out.push_back({m, msg->m_wDuration, msg->m_nPosX, msg->m_nPosY, msg->m_nPosX2, msg->m_nPosY2});
            }
        return out;
    }
    std::vector<Piece> Convert(std::vector<std::vector<EncoreSymbol>> perMeasure,
                               EncoreOrder order = EncoreOrder::Scow)
    {
        Load(std::move(perMeasure), order);
        s->doc.EncToKVC_8vab(nullptr, &s->enc);
        return Pieces();
    }
};

TEST_F(EncoreOctaveLines, StartAndEndMarksBecomeLinesSplitAtBlocks)
{
    for (EncoreOrder order : {EncoreOrder::Scow, EncoreOrder::Sco5}) {
        SCOPED_TRACE(int(order));
        EXPECT_EQ(Convert({{Mark(16, 50, 2), Mark(17, 150, 0, 5)}}, order),
                  (std::vector<Piece> {{0, 1, 56, 0, 88, 6}}));
        EXPECT_EQ(s->Added(MSG_OCTAVE)[0]->m_crColor, kEncColor5);

        // Into the next block: a new piece from its first measure.
        EXPECT_EQ(Convert({{}, {Mark(18, 100, -4)}, {}, {Mark(19, 50)}}, order),
                  (std::vector<Piece> {{1, 2, 120, 18, 88, -12}, {2, 2, 0, 18, 232, -12}}));
    }
    // No end: closed at the end of the staff.
    EXPECT_EQ(Convert({{}, {}, {Mark(16, 100)}}), (std::vector<Piece> {{2, 1, 120, 6, 288, -6}}));
    // A second start drops the first line.
    EXPECT_EQ(Convert({{Mark(16, 50), Mark(16, 120), Mark(17, 150)}}), (std::vector<Piece> {{0, 1, 146, 6, 18, -6}}));
    // An end alone makes nothing.
    EXPECT_TRUE(Convert({{Mark(17, 150)}}).empty());
    // Hooks far above and just below the bottom line.
    EXPECT_EQ(Convert({{Mark(16, 50, 18), Mark(17, 150)}})[0].dy, 12);
    EXPECT_EQ(Convert({{Mark(16, 50, 1), Mark(17, 150)}})[0].dy, -6);
}

TEST_F(EncoreOctaveLines, ProgressGoesToTheDialogOnly)
{
    Load({{Mark(16, 50, 2), Mark(17, 150)}});
    host.progress.clear();
    s->doc.EncToKVC_8vab(GetHostProgressDialog(), &s->enc);
    ASSERT_EQ(host.progress.size(), 3u);
    EXPECT_EQ(host.progress[0].percent, 0);
    EXPECT_EQ(host.progress[0].text, std::optional<std::string>("Converting 8va and 8vb ...."));
    EXPECT_EQ(host.progress[1].percent, 10);
    EXPECT_EQ(host.progress[1].text, std::nullopt);
    EXPECT_EQ(host.progress[2].percent, 55);
    EXPECT_EQ(host.progress[2].text, std::nullopt);
    const std::vector<Piece> withDialog = Pieces();

    Load({{Mark(16, 50, 2), Mark(17, 150)}});
    host.progress.clear();
    s->doc.EncToKVC_8vab(nullptr, &s->enc);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(Pieces(), withDialog);
}

TEST_F(EncoreOctaveLines, AFailedAllocationEndsThePassWithOneReport)
{
    Load({{Mark(16, 50, 2), Mark(17, 150)}, {}, {Mark(18, 10)}});
    host.messageBoxes.clear();
    KvFailAllocationAfter(1);
    s->doc.EncToKVC_8vab(nullptr, &s->enc);
    KvFailAllocationAfter(0);
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    EXPECT_TRUE(Pieces().empty());

    // A failure at the continuation ends the pass after the piece before it
    // was closed; any failure shows one report at most.
    bool sawContinuationFail = false;
    for (int n = 1; n <= 10; ++n) {
        Load({{}, {Mark(18, 100, -4)}, {}, {Mark(19, 50)}});
        host.messageBoxes.clear();
        KvFailAllocationAfter(n);
        s->doc.EncToKVC_8vab(nullptr, &s->enc);
        KvFailAllocationAfter(0);
        EXPECT_LE(host.messageBoxes.size(), 1u);
        if (host.messageBoxes.size() == 1 && Pieces() == std::vector<Piece> {{1, 2, 120, 18, 88, -12}})
            sawContinuationFail = true;
    }
    EXPECT_TRUE(sawContinuationFail);
}

} // namespace
