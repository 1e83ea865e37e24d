#pragma once
// A paged score for the selection tests: 2 staves of 9 measures on pages as
// a new score file lays them out (staff space 6, 3 measures per block), undo
// recording on and page 0 current, with the page points at which the
// selection code finds a symbol and an ossia block to put over staff 0.

#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"
#include "model/TickMath.h"
#include "support/UndoSupport.h"

#include <vector>

namespace kvtest {

class SelectionTest : public ScoreTest {
protected:
    // The live note of measure `meas` on staff 0 at x and y (after backups);
    // null when there is none.
    CKVMsg* LiveNote(int meas, short x, short y = -16)
    {
        CKVMsg* found = nullptr;
        tickmath::ForEachChild(*Doc().GetMeasure(meas, 0, 0), [&](CKVMsg* child, short) {
            if (!found && child->m_byKind == MSG_NOTE && child->m_nPosX == x && child->m_nPosY == y)
                found = child;
            return false;
        });
        return found;
    }

    ScoreShape Shape() override { return {.staves = 2, .measures = 9, .pageGeometry = true}; }

    void SetUp() override
    {
        ScoreTest::SetUp();
        StartUndoRecording(Doc());
        Doc().JumpToPage(0);
    }

    CKVPage* Page(int i) { return Doc().GetPage(static_cast<short>(i)); }
    // Frees every page, leaving a document without pages and no current one.
    void DropAllPages()
    {
        while (Doc().GetPageNum() > 0) {
            const short last = static_cast<short>(Doc().GetPageNum() - 1);
            delete Doc().GetPage(last);
            Doc().m_pPageArray->RemoveAt(last);
        }
        Doc().m_pCurPage = nullptr;
    }
    CKVBlock* Block(int i) { return Page(0)->GetBlock(static_cast<short>(i)); }
    CKVMeas* Meas(int staff, int meas) { return score->Meas(staff, meas); }

    // The page point at which the selection code tests a symbol of a measure
    // shown on page 0 (normal blocks first, then ossia blocks).
    POINT HitOf(CKVMsg* msg)
    {
        CKVMeas* meas = tickmath::MeasureOf(msg);
        CKVPage* page = Page(0);
        for (int ossia = 0; ossia < 2; ++ossia) {
            auto& blocks = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
            for (int b = 0; b < blocks.GetSize(); ++b) {
                CKVBlock* block = blocks.GetAt(b);
                for (short s = 0; s < block->GetStaffNum(); ++s) {
                    for (int m = 0; m < block->m_nMeasCount; ++m) {
                        if (block->GetStaff(s)->GetMeas(block->m_nFirstMeas + m) != meas)
                            continue;
                        CRect handle;
                        EXPECT_TRUE(selhit::HandleOnPage(*block, m, s, *meas, *msg, handle));
                        return selhit::HitPoint(handle);
                    }
                }
            }
        }
        ADD_FAILURE() << "the symbol is not shown on page 0";
        return POINT {0, 0};
    }

    // Rectangles around a hit point, and one whose right edge runs through it.
    static RECT Around(POINT p) { return RECT {p.x - 2, p.y - 2, p.x + 3, p.y + 3}; }
    static RECT EndingAt(POINT p) { return RECT {p.x - 30, p.y - 4, p.x, p.y + 4}; }

    void SelectRect(RECT r) { Doc().AddSelRect(SelRect::kRect, &r, nullptr, nullptr, nullptr); }
    void SelectMeas(int staff, int meas)
    {
        CKVMeas* m = Meas(staff, meas);
        RECT none {0, 0, 0, 0};
        Doc().AddSelRect(SelRect::kMeas, &none, m, nullptr, Doc().GetBlockByMeas(m));
    }
    void SelectBlockStaff(int staff, int block)
    {
        RECT none {0, 0, 0, 0};
        Doc().AddSelRect(SelRect::kBlockStaff, &none, nullptr, score->Staff(staff), Block(block));
    }
    void SelectStaff(int staff) { Doc().AddSelRect(SelRect::kStaff, nullptr, nullptr, score->Staff(staff), nullptr); }

    int Records() { return Doc().m_pSelRectArray->GetSize(); }
    SelRect* Record(int i) { return static_cast<SelRect*>(Doc().m_pSelRectArray->GetAt(i)); }

    std::vector<DWORD> Collected()
    {
        std::vector<DWORD> ids;
        for (int i = 0; i < Doc().m_arrSelMsgId.GetSize(); ++i)
            ids.push_back(Doc().m_arrSelMsgId.GetAt(i));
        return ids;
    }

    // An ossia staff over staff 0 and an ossia block on page 0 showing its
    // first `count` measures, laid out.
    CKVBlock* AddOssiaBlock(int count)
    {
        CKVSystem* master = score->System();
        EXPECT_GE(master->InsertOssiaStaff(master->GetStaff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
        CKVBlock* block = new CKVBlock;
        block->Create(Page(0), POINT {80, 10}, nullptr, 0, static_cast<short>(count));
        block->m_pSystem = master;
        block->m_byKind = CKVBlock::KIND_OSSIA;
        block->AddStaff(master->GetOssiaStaff(0));
        block->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
        Page(0)->m_arrOssiaBlock.Add(block);
        return block;
    }
};

} // namespace kvtest
