#pragma once
// The Encore records other than measures and symbols: tracks, pages, systems
// (LINE chunks) and their staves, the title and text items, and the byte
// helpers every Encore reader shares. Records keep their bytes exactly as the
// file lays them out, with the multi-byte fields of a "SCO5" file reversed in
// place as soon as they are read, so every accessor reads little-endian.

#include "Platform.h"

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

class CEncDoc;
class CEncSystem;

namespace encio {

inline WORD Word(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD Dword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}
inline void SwapWord(BYTE* p) { std::swap(p[0], p[1]); }
inline void SwapDword(BYTE* p)
{
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}
// Reverses the words at the given offsets of a record.
void SwapWords(BYTE* record, std::initializer_list<int> offsets);
// The NUL-terminated text of a fixed field of `size` bytes.
CString FixedText(const BYTE* field, int size);
// Reads exactly `count` bytes; false on a short read.
bool ReadAll(CFile& file, void* buffer, UINT count);
// Bytes left in the file after its position.
uint64_t BytesLeft(CFile& file);

} // namespace encio

// Accessors of a record array member `m_by..`, generic by offset.
#define KV_ENC_RECORD_ACCESS(array)                                                                   \
    BYTE Byte(int offset) const { return array[offset]; }                                              \
    WORD Word(int offset) const { return encio::Word(array + offset); }                                \
    short Short(int offset) const { return static_cast<short>(encio::Word(array + offset)); }          \
    DWORD Dword(int offset) const { return encio::Dword(array + offset); }

// One track: the 112-byte record (never reversed) and the score-wide indexes
// of its staves, set by the document reader; unused slots hold -1.
class CEncTrack {
public:
    explicit CEncTrack(CEncDoc* doc = nullptr);
    CEncTrack(const CEncTrack& other);
    CEncTrack& operator=(const CEncTrack& other);
    virtual ~CEncTrack() = default;

    // Reads this track and every track record that follows; 1 on success.
    // This object is appended to the document only when its own record was
    // read; on 0 the caller deletes it unless the document holds it.
    int Read(CFile& file);
    void PrintOutOfStatus(CString& out);

    KV_ENC_RECORD_ACCESS(m_byRecord)
    DWORD dwMark() const { return Dword(0); }
    DWORD dwSize() const { return Dword(4); }
    CString szName() const { return encio::FixedText(m_byRecord + 8, 32); }
    BYTE byReserved1() const { return m_byRecord[40]; }
    BYTE byStaffNum() const { return m_byRecord[41]; }
    BYTE byBreakBarLine() const { return m_byRecord[42]; }
    WORD wPlayF() const { return Word(43); }
    signed char byKey() const { return static_cast<signed char>(m_byRecord[45]); }
    BYTE bySolo() const { return m_byRecord[46]; }
    BYTE byReserved3() const { return m_byRecord[47]; }
    BYTE byBracket(int staff) const { return m_byRecord[48 + (staff & 3)]; }
    BYTE byClef(int staff) const { return m_byRecord[52 + (staff & 3)]; }
    BYTE bySize(int staff) const { return m_byRecord[56 + (staff & 3)]; }
    BYTE byCharnel(int i) const { return m_byRecord[60 + (i & 7)]; }
    BYTE byInstrument(int i) const { return m_byRecord[68 + (i & 7)]; }
    BYTE byVolume(int i) const { return m_byRecord[76 + (i & 7)]; }
    BYTE byReserved4() const { return m_byRecord[84]; }
    BYTE byDeviceID() const { return m_byRecord[85]; }
    BYTE byBankID() const { return m_byRecord[86]; }
    BYTE byIsRoland() const { return m_byRecord[87]; }
    BYTE byUnKnown(int i) const { return m_byRecord[88 + (i % 24)]; }

    BYTE m_byRecord[112] {};
    CEncDoc* m_pDoc = nullptr;
    short m_nStaffIndex[4] {-1, -1, -1, -1};

private:
    // 1 read and appended, 2 another tag (left in the file), 0 failure.
    int ReadOne(CFile& file);
};

// One staff record of a system.
class CEncStaff {
public:
    explicit CEncStaff(CEncSystem* system = nullptr);
    CEncStaff(const CEncStaff& other);
    CEncStaff& operator=(const CEncStaff& other);
    virtual ~CEncStaff() = default;

    // Copies the 30 bytes at `pos` (the caller checks they are there).
    int Read(unsigned char* data, int& pos);
    void PrintOutOfStatus(CString& out);

    KV_ENC_RECORD_ACCESS(m_byRecord)
    BYTE byStaffSizeNo() const { return m_byRecord[0]; }
    BYTE byClef() const { return m_byRecord[1]; }
    BYTE byEnha() const { return m_byRecord[2]; }
    BYTE byStaffNo() const { return m_byRecord[3]; }
    BYTE byChordLabel() const { return m_byRecord[4]; }
    BYTE bySongLabel() const { return m_byRecord[5]; }
    BYTE byState() const { return m_byRecord[6]; }
    BYTE byReserved(int i) const { return m_byRecord[7 + (i & 1)]; }
    BYTE byTrkNo() const { return m_byRecord[9]; }
    WORD wLnWd() const { return Word(10); }
    WORD wReserved() const { return Word(12); }
    WORD wDoY() const { return Word(14); }
    WORD wHt() const { return Word(16); }
    WORD wY() const { return Word(18); }
    WORD wY1() const { return Word(20); }
    signed char SongPos(int i) const { return static_cast<signed char>(m_byRecord[22 + (i & 7)]); }

