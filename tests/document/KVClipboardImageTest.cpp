// Clipboard images: their bytes, what the temporary system built from them
// holds, the repairs of ties and slurs cut off by a copy, and images that
// are damaged, cut short or foreign.

#include "support/CanonicalDump.h"
#include "support/ClipboardSupport.h"

#include "document/RecordIO.h"
#include "edit/PasteState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using kvtest::ImageBuffer;

class ClipboardImageTest : public kvtest::ClipboardTest {
protected:
    // The image read back into a temporary system of the document.
    std::unique_ptr<CKVSystem> Construct(const ImageBuffer& image, DWORD* end = nullptr)
    {
        std::unique_ptr<CKVSystem> temp(kvclip::NewTempSystem(Doc()));
        DWORD pos = 0;
        EXPECT_EQ(temp->Construct(image.data, pos, image.size), 1);
        if (end)
            *end = pos;
        return temp;
    }

    // The record CKVMsg::Write makes of a symbol.
    static std::vector<unsigned char> RecordOf(CKVMsg* msg)
    {
        unsigned char* bytes = static_cast<unsigned char*>(std::malloc(16));
        DWORD used = 0;
        DWORD capacity = 16;
        EXPECT_TRUE(msg->Write(bytes, &used, &capacity));
        kvrec::BufferPtr owner(bytes);
        return std::vector<unsigned char>(bytes, bytes + used);
    }

    // The size word, "PAGE", then the records.
    static std::vector<unsigned char> PageImage(const std::vector<unsigned char>& records)
    {
        std::vector<unsigned char> image {0, 0, 0, 0, 'P', 'A', 'G', 'E'};
        image.insert(image.end(), records.begin(), records.end());
        kvrec::PutU32(image.data(), static_cast<DWORD>(image.size()));
        return image;
    }

