// A score moved to another device resolution or music-font height keeps its
// notes on their lines and spaces; note-mark distances, handles and the grace
// flags of beam groups are rebuilt on demand.

#include "document/KVFileInfo.h"
#include "model/KVCtrlPoint.h"
#include "support/ScoreGenerator.h"
#include "support/SelectionSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kvtest {
namespace {

constexpr POINT kDpi96 {96, 96};
constexpr POINT kDpi192 {192, 192};
constexpr POINT kDpi600 {600, 600};

// Every valid symbol of the master map.
void ForEachSymbol(CKVDoc& doc, const std::function<void(CKVMsg&)>& visit)
{
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = system->m_arrMsgMap.GetAt(id);
        if (msg && msg->IsValidMapEntry(system) && msg->m_dwMsgId == static_cast<DWORD>(id))
            visit(*msg);
    }
}

class RescaleTest : public SelectionTest {
protected:
    // A 12-point font at the staff space `dpi` gives it.
    void FontAt(int dpi)
    {
        Doc().m_nScoreFontSize = 12;
        Doc().m_nFontHeight = static_cast<short>(MusicFontHeight(12, dpi));
        score->SetLineSpacing(static_cast<short>(Doc().m_nFontHeight / 4));
    }
    CKVMsg* PageText(CKVMsg& text, short x, short y, short x2, short y2)
    {
        text.m_nPosX = x;
        text.m_nPosY = y;
        text.m_nPosX2 = x2;
        text.m_nPosY2 = y2;
        return &text;
    }
};

TEST_F(RescaleTest, NinetySixToSixHundredDotsPerInch)
{
    FontAt(96);
    CKVMsg* note = score->Note(Meas(0, 0), {.x = 64, .y = -12});
    CKVMsg* second = score->Note(Meas(0, 1), {.x = 0, .y = -12});
    CKVMsg* tie = score->Tie(note, second);
    tie->m_nPosX = 5, tie->m_nPosY = -7, tie->m_nPosX2 = 33, tie->m_nPosY2 = -9;
    CKVMsg* text = PageText(*score->Symbol(Meas(0, 2), MSG_TEXT, 100, -40), 100, -40, 150, -20);
    auto* pageText = new CKVMsg;
    pageText->m_byKind = MSG_FREETEXT;
    pageText->m_pPage = Page(0);
    pageText->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    PageText(*pageText, 10, 20, 30, 40);
    Page(0)->AddMsg(pageText);
    for (CKVMsg* title : Doc().m_pTitleMsg)
        PageText(*title, 10, 20, 30, 40);
    // A symbol in a second slot of the map is still rescaled once.
    CKVSystem* system = score->System();
    const int extra = system->m_arrMsgMap.Add(text);

    Doc().UpdatePosLogicDot(kDpi96, kDpi600);
    system->m_arrMsgMap.SetAt(extra, nullptr);
    EXPECT_EQ(text->m_byKind, MSG_TEXT);

    EXPECT_EQ(Doc().m_nFontHeight, 104);
    EXPECT_EQ(Doc().m_nStaffSpace, 26);
    EXPECT_EQ(Doc().m_nFontHeight78, 91);
    EXPECT_EQ(nCurStaffSpace, 26);
    EXPECT_EQ(nPrevStaffSpace, 4);
    EXPECT_EQ(note->m_nPosY, -78);
    EXPECT_EQ(note->m_lHeight, -182);
    EXPECT_EQ(note->m_nPosX, 64);
    EXPECT_EQ((std::vector<int> {tie->m_nPosX, tie->m_nPosY, tie->m_nPosX2, tie->m_nPosY2}),
              (std::vector<int> {5, -7, 33, -9}));
    EXPECT_EQ((std::vector<int> {text->m_nPosX, text->m_nPosY, text->m_nPosX2, text->m_nPosY2}),
              (std::vector<int> {100, -250, 938, -125}));
    for (CKVMsg* msg : {pageText, Doc().m_pTitleMsg[0], Doc().m_pTitleMsg[1], Doc().m_pTitleMsg[2]})
        EXPECT_EQ((std::vector<int> {msg->m_nPosX, msg->m_nPosY, msg->m_nPosX2, msg->m_nPosY2}),
                  (std::vector<int> {63, 125, 188, 250}));
}