    BYTE m_byRecord[30] {};
    CEncSystem* m_pSystem = nullptr;
};

// One system ("LINE" chunk) with its staves.
class CEncSystem {
public:
    explicit CEncSystem(CEncDoc* doc = nullptr);
    virtual ~CEncSystem();
    CEncSystem(const CEncSystem&) = delete;
    CEncSystem& operator=(const CEncSystem&) = delete;

    // Reads this system and every "LINE" chunk that follows, each attached to
    // the page it names. Ownership as for CEncTrack::Read.
    int Read(CFile& file);
    // Null outside the staff list.
    CEncStaff* GetStaff(int index);
    void PrintOutOfStatus(CString& out);

    KV_ENC_RECORD_ACCESS(m_byHead)
    DWORD dwMark() const { return Dword(0); }
    DWORD dwSize() const { return Dword(4); }
    WORD wPageNo() const { return Word(8); }
    WORD wX() const { return Word(10); }
    WORD wY() const { return Word(12); }
    WORD wRevX() const { return Word(14); }
    WORD wActiveX() const { return Word(16); }
    WORD wStartMeasNo() const { return Word(18); }
    WORD wMeasNumb() const { return Word(20); }
    WORD wStuffNumb() const { return Word(22); }
    BYTE byPakzaDispNo() const { return m_byHead[24]; }
    BYTE byEnhaF() const { return m_byHead[25]; }
    DWORD dwReserved() const { return Dword(26); }
    DWORD dwlpStf() const { return Dword(30); }

    CTypedPtrArray<CPtrArray, CEncStaff*> m_arrStaff;
    BYTE m_byHead[34] {};
    CEncDoc* m_pDoc = nullptr;

private:
    int ReadOne(CFile& file);
};

// One page ("PAGE" chunk) with its systems.
class CEncPage {
public:
    explicit CEncPage(CEncDoc* doc = nullptr);
    virtual ~CEncPage();
    CEncPage(const CEncPage&) = delete;
    CEncPage& operator=(const CEncPage&) = delete;

    // Reads this page and every "PAGE" chunk that follows. Ownership as for
    // CEncTrack::Read.
    int Read(CFile& file);
    void Test();
    void PrintOutOfStatus(CString& out);

    KV_ENC_RECORD_ACCESS(m_byRecord)
    DWORD dwMark() const { return Dword(0); }
    DWORD dwSize() const { return Dword(4); }
    WORD wStartLineNo() const { return Word(8); }
    WORD wLineNumb() const { return Word(10); }
    WORD wMoreInfFlag() const { return Word(12); }
    WORD wMoreInfSize() const { return Word(14); }
    DWORD dwReserved() const { return Dword(16); }
    WORD wStaffNumb() const { return Word(20); }
    BYTE byNone(int i) const { return m_byRecord[22 + (i % 12)]; }

    CTypedPtrArray<CPtrArray, CEncSystem*> m_arrSystem;
    BYTE m_byRecord[34] {};
    CEncDoc* m_pDoc = nullptr;

private:
    int ReadOne(CFile& file);
};

struct ENC_TEXTPOS {
    WORD wPos = 0;
    WORD wProperty = 0;
};

struct ENC_SUBTEXT {
    WORD wFontNo = 0;
    WORD wFontHt = 0;
    WORD wReserved3 = 0;
};

// One item of the "TEXT" chunk.
struct ENC_TEXTDATA {
    WORD wTextSize = 0;
    WORD wReserved1 = 0; // position entries
    WORD wReserved2 = 0; // sub text entries
    std::vector<ENC_TEXTPOS> pTextPos;
    std::vector<ENC_SUBTEXT> pSubText;
    CString szString;
    WORD nStringLen = 0; // counted before a closing 0x04 is cut
};

// The shared head of the title block's text items, over the block's bytes.
template <int SIZE, int TEXT_LIMIT>
struct EncTitleItem {
    BYTE m_byData[SIZE];

    WORD Word(int offset) const { return encio::Word(m_byData + offset); }
    WORD wFontNo() const { return Word(10); }
    WORD wFontHt() const { return Word(12); }
    WORD wStyle() const { return Word(14); }
    WORD wWord16() const { return Word(16); }
    BYTE byByte21() const { return m_byData[21]; }
    WORD wWord22() const { return Word(22); }
    WORD wWord24() const { return Word(24); }
    CString szText() const { return encio::FixedText(m_byData + 32, TEXT_LIMIT); }
};
struct ENC_SUBTITTLE : EncTitleItem<96, 64> {};
struct ENC_COPYRIGHT : EncTitleItem<160, 128> {};
static_assert(sizeof(ENC_SUBTITTLE) == 96 && sizeof(ENC_COPYRIGHT) == 160);

// A colour table entry {red, green, blue, unused} as a COLORREF.
COLORREF EncColorToRGB(const BYTE* entry);
