// Pasting clipboard images measure by measure: where the music lands, what
// undo gives back, transposition between staves, measures that take
// nothing, and copies that must leave their source alone.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/UndoSupport.h"

#include "AllocHook.h"
#include "edit/PasteState.h"

#include <gtest/gtest.h>

namespace {

using kvtest::ImageBuffer;

class PasteTest : public kvtest::ClipboardTest {
protected:
    std::vector<short> StartTimes(CKVMeas* m)
    {
        std::vector<short> times;
        for (CKVMsg* msg : Timed(m))
            times.push_back(msg->m_nStartTime);
        return times;
    }

    CKVMsg* OtherOf(CKVMeas* m, BYTE kind)
    {
        for (short i = 0; i < m->GetMsgNum(); ++i) {
            if (m->GetMsg(i)->m_byKind == kind)
                return m->GetMsg(i);
        }
        return nullptr;
    }
};

TEST_F(PasteTest, MeasurePasteLandsAtTheCursorAndIsOneUndoStep)
{
    FillMeasure(Meas(0, 1));
    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    CursorAt(1, 3);
    const std::string before = kvtest::CanonicalDump(Doc());

    ASSERT_EQ(Paste(image), 1);
    CKVMeas* target = Meas(1, 3);
    EXPECT_EQ(StartTimes(target), (std::vector<short> {0, 240, 480}));
    const auto notes = Timed(target);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0]->m_nPosX, 0);
    CKVMsg* text = OtherOf(target, MSG_TEXT2);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->m_nPosX - notes[0]->m_nPosX, 10);
    EXPECT_EQ(nPasteEndMeas, 3);
    EXPECT_EQ(nPasteEndPos, 192);
    EXPECT_TRUE(Doc().m_bModified);

    const std::string pasted = kvtest::CanonicalDump(Doc());
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    Doc().MultiRedoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), pasted);
}

TEST_F(PasteTest, KeysFollowTheStavesTranspositionWithinMidiRange)
{
    score->Staff(0)->m_wStaffWord = 5;
    score->Staff(1)->m_wStaffWord = 0;
    Note(Meas(0, 1), {.x = 0}, 126);
    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    CursorAt(1, 1);
    ASSERT_EQ(Paste(image), 1);
    const auto pasted = Timed(Meas(1, 1));
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->GetMidiKey(), 127);
    // The image keeps its own key.
    EXPECT_EQ(Timed(Meas(0, 1))[0]->GetMidiKey(), 126);
}

TEST_F(PasteTest, MeasuresThatCannotTakeMusicAreLeftAlone)
{
    FillMeasure(Meas(0, 1));
    ImageBuffer image;
    CopyMeasure(image, 0, 1);

    // No length: nothing to divide the widths or the paste end by.
    Meas(1, 2)->m_nLength = 0;
    CursorAt(1, 2);
    const std::string before = kvtest::CanonicalDump(Doc());
    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    // Too little free memory: the staff paste refuses before any change,
    // and the paste says it failed.
    host.freeBytes = 999999;
    CursorAt(1, 3);
    const std::string roomless = kvtest::CanonicalDump(Doc());
    ASSERT_EQ(Paste(image), -1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), roomless);
    host.freeBytes.reset();

    // A compressed multi-measure rest stands for whole measures.
    CKVMsg* rest = score->Symbol(Meas(1, 4), MSG_MULTIREST, 0);
    rest->m_wObjWord = 4;
    ASSERT_NE(Meas(1, 4)->IsRestCompMeas(nullptr), 0);
    CursorAt(1, 4);
    const short count = Meas(1, 4)->GetMsgNum();
    const std::string resting = kvtest::CanonicalDump(Doc());
    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(Meas(1, 4)->GetMsgNum(), count);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), resting);
}

TEST_F(PasteTest, OverwriteDropsWhatRunsPastTheMeasure)
{
    FillMeasure(Meas(0, 1));
    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    auto temp = std::unique_ptr<CKVSystem>(kvclip::NewTempSystem(Doc()));
    DWORD pos = 0;
    ASSERT_EQ(temp->Construct(image.data, pos, image.size), 1);
    CKVMeas* source = temp->GetStaff(0)->GetMeas(0);

    // Two quarters stand; of three more pasted from the middle, one fits.
    CKVMeas* target = Meas(1, 5);
    Note(target, {.x = 0});
    Note(target, {.x = 64});
    EXPECT_EQ(target->CopyMsg(128, 0, source, 1, 0), nullptr);
    EXPECT_EQ(Timed(target).size(), 4u);
    EXPECT_EQ(nPasteEndMeas, 5);
    EXPECT_EQ(nPasteEndPos, 256);
    for (short i = 0; i < target->GetMsgNum(); ++i)
        EXPECT_LE(target->GetMsg(i)->m_nPosX, CKVMeas::SCALE);
}

