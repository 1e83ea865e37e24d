// Rhythm patterns: the pattern symbol and the records of the symbol and its
// play data.

#include "harmony/Rhythm.h"

#include "harmony/ChordRecord.h"
#include "model/TextHelpers.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes of the data record besides its events and tracks.
constexpr size_t kDataRecordFixed = 20;
// What the record's first word adds to the event and track bytes; readers
// skip the word, so it only has to be what older files hold.
constexpr DWORD kDataRecordSizeBias = 24;

void EventFromBytes(RhythmEvent& event, const BYTE* bytes)
{
    event.byReserved0 = bytes[0];
    event.byKey = bytes[1];
    event.byVelocity = bytes[2];
    event.byTrack = bytes[3];
    std::memcpy(event.byReserved4, bytes + 4, sizeof(event.byReserved4));
    event.dwData = GetDword(bytes + 8);
    event.nTime = static_cast<short>(GetWord(bytes + 12));
    event.byHead2 = bytes[14];
    event.byChannel = bytes[15];
}

void TrackFromBytes(RhythmTrack& track, const BYTE* bytes)
{
    track.byLevel = bytes[0];
    track.byChannel = bytes[1];
    track.byBankHigh = bytes[2];
    track.byProgram = bytes[3];
    track.nKeyShift = static_cast<short>(GetWord(bytes + 4));
}

void WriteEvent(chordrecord::Writer& writer, const RhythmEvent& event)
{
    writer.U8(event.byReserved0);
    writer.U8(event.byKey);
    writer.U8(event.byVelocity);
    writer.U8(event.byTrack);
    writer.Bytes(event.byReserved4, sizeof(event.byReserved4));
    writer.U32(event.dwData);
    writer.U16(static_cast<WORD>(event.nTime));
    writer.U8(event.byHead2);
    writer.U8(event.byChannel);
}

void WriteTrack(chordrecord::Writer& writer, const RhythmTrack& track)
{
    writer.U8(track.byLevel);
    writer.U8(track.byChannel);
    writer.U8(track.byBankHigh);
    writer.U8(track.byProgram);
    writer.U16(static_cast<WORD>(track.nKeyShift));
}

// A counted list of fixed records with a stored stride. Each record takes
// the first min(stride, size) bytes of its slot, zero-filled to its size.
// Fails, before anything is allocated, when the stride is 0 for a non-empty
// list or the list would run past the bytes left.
template <class Record, class Parse>
bool ReadRecordList(chordrecord::Cursor& cursor, DWORD count, WORD stride,
                    CTypedPtrArray<CPtrArray, Record*>& into, Parse parse)
{
    if (stride == 0 && count != 0)
        return false;
    if (static_cast<unsigned long long>(count) * stride > cursor.Left())
        return false;
    const size_t taken = std::min<size_t>(stride, Record::RECORD_SIZE);
    for (DWORD i = 0; i < count; ++i) {
        BYTE bytes[Record::RECORD_SIZE] = {};
        cursor.Bytes(bytes, taken);
        cursor.Skip(stride - taken);
        auto* record = new Record;
        parse(*record, bytes);
        into.Add(record);
    }
    return true;
}

} // namespace

// --- CRtmData ---------------------------------------------------------------

CRtmData::~CRtmData()
{
    DeleteAllEvents();
}

void CRtmData::DeleteAllEvents()
{
    for (int i = 0; i < m_arrPlayEvent.GetSize(); ++i)
        delete m_arrPlayEvent.GetAt(i);
    m_arrPlayEvent.RemoveAll();
    for (int i = 0; i < m_arrEvent.GetSize(); ++i)
        delete m_arrEvent.GetAt(i);
    m_arrEvent.RemoveAll();
    for (int i = 0; i < m_arrTrack.GetSize(); ++i)
        delete m_arrTrack.GetAt(i);
    m_arrTrack.RemoveAll();
}

void CRtmData::ResetBuffer()
{
    DeleteAllEvents();
}

