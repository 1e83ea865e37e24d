// Clef changes made and removed, tempo marks and measure tempi, key
// symbols, bar lines, repeat endings and multi-measure rests.

#include "document/SelRect.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/StructureSupport.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

class ClefTempoBarTest : public kvtest::StructureTest {
protected:
    void SetUp() override
    {
        StructureTest::SetUp();
        Make(3, 12);
    }

    // Round trips under the host's step: with its whole-document backup, or
    // for commands that back up what they change, the step alone.
    void WithBackup(const std::function<void()>& command) { ExpectRoundTrip(command, kvtest::kCallerBacksUp); }
    void StepOnly(const std::function<void()>& command) { ExpectRoundTrip(command, kvtest::kCommandBacksUp); }

    static CKVMsg* FindKind(CKVMeas* meas, BYTE kind)
    {
        for (short i = 0; i < meas->GetMsgNum(); ++i)
            if (CKVMsg* msg = meas->GetMsg(i); msg && msg->m_byKind == kind)
                return msg;
        return nullptr;
    }
    std::vector<int> InitClefs(int staff)
    {
        std::vector<int> clefs;
        for (int i = 0; i < 12; ++i)
            clefs.push_back(score->Meas(staff, i)->m_byInitClef);
        return clefs;
    }
    static std::vector<int> Clefs(int bassFrom, int bassTo)
    {
        std::vector<int> clefs(12, 1);
        for (int i = bassFrom; i <= bassTo; ++i)
            clefs[i] = 2;
        return clefs;
    }
    static LOGFONTA Font()
    {
        LOGFONTA font {};
        font.lfHeight = 12;
        std::strcpy(font.lfFaceName, "Numbers");
        return font;
    }
};

TEST_F(ClefTempoBarTest, AClefChangeInsideAMeasureRulesTheMeasuresAfterIt)
{
    const short word = score->Meas(0, 1)->AbsXToMeasX(40);
    WithBackup([&] { EXPECT_EQ(Doc().InsertNewClefMsg(score->Meas(0, 1), 2, 40), 1); });
    CKVMsg* change = FindKind(score->Meas(0, 1), MSG_CLEF);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->m_wDuration, 2);
    EXPECT_EQ(change->m_nPosX, std::clamp<short>(word, 0, 255));
    EXPECT_EQ(change->m_nPosY, 0);
    EXPECT_EQ(InitClefs(0), Clefs(2, 11));
    EXPECT_TRUE(host.beeps.empty());

    // Removing it gives the measures after it back the clef before it.
    kvtest::ExpectRoundTrip(Doc(), [&] { EXPECT_EQ(Doc().UpdateDelClefType(change), 1); });
    EXPECT_EQ(FindKind(score->Meas(0, 1), MSG_CLEF), nullptr);
    EXPECT_EQ(InitClefs(0), Clefs(1, 0));
}