TEST_F(RescaleTest, NotesStayOnTheirLinesFromOneNinetyTwo)
{
    FontAt(192);
    CKVMsg* note = score->Note(Meas(0, 0), {.y = 8});
    Doc().UpdatePosLogicDot(kDpi192, kDpi600);
    EXPECT_EQ(nPrevStaffSpace, 8);
    EXPECT_EQ(Doc().m_nStaffSpace, 26);
    EXPECT_EQ(note->m_nPosY, 26);
}

TEST_F(RescaleTest, TinyFontsAndMissingResolutions)
{
    Doc().m_nScoreFontSize = 1;
    Doc().UpdatePosLogicDot(kDpi600, kDpi96);
    EXPECT_EQ(Doc().m_nFontHeight, 8);
    EXPECT_EQ(Doc().m_nStaffSpace, 2);

    // No resolution to scale from or to, and a height that cannot count half
    // spaces: nothing changes.
    FontAt(96);
    score->Note(Meas(0, 0), {.y = -12});
    const std::string before = CanonicalDump(Doc()) + FileInfoDump(Doc());
    Doc().UpdatePosLogicDot(POINT {0, 96}, kDpi600);
    Doc().UpdatePosLogicDot(kDpi96, POINT {600, -1});
    Doc().m_bModified = 0;
    Doc().UpdatePosYA(4, 0);
    EXPECT_EQ(CanonicalDump(Doc()) + FileInfoDump(Doc()), before);
    EXPECT_EQ(Doc().m_bModified, 0);
}

class GeneratedRescaleTest : public KvTest {};

TEST_F(GeneratedRescaleTest, UpAndBackGivesTheSameScore)
{
    auto doc = std::make_unique<CKVDoc>();
    ASSERT_EQ(GenerateScore(*doc, {.staves = 2, .measures = 16}), 1);
    doc->m_bBackupRecord = 1;
    ASSERT_EQ(doc->m_nFontHeight, 24);
    // Custom symbols follow their own rounding; they stay out of this check.
    std::vector<CKVMsg*> custom;
    ForEachSymbol(*doc, [&](CKVMsg& msg) {
        if (msg.m_byKind == MSG_CUSTOM)
            custom.push_back(&msg);
    });
    for (CKVMsg* msg : custom)
        doc->DeleteMsg(msg, 0);
    for (short p = 0; p < doc->GetPageNum(); ++p) {
        CKVPage* page = doc->GetPage(p);
        for (int i = page->GetMsgNum() - 1; i >= 0; --i) {
            if (page->GetMsg(static_cast<short>(i))->m_byKind == MSG_CUSTOM) {
                delete page->GetMsg(static_cast<short>(i));
                page->RemoveMsg(static_cast<short>(i));
            }
        }
    }
    // Notes and rests stand on the half-space grid (3 dots here); one off
    // it would snap onto it at the first rescale and stay there.
    ForEachSymbol(*doc, [](CKVMsg& msg) {
        if (msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST) {
            msg.m_nPosY = static_cast<short>(msg.m_nPosY / 3 * 3);
            msg.m_nPosY2 = static_cast<short>(msg.m_nPosY2 / 3 * 3);
        }
    });
    const std::string original = CanonicalDump(*doc);
    doc->ResetBackup();
    doc->ObjectBackup(1);
    doc->UpdateScoreSpace(3, 2);
    const std::string edited = CanonicalDump(*doc) + FileInfoDump(*doc);

    std::map<CKVMsg*, int> ys;
    std::map<CKVMsg*, std::vector<int>> ties;
    ForEachSymbol(*doc, [&](CKVMsg& msg) {
        if (msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST) {
            EXPECT_EQ(msg.m_nPosY % 3, 0);
            ys[&msg] = msg.m_nPosY;
        } else if (msg.m_byKind == MSG_TIE || msg.m_byKind == MSG_SLUR) {
            ties[&msg] = {msg.m_nPosX, msg.m_nPosY, msg.m_nPosX2, msg.m_nPosY2};
        }
    });
    doc->UpdatePosLogicDot(kDpi96, kDpi600);
    EXPECT_EQ(doc->m_nFontHeight, 144);
    EXPECT_EQ(doc->m_nStaffSpace, 36);
    for (auto& [msg, y] : ys)
        EXPECT_EQ(msg->m_nPosY, 6 * y);
    for (auto& [msg, points] : ties)
        EXPECT_EQ((std::vector<int> {msg->m_nPosX, msg->m_nPosY, msg->m_nPosX2, msg->m_nPosY2}), points);

    doc->UpdatePosLogicDot(kDpi600, kDpi96);
    EXPECT_EQ(CanonicalDump(*doc) + FileInfoDump(*doc), edited);
    doc->MultiUndoStart();
    EXPECT_EQ(CanonicalDump(*doc), original);
}

