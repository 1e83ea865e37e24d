#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kvtest::AppendU32;
using kvtest::Bytes;
using kvtest::HeadOf;
using kvtest::KvTest;

void SetHead(CKVMsg* msg, const Bytes& head)
{
    msg->SetHead(static_cast<short>(head.size()), const_cast<BYTE*>(head.data()));
}

// A custom-symbol block with no strokes, one text primitive holding one
// text item, and an image count of 0 after it.
Bytes CustomBlock(const std::string& text)
{
    Bytes b(16, 0);
    b[0] = 0x11;
    b[4] = 8;
    AppendU32(b, 0);       // strokes
    AppendU32(b, 1);       // text primitives
    AppendU32(b, 0x1000A); // kind 10, items up to 1
    AppendU32(b, 1);       // text items
    for (int i = 0; i < 108; ++i)
        b.push_back(static_cast<BYTE>(i));
    AppendU32(b, static_cast<DWORD>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    AppendU32(b, 0); // images
    return b;
}

class KVUpgradeTest : public KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        SetAnsiCodePage(1252);
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
        doc.SetScoreFontSize(6);
        ASSERT_EQ(doc.CreateDocument(2, 4, 1, 4, 4), 1);
        ASSERT_GE(doc.GetPageNum(), 1);
    }

    CKVMeas* Meas(short staff, int index) { return doc.m_arrSystem.GetAt(0)->GetStaff(staff)->GetMeas(index); }

    // A symbol owned by a measure (or another symbol), so that it sits in
    // the master system's map.
    CKVMsg* AddChild(CKVObject* parent, BYTE kind, const Bytes& head = {})
    {
        CKVMsg* msg = new CKVMsg;
        msg->Initialize(parent->m_pSystem, OBJ_MSG);
        msg->m_byKind = kind;
        msg->m_byVoice = 1;
        if (!head.empty())
            SetHead(msg, head);
        EXPECT_GT(parent->CKVObject::AddMsg(msg, kHolderOwns, kParentHere), 0);
        return msg;
    }

    CKVMsg* AddPageSymbol(short page, BYTE kind, const Bytes& head)
    {
        CKVPage* p = doc.GetPage(page);
        CKVMsg* msg = new CKVMsg;
        msg->Initialize(nullptr, OBJ_MSG);
        msg->m_byKind = kind;
        msg->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
        msg->m_pPage = p;
        SetHead(msg, head);
        p->AddMsg(msg);
        return msg;
    }

    CKVDoc doc;
};

TEST_F(KVUpgradeTest, CurrentVersionChangesNothing)
{
    CKVMsg* text = AddChild(Meas(0, 0), MSG_FREETEXT, {0x06, 0x01, 0x00, 0x41});
    CKVMsg* note = AddChild(Meas(0, 0), MSG_NOTE, Bytes(12, 0));
    note->m_wFlag = MSGFLAG_TREMOLO_START | MSGFLAG_TIE_START;
    doc.m_bModified = 0;

    doc.FileVerUp(8210);
    EXPECT_EQ(HeadOf(text), (Bytes {0x06, 0x01, 0x00, 0x41}));
    EXPECT_EQ(note->m_wFlag, MSGFLAG_TREMOLO_START | MSGFLAG_TIE_START);
    EXPECT_EQ(doc.m_bModified, 0);
}

