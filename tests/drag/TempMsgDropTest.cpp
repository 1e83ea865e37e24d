// Drops through the protocol: a new symbol into a measure or onto a page, a
// moved symbol, an Alt copy, and drops that must leave the score alone, a
// measure whose record holds all its symbols among them. Each drop is one
// undo step.

#include "support/DragDriver.h"

#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "support/ScoreIntegrity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A glyph symbol placed by the common rule, with its starting points from
// the moved message's words.
class GlyphTemplate : public CKVMsg, public CTempMsg {
public:
    explicit GlyphTemplate(BYTE kind = MSG_GLYPH) : m_kind(kind) {}
    void DrawDraging(CDC*) override { m_rcBound = CRect(-2, -2, 2, 2); }
    void InitDragingParameter(CPoint pt) override
    {
        if (m_pMovedMsg) {
            m_ptPos = StartPoint(*m_pMovedMsg);
            m_ptSecond = m_ptPos;
        } else {
            StartNew(pt);
        }
        m_ptThird = pt;
    }
    void UpdateDragingParameter(CPoint pt) override { m_ptPos = pt; }
    void MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas) override
    {
        CPoint first = m_ptPos;
        CPoint second = m_ptSecond;
        meas = PlacePoints(first, second);
        FillPlaced(msg, m_kind, meas, first, second, true);
    }

protected:
    CKVMsg& Model() override { return *this; }

private:
    BYTE m_kind;
};

class TempMsgDropTest : public kvtest::DragFixture {
protected:
    CKVMsg* Last(CKVObject* holder) { return holder->GetMsg(static_cast<short>(holder->GetMsgNum() - 1)); }

    void Drop(CTempMsg& t, CPoint from, CPoint to, CKVMsg* moved)
    {
        ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, moved, 0), 1);
        t.Drag(&View(), to);
        EXPECT_EQ(t.EndDrag(to), 1);
    }
};

TEST_F(TempMsgDropTest, NewSymbolGoesIntoTheMeasureWithTheSettings)
{
    Doc().m_CtrlTool.m_crCurrent = RGB(0, 0, 200);
    Doc().m_CtrlTool.m_wActiveVoice = 3;
    Doc().m_CtrlTool.m_nCurLineWidth = -2;
    const std::string before = Dump();
    GlyphTemplate t;
    Drop(t, {380, 300}, {400, 300}, nullptr);

    // View (400, 300) is (50, 76) in measure 1.
    CKVMeas* live = Meas(1);
    ASSERT_EQ(live->GetMsgNum(), 1);
    CKVMsg* added = Last(live);
    EXPECT_EQ(added->m_byKind, MSG_GLYPH);
    EXPECT_EQ(added->m_nPosX, 50);
    EXPECT_EQ(added->m_nPosY, 76);
    EXPECT_EQ(added->m_nPosX2, -20); // the second point stayed at the press
    EXPECT_EQ(added->m_crColor, RGB(0, 0, 200));
    EXPECT_EQ(added->m_byVoice, 3);
    EXPECT_EQ(added->m_lHeight, -2);
    EXPECT_EQ(added->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_EQ(added->m_wHeadLen, 0);
    EXPECT_EQ(added->m_pPage, nullptr);
    EXPECT_NE(added->m_dwMsgId, 0u);

    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
}

TEST_F(TempMsgDropTest, HeaderAndStaffSizeScaleTheWords)
{
    score->Staff(0)->m_wObjWord = 50;
    GlyphTemplate t;
    // View (150, 260) is (100, 36) in measure 0, whose header takes 44.
    Drop(t, {150, 260}, {150, 260}, nullptr);
    CKVMsg* added = Last(Meas(0));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->m_nPosX, 56);
    EXPECT_EQ(added->m_nPosY, 72);
}

