// Reading of an Encore measure and its symbol records, the conversion of the
// older symbol layout, the SCO5 data reversal and the symbols' sort order.

#include "import/EncMeas.h"

#include "import/EncDoc.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kHeadSize = 10;
constexpr DWORD kOlderHeadSize = 8;
constexpr DWORD kMeasHeadSize = 62;
// Notes of the older layout lack their four mark bytes, which sit at data
// offset 14.
constexpr DWORD kMarkOffset = 14;
constexpr DWORD kMarkBytes = 4;

enum SymbolType : BYTE {
    TYPE_CLEF = 1,
    TYPE_KEY = 2,
    TYPE_TIE = 3,
    TYPE_BEAM = 4,
    TYPE_MARK = 5,
    TYPE_LYRIC = 6,
    TYPE_CHORD = 7,
    TYPE_REST = 8,
    TYPE_NOTE = 9,
};

// The data words reversed in a SCO5 file for a type-5 symbol of `kind`.
std::vector<int> MarkWords(BYTE kind)
{
    const auto range = [](int count) {
        std::vector<int> words;
        for (int i = 0; i < count; ++i)
            words.push_back(2 * i);
        return words;
    };
    if ((kind >= 16 && kind <= 19) || kind == 31 || kind == 37 || (kind >= 128 && kind <= 138) || kind == 162 ||
        kind == 163 || (kind >= 165 && kind <= 171) || kind == 175 || (kind >= 237 && kind <= 241) || kind == 246)
        return {0, 2, 4};
    if ((kind >= 25 && kind <= 29) || kind == 36 || kind == 44 || kind == 52)
        return range(7);
    if (kind == 30)
        return range(12);
    if (kind == 33 || kind == 34 || kind == 48 || (kind >= 53 && kind <= 55))
        return range(9);
    if (kind == 50) {
        std::vector<int> words = range(9);
        for (int offset = 20; offset <= 26; offset += 2)
            words.push_back(offset);
        return words;
    }
    if (kind >= 172 && kind <= 251)
        return {0, 2, 4};
    return {};
}

std::vector<int> DataWords(BYTE type, BYTE kind)
{
    switch (type) {
    case TYPE_CLEF:
        return {0, 2, 4};
    case TYPE_KEY:
        return {2};
    case TYPE_TIE:
        return {0, 2, 6};
    case TYPE_MARK:
        return MarkWords(kind);
    case TYPE_LYRIC:
        return {0, 2, 4, 6, 8};
    case TYPE_CHORD:
        return {0, 4};
    case TYPE_REST:
        return {0, 6};
    case TYPE_NOTE:
        return {0, 6, 12};
    default:
        return {};
    }
}

} // namespace

// --- symbols ---

CEncSymbol::CEncSymbol(CEncMeas* meas)
    : m_pMeas(meas)
{
}

CEncSymbol::CEncSymbol(const CEncSymbol& other)
    : m_pMeas(other.m_pMeas)
    , m_data(other.m_data)
{
    std::memcpy(m_byHead, other.m_byHead, sizeof m_byHead);
}

CEncSymbol& CEncSymbol::operator=(const CEncSymbol& other)
{
    m_pMeas = other.m_pMeas;
    std::memcpy(m_byHead, other.m_byHead, sizeof m_byHead);
    m_data = other.m_data;
    return *this;
}

void CEncSymbol::Take(const BYTE* record, DWORD length, bool older)
{
    if (!older) {
        std::memcpy(m_byHead, record, kHeadSize);
        m_data.assign(record + kHeadSize, record + length);
        return;
    }
    std::memcpy(m_byHead, record, kOlderHeadSize);
    m_byHead[8] = 0;
    m_byHead[9] = 0;
    m_data.assign(record + kOlderHeadSize, record + length);
    if (WhatIsSymbol() == TYPE_NOTE) {
        if (m_data.size() >= kMarkOffset)
            m_data.insert(m_data.begin() + kMarkOffset, kMarkBytes, BYTE {0});
        if (m_data.size() > 4)
            m_data[4] &= 0x3F; // no mark is valid
    }
    m_byHead[3] = static_cast<BYTE>(std::min<DWORD>(kHeadSize + DataLength(), 255));
}

void CEncSymbol::SwapData()
{
    encio::SwapWord(m_byHead);
    const BYTE type = WhatIsSymbol();
    if (type == TYPE_BEAM) {
        // Items of 16 bytes from data offset 4, while a whole item fits.
        for (DWORD item = 0; item < byKind(); ++item) {
            const size_t start = 4 + 16 * static_cast<size_t>(item);
            if (start + 16 > m_data.size())
                break;
            encio::SwapWords(m_data.data() + start, {0, 2, 6});
        }
        return;
    }
    for (int offset : DataWords(type, byKind())) {
        if (static_cast<size_t>(offset) + 2 <= m_data.size())
            encio::SwapWord(m_data.data() + offset);
    }
}

