#pragma once
// An Encore measure ("MEAS" chunk: a 62-byte head and the symbol records of
// every staff) and its symbols, sorted into seven lists by type.

#include "import/EncRecords.h"

class CEncMeas;

// One symbol: the 10-byte head and its data, in the layout of format 0x400
// (records of older files are converted as they are read).
class CEncSymbol {
public:
    explicit CEncSymbol(CEncMeas* meas = nullptr);
    CEncSymbol(const CEncSymbol& other);
    CEncSymbol& operator=(const CEncSymbol& other);
    virtual ~CEncSymbol() = default;

    // Reads one record of the measure's symbol block at `pos` and moves `pos`
    // past it; 0 for a bad record, `pos` unchanged. A record too short for
    // its head is counted in the document's m_dwShortSymbols.
    int Read(unsigned char* data, DWORD& pos);
    // The same from the file's position.
    int Read(CFile& file);

    BYTE WhatIsSymbol() const { return static_cast<BYTE>(m_byHead[2] >> 4); }
    BYTE WhatIsVoice() const { return static_cast<BYTE>(m_byHead[2] & 15); }
    int WhichStaff() const { return m_byHead[4]; }
    // The score-wide staff; -1 when the track does not exist.
    int GetStaffIndex() const;
    // The chord suffix text; 0 for a suffix number of 63 or more.
    int GetSufix(CString& suffix) const;
    void PrintOutOfStatus(CString& out);

    // Head.
    BYTE Byte(int offset) const { return m_byHead[offset]; }
    WORD Word(int offset) const { return encio::Word(m_byHead + offset); }
    short Short(int offset) const { return static_cast<short>(Word(offset)); }
    WORD wTime() const { return Word(0); }
    BYTE byType_Voice() const { return m_byHead[2]; }
    BYTE byLength() const { return m_byHead[3]; }
    BYTE byStaff() const { return m_byHead[4]; }
    BYTE byKind() const { return m_byHead[5]; }
    // byKind of a key signature, which is signed.
    signed char KeyKind() const { return static_cast<signed char>(m_byHead[5]); }
    BYTE byParam1() const { return m_byHead[6]; }
    BYTE byParam2() const { return m_byHead[7]; }
    WORD wColor() const { return Word(8); }

    // Data; bytes outside it read as 0.
    DWORD DataLength() const { return static_cast<DWORD>(m_data.size()); }
    const BYTE* Data() const { return m_data.data(); }
    BYTE DataByte(DWORD offset) const { return offset < m_data.size() ? m_data[offset] : 0; }
    WORD DataWord(DWORD offset) const
    {
        return static_cast<WORD>(DataByte(offset) | (DataByte(offset + 1) << 8));
    }
    short DataShort(DWORD offset) const { return static_cast<short>(DataWord(offset)); }

    // Note data (rests share wX and byY).
    WORD wX() const { return DataWord(0); }
    signed char byY() const { return static_cast<signed char>(DataByte(2)); }
    BYTE byTuplet() const { return DataByte(3); }
    BYTE byDot() const { return DataByte(4); }
    BYTE byKeyNo() const { return DataByte(5); }
    WORD wDuration() const { return DataWord(6); }
    BYTE byVelocity() const { return DataByte(8); }
    BYTE byRelease() const { return DataByte(9); }
    BYTE byStmHt() const { return DataByte(10); }
    BYTE byAccidental() const { return DataByte(11); }
    WORD wReserved() const { return DataWord(12); }
    BYTE UpMark() const { return DataByte(14); }
    BYTE UpMarkPos() const { return DataByte(15); }
    BYTE DownMark() const { return DataByte(16); }
    BYTE DownMarkPos() const { return DataByte(17); }

    // Line layout (nine signed words).
    short wXs() const { return DataShort(0); }
    short wYs() const { return DataShort(2); }
    short wXm() const { return DataShort(4); }
    short wYm() const { return DataShort(6); }
    short wMeasNumb1() const { return DataShort(8); }
    short wXe() const { return DataShort(10); }
    short wYe() const { return DataShort(12); }
    short wMeasNumb2() const { return DataShort(14); }
    short wLineReserved() const { return DataShort(16); }