TEST_F(ClefTempoBarTest, DrumStavesRefuseClefChangesQuietlyAndTablatureTakesThem)
{
    score->Staff(1)->m_byStaffKind = CKVStaff::KIND_DRUM;
    score->Staff(2)->m_byStaffKind = CKVStaff::KIND_FREE_LINE;
    const std::string before = kvtest::CanonicalDump(Doc());
    EXPECT_EQ(Doc().InsertNewClefMsg(score->Meas(1, 1), 2, 40), 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    EXPECT_TRUE(host.beeps.empty());
    EXPECT_EQ(Doc().InsertNewClefMsg(score->Meas(2, 1), 2, 40), 1);
    EXPECT_EQ(InitClefs(2), Clefs(2, 11));
    EXPECT_EQ(Doc().InsertNewClefMsg(nullptr, 2, 40), 0);
}

TEST_F(ClefTempoBarTest, DeletingAClefChangeThroughTheDocumentUndoesInOneStep)
{
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    ASSERT_EQ(Doc().InsertNewClefMsg(score->Meas(0, 1), 2, 40), 1);
    const std::string before = kvtest::CanonicalDump(Doc());
    CKVMsg* change = FindKind(score->Meas(0, 1), MSG_CLEF);
    ASSERT_NE(change, nullptr);
    Doc().DeleteMsg(change, 1);
    EXPECT_EQ(FindKind(score->Meas(0, 1), MSG_CLEF), nullptr);
    EXPECT_EQ(InitClefs(0), Clefs(1, 0));
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    EXPECT_NE(FindKind(score->Meas(0, 1), MSG_CLEF), nullptr);
    EXPECT_EQ(InitClefs(0), Clefs(2, 11));
}

TEST_F(ClefTempoBarTest, TheClefInForceIsCarriedFromAMeasureToTheEnd)
{
    score->ClefChange(score->Meas(0, 1), 100, 2);
    StepOnly([&] { Doc().UpdateClefType(score->Meas(0, 1)); });
    EXPECT_EQ(InitClefs(0), Clefs(2, 11));
}

TEST_F(ClefTempoBarTest, TempoMarks)
{
    CKVMsg mark;
    mark.m_byKind = MSG_TEMPO;
    unsigned char text[] = {'=', '8', '0'};
    EXPECT_EQ(Doc().SetTempoSign(&mark, 6, 80, 0, text, 3, 0), 1);
    EXPECT_EQ(mark.m_lHeight, 500000);
    EXPECT_EQ(mark.m_wHeadType, 10);
    EXPECT_EQ(mark.m_wDuration, 10);
    EXPECT_EQ(mark.m_wHeadLen, 3);
    EXPECT_EQ(mark.m_byVoice, 2);
    EXPECT_EQ(Doc().SetTempoSign(&mark, 7, 120, 2, text, 3, 2), 1);
    EXPECT_EQ(mark.m_lHeight, 666666);
    EXPECT_EQ(mark.m_wHeadType, 4);
    EXPECT_EQ(mark.m_byAccidental, 1);
    EXPECT_EQ(mark.m_wDuration, 3);
    // No tempo of 0 beats a minute.
    Doc().m_bModified = 0;
    EXPECT_EQ(Doc().SetTempoSign(&mark, 2, 0, 0, text, 3, 2), 0);
    EXPECT_EQ(Doc().SetTempoSign(&mark, 2, -5, 0, text, 3, 2), 0);
    EXPECT_EQ(mark.m_lHeight, 666666);
    EXPECT_EQ(mark.m_wHeadType, 4);
    EXPECT_EQ(Doc().m_bModified, 0);

    tagLYRICSUNIT unit;
    unit.dwWord[0] = 0x04030201;
    unit.dwWord[2] = 0x00FF00;
    EXPECT_EQ(Doc().SetBaseTempo(&mark, 2, 90, 5, unit, 7), 1);
    EXPECT_EQ(mark.m_crColor, 0x00FF00u);
    ASSERT_EQ(mark.m_wHeadLen, 16);
    EXPECT_EQ(mark.m_pHead[0], 1);
    EXPECT_EQ(mark.m_pHead[3], 4);
    EXPECT_EQ(mark.m_pHead[9], 0xFF);
    EXPECT_EQ(mark.m_wHeadType, 3);
    EXPECT_EQ(mark.m_byAccidental, 0);
    EXPECT_EQ(mark.m_wDuration, 2);
    EXPECT_EQ(mark.m_byDots, 1);
    EXPECT_EQ(mark.m_dwWord, 90u);
    EXPECT_EQ(mark.m_lHeight, 1);
    EXPECT_EQ(mark.m_byReplace, 1);
    EXPECT_EQ(mark.m_byVoice, 2);
    EXPECT_EQ(Doc().SetBaseTempo(&mark, 2, 90, 5, unit, 0), 1);
    EXPECT_EQ(mark.m_wDuration, 0xFFFF);
}

TEST_F(ClefTempoBarTest, TempoMarksInTheScoreUndoAndRedo)
{
    // The whole-document backup leaves copies in the score: the mark is
    // looked up after it, as the host picks it.
    score->Symbol(score->Meas(0, 2), MSG_TEMPO, 40);
    auto mark = [&] { return FindKind(score->Meas(0, 2), MSG_TEMPO); };
    unsigned char text[] = {'=', '8', '0'};
    WithBackup([&] { EXPECT_EQ(Doc().SetTempoSign(mark(), 6, 80, 0, text, 3, 2), 1); });
    ASSERT_NE(mark(), nullptr);
    EXPECT_EQ(mark()->m_lHeight, 500000);
    tagLYRICSUNIT unit;
    unit.dwWord[2] = 0x0000FF;
    WithBackup([&] { EXPECT_EQ(Doc().SetBaseTempo(mark(), 2, 90, 5, unit, 7), 1); });
    EXPECT_EQ(mark()->m_crColor, 0x0000FFu);
}

TEST_F(ClefTempoBarTest, MeasureTempoOfTheCurrentColumn)
{
    ASSERT_EQ(Block(0, 1)->m_nFirstMeas, 3);
    WithBackup([&] {
        // The whole-document backup puts the cursor back on the page's start.
        Doc().m_nCurBlock = 1;
        Doc().m_pCurBlock = Block(0, 1);
        Doc().m_nCurMeas = 0;
        Doc().ChangeTempo(96, 0);
    });
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(score->Meas(s, 3)->m_wMarker, 96);
        EXPECT_NE(score->Meas(s, 4)->m_wMarker, 96);
    }
}

