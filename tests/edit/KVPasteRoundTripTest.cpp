// Copying generated music and pasting it into an empty score of the same
// shape keeps everything a paste keeps; copying the pasted range again and
// pasting it once more changes nothing further.

#include "support/ClipboardSupport.h"
#include "support/KvTest.h"
#include "support/ScoreGenerator.h"

#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using kvtest::GeneratedScoreShape;
using kvtest::ImageBuffer;

struct Selection {
    const char* name;
    short kind;
    int staff;  // kind 4: -1 for each staff in turn
    int block;  // kinds 1 and 3
    LONG meas;  // kind 2
};

const Selection kSelections[] = {
    {"whole staff", SelRect::kStaff, -1, 0, 0},
    {"staff 1 in block 1", SelRect::kBlockStaff, 1, 1, 0},
    {"measure 3 of staff 0", SelRect::kMeas, 0, 0, 3},
    {"rectangle over block 0", SelRect::kRect, 0, 0, 0},
};

// The staves and measures a selection covers.
struct Range {
    int firstStaff = 0;
    int staves = 1;
    LONG firstMeas = 0;
    LONG measures = 1;
    bool withOthers = true;
};

class PasteRoundTripTest : public kvtest::KvTest {
protected:
    std::unique_ptr<CKVDoc> Generate(const GeneratedScoreShape& shape)
    {
        auto doc = std::make_unique<CKVDoc>();
        EXPECT_EQ(kvtest::GenerateScore(*doc, shape), 1);
        doc->m_bBackupRecord = 1;
        doc->JumpToPage(0);
        return doc;
    }

    static CKVBlock* BlockOf(CKVDoc& doc, LONG meas, short* page, short* index)
    {
        for (short p = 0; p < doc.GetPageNum(); ++p) {
            CKVPage* pg = doc.GetPage(p);
            for (short b = 0; b < pg->GetBlockNum(); ++b) {
                CKVBlock* block = pg->GetBlock(b);
                if (meas >= block->m_nFirstMeas && meas < block->m_nFirstMeas + block->m_nMeasCount) {
                    *page = p;
                    *index = b;
                    return block;
                }
            }
        }
        return nullptr;
    }

    // Selects on doc and gives the range selected.
    Range Select(CKVDoc& doc, const Selection& sel, int staff)
    {
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        CKVSystem* system = doc.m_arrSystem.GetAt(0);
        CKVPage* page = doc.GetPage(0);
        Range range;
        RECT none {0, 0, 0, 0};
        switch (sel.kind) {
        case SelRect::kStaff:
            doc.AddSelRect(sel.kind, nullptr, nullptr, system->GetStaff(static_cast<short>(staff)), nullptr);
            return {staff, 1, 0, system->GetStaff(0)->GetMeasNum()};
        case SelRect::kBlockStaff: {
            CKVBlock* block = page->GetBlock(static_cast<short>(sel.block));
            doc.AddSelRect(sel.kind, &none, nullptr, system->GetStaff(static_cast<short>(staff)), block);
            return {staff, 1, block->m_nFirstMeas, block->m_nMeasCount};
        }
        case SelRect::kMeas: {
            CKVMeas* meas = system->GetMeas(static_cast<short>(staff), static_cast<short>(sel.meas));
            doc.AddSelRect(sel.kind, &none, meas, nullptr, doc.GetBlockByMeas(meas));
            return {staff, 1, sel.meas, 1};
        }
        default: {
            // Without its ossia block the page's normal blocks are copied.
            for (int i = 0; i < page->m_arrOssiaBlock.GetSize(); ++i)
                delete page->m_arrOssiaBlock.GetAt(i);
            page->m_arrOssiaBlock.RemoveAll();
            CKVBlock* block = page->GetBlock(static_cast<short>(sel.block));
            RECT r = block->m_rcBlock;
            r.top -= 200;
            r.bottom += 200;
            doc.AddSelRect(sel.kind, &r, nullptr, nullptr, nullptr);
            return {0, system->GetStaffNum(), block->m_nFirstMeas, block->m_nMeasCount, false};
        }
        }
        return range;
    }

    void PasteAt(CKVDoc& doc, const ImageBuffer& image, const Range& range, unsigned char voice)
    {
        doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
        short page = 0;
        short index = 0;
        CKVBlock* block = BlockOf(doc, range.firstMeas, &page, &index);
        ASSERT_NE(block, nullptr);
        doc.JumpToPage(page);
        doc.m_nCurBlock = index;
        doc.m_pCurBlock = block;
        doc.m_nCurMeas = static_cast<short>(range.firstMeas - block->m_nFirstMeas);
        doc.m_nCurStaff = static_cast<short>(range.firstStaff);
        doc.m_nCaretPos = 0;
        ASSERT_EQ(doc.PastMemoryTo(image.data, image.size, voice, 0, 0), 1);
    }

    bool HasMusic(CKVDoc& doc, const Range& r, unsigned char voice)
    {
        const std::string first = kvtest::PasteView(doc, r.firstStaff, r.staves, r.firstMeas, 1, voice, r.withOthers);
        return first.find(" kind") != std::string::npos || first.find(" other") != std::string::npos;
    }

    std::string View(CKVDoc& doc, const Range& r, unsigned char voice)
    {
        return kvtest::PasteView(doc, r.firstStaff, r.staves, r.firstMeas, r.measures, voice, r.withOthers);
    }
};

TEST_F(PasteRoundTripTest, PastedRangesEqualTheirSourceInWhatAPasteKeeps)
{
    const GeneratedScoreShape shapes[] = {{2, 8, 6}, {3, 12, 6}, {4, 6, 6}};
    for (const GeneratedScoreShape& shape : shapes) {
        for (const Selection& sel : kSelections) {
            for (unsigned char voice : {0, 2}) {
                const int staves = sel.staff < 0 ? shape.staves : 1;
                for (int k = 0; k < staves; ++k) {
                    const int staff = sel.staff < 0 ? k : sel.staff;
                    SCOPED_TRACE(testing::Message() << shape.staves << "x" << shape.measures << " " << sel.name
                                                    << " staff " << staff << " voice " << int(voice));
                    auto a = Generate(shape);
                    Range range = Select(*a, sel, staff);
                    // Measures that lead without anything of the voice are
                    // not in the image: the first one with music goes to
                    // the cursor.
                    while (range.measures > 1 && !HasMusic(*a, range, voice)) {
                        ++range.firstMeas;
                        --range.measures;
                    }
                    ImageBuffer image;
                    image.size = a->CopyDataToMem(image.data, voice, 0);
                    ASSERT_GT(image.size, 8u);

                    auto b = Generate({shape.staves, shape.measures, 0});
                    PasteAt(*b, image, range, voice);
                    const std::string pasted = View(*b, range, voice);
                    EXPECT_EQ(pasted, View(*a, range, voice));
                    if (voice == 2) {
                        EXPECT_EQ(View(*b, range, 1).find(" kind"), std::string::npos);
                    }

                    // Copying the pasted range and pasting it again gives
                    // the same range.
                    Select(*b, sel, staff);
                    ImageBuffer again;
                    again.size = b->CopyDataToMem(again.data, voice, 0);
                    ASSERT_GT(again.size, 8u);
                    auto c = Generate({shape.staves, shape.measures, 0});
                    PasteAt(*c, again, range, voice);
                    EXPECT_EQ(View(*c, range, voice), pasted);
                    if (HasFailure())
                        return;
                }
            }
        }
    }
}

} // namespace
