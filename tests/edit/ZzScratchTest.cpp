#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVBlock.h"
#include "support/ScoreIntegrity.h"
#include "support/StructureSupport.h"
#include <gtest/gtest.h>

namespace {
class ZzEntry : public kvtest::StructureTest {};

TEST_F(ZzEntry, MouseIntoGroup)
{
    for (int events : {0, 251}) {
        Make(1, 9, true);
        Doc().m_bBackupRecord = 0;
        for (short i = 0; i < events; ++i)
            score->Symbol(score->Meas(0, 0), 45, static_cast<short>(i / 4));
        for (short x = 128; x < 256; x += 32)
            score->Note(score->Meas(0, 0), {.x = x, .code = DUR_EIGHTH});
        score->Settle();
        Doc().UpdateMeasXY(-1);
        {
            RECT none {0, 0, 0, 0};
            CKVMeas* m = score->Meas(0, 0);
            Doc().AddSelRect(SelRect::kMeas, &none, m, nullptr, Doc().GetBlockByMeas(m));
            Doc().BindByBeamGroup(1, 0);
            Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
            printf("after beaming: %d symbols\n", score->Meas(0, 0)->GetMsgNum());
        }
        Doc().JumpToMeas(1);
        CKVBlock* block = Doc().m_pCurBlock;
        const int left = static_cast<short>(block->m_arrMeasX[0]);
        const int right = static_cast<short>(block->m_arrMeasX[1]);
        for (int frac : {195, 199, 205, 210}) {
            const POINT p {block->m_rcBlock.left + left + (right - left) * frac / 256,
                           block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY[0]) - 8};
            auto problems = kvtest::CheckedStep(Doc(), [&] {
                Doc().InsertNewNoteMsg(p, MSG_NOTE, 1, DUR_EIGHTH, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            });
            printf("events %d at %d: symbols %d%s\n", events, frac, score->Meas(0, 0)->GetMsgNum(),
                   kvtest::Joined(problems).c_str());
        }
    }
}
}