int CEncSymbol::Read(unsigned char* data, DWORD& pos)
{
    CEncDoc* doc = m_pMeas ? m_pMeas->m_pDoc : nullptr;
    const uint64_t size = m_pMeas ? m_pMeas->dwNotesSize() : 0;
    if (static_cast<uint64_t>(pos) + 4 > size)
        return 0;
    const DWORD length = data[pos + 3];
    if (length == 0)
        return 0;
    const bool older = doc && doc->IsOlderLayout();
    if (length < (older ? kOlderHeadSize : kHeadSize)) {
        if (doc) {
            ++doc->m_dwSymbolRecords;
            ++doc->m_dwShortSymbols;
        }
        return 0;
    }
    if (static_cast<uint64_t>(pos) + length > size)
        return 0;
    if (doc)
        ++doc->m_dwSymbolRecords;
    Take(data + pos, length, older);
    pos += length;
    if (doc && doc->m_bSwap)
        SwapData();
    return 1;
}

int CEncSymbol::Read(CFile& file)
{
    CEncDoc* doc = m_pMeas ? m_pMeas->m_pDoc : nullptr;
    const bool older = doc && doc->IsOlderLayout();
    BYTE record[255];
    if (!encio::ReadAll(file, record, 4))
        return 0;
    file.Seek(-4, CFile::current);
    const DWORD length = record[3];
    if (length == 0)
        return 0;
    if (length < (older ? kOlderHeadSize : kHeadSize)) {
        if (doc) {
            ++doc->m_dwSymbolRecords;
            ++doc->m_dwShortSymbols;
        }
        return 0;
    }
    if (!encio::ReadAll(file, record, length))
        return 0;
    if (doc)
        ++doc->m_dwSymbolRecords;
    Take(record, length, older);
    if (doc && doc->m_bSwap)
        SwapData();
    return 1;
}

int CEncSymbol::GetStaffIndex() const
{
    if (m_pMeas == nullptr || m_pMeas->m_pDoc == nullptr)
        return -1;
    const CEncDoc* doc = m_pMeas->m_pDoc;
    const int trackIndex = byStaff() & 0x3F;
    if (trackIndex >= doc->m_arrTrack.GetSize())
        return -1;
    const CEncTrack* track = doc->m_arrTrack[trackIndex];
    const int staff = byStaff() >> 6;
    return staff < track->byStaffNum() ? track->m_nStaffIndex[staff] : track->m_nStaffIndex[0];
}

int CEncSymbol::GetSufix(CString& suffix) const
{
    static const char* const kSuffixes[63] = {
        "", "m", "+", "dim", "dim7", "5", "6", "6/9", "(add2)", "(add9)", "omit3", "omit5", "maj7",
        "maj7(b5)", "maj7(6/9)", "maj7(+5)", "maj7(#11)", "maj9", "maj9(b5)", "maj9(+5)", "maj9(#11)",
        "maj13", "maj13(b5)", "maj13(#11)", "7", "7(b5)", "7(b9)", "7(#9)", "7(#11)", "7(b5,b9)",
        "7(b5,#9)", "7(b9,#9)", "9", "9(b5)", "9(#11)", "11", "13", "13(b5)", "13(b9)", "13(#9)", "13(#11)",
        "+7", "+7(b9)", "+7(#9)", "+9", "sus2", "sus2,sus4", "sus4", "7sus4", "9sus4", "13sus4", "m(add2)",
        "m(add9)", "m6", "m6/9", "m7", "m(maj7)", "m7(b5)", "m7(add4)", "m7(add11)", "m9", "m9(maj7)", "m11",
    };
    if ((byType_Voice() & 0x70) == 0)
        return 1;
    if (byKind() >= 63)
        return 0;
    suffix = kSuffixes[byKind()];
    return 1;
}

int CompareEncSymbols(const CEncSymbol* a, const CEncSymbol* b)
{
    const auto second = [](const CEncSymbol* s) {
        const BYTE type = s->WhatIsSymbol();
        return type == TYPE_NOTE || type == TYPE_REST ? static_cast<int>(static_cast<signed char>(s->DataByte(2)))
                                                      : static_cast<int>(s->DataByte(4));
    };
    const int ax = a->DataShort(0);
    const int bx = b->DataShort(0);
    if (ax != bx)
        return ax < bx ? -1 : 1;
    const int ay = second(a);
    const int by = second(b);
    if (ay != by)
        return ay > by ? -1 : 1;
    const int av = a->WhatIsVoice();
    const int bv = b->WhatIsVoice();
    return av == bv ? 0 : (av < bv ? -1 : 1);
}

// --- measures ---

CEncMeas::CEncMeas(CEncDoc* doc)
    : m_pDoc(doc)
{
}

CEncMeas::~CEncMeas()
{
    DeleteSymbols();
}

