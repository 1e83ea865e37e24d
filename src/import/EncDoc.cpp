// Reading of a whole Encore file: the header, the record chains, the
// measures and the optional document blocks up to the closing "DRUM" chunk.

#include "import/EncDoc.h"

#include "MemoryGuard.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr DWORD kHeaderSize = 0xC2;
constexpr DWORD kLaterHeaderSize = 0xC4;
constexpr DWORD kTitleSize = 0x97A;
constexpr size_t kColorSize = 174;
constexpr int kColorTable = 78;
constexpr int kColorEntries = 24;
constexpr int kMaxStaves = 4;
constexpr int kMaxFontName = 255;

void Progress(CDialog* dialog, int percent, const char* text)
{
    if (dialog)
        dialog->SendMessage(WM_USER + 1, static_cast<WPARAM>(percent), reinterpret_cast<LPARAM>(text));
}

// The tag where one is to be read: read whole, or a clean end of the file,
// or cut short.
enum class TagRead { Whole, End, Short };

TagRead ReadTag(CFile& file, BYTE (&tag)[4])
{
    std::memset(tag, 0, sizeof tag);
    const UINT got = file.Read(tag, 4);
    if (got == 4)
        return TagRead::Whole;
    return got == 0 ? TagRead::End : TagRead::Short;
}

bool IsTag(const BYTE (&tag)[4], const char* name)
{
    return std::memcmp(tag, name, 4) == 0;
}

// Reads a block's 32-bit length (reversed in SCO5) and its body. False on a
// short read or a length the file cannot hold, before anything is allocated.
bool ReadBody(CFile& file, bool swap, std::vector<BYTE>& body)
{
    BYTE length[4];
    if (!encio::ReadAll(file, length, 4))
        return false;
    if (swap)
        encio::SwapDword(length);
    const uint64_t size = encio::Dword(length);
    if (size > encio::BytesLeft(file))
        return false;
    body.resize(static_cast<size_t>(size));
    return encio::ReadAll(file, body.data(), static_cast<UINT>(size));
}

} // namespace

CEncDoc::CEncDoc() = default;

CEncDoc::~CEncDoc()
{
    DeleteTracks();
    DeletePages();
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        delete m_arrMeas[i];
    for (int i = 0; i < m_arrText.GetSize(); ++i)
        delete m_arrText[i];
    delete[] m_pPrecData;
}

void CEncDoc::DeleteTracks()
{
    for (int i = 0; i < m_arrTrack.GetSize(); ++i)
        delete m_arrTrack[i];
    m_arrTrack.RemoveAll();
}

void CEncDoc::DeletePages()
{
    for (int i = 0; i < m_arrPage.GetSize(); ++i)
        delete m_arrPage[i];
    m_arrPage.RemoveAll();
}

CEncPage* CEncDoc::GetPage(int index)
{
    return index >= 0 && index < m_arrPage.GetSize() ? m_arrPage[index] : nullptr;
}

COLORREF CEncDoc::GetColor(BYTE index) const
{
    return index < kColorEntries ? EncColorToRGB(m_byColor + kColorTable + 4 * index) : 0;
}

const ENC_SUBTITTLE* CEncDoc::SubTitle(int index) const
{
    return index >= 0 && index < 15 ? reinterpret_cast<const ENC_SUBTITTLE*>(m_byTitle + 96 * index) : nullptr;
}

const ENC_COPYRIGHT* CEncDoc::Copyright(int index) const
{
    return index >= 0 && index < 5 ? reinterpret_cast<const ENC_COPYRIGHT*>(m_byTitle + 1504 + 160 * index)
                                   : nullptr;
}

void CEncDoc::Test()
{
    for (int i = 0; i < m_arrTrack.GetSize(); ++i)
        static_cast<void>(m_arrTrack[i]);
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        m_arrMeas[i]->Test();
    for (int i = 0; i < m_arrPage.GetSize(); ++i)
        m_arrPage[i]->Test();
}

bool CEncDoc::IsAttached(const CEncSystem* system)
{
    const CEncPage* page = GetPage(system->wPageNo());
    for (int i = 0; page && i < page->m_arrSystem.GetSize(); ++i) {
        if (page->m_arrSystem[i] == system)
            return true;
    }
    return false;
}

int CEncDoc::Read(CDialog* dialog, CFile& file)
{
    m_dwShortSymbols = 0;
    m_dwSymbolRecords = 0;
    m_leftOutNotes = {};
    m_readFailure = EncReadFailure::Damaged;
    int result = 0;
    try {
        result = ReadAll(dialog, file);
    } catch (const CFileException&) {
        result = 0;
    } catch (const std::bad_alloc&) {
        result = 0;
    }
    if (result)
        m_readFailure = EncReadFailure::None;
    else if (m_readFailure == EncReadFailure::None)
        m_readFailure = EncReadFailure::Damaged;
    return result;
}

