// Reading of the Encore track, page and system chains and the staff records,
// and the byte helpers the Encore readers share.

#include "import/EncRecords.h"

#include "import/EncDoc.h"

#include <cstring>

namespace encio {

void SwapWords(BYTE* record, std::initializer_list<int> offsets)
{
    for (int offset : offsets)
        SwapWord(record + offset);
}

CString FixedText(const BYTE* field, int size)
{
    const void* end = std::memchr(field, 0, static_cast<size_t>(size));
    const int length = end ? static_cast<int>(static_cast<const BYTE*>(end) - field) : size;
    return CString(reinterpret_cast<const char*>(field), length);
}

bool ReadAll(CFile& file, void* buffer, UINT count)
{
    return count == 0 || file.Read(buffer, count) == count;
}

uint64_t BytesLeft(CFile& file)
{
    const DWORD length = file.GetLength();
    const DWORD position = file.GetPosition();
    return length > position ? length - position : 0;
}

} // namespace encio

namespace {

constexpr DWORD kLaterLayoutHeader = 0xC4;
constexpr DWORD kTrackRecordSize = 112;
// PAGE and LINE chunks hold at least their 34-byte head.
constexpr DWORD kMinChunkSize = 26;

bool Swapped(const CEncDoc* doc)
{
    return doc && doc->m_bSwap;
}

// Reads the chunk whose tag was just read: its length (reversed in SCO5) and
// the whole chunk, tag and length included, into `chunk`. False on a short
// read or a length the file cannot hold.
bool ReadHeadedChunk(CFile& file, bool swap, std::vector<BYTE>& chunk)
{
    BYTE length[4];
    if (!encio::ReadAll(file, length, 4))
        return false;
    if (swap)
        encio::SwapDword(length);
    const uint64_t size = encio::Dword(length);
    if (size < kMinChunkSize || size > encio::BytesLeft(file))
        return false;
    file.Seek(-8, CFile::current);
    chunk.resize(static_cast<size_t>(size + 8));
    return encio::ReadAll(file, chunk.data(), static_cast<UINT>(chunk.size()));
}

} // namespace

COLORREF EncColorToRGB(const BYTE* entry)
{
    return static_cast<COLORREF>(entry[0] | (entry[1] << 8) | (entry[2] << 16));
}

// --- tracks ---

CEncTrack::CEncTrack(CEncDoc* doc)
    : m_pDoc(doc)
{
}

CEncTrack::CEncTrack(const CEncTrack& other)
{
    *this = other;
}

CEncTrack& CEncTrack::operator=(const CEncTrack& other)
{
    std::memcpy(m_byRecord, other.m_byRecord, sizeof m_byRecord);
    m_pDoc = other.m_pDoc;
    std::memcpy(m_nStaffIndex, other.m_nStaffIndex, sizeof m_nStaffIndex);
    return *this;
}

int CEncTrack::ReadOne(CFile& file)
{
    BYTE tag[4] {};
    if (!encio::ReadAll(file, tag, 4))
        return 0;
    file.Seek(-4, CFile::current);
    if (!((tag[0] == 'T' && tag[1] == 'K') || tag[0] == 0))
        return 2;
    if (!encio::ReadAll(file, m_byRecord, kTrackRecordSize))
        return 0;
    if (m_pDoc->dwSize() == kLaterLayoutHeader) {
        // The later layout's track chunks are not 112-byte records.
        BYTE size[4];
        std::memcpy(size, m_byRecord + 4, 4);
        if (m_pDoc->m_bSwap)
            encio::SwapDword(size);
        if (encio::Dword(size) != kTrackRecordSize) {
            m_pDoc->m_readFailure = EncReadFailure::LaterLayout;
            return 0;
        }
    }
    m_pDoc->m_arrTrack.Add(this);
    return 1;
}

int CEncTrack::Read(CFile& file)
{
    if (ReadOne(file) != 1)
        return 0;
    for (;;) {
        auto* next = new CEncTrack(m_pDoc);
        const int result = next->ReadOne(file);
        if (result == 1)
            continue;
        delete next;
        return result == 2 ? 1 : 0;
    }
}

// --- staves ---

CEncStaff::CEncStaff(CEncSystem* system)
    : m_pSystem(system)
{
}

CEncStaff::CEncStaff(const CEncStaff& other)
{
    *this = other;
}

