// One system of a Brenlo page.

#include "import/USystem.h"

#include "import/UParse.h"

#include <algorithm>
#include <memory>

namespace {

void SortByX(CPtrArray* items)
{
    if (items->GetSize() < 2)
        return;
    void** data = items->GetData();
    std::sort(data, data + items->GetSize(), [](void* a, void* b) {
        return static_cast<CUSymbol*>(a)->m_nX < static_cast<CUSymbol*>(b)->m_nX;
    });
}

} // namespace

CUSystem::CUSystem() = default;

CUSystem::~CUSystem()
{
    delete m_pSymbols;
    delete m_pAttrs;
    delete m_pGraphics;
}

int CUSystem::ParseHeader(const char* record, DWORD length)
{
    if (length < kHeaderSize)
        return 0;
    CUReader in(record, length);
    m_nTop = in.Short(20);
    m_nStaffHeight = in.Short(22);
    m_nStaffSpace = in.Short(24);
    m_nLyricOffset = in.Short(26);
    m_nLyricLineCount = in.Short(28);
    for (int i = 0; i < kLyricLines; ++i)
        m_nLyricLineHeight[i] = in.Short(30 + 2 * i);
    m_fxLeft = in.Long(48);
    m_fxRightIndent = in.Long(52);
    m_fxThird = in.Long(56);
    for (int i = 0; i < 5; ++i)
        m_nValues60[i] = in.Short(60 + 2 * i);
    m_nValue84 = in.Short(84);
    return in.Failed() ? 0 : 1;
}

int CUSystem::ParseRecord(const char* record, DWORD length, BYTE, short size)
{
    if (length < kRecordSize)
        return 0;
    CUReader in(record, length);
    const DWORD symbolBytes = in.Dword(124);
    if (!in.Has(128, symbolBytes))
        return 0;
    const DWORD attrAt = 128 + symbolBytes;
    const DWORD attrBytes = in.Dword(attrAt);
    if (in.Failed() || !in.Has(attrAt + 4, attrBytes))
        return 0;
    const DWORD graphicAt = attrAt + 4 + attrBytes;
    const DWORD graphicBytes = in.Dword(graphicAt);
    if (in.Failed() || !in.Has(graphicAt + 4, graphicBytes))
        return 0;

    std::unique_ptr<CUSymbolList> symbols(brenlo::NewItem<CUSymbolList>());
    std::unique_ptr<CUAttrList> attrs(brenlo::NewItem<CUAttrList>());
    std::unique_ptr<CUGraphicList> graphics(brenlo::NewItem<CUGraphicList>());
    if (!symbols || !attrs || !graphics)
        return 0;
    short last = -1;
    if (!symbols->ParseRecords(in.At(128), symbolBytes, -1, 0, size, &last)
        || !attrs->ParseRecords(in.At(attrAt + 4), attrBytes, 0, 500)
        || !graphics->ParseRecords(in.At(graphicAt + 4), graphicBytes, 0, 500))
        return 0;

    const short kept = m_nValues60[3];
    m_pPrev = m_pNext = nullptr;
    if (!ParseHeader(record, length))
        return 0;
    m_nValues60[3] = kept;
    delete m_pSymbols;
    delete m_pAttrs;
    delete m_pGraphics;
    m_pSymbols = symbols.release();
    m_pAttrs = attrs.release();
    m_pGraphics = graphics.release();
    m_pSymbols->LayoutSymbols(GetSizeStep(), GetLeftX());
    m_nLeftX = Fixed2Short(m_fxLeft);
    m_nRightIndent = Fixed2Short(m_fxRightIndent);
    m_nThird = Fixed2Short(m_fxThird);
    return 1;
}

int CUSystem::GetSizeStep()
{
    return std::max(2, 16 * static_cast<int>(m_nStaffSpace));
}

int CUSystem::LyricLineCount() const
{
    return std::clamp<int>(m_nLyricLineCount, 0, kLyricLines);
}

short CUSystem::GetHeight()
{
    int height = m_nStaffHeight + 4 * m_nStaffSpace + m_nLyricOffset;
    for (int i = 0; i < LyricLineCount(); ++i)
        height += m_nLyricLineHeight[i];
    return static_cast<short>(height);
}

