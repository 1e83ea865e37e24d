// Cut, and paste over a selection: what is removed and what arrives, that
// each is one undo step that brings back every measure it touched, and that
// a cut or a drag move takes away nothing its image does not carry.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"
#include "support/NodeSupport.h"
#include "support/ScoreIntegrity.h"

#include "document/ClipboardSystem.h"
#include "document/RecordIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::ImageBuffer;

class CutPasteTest : public kvtest::ClipboardTest {
protected:
    // The cursor without touching the selection.
    void KeepSelectionCursorAt(int staff, int meas)
    {
        Doc().m_nCurBlock = static_cast<short>(meas / 3);
        Doc().m_pCurBlock = Page(0)->GetBlock(Doc().m_nCurBlock);
        Doc().m_nCurMeas = static_cast<short>(meas % 3);
        Doc().m_nCurStaff = static_cast<short>(staff);
        Doc().m_nCaretPos = 0;
    }

    int PageSymbols(BYTE kind)
    {
        CKVPage* page = Doc().GetCurrentPage();
        int count = 0;
        for (short i = 0; i < page->GetMsgNum(); ++i)
            count += page->GetMsg(i)->m_byKind == kind ? 1 : 0;
        return count;
    }

    // A fresh paged score of two staves, page 0 current.
    void Fresh(LONG measures, BOOL recording)
    {
        score = std::make_unique<kvtest::ScoreBuilder>(
            kvtest::ScoreShape {.staves = 2, .measures = measures, .pageGeometry = true});
        Doc().m_bBackupRecord = recording;
        Doc().JumpToPage(0);
    }

    // The MIDI keys of the notes under a set of measures, sorted.
    static std::vector<int> Keys(const std::vector<CKVMeas*>& measures)
    {
        std::vector<CKVMsg*> notes;
        for (CKVMeas* meas : measures)
            kvtest::AppendNotesUnder(*meas, notes);
        std::vector<int> keys;
        for (CKVMsg* note : notes)
            keys.push_back(note->GetMidiKey());
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    // The keys of the score's notes, on its staves and ossia staves.
    std::vector<int> ScoreKeys()
    {
        std::vector<CKVMeas*> measures;
        CKVSystem* master = score->System();
        for (short s = 0; s < master->GetStaffNum(); ++s)
            for (LONG m = 0; m < master->GetStaff(s)->GetMeasNum(); ++m)
                measures.push_back(master->GetStaff(s)->GetMeas(m));
        for (short s = 0; master->m_pOssiaStaffArray && s < master->m_pOssiaStaffArray->GetSize(); ++s)
            for (LONG m = 0; m < master->GetOssiaStaff(s)->GetMeasNum(); ++m)
                measures.push_back(master->GetOssiaStaff(s)->GetMeas(m));
        return Keys(measures);
    }

    // The keys of the notes an image carries, read as a paste reads it.
    std::vector<int> ImageKeys(unsigned char* bytes)
    {
        if (!bytes)
            return {};
        std::unique_ptr<CKVSystem> temp(kvclip::NewTempSystem(Doc()));
        DWORD pos = 0;
        EXPECT_GE(temp->Construct(bytes, pos, kvrec::GetU32(bytes)), 0);
        std::vector<CKVMeas*> measures;
        for (short s = 0; s < temp->GetStaffNum(); ++s)
            for (LONG m = 0; m < temp->GetStaff(s)->GetMeasNum(); ++m)
                measures.push_back(temp->GetStaff(s)->GetMeas(m));
        return Keys(measures);
    }

    // The keys `from` holds more of than `than`.
    static std::vector<int> Less(std::vector<int> from, const std::vector<int>& than)
    {
        for (int key : than) {
            const auto found = std::find(from.begin(), from.end(), key);
            if (found != from.end())
                from.erase(found);
        }
        return from;
    }

    // A rectangle around two page points.
    static RECT Spanning(POINT a, POINT b)
    {
        return RECT {std::min(a.x, b.x) - 2, std::min(a.y, b.y) - 2, std::max(a.x, b.x) + 3,
                     std::max(a.y, b.y) + 3};
    }
};

TEST_F(CutPasteTest, CutGivesTheCopysImageRemovesTheNotesAndIsOneUndoStep)
{
    FillMeasure(Meas(1, 3));
    FillMeasure(Meas(1, 4));
    SelectBlockStaff(1, 1);
    ImageBuffer copied;
    ASSERT_GT(Copy(copied), 8u);
    const std::string before = kvtest::CanonicalDump(Doc());

    ImageBuffer cut;
    ASSERT_EQ(Copy(cut, 0, 1), copied.size);
    EXPECT_EQ(cut.Bytes(), copied.Bytes());
    EXPECT_TRUE(Timed(Meas(1, 3)).empty());
    EXPECT_TRUE(Timed(Meas(1, 4)).empty());

    const std::string after = kvtest::CanonicalDump(Doc());
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    Doc().MultiRedoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), after);
}

