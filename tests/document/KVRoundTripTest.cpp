// Whole scores through the body: a generated score of every kind saves and
// loads back equal and then byte-stable; chord symbols travel through the
// symbol records of their measure; the older chord kinds pass unchanged.

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/CanonicalDump.h"
#include "support/ChordSupport.h"
#include "support/KvTest.h"
#include "support/NodeSupport.h"
#include "support/RecordBytes.h"
#include "support/ScoreGenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using kvtest::Bytes;
using kvtest::Children;
using kvtest::Concat;
using kvtest::FileBytes;

Bytes SaveBody(CKVDoc& doc)
{
    CMemFile file;
    EXPECT_EQ(doc.Save(&file), 1);
    return FileBytes(file);
}

short LoadBody(CKVDoc& doc, const Bytes& body)
{
    CMemFile file;
    file.Write(body.data(), static_cast<UINT>(body.size()));
    file.SeekToBegin();
    return doc.Load(&file, 3);
}

Bytes Slice(const Bytes& bytes, size_t from, size_t count)
{
    EXPECT_LE(from + count, bytes.size());
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

class KVRoundTripTest : public kvtest::KvTest {};

TEST_F(KVRoundTripTest, GeneratedScoreLoadsEqualAndThenSavesTheSameBytes)
{
    ASSERT_TRUE(kvtest::GeneratorMakesChordSymbols());
    CKVDoc generated;
    ASSERT_EQ(kvtest::GenerateScore(generated), 1);
    const Bytes first = SaveBody(generated);

    CKVDoc loaded;
    ASSERT_EQ(LoadBody(loaded, first), 0);
    // Saving refreshes the chord symbols' packed words, so the generated
    // tree is dumped after its save.
    EXPECT_EQ(kvtest::CanonicalDump(loaded), kvtest::CanonicalDump(generated));

    // Ids are now in reading order; from here on nothing changes.
    const Bytes second = SaveBody(loaded);
    ASSERT_EQ(second.size(), first.size());
    CKVDoc again;
    ASSERT_EQ(LoadBody(again, second), 0);
    EXPECT_EQ(SaveBody(again), second);
    EXPECT_EQ(kvtest::CanonicalDump(again), kvtest::CanonicalDump(generated));

    // The chord symbols came back as chord symbols with their parts.
    int chords = 0;
    int rhythms = 0;
    CKVSystem* master = again.m_arrSystem.GetAt(0);
    for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = master->GetMsgFromMap(static_cast<DWORD>(id));
        if (!msg || msg->m_byKind != MSG_CHORDSYMBOL)
            continue;
        CChordSymbol* chord = dynamic_cast<CChordSymbol*>(msg);
        ASSERT_NE(chord, nullptr);
        ++chords;
        EXPECT_EQ(chord->m_Surfix.GetRealName(), "m7");
        EXPECT_EQ(chord->m_FretBoard.m_FretInfo.m_nBaseFret, 4);
        if (chord->m_pRhythm) {
            ++rhythms;
            EXPECT_EQ(chord->m_pRhythm->m_RtmData.m_bLoaded, 1);
            EXPECT_EQ(chord->m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
        }
    }
    EXPECT_GT(chords, 0);
    EXPECT_GT(rhythms, 0);
    EXPECT_LT(rhythms, chords);
}

// A fret text (22): name "Am7", then its 8 fret bytes in a 50-byte head. A
// chord name text (23): F#m7(9,11)/C#, its suffix, two tension parts and
// the bass root byte.
void AddOlderChordTexts(CKVMeas* meas)
{
    CKVMsg* fret = new CKVMsg;
    fret->m_byKind = MSG_OLDFRET;
    fret->m_byVoice = 1;
    fret->m_nPosX = 30;
    fret->m_nPosY = -60;
    fret->m_wDuration = 0x1234;
    fret->m_wObjWord = 0x0005;
    fret->m_dwWord = 3;
    Bytes head(50, 0);
    std::memcpy(head.data(), "Am7", 3);
    const BYTE frets[8] = {0, 0, 2, 0, 1, 0, 255, 0};
    std::memcpy(head.data() + 3, frets, sizeof frets);
    fret->SetHead(static_cast<short>(head.size()), head.data());
    ASSERT_EQ(meas->AddMsg(fret, kHolderOwns), 1);

    CKVMsg* name = new CKVMsg;
    name->m_byKind = MSG_OLDCHORDNAME;
    name->m_byVoice = 1;
    name->m_nPosX = 120;
    name->m_nPosY = -60;
    name->m_wDuration = 3; // F
    name->m_wObjWord = 1;  // #
    name->m_dwWord = 2;    // "m7"
    name->m_nPosY2 = 2;    // two tension parts
    name->m_nPosX2 = 1;    // bass C#
    const Bytes text = {'m', '7', 1, '9', 2, '1', '1', 0};
    Bytes copy = text;
    name->SetHead(static_cast<short>(copy.size()), copy.data());
    ASSERT_EQ(meas->AddMsg(name, kHolderOwns), 1);
}

TEST_F(KVRoundTripTest, OlderChordTextsReadCleanlyAndSaveBackTheSame)
{
    CKVDoc generated;
    ASSERT_EQ(kvtest::GenerateScore(generated, kvtest::GeneratedScoreShape {2, 4, 3}), 1);
    CKVMeas* meas = generated.m_arrSystem.GetAt(0)->GetStaff(1)->GetMeas(2);
    AddOlderChordTexts(meas);
    std::vector<CKVMsg*> originals;
    for (CKVMsg* msg : Children(meas)) {
        if (msg && (msg->m_byKind == MSG_OLDFRET || msg->m_byKind == MSG_OLDCHORDNAME))
            originals.push_back(msg);
    }
    ASSERT_EQ(originals.size(), 2u);

    CKVDoc loaded;
    ASSERT_EQ(LoadBody(loaded, SaveBody(generated)), 0);
    // The reader makes chord symbols of both texts.
    std::vector<CChordSymbol*> back;
    for (CKVMsg* msg : Children(loaded.m_arrSystem.GetAt(0)->GetStaff(1)->GetMeas(2))) {
        auto* chord = dynamic_cast<CChordSymbol*>(msg);
        if (chord && chord->m_nPosY == -60 && (chord->m_nPosX == 30 || chord->m_nPosX == 120))
            back.push_back(chord);
    }
    ASSERT_EQ(back.size(), 2u);
    for (CChordSymbol* chord : back) {
        EXPECT_EQ(chord->m_byKind, MSG_CHORDSYMBOL);
        EXPECT_EQ(chord->m_wHeadLen, 0);
    }
    EXPECT_EQ(back[0]->m_nRoot, 13);  // A
    EXPECT_EQ(back[0]->m_nBass, 0);
    EXPECT_EQ(back[0]->m_Surfix.GetRealName(), CString("m7"));
    EXPECT_EQ(back[1]->m_nRoot, 8);   // F#
    EXPECT_EQ(back[1]->m_nBass, 2);   // C#
    EXPECT_EQ(back[1]->m_Surfix.GetRealName(), CString("m7(9,11)"));

    const Bytes second = SaveBody(loaded);
    CKVDoc again;
    ASSERT_EQ(LoadBody(again, second), 0);
    EXPECT_EQ(SaveBody(again), second);
}

// --- Chord symbols through the records of their measure ------------------------

class KVChordInMeasureTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        doc.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                          POINT {96, 96});
        doc.SetScoreFontSize(6);
        ASSERT_EQ(doc.CreateDocument(1, 1, 1, 4, 4), 1);
    }

    CKVMeas* Meas() { return doc.m_arrSystem.GetAt(0)->GetStaff(0)->GetMeas(0); }

    // C#m7/E: root 1, bass 7, "m7" with codes 3, 4, 3, name shown, no
    // diagram.
    CChordSymbol* AddChord()
    {
        CChordSymbol* chord = new CChordSymbol;
        chord->m_byVoice = 1;
        chord->m_nPosX = 64;
        chord->m_nPosY = -56;
        kvtest::MakeCSharpMinor7OverE(*chord);
        EXPECT_EQ(Meas()->AddMsg(chord, kHolderOwns), 1);
        return chord;
    }

    // The measure's record: header, the chord's reference, the chord's
    // symbol record and node part, its chord part, then the trailer.
    Bytes MeasureRecord()
    {
        unsigned char* buffer = nullptr;
        DWORD used = 0;
        DWORD capacity = 0;
        EXPECT_EQ(Meas()->Write(buffer, &used, &capacity), 1);
        Bytes bytes(buffer, buffer + used);
        std::free(buffer);
        return bytes;
    }

    // The score read back into a document of its own; its only measure.
    CKVMeas* ReadBack(CKVDoc& into)
    {
        CMemFile file;
        EXPECT_EQ(doc.Save(&file), 1);
        file.SeekToBegin();
        EXPECT_EQ(into.Load(&file, 3), 0);
        return into.m_arrSystem.GetAt(0)->GetStaff(0)->GetMeas(0);
    }

    static CChordSymbol* ChordOf(CKVMeas* meas)
    {
        for (CKVMsg* msg : Children(meas)) {
            if (msg && msg->m_byKind == MSG_CHORDSYMBOL)
                return dynamic_cast<CChordSymbol*>(msg);
        }
        return nullptr;
    }

    static constexpr size_t kChordRecord = 12 + 8;     // after the measure header and reference
    static constexpr size_t kChordNode = kChordRecord + 44;
    static constexpr size_t kChordPart = kChordNode + 12;

    CKVDoc doc;
};

