// The control handles that symbols get by kind: templates, glyph
// rectangles, note and rest handles and the handles of chord symbols.

#include "support/SymbolFixtures.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using kvtest::Box;

std::string Handle(CKVMsg* msg, int i)
{
    if (!msg || i >= msg->m_arrCtrlPoint.GetSize() || !msg->m_arrCtrlPoint.GetAt(i))
        return "none";
    return Box(msg->m_arrCtrlPoint.GetAt(i)->m_rect);
}

class HandlesTest : public kvtest::MeasureScoreTest {
protected:
    // A symbol of a kind in the measure, its fields set before its handles
    // are made again.
    template <class Setup>
    CKVMsg* Made(BYTE kind, Setup setup)
    {
        CKVMsg* msg = score->Symbol(meas, kind, 0);
        setup(*msg);
        msg->MakeMsgCtrlPoint();
        return msg;
    }
    CKVMsg* Made(BYTE kind)
    {
        return Made(kind, [](CKVMsg&) {});
    }

    // The same symbol placed on the first page through the document.
    template <class Setup>
    CKVMsg* OnPage(BYTE kind, Setup setup)
    {
        CKVMsg tmpl;
        tmpl.m_byKind = kind;
        setup(tmpl);
        return Doc().AddMsg(Doc().GetPage(0), &tmpl, 0, 0);
    }

};

TEST_F(HandlesTest, ShapesAndLinesTakeTheirTemplates)
{
    CKVMsg* ellipse = Made(MSG_ELLIPSE, [](CKVMsg& m) {
        m.m_nPosX2 = 40;
        m.m_nPosY2 = 20;
    });
    // A fresh symbol's list was made for its kind when it was added.
    CKVMsg* fresh = score->Symbol(meas, MSG_ELLIPSE, 0);
    EXPECT_EQ(fresh->m_byCtrlCount, 5);
    EXPECT_EQ(ellipse->m_arrCtrlPoint.GetSize(), 5);
    const char* boxes[] = {"(17, -3, 23, 3)", "(-3, 7, 3, 13)", "(17, 17, 23, 23)", "(37, 7, 43, 13)", "(17, -3, 23, 3)"};
    const WORD kinds[] = {11, 10, 11, 10, 6};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Handle(ellipse, i), boxes[i]) << i;
        EXPECT_EQ(ellipse->m_arrCtrlPoint.GetAt(i)->m_wKind, kinds[i]) << i;
    }

    CKVMsg* text = Made(MSG_FREETEXT, [](CKVMsg& m) {
        m.m_nPosX2 = 100;
        m.m_nPosY2 = 40;
    });
    EXPECT_EQ(Handle(text, 0), "(2, 2, 102, 42)");
    EXPECT_EQ(Handle(Made(MSG_TEXT, [](CKVMsg& m) { m.m_nPosX2 = 100; }), 0), "(-1, -1, 5, 5)");

    CKVMsg* trill = Made(MSG_TRILL, [](CKVMsg& m) { m.m_nPosX2 = 50; });
    EXPECT_EQ(Handle(trill, 2), "(-3, -3, 53, 3)");

    Doc().m_sizeFurther[0] = SIZE {20, 14};
    CKVMsg* octave = Made(MSG_OCTAVE, [](CKVMsg& m) {
        m.m_nPosX2 = 100;
        m.m_nPosY2 = 20;
        m.m_wDuration = 1;
    });
    EXPECT_EQ(Handle(octave, 0), "(0, -14, 20, 0)");
    EXPECT_EQ(Handle(octave, 1), "(97, -8, 103, -2)");
    EXPECT_EQ(Handle(octave, 2), "(97, 17, 103, 23)");

    CKVMsg* multiRest = Made(MSG_MULTIREST);
    ASSERT_EQ(multiRest->m_arrCtrlPoint.GetSize(), 1);
    EXPECT_EQ(Handle(multiRest, 0), "(0, 0, 0, 0)");
}

