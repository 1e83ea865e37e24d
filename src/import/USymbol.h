#pragma once
// Staff symbols of a Brenlo system: bar lines, clefs, time signatures, notes
// and key signatures, with their glyph widths, and the list that lays them
// out.

#include "import/UAttr.h"

class CUSymbol : public CUJoin {
public:
    static constexpr DWORD kCommonSize = 36;

    CUSymbol() = default;
    CUSymbol(const CUSymbol&) = delete;
    CUSymbol& operator=(const CUSymbol&) = delete;
    ~CUSymbol() override;

    // The width at a size step (16 per staff space), in 64 bits: the stored
    // width, the glyph's width from the tables and one unit.
    virtual int64_t GetWidth(int sizeStep);
    virtual bool IsNote() { return false; }
    virtual bool IsClef() { return false; }
    virtual bool IsBarLine() { return false; }
    virtual bool IsKeySig() { return false; }
    virtual bool IsTimeSig() { return false; }
    virtual bool Matches(LONG) { return false; }
    virtual short GetTag() { return m_nTag; }
    // 1 when the record of `length` bytes holds the symbol's fields.
    virtual int ParseRecord(const char* record, DWORD length, BYTE flag, short size);
    virtual int ParseCommon(const char* record, DWORD length);

    short m_nTag = 0;
    Fixed m_fxWidth = 0;
    BYTE m_byByte28 = 0;
    BYTE m_bySlide = 0;       // a note's slide kind
    BYTE m_byRaw30[2] {};
    short m_nValue32 = 0;
    short m_nX = 0;           // the right end once laid out
    LONG m_lMeasNum = 0;
    CUAttrList* m_pAttrs = nullptr;

protected:
    // The table part of the width.
    virtual int GlyphWidth(int) { return 0; }
    // Parses the attribute records whose 32-bit length is at `at`.
    int ParseAttrs(CUReader& in, DWORD at);
};

class CUBarLine : public CUSymbol {
public:
    static constexpr DWORD kRecordSize = 76;
    bool IsBarLine() override { return true; }
    int ParseRecord(const char* record, DWORD length, BYTE flag, short size) override;
    BYTE m_byCode = 0;   // 0x6C to 0x75

protected:
    int GlyphWidth(int sizeStep) override;
};

class CUClef : public CUSymbol {
public:
    static constexpr DWORD kRecordSize = 76;
    bool IsClef() override { return true; }
    int ParseRecord(const char* record, DWORD length, BYTE flag, short size) override;
    WORD m_wCode = 0;        // low byte 0x21 to 0x28
    short m_nLineOffset = 0; // -2: the tenor form of the C clef

protected:
    int GlyphWidth(int sizeStep) override;
};

class CUTimeSig : public CUSymbol {
public:
    static constexpr DWORD kRecordSize = 84;
    bool IsTimeSig() override { return true; }
    int ParseRecord(const char* record, DWORD length, BYTE flag, short size) override;
    BYTE m_byCode = 0;       // 0 numeric, 0x93 to 0x98 fixed signs
    DWORD m_dwNumerator = 0;
    DWORD m_dwDenominator = 0;

protected:
    int GlyphWidth(int sizeStep) override;
};

class CUKeySig : public CUSymbol {
public:
    static constexpr DWORD kRecordSize = 80;
    static constexpr WORD kCancel = 0x8000;
    bool IsKeySig() override { return true; }
    int ParseRecord(const char* record, DWORD length, BYTE flag, short size) override;
    BYTE m_byCode = 0;   // 'J' sharps, 'K' flats
    WORD m_wCount = 0;   // bit 15: a cancelling key, drawn as naturals
    short m_nValue72 = 0;

protected:
    int GlyphWidth(int sizeStep) override;
};

// One lyric of a note.
struct CULyric {
    static constexpr int kMaxText = 15;
    WORD wValue0 = 0;
    WORD wValue2 = 0;
    short nX = 0;
    BYTE byText[16] {};       // length byte, then the characters
    short nStyleValue = 0;
    BYTE byStyle = 0;
    short nSize = 0;
    BYTE byRed = 0;
    BYTE byGreen = 0;
    BYTE byBlue = 0;
    BYTE byRaw[4] {};
    // The text length, at most kMaxText.
    int TextLength() const { return byText[0] > kMaxText ? kMaxText : byText[0]; }
};

class CUNote : public CUSymbol {
public:
    static constexpr DWORD kRecordSize = 516;
    static constexpr int kLyrics = 9;
    static constexpr DWORD kHeadRecord = 8;
    static constexpr DWORD kStemRecord = 16;
    static constexpr DWORD kExtraRecord = 4;

    CUNote() = default;
    ~CUNote() override;
    bool IsNote() override { return true; }
    int ParseRecord(const char* record, DWORD length, BYTE flag, short size) override;

    int GetHeadCount() const { return static_cast<int>(m_dwHeadBytes / kHeadRecord); }
    int GetStemCount() const { return static_cast<int>(m_dwStemBytes / kStemRecord); }
    int GetExtraCount() const { return static_cast<int>(m_dwExtraBytes / kExtraRecord); }

    // Head entry i: staff step (signed), dots, accidental (low nibble) and
    // mark (high nibble), head code.
    signed char HeadStep(int i) const { return static_cast<signed char>(Head(i)[0]); }
    BYTE HeadDots(int i) const { return Head(i)[2]; }
    BYTE HeadAccidental(int i) const { return Head(i)[3]; }
    BYTE HeadCode(int i) const { return Head(i)[6]; }

    // The first stem entry; only valid when GetStemCount() > 0.
    signed char StemByte3() const { return static_cast<signed char>(m_pStems[3]); }
    BYTE StemDirection() const { return m_pStems[4]; }
    short StemLength() const { return static_cast<short>((m_pStems[6] << 8) | m_pStems[7]); }
    BYTE StemDuration() const { return m_pStems[8]; }
    BYTE StemBeamed() const { return m_pStems[9]; }
    short StemBeamNumber() const { return static_cast<short>((m_pStems[10] << 8) | m_pStems[11]); }
    BYTE StemGrace() const { return m_pStems[12]; }
    BYTE StemNote() const { return m_pStems[13]; }

    const CULyric& Lyric(int i) const { return m_pLyrics[i]; }

private:
    const BYTE* Head(int i) const { return m_pHeads + kHeadRecord * i; }

    HGLOBAL m_hHeads = nullptr;
    HGLOBAL m_hStems = nullptr;
    HGLOBAL m_hExtras = nullptr;
    HGLOBAL m_hLyrics = nullptr;
    const BYTE* m_pHeads = nullptr;
    const BYTE* m_pStems = nullptr;
    const BYTE* m_pExtras = nullptr;
    const CULyric* m_pLyrics = nullptr;
    DWORD m_dwHeadBytes = 0;
    DWORD m_dwStemBytes = 0;
    DWORD m_dwExtraBytes = 0;

protected:
    int GlyphWidth(int sizeStep) override;
};

class CUSymbolList : public CUList {
public:
    // Parses records that fill `total` bytes exactly; 1 on success, with
    // the index of the last symbol in *last.
    virtual int ParseRecords(const char* records, DWORD total, short start, BYTE flag, short size, short* last);
    // Bar lines, at least 1.
    virtual short CountMeasures();
    // Sets each symbol's x to its right end and its measure number.
    virtual void LayoutSymbols(int sizeStep, short left);
};
