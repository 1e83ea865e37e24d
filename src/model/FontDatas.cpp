// The document's font table: fonts by number and name, its flat form in the score file, a face's character set and family.
#include "model/FontDatas.h"

#include "model/InstalledFonts.h"

#include <cstring>
#include <new>

namespace {

constexpr int kLoadedEntrySize = 257;

// Faces named in a Korean double-byte code page that older scores use, and
// the installed faces drawn in their place.
struct NearestName {
    const char* source;
    const char* face;
};

const NearestName kNearestNames[] = {
    {"\xf6\x66\xf0\xdb\xf0\x73\xf5\xe4", "TOL Gothic"},
    {"\xf6\x66\xf0\xdb\xf0\x73\xf5\xe4\xf6\xb1", "TOL Gothic"},
    {"\xf6\x76\xf4\x5d\xf6\xb1", "TOL ChongBong"},
    {"\xf5\xd5\xf6\x76\xf4\x5d\xf6\xb1", "TOL ChongBong"},
    {"\xf6\xb1\xf0\xc1\xf0\x41\xf0\x99", "TOL Gothic"},
    {"\xf5\xd5\xf0\xdb\xf3\x80\xf6\xb1", "TOL Myongzo"},
};

} // namespace

CFontDatas::CFontDatas() = default;

CFontDatas::~CFontDatas()
{
    FreeRecords();
    for (int i = 0; i < m_arrLoadedName.GetSize(); ++i)
        delete[] static_cast<BYTE*>(m_arrLoadedName.GetAt(i));
    m_arrLoadedName.RemoveAll();
}

void CFontDatas::operator=(const CFontDatas& other)
{
    if (&other == this)
        return;
    FreeRecords();
    for (const FontRecord* r = other.m_pFirst; r; r = r->next)
        AddNewFont(r->number, r->name, r->length);
}

void CFontDatas::FreeRecords()
{
    while (m_pFirst) {
        FontRecord* next = m_pFirst->next;
        delete m_pFirst;
        m_pFirst = next;
    }
}

CFontDatas::FontRecord* CFontDatas::Find(BYTE number) const
{
    for (FontRecord* r = m_pFirst; r; r = r->next) {
        if (r->number == number)
            return r;
    }
    return nullptr;
}

BYTE* CFontDatas::LoadedEntry(BYTE number) const
{
    for (int i = 0; i < m_arrLoadedName.GetSize(); ++i) {
        BYTE* entry = static_cast<BYTE*>(m_arrLoadedName.GetAt(i));
        if (entry && entry[0] == number)
            return entry;
    }
    return nullptr;
}

const char* CFontDatas::LoadedName(BYTE number) const
{
    const BYTE* entry = LoadedEntry(number);
    return entry ? reinterpret_cast<const char*>(entry + 1) : nullptr;
}

short CFontDatas::GetFontNumber(const char* name)
{
    if (!name)
        return 0;
    const size_t length = std::strlen(name);
    FontRecord* last = nullptr;
    for (FontRecord* r = m_pFirst; r; r = r->next) {
        if (r->length == length && std::memcmp(r->name, name, length) == 0)
            return r->number;
        last = r;
    }
    // Names and numbers are stored in one byte each.
    const short number = GetNewNumber();
    if (length > static_cast<size_t>(kMaxNameLength) || number > 255)
        return 0;
    FontRecord* record = new (std::nothrow) FontRecord;
    if (!record)
        return 0;
    record->number = static_cast<BYTE>(number);
    record->length = static_cast<BYTE>(length);
    std::memcpy(record->name, name, length);
    (last ? last->next : m_pFirst) = record;
    return number;
}

int CFontDatas::GetFontName(int number, char* face)
{
    const FontRecord* r = Find(static_cast<BYTE>(number));
    if (!r || !face)
        return 0;
    std::memcpy(face, r->name, r->length);
    face[r->length] = '\0';
    return 1;
}

short CFontDatas::GetNewNumber()
{
    int largest = 0;
    for (const FontRecord* r = m_pFirst; r; r = r->next) {
        if (r->number > largest)
            largest = r->number;
    }
    return static_cast<short>(largest + 1);
}

void CFontDatas::AddNewFont(short number, const char* name, BYTE length)
{
    char given[kMaxNameLength + 1] = {};
    if (name)
        std::memcpy(given, name, length);
    char mapped[kMaxNameLength + 1] = {};
    GetNearestFontName(given, mapped);

    FontRecord* record = new (std::nothrow) FontRecord;
    if (!record)
        return;
    record->number = static_cast<BYTE>(number);
    const size_t mappedLength = std::strlen(mapped);
    record->length = static_cast<BYTE>(mappedLength);
    std::memcpy(record->name, mapped, mappedLength);
    FontRecord** tail = &m_pFirst;
    while (*tail)
        tail = &(*tail)->next;
    *tail = record;
}