TEST_F(CutPasteTest, ANoteOnTheRightEdgeIsBothCutAndInTheImage)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 64});
    SelectRect(EndingAt(HitOf(note)));
    ImageBuffer image;
    ASSERT_GT(Copy(image, 0, 1), 8u);
    EXPECT_TRUE(Timed(Meas(0, 1)).empty());

    CursorAt(1, 5);
    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(Timed(Meas(1, 5)).size(), 1u);
}

TEST_F(CutPasteTest, PasteOverASelectionBacksUpBothPlacesInOneStep)
{
    FillMeasure(Meas(0, 5));
    ImageBuffer image;
    CopyMeasure(image, 0, 5);
    // The cursor is elsewhere than the selection.
    KeepSelectionCursorAt(0, 1);
    const std::string before = kvtest::CanonicalDump(Doc());

    ASSERT_EQ(Paste(image), 1);
    EXPECT_TRUE(Timed(Meas(0, 5)).empty());
    EXPECT_EQ(Timed(Meas(0, 1)).size(), 3u);

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(CutPasteTest, PageTextsPastedOverTheirOwnSelectionStayOnce)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 64});
    const POINT hit = HitOf(note);
    PageText(0, static_cast<short>(hit.x - 10), static_cast<short>(hit.y));
    const int texts = PageSymbols(MSG_FREETEXT);

    SelectRect(RECT {hit.x - 20, hit.y - 20, hit.x + 5, hit.y + 20});
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    ASSERT_NE(std::string(reinterpret_cast<char*>(image.data), image.size).find("PAGE"), std::string::npos);
    KeepSelectionCursorAt(1, 4);
    const std::string before = kvtest::CanonicalDump(Doc());

    ASSERT_EQ(Paste(image), 1);
    EXPECT_EQ(PageSymbols(MSG_FREETEXT), texts);
    EXPECT_EQ(Timed(Meas(1, 4)).size(), 1u);

    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

