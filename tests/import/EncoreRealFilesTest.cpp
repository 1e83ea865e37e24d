// The Encore reader on the real files beside the repository: atraing.enc (the
// older symbol layout, no DRUM chunk) read whole and cut at every chunk, and
// the two files of the later layout refused. Skipped where ../shared is absent.

#include "EncoreTestSupport.h"

#include <numeric>
#include <set>

using namespace kvtest;

namespace {

class EncoreRealFiles : public KvTest {
protected:
    std::vector<BYTE> Load(const std::string& name)
    {
        const auto path = SharedEncoreFile(name);
        if (!path)
            return {};
        return LoadBytes(*path);
    }
};

#define KV_LOAD_OR_SKIP(bytes, name)                                  \
    const std::vector<BYTE> bytes = Load(name);                       \
    if (bytes.empty())                                                \
        GTEST_SKIP() << name << " is not beside the repository";

TEST_F(EncoreRealFiles, LaterLayoutFilesAreRefused)
{
    for (const char* name : {"bazo.enc", "ritmo.enc"}) {
        KV_LOAD_OR_SKIP(bytes, name);
        host.progress.clear();
        EncRead read = ReadEncore(bytes);
        EXPECT_EQ(read.result, 0) << name;
        EXPECT_EQ(read.doc->GetReadFailure(), EncReadFailure::LaterLayout) << name;
        EXPECT_EQ(host.progress.size(), 2u) << name;
        EXPECT_EQ(read.doc->m_arrTrack.GetSize(), 0) << name;
    }
}

TEST_F(EncoreRealFiles, AtraingRecords)
{
    KV_LOAD_OR_SKIP(bytes, "atraing.enc");
    EncRead read = ReadEncore(bytes);
    ASSERT_EQ(read.result, 1);
    CEncDoc& doc = *read.doc;
    EXPECT_EQ(doc.m_bSwap, 0);
    EXPECT_EQ(doc.GetReadFailure(), EncReadFailure::None);
    EXPECT_EQ(host.progress.size(), 11u);
    EXPECT_EQ(doc.dwSize(), 0xC2u);
    EXPECT_EQ(doc.wVersion(), 0x305);
    EXPECT_EQ(doc.wSysNumb(), 44);
    EXPECT_EQ(doc.wPageNumb(), 44);
    EXPECT_EQ(doc.byInstruPerSys(), 31);
    EXPECT_EQ(doc.byStaffPerSys(), 31);
    EXPECT_EQ(doc.wMeasNumb(), 130);
    EXPECT_EQ(doc.byRestEditStatus(), 0xEE);
    EXPECT_EQ(doc.byMeasIncNumb(), 1);
    EXPECT_EQ(doc.m_dwShortSymbols, 0u);

    ASSERT_EQ(doc.m_arrTrack.GetSize(), 31);
    for (int t = 0; t < 31; ++t) {
        const CEncTrack* track = doc.m_arrTrack[t];
        char tag[5];
        std::snprintf(tag, sizeof tag, "TK%02d", t);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(track->m_byRecord), 4), tag);
        EXPECT_EQ(track->byStaffNum(), 1);
        EXPECT_EQ(track->m_nStaffIndex[0], t);
        const bool bass = t == 14 || t == 16 || t == 17 || t == 21 || t == 22 || t >= 28;
        EXPECT_EQ(track->byClef(0), bass ? 1 : 0) << t;
    }
    EXPECT_EQ(std::string(doc.m_arrTrack[0]->szName()), "-<>-<>-<>-<>-");
    EXPECT_EQ(std::string(doc.m_arrTrack[1]->szName()), "\"Take The");
    EXPECT_EQ(std::string(doc.m_arrTrack[15]->szName()), "Piano - Top");
    EXPECT_EQ(std::string(doc.m_arrTrack[30]->szName()), "Trombone 4");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(doc.m_arrTrack[12]->byInstrument(i), 72);
        EXPECT_EQ(doc.m_arrTrack[14]->byCharnel(i), 9);
    }
    EXPECT_EQ(doc.m_arrTrack[14]->byInstrument(0), 41);

    ASSERT_EQ(doc.GetPageNum(), 44);
    for (int i = 0; i < 44; ++i) {
        CEncPage* page = doc.GetPage(i);
        EXPECT_EQ(page->dwSize(), 26u);
        ASSERT_EQ(page->m_arrSystem.GetSize(), 1);
        EXPECT_EQ(page->wStartLineNo(), i);
        EXPECT_EQ(page->wLineNumb(), 1);
        EXPECT_EQ(page->wStaffNumb(), 31);
        CEncSystem* system = page->m_arrSystem[0];
        EXPECT_EQ(system->dwSize(), 956u);
        ASSERT_EQ(system->m_arrStaff.GetSize(), 31);
        EXPECT_EQ(system->wPageNo(), i);
        EXPECT_EQ(system->wStartMeasNo(), i == 43 ? 129 : 3 * i);
        EXPECT_EQ(system->wMeasNumb(), i == 43 ? 1 : 3);
        EXPECT_EQ(system->wX(), i == 0 ? 84 : 0);
        for (int j = 0; j < 31; ++j) {
            const CEncStaff* staff = system->GetStaff(j);
            EXPECT_EQ(staff->wY(), i == 0 ? 110 + 46 * j : 112 + 60 * j);
            EXPECT_EQ(staff->byState(), j == 30 ? 3 : 1);
            EXPECT_EQ(staff->byEnha(), 0);
            EXPECT_EQ(staff->byChordLabel(), 14);
            for (int k = 0; k < 8; ++k)
                EXPECT_EQ(staff->SongPos(k), -4 * (k + 1));
        }
    }

    ASSERT_EQ(doc.m_arrMeas.GetSize(), 130);
    uint64_t notesSize = 0;
    for (int m = 0; m < 130; ++m) {
        const CEncMeas* meas = doc.m_arrMeas[m];
        EXPECT_EQ(meas->byPak1(), 4) << m;
        EXPECT_EQ(meas->byPak2(), 4) << m;
        EXPECT_EQ(meas->byChPak(), 0);
        EXPECT_EQ(meas->wTempo(), 163);
        EXPECT_EQ(meas->byPakArea(), m == 0 ? 45 : (m % 3 == 0 ? 30 : 0)) << m;
        const int distance = m == 129 ? 540 : (m < 3 ? (m == 0 ? 182 : 137) : (m % 3 == 0 ? 200 : 170));
        EXPECT_EQ(meas->wMeasDistance(), distance) << m;
        EXPECT_EQ(meas->byLineRoot(), m < 3 ? 137 : (m == 129 ? 504 : 170)) << m;
        EXPECT_EQ(meas->byBoldaSymbol(), 0);
        EXPECT_EQ(meas->byRtFixDisp(), 0);
        EXPECT_EQ(meas->m_arrSkipped.GetSize(), 0);
        notesSize += meas->dwNotesSize();
    }
    EXPECT_EQ(doc.m_arrMeas[0]->dwNotesSize(), 678u);
    EXPECT_EQ(doc.m_arrMeas[1]->dwNotesSize(), 558u);
    EXPECT_EQ(doc.m_arrMeas[2]->dwNotesSize(), 1048u);
    EXPECT_EQ(doc.m_arrMeas[3]->dwNotesSize(), 1120u);
    EXPECT_EQ(notesSize, 307958u);

    EXPECT_EQ(doc.m_dwPrecLength, 212u);
    for (int r = 0; r < 7; ++r) {
        const BYTE* record = doc.m_byTitle + 2304 + 10 * r;
        EXPECT_EQ(std::vector<WORD>({GetWord(record), GetWord(record + 2), GetWord(record + 4),
                                     GetWord(record + 6), GetWord(record + 8)}),
                  std::vector<WORD>({62, 12, 0, 0, 15}));
    }
    std::vector<WORD> words;
    for (int i = 0; i < 10; ++i)
        words.push_back(GetWord(doc.m_byTitle + 2374 + 2 * i));
    EXPECT_EQ(words, std::vector<WORD>({7, 100, 0, 3, 80, 0, 2, 2, 2, 2}));
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(std::string(doc.SubTitle(i)->szText()), "");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::string(doc.Copyright(i)->szText()), "");
    EXPECT_EQ(doc.m_arrText.GetSize(), 0);
    EXPECT_TRUE(std::all_of(doc.m_byColor, doc.m_byColor + 174, [](BYTE b) { return b == 0; }));
    ASSERT_EQ(doc.m_arrFontName.GetSize(), 71);
    for (int i = 0; i < 71; ++i) {
        const std::string name = std::string(doc.m_arrFontName[i]);
        EXPECT_EQ(name, i == 1 ? "Arial" : (i == 62 ? "Times New Roman" : "")) << i;
    }
    EXPECT_EQ(doc.m_arrFontNumber.GetSize(), 0);
}