    // Text layout (twelve words; wX is the note's).
    WORD wY() const { return DataWord(2); }
    WORD wLeft() const { return DataWord(4); }
    WORD wTop() const { return DataWord(6); }
    WORD wMeasNumb() const { return DataWord(8); }
    WORD wRight() const { return DataWord(10); }
    WORD wBottom() const { return DataWord(12); }
    WORD wFontN0() const { return DataWord(14); }
    WORD wFontHt() const { return DataWord(16); }
    WORD wFontProp() const { return DataWord(18); }
    WORD wFontAlign() const { return DataWord(20); }
    WORD wStringNo() const { return DataWord(22); }

    CEncMeas* m_pMeas = nullptr;
    BYTE m_byHead[10] {};
    std::vector<BYTE> m_data;

private:
    // Takes one record of `length` bytes in the file's layout.
    void Take(const BYTE* record, DWORD length, bool older);
    void SwapData();
};

// The sort order of a measure's note, rest and beam lists: negative when `a`
// comes first. Missing data bytes count as 0.
int CompareEncSymbols(const CEncSymbol* a, const CEncSymbol* b);

class CEncMeas {
public:
    explicit CEncMeas(CEncDoc* doc = nullptr);
    virtual ~CEncMeas();
    CEncMeas(const CEncMeas&) = delete;
    CEncMeas& operator=(const CEncMeas&) = delete;

    // Reads the next "MEAS" chunk, passing over (and keeping) bytes before it.
    int Read(CFile& file);
    // An x position inside the measure on the 0-to-256 scale; -1 for a
    // measure of width 0.
    short AbsXToMeasX(short x);
    void Test();
    void PrintOutOfStatus(CString& out);

    KV_ENC_RECORD_ACCESS(m_byHead)
    DWORD dwMark() const { return Dword(0); }
    DWORD dwNotesSize() const { return Dword(4); }
    WORD wTempo() const { return Word(8); }
    BYTE byChPak() const { return m_byHead[10]; }
    WORD wPakLen() const { return Word(12); }
    WORD wMeasLen() const { return Word(14); }
    BYTE byPak1() const { return m_byHead[16]; }
    BYTE byPak2() const { return m_byHead[17]; }
    BYTE byReserved0() const { return m_byHead[18]; }
    BYTE byPakArea() const { return m_byHead[19]; }
    BYTE byLeftBar() const { return m_byHead[20]; }
    BYTE byRightBar() const { return m_byHead[21]; }
    BYTE byBoldaSymbol() const { return m_byHead[22]; }
    BYTE byBoldaValue() const { return m_byHead[23]; }
    WORD wMeasDistance() const { return Word(24); }
    BYTE byReserved1() const { return m_byHead[26]; }
    BYTE byReserved2() const { return m_byHead[27]; }
    DWORD dwMeasPosX() const { return Dword(28); }
    WORD wLogWd() const { return Word(32); }
    BYTE byCodaSymbol() const { return m_byHead[34]; }
    BYTE byCodaPosY() const { return m_byHead[35]; }
    short dwCodaPosX() const { return Short(36); }
    WORD byLineRoot() const { return Word(40); }
    BYTE byReserved3(int i) const { return m_byHead[42 + (i % 3)]; }
    BYTE byRtFixDisp() const { return m_byHead[45]; }
    BYTE byReserved4(int i) const { return m_byHead[46 + (i & 15)]; }

    BYTE m_byHead[62] {};
    CEncDoc* m_pDoc = nullptr;
    CByteArray m_arrSkipped;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrSymbol; // never filled
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrType1Symbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrType2Symbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrNoteRestSymbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrType4Symbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrType3Symbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrOctaveLineSymbols;
    CTypedPtrArray<CPtrArray, CEncSymbol*> m_arrOtherSymbols;

private:
    bool FindTag(CFile& file);
    void ReadSymbols(unsigned char* block);
    void DeleteSymbols();
};