TEST_F(TempMsgDropTest, WithoutABlockTheSymbolStaysOnThePageInPageWords)
{
    CKVPage* page = AddEmptyPage();
    const std::string before = Dump();
    GlyphTemplate t;
    Drop(t, {300, 300}, {310, 320}, nullptr);
    page = Doc().GetCurrentPage();
    ASSERT_EQ(page->GetMsgNum(), 1);
    CKVMsg* added = page->m_arrMsg.GetAt(0);
    EXPECT_EQ(added->m_nPosX, 260);
    EXPECT_EQ(added->m_nPosY, 260);
    EXPECT_EQ(added->m_pParent, nullptr);
    EXPECT_EQ(added->m_pPage, page);
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempMsgDropTest, MovedSymbolLeavesItsMeasureAndCopiesWithAlt)
{
    CKVMsg* glyph = score->Symbol(Meas(0), MSG_GLYPH, 100, 20);
    glyph->m_crColor = RGB(9, 9, 9);
    PointCursorAt(glyph);
    const std::string before = Dump();
    {
        GlyphTemplate t;
        ASSERT_EQ(t.BeginDrag({160, 240}, &Doc(), 100, glyph, 0), 1);
        // The words of (100, 20) in measure 0 are the view point (194, 244).
        EXPECT_EQ(t.GetOriginalPoint(), CPoint(194, 244));
        t.Drag(&View(), {400, 300});
        EXPECT_EQ(t.EndDrag({400, 300}), 1);
        EXPECT_EQ(t.m_pMovedMsg, nullptr);
    }
    EXPECT_EQ(Meas(0)->GetMsgNum(), 0);
    ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    CKVMsg* moved = Last(Meas(1));
    EXPECT_EQ(moved->m_nPosX, 50);
    EXPECT_EQ(moved->m_nPosY, 76);
    EXPECT_EQ(moved->m_crColor, RGB(9, 9, 9));
    Undo();
    EXPECT_EQ(Dump(), before);

    // With Alt held at the press the original stays and the copy is new.
    glyph = Last(Meas(0));
    PointCursorAt(glyph);
    host.HoldKey(VK_MENU);
    {
        GlyphTemplate t;
        ASSERT_EQ(t.BeginDrag({194, 244}, &Doc(), 100, glyph, 0), 1);
        host.ReleaseKey(VK_MENU);
        t.Drag(&View(), {400, 300});
        t.EndDrag({400, 300});
    }
    EXPECT_EQ(Meas(0)->GetMsgNum(), 1);
    ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    EXPECT_NE(Last(Meas(1))->m_dwMsgId, Last(Meas(0))->m_dwMsgId);
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempMsgDropTest, PageSymbolDroppedIntoAMeasureLosesItsPageLink)
{
    CKVMsg text;
    text.m_byKind = MSG_GLYPH;
    text.m_nPosX = 300;
    text.m_nPosY = 500;
    CKVMsg* onPage = Doc().AddMsg(Doc().GetCurrentPage(), &text, 0, 0);
    ASSERT_NE(onPage, nullptr);
    const std::string before = Dump();
    GlyphTemplate t;
    ASSERT_EQ(t.BeginDrag({350, 560}, &Doc(), 100, onPage, 0), 1);
    EXPECT_EQ(t.GetOriginalPoint(), CPoint(350, 560));
    t.Drag(&View(), {400, 300});
    t.EndDrag({400, 300});
    EXPECT_EQ(Doc().GetCurrentPage()->GetMsgNum(), 0);
    ASSERT_EQ(Meas(1)->GetMsgNum(), 1);
    EXPECT_EQ(Last(Meas(1))->m_pPage, nullptr);
    EXPECT_EQ(Last(Meas(1))->m_pParent, Meas(1));
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempMsgDropTest, DropsThatChangeNothing)
{
    CKVMsg* glyph = score->Symbol(Meas(0), MSG_GLYPH, 100, 20);
    PointCursorAt(glyph);
    const std::string before = Dump();

    // A template that fills nothing inserts nothing, moved or not.
    {
        kvtest::BoxTemplate box;
        box.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0);
        EXPECT_EQ(box.EndDrag({400, 300}), 1);
        kvtest::BoxTemplate moving;
        moving.BeginDrag({194, 244}, &Doc(), 100, glyph, 0);
        EXPECT_EQ(moving.EndDrag({400, 300}), 1);
    }
    EXPECT_EQ(Dump(), before);

    // A chord symbol does not go through the common drop.
    {
        GlyphTemplate t(MSG_CHORDSYMBOL);
        t.BeginDrag({100, 100}, &Doc(), 100, nullptr, 0);
        EXPECT_EQ(t.EndDrag({400, 300}), 1);
    }
    EXPECT_EQ(Dump(), before);

    // A title text lives on no page of the document.
    {
        CKVMsg title;
        title.m_byKind = MSG_FREETEXT;
        title.m_pPage = reinterpret_cast<void*>(1);
        title.m_byParentKind = CKVPage::PARENT_KIND_PAGE;
        GlyphTemplate t;
        t.BeginDrag({100, 100}, &Doc(), 100, &title, 0);
        EXPECT_EQ(t.EndDrag({400, 300}), 1);
        title.m_pPage = nullptr;
    }
    EXPECT_EQ(Dump(), before);

    // A document without pages.
    {
        CKVDoc empty;
        GlyphTemplate t;
        EXPECT_EQ(t.BeginDrag({100, 100}, &empty, 100, nullptr, 0), 1);
        EXPECT_EQ(t.EndDrag({400, 300}), 1);
    }
}

