// Commands that work on the collected selection: voice colours, drum-note
// connections and tuplets over the selected notes.

#include "support/NoteEntry.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using kvtest::EnterNote;

class SelCommandsTest : public kvtest::SelectionTest {
protected:
    // The distinct kind-18 symbols under a node (each note of a tuplet
    // refers to it).
    static int Tuplets(CKVObject& node)
    {
        std::set<DWORD> ids;
        CollectTuplets(node, ids);
        return static_cast<int>(ids.size());
    }
    static void CollectTuplets(CKVObject& node, std::set<DWORD>& ids)
    {
        tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
            if (child->m_byKind == MSG_TUPLET)
                ids.insert(child->m_dwMsgId);
            else
                CollectTuplets(*child, ids);
            return false;
        });
    }

    std::vector<CKVMsg*> VoiceNotes(CKVMeas* m, BYTE voice)
    {
        std::vector<CKVMsg*> notes;
        m->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
        short cursor = 0;
        while (CKVMsg* msg = m->GetNextMsg(cursor)) {
            if (msg->m_byKind == MSG_NOTE && msg->m_byVoice == voice)
                notes.push_back(msg);
        }
        return notes;
    }
};

TEST_F(SelCommandsTest, VoiceColoursFollowTheEnabledVoices)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* note = score->Note(m, {.x = 0, .y = -12});
    CKVMsg* rest = score->Rest(m, {.x = 64});
    CKVMsg* group = score->Beam(m, {.x = 128, .code = DUR_EIGHTH});
    CKVMsg* member = score->Note(group, {.x = 128, .y = -12, .code = DUR_EIGHTH});
    score->Note(group, {.x = 160, .y = -12, .code = DUR_EIGHTH});
    CKVMsg* chord = score->Chord(m, {.x = 192}, {0, -12});
    CKVMsg* second = score->Note(m, {.x = 64, .y = -30, .voice = 2});
    CKVMsg* eighth = score->Note(Meas(1, 0), {.x = 64, .y = -12, .voice = 8});
    SelectMeas(0, 0);
    SelectMeas(1, 0);

    DWORD colours[9] = {0, 0x0000FF, 0x00FF00, 0, 0, 0, 0, 0, 0x123456};
    int enabled[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    Doc().m_bModified = 0;
    Doc().SetVoiceColor(colours, enabled);
    for (CKVMsg* msg : {note, rest, group, member, chord, chord->GetMsg(0)})
        EXPECT_EQ(msg->m_crColor, 0x0000FFu) << int(msg->m_byKind);
    EXPECT_EQ(second->m_crColor, 0u);
    EXPECT_EQ(eighth->m_crColor, 0u);
    EXPECT_EQ(Doc().m_bModified, 1);

    enabled[7] = 1;
    Doc().SetVoiceColor(colours, enabled);
    EXPECT_EQ(eighth->m_crColor, 0x123456u);
}

TEST_F(SelCommandsTest, DrumConnectionSetsTheLowHalfOfSelectedNotes)
{
    CKVMeas* m = Meas(0, 0);
    CKVMsg* note = score->Note(m, {.x = 0, .y = -12});
    CKVMsg* rest = score->Rest(m, {.x = 64});
    note->m_dwWord = 0xABCD0001;
    rest->m_dwWord = 0xABCD0001;
    SelectMeas(0, 0);
    Doc().SetDrumNoteConnect(0x1234);
    EXPECT_EQ(note->m_dwWord, 0xABCD1234u);
    EXPECT_EQ(rest->m_dwWord, 0xABCD0001u);
}

TEST_F(SelCommandsTest, TupletsOverTheSelectedRunOfEachVoice)
{
    CKVMeas* m = Meas(0, 0);
    for (short start : {0, 120, 240})
        ASSERT_NE(EnterNote(m, {.start = start, .y = -12, .code = DUR_EIGHTH}), nullptr);
    SelectMeas(0, 0);
    Doc().SetTuplet(1, 0x0203, 0, 1);
    std::vector<short> starts;
    for (CKVMsg* n : VoiceNotes(Doc().GetMeasure(0, 0, 0), 1)) {
        EXPECT_EQ(n->m_wObjWord, 0x0203);
        starts.push_back(n->m_nStartTime);
    }
    EXPECT_EQ(starts, (std::vector<short> {0, 80, 160}));
    EXPECT_EQ(Tuplets(*Doc().GetMeasure(0, 0, 0)), 1);

    // Voice 0 gives each voice's run a tuplet of its own.
    CKVMeas* other = Meas(0, 1);
    for (short start : {0, 120, 240}) {
        ASSERT_NE(EnterNote(other, {.start = start, .y = -12, .code = DUR_EIGHTH, .voice = 1}), nullptr);
        ASSERT_NE(EnterNote(other, {.start = start, .y = -40, .code = DUR_EIGHTH, .voice = 2}), nullptr);
    }
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 1);
    Doc().SetTuplet(0, 0x0203, 0, 1);
    for (BYTE voice : {1, 2}) {
        for (CKVMsg* n : VoiceNotes(other, voice))
            EXPECT_EQ(n->m_wObjWord, 0x0203) << int(voice);
    }
    EXPECT_EQ(Tuplets(*other), 2);
}

} // namespace
