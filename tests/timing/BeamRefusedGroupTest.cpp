// A measure compressed into a multi-measure rest takes no new symbol, a beam
// group included: beaming notes that such a measure holds gives them back
// to it rather than losing them with the refused group.

#include "support/TimingFixture.h"

#include "model/KVSystem.h"

#include <algorithm>

namespace {

class BeamRefusedGroup : public kvtest::TimingTest {
protected:
    kvtest::ScoreShape Shape() override { return {.lineSpacing = 16, .staves = 1, .measures = 1}; }

    void SetUp() override
    {
        TimingTest::SetUp();
        score->Doc().m_nFontHeight = 64;
        score->Doc().m_nFontHeight78 = 56;
    }

    // Eight eighths, then a multi-measure rest put in front of them, so that
    // the measure refuses every new symbol.
    std::vector<CKVMsg*> NotesUnderAMultiRest(CKVMeas* m)
    {
        score->Setup(m, {.beats = 4, .beatUnit = 4});
        std::vector<CKVMsg*> notes = Row(m, 8, DUR_EIGHTH, 0, 0, 16);
        m->UpdateStartTime(1, 0, 0, kPerformedStartStays);
        auto* rest = new CKVMsg;
        rest->Initialize(m->m_pSystem, OBJ_MSG);
        rest->m_byKind = MSG_MULTIREST;
        rest->m_wObjWord = 2;
        m->InsertMsg(0, rest, kHolderOwns, kParentHere);
        EXPECT_NE(m->IsRestCompMeas(nullptr), 0);
        return notes;
    }

    // The measure's direct children of a kind.
    static std::vector<CKVMsg*> Children(CKVMeas* m, BYTE kind)
    {
        std::vector<CKVMsg*> out;
        for (short i = 0; i < m->GetMsgNum(); ++i) {
            CKVMsg* msg = m->GetMsg(i);
            if (msg && msg->m_byKind == kind)
                out.push_back(msg);
        }
        return out;
    }

    static void ExpectAllBack(CKVMeas* m, const std::vector<CKVMsg*>& notes)
    {
        EXPECT_TRUE(Children(m, MSG_BEAM).empty());
        const std::vector<CKVMsg*> back = Children(m, MSG_NOTE);
        ASSERT_EQ(back.size(), notes.size());
        for (CKVMsg* note : notes) {
            EXPECT_NE(std::find(back.begin(), back.end(), note), back.end()) << note->m_nPosX;
            EXPECT_FALSE(note->m_wFlag & MSGFLAG_BEAM_MEMBER);
            EXPECT_EQ(note->m_pParent, m);
            EXPECT_EQ(m->m_pSystem->GetMsgFromMap(note->m_dwMsgId), note);
        }
        EXPECT_EQ(Children(m, MSG_MULTIREST).size(), 1u);
    }
};

TEST_F(BeamRefusedGroup, BeamingARangeGivesTheNotesBack)
{
    CKVMeas* m = Meas();
    const std::vector<CKVMsg*> notes = NotesUnderAMultiRest(m);
    EXPECT_EQ(m->BindGroupByBeam(1, 0, 255, kStemDefault), nullptr);
    ExpectAllBack(m, notes);
}

TEST_F(BeamRefusedGroup, BeamingByBeatsGivesTheNotesBack)
{
    CKVMeas* m = Meas();
    const std::vector<CKVMsg*> notes = NotesUnderAMultiRest(m);
    m->AutoBindByBeam(1, kPlaceByTime);
    ExpectAllBack(m, notes);
}

} // namespace