CEncStaff& CEncStaff::operator=(const CEncStaff& other)
{
    std::memcpy(m_byRecord, other.m_byRecord, sizeof m_byRecord);
    m_pSystem = other.m_pSystem;
    return *this;
}

int CEncStaff::Read(unsigned char* data, int& pos)
{
    std::memcpy(m_byRecord, data + pos, sizeof m_byRecord);
    if (m_pSystem && Swapped(m_pSystem->m_pDoc))
        encio::SwapWords(m_byRecord, {10, 12, 14, 16, 18, 20});
    pos += static_cast<int>(sizeof m_byRecord);
    return 1;
}

// --- systems ---

CEncSystem::CEncSystem(CEncDoc* doc)
    : m_pDoc(doc)
{
}

CEncSystem::~CEncSystem()
{
    for (int i = 0; i < m_arrStaff.GetSize(); ++i)
        delete m_arrStaff[i];
}

CEncStaff* CEncSystem::GetStaff(int index)
{
    return index >= 0 && index < m_arrStaff.GetSize() ? m_arrStaff[index] : nullptr;
}

int CEncSystem::ReadOne(CFile& file)
{
    BYTE tag[4] {};
    if (!encio::ReadAll(file, tag, 4))
        return 0;
    if (std::memcmp(tag, "LINE", 4) != 0) {
        file.Seek(-4, CFile::current);
        return 2;
    }
    std::vector<BYTE> chunk;
    if (!ReadHeadedChunk(file, Swapped(m_pDoc), chunk))
        return 0;
    std::memcpy(m_byHead, chunk.data(), sizeof m_byHead);
    if (Swapped(m_pDoc)) {
        encio::SwapDword(m_byHead + 4);
        encio::SwapDword(m_byHead + 26);
        encio::SwapDword(m_byHead + 30);
        encio::SwapWords(m_byHead, {8, 10, 12, 14, 16, 18, 20, 22});
    }
    CEncPage* page = m_pDoc->GetPage(wPageNo());
    if (page == nullptr)
        return 0;
    const int size = static_cast<int>(chunk.size());
    m_arrStaff.Reserve((size - 34) / 30);
    for (int pos = 34; pos + 30 <= size;) {
        auto* staff = new CEncStaff(this);
        staff->Read(chunk.data(), pos);
        m_arrStaff.Add(staff);
    }
    page->m_arrSystem.Add(this);
    return 1;
}

int CEncSystem::Read(CFile& file)
{
    const int first = ReadOne(file);
    if (first != 1)
        return first == 2 ? 1 : 0; // a file may have no systems; the caller deletes this one
    for (;;) {
        auto* next = new CEncSystem(m_pDoc);
        const int result = next->ReadOne(file);
        if (result == 1)
            continue;
        delete next;
        return result == 2 ? 1 : 0;
    }
}

// --- pages ---

CEncPage::CEncPage(CEncDoc* doc)
    : m_pDoc(doc)
{
}

CEncPage::~CEncPage()
{
    for (int i = 0; i < m_arrSystem.GetSize(); ++i)
        delete m_arrSystem[i];
}

void CEncPage::Test()
{
    for (int i = 0; i < m_arrSystem.GetSize(); ++i)
        static_cast<void>(m_arrSystem[i]);
}

int CEncPage::ReadOne(CFile& file)
{
    BYTE tag[4] {};
    if (!encio::ReadAll(file, tag, 4))
        return 0;
    if (std::memcmp(tag, "PAGE", 4) != 0) {
        file.Seek(-4, CFile::current);
        return 2;
    }
    std::vector<BYTE> chunk;
    if (!ReadHeadedChunk(file, Swapped(m_pDoc), chunk))
        return 0;
    std::memcpy(m_byRecord, chunk.data(), sizeof m_byRecord);
    if (Swapped(m_pDoc)) {
        encio::SwapDword(m_byRecord + 4);
        encio::SwapDword(m_byRecord + 16);
        encio::SwapWords(m_byRecord, {8, 10, 12, 14, 20});
    }
    m_pDoc->m_arrPage.Add(this);
    return 1;
}

int CEncPage::Read(CFile& file)
{
    if (ReadOne(file) != 1)
        return 0;
    for (;;) {
        auto* next = new CEncPage(m_pDoc);
        const int result = next->ReadOne(file);
        if (result == 1)
            continue;
        delete next;
        return result == 2 ? 1 : 0;
    }
}
