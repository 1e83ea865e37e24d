// Fret diagrams: the empty shape and the records of shape and fret board.

#include "harmony/FretBoard.h"

#include "harmony/ChordRecord.h"

#include <cstring>

namespace {

constexpr int kFretInfoRecordSize = 16;
const char kMusicFace[] = "ZelvoraB";

void SetFace(char (&face)[32], const char* name)
{
    std::memset(face, 0, sizeof(face));
    if (name != nullptr)
        std::strncpy(face, name, sizeof(face) - 1);
}

} // namespace

const short nFretBase[6] = {4, 9, 14, 19, 23, 28};

// --- CFretInfo --------------------------------------------------------------

CFretInfo::CFretInfo()
{
    SetFretEmpty();
}

CFretInfo::CFretInfo(const CString&)
{
    SetFretEmpty();
}

int CFretInfo::IsFretEmpty() const
{
    for (BYTE fret : m_byFret) {
        if (fret != FRET_MUTED && fret != FRET_UNUSED)
            return 0;
    }
    for (const BYTE* pair : m_byBarre) {
        if (pair[0] != pair[1])
            return 0;
    }
    return 1;
}

void CFretInfo::SetFretEmpty()
{
    std::memset(m_byFret, FRET_UNUSED, sizeof(m_byFret));
    std::memset(m_byBarre, 0, sizeof(m_byBarre));
    m_nBaseFret = 0;
}

int CFretInfo::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    chordrecord::Cursor cursor(buffer, pos, length);
    if (cursor.Left() < kFretInfoRecordSize)
        return 0;
    WORD baseFret = 0;
    cursor.U16(baseFret);
    cursor.Bytes(m_byFret, sizeof(m_byFret));
    cursor.Bytes(m_byBarre, sizeof(m_byBarre));
    m_nBaseFret = static_cast<short>(baseFret);
    return 1;
}

int CFretInfo::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    chordrecord::Writer writer(buffer, pos, capacity);
    if (!writer.Reserve(kFretInfoRecordSize))
        return 0;
    writer.U16(static_cast<WORD>(m_nBaseFret));
    writer.Bytes(m_byFret, sizeof(m_byFret));
    writer.Bytes(m_byBarre, sizeof(m_byBarre));
    return 1;
}

// --- CFretBoard -------------------------------------------------------------

CFretBoard::CFretBoard() : CFretBoard(DEFAULT_SIZE, kMusicFace)
{
}

CFretBoard::CFretBoard(short size, const char* face)
{
    m_byKind = MSG_FRETBOARD;
    m_nSize = size;
    SetFace(m_szFace, face);
    m_FretInfo.SetFretEmpty();
}

int CFretBoard::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    if (!CKVMsg::Read(buffer, pos, length))
        return 0;
    m_nSize = static_cast<short>(m_wObjWord);
    if (!m_FretInfo.ReadFromMem(buffer, pos, length))
        return 0;
    m_byKind = MSG_FRETBOARD;
    SetFace(m_szFace, kMusicFace);
    return 1;
}

int CFretBoard::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    const DWORD start = *pos;
    m_wObjWord = static_cast<WORD>(m_nSize);
    if (!CKVMsg::Write(buffer, pos, capacity) || !m_FretInfo.WriteToMem(buffer, pos, capacity)) {
        *pos = start;
        return 0;
    }
    return 1;
}