TEST_F(ClefTempoBarTest, KeySymbolsAreRemovedAndFreed)
{
    Doc().JumpToPage(0);
    Doc().m_pCurSystem = Master();
    score->Symbol(score->Meas(0, 1), MSG_KEYSIGN, 0);
    score->Symbol(score->Meas(0, 1), MSG_KEYSIGN, 8);
    score->Symbol(score->Meas(0, 2), MSG_KEYSIGN, 0);
    score->Symbol(score->Meas(0, 3), MSG_KEYSIGN, 0);
    const std::string start = kvtest::CanonicalDump(Doc());
    Doc().ResetBackup();
    Doc().ObjectBackup(1);
    Doc().ResetKeySign(0, 1, 2, 0);
    EXPECT_EQ(FindKind(score->Meas(0, 1), MSG_KEYSIGN), nullptr);
    EXPECT_EQ(FindKind(score->Meas(0, 2), MSG_KEYSIGN), nullptr);
    EXPECT_NE(FindKind(score->Meas(0, 3), MSG_KEYSIGN), nullptr);
    Doc().MultiUndoStart();
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), start);
    Doc().MultiRedoStart();

    // An unselected staff with flags & 8, and a system out of range.
    const std::string before = kvtest::CanonicalDump(Doc());
    Doc().ChangeKeySignature(0, 11, 1, 1, 2, 8, 0, 0);
    EXPECT_EQ(kvtest::CanonicalDump(Doc()), before);
    CKVMsg key;
    key.m_byKind = MSG_KEYSIGN;
    EXPECT_EQ(Doc().ChangeCustomKeySign(0, 11, 0, key, 0, 5), 0);
    EXPECT_EQ(Doc().ChangeCustomKeySign(0, 11, 1, key, 8, 0), 0);
}

