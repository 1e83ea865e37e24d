#pragma once
// One system (line of music) of a Brenlo page: its geometry, its staff
// symbols laid out from their widths, and what the conversion writes back
// (its measure count and the x of each measure's right end).

#include "import/UGraphic.h"
#include "import/USymbol.h"
#include "platform/Arrays.h"

struct CULineRange {
    short top = 0;
    short bottom = 0;
};

class CUSystem : public CUJoin {
public:
    static constexpr DWORD kHeaderSize = 128;
    static constexpr DWORD kRecordSize = 136;
    static constexpr int kLyricLines = 9;

    CUSystem();
    CUSystem(const CUSystem&) = delete;
    CUSystem& operator=(const CUSystem&) = delete;
    ~CUSystem() override;

    // 1 when the record of `length` bytes is whole; the system keeps its
    // former content otherwise.
    virtual int ParseRecord(const char* record, DWORD length, BYTE flag, short size);
    virtual int GetSizeStep();
    virtual short GetHeight();
    virtual short YToStep(short y);
    virtual short StepToY(short step);
    virtual short IndexAtX(short x);
    virtual short XAfterSymbol(short index);
    virtual short GetLeftX();
    virtual short GetSymbolExtraHalf(short index);
    virtual short GetStaffSpace() { return m_nStaffSpace; }
    virtual int GetLyricLineRange(short line, CULineRange* range);
    virtual int ParseHeader(const char* record, DWORD length);

    // The time signatures, key signatures and bar lines, each sorted by x.
    void CollectStaffItems(CPtrArray* timeSigs, CPtrArray* keySigs, CPtrArray* barLines);
    // The clefs and notes, each sorted by x.
    void CollectNotesAndClefs(CPtrArray* clefs, CPtrArray* notes);
    // Lyric lines counted, 0 to 9.
    int LyricLineCount() const;

    short m_nTop = 0;
    short m_nStaffHeight = 20;
    short m_nStaffSpace = 5;
    short m_nLyricOffset = 20;
    short m_nLyricLineCount = 0;
    short m_nLyricLineHeight[kLyricLines] = {10, 10, 10, 10, 10, 10, 10, 10, 10};
    Fixed m_fxLeft = 2 * 65536;
    Fixed m_fxRightIndent = 2 * 65536;
    Fixed m_fxThird = 0;
    short m_nValues60[5] = {-1, 0, 0, 10, 0};
    short m_nValue84 = 1;
    CUSymbolList* m_pSymbols = nullptr;
    CUAttrList* m_pAttrs = nullptr;
    CUGraphicList* m_pGraphics = nullptr;
    short m_nLeftX = 0;
    short m_nRightIndent = 0;
    short m_nThird = 0;
    // Written by the conversion.
    short m_nMeasCount = 0;
    CWordArray m_arrBarX;
};

class CUSystemList : public CUList {
public:
    // Parses system records that fill `total` bytes exactly; 1 on success.
    virtual int ParseRecords(const char* records, DWORD total, short flag);
    CUSystem* GetSystem(short index) { return static_cast<CUSystem*>(GetAt(index)); }
};