// Whatever a selection reaches, a cut or a drag move takes away exactly the
// notes its image carries, and a copy or the drag of a copy carries the same
// and takes nothing away; a drag image carries no page text, so a drag move
// leaves the text under its rectangle where it is. An image holds one copy,
// made by the kind of the selection's first record, while the selection may
// reach further: a chord whose notes share a staff place (a natural and a
// sharp on one line) is carried whole; a rectangle across a chord takes the
// notes whose own handles it holds; the notes a block draws outside their
// measure's column (a block not laid out yet) go with the column; a second
// record stays with the selection; a rectangle that reaches an ossia block is
// copied from the ossia block alone and takes nothing from the staff below,
// nor from the ossia block's second staff, as the image carries its first
// alone; one that names no page is taken on the current page only. Recorded
// or not.
TEST_F(CutPasteTest, ACutOrADragMoveTakesAwayOnlyWhatItsImageCarries)
{
    struct Row {
        const char* name;
        LONG measures;
        // Builds the music; then, with the score laid out, selects.
        std::function<void()> music;
        std::function<void()> select;
        // The keys of what a clipboard image and a drag image carry.
        std::vector<int> clipboard;
        std::vector<int> drag;
        // Whether the selection names whole objects, so that the score is
        // checked with it.
        bool whole = true;
    };
    // F and F sharp, one chord of eighths at x under a measure or group. The
    // builder refuses a second note at one place, so the sharp is put there
    // once it is a member.
    const auto fAndFSharp = [&](CKVObject* parent, short x) {
        CKVMsg* chord = score->Chord(parent, {.x = x, .code = DUR_EIGHTH}, {});
        Note(chord, {.x = x, .y = -3, .code = DUR_EIGHTH}, 65);
        Note(chord, {.x = x, .y = -6, .code = DUR_EIGHTH}, 66)->m_nPosY = -3;
    };
    // The two notes of a row.
    CKVMsg* first = nullptr;
    CKVMsg* second = nullptr;
    const auto chord = [&] {
        CKVMsg* made = score->Chord(Meas(0, 1), {.x = 64}, {});
        first = Note(made, {.x = 64, .y = 12}, 60);
        second = Note(made, {.x = 64, .y = -9}, 67);
    };
    const std::vector<Row> rows {
        {"a chord and a grouped chord with two notes on one line", 9,
         [&] {
             fAndFSharp(Meas(0, 1), 0);
             CKVMsg* group = score->Beam(Meas(0, 1), {.x = 128, .code = DUR_EIGHTH});
             fAndFSharp(group, 128);
             Note(group, {.x = 160, .y = 3, .code = DUR_EIGHTH}, 63);
             group->m_nPosX2 = 160;
         },
         [&] { SelectMeas(0, 1); }, {63, 65, 65, 66, 66}, {63, 65, 65, 66, 66}},
        {"a rectangle around the upper note of a chord", 9, chord, [&] { SelectRect(Around(HitOf(second))); },
         {67}, {67}},
        {"a rectangle around the lower note of a chord", 9, chord, [&] { SelectRect(Around(HitOf(first))); },
         {60}, {60}},
        {"a rectangle over a block not laid out", 9,
         [&] {
             first = Note(Meas(0, 0), {.x = 0}, 60);
             Note(Meas(0, 1), {.x = 0}, 62);
         },
         [&] {
             CKVBlock* block = Block(0);
             block->m_rcBlock.right = block->m_rcBlock.left;
             for (int i = 0; i < block->m_arrMeasX.GetSize(); ++i)
                 block->m_arrMeasX.SetAt(i, 0);
             for (int m = 0; m < block->m_nMeasCount; ++m)
                 Meas(0, m)->m_rcMeas.right = Meas(0, m)->m_rcMeas.left;
             SelectRect(Around(HitOf(first)));
         },
         {60, 62}, {60, 62}},
        {"two measures selected", 9,
         [&] {
             Note(Meas(0, 1), {.x = 0}, 60);
             Note(Meas(0, 2), {.x = 0}, 62);
         },
         [&] {
             SelectMeas(0, 1);
             SelectMeas(0, 2);
         },
         {60}, {60}},
        {"a rectangle and a staff selected", 9,
         [&] {
             first = Note(Meas(0, 1), {.x = 0}, 60);
             Note(Meas(1, 4), {.x = 0}, 62);
         },
         [&] {
             SelectRect(Around(HitOf(first)));
             SelectStaff(1);
         },
         {60}, {60}},
        {"a rectangle over an ossia block and the staff below it", 9,
         [&] {
             CKVBlock* ossia = AddOssiaBlock(2);
             first = Note(ossia->GetStaff(0)->GetMeas(0), {.x = 64, .y = -12}, 72);
             second = Note(Meas(0, 0), {.x = 64, .y = -12}, 60);
         },
         [&] { SelectRect(Spanning(HitOf(first), HitOf(second))); }, {72}, {72}},
        {"a rectangle over an ossia block of two staves", 9,
         [&] {
             CKVBlock* ossia = AddOssiaBlock(2);
             CKVSystem* master = score->System();
             ASSERT_GE(master->InsertOssiaStaff(master->GetStaff(0), 1, 1, CKVSystem::MODE_NORMAL, 5, 100), 0);
             ossia->AddStaff(master->GetOssiaStaff(1));
             ossia->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
             first = Note(ossia->GetStaff(0)->GetMeas(0), {.x = 64, .y = -12}, 72);
             second = Note(ossia->GetStaff(1)->GetMeas(0), {.x = 64, .y = -12}, 60);
         },
         [&] { SelectRect(Spanning(HitOf(first), HitOf(second))); }, {72}, {72}},
        {"a rectangle that names no page", 30,
         [&] {
             ASSERT_GE(Doc().GetPageNum(), 2);
             first = Note(Meas(0, 0), {.x = 0}, 60);
             second = Note(Meas(0, Doc().GetPage(1)->GetBlock(0)->m_nFirstMeas), {.x = 0}, 62);
         },
         [&] {
             CKVBlock* next = Doc().GetPage(1)->GetBlock(0);
             CRect handle;
             ASSERT_TRUE(selhit::HandleOnPage(*next, 0, 0, *tickmath::MeasureOf(second), *second, handle));
             SelectRect(Spanning(HitOf(first), selhit::HitPoint(handle)));
             Record(0)->pPage = nullptr;
         },
         {}, {60}, false},
        {"a rectangle over a note and a page text", 9, [&] { first = Note(Meas(0, 1), {.x = 64}); },
         [&] {
             const POINT hit = HitOf(first);
             PageText(0, static_cast<short>(hit.x - 10), static_cast<short>(hit.y));
             SelectRect(RECT {hit.x - 20, hit.y - 20, hit.x + 5, hit.y + 20});
         },
         {64}, {64}},
    };
    enum Command { kCopy, kCut, kDragCopy, kDragMove };
    const char* const names[] = {"copy", "cut", "drag a copy", "drag away"};
    for (const BOOL recording : {1, 0}) {
        for (const Row& row : rows) {
            for (const Command command : {kCopy, kCut, kDragCopy, kDragMove}) {
                SCOPED_TRACE(std::string(row.name) + ", " + names[command] +
                             (recording ? ", recording" : ", not recording"));
                Fresh(row.measures, recording);
                row.music();
                score->Settle();
                Doc().UpdateMeasXY(-1);
                // The marks a walk gives chord members, as a command's first
                // walk would give them.
                for (LONG m = 0; m < row.measures; ++m)
                    Meas(0, m)->ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkKeepAll);
                row.select();
                if (HasFatalFailure())
                    return;
                const std::vector<int> before = ScoreKeys();
                const int texts = PageSymbols(MSG_FREETEXT);
                ImageBuffer image;
                std::vector<int> carried;
                const std::vector<std::string> problems = kvtest::CheckedStep(Doc(), [&] {
                    if (command == kCopy || command == kCut) {
                        EXPECT_GE(Copy(image, 0, command == kCut), 4u);
                        carried = ImageKeys(image.data);
                    } else {
                        EXPECT_EQ(Doc().SelRectMouseDrag(0, command == kDragMove), 1);
                        carried = ImageKeys(Doc().m_pDragImage);
                    }
                });
                EXPECT_EQ(problems.empty(), row.whole) << kvtest::Joined(problems);
                const bool drag = command == kDragCopy || command == kDragMove;
                EXPECT_EQ(carried, drag ? row.drag : row.clipboard);
                const bool takes = command == kCut || command == kDragMove;
                EXPECT_EQ(Less(before, ScoreKeys()), takes ? carried : std::vector<int>());
                if (drag) {
                    EXPECT_EQ(PageSymbols(MSG_FREETEXT), texts);
                }
                Doc().FreeDragImage();
            }
        }
    }
}

} // namespace