TEST_F(EncoreRealFiles, AtraingSymbols)
{
    KV_LOAD_OR_SKIP(bytes, "atraing.enc");
    EncRead read = ReadEncore(bytes, nullptr);
    ASSERT_EQ(read.result, 1);
    CEncDoc& doc = *read.doc;
    int notes = 0, rests = 0, ties = 0, beams = 0, others = 0, largest = 0, total = 0;
    WORD minKey = 255, maxKey = 0, minVelocity = 255, maxVelocity = 0, minDuration = 0xFFFF, maxDuration = 0;
    for (int m = 0; m < doc.m_arrMeas.GetSize(); ++m) {
        CEncMeas* meas = doc.m_arrMeas[m];
        EXPECT_EQ(meas->m_arrType1Symbols.GetSize() + meas->m_arrType2Symbols.GetSize() +
                      meas->m_arrOctaveLineSymbols.GetSize(), 0);
        largest = std::max(largest, meas->m_arrNoteRestSymbols.GetSize());
        for (auto* list : {&meas->m_arrNoteRestSymbols, &meas->m_arrType4Symbols})
            for (int i = 1; i < list->GetSize(); ++i)
                EXPECT_LE(CompareEncSymbols(list->GetAt(i - 1), list->GetAt(i)), 0);
        for (const CEncSymbol* s : AllSymbols(meas)) {
            ++total;
            EXPECT_EQ(s->wColor(), 0);
            switch (s->WhatIsSymbol()) {
            case 9:
                ++notes;
                EXPECT_EQ(s->byLength(), 28);
                EXPECT_EQ(s->DataLength(), 18u);
                EXPECT_EQ(s->UpMark() | s->UpMarkPos() | s->DownMark() | s->DownMarkPos(), 0);
                minKey = std::min<WORD>(minKey, s->byKeyNo());
                maxKey = std::max<WORD>(maxKey, s->byKeyNo());
                minVelocity = std::min<WORD>(minVelocity, s->byVelocity());
                maxVelocity = std::max<WORD>(maxVelocity, s->byVelocity());
                minDuration = std::min(minDuration, s->wDuration());
                maxDuration = std::max(maxDuration, s->wDuration());
                break;
            case 8:
                ++rests;
                EXPECT_EQ(s->byLength(), 18);
                break;
            case 3:
                ++ties;
                EXPECT_EQ(s->byLength(), 18);
                break;
            case 4:
                ++beams;
                EXPECT_GE(s->byKind(), 1);
                EXPECT_LE(s->byKind(), 6);
                EXPECT_EQ(s->byLength(), 14 + 16 * s->byKind());
                break;
            case 11:
                ++others;
                EXPECT_EQ(s->byLength(), 12);
                break;
            default:
                ADD_FAILURE() << "symbol type " << int(s->WhatIsSymbol());
            }
        }
    }
    EXPECT_EQ(total, 15475);
    EXPECT_EQ(notes, 7326);
    EXPECT_EQ(rests, 5606);
    EXPECT_EQ(ties, 1804);
    EXPECT_EQ(beams, 400);
    EXPECT_EQ(others, 339);
    EXPECT_EQ(largest, 196);
    EXPECT_EQ(minKey, 27);
    EXPECT_EQ(maxKey, 98);
    EXPECT_EQ(minVelocity, 47);
    EXPECT_EQ(maxVelocity, 127);
    EXPECT_EQ(minDuration, 1);
    EXPECT_EQ(maxDuration, 1016);

    CEncMeas* first = doc.m_arrMeas[0];
    EXPECT_EQ(first->m_arrNoteRestSymbols.GetSize(), 31);
    EXPECT_EQ(first->m_arrOtherSymbols.GetSize() + first->m_arrType3Symbols.GetSize() +
                  first->m_arrType4Symbols.GetSize(), 18);
    CEncMeas* second = doc.m_arrMeas[1];
    ASSERT_EQ(second->m_arrNoteRestSymbols.GetSize(), 34);
    std::vector<const CEncSymbol*> secondNotes;
    for (int i = 0; i < 34; ++i)
        if (second->m_arrNoteRestSymbols[i]->WhatIsSymbol() == 9)
            secondNotes.push_back(second->m_arrNoteRestSymbols[i]);
    ASSERT_EQ(secondNotes.size(), 2u);
    EXPECT_EQ(secondNotes[0]->wX(), 12);
    EXPECT_EQ(secondNotes[1]->wX(), 74);
    for (const CEncSymbol* note : secondNotes) {
        EXPECT_EQ(note->byStaff() & 0x3F, 14);
        EXPECT_EQ(note->byY(), -2);
        EXPECT_EQ(note->byKeyNo(), 37);
        EXPECT_EQ(note->wDuration(), 120);
        EXPECT_EQ(note->byVelocity(), 100);
    }
}