TEST_F(ClefTempoBarTest, KeysGoToTheSelectedOssiaAndUndo)
{
    // A new ossia leaves the cursor in its block: the key goes to its staff.
    Doc().JumpToPage(0);
    ASSERT_EQ(Doc().InsertOssia(POINT {50, 60}, 0, 0, 2, 4, 15, 0, 80), 1);
    CKVPage* page = Doc().GetCurrentPage();
    ASSERT_EQ(page->GetSelOssiaBlock(), Doc().m_pCurBlock);
    const std::vector<int> masterKeys = [&] {
        std::vector<int> keys;
        for (int i = 0; i < 12; ++i)
            keys.push_back(score->Meas(0, i)->m_byKeyType * 100 + score->Meas(0, i)->m_byKeyCount);
        return keys;
    }();
    WithBackup([&] { Doc().ChangeKeySignature(0, 2, 0, 1, 2, 0, 0, 0); });
    // Undo and redo of the round trip put back the page's ossia block.
    ASSERT_EQ(Doc().GetPage(0)->m_arrOssiaBlock.GetSize(), 1);
    CKVStaff* ossia = Doc().GetPage(0)->m_arrOssiaBlock.GetAt(0)->GetStaff(0);
    ASSERT_EQ(ossia->GetMeasNum(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ossia->GetMeas(i)->m_byKeyType, 1) << i;
        EXPECT_EQ(ossia->GetMeas(i)->m_byKeyCount, 2) << i;
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(score->Meas(0, i)->m_byKeyType * 100 + score->Meas(0, i)->m_byKeyCount, masterKeys[i]) << i;

    // On the master staff, with the cursor back in a normal block.
    Doc().JumpToPage(0);
    ASSERT_EQ(Doc().GetCurrentPage()->GetSelOssiaBlock(), nullptr);
    WithBackup([&] { Doc().ChangeKeySignature(3, 5, 0, 2, 3, 0, 0, 0); });
    for (int i = 3; i <= 5; ++i)
        EXPECT_EQ(score->Meas(0, i)->m_byKeyCount, 3) << i;
}

TEST_F(ClefTempoBarTest, BarLinesOfARun)
{
    StepOnly([&] { EXPECT_EQ(Doc().SetMeasBarType(2, 1, 4, 3, 0), 1); });
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(score->Meas(s, 1)->m_byStartBar, 4);
        EXPECT_EQ(score->Meas(s, 2)->m_byEndBar, 3);
    }
    EXPECT_EQ(Doc().SetMeasBarType(1, 2, -1, 6, 0), 1);
    EXPECT_EQ(score->Meas(0, 1)->m_byStartBar, 4);
    EXPECT_EQ(score->Meas(0, 2)->m_byEndBar, 6);

    StepOnly([&] { EXPECT_EQ(Doc().SetMeasBarTypeEx(0, 2, 4, 0, 0), 1); });
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(score->Meas(1, i)->m_byEndBar, 4);
    EXPECT_NE(score->Meas(1, 3)->m_byEndBar, 4);

    host.freeBytes = 999999;
    EXPECT_EQ(Doc().SetMeasBarType(0, 0, 1, 1, 0), 0);
    EXPECT_EQ(Doc().SetMeasBarTypeEx(0, 0, 1, 1, 0), 0);
    EXPECT_EQ(Doc().SetEndingRepeat(0, 0, 1, "1.", 0), 0);
}

TEST_F(ClefTempoBarTest, RepeatEndings)
{
    Doc().JumpToPage(0);
    ASSERT_EQ(Doc().m_pCurStaff, score->Staff(0));
    auto parts = [&](int from, int to) {
        std::vector<int> out;
        for (int i = from; i <= to; ++i)
            out.push_back(score->Meas(0, i)->m_byEndingPos);
        return out;
    };
    StepOnly([&] { EXPECT_EQ(Doc().SetEndingRepeat(2, 4, 3, "1.", 0), 1); });
    EXPECT_EQ(parts(2, 4), (std::vector<int> {1, 3, 2}));
    EXPECT_EQ(score->Meas(0, 3)->m_byEndingNum, 3);
    EXPECT_STREQ(score->Meas(0, 3)->m_szEndingText, "1.");
    EXPECT_EQ(Doc().SetEndingRepeat(7, 7, 1, "a very long ending text", 5), 1);
    EXPECT_EQ(score->Meas(0, 7)->m_byEndingPos, 4);
    EXPECT_EQ(score->Meas(0, 7)->m_byEndingByte, 5);
    EXPECT_EQ(std::strlen(score->Meas(0, 7)->m_szEndingText), 15u);

    // A new ending that starts inside one cuts it; undo restores the part
    // before it too.
    StepOnly([&] { EXPECT_EQ(Doc().SetEndingRepeat(4, 5, 2, "2.", 0), 1); });
    EXPECT_EQ(parts(2, 5), (std::vector<int> {1, 2, 1, 2}));

    StepOnly([&] { EXPECT_EQ(Doc().SetEndingRepeat(2, 5, 0x4000, "", 0), 1); });
    EXPECT_EQ(parts(2, 5), (std::vector<int> {0, 0, 0, 0}));
    EXPECT_EQ(score->Meas(0, 2)->m_byEndingNum, 0);
    EXPECT_STREQ(score->Meas(0, 2)->m_szEndingText, "");
    EXPECT_EQ(score->Meas(0, 2)->m_arrCtrlPoint.GetSize(), 0);
}

