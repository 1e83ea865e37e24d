#include "support/CanonicalDump.h"
#include "support/KvTest.h"
#include "support/ScoreGenerator.h"

#include <cstdlib>
#include <set>
#include <vector>
#include <string>

namespace {

using ScoreGenerator = kvtest::KvTest;

std::set<int> LiveKinds(CKVDoc& doc)
{
    std::set<int> kinds;
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
        if (CKVMsg* msg = master->m_arrMsgMap.GetAt(id))
            kinds.insert(msg->m_byKind);
    }
    return kinds;
}

TEST_F(ScoreGenerator, BuildsEveryKindOnSeveralPagesInTheFormReadingKeeps)
{
    CKVDoc doc;
    ASSERT_EQ(kvtest::GenerateScore(doc), 1);
    EXPECT_GE(doc.GetPageNum(), 2);

    const std::set<int> kinds = LiveKinds(doc);
    for (const int kind : {MSG_NOTE, MSG_REST, MSG_NOTEMARK, MSG_TIE, MSG_SLUR, MSG_TUPLET, MSG_BEAM, MSG_LYRIC,
                           MSG_CHORD, MSG_FREETEXT, MSG_MIDI, MSG_STAFFNAME, MSG_CUSTOM})
        EXPECT_EQ(kinds.count(kind), 1u) << "kind " << kind;
    if (kvtest::GeneratorMakesChordSymbols()) {
        EXPECT_EQ(kinds.count(MSG_CHORDSYMBOL), 1u);
    }

    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    ASSERT_EQ(master->m_pOssiaStaffArray->GetSize(), 1);
    for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = master->m_arrMsgMap.GetAt(id);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_NOTE) {
            EXPECT_EQ(msg->m_wHeadLen, MidiNoteHead::Size);
        }
        if (msg->m_byKind == MSG_MIDI) {
            EXPECT_NE(msg->m_wDuration, 0);
        }
        // Ties, slurs and tuplets name the two symbols they join.
        if (msg->m_byKind == MSG_TIE || msg->m_byKind == MSG_SLUR || msg->m_byKind == MSG_TUPLET) {
            EXPECT_NE(master->GetMsgFromMap(msg->m_dwWord), nullptr);
            EXPECT_NE(master->GetMsgFromMap(static_cast<DWORD>(msg->m_lHeight)), nullptr);
            // Their points are offsets from those symbols, within a few
            // gaps of them, not positions in the measure.
            for (const short offset : {msg->m_nPosX, msg->m_nPosY, msg->m_nPosX2, msg->m_nPosY2})
                EXPECT_LE(std::abs(offset), 4 * doc.m_nStaffSpace) << "kind " << int(msg->m_byKind) << " id " << id;
        }
        // A tuplet shows the ratio of its notes.
        if (msg->m_byKind == MSG_TUPLET) {
            EXPECT_EQ(msg->m_wObjWord, master->GetMsgFromMap(msg->m_dwWord)->m_wObjWord);
            EXPECT_NE(msg->m_wObjWord & 0xFF, 0);
        }
    }
    bool ossiaBlock = false;
    bool namePoint = false;
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        EXPECT_GT(page->GetMsgNum(), 0);
        ossiaBlock = ossiaBlock || page->m_arrOssiaBlock.GetSize() > 0;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            ASSERT_GT(block->m_arrMeasX.GetSize(), 0);
            EXPECT_EQ(block->m_arrMeasX.GetAt(0), 0);
            namePoint = namePoint || block->m_arrStaffNamePoint.GetSize() > 0;
        }
    }
    EXPECT_TRUE(ossiaBlock);
    EXPECT_TRUE(namePoint);
    EXPECT_GT(doc.m_pTitleMsg[0]->m_wHeadLen, 0);
    EXPECT_GT(doc.m_pTitleMsg[1]->m_wHeadLen, 0);
    EXPECT_EQ(doc.m_pTitleMsg[2]->m_wHeadLen, 0);
}