TEST_F(KVUpgradeTest, TextRunsBecomeUtf16)
{
    CKVMsg* text = AddChild(Meas(0, 0), MSG_FREETEXT, {0x02, 0x03, 0x00, 0x06, 0x04, 0x00, 0x41, 0x0D, 0x0A, 0x42, 0x08});
    CKVMsg* euro = AddChild(Meas(1, 0), MSG_TEXT, {0x06, 0x01, 0x00, 0x80});
    CKVMsg* pageText = AddPageSymbol(0, MSG_FREETEXT, {0x06, 0x02, 0x00, 0x0D, 0x0A});
    // Cut off by the end of the head: left as it is.
    CKVMsg* broken = AddPageSymbol(0, MSG_FREETEXT, {0x06, 0x05, 0x00, 0x41});
    CKVMsg* brokenTag = AddChild(Meas(0, 1), MSG_FREETEXT, {0x05, 0x01, 0x02});
    doc.m_bModified = 0;

    doc.FileVerUp(8209);

    Bytes expected {0x02, 0x03, 0x00, 0x06, 0x0E, 0x00, 0x41, 0x00, 0x0D, 0x00, 0x42, 0x00};
    expected.insert(expected.end(), 8, 0);
    expected.push_back(0x08);
    EXPECT_EQ(HeadOf(text), expected);

    Bytes euroExpected {0x06, 0x0A, 0x00, 0xAC, 0x20};
    euroExpected.insert(euroExpected.end(), 8, 0);
    EXPECT_EQ(HeadOf(euro), euroExpected);

    Bytes crOnly {0x06, 0x0A, 0x00, 0x0D, 0x00};
    crOnly.insert(crOnly.end(), 8, 0);
    EXPECT_EQ(HeadOf(pageText), crOnly);

    EXPECT_EQ(HeadOf(broken), (Bytes {0x06, 0x05, 0x00, 0x41}));
    EXPECT_EQ(HeadOf(brokenTag), (Bytes {0x05, 0x01, 0x02}));
    EXPECT_EQ(doc.m_bModified, 0);
}

TEST_F(KVUpgradeTest, UndefinedByteDoesNotStopTheText)
{
    // 0x81 is not defined in Windows-1252.
    CKVMsg* text = AddChild(Meas(0, 0), MSG_FREETEXT, {0x06, 0x02, 0x00, 0x81, 0x41});
    doc.FileVerUp(8209);
    Bytes head = HeadOf(text);
    ASSERT_EQ(head.size(), 3u + 4u + 8u);
    EXPECT_EQ(head[1], 12);
    EXPECT_EQ(head[5], 0x41);
}

TEST_F(KVUpgradeTest, LyricsBecomeUtf16)
{
    CKVMsg* note = AddChild(Meas(0, 0), MSG_NOTE, Bytes(12, 0));
    Bytes lyricHead(16, 0x33);
    lyricHead[12] = 2;
    lyricHead.push_back('l');
    lyricHead.push_back('a');
    CKVMsg* lyric = AddChild(note, MSG_LYRIC, lyricHead);

    CKVMsg* rest = AddChild(Meas(1, 0), MSG_REST);
    Bytes shortHead(16, 0);
    shortHead[12] = 5; // claims more text than the head holds
    shortHead.push_back('x');
    CKVMsg* broken = AddChild(rest, MSG_LYRIC, shortHead);

    doc.FileVerUp(8209);

    Bytes expected(16, 0x33);
    expected[12] = 2;
    expected.insert(expected.end(), {0x6C, 0x00, 0x61, 0x00});
    EXPECT_EQ(HeadOf(lyric), expected);
    EXPECT_EQ(HeadOf(broken), shortHead);
}

TEST_F(KVUpgradeTest, CustomSymbolTextsBecomeUtf16OnEveryPage)
{
    const Bytes block = CustomBlock("la");
    CKVMsg* onPage = AddPageSymbol(doc.GetPageNum() - 1, MSG_CUSTOM, block);
    CKVMsg* inMeasure = AddChild(Meas(0, 0), MSG_CUSTOM, block);
    doc.m_nCurPage = 0;

    doc.FileVerUp(8209);

    Bytes expected = CustomBlock("la");
    const size_t lengthAt = 16 + 4 + 4 + 4 + 4 + 108;
    expected.erase(expected.begin() + static_cast<long>(lengthAt) + 4, expected.begin() + static_cast<long>(lengthAt) + 6);
    expected.insert(expected.begin() + static_cast<long>(lengthAt) + 4, {0x6C, 0x00, 0x61, 0x00});
    for (CKVMsg* msg : {onPage, inMeasure}) {
        EXPECT_EQ(HeadOf(msg), expected);
        EXPECT_EQ(HeadOf(msg).size(), block.size() + 2);
        EXPECT_EQ(msg->m_wDuration, block.size() + 2);
        EXPECT_EQ(msg->m_wFlag, block.size() + 2);
    }
}

