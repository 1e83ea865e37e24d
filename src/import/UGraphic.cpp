// Graphic items of a Brenlo page.

#include "import/UGraphic.h"

#include "import/UParse.h"

namespace {

constexpr DWORD kPointsAt = 124;

void ReadRect(CURect& rect, CUReader& in, DWORD offset)
{
    rect.top = in.Short(offset);
    rect.left = in.Short(offset + 2);
    rect.bottom = in.Short(offset + 4);
    rect.right = in.Short(offset + 6);
}

} // namespace

int CUGraphic::ParseHeader(const char* record, DWORD length)
{
    if (length < kHeaderSize)
        return 0;
    CUReader in(record, length);
    m_byFlag = in.Byte(16);
    m_byByte17 = in.Byte(17);
    m_byByte18 = in.Byte(18);
    ReadRect(m_rcFirst, in, 20);
    ReadRect(m_rcSecond, in, 28);
    m_byByte36 = in.Byte(36);
    ReadPoint(&m_ptOrigin, in, 40);
    m_lValue84 = in.Long(84);
    m_lValue88 = in.Long(88);
    m_lValue92 = in.Long(92);
    return in.Failed() ? 0 : 1;
}

void CUGraphic::ReadPoint(CUPoint* point, CUReader& in, DWORD offset)
{
    point->v = in.Short(offset);
    point->h = in.Short(offset + 2);
}

int CUGraphic::ParseRecord(const char* record, DWORD length, BYTE)
{
    m_pPrev = m_pNext = nullptr;
    return ParseHeader(record, length);
}

int CUGraphic::ParseWithPoints(const char* record, DWORD length, CUPoint* points, int count)
{
    if (!CUGraphic::ParseRecord(record, length, 1))
        return 0;
    CUReader in(record, length);
    for (int i = 0; i < count; ++i)
        ReadPoint(&points[i], in, kPointsAt + 4 * i);
    return in.Failed() ? 0 : 1;
}

int CUGraphic2Points::ParseRecord(const char* record, DWORD length, BYTE)
{
    return length >= kHeaderSize + 36 ? ParseWithPoints(record, length, m_pt, 2) : 0;
}

int CUGraphic4Points::ParseRecord(const char* record, DWORD length, BYTE)
{
    return length >= kHeaderSize + 44 ? ParseWithPoints(record, length, m_pt, 4) : 0;
}

int CUGraphic3Points::ParseRecord(const char* record, DWORD length, BYTE)
{
    return length >= kHeaderSize + 40 ? ParseWithPoints(record, length, m_pt, 3) : 0;
}

int CUGraphic6::ParseRecord(const char* record, DWORD length, BYTE)
{
    if (length < kHeaderSize + 40 || !ParseWithPoints(record, length, m_pt, 2))
        return 0;
    CUReader in(record, length);
    m_nValue132 = in.Short(132);
    m_nValue134 = in.Short(134);
    return in.Failed() ? 0 : 1;
}

CUGraphic12::~CUGraphic12()
{
    brenlo::FreeGlobal(m_hFirst);
    brenlo::FreeGlobal(m_hSecond);
}

int CUGraphic12::ParseRecord(const char* record, DWORD length, BYTE)
{
    if (length < kHeaderSize + 44 || !CUGraphic::ParseRecord(record, length, 1))
        return 0;
    CUReader in(record, length);
    const DWORD first = in.Dword(132);
    if (!in.Has(136, first))
        return 0;
    const DWORD secondAt = 136 + first;
    const DWORD second = in.Dword(secondAt);
    if (in.Failed() || !in.Has(secondAt + 4, second))
        return 0;
    bool failed = false;
    m_dwFirstSize = first;
    m_dwSecondSize = second;
    m_hFirst = brenlo::CopyToGlobal(in.At(136), first, failed, &m_pFirst);
    m_hSecond = brenlo::CopyToGlobal(in.At(secondAt + 4), second, failed, &m_pSecond);
    if (failed)
        return 0;
    m_rcSecond = m_rcFirst;
    return 1;
}

int CUGraphicList::ParseRecords(const char* records, DWORD total, BYTE flag, short)
{
    return brenlo::ParseTyped(*this, records, total, [&](DWORD type, const char* record, DWORD length, bool& made) {
        CUGraphic* item = nullptr;
        made = true;
        switch (type) {
        case 1: item = brenlo::NewItem<CUGraphic1>(); break;
        case 2: item = brenlo::NewItem<CUGraphic2>(); break;
        case 3: item = brenlo::NewItem<CUGraphic3>(); break;
        case 4: item = brenlo::NewItem<CUGraphic4>(); break;
        case 5: item = brenlo::NewItem<CUGraphic5>(); break;
        case 6: item = brenlo::NewItem<CUGraphic6>(); break;
        case 7: item = brenlo::NewItem<CUGraphic7>(); break;
        case 8: item = brenlo::NewItem<CUGraphic8>(); break;
        case 12: item = brenlo::NewItem<CUGraphic12>(); break;
        case 13: item = brenlo::NewItem<CUGraphic13>(); break;
        case 14: item = brenlo::NewItem<CUGraphic14>(); break;
        case 15: item = brenlo::NewItem<CUGraphic15>(); break;
        default: made = false; return static_cast<CUJoin*>(nullptr);
        }
        if (!item)
            return static_cast<CUJoin*>(nullptr);
        if (!item->ParseRecord(record, length, 1)) {
            delete item;
            return static_cast<CUJoin*>(nullptr);
        }
        item->m_byFlag = flag;
        return static_cast<CUJoin*>(item);
    });
}
