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

bool Writer::Grow(size_t count)
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

} // namespace chordrecord
