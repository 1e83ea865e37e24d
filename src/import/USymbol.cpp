// Staff symbols of a Brenlo system and their layout.

#include "import/USymbol.h"

#include "import/UParse.h"

#include <algorithm>
#include <cstdio>

namespace {

// Column of a size step in the width tables; -1 for other steps.
int StepColumn(int sizeStep)
{
    switch (sizeStep) {
    case 64: return 0;
    case 80: return 1;
    case 96: return 2;
    case 112: return 3;
    case 128: return 4;
    default: return -1;
    }
}

int FromTable(const int (&row)[5], int sizeStep)
{
    const int column = StepColumn(sizeStep);
    return column < 0 ? 0 : row[column];
}

// Characters of a 32-bit value printed in decimal, sign included.
int DigitCount(DWORD value)
{
    char text[16];
    return std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<LONG>(value)));
}

constexpr DWORD kLyricsAt = 80;
constexpr DWORD kLyricRecord = 48;
constexpr DWORD kNoteAttrsAt = 512;

} // namespace

CUSymbol::~CUSymbol()
{
    delete m_pAttrs;
}

int64_t CUSymbol::GetWidth(int sizeStep)
{
    return static_cast<int64_t>(m_fxWidth) + static_cast<int64_t>(GlyphWidth(sizeStep)) * 65536 + 65536;
}

int CUSymbol::ParseCommon(const char* record, DWORD length)
{
    if (length < kCommonSize)
        return 0;
    CUReader in(record, length);
    m_nTag = in.Short(16);
    m_fxWidth = in.Long(20);
    m_byByte28 = in.Byte(28);
    m_bySlide = in.Byte(29);
    in.Raw(30, m_byRaw30, 2);
    m_nValue32 = in.Short(32);
    m_nX = in.Short(34);
    return in.Failed() ? 0 : 1;
}

int CUSymbol::ParseRecord(const char* record, DWORD length, BYTE, short)
{
    m_pPrev = m_pNext = nullptr;
    return ParseCommon(record, length);
}

int CUSymbol::ParseAttrs(CUReader& in, DWORD at)
{
    const DWORD bytes = in.Dword(at);
    if (in.Failed() || !in.Has(at + 4, bytes))
        return 0;
    CUAttrList* attrs = brenlo::NewItem<CUAttrList>();
    if (!attrs)
        return 0;
    if (!attrs->ParseRecords(in.At(at + 4), bytes, 0, 500)) {
        delete attrs;
        return 0;
    }
    delete m_pAttrs;
    m_pAttrs = attrs;
    return 1;
}

int CUBarLine::ParseRecord(const char* record, DWORD length, BYTE flag, short size)
{
    if (length < kRecordSize || !CUSymbol::ParseRecord(record, length, flag, size))
        return 0;
    CUReader in(record, length);
    m_byCode = in.Byte(68);
    return ParseAttrs(in, 72);
}

int CUBarLine::GlyphWidth(int sizeStep)
{
    static const int thin[5] = {1, 1, 2, 2, 2};
    static const int wide[5] = {4, 5, 6, 7, 8};
    static const int widest[5] = {7, 9, 11, 13, 15};
    switch (m_byCode - 0x6C) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 7: case 9: return FromTable(thin, sizeStep);
    case 6: return FromTable(wide, sizeStep);
    case 8: return FromTable(widest, sizeStep);
    default: return 0;
    }
}

int CUClef::ParseRecord(const char* record, DWORD length, BYTE flag, short size)
{
    if (length < kRecordSize || !CUSymbol::ParseRecord(record, length, flag, size))
        return 0;
    CUReader in(record, length);
    m_wCode = in.Word(68);
    m_nLineOffset = in.Short(70);
    return ParseAttrs(in, 72);
}

int CUClef::GlyphWidth(int sizeStep)
{
    static const int treble[5] = {10, 12, 15, 17, 19};
    static const int small[5] = {10, 12, 15, 17, 20};
    static const int alto[5] = {11, 13, 16, 18, 21};
    static const int bass[5] = {11, 14, 17, 19, 22};
    static const int narrow[5] = {4, 5, 6, 7, 8};
    switch ((m_wCode & 0xFF) - 0x21) {
    case 0: return FromTable(treble, sizeStep);
    case 3: case 5: return FromTable(small, sizeStep);
    case 1: return FromTable(alto, sizeStep);
    case 2: case 6: return FromTable(bass, sizeStep);
    case 7: return FromTable(narrow, sizeStep);
    default: return 0;
    }
}

