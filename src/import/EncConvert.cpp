#include "import/EncConvert.h"

#include "import/EncDoc.h"

short EncStandardY(int staffSpace, int step)
{
    const int32_t y = staffSpace - step * (staffSpace >> 1);
    return static_cast<short>(y);
}

COLORREF EncSymbolColor(const CEncDoc& enc, const CEncSymbol& symbol)
{
    return enc.GetColor(static_cast<BYTE>(symbol.wColor() & 0xFF));
}

bool EncSpan(const CEncDoc& enc, int measIndex, int s, int e, int n, bool firstCaseBelowOne, int& span)
{
    const int count = enc.m_arrMeas.GetSize();
    if (n == 0 || (n < 1 && firstCaseBelowOne)) {
        span = e - s;
        return true;
    }
    if (n < 0 || measIndex < 0 || measIndex >= count || n >= count - measIndex)
        return false;
    int64_t total = static_cast<int64_t>(enc.m_arrMeas[measIndex]->wMeasDistance()) - s + e;
    for (int i = measIndex + 1; i < measIndex + n; ++i)
        total += enc.m_arrMeas[i]->wMeasDistance();
    span = static_cast<int>(total);
    return true;
}

bool EncHasData(CEncDoc& enc, const CEncSymbol& symbol, DWORD need)
{
    if (symbol.DataLength() >= need)
        return true;
    ++enc.m_dwShortSymbols;
    return false;
}
