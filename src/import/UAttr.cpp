// Attribute items of a Brenlo page.

#include "import/UAttr.h"

#include "import/UParse.h"

int CUAttr::ParseCommon(const char* record, DWORD length)
{
    if (length < kRecordSize)
        return 0;
    CUReader in(record, length);
    m_nTag = in.Short(16);
    in.Raw(18, m_byRaw18, 2);
    m_nValue20 = in.Short(20);
    m_nValue22 = in.Short(22);
    m_byFlag = in.Byte(24);
    m_lValue28 = in.Long(28);
    m_lValue32 = in.Long(32);
    return in.Failed() ? 0 : 1;
}

int CUAttr::ParseRecord(const char* record, DWORD length, BYTE)
{
    m_pPrev = m_pNext = nullptr;
    return ParseCommon(record, length);
}

int CUAttr1::ParseRecord(const char* record, DWORD length, BYTE flag)
{
    if (length < kRecordSize || !CUAttr::ParseRecord(record, length, flag))
        return 0;
    CUReader in(record, length);
    in.Raw(68, m_byName, sizeof m_byName);
    return in.Failed() ? 0 : 1;
}

int CUAttr2::ParseRecord(const char* record, DWORD length, BYTE flag)
{
    if (length < kRecordSize || !CUAttr::ParseRecord(record, length, flag))
        return 0;
    CUReader in(record, length);
    in.Raw(68, m_byData, sizeof m_byData);
    return in.Failed() ? 0 : 1;
}

int CUAttrList::ParseRecords(const char* records, DWORD total, BYTE flag, short)
{
    return brenlo::ParseTyped(*this, records, total, [&](DWORD type, const char* record, DWORD length, bool& made) {
        CUAttr* item = nullptr;
        switch (type) {
        case 0: item = brenlo::NewItem<CUAttr>(); break;
        case 1: item = brenlo::NewItem<CUAttr1>(); break;
        case 2: item = brenlo::NewItem<CUAttr2>(); break;
        default: made = false; return static_cast<CUJoin*>(nullptr);
        }
        made = true;
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
