#pragma once
// Graphic items of a Brenlo page (lines, shapes and pictures of the page and
// its systems), kept but not converted.

#include "import/UList.h"

struct CUPoint {
    short v = 0;
    short h = 0;
};

struct CURect {
    short top = 0;
    short left = 0;
    short bottom = 0;
    short right = 0;
};

class CUGraphic : public CUJoin {
public:
    static constexpr DWORD kHeaderSize = 96;

    virtual int ParseRecord(const char* record, DWORD length, BYTE flag);
    virtual int ParseHeader(const char* record, DWORD length);
    virtual void ReadPoint(CUPoint* point, CUReader& in, DWORD offset);

    BYTE m_byFlag = 0;
    BYTE m_byByte17 = 0;
    BYTE m_byByte18 = 0;
    CURect m_rcFirst;
    CURect m_rcSecond;
    BYTE m_byByte36 = 0;
    CUPoint m_ptOrigin;
    LONG m_lValue84 = 0;
    LONG m_lValue88 = 0;
    LONG m_lValue92 = 0;

protected:
    // Header, then `count` points from record offset 124.
    int ParseWithPoints(const char* record, DWORD length, CUPoint* points, int count);
};

class CUGraphic2Points : public CUGraphic {
public:
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    CUPoint m_pt[2];
};

class CUGraphic1 : public CUGraphic2Points {};
class CUGraphic5 : public CUGraphic2Points {};
class CUGraphic13 : public CUGraphic2Points {};
class CUGraphic14 : public CUGraphic2Points {};
class CUGraphic15 : public CUGraphic2Points {};

class CUGraphic4Points : public CUGraphic {
public:
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    CUPoint m_pt[4];
};

class CUGraphic2 : public CUGraphic4Points {};
class CUGraphic4 : public CUGraphic4Points {};

class CUGraphic3Points : public CUGraphic {
public:
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    CUPoint m_pt[3];
};

class CUGraphic3 : public CUGraphic3Points {};
class CUGraphic8 : public CUGraphic3Points {};

class CUGraphic6 : public CUGraphic {
public:
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;
    CUPoint m_pt[2];
    short m_nValue132 = 0;
    short m_nValue134 = 0;
};

class CUGraphic7 : public CUGraphic {};

// Two counted blocks of bytes, each kept in its own global block.
class CUGraphic12 : public CUGraphic {
public:
    CUGraphic12() = default;
    CUGraphic12(const CUGraphic12&) = delete;
    CUGraphic12& operator=(const CUGraphic12&) = delete;
    ~CUGraphic12() override;
    int ParseRecord(const char* record, DWORD length, BYTE flag) override;

    DWORD m_dwFirstSize = 0;
    DWORD m_dwSecondSize = 0;
    HGLOBAL m_hFirst = nullptr;
    HGLOBAL m_hSecond = nullptr;
    const BYTE* m_pFirst = nullptr;
    const BYTE* m_pSecond = nullptr;
};

class CUGraphicList : public CUList {
public:
    // Parses records that fill `total` bytes exactly; 1 on success. Every
    // item's flag byte becomes `flag`.
    virtual int ParseRecords(const char* records, DWORD total, BYTE flag, short size);
};
