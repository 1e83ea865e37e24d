// The deferred ties and octave marks of atraing.enc on its imported skeleton,
// handed over as the symbol walk will hand them. The file holds no marks,
// lines or shapes, and the skeleton no notes yet, so every one of its 391
// ties across a bar line finds no note and is dropped. Skipped where
// ../shared is absent.

#include "EncoreSymbolFixture.h"
#include "model/KVSystem.h"

using namespace kvtest;

namespace {

class EncoreSymbolRealFile : public KvTest {};

int ChildCount(CKVSystem* master)
{
    int count = 0;
    for (short st = 0; st < master->GetStaffNum(); ++st)
        for (short m = 0; m < master->GetMeasNum(); ++m)
            if (CKVMeas* meas = master->GetMeas(st, m))
                count += meas->GetMsgNum();
    return count;
}

TEST_F(EncoreSymbolRealFile, AtraingTiesWithoutNotesAreDropped)
{
    const auto path = SharedEncoreFile("atraing.enc");
    if (!path)
        GTEST_SKIP() << "atraing.enc is not beside the repository";
    std::vector<BYTE> bytes = LoadBytes(*path);
    EncSymbolScore s;
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    ASSERT_EQ(ImportEncore(file, s.enc, s.doc, s.dc.get(), s.doc.m_ScoreView, nullptr, 10), 1);
    CKVSystem* master = s.doc.m_arrSystem.GetAt(0);

    CPtrArray ties;
    for (int m = 0; m < s.enc.m_arrMeas.GetSize(); ++m) {
        CEncMeas* em = s.enc.m_arrMeas[m];
        for (int i = 0; i < em->m_arrType3Symbols.GetSize(); ++i) {
            CEncSymbol* tie = em->m_arrType3Symbols[i];
            if (tie->byParam1() != 0 && tie->DataLength() >= 8) {
                // The walk stores the tie's measure.
                tie->m_data[6] = static_cast<BYTE>(m);
                tie->m_data[7] = static_cast<BYTE>(m >> 8);
                ties.Add(tie);
            }
        }
    }
    EXPECT_EQ(ties.GetSize(), 391);
    const int before = ChildCount(master);
    EXPECT_EQ(s.doc.EncToKVC_NoneProcTie(&s.enc, ties, 0), 1);
    s.doc.EncToKVC_8vab(nullptr, &s.enc);
    EXPECT_EQ(ChildCount(master), before);
    EXPECT_EQ(s.enc.m_dwShortSymbols, 0u);
}

} // namespace