int CEncDoc::ReadAll(CDialog* dialog, CFile& file)
{
    const uint64_t wanted = 3 * static_cast<uint64_t>(file.GetLength());
    if (!CheckAvailableMemory(static_cast<int>(std::min<uint64_t>(wanted, INT_MAX))))
        return 0;
    Progress(dialog, 0, "Reading the header of Encore file ...");
    if (!ReadHeader(file))
        return 0;

    Progress(dialog, 10, "Reading the tracks of Encore file ...");
    auto* track = new CEncTrack(this);
    if (!track->Read(file)) {
        if (m_arrTrack.GetSize() == 0 || m_arrTrack[0] != track)
            delete track;
        DeleteTracks();
        return 0;
    }
    if (!NumberStaves())
        return 0;

    Progress(dialog, 30, "Reading the pages of Encore file ...");
    auto* page = new CEncPage(this);
    if (!page->Read(file)) {
        if (m_arrPage.GetSize() == 0 || m_arrPage[0] != page)
            delete page;
        DeletePages();
        return 0;
    }

    Progress(dialog, 40, "Reading the systems of Encore file ...");
    auto* system = new CEncSystem(this);
    const int systems = system->Read(file);
    if (!IsAttached(system))
        delete system;
    if (!systems)
        return 0;

    Progress(dialog, 50, "Reading the measures of Encore file ...");
    if (!ReadMeasures(file))
        return 0;
    return ReadBlocks(dialog, file);
}

int CEncDoc::ReadHeader(CFile& file)
{
    BYTE tag[4] {};
    if (!encio::ReadAll(file, tag, 4))
        return 0;
    if (IsTag(tag, "SCOW"))
        m_bSwap = 0;
    else if (IsTag(tag, "SCO5"))
        m_bSwap = 1;
    else
        return 0;
    BYTE length[4];
    if (!encio::ReadAll(file, length, 4))
        return 0;
    if (m_bSwap)
        encio::SwapDword(length);
    const DWORD size = encio::Dword(length);
    if (size != kHeaderSize && size != kLaterHeaderSize)
        return 0;
    file.SeekToBegin();
    if (!encio::ReadAll(file, m_byHeader, kHeaderSize))
        return 0;
    if (m_bSwap) {
        encio::SwapDword(m_byHeader + 4);
        encio::SwapWords(m_byHeader, {40, 42, 44, 46, 48, 52, 176});
    }
    return 1;
}

int CEncDoc::NumberStaves()
{
    int next = 0;
    for (int t = 0; t < m_arrTrack.GetSize(); ++t) {
        CEncTrack* track = m_arrTrack[t];
        if (track->byStaffNum() > kMaxStaves)
            return 0;
        for (int s = 0; s < kMaxStaves; ++s)
            track->m_nStaffIndex[s] = -1;
        for (int s = 0; s < track->byStaffNum(); ++s) {
            if (next >= SHRT_MAX) // the staff total stays a 16-bit count
                return 0;
            track->m_nStaffIndex[s] = static_cast<short>(next++);
        }
    }
    return 1;
}

int CEncDoc::ReadMeasures(CFile& file)
{
    const int count = wMeasNumb();
    m_arrMeas.Reserve(count);
    for (int i = 0; i < count; ++i) {
        auto* meas = new CEncMeas(this);
        if (!meas->Read(file)) {
            delete meas;
            return 0;
        }
        if (m_arrMeas.GetSize() > 0) {
            CEncMeas* last = m_arrMeas[m_arrMeas.GetSize() - 1];
            if (last->byBoldaSymbol() != 0 && meas->byBoldaSymbol() == 0 && last->byRtFixDisp() == 0)
                last->m_byHead[45] = 1;
        }
        m_arrMeas.Add(meas);
    }
    return 1;
}