TEST_F(PasteTest, APlainCopyLeavesItsSourceAsItWas)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    score->Rest(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* a = score->Note(group, {.x = 32, .code = DUR_EIGHTH});
    CKVMsg* b = score->Note(group, {.x = 64, .code = DUR_EIGHTH});
    score->Rest(group, {.x = 96, .code = DUR_EIGHTH});
    for (CKVMsg* note : {a, b})
        kvtest::ScoreBuilder::SetMidiHead(note, MidiNoteHead {.byKey = 60});
    m->ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    const std::string before = kvtest::CanonicalDump(Doc());

    for (short kind : {SelRect::kMeas, SelRect::kStaff}) {
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        if (kind == SelRect::kMeas)
            SelectMeas(0, 1);
        else
            SelectStaff(0);
        ImageBuffer image;
        ASSERT_GT(Copy(image), 8u);
        Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
        EXPECT_EQ(kvtest::CanonicalDump(Doc()), before) << kind;
    }
}

TEST_F(PasteTest, AFailedAllocationKeepsBufferAndScoreAndCutsNothing)
{
    FillMeasure(Meas(0, 1));
    SelectMeas(0, 1);
    ImageBuffer image;
    const std::string before = kvtest::CanonicalDump(Doc());
    // Every counted allocation of a cut in turn, up to the last one, the
    // image buffer's.
    for (int n = 1;; ++n) {
        ASSERT_LT(n, 10000);
        unsigned char* kept = image.data;
        KvFailAllocationAfter(n);
        host.ScriptAnswer(IDNO);
        const DWORD size = Doc().CopyDataToMem(image.data, 0, 1);
        KvFailAllocationAfter(0);
        if (size != 0xFFFFFFFFu)
            break;
        EXPECT_EQ(image.data, kept) << n;
        EXPECT_EQ(kvtest::CanonicalDump(Doc()), before) << n;
    }
    // Too little memory to back the selected measures up: a cut keeps the
    // buffer, and a drag move makes no image, or a paste or drop would
    // double the music that stays.
    FillMeasure(Meas(0, 2));
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectMeas(0, 2);
    Doc().ResetBackup();
    const std::string copied = kvtest::CanonicalDump(Doc());
    unsigned char* kept = image.data;
    host.freeBytes = 999999;
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().CopyDataToMem(image.data, 0, 1), 0xFFFFFFFFu);
    host.ScriptAnswer(IDNO);
    EXPECT_EQ(Doc().SelRectMouseDrag(0, 1), 0);
    host.freeBytes.reset();
    EXPECT_EQ(image.data, kept);
    EXPECT_EQ(Doc().m_pDragImage, nullptr);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), copied);
}

TEST_F(PasteTest, MeasureHelpers)
{
    CKVMeas* m = Meas(0, 2);
    // Five quarters in a 4/4 measure: the last ends past the length.
    for (int i = 0; i < 5; ++i)
        Note(m, {.x = static_cast<short>(40 * i)});
    m->UpdateStartTime(1, 0, 0, 0);
    m->DeleteMsgByTime(1);
    EXPECT_EQ(Timed(m).size(), 4u);

    // A voice moves from an x on; a group that starts before it stays.
    CKVMsg* group = score->Beam(m, {.x = 10, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 10, .code = DUR_EIGHTH, .voice = 2});
    score->Note(group, {.x = 60, .code = DUR_EIGHTH, .voice = 2});
    m->OffsetX(1, 80, 5);
    m->OffsetX(2, 50, 5);
    std::vector<short> xs;
    for (CKVMsg* msg : Timed(m))
        xs.push_back(msg->m_nPosX);
    EXPECT_EQ(xs, (std::vector<short> {0, 10, 40, 60, 85, 125}));

    // A group starting at the x moves with its members.
    CKVMeas* later = Meas(0, 5);
    for (short x : {0, 64})
        Note(later, {.x = x});
    CKVMsg* moved = score->Beam(later, {.x = 128, .code = DUR_EIGHTH});
    score->Note(moved, {.x = 128, .code = DUR_EIGHTH});
    score->Note(moved, {.x = 160, .code = DUR_EIGHTH});
    later->OffsetX(1, 64, 10);
    xs.clear();
    for (CKVMsg* msg : Timed(later))
        xs.push_back(msg->m_nPosX);
    EXPECT_EQ(xs, (std::vector<short> {0, 74, 138, 170}));
    EXPECT_EQ(moved->m_nPosX, 138);

    CKVMsg model;
    model.m_byKind = MSG_TEXT2;
    model.m_nPosX = 77;
    model.m_dwMsgId = 4711;
    CKVMsg* added = m->InsertNewMsg(model);
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added->m_dwMsgId, 4711u);
    EXPECT_EQ(added->m_pParent, m);
    EXPECT_EQ(added->m_nPosX, 77);

    CKVMsg* rest = score->Symbol(Meas(0, 3), MSG_MULTIREST, 0);
    rest->m_wObjWord = 2;
    EXPECT_EQ(Meas(0, 3)->InsertNewMsg(model), nullptr);
    EXPECT_EQ(Meas(0, 3)->InsertMsgByLeftShift(model.m_nPosX, added, 0), nullptr);
}

} // namespace