TEST_F(HandlesTest, TupletFormsGiveTheirHandleCounts)
{
    const struct {
        WORD form;
        int handles;
    } cases[] = {{0, 4}, {4, 1}, {5, 0}};
    for (const auto& c : cases) {
        CKVMsg* tuplet = score->Symbol(meas, MSG_TUPLET, 0);
        tuplet->m_wFlag = c.form;
        for (int i = 0; i < tuplet->m_arrCtrlPoint.GetSize(); ++i)
            delete tuplet->m_arrCtrlPoint.GetAt(i);
        tuplet->m_arrCtrlPoint.RemoveAll();
        tuplet->MakeMsgCtrlPoint();
        EXPECT_EQ(tuplet->m_arrCtrlPoint.GetSize(), c.handles) << c.form;
    }
    // A list made for form 4 grows when the form changes to 0.
    CKVMsg* tuplet = Made(MSG_TUPLET, [](CKVMsg& m) { m.m_wFlag = 4; });
    tuplet->m_wFlag = 0;
    tuplet->MakeMsgCtrlPoint();
    EXPECT_EQ(tuplet->m_arrCtrlPoint.GetSize(), 4);
    EXPECT_EQ(tuplet->m_byCtrlCount, 4);
    // A form above 5 leaves the handles alone.
    tuplet->m_wFlag = 9;
    tuplet->m_arrCtrlPoint.GetAt(0)->m_rect.SetRect(1, 2, 3, 4);
    tuplet->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(tuplet, 0), "(1, 2, 3, 4)");
}

TEST_F(HandlesTest, GlyphKindsTakeTheGlyphRectangle)
{
    Doc().m_sizeDynamic[0] = SIZE {30, 20};
    Doc().m_sizeClef[3] = SIZE {12, 40};
    Doc().m_sizeClef[6] = SIZE {10, 30};
    Doc().m_sizePair[0] = SIZE {24, 18};
    Doc().m_sizeSingle[8] = SIZE {16, 8};
    auto word = [](WORD w) { return [w](CKVMsg& m) { m.m_wDuration = w; }; };

    EXPECT_EQ(Handle(Made(MSG_DYNAMIC, word(1)), 0), "(0, -10, 30, 10)");
    EXPECT_EQ(Handle(Made(MSG_CLEF, word(4)), 0), "(0, -60, 12, -20)");
    EXPECT_EQ(Handle(OnPage(MSG_CLEF, word(7)), 0), "(0, -60, 10, -30)");
    EXPECT_EQ(Handle(Made(MSG_MEASREPEAT, word(1)), 0), "(-12, -18, 12, 0)");
    EXPECT_EQ(Handle(OnPage(MSG_MEASREPEAT, word(1)), 0), "(0, -18, 24, 0)");
    EXPECT_EQ(Handle(Made(MSG_MARKUP), 0), "(-4, -4, 12, 4)");
    // A stored word of 0, or one past the group, names no glyph.
    EXPECT_EQ(Handle(Made(MSG_DYNAMIC, word(0)), 0), "(0, 0, 0, 0)");
    EXPECT_EQ(Handle(Made(MSG_DYNAMIC, word(14)), 0), "(0, 0, 0, 0)");
    EXPECT_EQ(Handle(Made(MSG_CLEF, word(0xFFFF)), 0), "(0, 0, 0, 0)");
    Doc().m_sizeMark[14] = SIZE {10, 8};
    auto head = [](WORD type) { return [type](CKVMsg& m) { m.m_wHeadType = type; }; };
    EXPECT_EQ(Handle(Made(MSG_NOTEMARK, head(15)), 0), "(0, -4, 10, 4)");
    EXPECT_EQ(Handle(Made(MSG_NOTEMARK, head(0)), 0), "(0, 0, 0, 0)");
    EXPECT_EQ(Handle(Made(MSG_NOTEMARK, head(49)), 0), "(0, 0, 0, 0)");
}

