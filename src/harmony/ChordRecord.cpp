// Byte access for the chord-symbol records.

#include "harmony/ChordRecord.h"

#include "platform/LittleEndian.h"

#include <cstdlib>
#include <cstring>

namespace chordrecord {

namespace {

// The smallest block a growing buffer gets, so that a run of small appends
// to an empty buffer does not allocate for each one.
constexpr size_t kMinimumCapacity = 256;
constexpr size_t kMaximumCapacity = 0xFFFFFFFFu;

} // namespace

bool Cursor::Bytes(void* out, size_t count)
{
    if (count > Left())
        return false;
    if (count > 0)
        std::memcpy(out, m_buffer + *m_pos, count);
    *m_pos += static_cast<DWORD>(count);
    return true;
}

bool Cursor::Skip(size_t count)
{
    if (count > Left())
        return false;
    *m_pos += static_cast<DWORD>(count);
    return true;
}

bool Cursor::U8(BYTE& value)
{
    return Bytes(&value, 1);
}

bool Cursor::U16(WORD& value)
{
    BYTE bytes[2];
    if (!Bytes(bytes, 2))
        return false;
    value = GetWord(bytes);
    return true;
}

bool Cursor::I16(short& value)
{
    WORD word = 0;
    if (!U16(word))
        return false;
    value = static_cast<short>(word);
    return true;
}

bool Cursor::U32(DWORD& value)
{
    BYTE bytes[4];
    if (!Bytes(bytes, 4))
        return false;
    value = GetDword(bytes);
    return true;
}

bool Writer::Reserve(size_t count)
{
    const size_t used = *m_used;
    const size_t capacity = *m_capacity;
    if (used > capacity || count > kMaximumCapacity - used || (m_buffer == nullptr && used > 0))
        return false;
    const size_t need = used + count;
    if (need <= capacity && m_buffer != nullptr)
        return true;
    size_t grown = capacity < kMaximumCapacity / 2 ? capacity * 2 : kMaximumCapacity;
    if (grown < kMinimumCapacity)
        grown = kMinimumCapacity;
    if (grown < need)
        grown = need;
    auto* block = static_cast<unsigned char*>(std::malloc(grown));
    if (block == nullptr)
        return false;
    if (used > 0)
        std::memcpy(block, m_buffer, used);
    std::free(m_buffer);
    m_buffer = block;
    *m_capacity = static_cast<DWORD>(grown);
    return true;
}

void Writer::Bytes(const void* data, size_t count)
{
    if (count > 0)
        std::memcpy(m_buffer + *m_used, data, count);
    *m_used += static_cast<DWORD>(count);
}

void Writer::U8(BYTE value)
{
    Bytes(&value, 1);
}

void Writer::U16(WORD value)
{
    BYTE bytes[2];
    PutWord(bytes, value);
    Bytes(bytes, 2);
}

void Writer::U32(DWORD value)
{
    BYTE bytes[4];
    PutDword(bytes, value);
    Bytes(bytes, 4);
}

} // namespace chordrecord