TEST_F(KVChordInMeasureTest, NodeWordsCarryRootBassAndShowFlags)
{
    AddChord();
    const Bytes record = MeasureRecord();
    ASSERT_EQ(record.size(), kChordPart + 82 + 96);
    EXPECT_EQ(record[kChordRecord], MSG_CHORDSYMBOL);
    EXPECT_EQ(Slice(record, kChordNode, 12), (Bytes {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0C, 0x00, 0x01, 0x00,
                                                     0x07, 0x00}));
    Bytes board(44, 0);
    board[0] = 0x46;
    board[2] = 0x10;
    board[14] = 0x03;
    board[18] = 0x04;
    const Bytes part = Concat({{0x02, 0x00, 0x6D, 0x37, 0x03, 0x03, 0x04, 0x03},
                               board,
                               {0x00, 0x00, 0xF0, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00},
                               {0x00, 0x00, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0, 0, 0, 0, 0, 0, 0, 0},
                               {0x00, 0x00}});
    EXPECT_EQ(Slice(record, kChordPart, 82), part);

    CKVDoc other;
    CChordSymbol* back = ChordOf(ReadBack(other));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_nRoot, 1);
    EXPECT_EQ(back->m_nBass, 7);
    EXPECT_TRUE(back->m_bShowName);
    EXPECT_FALSE(back->m_bShowFret);
    EXPECT_EQ(back->m_nPosX, 64);
    EXPECT_EQ(back->m_Surfix.GetRealName(), "m7");
    const CChordSurfixInfo codes = back->m_Surfix.GetInfo();
    ASSERT_EQ(codes.GetSize(), 3);
    EXPECT_EQ(codes.GetAt(0), 3);
    EXPECT_EQ(codes.GetAt(1), 4);
    EXPECT_EQ(codes.GetAt(2), 3);
    EXPECT_TRUE(back->m_FretBoard.m_FretInfo.IsFretEmpty());
    EXPECT_EQ(back->m_pRhythm, nullptr);
    EXPECT_EQ(other.m_arrSystem.GetAt(0)->GetMsgFromMap(back->m_dwMsgId), back);
}

