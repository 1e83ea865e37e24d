// The chord-symbol template: where a new chord symbol goes (on a note or
// above the staff), how a moved one follows its grabbed part, Alt copies and
// refused moves; and the chord, fret-diagram and rhythm images.

#include "support/ChordSupport.h"
#include "support/DragDriver.h"
#include "support/PngPixels.h"

#include "document/KVCtrlTool.h"
#include "drag/TempChordSymbol.h"
#include "harmony/ChordRtBsInfo.h"
#include "model/GlyphTables.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/TextHelpers.h"
#include "support/ScoreIntegrity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TempChordSymbolTest : public kvtest::DragFixture {
protected:
    void SetUp() override
    {
        DragFixture::SetUp();
        Doc().m_CtrlTool.m_wActiveVoice = 1;
        Doc().m_CtrlTool.m_crCurrent = RGB(0, 0, 200);
    }

    // A chord symbol of root `root` at (x, y) with its diagram at (fx, fy).
    CChordSymbol* AddChord(CKVObject* holder, short root, short x, short y, short fx = 0, short fy = 0)
    {
        CChordSymbol chord;
        chord.m_byKind = MSG_CHORDSYMBOL;
        chord.m_byVoice = 1;
        chord.m_nRoot = root;
        chord.m_nPosX = x;
        chord.m_nPosY = y;
        chord.m_FretBoard.m_nPosX = fx;
        chord.m_FretBoard.m_nPosY = fy;
        return dynamic_cast<CChordSymbol*>(Doc().AddMsg(holder, &chord, 1, 0));
    }
    // The chord symbols a holder owns directly.
    std::vector<CChordSymbol*> Chords(CKVObject* holder)
    {
        std::vector<CChordSymbol*> chords;
        for (short i = 0; i < holder->GetMsgNum(); ++i) {
            CKVMsg* msg = holder->GetMsg(i);
            if (msg && msg->m_byKind == MSG_CHORDSYMBOL)
                chords.push_back(dynamic_cast<CChordSymbol*>(msg));
        }
        return chords;
    }
    // The model of a new D minor seventh.
    void MakeModel(CTempChordSymbol& t)
    {
        t.m_byKind = MSG_CHORDSYMBOL;
        t.m_nRoot = 2;
        t.m_Surfix.SetRealName("m7");
    }
    short DropNew(CTempChordSymbol& t, CPoint at)
    {
        EXPECT_EQ(t.BeginDrag(at, &Doc(), 100, nullptr, 0), 1);
        t.Drag(&View(), at);
        return t.EndDrag(at);
    }
    // Moves `moved` with the given handle from `from` to `to`.
    short Move(CChordSymbol* moved, int handle, CPoint from, CPoint to)
    {
        PointCursorAt(moved);
        CTempChordSymbol t;
        t = *moved;
        EXPECT_EQ(t.BeginDrag(from, &Doc(), 100, moved, handle), 1);
        t.Drag(&View(), to);
        return t.EndDrag(to);
    }
    // The note of the drops: measure 1, x 100, y -24, voice 1, whose
    // head holds the view point (457, 200).
    CKVMsg* AddNote()
    {
        CKVMsg* note = score->Note(Meas(1), {.x = 100, .y = -24});
        EXPECT_EQ(Doc().GetPointedNoteMsg(POINT {407, 140}, 1), note);
        return note;
    }
};

TEST_F(TempChordSymbolTest, ChordPositionIsFourSpacesAndTheUpperSpaceAboveTheStaff)
{
    CTempChordSymbol t;
    t.BeginDrag({0, 0}, &Doc(), 100, nullptr, 0);
    EXPECT_EQ(t.GetChordPos(Block(), Meas(1)), -4 * 16 - 24);
    EXPECT_EQ(t.GetChordPos(nullptr, Meas(1)), 65535);
    CKVBlock empty;
    EXPECT_EQ(t.GetChordPos(&empty, Meas(1)), 65535);
}

TEST_F(TempChordSymbolTest, NewChordOnEmptySpaceGoesAboveTheStaff)
{
    const std::string before = Dump();
    CTempChordSymbol t;
    MakeModel(t);
    t.m_FretBoard.m_nPosX = 9;
    EXPECT_EQ(DropNew(t, {450, 150}), 1);

    const auto chords = Chords(Meas(1));
    ASSERT_EQ(chords.size(), 1u);
    CChordSymbol* made = chords[0];
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(CPoint(made->m_nPosX, made->m_nPosY), CPoint(100, -88));
    EXPECT_EQ(CPoint(made->m_FretBoard.m_nPosX, made->m_FretBoard.m_nPosY), CPoint(0, 0));
    EXPECT_EQ(made->m_crColor, RGB(0, 0, 200));
    EXPECT_EQ(made->m_nRoot, 2);
    EXPECT_EQ(made->m_Surfix.GetRealName(), CString("m7"));
    EXPECT_NE(made->m_dwMsgId, 0u);
    EXPECT_EQ(made->m_pPage, nullptr);

    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
}