TEST_F(ClefTempoBarTest, EmptyRunsBecomeMultiMeasureRests)
{
    Make(2, 4);
    for (int s = 0; s < 2; ++s)
        score->Setup(score->Meas(s, 3), {.beats = 3});
    LOGFONTA font = Font();
    WithBackup([&] { Doc().CompressRestMeas(0, 3, 50, font); });
    EXPECT_EQ(Master()->GetMeasNum(), 2);
    for (int s = 0; s < 2; ++s) {
        CKVMsg* rest = FindKind(score->Meas(s, 0), MSG_MULTIREST);
        ASSERT_NE(rest, nullptr);
        EXPECT_EQ(rest->m_wObjWord, 3);
        EXPECT_EQ(rest->m_nPosX, 64);
        EXPECT_EQ(rest->m_nPosX2, 192);
        EXPECT_EQ(rest->m_nPosY, 16);
        EXPECT_EQ(rest->m_nPosY2, 16);
        ASSERT_EQ(rest->m_wHeadLen, 60);
        EXPECT_EQ(std::memcmp(rest->m_pHead, &font, 60), 0);
        EXPECT_EQ(score->Meas(s, 1)->m_nTimeNum, 3);
    }
}

TEST_F(ClefTempoBarTest, ExistingRestsAddWhatTheyStandFor)
{
    Make(2, 4);
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < 2; ++m)
            score->Symbol(score->Meas(s, m), MSG_MULTIREST, 64)->m_wObjWord = 3;
    score->Note(score->Meas(0, 2), {.x = 0});
    LOGFONTA font = Font();
    Doc().CompressRestMeas(0, 3, 120, font);
    CKVMsg* rest = FindKind(score->Meas(1, 0), MSG_MULTIREST);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest->m_wObjWord, 6);
    // The percent is capped at 100.
    EXPECT_EQ(rest->m_nPosX, 0);
    EXPECT_EQ(rest->m_nPosX2, 256);
    EXPECT_EQ(Master()->GetMeasNum(), 3);
}

TEST_F(ClefTempoBarTest, RestCompressionByModeRefusesWhatItCannotDo)
{
    LOGFONTA font = Font();
    RECT none {0, 0, 0, 0};
    CKVMeas* meas = score->Meas(0, 0);
    Doc().AddSelRect(SelRect::kMeas, &none, meas, nullptr, Doc().GetBlockByMeas(meas));
    EXPECT_EQ(Doc().CompressRestMeas(50, font, 1), 0);
    EXPECT_EQ(Doc().CompressRestMeas(50, font, 3), 0);
    EXPECT_EQ(Master()->GetMeasNum(), 12);
    WithBackup([&] { EXPECT_EQ(Doc().CompressRestMeas(50, font, 2), 1); });
    EXPECT_EQ(Master()->GetMeasNum(), 1);
    EXPECT_EQ(FindKind(score->Meas(2, 0), MSG_MULTIREST)->m_wObjWord, 12);
}

TEST_F(ClefTempoBarTest, BlockOrderPutsBlocksAtTheLeftEdgeAndUndoesInOneStep)
{
    CKVPage* page = Doc().GetCurrentPage();
    ASSERT_NE(page, nullptr);
    ASSERT_GE(page->m_arrBlock.GetSize(), 2);
    std::vector<LONG> lefts;
    for (int b = 0; b < page->m_arrBlock.GetSize(); ++b) {
        page->m_arrBlock.GetAt(b)->m_rcBlock.OffsetRect(20 + 10 * b, 0);
        lefts.push_back(page->m_arrBlock.GetAt(b)->m_rcBlock.left);
    }
    kvtest::ExpectRoundTrip(Doc(), [&] { EXPECT_EQ(Doc().ScoreOrder(0), 1); });
    page = Doc().GetCurrentPage();
    for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
        EXPECT_EQ(page->m_arrBlock.GetAt(b)->m_rcBlock.left, 1) << b;
    Doc().MultiUndoStart();
    page = Doc().GetCurrentPage();
    for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
        EXPECT_EQ(page->m_arrBlock.GetAt(b)->m_rcBlock.left, lefts[b]) << b;

    host.freeBytes = 10;
    EXPECT_EQ(Doc().ScoreOrder(0), 0);
}

} // namespace