void CEncMeas::DeleteSymbols()
{
    for (auto* list : {&m_arrSymbol, &m_arrType1Symbols, &m_arrType2Symbols, &m_arrNoteRestSymbols,
                       &m_arrType4Symbols, &m_arrType3Symbols, &m_arrOctaveLineSymbols, &m_arrOtherSymbols}) {
        for (int i = 0; i < list->GetSize(); ++i)
            delete list->GetAt(i);
        list->RemoveAll();
    }
}

bool CEncMeas::FindTag(CFile& file)
{
    BYTE tag[4] {};
    if (!encio::ReadAll(file, tag, 4))
        return false;
    if (std::memcmp(tag, "MEAS", 4) == 0)
        return true;
    file.Seek(-4, CFile::current);
    for (;;) {
        BYTE skipped = 0;
        if (!encio::ReadAll(file, &skipped, 1) || !encio::ReadAll(file, tag, 4))
            return false;
        m_arrSkipped.Add(skipped);
        if (std::memcmp(tag, "MEAS", 4) == 0)
            return true;
        file.Seek(-4, CFile::current);
    }
}

int CEncMeas::Read(CFile& file)
{
    if (!FindTag(file))
        return 0;
    file.Seek(-4, CFile::current);
    if (!encio::ReadAll(file, m_byHead, kMeasHeadSize))
        return 0;
    if (m_pDoc && m_pDoc->m_bSwap) {
        encio::SwapDword(m_byHead + 4);
        encio::SwapDword(m_byHead + 28);
        encio::SwapWords(m_byHead, {8, 12, 14, 24, 32, 36, 40});
    }
    const uint64_t size = dwNotesSize();
    if (size > encio::BytesLeft(file))
        return 0;
    std::vector<BYTE> block(static_cast<size_t>(size));
    if (!encio::ReadAll(file, block.data(), static_cast<UINT>(size)))
        return 0;
    ReadSymbols(block.data());
    return 1;
}

void CEncMeas::ReadSymbols(unsigned char* block)
{
    DeleteSymbols();
    std::vector<CEncSymbol*> lists[7];
    enum { CLEFS, KEYS, NOTES_RESTS, BEAMS, TIES, OCTAVE_LINES, OTHERS };
    const int trackCount = m_pDoc ? m_pDoc->m_arrTrack.GetSize() : 0;
    DWORD pos = 0;
    while (pos < dwNotesSize()) {
        auto* symbol = new CEncSymbol(this);
        if (!symbol->Read(block, pos)) {
            delete symbol;
            break;
        }
        const int track = symbol->byStaff() & 0x3F;
        if (track >= trackCount || (symbol->byStaff() >> 6) >= m_pDoc->m_arrTrack[track]->byStaffNum()) {
            delete symbol;
            continue;
        }
        switch (symbol->WhatIsSymbol()) {
        case TYPE_CLEF: lists[CLEFS].push_back(symbol); break;
        case TYPE_KEY: lists[KEYS].push_back(symbol); break;
        case TYPE_TIE: lists[TIES].push_back(symbol); break;
        case TYPE_BEAM: lists[BEAMS].push_back(symbol); break;
        case TYPE_REST:
        case TYPE_NOTE: lists[NOTES_RESTS].push_back(symbol); break;
        case TYPE_MARK:
            lists[symbol->byKind() >= 16 && symbol->byKind() <= 19 ? OCTAVE_LINES : OTHERS].push_back(symbol);
            break;
        default: lists[OTHERS].push_back(symbol); break;
        }
    }
    const auto before = [](const CEncSymbol* a, const CEncSymbol* b) { return CompareEncSymbols(a, b) < 0; };
    std::sort(lists[NOTES_RESTS].begin(), lists[NOTES_RESTS].end(), before);
    std::sort(lists[BEAMS].begin(), lists[BEAMS].end(), before);
    CTypedPtrArray<CPtrArray, CEncSymbol*>* targets[7] = {&m_arrType1Symbols, &m_arrType2Symbols,
        &m_arrNoteRestSymbols, &m_arrType4Symbols, &m_arrType3Symbols, &m_arrOctaveLineSymbols, &m_arrOtherSymbols};
    for (int i = 0; i < 7; ++i) {
        targets[i]->Reserve(static_cast<int>(lists[i].size()));
        for (CEncSymbol* symbol : lists[i])
            targets[i]->Add(symbol);
    }
}

short CEncMeas::AbsXToMeasX(short x)
{
    const int width = byLineRoot() != 0 ? byLineRoot() : wMeasDistance() - byPakArea();
    if (width == 0)
        return -1;
    return static_cast<short>(MulDiv(x, 256, width));
}

void CEncMeas::Test()
{
    for (int i = 0; i < m_arrSymbol.GetSize(); ++i)
        static_cast<void>(m_arrSymbol[i]);
}