TEST_F(KVUpgradeTest, DamagedCustomBlocksStayUnchanged)
{
    Bytes noText = CustomBlock("la");
    noText.resize(16);
    AppendU32(noText, 0);
    AppendU32(noText, 0); // no text primitives
    Bytes cut = CustomBlock("la");
    cut[16 + 16 + 108] = 50; // text length past the block
    Bytes hugeStrokes = CustomBlock("la");
    hugeStrokes[16] = 0xFF;
    hugeStrokes[17] = 0xFF;
    hugeStrokes[18] = 0xFF;
    hugeStrokes[19] = 0x7F;
    for (const Bytes& block : {noText, cut, hugeStrokes}) {
        CKVMsg* msg = AddPageSymbol(0, MSG_CUSTOM, block);
        msg->m_wDuration = 7;
        msg->m_wFlag = 9;
        doc.ConvertSymbolMsg(msg);
        EXPECT_EQ(HeadOf(msg), block);
        EXPECT_EQ(msg->m_wDuration, 7);
        EXPECT_EQ(msg->m_wFlag, 9);
    }
}

TEST_F(KVUpgradeTest, ConversionThatWouldOutgrowAHeadIsDropped)
{
    // 4,000 text bytes become 8,008; with five runs the head passes 32,767.
    Bytes head;
    for (int run = 0; run < 5; ++run) {
        head.insert(head.end(), {0x06, 0xA0, 0x0F});
        head.insert(head.end(), 4000, 'a');
    }
    CKVMsg* text = AddPageSymbol(0, MSG_FREETEXT, head);
    doc.ConvertTextMsg(text);
    EXPECT_EQ(HeadOf(text), head);
}

TEST_F(KVUpgradeTest, OlderTremoloFlagsAreCleared)
{
    CKVMsg* note = AddChild(Meas(0, 0), MSG_NOTE, Bytes(12, 0));
    note->m_wFlag = MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END | MSGFLAG_TIE_START;
    CKVMsg* rest = AddChild(Meas(0, 1), MSG_REST);
    rest->m_wFlag = MSGFLAG_TREMOLO_START;
    CKVMsg* beam = AddChild(Meas(1, 0), MSG_BEAM);
    beam->m_dwWord = 0x00120034;

    doc.FileVerUp(8209);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END | MSGFLAG_TIE_START);
    EXPECT_EQ(beam->m_dwWord, 0x00120034u);

    doc.FileVerUp(8208);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_TIE_START);
    EXPECT_EQ(rest->m_wFlag, MSGFLAG_TREMOLO_START);
    EXPECT_EQ(beam->m_dwWord, 0u);
}