TEST_F(HandlesTest, NoteHeadAccidentalAndDotHandles)
{
    CKVMsg* note = score->Note(meas, {.x = 0, .y = 0});
    EXPECT_EQ(Handle(note, 0), "(0, -8, 20, 8)");
    EXPECT_EQ(note->m_byCtrlCount, 3);
    CKVMsg* grace = score->Grace(meas, {.x = 100});
    grace->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(grace, 0), "(0, -6, 15, 6)");

    note->m_nLayout4 = 4;
    const struct {
        BYTE accidental;
        const char* box;
    } accidentals[] = {{ACCI_SHARP, "(-20, -8, -4, 8)"},
                       {ACCI_DOUBLE_FLAT, "(-32, -8, -8, 8)"},
                       {ACCI_SHARP | ACCI_SHIFT_LEFT, "(-23, -8, -7, 8)"},
                       {ACCI_NONE, "(0, 0, 0, 0)"}};
    for (const auto& c : accidentals) {
        note->m_byAccidental = c.accidental;
        note->MakeMsgCtrlPoint();
        EXPECT_EQ(Handle(note, 1), c.box) << int(c.accidental);
        if (c.accidental) {
            EXPECT_EQ(note->m_arrCtrlPoint.GetAt(1)->m_wKind, 10);
        }
    }

    note->m_nLayout3 = 24;
    note->m_byDots = 1;
    note->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(note, 2), "(32, -12, 48, 4)");
    note->m_byDots = 2;
    note->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(note, 2), "(32, -12, 56, 4)");

    // A group rebuilds its members' handles.
    CKVMsg* group = score->Beam(meas, {.x = 128});
    CKVMsg* member = score->Note(group, {.x = 128, .code = DUR_EIGHTH});
    member->m_nLayout3 = 24;
    member->m_byDots = 1;
    group->UpdateMsgCtrlRect();
    EXPECT_EQ(Handle(member, 2), "(32, -12, 48, 4)");
}

TEST_F(HandlesTest, RestsGetTheRestGlyphUpToThe128th)
{
    Doc().m_sizeRest[3] = SIZE {16, 48};
    CKVMsg* quarter = score->Rest(meas, {.x = 0, .code = DUR_QUARTER});
    EXPECT_EQ(Handle(quarter, 0), "(0, -24, 16, 24)");
    EXPECT_EQ(Handle(quarter, 1), "(0, 0, 0, 0)");
    EXPECT_EQ(Handle(quarter, 2), "(0, 0, 0, 0)");
    EXPECT_EQ(quarter->m_byCtrlCount, 3);

    CKVMsg* odd = score->Rest(meas, {.x = 64, .code = 9});
    EXPECT_EQ(odd->m_arrCtrlPoint.GetSize(), 0);
}

TEST_F(HandlesTest, ChordSymbolHandlesFollowDiagramAndRhythm)
{
    auto* chord = new CChordSymbol;
    chord->m_byKind = MSG_CHORDSYMBOL;
    chord->m_FretBoard.m_nPosX = 10;
    chord->m_FretBoard.m_nPosY = -30;
    chord->m_pRhythm = new CRhythm;
    chord->m_pRhythm->m_nPosX = 5;
    chord->m_pRhythm->m_nPosY = -50;
    meas->AddMsg(chord, 1, 1);
    EXPECT_EQ(Handle(chord, 1), "(10, -30, 10, -30)");

    CKVCtrlTool::m_bShowRhythm = 1;
    chord->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(chord, 2), "(5, -50, 5, -50)");
    CKVCtrlTool::m_bShowRhythm = 0;
    chord->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(chord, 2), "(0, 0, 0, 0)");
    Doc().m_bShowRhythm = 1;
    chord->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(chord, 2), "(5, -50, 5, -50)");

    // On a page the rhythm handle is always there.
    Doc().m_bShowRhythm = 0;
    chord->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    chord->MakeMsgCtrlPoint();
    EXPECT_EQ(Handle(chord, 2), "(5, -50, 5, -50)");
    chord->m_byParentKind = OBJ_MEAS;

    CKVMsg* plain = Made(MSG_CHORDSYMBOL, [](CKVMsg& m) { m.m_nPosX2 = 7; });
    EXPECT_EQ(Handle(plain, 1), "(0, 0, 0, 0)");
    EXPECT_EQ(Handle(plain, 2), "(0, 0, 0, 0)");
}

} // namespace