short CUSystem::StepToY(short step)
{
    return static_cast<short>(m_nTop + m_nStaffHeight - 16 * m_nStaffSpace + (m_nStaffSpace * (32 - step)) / 2);
}

short CUSystem::YToStep(short y)
{
    const int tolerance = std::max(1, m_nStaffSpace / 4);
    for (int step = -320; step <= 318; step += 2) {
        const int at = StepToY(static_cast<short>(step));
        if (y > at + tolerance)
            return static_cast<short>(step - 1);
        if (y > at - tolerance)
            return static_cast<short>(step);
    }
    return 0;
}

short CUSystem::XAfterSymbol(short index)
{
    int64_t sum = 65536;
    short i = 0;
    for (CUJoin* node = m_pSymbols ? m_pSymbols->m_pHead : nullptr; node && i <= index; node = node->m_pNext, ++i)
        sum += static_cast<CUSymbol*>(node)->GetWidth(GetSizeStep());
    return Fixed2Short(sum);
}

short CUSystem::IndexAtX(short x)
{
    if (x < 1)
        return -1;
    int64_t sum = 65536;
    short i = 0;
    for (CUJoin* node = m_pSymbols ? m_pSymbols->m_pHead : nullptr; node; node = node->m_pNext, ++i) {
        sum += static_cast<CUSymbol*>(node)->GetWidth(GetSizeStep());
        if (Fixed2Short(sum) > x)
            return i;
    }
    return i;
}

short CUSystem::GetLeftX()
{
    return Fixed2Short(m_fxLeft);
}

short CUSystem::GetSymbolExtraHalf(short index)
{
    CUSymbol* symbol = m_pSymbols ? static_cast<CUSymbol*>(m_pSymbols->GetAt(index)) : nullptr;
    if (!symbol)
        return 0;
    return static_cast<short>(Fixed2Short(symbol->GetWidth(GetSizeStep()) - symbol->m_fxWidth) / 2);
}

int CUSystem::GetLyricLineRange(short line, CULineRange* range)
{
    if (!range || line < 0 || line >= LyricLineCount())
        return 0;
    int top = 0;
    for (int i = 0; i < line; ++i)
        top += m_nLyricLineHeight[i];
    range->top = static_cast<short>(top);
    range->bottom = static_cast<short>(top + m_nLyricLineHeight[line]);
    return 1;
}

void CUSystem::CollectStaffItems(CPtrArray* timeSigs, CPtrArray* keySigs, CPtrArray* barLines)
{
    for (CUJoin* node = m_pSymbols ? m_pSymbols->m_pHead : nullptr; node; node = node->m_pNext) {
        CUSymbol* symbol = static_cast<CUSymbol*>(node);
        if (symbol->IsTimeSig())
            timeSigs->Add(symbol);
        else if (symbol->IsKeySig())
            keySigs->Add(symbol);
        else if (symbol->IsBarLine())
            barLines->Add(symbol);
    }
    SortByX(timeSigs);
    SortByX(keySigs);
    SortByX(barLines);
}

void CUSystem::CollectNotesAndClefs(CPtrArray* clefs, CPtrArray* notes)
{
    for (CUJoin* node = m_pSymbols ? m_pSymbols->m_pHead : nullptr; node; node = node->m_pNext) {
        CUSymbol* symbol = static_cast<CUSymbol*>(node);
        if (symbol->IsClef())
            clefs->Add(symbol);
        else if (symbol->IsNote())
            notes->Add(symbol);
    }
    SortByX(clefs);
    SortByX(notes);
}

int CUSystemList::ParseRecords(const char* records, DWORD total, short)
{
    return brenlo::WalkRecords(*this, records, total, false, [&](DWORD, const char* record, DWORD length, bool& made) {
        made = true;
        CUSystem* system = brenlo::NewItem<CUSystem>();
        if (system && !system->ParseRecord(record, length, 1, 500)) {
            delete system;
            system = nullptr;
        }
        return static_cast<CUJoin*>(system);
    });
}
