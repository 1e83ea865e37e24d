// Custom symbols dragged as images of their strokes and dropped on the
// page, moved, copied or new at a given size, and the drops that must not
// make an empty symbol.

#include "support/CustomSymbolMaker.h"
#include "support/ShapeDrag.h"

#include "drag/TempCustomSymbolMsg.h"
#include "model/CustomSymbol.h"

#include <gtest/gtest.h>

namespace {

using kvtest::Blit;
using kvtest::ShapeWords;
using kvtest::WordsOf;
using Bytes = std::vector<BYTE>;

class TempCustomSymbolMsgTest : public kvtest::ShapeDragFixture {
protected:
    void SetUp() override
    {
        ShapeDragFixture::SetUp();
        AddEmptyPage();
        kvtest::CsStroke box;
        box.kind = CSK_RECTANGLE;
        box.points = {{2, 3}, {42, 33}};
        kvtest::CsBlock block;
        block.strokes = {box};
        B = kvtest::MakeCustomBlock(block);
    }

    static Bytes HeadOf(CKVMsg& msg)
    {
        unsigned char* head = nullptr;
        const int n = msg.GetHead(&head);
        return n > 0 && head ? Bytes(head, head + n) : Bytes {};
    }
    void GiveHead(CKVMsg& msg, const Bytes& bytes)
    {
        msg.SetHead(static_cast<short>(bytes.size()), const_cast<BYTE*>(bytes.data()));
    }
    // K: a page-level symbol at (200, 300), 40 x 30, holding block B.
    CKVMsg* K()
    {
        CKVMsg* k = OnPage(MSG_CUSTOM, 200, 300, 40, 30);
        if (k)
            GiveHead(*k, B);
        return k;
    }
    int PageSymbols() { return Doc().GetCurrentPage()->m_arrMsg.GetSize(); }

    Bytes B;
};

TEST_F(TempCustomSymbolMsgTest, MovedSymbolTravelsAsAnImage)
{
    CKVMsg* k = K();
    ASSERT_NE(k, nullptr);
    const std::string before = Dump();
    {
        CTempCustomSymbolMsg t;
        t = *k;
        ASSERT_EQ(t.BeginDrag({260, 370}, &Doc(), 100, k, 0), 1);
        t.Drag(&View(), {400, 500});
        // Erased where the symbol stood, shown where the mouse keeps its
        // grab offset.
        const CRect r = t.GetBoundingRect();
        EXPECT_GT(r.Width(), 0);
        EXPECT_EQ(Blits(), (std::vector<Blit> {{250 + r.left, 360 + r.top, r.Width(), r.Height()},
                                                {390 + r.left, 490 + r.top, r.Width(), r.Height()}}));
        t.EndDrag({400, 500});
    }
    ASSERT_EQ(PageSymbols(), 1);
    CKVMsg* moved = LastOnPage();
    EXPECT_EQ(WordsOf(*moved), (ShapeWords {MSG_CUSTOM, 340, 430, 40, 30}));
    EXPECT_EQ(HeadOf(*moved), B);
    Undo();
    EXPECT_EQ(Dump(), before);

    // With Alt the symbol stays and the copy is added.
    k = LastOnPage();
    host.HoldKey(VK_MENU);
    {
        CTempCustomSymbolMsg t;
        t = *k;
        ASSERT_EQ(t.BeginDrag({260, 370}, &Doc(), 100, k, 0), 1);
        t.Drag(&View(), {400, 500});
        t.EndDrag({400, 500});
    }
    ASSERT_EQ(PageSymbols(), 2);
    EXPECT_EQ(WordsOf(*Doc().GetCurrentPage()->m_arrMsg.GetAt(0)), (ShapeWords {MSG_CUSTOM, 200, 300, 40, 30}));
    EXPECT_EQ(WordsOf(*LastOnPage()), (ShapeWords {MSG_CUSTOM, 340, 430, 40, 30}));
}

TEST_F(TempCustomSymbolMsgTest, NewSymbolTakesTheGivenSizeAndVoiceOne)
{
    Doc().m_CtrlTool.m_crCurrent = RGB(10, 20, 30);
    Doc().m_CtrlTool.m_nCurLineWidth = 3;
    Doc().m_CtrlTool.m_wActiveVoice = 4;
    CTempCustomSymbolMsg t;
    EXPECT_EQ(t.m_byKind, MSG_CUSTOM);
    GiveHead(t, B);
    // Without a moved message the image comes from the model's own block.
    t.OnMouseMove({300, 400}, &View(), &Doc(), 100);
    EXPECT_EQ(Blits().size(), 1u);
    const std::string before = Dump();
    t.AddCustomSymbolMsg({300, 400}, CRect(10, 10, 50, 40));
    ASSERT_EQ(PageSymbols(), 1);
    CKVMsg* added = LastOnPage();
    EXPECT_EQ(WordsOf(*added), (ShapeWords {MSG_CUSTOM, 250, 340, 40, 30}));
    EXPECT_EQ(added->m_byVoice & 0x0F, 1);
    EXPECT_EQ(added->m_crColor, RGB(10, 20, 30));
    EXPECT_EQ(added->m_lHeight, 3);
    EXPECT_EQ(added->m_wSize, MSG_SIZE_NORMAL);
    EXPECT_EQ(HeadOf(*added), B);
    EXPECT_EQ(added->m_pPage, Doc().GetCurrentPage());
    Undo();
    EXPECT_EQ(Dump(), before);
}

TEST_F(TempCustomSymbolMsgTest, NoBlockNoSymbol)
{
    const std::string before = Dump();
    const int steps = UndoSteps();
    for (const Bytes& head : {Bytes {}, Bytes {1, 2, 3}}) {
        CTempCustomSymbolMsg t;
        GiveHead(t, head);
        t.OnMouseMove({300, 400}, &View(), &Doc(), 100);
        EXPECT_EQ(Blits().size(), 0u) << head.size();
        EXPECT_EQ(t.GetBoundingRect(), CRect(0, 0, 0, 0));
        if (head.empty())
            t.AddCustomSymbolMsg({300, 400}, CRect(10, 10, 50, 40));
    }
    // A template that no hover or press has bound.
    CTempCustomSymbolMsg unbound;
    GiveHead(unbound, B);
    unbound.AddCustomSymbolMsg({300, 400}, CRect(10, 10, 50, 40));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(UndoSteps(), steps);

    // A symbol moved by a template whose model has no block stays.
    CKVMsg* k = K();
    const std::string withK = Dump();
    {
        CTempCustomSymbolMsg empty;
        ASSERT_EQ(empty.BeginDrag({260, 370}, &Doc(), 100, k, 0), 1);
        empty.Drag(&View(), {400, 500});
        empty.EndDrag({400, 500});
    }
    EXPECT_EQ(Dump(), withK);

    // Dropped through the protocol a new symbol keeps its block.
    CTempCustomSymbolMsg t;
    GiveHead(t, B);
    ASSERT_EQ(t.BeginDrag({300, 400}, &Doc(), 100, nullptr, 0), 1);
    t.Drag(&View(), {310, 400});
    t.EndDrag({310, 400});
    ASSERT_EQ(PageSymbols(), 2);
    EXPECT_EQ(HeadOf(*LastOnPage()), B);
}

} // namespace