// Measure 1 holds 255 timed events, all its record counts, and measure 0 a
// glyph. A drop into measure 1 that would add a symbol is refused before
// anything is backed up or taken from its place: the glyph moved (no Alt)
// stays in measure 0, and neither a copy nor a new glyph arrives. A glyph
// moved within the full measure leaves a place behind and is moved.
TEST_F(TempMsgDropTest, ADropThatAFullMeasureCannotTakeChangesNothing)
{
    struct Row {
        const char* name;
        bool fromFullMeasure;
        bool alt;
        bool newSymbol;
        bool done;
    };
    const std::vector<Row> rows {
        {"a glyph moved into the full measure", false, false, false, false},
        {"a glyph copied into the full measure", false, true, false, false},
        {"a new glyph dropped into the full measure", false, false, true, false},
        {"a glyph moved within the full measure", true, false, false, true},
    };
    for (const BOOL recording : {1, 0}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (recording ? ", recording" : ", not recording"));
            TearDown();
            SetUp();
            Doc().m_bBackupRecord = recording;
            for (short i = 0; i < (row.fromFullMeasure ? 254 : 255); ++i)
                score->Symbol(Meas(1), MSG_TIMED_EVENT, i);
            CKVMsg* glyph = score->Symbol(row.fromFullMeasure ? Meas(1) : Meas(0), MSG_GLYPH, 100, 20);
            PointCursorAt(glyph);
            // The step of the host's last command is open.
            Doc().ResetBackup();
            const CPoint from = row.fromFullMeasure ? CPoint(494, 244) : CPoint(194, 244);
            const std::vector<std::string> changes = kvtest::QueryChanges(Doc(), [&] {
                GlyphTemplate t;
                if (row.alt)
                    host.HoldKey(VK_MENU);
                ASSERT_EQ(t.BeginDrag(from, &Doc(), 100, row.newSymbol ? nullptr : glyph, 0), 1);
                host.ReleaseKey(VK_MENU);
                t.Drag(&View(), {420, 300});
                EXPECT_EQ(t.EndDrag({420, 300}), 1);
            });
            EXPECT_EQ(changes.empty(), !row.done) << kvtest::Joined(changes);
            EXPECT_EQ(Meas(1)->GetMsgNum(), 255);
            EXPECT_EQ(Meas(0)->GetMsgNum(), row.fromFullMeasure ? 0 : 1);
            const std::vector<std::string> problems = kvtest::IntegrityProblems(Doc());
            EXPECT_TRUE(problems.empty()) << kvtest::Joined(problems);
        }
    }
}

} // namespace