TEST_F(KVUpgradeTest, ChangeMeasInfosTurnsThinBarsIntoSingleBars)
{
    CKVMeas* first = Meas(0, 0);
    first->m_byStartBar = CKVMeas::BAR_THIN;
    first->m_byEndBar = CKVMeas::BAR_THIN;
    CKVMeas* second = Meas(1, 1);
    second->m_byStartBar = 5;
    second->m_byEndBar = CKVMeas::BAR_THIN;
    CKVMeas* third = Meas(1, 2);
    third->m_byStartBar = CKVMeas::BAR_FINAL;
    third->m_byEndBar = CKVMeas::BAR_THIN;

    doc.ChangeMeasInfos();
    EXPECT_EQ(first->m_byStartBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(first->m_byEndBar, CKVMeas::BAR_THIN);
    EXPECT_EQ(second->m_byStartBar, 5);
    EXPECT_EQ(second->m_byEndBar, CKVMeas::BAR_SINGLE);
    EXPECT_EQ(third->m_byEndBar, CKVMeas::BAR_THIN);
}

TEST_F(KVUpgradeTest, ChangeMsgInfosGrowsTextBoxesAndLiftsMarks)
{
    CKVMsg* text = AddChild(Meas(0, 0), MSG_FREETEXT);
    text->m_nPosX = 100;
    text->m_nPosY = -50;
    text->m_nPosX2 = 40;
    text->m_nPosY2 = 20;
    CKVMsg* kept = AddChild(Meas(0, 1), MSG_TEXT);
    kept->m_wHeadType = 0x0100;
    kept->m_nPosX = 100;
    kept->m_nPosY2 = 20;
    CKVMsg* pageText = AddPageSymbol(0, MSG_FREETEXT, {0x08});
    pageText->m_nPosX = 10;
    CKVMsg* note = AddChild(Meas(1, 0), MSG_NOTE, Bytes(12, 0));
    CKVMsg* mark = AddChild(note, MSG_NOTEMARK);
    mark->m_wHeadType = 16;
    mark->m_nPosY = -30;
    CKVMsg* otherMark = AddChild(note, MSG_NOTEMARK);
    otherMark->m_wHeadType = 15;
    otherMark->m_nPosY = -30;

    doc.ChangeMsgInfos();
    EXPECT_EQ(text->m_nPosX, 93);
    EXPECT_EQ(text->m_nPosY, -57);
    EXPECT_EQ(text->m_nPosX2, 54);
    EXPECT_EQ(text->m_nPosY2, 34);
    EXPECT_EQ(kept->m_nPosX, 100);
    EXPECT_EQ(kept->m_nPosY2, 20);
    EXPECT_EQ(pageText->m_nPosX, 3);
    EXPECT_EQ(mark->m_nPosY, -33);
    EXPECT_EQ(otherMark->m_nPosY, -30);
}

} // namespace

namespace {

// The texts of an imported score: text runs and lyrics become UTF-16 in the
// platform's code page; coda heads and custom symbols are left alone.
TEST_F(KVUpgradeTest, ImportedTextsBecomeUtf16WithoutTheOtherUpgradeSteps)
{
    CKVMsg* text = AddChild(Meas(0, 0), MSG_TEXT, {0x06, 0x04, 0x00, 'C', 'a', 'f', 0xE9});
    CKVMsg* pageText = AddPageSymbol(0, MSG_TEXT, {0x06, 0x04, 0x00, 'C', 'a', 'f', 0xE9});
    CKVMsg* note = AddChild(Meas(0, 1), MSG_NOTE, Bytes(12, 0));
    Bytes lyricHead(16, 0);
    lyricHead[12] = 2;
    lyricHead.push_back('s');
    lyricHead.push_back(0xE9);
    CKVMsg* lyric = AddChild(note, MSG_LYRIC, lyricHead);
    const Bytes codaHead {0, 0, 12, 0, 0, 'F', 'i', 'n', 'e'};
    CKVMsg* coda = AddChild(Meas(0, 2), MSG_CODA, codaHead);
    const Bytes block = CustomBlock("la");
    CKVMsg* custom = AddChild(Meas(1, 0), MSG_CUSTOM, block);
    note->m_wFlag = MSGFLAG_TREMOLO_START;

    doc.ConvertImportedTexts();

    Bytes cafe {0x06, 0x10, 0x00, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0};
    cafe.insert(cafe.end(), 8, 0);
    EXPECT_EQ(HeadOf(text), cafe);
    EXPECT_EQ(HeadOf(pageText), cafe);
    Bytes se(16, 0);
    se[12] = 2;
    se.insert(se.end(), {'s', 0, 0xE9, 0});
    EXPECT_EQ(HeadOf(lyric), se);
    EXPECT_EQ(HeadOf(coda), codaHead);
    EXPECT_EQ(HeadOf(custom), block);
    EXPECT_EQ(note->m_wFlag, MSGFLAG_TREMOLO_START);

    SetAnsiCodePage(1250);
    CKVMsg* polish = AddChild(Meas(1, 1), MSG_TEXT, {0x06, 0x01, 0x00, 0xA5});
    doc.ConvertImportedTexts();
    EXPECT_EQ(HeadOf(polish)[3], 0x04);
    EXPECT_EQ(HeadOf(polish)[4], 0x01);
}

} // namespace
