// Encore measure texts, lyrics, chord symbols and tempo marks converted one
// by one, and the page texts, header, footer and staff-name places that the
// title block gives.

#include "EncoreConvertSupport.h"
#include "harmony/ChordSymbol.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"

#include <cstring>
#include <string>

using namespace kvtest;

namespace {

using Bytes = std::vector<BYTE>;

Bytes Concat(Bytes a, const std::string& text, Bytes b = {})
{
    a.insert(a.end(), text.begin(), text.end());
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A measure text (kind 30) over text item 0 with one run of sub text 0.
struct MeasText {
    std::string text = "A\r\nB";
    WORD height = 16;
    WORD right = 120;
    WORD stringNo = 0;
    WORD property = 0;

    EncoreFile File() const
    {
        EncoreSymbol box = EncMark(0, 0, 30, {0, 0, 20, static_cast<WORD>(-10), 0, right, 10, 0, 0, 0, 1, stringNo});
        box.wColor = 5;
        EncoreFile f = ConvertEncore({box});
        EncoreTextItem item;
        item.runs = {{0, property}};
        item.subTexts = {{1, height, 2}};
        item.text = text;
        f.blocks.insert(f.blocks.begin(), EncText({item}));
        return f;
    }
};

int ConvertText(EncConvertRun& run)
{
    return run.doc.EncToKVC_MeasText(&run.enc, run.System(), run.EncMeas(), run.Other(0), run.Meas(), 1, 0);
}

class EncoreTexts : public KvTest {};

TEST_F(EncoreTexts, MeasureTextRecords)
{
    const Bytes start = {0x01, 0x01, 0x00, 0x02, 0x05, 0x00, 0x03, 0x02, 0x04, 0x0C, 0x00, 0x05, 0x00, 0x30,
                         0x20, 0x10, 0x07, 0x00, 0x00, 0x00, 0x00};
    const Bytes lines = Concat(start, "", {0x06, 0x03, 0x00, 'A', 0x0D, 0x0A, 0x06, 0x01, 0x00, 'B'});
    for (const std::string text : {"A\r\nB", "A\rB"}) {
        SCOPED_TRACE(text.size());
        MeasText t;
        t.text = text;
        EncConvertRun run(t.File());
        ASSERT_EQ(ConvertText(run), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        CKVMsg* msg = run.Meas()->GetMsg(0);
        EXPECT_EQ(msg->m_byKind, MSG_FREETEXT);
        EXPECT_EQ(msg->m_nPosX, 0);
        EXPECT_EQ(msg->m_nPosY, -4);
        EXPECT_EQ(msg->m_nPosX2, 100);
        EXPECT_EQ(msg->m_nPosY2, 20);
        EXPECT_EQ(msg->m_wHeadType, 256);
        EXPECT_EQ(msg->m_wDuration, 0);
        EXPECT_EQ(msg->m_crColor, kEncNoteTextColor5);
        EXPECT_EQ(HeadOf(*msg), lines);
    }
    {
        MeasText t;
        t.text = "A\x04" "B";
        EncConvertRun run(t.File());
        ASSERT_EQ(ConvertText(run), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        EXPECT_EQ(HeadOf(*run.Meas()->GetMsg(0)), Concat(start, "", {0x06, 0x01, 0x00, 'A', 0x0A, 0x06, 0x01, 0x00, 'B'}));
    }
    {
        MeasText t;
        t.height = 169;
        EncConvertRun run(t.File());
        ASSERT_EQ(ConvertText(run), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        EXPECT_EQ(HeadOf(*run.Meas()->GetMsg(0))[9], 127);
    }
    // Too high, a box narrower than half the height, a text or sub text that
    // is not there: nothing.
    MeasText high, narrow, noText, noSub;
    high.height = 171;
    narrow.right = 25;
    noText.stringNo = 3;
    noSub.property = 2;
    for (const MeasText& t : {high, narrow, noText, noSub}) {
        EncConvertRun run(t.File());
        EXPECT_EQ(ConvertText(run), 1);
        EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
    }
}

EncoreSymbol Lyric(WORD x, const std::string& syllable, BYTE verse = 0)
{
    Bytes data(10);
    PutWords(data, 0, {x, 1, 16});
    EncoreSymbol s = EncRawSymbol(6, 0, Concat(data, syllable, {0}));
    s.voice = verse;
    return s;
}

int ConvertLyric(EncConvertRun& run, CEncSymbol* symbol)
{
    return run.doc.EncToKVC_Lyric(&run.enc, run.System(), run.EncMeas(), symbol, run.Meas(),
                                  static_cast<BYTE>(symbol->WhatIsVoice() + 1));
}

TEST_F(EncoreTexts, LyricsFindTheirNote)
{
    const Bytes head = Concat({0x05, 0, 0, 0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0x06, 0, 0, 0}, "lyrics");
    for (BYTE param1 : {0, 4}) {
        SCOPED_TRACE(param1);
        EncoreSymbol lyric = Lyric(45, "lyrics");
        lyric.param1 = param1;
        EncoreFile f = ConvertEncore({EncNote(0, 0, 0, 0, 60, 120, 100, 1, 3), EncNote(0, 0, 90, 0, 60, 120, 100, 1, 3),
                                      lyric});
        f.lines[0].staves[0].songPos[0] = -4;
        EncConvertRun run(f);
        ASSERT_EQ(run.ConvertAll(), 1);
        const Bytes data = SymbolBytes(run.Other(0));
        ASSERT_EQ(ConvertLyric(run, run.Other(0)), 1);
        std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
        ASSERT_EQ(notes.size(), 2u);
        ASSERT_EQ(notes[0]->GetMsgNum(), 1);
        EXPECT_EQ(notes[1]->GetMsgNum(), 0);
        CKVMsg* msg = notes[0]->GetMsg(0);
        EXPECT_EQ(msg->m_byKind, MSG_LYRIC);
        EXPECT_EQ(msg->m_byVoice, 2);
        EXPECT_EQ(msg->m_nPosX, param1 == 4 ? 63 : 45);
        EXPECT_EQ(msg->m_nPosY, 0);
        EXPECT_EQ(HeadOf(*msg), head);
        EXPECT_EQ(run.Meas()->m_wVoiceWord[0], 9);
        EXPECT_EQ(run.Meas()->m_dwTrailWord1, 1u);
        // The Encore data stays as read, so a second conversion scales alike.
        EXPECT_EQ(SymbolBytes(run.Other(0)), data);
        ASSERT_EQ(ConvertLyric(run, run.Other(0)), 1);
        ASSERT_EQ(notes[0]->GetMsgNum(), 2);
        EXPECT_EQ(HeadOf(*notes[0]->GetMsg(1)), head);
    }
    {
        EncConvertRun run(ConvertEncore({EncRest(0, 0, 0, 0, 3), EncRest(0, 0, 90, 0, 3), Lyric(100, "la"),
                                         Lyric(100, "la", 8)}));
        ASSERT_EQ(run.ConvertAll(), 1);
        EXPECT_EQ(ConvertLyric(run, run.Other(0)), 1);
        EXPECT_EQ(ConvertLyric(run, run.Other(1)), 1);
        std::vector<CKVMsg*> rests = NotesOf(*run.Meas());
        ASSERT_EQ(rests.size(), 2u);
        EXPECT_EQ(rests[0]->GetMsgNum(), 0);
        ASSERT_EQ(rests[1]->m_nPosX, 128);
        EXPECT_EQ(rests[1]->GetMsgNum(), 1);
    }
}

int ConvertChord(EncConvertRun& run)
{
    return run.doc.EncToKVC_ChordSymbol(&run.enc, run.System(), run.EncMeas(), run.Other(0), run.Meas(), 1);
}

TEST_F(EncoreTexts, ChordSymbols)
{
    auto file = [](BYTE param1, BYTE suffix = 55, WORD time = 0) {
        EncoreSymbol chord = EncChord(0, 0, 90, suffix, {90, 0x2614});
        chord.param1 = param1;
        chord.wTime = time;
        EncoreFile f = ConvertEncore({chord});
        f.lines[0].staves[0].byChordLabel = 14;
        return f;
    };
    {
        EncConvertRun run(file(6));
        ASSERT_EQ(ConvertChord(run), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        auto* chord = dynamic_cast<CChordSymbol*>(run.Meas()->GetMsg(0));
        ASSERT_NE(chord, nullptr);
        EXPECT_EQ(chord->m_byKind, MSG_CHORDSYMBOL);
        EXPECT_EQ(chord->m_nPosX, 128);
        EXPECT_EQ(chord->m_nPosY, -60);
        EXPECT_EQ(chord->m_nRoot, 11);
        EXPECT_EQ(chord->m_nBass, 16);
        EXPECT_EQ(chord->m_Surfix.GetRealName(), "m7");
        EXPECT_EQ(chord->m_bShowFret, 1);
    }
    {
        EncConvertRun run(file(4));
        // The staff record is missing: the default row.
        for (int i = 0; i < run.System()->m_arrStaff.GetSize(); ++i)
            delete run.System()->m_arrStaff[i];
        run.System()->m_arrStaff.RemoveAll();
        ASSERT_EQ(ConvertChord(run), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        auto* chord = dynamic_cast<CChordSymbol*>(run.Meas()->GetMsg(0));
        ASSERT_NE(chord, nullptr);
        EXPECT_EQ(chord->m_nBass, 0);
        EXPECT_EQ(chord->m_nPosY, -24);
    }
    for (EncoreFile f : {file(6, 55, 0xFFFF), file(6, 63)}) {
        EncConvertRun run(f);
        EXPECT_EQ(ConvertChord(run), 1);
        EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
    }
}

TEST_F(EncoreTexts, TempoMarks)
{
    struct Case {
        WORD tempo;
        LONG perQuarter;
    };
    for (const Case c : {Case {0, 500000}, Case {163, 368098}}) {
        SCOPED_TRACE(c.tempo);
        EncConvertRun run(ConvertEncore({EncMark(0, 0, 50, {110, 2, 0, 0, 0, 0, 0, 0, 0, 0x8202, c.tempo, 1, 16, 1})}));
        ASSERT_EQ(run.doc.EncToKVC_Metronome(&run.enc, run.System(), run.EncMeas(), run.Other(0), run.Meas(), 1, 0), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        CKVMsg* mark = run.Meas()->GetMsg(0);
        EXPECT_EQ(mark->m_byKind, MSG_TEMPO);
        EXPECT_EQ(mark->m_nPosX, 128);
        EXPECT_EQ(mark->m_nPosY, 12);
        EXPECT_EQ(mark->m_wFlag, 1);
        EXPECT_EQ(HeadOf(*mark), (Bytes {0x05, 0x00, 0x0C, 0x00, 0x01}));
        EXPECT_EQ(mark->m_lHeight, c.perQuarter);
        if (c.tempo == 0) {
            EXPECT_EQ(mark->m_wDuration, DUR_QUARTER);
            EXPECT_EQ(mark->m_byDots, 1);
        } else {
            EXPECT_EQ(mark->m_dwWord, c.tempo);
        }
    }
    EncConvertRun run(ConvertEncore({EncMark(0, 0, 50, {110, 2, 0, 0, 0, 0, 0, 0, 0, 0x8202, 0xFFF0, 1, 16, 1})}));
    EXPECT_EQ(run.doc.EncToKVC_Metronome(&run.enc, run.System(), run.EncMeas(), run.Other(0), run.Meas(), 1, 0), 1);
    EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
}

// --- Page texts ------------------------------------------------------------

// Fills one title item of the title block in memory.
void PutItem(CEncDoc& enc, int offset, std::initializer_list<int> words, const std::string& text, int byte21 = 0)
{
    BYTE* item = enc.m_byTitle + offset;
    int at = 10;
    for (int w : words) {
        item[at] = static_cast<BYTE>(w & 0xFF);
        item[at + 1] = static_cast<BYTE>((w >> 8) & 0xFF);
        at += 2;
    }
    item[21] = static_cast<BYTE>(byte21);
    std::memcpy(item + 32, text.data(), text.size());
}

TEST_F(EncoreTexts, MakeTextOfTitleItems)
{
    CKVDoc doc;
    CEncDoc enc;
    enc.m_arrFontNumber.SetSize(2);
    enc.m_arrFontNumber[1] = 5;
    ENC_SUBTITTLE item {};
    std::memcpy(item.m_byData + 10, "\x01\x00\x0E\x00\x01\x00", 6);
    std::memcpy(item.m_byData + 32, "Title", 5);
    char buffer[1024];
    int w = 7;
    int h = 7;
    const int n = doc.EncToKVC_MakeText(&enc, &item, 1, buffer, &w, &h);
    const Bytes expected = {0x01, 0x01, 0x00, 0x02, 0x05, 0x00, 0x03, 0x01, 0x04, 0x0E, 0x00, 0x05, 0x00, 0x00,
                            0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x06, 0x07, 0x00, 0x54,
                            0x69, 0x74, 0x6C, 0x65, 0x0D, 0x0A};
    ASSERT_EQ(n, 34);
    EXPECT_EQ(Bytes(buffer, buffer + n), expected);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    // A text of 80 characters runs into the next item; 64 are taken.
    ENC_SUBTITTLE two[2] {};
    std::memset(two[0].m_byData + 32, 'x', 80);
    EXPECT_EQ(doc.EncToKVC_MakeText(&enc, two, 1, buffer, &w, &h), 27 + 66);
    EXPECT_EQ(buffer[25] | buffer[26] << 8, 66);
    ENC_COPYRIGHT empty[6] {};
    EXPECT_EQ(doc.EncToKVC_MakeText(&enc, empty, 6, buffer, &w, &h), 0);
}

struct PageTextRun : EncConvertRun {
    PageTextRun() : EncConvertRun(ConvertEncore({})) {}
    CKVPage* Page(int i) { return doc.GetPage(static_cast<short>(i)); }
    int P() { return Page(0)->m_rcPrint.Width(); }
    void AddPages(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto* page = new CKVPage;
            page->m_pDoc = &doc;
            page->Create(doc.m_pFileInfo);
            page->m_rcPrint = Page(0)->m_rcPrint;
            page->m_rcPrint.bottom -= 10 * (i + 1);
            doc.AddPage(page);
        }
    }
};

TEST_F(EncoreTexts, TitleLinesOnTheFirstPage)
{
    for (bool centred : {true, false}) {
        SCOPED_TRACE(centred);
        PageTextRun run;
        if (centred)
            PutItem(run.enc, 0, {1, 14, 1}, "C");
        PutItem(run.enc, 3 * 96, {1, 14, 1}, "L");
        PutItem(run.enc, 6 * 96, {1, 14, 1}, "R");
        run.doc.EncToKVC_Title(nullptr, &run.enc);
        CKVPage* page = run.Page(0);
        ASSERT_EQ(page->GetMsgNum(), centred ? 3 : 2);
        std::vector<std::pair<int, int>> at;
        for (short i = 0; i < page->GetMsgNum(); ++i) {
            CKVMsg* msg = page->GetMsg(i);
            EXPECT_EQ(msg->m_byKind, MSG_FREETEXT);
            EXPECT_EQ(msg->m_wHeadType, 256);
            EXPECT_EQ(msg->m_wDuration, 1);
            EXPECT_EQ(msg->m_byVoice, 1);
            EXPECT_EQ(msg->m_crColor, 0u);
            at.emplace_back(msg->m_nPosX, msg->m_nPosY);
        }
        std::vector<std::pair<int, int>> expected = {{0, 12}, {run.P(), 12}};
        if (centred)
            expected.insert(expected.begin(), {run.P() / 2, 0});
        EXPECT_EQ(at, expected);
    }
}

TEST_F(EncoreTexts, CopyrightLinesAtTheFootOfPages)
{
    struct Case {
        int first;
        int step;
        std::vector<int> pages;
    };
    for (const Case& c : {Case {0, 1, {0, 2, 4}}, Case {5, 1, {}}, Case {-3, 1, {0, 2, 4}}, Case {0, 0xFFFF, {0}}}) {
        SCOPED_TRACE(c.first);
        PageTextRun run;
        run.AddPages(4);
        ASSERT_EQ(run.doc.GetPageNum(), 5);
        PutItem(run.enc, 1344, {1, 12, 0, 0, 0, 0, c.first, c.step}, "(c)");
        run.doc.EncToKVC_Copyright(nullptr, &run.enc);
        std::vector<int> pages;
        for (int p = 0; p < 5; ++p) {
            CKVPage* page = run.Page(p);
            if (page->GetMsgNum() == 0)
                continue;
            pages.push_back(p);
            ASSERT_EQ(page->GetMsgNum(), 1);
            CKVMsg* msg = page->GetMsg(0);
            EXPECT_EQ(msg->m_wHeadType, 0);
            EXPECT_EQ(msg->m_nPosX, run.P() / 2);
            EXPECT_EQ(msg->m_nPosY, page->m_rcPrint.Height());
        }
        EXPECT_EQ(pages, c.pages);
    }
}

TEST_F(EncoreTexts, HeaderAndFooter)
{
    {
        PageTextRun run;
        PutItem(run.enc, 10 * 96, {1, 0x010E, 2, -1, 0, 0, -2, 4}, "Page #P", 3);
        PutItem(run.enc, 12 * 96, {1, 10, 0, 5}, "Foot");
        run.doc.EncToKVC_Header(nullptr, &run.enc);
        run.doc.EncToKVC_Footer(nullptr, &run.enc);
        EXPECT_EQ(HeadOf(*run.doc.m_pTitleMsg[1]),
                  Concat({0x05, 0x00, 0x0E, 0x02, 0x00, 0x03, 0x00, 0x00, 0x05, 0x00, 0x07, 0x00}, "Page #P",
                         {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}));
        // An alignment that is none of left, centre and right is left.
        const Bytes footer = HeadOf(*run.doc.m_pTitleMsg[0]);
        ASSERT_EQ(footer.size(), 12u + 4 + 12);
        EXPECT_EQ(footer[4], 0);
    }
    {
        PageTextRun run;
        const Bytes before = HeadOf(*run.doc.m_pTitleMsg[1]);
        run.doc.EncToKVC_Header(nullptr, &run.enc);
        EXPECT_EQ(HeadOf(*run.doc.m_pTitleMsg[1]), before);
        // A text without its NUL is cut to 64 bytes.
        std::memset(run.enc.m_byTitle + 10 * 96 + 32, 'x', 64 + 96);
        run.doc.EncToKVC_Header(nullptr, &run.enc);
        const Bytes head = HeadOf(*run.doc.m_pTitleMsg[1]);
        ASSERT_EQ(head.size(), 12u + 64 + 12 + 64);
        EXPECT_EQ(head[10] | head[11] << 8, 64);
    }
}

TEST_F(EncoreTexts, NamesOfInstrumentsOfSeveralStavesAreCentred)
{
    EncConvertRun run(SkeletonEncore());
    CKVBlock* block = run.doc.GetPage(0)->GetBlock(0);
    ASSERT_GE(block->m_arrStaffNamePoint.GetSize(), 3);
    ASSERT_EQ(block->m_arrStaffY[2] - block->m_arrStaffY[1], 60);
    std::vector<int> before;
    for (int s = 0; s < 3; ++s)
        before.push_back(block->m_arrStaffNamePoint[s] ? block->m_arrStaffNamePoint[s]->y : -1);
    ASSERT_NE(before[0], -1);
    ASSERT_NE(before[1], -1);
    run.doc.EncToKVC_StaffNamePos_Correction(&run.enc);
    EXPECT_EQ(block->m_arrStaffNamePoint[0]->y, before[0]);
    EXPECT_EQ(block->m_arrStaffNamePoint[1]->y, before[1] + 30);
}

} // namespace
