// A measure's two drawing passes, its whole rest, the dispatch of every
// kind, grace and cross-staff notes, and a picture of a measure of notes
// through the real music font.

#include "support/RenderSupport.h"

#include "model/KVSystem.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace {

using Glyph = kvtest::DrawnGlyph;
using kvtest::BoxMetrics;

class MeasureDrawing : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = BoxMetrics({{0xD8, 16}, {0xD9, 16}})}; }
    void SetUp() override
    {
        RenderTest::SetUp();
        m_meas = Builder().Meas(0, 0);
        m_meas->m_nLeftX = 0;
        m_meas->m_nHeaderWidth = 40;
        m_meas->m_nRealWidth = 200;
        m_meas->m_nStaffY = 100;
        Doc().m_CtrlTool.m_crVoice[8] = 0x00112233;
    }
    CKVMsg* Note(kvtest::NoteShape shape, LONG stem = -28)
    {
        CKVMsg* note = Builder().Note(m_meas, shape);
        note->m_wHeadType = 1;
        note->m_lHeight = stem;
        return note;
    }
    std::vector<const kvrec::Entry*> Rests()
    {
        std::vector<const kvrec::Entry*> rests;
        for (const kvrec::Entry* text : Log().Texts())
            if (!text->glyphs.empty() && text->glyphs[0] == 0xB4)
                rests.push_back(text);
        return rests;
    }
    CKVMeas* m_meas = nullptr;
};

TEST_F(MeasureDrawing, EmptyMeasureGetsAWholeRestUnlessSomethingElseFillsIt)
{
    CKVCtrlTool& tool = Doc().m_CtrlTool;
    View().KVDrawMeas(*m_meas, 0, 0);
    EXPECT_TRUE(Rests().empty()); // the option is off
    tool.m_wDrawOptions = CKVCtrlTool::kWholeRestInEmptyMeas;

    struct Case {
        BYTE staffKind;
        WORD percent;
        WORD active;
        CPoint at;
        COLORREF colour;
    };
    for (const Case c : {Case {1, 100, 0, {132, 80}, 0x00112233}, Case {1, 100, 2, {132, 80}, 0x808080},
                         Case {3, 100, 0, {132, 88}, 0x00112233}, Case {1, 75, 0, {132, 85}, 0x00112233}}) {
        Log().Clear();
        Builder().Staff(0)->m_byStaffKind = c.staffKind;
        Builder().Staff(0)->m_wObjWord = c.percent;
        tool.m_wActiveVoice = c.active;
        View().KVDrawMeas(*m_meas, 0, 0);
        const std::vector<const kvrec::Entry*> rests = Rests();
        ASSERT_EQ(rests.size(), 1u) << int(c.staffKind) << " " << c.percent;
        EXPECT_EQ(CPoint(rests[0]->logical[0]), c.at) << int(c.staffKind) << " " << c.percent;
        EXPECT_EQ(rests[0]->textColour, c.colour);
    }
    Builder().Staff(0)->m_byStaffKind = 1;
    Builder().Staff(0)->m_wObjWord = 100;
    tool.m_wActiveVoice = 0;
    Builder().Symbol(m_meas, MSG_TEXT, 0);
    Log().Clear();
    View().KVDrawMeas(*m_meas, 0, 0);
    EXPECT_EQ(Rests().size(), 1u);

    // A measure repeat here or just before, or symbols of the staff below
    // shown here, fill the measure.
    CKVMeas other;
    other.m_dwTrailWord2 = 1;
    other.m_arrUpMsg.Add(1);
    const std::vector<std::function<void(bool)>> fillers = {
        [&](bool on) { m_meas->m_dwTrailWord2 = on ? 1 : 0; },
        [&](bool on) { View().m_pPrevMeas = on ? &other : nullptr; },
        [&](bool on) { View().m_pDownMeas = on ? &other : nullptr; },
    };
    for (const auto& fill : fillers) {
        fill(true);
        Log().Clear();
        View().KVDrawMeas(*m_meas, 0, 0);
        EXPECT_TRUE(Rests().empty());
        fill(false);
    }
}