int CFontDatas::ReadFontInfo(short& number, char* name, BYTE& length)
{
    for (const FontRecord* r = m_pFirst; r; r = r->next) {
        if (r->number > number) {
            number = r->number;
            length = r->length;
            if (name)
                std::memcpy(name, r->name, r->length);
            return 1;
        }
    }
    return 0;
}

int CFontDatas::GetFontCount() const
{
    int count = 0;
    for (const FontRecord* r = m_pFirst; r; r = r->next)
        ++count;
    return count;
}

const char* CFontDatas::SavedName(const FontRecord& record, size_t& length)
{
    // A loaded name stands for the record only while it still maps to the
    // record's face: after Initalize or an assignment the number may belong
    // to another font.
    if (const char* loaded = LoadedName(record.number)) {
        char mapped[kMaxNameLength + 1] = {};
        GetNearestFontName(loaded, mapped);
        if (std::strlen(mapped) == record.length && std::memcmp(mapped, record.name, record.length) == 0) {
            length = std::strlen(loaded);
            return loaded;
        }
    }
    length = record.length;
    return record.name;
}

LONG CFontDatas::GetBufferSize()
{
    LONG size = 0;
    for (const FontRecord* r = m_pFirst; r; r = r->next) {
        size_t length;
        SavedName(*r, length);
        size += 2 + static_cast<LONG>(length);
    }
    return size;
}

LONG CFontDatas::SaveBuffer(char* buffer, LONG)
{
    LONG pos = 0;
    for (const FontRecord* r = m_pFirst; r; r = r->next) {
        size_t length;
        const char* name = SavedName(*r, length);
        buffer[pos++] = static_cast<char>(r->number);
        buffer[pos++] = static_cast<char>(length);
        std::memcpy(buffer + pos, name, length);
        pos += static_cast<LONG>(length);
    }
    return pos;
}

void CFontDatas::LoadBuffer(char* buffer, LONG size)
{
    if (!buffer)
        return;
    const int present = GetFontCount();
    LONG pos = 0;
    // An entry cut off by the end of the form ends the reading.
    while (size - pos >= 2) {
        const BYTE number = static_cast<BYTE>(buffer[pos]);
        const BYTE length = static_cast<BYTE>(buffer[pos + 1]);
        if (size - pos - 2 < length)
            break;
        const char* name = buffer + pos + 2;
        pos += 2 + length;
        // Numbers are one byte: a font that would be numbered past 255 is
        // left out rather than wrapped onto another.
        if (present + number > 255)
            continue;
        const BYTE renumbered = static_cast<BYTE>(present + number);
        RememberLoadedName(renumbered, name, length);
        AddNewFont(renumbered, name, length);
    }
}

void CFontDatas::RememberLoadedName(BYTE number, const char* name, BYTE length)
{
    // A later load under the same number replaces the earlier name.
    BYTE* entry = LoadedEntry(number);
    if (!entry) {
        entry = new (std::nothrow) BYTE[kLoadedEntrySize];
        if (!entry)
            return;
        m_arrLoadedName.Add(entry);
    }
    std::memset(entry, 0, kLoadedEntrySize);
    entry[0] = number;
    std::memcpy(entry + 1, name, length);
}

BYTE CFontDatas::GetCharSet(BYTE number)
{
    const FontRecord* r = Find(number);
    if (!r)
        return 0;
    CString face(r->name, r->length);
    return GetInstalledFontCharset(face);
}

BYTE CFontDatas::GetPitchAndFamily(BYTE number)
{
    const FontRecord* r = Find(number);
    if (!r)
        return 0;
    CString face(r->name, r->length);
    return GetInstalledFontPitchAndFamily(face);
}

BYTE CFontDatas::GetCharSet(CString& face)
{
    return GetInstalledFontCharset(face);
}

BYTE CFontDatas::GetPitchAndFamily(CString& face)
{
    return GetInstalledFontPitchAndFamily(face);
}

void CFontDatas::GetNearestFontName(const char* name, char* out)
{
    if (!out)
        return;
    const char* result = name ? name : "";
    for (const NearestName& n : kNearestNames) {
        if (std::strcmp(result, n.source) == 0) {
            result = n.face;
            break;
        }
    }
    const size_t length = std::strlen(result);
    std::memmove(out, result, length + 1);
}

void CFontDatas::Initalize()
{
    FreeRecords();
}
