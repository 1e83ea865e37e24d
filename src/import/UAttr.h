#pragma once
// Attribute items of a Brenlo page, kept with their symbols and systems but
// not converted.

#include "import/UList.h"

class CUAttr : public CUJoin {
public:
    // Fixed sizes of an attribute record: the common part, and with the
    // fields of types 1 and 2.
    static constexpr DWORD kRecordSize = 36;

    virtual short GetTag() { return m_nTag; }
    // 1 when the record of `length` bytes holds the item's fields.
    virtual int ParseRecord(const char* record, DWORD length, BYTE flag);
    virtual int ParseCommon(const char* record, DWORD length);

    short m_nTag = 0;
    BYTE m_byRaw18[2] {};
    short m_nValue20 = 0;
    short m_nValue22 = 0;
    BYTE m_byFlag = 0;
    LONG m_lValue28 = 0;
    LONG m_lValue32 = 0;
};

// Type 1: a length-prefixed name of up to 32 characters.
class CUAttr1 : public CUAttr {
public:
    static constexpr DWORD kRecordSize = 101;
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    BYTE m_byName[33] {};
};

// Type 2: 24 bytes kept as they stand.
class CUAttr2 : public CUAttr {
public:
    static constexpr DWORD kRecordSize = 92;
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    BYTE m_byData[24] {};
};

class CUAttrList : public CUList {
public:
    // Parses records that fill `total` bytes exactly; 1 on success. Every
    // item's flag byte becomes `flag`.
    virtual int ParseRecords(const char* records, DWORD total, BYTE flag, short size);
};