TEST_F(TempChordSymbolTest, NewChordOnANoteTakesItsVoiceAndReplacesItsChord)
{
    CKVMsg* note = AddNote();
    {
        CTempChordSymbol t;
        MakeModel(t);
        t.m_byVoice = 3;
        EXPECT_EQ(DropNew(t, {457, 200}), 1);
        const auto chords = Chords(Meas(1)->GetMsg(0));
        ASSERT_EQ(chords.size(), 1u);
        EXPECT_EQ(CPoint(chords[0]->m_nPosX, chords[0]->m_nPosY), CPoint(0, -64));
        EXPECT_EQ(chords[0]->m_byVoice, 1);
        EXPECT_TRUE(Chords(Meas(1)).empty());
        Undo();
        note = Meas(1)->GetMsg(0);
    }

    // A note that carries one gets the new chord in the old one's place.
    AddChord(note, 0, 3, -40, 5, -30);
    const std::string before = Dump();
    {
        CTempChordSymbol t;
        MakeModel(t);
        EXPECT_EQ(DropNew(t, {457, 200}), 1);
    }
    note = Meas(1)->GetMsg(0);
    const auto chords = Chords(note);
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(chords[0]->m_nRoot, 2);
    EXPECT_EQ(CPoint(chords[0]->m_nPosX, chords[0]->m_nPosY), CPoint(3, -40));
    EXPECT_EQ(CPoint(chords[0]->m_FretBoard.m_nPosX, chords[0]->m_FretBoard.m_nPosY), CPoint(5, -30));
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempChordSymbolTest, NewChordWithoutAMeasurePlacesNothing)
{
    AddEmptyPage();
    const std::string before = Dump();
    CTempChordSymbol t;
    MakeModel(t);
    EXPECT_EQ(DropNew(t, {450, 150}), -1);
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(host.beeps.empty());
}

TEST_F(TempChordSymbolTest, GrabbedPartOfAChordOnANoteMoves)
{
    CKVMsg* note = AddNote();
    CChordSymbol* chord = AddChord(note, 0, 3, -40, 5, -30);
    ASSERT_NE(chord, nullptr);
    kvtest::AddRhythm(*chord);
    chord->m_pRhythm->m_nPosY = 20;
    chord->m_nDrawnX = 400;
    chord->m_nDrawnY = 200;
    const std::string before = Dump();
    auto current = [&] { return Chords(Meas(1)->GetMsg(0)).at(0); };
    // The symbol itself is drawn from (403, 160).
    const CPoint p(410, 165);
    const CPoint q = p + CPoint(12, -7);

    EXPECT_EQ(Move(chord, 1, p, q), 1);
    EXPECT_EQ(CPoint(current()->m_FretBoard.m_nPosX, current()->m_FretBoard.m_nPosY), CPoint(17, -37));
    EXPECT_EQ(CPoint(current()->m_nPosX, current()->m_nPosY), CPoint(3, -40));
    Undo();
    EXPECT_EQ(Dump(), before);

    EXPECT_EQ(Move(current(), 0, p, q), 1);
    EXPECT_EQ(CPoint(current()->m_nPosX, current()->m_nPosY), CPoint(15, -47));
    EXPECT_EQ(Chords(Meas(1)->GetMsg(0)).size(), 1u);
    Undo();
    EXPECT_EQ(Dump(), before);

    CKVCtrlTool::m_bShowRhythm = 1;
    EXPECT_EQ(Move(current(), 2, p, q), 1);
    ASSERT_NE(current()->m_pRhythm, nullptr);
    EXPECT_EQ(CPoint(current()->m_pRhythm->m_nPosX, current()->m_pRhythm->m_nPosY), CPoint(12, 13));
    EXPECT_EQ(CPoint(current()->m_nPosX, current()->m_nPosY), CPoint(3, -40));
    Undo();

    // A hidden rhythm cannot be grabbed.
    CKVCtrlTool::m_bShowRhythm = 0;
    Doc().m_bShowRhythm = 0;
    EXPECT_EQ(Move(current(), 2, p, q), 1);
    EXPECT_EQ(CPoint(current()->m_pRhythm->m_nPosX, current()->m_pRhythm->m_nPosY), CPoint(0, 20));
    EXPECT_EQ(CPoint(current()->m_nPosX, current()->m_nPosY), CPoint(3, -40));
}

