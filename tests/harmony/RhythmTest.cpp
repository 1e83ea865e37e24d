// Rhythm patterns: the pattern symbol, the play-data record with its stored
// strides, and the rhythm record that embeds a symbol record.

#include "harmony/Rhythm.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

namespace {

using kvtest::Bytes;
using kvtest::RecordBuffer;

class RhythmTest : public kvtest::KvTest {};

// One note (key 60, velocity 100, 256/1024 of a measure at time 0, head
// byte 2 = 0x40), one track (level 127, program 1), one 960-tick measure.
void FillSample(CRtmData& data)
{
    auto* event = new RhythmEvent;
    event->byKey = 60;
    event->byVelocity = 100;
    event->dwData = 256;
    event->nTime = 0;
    event->byHead2 = 0x40;
    data.m_arrEvent.Add(event);
    auto* track = new RhythmTrack;
    track->byLevel = 127;
    track->byProgram = 1;
    data.m_arrTrack.Add(track);
    data.m_nMeasCount = 1;
    data.m_nMeasLength = 960;
}

const Bytes kHead = {0x2E, 0x00, 0x00, 0x00, 0x10, 0x00, 0x01, 0x00, 0xC0, 0x03, 0x01, 0x00, 0x00, 0x00};
const Bytes kEvent = {0x00, 0x3C, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00};
const Bytes kTracks = {0x01, 0x00, 0x06, 0x00, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x00};

// The sample record with its event stored at another stride: the event's
// bytes cut or padded (with 0xEE) to the stride.
Bytes SampleWithEventStride(WORD stride)
{
    Bytes event = kEvent;
    event.resize(stride, 0xEE);
    Bytes strideBytes = {static_cast<BYTE>(stride & 0xFF), static_cast<BYTE>(stride >> 8)};
    return kvtest::Concat({kHead, strideBytes, event, kTracks});
}

int ReadData(CRtmData& data, const Bytes& bytes, DWORD* end = nullptr)
{
    return kvtest::ReadExact(
        bytes, [&](unsigned char* b, DWORD* p, DWORD* l) { return data.ReadFromMem(b, p, l); }, end);
}

TEST_F(RhythmTest, DataRecordBytes)
{
    CRtmData data;
    FillSample(data);
    RecordBuffer out;
    ASSERT_EQ(data.WriteToMem(out.data, &out.used, &out.capacity), 1);
    EXPECT_EQ(out.Written(), kvtest::Concat({kHead, {0x10, 0x00}, kEvent, kTracks}));

    CRtmData back;
    DWORD end = 0;
    ASSERT_EQ(ReadData(back, out.Written(), &end), 1);
    EXPECT_EQ(end, out.used);
    EXPECT_EQ(back.m_bLoaded, 1);
    EXPECT_EQ(back.m_nMeasCount, 1);
    EXPECT_EQ(back.m_nMeasLength, 960);
    EXPECT_EQ(back.m_arrPlayEvent.GetSize(), 0);
    ASSERT_EQ(back.m_arrEvent.GetSize(), 1);
    const RhythmEvent& event = *back.m_arrEvent.GetAt(0);
    EXPECT_EQ(event.byKey, 60);
    EXPECT_EQ(event.byVelocity, 100);
    EXPECT_EQ(event.dwData, 256u);
    EXPECT_EQ(event.byHead2, 0x40);
    ASSERT_EQ(back.m_arrTrack.GetSize(), 1);
    EXPECT_EQ(back.m_arrTrack.GetAt(0)->byLevel, 127);
    EXPECT_EQ(back.m_arrTrack.GetAt(0)->byProgram, 1);
}

TEST_F(RhythmTest, ReservedBytesAndSignedFieldsSurviveARoundTrip)
{
    CRtmData data;
    auto* event = new RhythmEvent;
    event->byReserved0 = 0xA1;
    for (BYTE i = 0; i < 4; ++i)
        event->byReserved4[i] = static_cast<BYTE>(0xB0 + i);
    event->byTrack = 3;
    event->dwData = 0x00403C90; // a MIDI message
    event->nTime = -5;
    event->byChannel = 9;
    data.m_arrEvent.Add(event);
    auto* track = new RhythmTrack;
    track->nKeyShift = -12;
    track->byBankHigh = 0x11;
    data.m_arrTrack.Add(track);
    data.m_nMeasCount = -1;
    RecordBuffer out;
    ASSERT_EQ(data.WriteToMem(out.data, &out.used, &out.capacity), 1);

    CRtmData back;
    ASSERT_EQ(ReadData(back, out.Written()), 1);
    RecordBuffer again;
    ASSERT_EQ(back.WriteToMem(again.data, &again.used, &again.capacity), 1);
    EXPECT_EQ(again.Written(), out.Written());
    EXPECT_EQ(back.m_arrEvent.GetAt(0)->nTime, -5);
    EXPECT_EQ(back.m_arrTrack.GetAt(0)->nKeyShift, -12);
    EXPECT_EQ(back.m_nMeasCount, -1);
}

TEST_F(RhythmTest, StoredStridesAreHonouredAndChecked)
{
    // A wider stride: 16 bytes taken, the rest skipped.
    CRtmData wide;
    DWORD end = 0;
    const Bytes wideRecord = SampleWithEventStride(20);
    ASSERT_EQ(ReadData(wide, wideRecord, &end), 1);
    EXPECT_EQ(end, wideRecord.size());
    ASSERT_EQ(wide.m_arrEvent.GetSize(), 1);
    EXPECT_EQ(wide.m_arrEvent.GetAt(0)->byHead2, 0x40);
    ASSERT_EQ(wide.m_arrTrack.GetSize(), 1);
    EXPECT_EQ(wide.m_arrTrack.GetAt(0)->byLevel, 127);

    // A narrower one: the missing bytes are zero.
    CRtmData narrow;
    ASSERT_EQ(ReadData(narrow, SampleWithEventStride(12)), 1);
    ASSERT_EQ(narrow.m_arrEvent.GetSize(), 1);
    const RhythmEvent& cut = *narrow.m_arrEvent.GetAt(0);
    EXPECT_EQ(cut.byKey, 60);
    EXPECT_EQ(cut.dwData, 256u);
    EXPECT_EQ(cut.nTime, 0);
    EXPECT_EQ(cut.byHead2, 0);
    EXPECT_EQ(narrow.m_arrTrack.GetAt(0)->byProgram, 1);

    // Stride 0 with an event fails; with no event it is harmless.
    CRtmData zero;
    EXPECT_EQ(ReadData(zero, SampleWithEventStride(0)), 0);
    EXPECT_EQ(zero.m_bLoaded, 0);
    Bytes noEvents = kvtest::Concat({kHead, {0x00, 0x00}, kTracks});
    noEvents[10] = 0; // event count 0
    EXPECT_EQ(ReadData(zero, noEvents), 1);
    EXPECT_EQ(zero.m_arrEvent.GetSize(), 0);

    // Track strides too: 8 skips two bytes, 4 zero-fills the key shift.
    Bytes tracks8 = kvtest::Concat({kHead, {0x10, 0x00}, kEvent,
                                    {0x01, 0x00, 0x08, 0x00, 0x7F, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xEE, 0xEE}});
    CRtmData wideTrack;
    ASSERT_EQ(ReadData(wideTrack, tracks8), 1);
    EXPECT_EQ(wideTrack.m_arrTrack.GetAt(0)->nKeyShift, -1);
    Bytes tracks4 = kvtest::Concat({kHead, {0x10, 0x00}, kEvent, {0x01, 0x00, 0x04, 0x00, 0x7F, 0x00, 0x00, 0x01}});
    CRtmData narrowTrack;
    ASSERT_EQ(ReadData(narrowTrack, tracks4), 1);
    EXPECT_EQ(narrowTrack.m_arrTrack.GetAt(0)->nKeyShift, 0);
    EXPECT_EQ(narrowTrack.m_arrTrack.GetAt(0)->byProgram, 1);
}

TEST_F(RhythmTest, CountsBeyondTheRecordFailBeforeAllocating)
{
    // 0xFFFFFFFF events of 0xFFFF bytes: the product needs 64 bits.
    Bytes huge = kvtest::Concat({kHead, {0xFF, 0xFF}, kEvent, kTracks});
    huge[10] = huge[11] = huge[12] = huge[13] = 0xFF;
    CRtmData data;
    EXPECT_EQ(ReadData(data, huge), 0);
    // 0x10000 events of one byte, with only a few bytes left.
    Bytes many = kvtest::Concat({kHead, {0x01, 0x00}, kEvent, kTracks});
    many[10] = 0;
    many[12] = 1;
    EXPECT_EQ(ReadData(data, many), 0);
    // A track count past the end.
    Bytes tracks = kvtest::Concat({kHead, {0x10, 0x00}, kEvent, {0x02, 0x00, 0x06, 0x00, 0x7F, 0, 0, 1, 0, 0}});
    EXPECT_EQ(ReadData(data, tracks), 0);
    EXPECT_EQ(data.m_arrEvent.GetSize(), 0);
    EXPECT_EQ(data.m_arrTrack.GetSize(), 0);
}

TEST_F(RhythmTest, AReadReplacesWhatWasHeldAndAFailureEmptiesIt)
{
    CRtmData data;
    FillSample(data);
    data.m_arrPlayEvent.Add(new RhythmEvent);
    data.m_bLoaded = 1;
    const Bytes record = kvtest::Concat({kHead, {0x10, 0x00}, kEvent, kTracks});
    ASSERT_EQ(ReadData(data, record), 1);
    EXPECT_EQ(data.m_arrEvent.GetSize(), 1);
    EXPECT_EQ(data.m_arrPlayEvent.GetSize(), 0);

    EXPECT_EQ(ReadData(data, Bytes(record.begin(), record.end() - 1)), 0);
    EXPECT_EQ(data.m_bLoaded, 0);
    EXPECT_EQ(data.m_arrEvent.GetSize(), 0);
    EXPECT_EQ(data.m_arrTrack.GetSize(), 0);

    kvtest::ExpectEveryPrefixFails(record, [](unsigned char* b, DWORD* p, DWORD* l) {
        CRtmData any;
        return any.ReadFromMem(b, p, l);
    });
}

// ---- The pattern symbol ----

void FillRhythm(CRhythm& rhythm)
{
    rhythm.m_strGrpName = "Latin";
    rhythm.m_RtmInfo.m_strPatName = "Bossa 1";
    rhythm.m_RtmInfo.m_strFileName = "bossa1.kvc";
    FillSample(rhythm.m_RtmData);
    rhythm.m_nPosX = 30;
    rhythm.m_nPosY = -40;
}

TEST_F(RhythmTest, PatternSymbolIsKind71InBlackWithItsNames)
{
    CRhythm rhythm;
    EXPECT_EQ(rhythm.m_byKind, MSG_RHYTHM);
    EXPECT_EQ(rhythm.m_crColor, 0u);
    EXPECT_TRUE(rhythm.GetRtmGrpName().IsEmpty());
    EXPECT_EQ(rhythm.m_RtmData.m_bLoaded, 0);
    FillRhythm(rhythm);
    EXPECT_EQ(rhythm.GetRtmGrpName(), "Latin");
    EXPECT_EQ(rhythm.GetRtmPatName(), "Bossa 1");
    EXPECT_EQ(rhythm.GetRtmFileName(), "bossa1.kvc");
}

TEST_F(RhythmTest, RhythmRecordIsSymbolNamesAndData)
{
    CRhythm rhythm;
    FillRhythm(rhythm);
    RecordBuffer out;
    ASSERT_EQ(rhythm.WriteToMem(out.data, &out.used, &out.capacity), 1);
    const Bytes bytes = out.Written();
    const Bytes names = {5, 0, 'L', 'a', 't', 'i', 'n', 7, 0, 'B', 'o', 's', 's', 'a', ' ', '1',
                         10, 0, 'b', 'o', 's', 's', 'a', '1', '.', 'k', 'v', 'c'};
    const Bytes data = kvtest::Concat({kHead, {0x10, 0x00}, kEvent, kTracks});
    ASSERT_EQ(bytes.size(), 56u + names.size() + data.size());
    EXPECT_EQ(bytes[0], MSG_RHYTHM);
    EXPECT_EQ(Bytes(bytes.begin() + 56, bytes.begin() + 56 + static_cast<std::ptrdiff_t>(names.size())), names);
    EXPECT_EQ(Bytes(bytes.end() - static_cast<std::ptrdiff_t>(data.size()), bytes.end()), data);

    CRhythm back;
    ASSERT_EQ(kvtest::ReadExact(bytes,
                                [&](unsigned char* b, DWORD* p, DWORD* l) { return back.ReadFromMem(b, p, l); }),
              1);
    EXPECT_EQ(back.GetRtmGrpName(), "Latin");
    EXPECT_EQ(back.GetRtmPatName(), "Bossa 1");
    EXPECT_EQ(back.GetRtmFileName(), "bossa1.kvc");
    EXPECT_EQ(back.m_nPosY, -40);
    EXPECT_EQ(back.m_RtmData.m_bLoaded, 1);
    EXPECT_EQ(back.m_RtmData.m_arrEvent.GetSize(), 1);

    // Every failure, of the names or of the data, is reported.
    kvtest::ExpectEveryPrefixFails(bytes, [](unsigned char* b, DWORD* p, DWORD* l) {
        CRhythm any;
        return any.ReadFromMem(b, p, l);
    });
    Bytes badStride = bytes;
    badStride[badStride.size() - data.size() + 14] = 0; // event stride 0
    CRhythm failed;
    EXPECT_EQ(kvtest::ReadExact(badStride,
                                [&](unsigned char* b, DWORD* p, DWORD* l) { return failed.ReadFromMem(b, p, l); }),
              0);
    Bytes badName = bytes;
    badName[56] = 0xFF; // the group name runs past the end
    badName[57] = 0xFF;
    EXPECT_EQ(kvtest::ReadExact(badName,
                                [&](unsigned char* b, DWORD* p, DWORD* l) { return failed.ReadFromMem(b, p, l); }),
              0);
}

} // namespace
