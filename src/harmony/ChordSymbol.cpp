// Chord symbols: construction, the chord part of the record and what the
// handles read from it.

#include "harmony/ChordSymbol.h"

#include "harmony/ChordRecord.h"

#include <new>

short nChordFretPtSize = CFretBoard::DEFAULT_SIZE;

namespace {

void ResetChordFretPtSize()
{
    nChordFretPtSize = CFretBoard::DEFAULT_SIZE;
}

KvProcessReset s_reset("chord fret diagram size", &ResetChordFretPtSize);

} // namespace

CChordSymbol::CChordSymbol()
{
    m_byKind = MSG_CHORDSYMBOL;
    m_dwMsgId = 0;
    m_FretBoard.m_nSize = nChordFretPtSize;
}

CChordSymbol::~CChordSymbol()
{
    delete m_pRhythm;
    m_pRhythm = nullptr;
}

int CChordSymbol::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    m_nRoot = static_cast<short>(m_dwWord & 0xFFFF);
    m_nBass = static_cast<short>(m_dwWord >> 16);
    m_bShowFret = (m_wObjWord & 0xFF) != 0 ? TRUE : FALSE;
    m_bShowName = (m_wObjWord >> 8) != 0 ? TRUE : FALSE;
    delete m_pRhythm;
    m_pRhythm = nullptr;

    if (!m_Surfix.ReadFromMem(buffer, pos, length))
        return 0;
    if (!m_FretBoard.ReadFromMem(buffer, pos, length))
        return 0;
    chordrecord::Cursor cursor(buffer, pos, length);
    WORD hasRhythm = 0;
    if (!cursor.U16(hasRhythm))
        return 0;
    if (hasRhythm == 0)
        return 1;
    m_pRhythm = new (std::nothrow) CRhythm;
    if (m_pRhythm == nullptr)
        return 0;
    if (!m_pRhythm->ReadFromMem(buffer, pos, length)) {
        delete m_pRhythm;
        m_pRhythm = nullptr;
        return 0;
    }
    return 1;
}

int CChordSymbol::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    const DWORD start = *pos;
    bool written = m_Surfix.WriteToMem(buffer, pos, capacity) &&
                   m_FretBoard.WriteToMem(buffer, pos, capacity);
    if (written) {
        chordrecord::Writer writer(buffer, pos, capacity);
        written = writer.Reserve(2);
        if (written)
            writer.U16(m_pRhythm != nullptr ? 1 : 0);
    }
    if (written && m_pRhythm != nullptr)
        written = m_pRhythm->WriteToMem(buffer, pos, capacity) != 0;
    if (!written) {
        *pos = start;
        return 0;
    }
    return 1;
}

bool CChordSymbol::GetChordSymbolParts(ChordSymbolParts& parts)
{
    parts.showName = m_bShowName != 0;
    parts.showFret = m_bShowFret != 0;
    parts.hasRhythm = m_pRhythm != nullptr;
    parts.fretX = m_FretBoard.m_nPosX;
    parts.fretY = m_FretBoard.m_nPosY;
    parts.rhythmX = m_pRhythm ? m_pRhythm->m_nPosX : short {0};
    parts.rhythmY = m_pRhythm ? m_pRhythm->m_nPosY : short {0};
    return true;
}

void CChordSymbol::ScaleOwnedParts(int xNew, int xOld, int yNew, int yOld)
{
    if (!m_pRhythm || xOld <= 0 || yOld <= 0)
        return;
    m_pRhythm->m_nPosX = static_cast<short>(MulDiv(m_pRhythm->m_nPosX, xNew, xOld));
    m_pRhythm->m_nPosY = static_cast<short>(MulDiv(m_pRhythm->m_nPosY, yNew, yOld));
}