    RECT AroundPageSymbol(CKVMsg* msg)
    {
        CRect r = msg->m_arrCtrlPoint.GetAt(0)->m_rect;
        r.OffsetRect(msg->m_nPosX, msg->m_nPosY);
        return RECT {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    }
};

TEST_F(ClipboardImageTest, EmptyMeasureGivesTheBareSizeWord)
{
    SelectMeas(0, 1);
    ImageBuffer image;
    ASSERT_EQ(Copy(image), 4u);
    EXPECT_EQ(image.Bytes(), (std::vector<unsigned char> {4, 0, 0, 0}));
}

TEST_F(ClipboardImageTest, NoSelectionOrNoBufferIsRefused)
{
    ImageBuffer image;
    unsigned char* before = image.data;
    EXPECT_EQ(Copy(image), 0u);
    EXPECT_EQ(image.data, before);

    SelectMeas(0, 1);
    unsigned char* none = nullptr;
    EXPECT_EQ(Doc().CopyDataToMem(none, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(none, nullptr);
}

TEST_F(ClipboardImageTest, PageRectangleOverATextCarriesOnlyItsRecord)
{
    CKVMsg* text = PageText(0, 40, 20);
    SelectRect(AroundPageSymbol(text));
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    EXPECT_EQ(image.Bytes(), PageImage(RecordOf(text)));
}

TEST_F(ClipboardImageTest, AfterJumpingPagesTheRecordsPageIsCopied)
{
    CKVPage* second = new CKVPage;
    second->Create(Doc().m_pFileInfo);
    Doc().AddPage(second);
    ASSERT_GE(Doc().GetPageNum(), 2);
    CKVMsg* first = PageText(0, 40, 20);
    PageText(1, 40, 20)->m_byMark1 = 7;
    SelectRect(AroundPageSymbol(first));
    Doc().JumpToPage(1);
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    EXPECT_EQ(image.Bytes(), PageImage(RecordOf(first)));
}

TEST_F(ClipboardImageTest, OneVoiceCopyStartsAtZeroAndKeepsItsShift)
{
    CKVMeas* m = Meas(0, 1);
    Note(m, {.x = 32, .voice = 1});
    Note(m, {.x = 96, .voice = 2});
    Note(m, {.x = 160, .y = -6, .voice = 2});
    score->Symbol(m, MSG_TEXT2, 120, -30, 2);
    score->Symbol(m, MSG_TEXT2, 50, -30, 1);
    SelectMeas(0, 1);
    ImageBuffer image;
    ASSERT_GT(Copy(image, 2), 8u);

    auto temp = Construct(image);
    ASSERT_EQ(temp->GetStaffNum(), 1);
    ASSERT_EQ(temp->GetStaff(0)->GetMeasNum(), 1);
    CKVMeas* copy = temp->GetStaff(0)->GetMeas(0);
    EXPECT_EQ(copy->m_wObjWord, 2);
    EXPECT_EQ(copy->m_dwWord, 64u);
    std::vector<short> notes;
    std::vector<short> texts;
    for (short i = 0; i < copy->GetMsgNum(); ++i) {
        CKVMsg* msg = copy->GetMsg(i);
        EXPECT_EQ(msg->m_byVoice, 2);
        (msg->m_byKind == MSG_NOTE ? notes : texts).push_back(msg->m_nPosX);
    }
    EXPECT_EQ(notes, (std::vector<short> {0, 64}));
    EXPECT_EQ(texts, (std::vector<short> {24}));

    // The shift stays with the copied measure as its left x.
    CKVStaff* staff = kvclip::NewStaff(*temp, *score->Staff(0), false);
    CKVMeas* direct = kvclip::NewMeas(*staff, *m);
    staff->m_arrMeas.Add(direct);
    ASSERT_EQ(m->CopyToSelRect(direct, 0, CRect(), 2, 0), 1);
    EXPECT_EQ(direct->m_nLeftX, 96);
}

TEST_F(ClipboardImageTest, RectangleCopyKeepsStavesAlignedAndDropsOnlyLeadingColumns)
{
    // Block 0: staff 0 filled in columns 0 and 2, staff 1 only in column 2.
    Note(Meas(0, 0), {.x = 64});
    Note(Meas(0, 2), {.x = 64});
    Note(Meas(1, 2), {.x = 64});
    const CRect whole = Block(0)->m_rcBlock;
    SelectRect(RECT {whole.left - 5, whole.top - 40, whole.right + 5, whole.bottom + 40});
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    {
        auto temp = Construct(image);
        ASSERT_EQ(temp->GetStaffNum(), 2);
        EXPECT_EQ(temp->GetStaff(0)->GetMeasNum(), 3);
        EXPECT_EQ(temp->GetStaff(1)->GetMeasNum(), 3);
        EXPECT_EQ(temp->GetStaff(0)->GetMeas(1)->GetMsgNum(), 0);
        EXPECT_EQ(temp->GetStaff(1)->GetMeas(0)->GetMsgNum(), 0);
    }

    // With column 0 empty too, columns 0 and 1 both lead empty and go.
    Meas(0, 0)->RemoveAllMsg();
    ASSERT_GT(Copy(image), 8u);
    auto temp = Construct(image);
    ASSERT_EQ(temp->GetStaffNum(), 2);
    EXPECT_EQ(temp->GetStaff(0)->GetMeasNum(), 1);
    EXPECT_EQ(temp->GetStaff(1)->GetMeasNum(), 1);
    EXPECT_EQ(temp->GetStaff(1)->GetMeas(0)->GetMsgNum(), 1);
}

TEST_F(ClipboardImageTest, ANoteOnARectanglesRightEdgeIsCopiedInNormalBlocksOnly)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 64});
    SelectRect(EndingAt(HitOf(note)));
    ImageBuffer image;
    ASSERT_GT(Copy(image), 8u);
    {
        auto temp = Construct(image);
        ASSERT_EQ(temp->GetStaffNum(), 1);
        EXPECT_EQ(Timed(temp->GetStaff(0)->GetMeas(0)).size(), 1u);
    }

    // An ossia block takes the rectangle as stored: the edge is outside.
    CKVBlock* ossia = AddOssiaBlock(2);
    CKVMsg* over = Note(score->System()->GetOssiaStaff(0)->GetMeas(1), {.x = 64}, 90);
    ossia->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    CRect handle;
    ASSERT_TRUE(selhit::HandleOnPage(*ossia, 1, 0, *over->m_pParent->m_pSystem->GetOssiaStaff(0)->GetMeas(1), *over,
                                     handle));
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(EndingAt(selhit::HitPoint(handle)));
    ASSERT_EQ(Copy(image), 4u);
    RECT wider = EndingAt(selhit::HitPoint(handle));
    wider.right += 1;
    Doc().RemoveAllSelRect(kResetDrag, kClearSelRects);
    SelectRect(wider);
    ASSERT_GT(Copy(image), 8u);
    auto temp = Construct(image);
    ASSERT_EQ(temp->GetStaffNum(), 1);
    const auto copied = Timed(temp->GetStaff(0)->GetMeas(0));
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0]->GetMidiKey(), 90);
}

TEST_F(ClipboardImageTest, ATieCutAtTheBarLineIsDroppedWithItsFlag)
{
    CKVMsg* a = Note(Meas(0, 1), {.x = 192});
    CKVMsg* b = Note(Meas(0, 2), {.x = 0});
    score->Tie(a, b);
    ImageBuffer image;
    CopyMeasure(image, 0, 1);
    CursorAt(0, 4);
    ASSERT_EQ(Paste(image), 1);

    const auto pasted = Timed(Meas(0, 4));
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(pasted[0]->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), 0);
    for (short i = 0; i < pasted[0]->GetMsgNum(); ++i)
        EXPECT_NE(pasted[0]->GetMsg(i)->m_byKind, MSG_TIE);
}