// A holder whose record holds all its symbols takes no chord symbol: a new
// one dropped into a measure of 255 timed events or onto a note of 255
// marks, and one moved into that measure, are refused before anything is
// backed up, whether undo is recorded or not. A full note that carries a
// chord symbol takes the new one in its place.
TEST_F(TempChordSymbolTest, AChordSymbolAFullHolderCannotTakeChangesNothing)
{
    struct Row {
        const char* name;
        bool onNote;
        bool moved;
        bool noteHasChord;
        short result;
    };
    const std::vector<Row> rows {
        {"a new chord into the full measure", false, false, false, 1},
        {"a chord moved into the full measure", false, true, false, -1},
        {"a new chord onto the full note", true, false, false, 1},
        {"a new chord onto the full note that carries one", true, false, true, 1},
    };
    for (const BOOL recording : {1, 0}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (recording ? ", recording" : ", not recording"));
            TearDown();
            SetUp();
            Doc().m_bBackupRecord = recording;
            CKVMsg* note = row.onNote ? AddNote() : nullptr;
            CKVObject* full = row.onNote ? static_cast<CKVObject*>(note) : Meas(1);
            for (short i = row.noteHasChord ? 1 : 0; i < 255; ++i)
                score->Symbol(full, row.onNote ? BYTE {MSG_NOTEMARK} : BYTE {MSG_TIMED_EVENT}, i);
            if (row.noteHasChord)
                AddChord(note, 0, 3, -40);
            CChordSymbol* chord = row.moved ? AddChord(Meas(0), 4, 50, -88) : nullptr;
            if (chord) {
                chord->m_nDrawnX = 50;
                chord->m_nDrawnY = 224;
            }
            Doc().ResetBackup();
            host.beeps.clear();
            short result = 0;
            const std::vector<std::string> changes = kvtest::QueryChanges(Doc(), [&] {
                if (chord) {
                    result = Move(chord, 0, {150, 140}, {460, 145});
                    return;
                }
                CTempChordSymbol t;
                MakeModel(t);
                result = DropNew(t, row.onNote ? CPoint(457, 200) : CPoint(450, 150));
            });
            EXPECT_EQ(result, row.result);
            EXPECT_EQ(changes.empty(), !row.noteHasChord) << kvtest::Joined(changes);
            EXPECT_EQ(full == note ? Meas(1)->GetMsg(0)->GetMsgNum() : Meas(1)->GetMsgNum(), 255);
            EXPECT_EQ(Chords(Meas(0)).size(), row.moved ? 1u : 0u);
            EXPECT_EQ(host.beeps.size(), row.moved ? 1u : 0u);
        }
    }
}

TEST_F(TempChordSymbolTest, ChordMovedIntoAnotherMeasureOrCopiedWithAlt)
{
    CChordSymbol* chord = AddChord(Meas(0), 4, 50, -88, 7, 9);
    chord->SetColor(RGB(0, 128, 0));
    // Measure 0 starts at view (50, 224); x 50 lies 44 + 50 to its right.
    chord->m_nDrawnX = 50;
    chord->m_nDrawnY = 224;
    const std::string before = Dump();

    EXPECT_EQ(Move(chord, 0, {150, 140}, {460, 145}), 1);
    EXPECT_TRUE(Chords(Meas(0)).empty());
    auto moved = Chords(Meas(1));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(CPoint(moved[0]->m_nPosX, moved[0]->m_nPosY), CPoint(104, -83));
    EXPECT_EQ(moved[0]->m_crColor, RGB(0, 128, 0));
    EXPECT_EQ(moved[0]->m_FretBoard.m_crColor, RGB(0, 128, 0));
    EXPECT_EQ(CPoint(moved[0]->m_FretBoard.m_nPosX, moved[0]->m_FretBoard.m_nPosY), CPoint(7, 9));
    EXPECT_EQ(moved[0]->m_nRoot, 4);
    const std::string after = Dump();
    Undo();
    EXPECT_EQ(Dump(), before);
    Redo();
    EXPECT_EQ(Dump(), after);
    Undo();

    host.HoldKey(VK_MENU);
    EXPECT_EQ(Move(Chords(Meas(0)).at(0), 0, {150, 140}, {460, 145}), 1);
    host.ReleaseKey(VK_MENU);
    ASSERT_EQ(Chords(Meas(0)).size(), 1u);
    ASSERT_EQ(Chords(Meas(1)).size(), 1u);
    EXPECT_EQ(CPoint(Chords(Meas(0))[0]->m_nPosX, Chords(Meas(0))[0]->m_nPosY), CPoint(50, -88));
    EXPECT_EQ(CPoint(Chords(Meas(1))[0]->m_nPosX, Chords(Meas(1))[0]->m_nPosY), CPoint(104, -83));
    EXPECT_NE(Chords(Meas(0))[0]->m_dwMsgId, Chords(Meas(1))[0]->m_dwMsgId);
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempChordSymbolTest, ChordMovedOntoANoteKeepsItsHeightOverTheStaff)
{
    CKVMsg* note = AddNote();
    CChordSymbol* chord = AddChord(Meas(0), 0, 50, -88);
    chord->m_nDrawnX = 50;
    chord->m_nDrawnY = 224;
    // The symbol is drawn from (144, 136); its anchor is dropped on the
    // note's head, 64 lower.
    EXPECT_EQ(Move(chord, 0, {144, 136}, {457, 200}), 1);
    EXPECT_TRUE(Chords(Meas(0)).empty());
    note = Meas(1)->GetMsg(0);
    const auto chords = Chords(note);
    ASSERT_EQ(chords.size(), 1u);
    // -88 + 64 over the staff is the note's own height: 0 over the note.
    EXPECT_EQ(CPoint(chords[0]->m_nPosX, chords[0]->m_nPosY), CPoint(0, 0));
}