TEST_F(ScoreGenerator, SizeFollowsTheShape)
{
    CKVDoc doc;
    ASSERT_EQ(kvtest::GenerateScore(doc, kvtest::GeneratedScoreShape {3, 5, 4}), 1);
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    EXPECT_EQ(master->GetStaffNum(), 3);
    EXPECT_EQ(master->GetMeasNum(), 5);
    // Four symbols in each measure, besides what the new score had.
    CKVDoc bare;
    bare.CreateDocument(3, 5, 1, 4, 4);
    EXPECT_EQ(master->GetMeas(2, 4)->GetMsgNum(), bare.m_arrSystem.GetAt(0)->GetMeas(2, 4)->GetMsgNum() + 4);
}

// Gives every symbol of the map the id at the mirrored slot and follows
// every reference, tie and slur.
void MirrorIds(CKVSystem& master)
{
    const DWORD slots = static_cast<DWORD>(master.m_arrMsgMap.GetSize());
    const auto mirror = [slots](DWORD id) { return id == 0 || id >= slots ? id : slots - id; };
    const auto followRefs = [&](CKVObject& node) {
        for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i)
            node.m_arrMsgRef.GetAt(i)->dwMsgId = mirror(node.m_arrMsgRef.GetAt(i)->dwMsgId);
    };
    std::vector<CKVMsg*> symbols;
    for (DWORD id = 1; id < slots; ++id)
        symbols.push_back(master.m_arrMsgMap.GetAt(static_cast<int>(id)));
    for (DWORD id = 1; id < slots; ++id) {
        CKVMsg* msg = symbols[id - 1];
        master.m_arrMsgMap.SetAt(static_cast<int>(mirror(id)), msg);
        if (!msg)
            continue;
        msg->m_dwMsgId = mirror(msg->m_dwMsgId);
        followRefs(*msg);
        if (msg->m_byKind == MSG_TIE || msg->m_byKind == MSG_SLUR || msg->m_byKind == MSG_TUPLET) {
            msg->m_dwWord = mirror(msg->m_dwWord);
            msg->m_lHeight = static_cast<LONG>(mirror(static_cast<DWORD>(msg->m_lHeight)));
        }
    }
    const auto followStaff = [&](CKVStaff* staff) {
        followRefs(*staff);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            followRefs(*staff->GetMeas(m));
    };
    for (short s = 0; s < master.GetStaffNum(); ++s)
        followStaff(master.GetStaff(s));
    for (int s = 0; s < master.m_pOssiaStaffArray->GetSize(); ++s)
        followStaff(master.GetOssiaStaff(static_cast<short>(s)));
}

TEST_F(ScoreGenerator, DumpNamesIdsByReadingOrder)
{
    CKVDoc first;
    ASSERT_EQ(kvtest::GenerateScore(first), 1);
    CKVDoc shifted;
    ASSERT_EQ(kvtest::GenerateScore(shifted), 1);
    const std::string dump = kvtest::CanonicalDump(first);
    EXPECT_EQ(dump.find('?'), std::string::npos);
    EXPECT_NE(dump.find("ref #1 own 1"), std::string::npos) << dump.substr(0, 2000);

    // The same score under other ids dumps the same.
    CKVSystem* master = shifted.m_arrSystem.GetAt(0);
    ASSERT_GT(master->m_arrMsgMap.GetSize(), 100);
    MirrorIds(*master);
    ASSERT_NE(master->GetMsgFromMap(1), first.m_arrSystem.GetAt(0)->GetMsgFromMap(1));
    EXPECT_EQ(dump, kvtest::CanonicalDump(shifted));

    // A changed field shows.
    master->GetMeas(1, 3)->GetMsg(0)->m_nPosY += 1;
    EXPECT_NE(dump, kvtest::CanonicalDump(shifted));
}

} // namespace