TEST_F(EncoreRealFiles, AtraingListingsBeginAsExpected)
{
    KV_LOAD_OR_SKIP(bytes, "atraing.enc");
    EncRead read = ReadEncore(bytes, nullptr);
    ASSERT_EQ(read.result, 1);
    const auto begins = [](const CString& text, const std::string& start) {
        return std::string(text).substr(0, start.size()) == start;
    };
    CString doc, meas, track, page;
    read.doc->PrintOutOfStatus(doc);
    read.doc->m_arrMeas[0]->PrintOutOfStatus(meas);
    read.doc->m_arrTrack[0]->PrintOutOfStatus(track);
    read.doc->GetPage(0)->PrintOutOfStatus(page);
    EXPECT_TRUE(begins(doc, "Track Count = 31\r\nPage Count = 44\r\nMeas Count = 130\r\ndwMark = 574f4353\r\n"
                            "dwSize = c2\r\nszTittle = \r\nwVersion = 305\r\nwMemSzK = 166\r\n"))
        << std::string(doc);
    EXPECT_TRUE(begins(meas, "Symbol Count = 0\r\ndwMark = 5341454d\r\ndwNotesSize = 2a6\r\nwTempo = a3\r\n"));
    EXPECT_TRUE(begins(track, "dwMark = 30304b54\r\ndwSize = 70\r\nszName = -<>-<>-<>-<>-\r\n"));
    EXPECT_TRUE(begins(page, "System Count = 1\r\ndwMark = 45474150\r\ndwSize = 1a\r\nwStartLineNo = 0\r\n"
                             "wLineNumb = 1\r\n"));
    // The other listings run over every record without changing it.
    CString rest;
    read.doc->Test();
    read.doc->GetPage(0)->m_arrSystem[0]->PrintOutOfStatus(rest);
    read.doc->GetPage(0)->m_arrSystem[0]->GetStaff(0)->PrintOutOfStatus(rest);
    for (const CEncSymbol* s : AllSymbols(read.doc->m_arrMeas[1]))
        const_cast<CEncSymbol*>(s)->PrintOutOfStatus(rest);
    EXPECT_NE(std::string(rest).find("Symbol is Note"), std::string::npos);
}