TEST_F(RescaleTest, NoteMarkDistancesForTheLiveNotes)
{
    score->SetLineSpacing(8);
    score->Note(Meas(0, 0), {.y = -8});
    score->Rest(Meas(1, 2), {.x = 64});
    score->Chord(Meas(0, 3), {.x = 0}, {0, -8, -16});
    ExpectRoundTrip(
        Doc(),
        [&] {
            Doc().ResetBackup();
            Doc().ObjectBackup(1);
            Doc().UpdateNoteMarkPos(3, 2);
        },
        HostStep::None);
    EXPECT_EQ(nAccidentalDistance, 6);
    EXPECT_EQ(nNoteMarkDistance, 4);
    int seen = 0;
    for (int staff = 0; staff < 2; ++staff) {
        for (int m = 0; m < 8; ++m) {
            CKVMeas* meas = Meas(staff, m);
            for (int i = 0; i < meas->GetMsgNum(); ++i) {
                CKVMsg* msg = meas->GetMsg(static_cast<short>(i));
                if (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST)
                    continue;
                EXPECT_EQ(msg->AccidentalOffset(), 6);
                EXPECT_EQ(msg->MarkOffset(), 4);
                ++seen;
            }
        }
    }
    EXPECT_GE(seen, 2);
}

TEST_F(RescaleTest, HandlesOfOssiaStavesAreRebuiltToo)
{
    AddOssiaBlock(2);
    CKVMeas* ossiaMeas = score->System()->GetOssiaStaff(0)->GetMeas(0);
    CKVMsg* inOssia = score->Note(ossiaMeas, {.y = -8});
    CKVMsg* inStaff = score->Note(Meas(0, 0), {.y = -8});
    Doc().UpdateMsgCtrlRect();
    const CRect before = *HandleAt(*inOssia, 0);
    for (SIZE& size : Doc().m_sizeHead)
        size = SIZE {size.cx + 6, size.cy + 6};
    Doc().UpdateMsgCtrlRect();
    ASSERT_NE(CRect(*HandleAt(*inStaff, 0)), before);
    EXPECT_EQ(CRect(*HandleAt(*inOssia, 0)), CRect(*HandleAt(*inStaff, 0)));
}

TEST_F(RescaleTest, GraceFlagOfGroupsFollowsTheMembers)
{
    CKVMsg* mixed = score->Beam(Meas(0, 0), {.x = 0, .flags = MSGFLAG_GRACE});
    score->Grace(mixed, {.x = 0, .code = DUR_EIGHTH});
    CKVMsg* normal = score->Note(mixed, {.x = 32, .code = DUR_EIGHTH});
    CKVMsg* graces = score->Beam(Meas(0, 1), {.x = 0});
    CKVMsg* g1 = score->Grace(graces, {.x = 0, .code = DUR_EIGHTH});
    score->Grace(graces, {.x = 16, .code = DUR_EIGHTH});
    ExpectRoundTrip(Doc(), [&] {
        Doc().ResetBackup();
        Doc().ObjectBackup(1);
        Doc().UpdateBeamOfGraceNote();
    });
    EXPECT_EQ(Meas(0, 0)->GetMsg(0)->m_wFlag & MSGFLAG_GRACE, 0);
    EXPECT_NE(Meas(0, 1)->GetMsg(0)->m_wFlag & MSGFLAG_GRACE, 0);
    EXPECT_NE(Meas(0, 1)->GetMsg(0)->GetMsg(0)->m_wFlag & MSGFLAG_GRACE, 0);
    EXPECT_EQ(Meas(0, 0)->GetMsg(0)->GetMsg(1)->m_wFlag & MSGFLAG_GRACE, 0);
    static_cast<void>(normal), static_cast<void>(g1);
}

} // namespace
} // namespace kvtest