int CEncDoc::ReadBlocks(CDialog* dialog, CFile& file)
{
    const bool swap = m_bSwap != 0;
    BYTE tag[4];
    std::vector<BYTE> body;
    // A clean end of the file where a tag is due stands for an empty "DRUM".
    bool ended = false;
    const auto nextTag = [&]() {
        const TagRead read = ReadTag(file, tag);
        if (read == TagRead::End) {
            ended = true;
            std::memcpy(tag, "DRUM", 4);
        }
        return read != TagRead::Short;
    };

    Progress(dialog, 90, "Reading the printer info of Encore file ...");
    if (!nextTag())
        return 0;
    if (!ended && IsTag(tag, "PREC")) {
        if (!ReadBody(file, swap, body))
            return 0;
        delete[] m_pPrecData;
        m_pPrecData = nullptr;
        m_dwPrecLength = static_cast<DWORD>(body.size());
        if (!body.empty()) {
            m_pPrecData = new BYTE[body.size()];
            std::memcpy(m_pPrecData, body.data(), body.size());
        }
        if (!nextTag())
            return 0;
    }

    Progress(dialog, 92, "Reading the title info of Encore file ...");
    if (!ended && IsTag(tag, "TITL")) {
        if (!ReadBody(file, swap, body))
            return 0;
        if (body.size() == kTitleSize) {
            std::memcpy(m_byTitle, body.data(), kTitleSize);
            if (swap)
                SwapTitle();
        }
        if (!nextTag())
            return 0;
    }

    Progress(dialog, 97, "Reading the text info of Encore file ...");
    if (!ended && IsTag(tag, "TEXT")) {
        if (!ReadBody(file, swap, body) || !ReadText(body))
            return 0;
        if (!nextTag())
            return 0;
    }

    Progress(dialog, 98, "Reading the font info of Encore file ...");
    if (!ended && IsTag(tag, "FONT")) {
        if (!ReadBody(file, swap, body))
            return 0;
        ReadFonts(body);
        if (!nextTag())
            return 0;
    }

    Progress(dialog, 99, "Reading the font info of Encore file ...");
    if (!ended && IsTag(tag, "COLR")) {
        if (!ReadBody(file, swap, body))
            return 0;
        if (!body.empty())
            std::memcpy(m_byColor, body.data(), std::min(body.size(), kColorSize));
        if (swap)
            encio::SwapWord(m_byColor);
        if (!nextTag())
            return 0;
    }

    if (!IsTag(tag, "DRUM"))
        return 0;
    if (!ended) {
        BYTE length[4];
        if (!encio::ReadAll(file, length, 4))
            return 0;
        if (swap)
            encio::SwapDword(length);
        const uint64_t size = encio::Dword(length);
        if (size > encio::BytesLeft(file))
            return 0;
        file.Seek(static_cast<LONG>(size), CFile::current);
    }
    Progress(dialog, 100, "End the reading of Encore file ...");
    return 1;
}

void CEncDoc::SwapTitle()
{
    for (int i = 0; i < 15 + 5; ++i) {
        BYTE* item = i < 15 ? m_byTitle + 96 * i : m_byTitle + 1504 + 160 * (i - 15);
        encio::SwapWords(item, {10, 12, 14, 16, 22, 24});
    }
    // The seven font records of five words and the ten words after them.
    for (int offset = 2304; offset < 2394; offset += 2)
        encio::SwapWord(m_byTitle + offset);
}

bool CEncDoc::ReadText(const std::vector<BYTE>& body)
{
    const size_t size = body.size();
    if (size < 8)
        return false;
    const bool swap = m_bSwap != 0;
    const auto word = [&](size_t at) {
        return swap ? static_cast<WORD>((body[at] << 8) | body[at + 1]) : encio::Word(body.data() + at);
    };
    size_t pos = 8;
    while (pos < size) {
        const size_t start = pos;
        if (pos + 6 > size)
            return false;
        auto* item = new ENC_TEXTDATA;
        item->wTextSize = word(pos);
        item->wReserved1 = word(pos + 2);
        item->wReserved2 = word(pos + 4);
        pos += 6;
        const size_t entries = 4 * static_cast<size_t>(item->wReserved1) + 6 * static_cast<size_t>(item->wReserved2);
        const size_t textStart = pos + entries;
        const BYTE* text = textStart < size ? body.data() + textStart : nullptr;
        const void* end = text ? std::memchr(text, 0, size - textStart) : nullptr;
        if (end == nullptr) {
            delete item;
            return false;
        }
        item->pTextPos.resize(item->wReserved1);
        for (auto& entry : item->pTextPos) {
            entry.wPos = word(pos);
            entry.wProperty = word(pos + 2);
            pos += 4;
        }
        item->pSubText.resize(item->wReserved2);
        for (auto& entry : item->pSubText) {
            entry.wFontNo = word(pos);
            entry.wFontHt = word(pos + 2);
            entry.wReserved3 = word(pos + 4);
            pos += 6;
        }
        size_t length = static_cast<const BYTE*>(end) - text;
        item->nStringLen = static_cast<WORD>(length);
        if (length > 0 && text[length - 1] == 0x04)
            --length;
        item->szString = CString(reinterpret_cast<const char*>(text), static_cast<int>(length));
        m_arrText.Add(item);
        pos = start + 2 + item->wTextSize;
    }
    return true;
}

void CEncDoc::ReadFonts(const std::vector<BYTE>& body)
{
    size_t start = 0;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] != 0)
            continue;
        const size_t length = std::min<size_t>(i - start, kMaxFontName);
        m_arrFontName.Add(CString(reinterpret_cast<const char*>(body.data() + start), static_cast<int>(length)));
        start = i + 1;
    }
}