TEST_F(MeasureDrawing, ActiveVoiceIsDrawnLastAndStaleReferencesAreDropped)
{
    Note({.x = 0, .voice = 2});
    CKVMsg* middle = Note({.x = 32, .voice = 1});
    Note({.x = 64, .voice = 1});
    Builder().MakeStale(middle);
    struct Case {
        WORD active;
        std::vector<int> xs;
        COLORREF first;
    };
    for (const Case& c : {Case {2, {104, 56}, 0x808080}, Case {0, {56, 104}, 0}}) {
        Doc().m_CtrlTool.m_wActiveVoice = c.active;
        Log().Clear();
        View().KVDrawMeas(*m_meas, 0, 0);
        std::vector<int> xs;
        for (const Glyph& g : kvtest::DrawnGlyphs(Log()))
            if (std::get<0>(g) == 0xD9)
                xs.push_back(std::get<1>(g));
        EXPECT_EQ(xs, c.xs) << c.active;
        EXPECT_EQ(Log().Texts().front()->textColour, c.first) << c.active;
    }
    EXPECT_EQ(m_meas->GetMsgNum(), 2);
}

TEST_F(MeasureDrawing, EveryKindReachesItsDrawerAndLeavesTheViewAsItWas)
{
    CKVMsg* msg = Builder().Symbol(m_meas, MSG_TEXT, 10);
    View().KVSetOrgXY(40, 100);
    const kvrec::LiveCounts live = kvrec::LiveObjectCounts();
    const size_t warnings = kvrec::Warnings().size();
    for (int kind = 0; kind < 256; ++kind) {
        msg->m_byKind = static_cast<BYTE>(kind);
        EXPECT_EQ(View().KVDrawMsg(*msg, 0), 1) << kind;
        EXPECT_EQ(CPoint(View().m_lOrgX, View().m_lOrgY), CPoint(40, 100)) << kind;
        EXPECT_EQ(kvrec::LiveObjectCounts(), live) << kind;
    }
    EXPECT_EQ(kvrec::Warnings().size(), warnings);

    msg->m_byKind = MSG_NOTE;
    View().KVClose();
    Log().Clear();
    View().KVDrawMsg(*msg, 0);
    View().KVDrawMeas(*m_meas, 0, 0);
    EXPECT_TRUE(Log().Texts().empty());
}

TEST_F(MeasureDrawing, GraceNoteIsSmallerWithItsSlashBeforeTheFlag)
{
    View().KVSetOrgXY(100, 200);
    m_meas->m_nHeaderWidth = 0;
    m_meas->m_nRealWidth = 206;
    m_meas->m_nStaffY = 0;
    for (BYTE mark : {0, 79}) {
        CKVMsg* grace = Note({.x = 128, .y = -12, .code = DUR_EIGHTH, .flags = 0x0010}, -40);
        grace->m_wSize = 12;
        grace->m_byMark1 = mark;
        Log().Clear();
        View().KVDrawMsg(*grace, 0);
        EXPECT_EQ(grace->m_nLayout1, -44);
        EXPECT_EQ(Log().Texts().front()->font.lfHeight, -24);
        const std::vector<Glyph> expected = {{0xD9, 212, 188}, {0xCC, 212, 188}, {0xCC, 212, 176},
                                             mark ? Glyph {0x20, 212, 176} : Glyph {0xBD, 218, 176},
                                             {0xBF, 212, 176}};
        EXPECT_EQ(kvtest::DrawnGlyphs(Log()), expected) << int(mark);
    }
}

TEST_F(MeasureDrawing, CrossStaffAndFreeLineNotesStandWhereTheirStaffPutsThem)
{
    View().KVSetOrgXY(100, 200);
    m_meas->m_nHeaderWidth = 0;
    m_meas->m_nStaffY = 0;
    CKVMsg* below = Note({.x = 128, .y = -12, .flags = 0x0400});
    below->m_nPosY2 = -8;
    View().m_lDownStaffY = 300;
    View().KVDrawMsg(*below, 0);
    EXPECT_EQ(std::get<2>(kvtest::DrawnGlyphs(Log()).front()), 292);
    View().m_lDownStaffY = -1;

    for (BYTE kind : {1, 5}) {
        Builder().Staff(0)->m_byStaffKind = kind;
        Log().Clear();
        View().KVDrawMsg(*Note({.x = 128, .y = -14}), 0);
        EXPECT_EQ(std::get<2>(kvtest::DrawnGlyphs(Log()).front()), kind == 5 ? 186 : 188);
    }
    Log().Clear();
    View().KVDrawMsg(*Note({.x = 128, .y = -56, .code = DUR_WHOLE}, 0), 0);
    EXPECT_EQ(kvtest::DrawnGlyphs(Log()).size(), 1u); // no ledger lines on free lines
}