TEST_F(TempChordSymbolTest, RefusedMoveBeepsAndLeavesTheChord)
{
    CChordSymbol* chord = AddChord(Meas(0), 0, 50, -88);
    chord->m_nDrawnX = 50;
    chord->m_nDrawnY = 224;
    PointCursorAt(chord);
    CTempChordSymbol t;
    t = *chord;
    ASSERT_EQ(t.BeginDrag({150, 140}, &Doc(), 100, chord, 0), 1);
    t.Drag(&View(), {460, 145});
    AddEmptyPage();
    EXPECT_EQ(t.EndDrag({460, 145}), -1);
    EXPECT_EQ(host.beeps, std::vector<UINT> {0xFFFFFFFF});
    const auto chords = Chords(Meas(0));
    ASSERT_EQ(chords.size(), 1u);
    EXPECT_EQ(CPoint(chords[0]->m_nPosX, chords[0]->m_nPosY), CPoint(50, -88));
    EXPECT_TRUE(Chords(Meas(1)).empty());
}

TEST_F(TempChordSymbolTest, ImageShowsOnlyTheGrabbedPartAndGivesEverythingBack)
{
    CChordSymbol* chord = AddChord(Meas(0), 2, 50, -88, 5, -30);
    chord->m_bShowFret = TRUE;
    kvtest::AddRhythm(*chord);
    chord->m_nDrawnX = 50;
    chord->m_nDrawnY = 224;
    PointCursorAt(chord);
    const std::string root(1, procChordRtBsInfo.GetRootName(2).GetAt(0));
    const auto texts = [&] {
        std::vector<std::string> all;
        for (const kvrec::Entry* e : View().Log().Texts())
            all.push_back(std::string(e->units.begin(), e->units.end()));
        View().Log().Clear();
        return all;
    };
    const auto grid = [&] {
        for (const kvrec::GlyphHit& g : View().Log().Glyphs()) {
            if (g.code == codeBoard[0] || g.code == codeBoard[1])
                return true;
        }
        return false;
    };
    auto drawWith = [&](int handle, CTempChordSymbol& t) {
        t = *chord;
        t.Initialize(chord);
        ASSERT_EQ(t.BeginDrag({150, 140}, &Doc(), 100, chord, handle), 1);
        texts();
        t.m_ptPos = CPoint(200, 300);
        t.DrawDraging(&View());
    };

    CKVCtrlTool::m_bShowRhythm = 1;
    CTempChordSymbol t;
    drawWith(0, t);
    EXPECT_TRUE(grid());
    auto all = texts();
    EXPECT_NE(std::find(all.begin(), all.end(), root), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "8 beat"), all.end());

    drawWith(1, t);
    EXPECT_TRUE(grid());
    all = texts();
    EXPECT_EQ(std::find(all.begin(), all.end(), root), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), "8 beat"), all.end());

    drawWith(2, t);
    EXPECT_FALSE(grid());
    EXPECT_EQ(texts(), std::vector<std::string> {"8 beat"});
    EXPECT_FALSE(::IsRectEmpty(&t.m_rcBound));

    CKVCtrlTool::m_bShowRhythm = 0;
    drawWith(0, t);
    all = texts();
    EXPECT_NE(std::find(all.begin(), all.end(), root), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), "8 beat"), all.end());

    // Everything the drawing touched is back.
    EXPECT_EQ(t.m_bShowName, TRUE);
    EXPECT_EQ(t.m_bShowFret, TRUE);
    EXPECT_NE(t.m_pRhythm, nullptr);
    EXPECT_EQ(CPoint(t.m_nPosX, t.m_nPosY), CPoint(50, -88));
    EXPECT_EQ(CPoint(t.m_nDrawnX, t.m_nDrawnY), CPoint(50, 224));
    EXPECT_EQ(t.m_pParent, chord->m_pParent);
    EXPECT_EQ(t.m_bMeasured, 1);
}

