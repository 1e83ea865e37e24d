#pragma once
// Byte access for the chord-symbol records: a reading cursor that never
// passes the length it was given, and an appending writer that grows the
// caller's buffer. Values are little-endian and go field by field. Internal
// to the library.

#include "Platform.h"

#include <cstddef>

namespace chordrecord {

// Reads at *pos and advances it. Every read first checks that the bytes are
// there; a read that would pass *length fails and leaves *pos alone.
class Cursor {
public:
    Cursor(const unsigned char* buffer, DWORD* pos, const DWORD* length)
        : m_buffer(buffer), m_pos(pos), m_length(*length)
    {
    }

    // Bytes between the position and the length (0 when past it).
    DWORD Left() const { return *m_pos < m_length ? m_length - *m_pos : 0; }

    bool Bytes(void* out, size_t count);
    bool Skip(size_t count);
    bool U8(BYTE& value);
    bool U16(WORD& value);
    bool I16(short& value);
    bool U32(DWORD& value);

private:
    const unsigned char* m_buffer;
    DWORD* m_pos;
    DWORD m_length;
};

// Appends at *used. Reserve makes room for what follows; the puts then
// write without a further test and must stay within what was reserved.
class Writer {
public:
    Writer(unsigned char*& buffer, DWORD* used, DWORD* capacity)
        : m_buffer(buffer), m_used(used), m_capacity(capacity)
    {
    }

    // Room for `count` more bytes. A short buffer is replaced by a larger
    // one (malloc/free, the allocator of every record buffer) holding the
    // used bytes; growth is geometric. False, with the buffer unchanged,
    // when the allocation fails or the size would pass 32 bits.
    bool Reserve(size_t count);

    void Bytes(const void* data, size_t count);
    void U8(BYTE value);
    void U16(WORD value);
    void U32(DWORD value);

private:
    unsigned char*& m_buffer;
    DWORD* m_used;
    DWORD* m_capacity;
};

} // namespace chordrecord
