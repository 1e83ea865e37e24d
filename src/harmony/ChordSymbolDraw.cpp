// Chord symbols: copies, colour, the dictionary link and drawing.

#include "harmony/ChordSymbol.h"

#include "MemoryGuard.h"
#include "model/NewObject.h"

CChordSymbol& CChordSymbol::operator=(CChordSymbol& source)
{
    if (this == &source)
        return *this;
    CKVMsg::operator=(source);
    CreateFrom(&source);
    return *this;
}

void CChordSymbol::Initialize(CChordSymbol*)
{
    KV_PENDING("CChordSymbol::Initialize(CChordSymbol*)");
}

int CChordSymbol::CreateFrom(CKVMsg* source)
{
    auto* chord = dynamic_cast<CChordSymbol*>(source);
    if (!chord)
        return 0;
    if (chord == this)
        return 1;
    m_nRoot = chord->m_nRoot;
    m_nBass = chord->m_nBass;
    m_Surfix = chord->m_Surfix;
    m_FretBoard = chord->m_FretBoard;
    m_bShowName = chord->m_bShowName;
    m_bShowFret = chord->m_bShowFret;
    if (!chord->m_pRhythm) {
        delete m_pRhythm;
        m_pRhythm = nullptr;
        return 1;
    }
    if (!m_pRhythm) {
        m_pRhythm = KvNewReported<CRhythm>();
        if (!m_pRhythm)
            return 0;
    }
    *m_pRhythm = *chord->m_pRhythm;
    return 1;
}

void CChordSymbol::SetColor(COLORREF)
{
    KV_PENDING("CChordSymbol::SetColor");
}

void CChordSymbol::CorrectSufixInfo()
{
    KV_PENDING("CChordSymbol::CorrectSufixInfo");
}

CRect CChordSymbol::Draw(CDC*, LOGFONT*, short, DWORD, DWORD)
{
    KV_PENDING("CChordSymbol::Draw");
    return CRect(0, 0, 0, 0);
}

CRect CChordSymbol::DrawFrame(CDC*, LOGFONT*, short, DWORD, DWORD)
{
    KV_PENDING("CChordSymbol::DrawFrame");
    return CRect(0, 0, 0, 0);
}