TEST_F(ClipboardImageTest, TiesAndSlursAreJudgedAgainOnPaste)
{
    struct Case {
        short secondY;
        BYTE storedKind;
        BYTE pastedKind;
        WORD flags;
    };
    const Case cases[] = {
        {0, MSG_SLUR, MSG_TIE, MSGFLAG_TIE_START},  // same pitch: a tie
        {-6, MSG_TIE, MSG_SLUR, 0},                 // another pitch: a slur
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedKind);
        CKVMeas* m = Meas(0, 1);
        m->RemoveAllMsg();
        CKVMsg* a = Note(m, {.x = 0});
        CKVMsg* b = Note(m, {.x = 64, .y = c.secondY});
        CKVMsg* link = score->Tie(a, b);
        link->m_byKind = c.storedKind;
        if (c.storedKind == MSG_SLUR) {
            a->m_wFlag = 0;
            b->m_wFlag = 0;
        }
        SelectMeas(0, 1);
        ImageBuffer image;
        ASSERT_GT(Copy(image), 8u);
        CursorAt(0, 5);
        Meas(0, 5)->RemoveAllMsg();
        ASSERT_EQ(Paste(image), 1);
        const auto pasted = Timed(Meas(0, 5));
        ASSERT_EQ(pasted.size(), 2u);
        CKVMsg* copied = nullptr;
        for (short i = 0; i < pasted[0]->GetMsgNum(); ++i) {
            CKVMsg* child = pasted[0]->GetMsg(i);
            if (child->m_byKind == MSG_TIE || child->m_byKind == MSG_SLUR)
                copied = child;
        }
        ASSERT_NE(copied, nullptr);
        EXPECT_EQ(copied->m_byKind, c.pastedKind);
        EXPECT_EQ(pasted[0]->m_wFlag & MSGFLAG_TIE_START, c.flags);
        EXPECT_EQ(pasted[1]->m_wFlag & MSGFLAG_TIE_END, c.flags ? MSGFLAG_TIE_END : 0);
    }
}

TEST_F(ClipboardImageTest, ForeignDamagedAndShortImagesChangeNothing)
{
    Note(Meas(0, 1), {.x = 64});
    CursorAt(0, 1);
    const std::string before = kvtest::CanonicalDump(Doc());

    unsigned char foreign[] = {8, 0, 0, 0, 'X', 'X', 'X', 'X'};
    EXPECT_EQ(Doc().PastMemoryTo(foreign, sizeof foreign, 0, 0, 0), 1);
    // A staff part whose system record is cut short.
    unsigned char damaged[] = {12, 0, 0, 0, 'S', 'T', 'A', 'F', 1, 2, 3, 4};
    EXPECT_EQ(Doc().PastMemoryTo(damaged, sizeof damaged, 0, 0, 0), -1);
    for (unsigned char size = 0; size < 4; ++size) {
        unsigned char tiny[] = {size, 0, 0, 0, 'S', 'T', 'A', 'F'};
        EXPECT_EQ(Doc().PastMemoryTo(tiny, sizeof tiny, 0, 0, 0), -1) << int(size);
    }
    unsigned char claimsMore[] = {9, 0, 0, 0, 'S', 'T', 'A', 'F'};
    EXPECT_EQ(Doc().PastMemoryTo(claimsMore, sizeof claimsMore, 0, 0, 0), -1);
    EXPECT_EQ(Doc().PastMemoryTo(claimsMore, 3, 0, 0, 0), -1);
    // A size word of 6 leaves no room for a tag: nothing is read.
    unsigned char six[] = {6, 0, 0, 0, 'S', 'T', 'A', 'F'};
    EXPECT_EQ(Doc().PastMemoryTo(six, sizeof six, 0, 0, 0), 1);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
}

TEST_F(ClipboardImageTest, VoicesAboveEightAndMissingPagesAreRefused)
{
    Note(Meas(0, 1), {.x = 64});
    SelectMeas(0, 1);
    ImageBuffer image;
    EXPECT_EQ(Copy(image, 9), 0u);
    ASSERT_GT(Copy(image, 0), 8u);
    CursorAt(0, 2);
    EXPECT_EQ(Paste(image, 9), 0);
    EXPECT_EQ(Timed(Meas(0, 2)).size(), 0u);

    CKVDoc empty;
    ASSERT_EQ(empty.GetPageNum(), 0);
    EXPECT_EQ(empty.PastMemoryTo(image.data, image.size, 0, 0, 0), 0);
}