int CUTimeSig::ParseRecord(const char* record, DWORD length, BYTE flag, short size)
{
    if (length < kRecordSize || !CUSymbol::ParseRecord(record, length, flag, size))
        return 0;
    CUReader in(record, length);
    m_byCode = in.Byte(68);
    m_dwNumerator = in.Dword(72);
    m_dwDenominator = in.Dword(76);
    return ParseAttrs(in, 80);
}

int CUTimeSig::GlyphWidth(int sizeStep)
{
    static const int digit[5] = {5, 7, 8, 9, 11};
    static const int signs[6][5] = {{7, 8, 10, 12, 13}, {7, 8, 10, 12, 13}, {6, 8, 10, 11, 13},
                                    {6, 8, 9, 11, 13},  {6, 7, 9, 10, 11},  {5, 7, 8, 9, 11}};
    int value = 0;
    if (m_byCode == 0)
        value = FromTable(digit, sizeStep) * std::max(DigitCount(m_dwNumerator), DigitCount(m_dwDenominator));
    else if (m_byCode >= 0x93 && m_byCode <= 0x98)
        value = FromTable(signs[m_byCode - 0x93], sizeStep);
    return value / 2;
}

int CUKeySig::ParseRecord(const char* record, DWORD length, BYTE flag, short size)
{
    if (length < kRecordSize || !CUSymbol::ParseRecord(record, length, flag, size))
        return 0;
    CUReader in(record, length);
    m_byCode = in.Byte(68);
    m_wCount = in.Word(70);
    m_nValue72 = in.Short(72);
    return ParseAttrs(in, 76);
}

int CUKeySig::GlyphWidth(int sizeStep)
{
    static const int sharp[5] = {3, 4, 5, 6, 7};
    static const int flat[5] = {4, 5, 6, 7, 7};
    static const int natural[5] = {3, 3, 4, 5, 5};
    const int count = m_wCount & 0x7FFF;
    if (m_wCount & kCancel)
        return count * FromTable(natural, sizeStep);
    if (m_byCode == 'J')
        return count * FromTable(sharp, sizeStep);
    if (m_byCode == 'K')
        return count * FromTable(flat, sizeStep);
    return 0;
}

CUNote::~CUNote()
{
    brenlo::FreeGlobal(m_hHeads);
    brenlo::FreeGlobal(m_hStems);
    brenlo::FreeGlobal(m_hExtras);
    brenlo::FreeGlobal(m_hLyrics);
}