int CRtmData::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    DeleteAllEvents();
    m_bLoaded = 0;
    const DWORD start = *pos;
    chordrecord::Cursor cursor(buffer, pos, length);
    short measCount = 0;
    short measLength = 0;
    DWORD eventCount = 0;
    WORD eventStride = 0;
    WORD trackCount = 0;
    WORD trackStride = 0;
    const bool read = cursor.Skip(4 + 2) && cursor.I16(measCount) && cursor.I16(measLength) &&
                      cursor.U32(eventCount) && cursor.U16(eventStride) &&
                      ReadRecordList(cursor, eventCount, eventStride, m_arrEvent, EventFromBytes) &&
                      cursor.U16(trackCount) && cursor.U16(trackStride) &&
                      ReadRecordList(cursor, trackCount, trackStride, m_arrTrack, TrackFromBytes);
    if (!read) {
        DeleteAllEvents();
        *pos = start;
        return 0;
    }
    m_nMeasCount = measCount;
    m_nMeasLength = measLength;
    m_bLoaded = 1;
    return 1;
}

int CRtmData::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    const size_t events = static_cast<size_t>(m_arrEvent.GetSize());
    const size_t tracks = static_cast<size_t>(m_arrTrack.GetSize());
    const size_t payload = RhythmEvent::RECORD_SIZE * events + RhythmTrack::RECORD_SIZE * tracks;
    if (tracks > 0xFFFF || payload + kDataRecordSizeBias > 0xFFFFFFFFu)
        return 0;
    chordrecord::Writer writer(buffer, pos, capacity);
    if (!writer.Reserve(kDataRecordFixed + payload))
        return 0;
    writer.U32(static_cast<DWORD>(payload + kDataRecordSizeBias));
    writer.U16(RhythmEvent::RECORD_SIZE);
    writer.U16(static_cast<WORD>(m_nMeasCount));
    writer.U16(static_cast<WORD>(m_nMeasLength));
    writer.U32(static_cast<DWORD>(events));
    writer.U16(RhythmEvent::RECORD_SIZE);
    for (int i = 0; i < m_arrEvent.GetSize(); ++i)
        WriteEvent(writer, *m_arrEvent.GetAt(i));
    writer.U16(static_cast<WORD>(tracks));
    writer.U16(RhythmTrack::RECORD_SIZE);
    for (int i = 0; i < m_arrTrack.GetSize(); ++i)
        WriteTrack(writer, *m_arrTrack.GetAt(i));
    return 1;
}

// --- CRhythm ----------------------------------------------------------------

CRhythm::CRhythm()
{
    m_byKind = MSG_RHYTHM;
    m_crColor = 0;
}

int CRhythm::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    if (!CKVMsg::Read(buffer, pos, length))
        return 0;
    CString group;
    CString pattern;
    CString file;
    if (!ReadCStringFromMem(buffer, pos, length, group) ||
        !ReadCStringFromMem(buffer, pos, length, pattern) ||
        !ReadCStringFromMem(buffer, pos, length, file))
        return 0;
    if (!m_RtmData.ReadFromMem(buffer, pos, length))
        return 0;
    m_strGrpName = group;
    m_RtmInfo.m_strPatName = pattern;
    m_RtmInfo.m_strFileName = file;
    return 1;
}

int CRhythm::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    const DWORD start = *pos;
    CString* texts[3] = {&m_strGrpName, &m_RtmInfo.m_strPatName, &m_RtmInfo.m_strFileName};
    size_t textBytes = 0;
    for (CString* text : texts) {
        if (text->GetLength() > 0xFFFF)
            return 0;
        textBytes += 2 + static_cast<size_t>(text->GetLength());
    }
    bool written = CKVMsg::Write(buffer, pos, capacity) != 0;
    if (written) {
        chordrecord::Writer writer(buffer, pos, capacity);
        written = writer.Reserve(textBytes);
    }
    for (CString* text : texts)
        written = written && WriteCStringToMem(buffer, pos, capacity, *text) != 0;
    written = written && m_RtmData.WriteToMem(buffer, pos, capacity) != 0;
    if (!written) {
        *pos = start;
        return 0;
    }
    return 1;
}