TEST_F(TempChordSymbolTest, FretAndRhythmImagesDrawAtThePosition)
{
    CTempFretBoard fret;
    fret.m_ptPos = CPoint(200, 300);
    fret.DrawDraging(&View());
    LOGFONT lf {};
    GetDefaultLogFont(lf, 240, "ZelvoraB", 8, &View());
    CompleteMusicFont(lf, &View());
    CFont font;
    font.CreateFontIndirect(&lf);
    CFont* old = View().SelectObject(&font);
    const char code = static_cast<char>(0x98);
    const int h = View().GetTextExtent(&code, 1).cx;
    View().SelectObject(old);
    font.DeleteObject();
    const auto glyphs = View().Log().Glyphs();
    ASSERT_FALSE(glyphs.empty());
    EXPECT_EQ(glyphs[0].code, 0x97);
    EXPECT_EQ(CPoint(glyphs[0].logical), CPoint(200, 300 + (h >> 2) + h));
    View().Log().Clear();

    CTempRhythm rhythm;
    rhythm.m_RtmInfo.m_strPatName = "8 beat";
    rhythm.m_nPosX = 30;
    rhythm.m_ptPos = CPoint(200, 300);
    rhythm.DrawDraging(&View());
    auto texts = View().Log().Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(CPoint(texts[0]->logical.at(0)), CPoint(200, 300));
    EXPECT_EQ(texts[0]->align, 0u);
    EXPECT_EQ(texts[0]->font.lfHeight, -13);
    EXPECT_GE(texts[0]->font.lfWeight, FW_BOLD);
    EXPECT_EQ(rhythm.m_nPosX, 30);
    View().Log().Clear();

    // Hovering at 150 % draws the name at that zoom.
    rhythm.OnMouseMove({200, 300}, &View(), &Doc(), 150);
    texts = View().Log().Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back()->font.lfHeight, -20);
}

TEST_F(TempChordSymbolTest, FretAndRhythmInkStaysInsideTheirRectangles)
{
    auto inkInside = [&](CTempMsg& t) {
        auto view = RasterView(400, 300);
        t.OnMouseMove({200, 150}, view.get(), &Doc(), 100);
        CRect box = t.GetBoundingRect();
        box.OffsetRect(200, 150);
        int ink = 0;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; ++x) {
                if (view->GetPixel(x, y) == RGB(255, 255, 255))
                    continue;
                ++ink;
                EXPECT_TRUE(::PtInRect(&box, POINT {x, y})) << x << ", " << y;
                if (!::PtInRect(&box, POINT {x, y}))
                    return ink;
            }
        }
        return ink;
    };
    CTempFretBoard fret;
    fret.m_FretInfo.m_nBaseFret = 4;
    EXPECT_GT(inkInside(fret), 50);
    CTempRhythm rhythm;
    rhythm.m_RtmInfo.m_strPatName = "8 beat";
    EXPECT_GT(inkInside(rhythm), 20);
}

TEST_F(TempChordSymbolTest, ImagesMakeNothingOnADrop)
{
    const std::string before = Dump();
    CTempFretBoard fret;
    fret.BeginDrag({200, 200}, &Doc(), 100, nullptr, 0);
    fret.Drag(&View(), {300, 300});
    EXPECT_EQ(fret.EndDrag({300, 300}), 1);
    CTempRhythm rhythm;
    rhythm.BeginDrag({200, 200}, &Doc(), 100, nullptr, 0);
    rhythm.Drag(&View(), {300, 300});
    EXPECT_EQ(rhythm.EndDrag({300, 300}), 1);
    EXPECT_EQ(Dump(), before);
}

} // namespace