int CUNote::ParseRecord(const char* record, DWORD length, BYTE flag, short size)
{
    if (length < kRecordSize || !CUSymbol::ParseRecord(record, length, flag, size))
        return 0;
    CUReader in(record, length);
    CULyric lyrics[kLyrics];
    for (int i = 0; i < kLyrics; ++i) {
        const DWORD at = kLyricsAt + kLyricRecord * i;
        CULyric& lyric = lyrics[i];
        lyric.wValue0 = in.Word(at);
        lyric.wValue2 = in.Word(at + 2);
        lyric.nX = in.Short(at + 4);
        in.Raw(at + 6, lyric.byText, sizeof lyric.byText);
        lyric.nStyleValue = in.Short(at + 24);
        lyric.byStyle = in.Byte(at + 26);
        lyric.nSize = in.Short(at + 28);
        // The colour is read as bytes 34 to 36 (red, green, blue) of the
        // record once its words at 30, 32 and 34 are in host order: the
        // word at 34 turned round puts its second byte first.
        lyric.byRed = in.Byte(at + 35);
        lyric.byGreen = in.Byte(at + 34);
        lyric.byBlue = in.Byte(at + 36);
        in.Raw(at + 36, lyric.byRaw, sizeof lyric.byRaw);
    }
    if (!ParseAttrs(in, kNoteAttrsAt))
        return 0;

    // The three counted blocks follow the attributes.
    DWORD at = kNoteAttrsAt + 4 + in.Dword(kNoteAttrsAt);
    const DWORD entrySize[3] = {kHeadRecord, kStemRecord, kExtraRecord};
    DWORD bytes[3] = {};
    DWORD starts[3] = {};
    for (int b = 0; b < 3; ++b) {
        const DWORD count = in.Dword(at);
        if (in.Failed() || !in.Has(at + 4, count))
            return 0;
        starts[b] = at + 4;
        bytes[b] = count / entrySize[b] * entrySize[b];
        at += 4 + count;
    }
    bool failed = false;
    m_dwHeadBytes = bytes[0];
    m_dwStemBytes = bytes[1];
    m_dwExtraBytes = bytes[2];
    m_hHeads = brenlo::CopyToGlobal(in.At(starts[0]), bytes[0], failed, &m_pHeads);
    m_hStems = brenlo::CopyToGlobal(in.At(starts[1]), bytes[1], failed, &m_pStems);
    m_hExtras = brenlo::CopyToGlobal(in.At(starts[2]), bytes[2], failed, &m_pExtras);
    const BYTE* lyricBytes = nullptr;
    m_hLyrics = brenlo::CopyToGlobal(reinterpret_cast<const char*>(lyrics), sizeof lyrics, failed, &lyricBytes);
    m_pLyrics = reinterpret_cast<const CULyric*>(lyricBytes);
    if (failed) {
        m_dwHeadBytes = m_dwStemBytes = m_dwExtraBytes = 0;
        return 0;
    }

    if (size == 400 && (Fixed2Short(static_cast<int64_t>(m_fxWidth) * 16) & 8))
        m_fxWidth = Short2Fixed(Fixed2Short(m_fxWidth));
    return in.Failed() ? 0 : 1;
}

int CUNote::GlyphWidth(int sizeStep)
{
    static const int head[5] = {2, 3, 4, 4, 5};
    return FromTable(head, sizeStep);
}

int CUSymbolList::ParseRecords(const char* records, DWORD total, short start, BYTE flag, short size, short* last)
{
    short index = start;
    const int ok = brenlo::ParseTyped(*this, records, total, [&](DWORD type, const char* record, DWORD length, bool& made) {
        CUSymbol* item = nullptr;
        made = true;
        switch (type) {
        case 1: item = brenlo::NewItem<CUBarLine>(); break;
        case 2: item = brenlo::NewItem<CUClef>(); break;
        case 3: item = brenlo::NewItem<CUTimeSig>(); break;
        case 4: item = brenlo::NewItem<CUNote>(); break;
        case 5: item = brenlo::NewItem<CUKeySig>(); break;
        default: made = false; return static_cast<CUJoin*>(nullptr);
        }
        if (!item)
            return static_cast<CUJoin*>(nullptr);
        if (!item->ParseRecord(record, length, flag, size)) {
            delete item;
            return static_cast<CUJoin*>(nullptr);
        }
        ++index;
        return static_cast<CUJoin*>(item);
    });
    if (last)
        *last = index;
    return ok;
}

short CUSymbolList::CountMeasures()
{
    int count = 0;
    for (CUJoin* node = m_pHead; node; node = node->m_pNext) {
        if (static_cast<CUSymbol*>(node)->IsBarLine())
            ++count;
    }
    return static_cast<short>(std::clamp(count, 1, 32767));
}

void CUSymbolList::LayoutSymbols(int sizeStep, short left)
{
    int64_t sum = 65536;
    LONG measure = 1;
    for (CUJoin* node = m_pHead; node; node = node->m_pNext) {
        CUSymbol* symbol = static_cast<CUSymbol*>(node);
        // Each width is below 2^33, and a list holds fewer than 2^15 symbols.
        sum += symbol->GetWidth(sizeStep);
        symbol->m_nX = static_cast<short>(std::clamp<int>(left + Fixed2Short(sum), -32768, 32767));
        symbol->m_lMeasNum = measure;
        if (symbol->IsBarLine())
            ++measure;
    }
}
