// Chord symbols: copies, colour, the dictionary link and drawing.

#include "harmony/ChordSymbol.h"

CChordSymbol& CChordSymbol::operator=(CChordSymbol&)
{
    KV_PENDING("CChordSymbol::operator=");
    return *this;
}

void CChordSymbol::Initialize(CChordSymbol*)
{
    KV_PENDING("CChordSymbol::Initialize(CChordSymbol*)");
}

int CChordSymbol::CreateFrom(CKVMsg*)
{
    KV_PENDING("CChordSymbol::CreateFrom");
    return 0;
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