TEST_F(ClipboardImageTest, BoundedReadingOfAStaffImage)
{
    for (int m = 0; m < 9; ++m) {
        for (short x = 0; x < 256; x += 64)
            Note(Meas(0, m), {.x = x, .y = static_cast<short>(-(x / 16))});
    }
    score->Tie(Timed(Meas(0, 0)).back(), Timed(Meas(0, 1)).front());
    SelectStaff(0);
    ImageBuffer image;
    ASSERT_GE(Copy(image), 1024u);
    CursorAt(1, 0);
    const std::string before = kvtest::CanonicalDump(Doc());

    // The size word claims more than the bytes given: refused.
    for (DWORD length = 0; length < image.size; ++length)
        ASSERT_EQ(Doc().PastMemoryTo(image.data, length, 0, 0, 0), -1) << length;
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);

    // Every prefix with a size word of its own length is read as far as it
    // goes and no further.
    std::vector<unsigned char> prefix;
    for (DWORD length = 4; length < image.size; ++length) {
        prefix.assign(image.data, image.data + length);
        kvrec::PutU32(prefix.data(), length);
        const short result = Doc().PastMemoryTo(prefix.data(), length, 0, 0, 0);
        ASSERT_TRUE(result == -1 || result == 0 || result == 1) << length;
    }
    CMemFile file;
    ASSERT_EQ(Doc().Save(&file), 1);
    file.SeekToBegin();
    CKVDoc loaded;
    EXPECT_EQ(loaded.Load(&file, 0), 0);
}

TEST_F(ClipboardImageTest, CopyToStaffAddsDeepCopiesOfARange)
{
    CKVMeas* m = Meas(0, 1);
    for (short x = 0; x < 256; x += 64)
        score->Symbol(Note(m, {.x = x}), MSG_LYRIC, 0, 10);
    CKVStaff* staff = score->Staff(1);
    const short before = staff->GetMsgNum();
    ASSERT_EQ(m->CopyToStaff(staff, 64, 128), 1);
    ASSERT_EQ(staff->GetMsgNum(), before + 2);
    std::vector<short> xs;
    for (short i = 0; i < staff->GetMsgNum(); ++i) {
        CKVMsg* copy = staff->GetMsg(i);
        if (copy->m_byKind != MSG_NOTE)
            continue;
        xs.push_back(copy->m_nPosX);
        EXPECT_EQ(copy->m_pParent, staff);
        ASSERT_EQ(copy->GetMsgNum(), 1);
        for (CKVMsg* source : Timed(m))
            EXPECT_NE(copy->GetMsg(0)->m_dwMsgId, source->GetMsg(0)->m_dwMsgId);
    }
    EXPECT_EQ(xs, (std::vector<short> {64, 128}));
}

TEST_F(ClipboardImageTest, OffsetMovesSecondWordsAndMembers)
{
    CKVMeas* m = Meas(0, 1);
    CKVMsg* group = score->Beam(m, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* a = Note(group, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* b = Note(group, {.x = 32, .code = DUR_EIGHTH});
    group->m_nPosX2 = 32;
    group->OffsetX(10);
    EXPECT_EQ(group->m_nPosX, 10);
    EXPECT_EQ(group->m_nPosX2, 42);
    EXPECT_EQ(a->m_nPosX, 10);
    EXPECT_EQ(b->m_nPosX, 42);

    CKVMsg* tremolo = score->Symbol(m, MSG_TREMOLO, 100);
    tremolo->m_nPosX2 = 140;
    tremolo->OffsetX(10);
    EXPECT_EQ(tremolo->m_nPosX, 110);
    EXPECT_EQ(tremolo->m_nPosX2, 150);

    CKVMsg* chord = score->Chord(m, {.x = 160}, {0, -12});
    chord->OffsetX(10);
    EXPECT_EQ(chord->m_nPosX, 170);
    for (short i = 0; i < chord->GetMsgNum(); ++i)
        EXPECT_EQ(chord->GetMsg(i)->m_nPosX, 170);
}

TEST_F(ClipboardImageTest, GuardsOfThePasteHelpers)
{
    CKVMsg* note = Note(Meas(0, 1), {.x = 0, .voice = 3});
    note->ChangeVoice(9);
    EXPECT_EQ(note->m_byVoice, 3);
    note->ChangeVoice(0);
    EXPECT_EQ(note->m_byVoice, 3);

    BYTE table[8] = {1, 2, 1, 2, 0, 0, 1, 1};
    BYTE* set = static_cast<BYTE*>(SetNoteTailTieUpDown(table));
    EXPECT_EQ(std::memcmp(set, table, 8), 0);
    EXPECT_EQ(SetNoteTailTieUpDown(nullptr), set);
    EXPECT_EQ(std::memcmp(set, table, 8), 0);
}

} // namespace