// Every prefix that ends at a chunk start, or one byte before it, reads with
// 0 and Damaged, except the ends after the measures and after each optional
// block, which stand for a file without its DRUM chunk.
TEST_F(EncoreRealFiles, AtraingCutAtEveryChunk)
{
    KV_LOAD_OR_SKIP(bytes, "atraing.enc");
    ASSERT_EQ(bytes.size(), 366365u);
    std::vector<size_t> starts = {0};
    for (size_t t = 0; t < 31; ++t)
        starts.push_back(194 + 112 * t);
    for (size_t p = 0; p < 44; ++p)
        starts.push_back(3666 + 34 * p);
    for (size_t l = 0; l < 44; ++l)
        starts.push_back(5162 + 964 * l);
    size_t at = 47578;
    for (int m = 0; m < 130; ++m) {
        starts.push_back(at);
        at += 62 + GetDword(bytes.data() + at + 4);
    }
    ASSERT_EQ(at, 363596u);
    for (size_t block : {363596u, 363816u, 366250u, 366266u, 366365u})
        starts.push_back(block);
    ASSERT_EQ(starts.size(), 255u); // 254 chunks and the end
    const std::set<size_t> complete = {363596, 363816, 366250, 366266, 366365};
    for (size_t end : starts) {
        for (size_t cut : {end, end - 1}) {
            if (cut > bytes.size())
                continue;
            EncRead read = ReadEncore(std::vector<BYTE>(bytes.begin(), bytes.begin() + cut), nullptr);
            const bool whole = complete.count(cut) != 0;
            EXPECT_EQ(read.result, whole ? 1 : 0) << cut;
            EXPECT_EQ(read.doc->GetReadFailure(), whole ? EncReadFailure::None : EncReadFailure::Damaged) << cut;
        }
    }
}

} // namespace