class MeasurePicture : public kvtest::RenderTest {
protected:
    kvtest::RenderShape Rendering() const override { return {.metrics = std::nullopt, .open = false}; }
};

TEST_F(MeasurePicture, MeasureOfNotesChordsAndAccidentalsLooksRight)
{
    auto dc = kvtest::MakeRasterDC(1020, 480, KvRasterKind::Page);
    KvSetRecording(dc->m_hDC, true);
    Doc().m_CtrlTool.m_dwResolutionX = Doc().m_CtrlTool.m_dwResolutionY = 96;
    Doc().m_bSpacingApplied = 1;
    ASSERT_EQ(View().KVOpen(dc.get(), &Doc(), 0, 0), 1);
    View().KVSetExpandTimes(300, 300);
    View().KVSetOrgXY(20, 120);

    CKVMeas* meas = Builder().Meas(0, 0);
    meas->m_nLeftX = 0;
    meas->m_nStaffY = 0;
    meas->m_nHeaderWidth = 30;
    meas->m_nRealWidth = 270;
    meas->m_rcMeas.right = 300;
    for (int line = 0; line < 5; ++line) {
        dc->MoveTo(20, 120 - 8 * line);
        dc->LineTo(319, 120 - 8 * line);
    }
    auto note = [&](CKVObject* parent, kvtest::NoteShape shape, LONG stem = -28) {
        CKVMsg* n = Builder().Note(parent, shape);
        n->m_wHeadType = 1;
        n->m_lHeight = stem;
        n->m_nLayout4 = 12;
        return n;
    };
    note(meas, {.x = 0, .y = -12, .accidental = 1});
    note(meas, {.x = 64, .y = -20, .code = DUR_EIGHTH, .dots = 1, .accidental = 2});
    CKVMsg* chord = Builder().Chord(meas, {.x = 128}, {0, -4, -8});
    chord->m_lHeight = -28;
    for (short i = 0; i < chord->GetMsgNum(); ++i) {
        CKVMsg* member = chord->GetMsg(i);
        member->m_wHeadType = 1;
        member->m_lHeight = -28;
        member->m_nLayout4 = 12;
        member->m_byAccidental = i == 2 ? 3 : 0;
    }
    note(meas, {.x = 192, .y = -56, .code = DUR_HALF}, 28);
    dc->Log().Clear();
    View().KVDrawMeas(*meas, 1, 0);
    View().KVClose();

    std::map<int, int> counts;
    for (const kvrec::GlyphHit& g : dc->Log().Glyphs())
        ++counts[g.code];
    EXPECT_EQ(counts, (std::map<int, int> {{0xD9, 5}, {0xD8, 1}, {0xCC, 4}, {0xCE, 1}, {0xBF, 1}, {0xA7, 1},
                                           {0xA9, 1}, {0xAA, 1}, {0xAB, 1}, {0xCA, 6}}));
    const kvtest::InkCount ink = kvtest::CountInk(*dc, RECT {60, 168, 960, 408});
    EXPECT_GT(ink.inside, 0);
    EXPECT_EQ(ink.outside, 0);
    for (const kvrec::GlyphHit& g : dc->Log().Glyphs()) {
        if (g.code != 0xD9 && g.code != 0xD8)
            continue;
        int column = 0;
        for (int y = 168; y < 408; ++y)
            column += (dc->GetPixel(g.device.x + 6, y) & 0x00FFFFFF) != 0x00FFFFFF;
        EXPECT_GT(column, 0) << "head at " << g.device.x;
    }
    EXPECT_FALSE(kvtest::WritePicture(*dc, "measure-notes.png").empty());
}

} // namespace