TEST_F(KVChordInMeasureTest, TheDictionarysCodesWinOverTheStoredOnes)
{
    AddChord();
    auto* entry = new CChordSurfix;
    entry->SetRealName("m7");
    CChordSurfixInfo dictionary;
    for (const BYTE code : {3, 4, 4})
        dictionary.AddInfo(code);
    entry->SetInfo(dictionary);
    procChordSurfix.AddSurfix(entry);

    CKVDoc other;
    CChordSymbol* back = ChordOf(ReadBack(other));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_Surfix.GetRealName(), "m7");
    const CChordSurfixInfo codes = back->m_Surfix.GetInfo();
    ASSERT_EQ(codes.GetSize(), 3);
    EXPECT_EQ(codes.GetAt(0), 3);
    EXPECT_EQ(codes.GetAt(1), 4);
    EXPECT_EQ(codes.GetAt(2), 4);
}

TEST_F(KVChordInMeasureTest, ARhythmFollowsItsFlagInTheMeasure)
{
    CChordSymbol* chord = AddChord();
    kvtest::AddRhythm(*chord);

    const Bytes record = MeasureRecord();
    const Bytes names = {3, 0, 'P', 'o', 'p', 6, 0, '8', ' ', 'b', 'e', 'a', 't',
                         8, 0, 'p', 'o', 'p', '8', '.', 'k', 'v', 'c'};
    const Bytes data = {0x2E, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0xC0, 0x03, 0x01, 0x00, 0x00, 0x00,
                        0x10, 0x00, 0x00, 0x3C, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                        0x00, 0x00, 0x40, 0x00, 0x01, 0x00, 0x06, 0x00, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x00};
    const size_t flag = kChordPart + 80;
    const size_t rhythmRecord = flag + 2;
    const size_t namesAt = rhythmRecord + 44 + 12;
    ASSERT_EQ(record.size(), namesAt + names.size() + data.size() + 96);
    EXPECT_EQ(Slice(record, flag, 2), (Bytes {0x01, 0x00}));
    EXPECT_EQ(record[rhythmRecord], MSG_RHYTHM);
    EXPECT_EQ(Slice(record, namesAt, names.size()), names);
    EXPECT_EQ(Slice(record, namesAt + names.size(), data.size()), data);

    CKVDoc other;
    CKVMeas* meas = ReadBack(other);
    CChordSymbol* back = ChordOf(meas);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->m_pRhythm, nullptr);
    EXPECT_EQ(back->m_pRhythm->GetRtmGrpName(), "Pop");
    EXPECT_EQ(back->m_pRhythm->GetRtmPatName(), "8 beat");
    EXPECT_EQ(back->m_pRhythm->GetRtmFileName(), "pop8.kvc");
    EXPECT_EQ(back->m_pRhythm->m_RtmData.m_bLoaded, 1);
    EXPECT_EQ(back->m_pRhythm->m_RtmData.m_arrPlayEvent.GetSize(), 0);
    ASSERT_EQ(back->m_pRhythm->m_RtmData.m_arrEvent.GetSize(), 1);
    EXPECT_EQ(back->m_pRhythm->m_RtmData.m_arrEvent.GetAt(0)->byKey, 60);

    // Written again from the loaded score, the chord part is the same.
    unsigned char* buffer = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;
    ASSERT_EQ(meas->Write(buffer, &used, &capacity), 1);
    const Bytes again(buffer, buffer + used);
    std::free(buffer);
    ASSERT_EQ(again.size(), record.size());
    EXPECT_EQ(Slice(again, kChordNode, again.size() - kChordNode - 96),
              Slice(record, kChordNode, record.size() - kChordNode - 96));
}

} // namespace
