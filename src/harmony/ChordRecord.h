#pragma once
// Byte access for the chord-symbol records: a reading cursor that never
// passes the length it was given, and an appending writer that grows the
// caller's buffer. Values are little-endian and go field by field. Internal
// to the library.

#include "Platform.h"
#include "platform/LittleEndian.h"

#include <cstddef>
#include <cstring>

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

    // Inline: a chord symbol is read and written a byte or a word at a time.
    bool Bytes(void* out, size_t count)
    {
        if (count > Left())
            return false;
        if (count > 0)
            std::memcpy(out, m_buffer + *m_pos, count);
        *m_pos += static_cast<DWORD>(count);
        return true;
    }
    bool Skip(size_t count)
    {
        if (count > Left())
            return false;
        *m_pos += static_cast<DWORD>(count);
        return true;
    }
    bool U8(BYTE& value) { return Bytes(&value, 1); }
    bool U16(WORD& value) { return Field<2>(value, GetWord); }
    bool I16(short& value)
    {
        WORD word = 0;
        if (!U16(word))
            return false;
        value = static_cast<short>(word);
        return true;
    }
    bool U32(DWORD& value) { return Field<4>(value, GetDword); }

private:
    // A little-endian field of `Size` bytes, decoded when all are there.
    template <size_t Size, class T>
    bool Field(T& value, T (*decode)(const BYTE*))
    {
        BYTE bytes[Size];
        if (!Bytes(bytes, Size))
            return false;
        value = decode(bytes);
        return true;
    }

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
    bool Reserve(size_t count)
    {
        const size_t used = *m_used;
        if (m_buffer != nullptr && used <= *m_capacity && count <= *m_capacity - used)
            return true;
        return Grow(count);
    }

    void Bytes(const void* data, size_t count)
    {
        if (count > 0)
            std::memcpy(m_buffer + *m_used, data, count);
        *m_used += static_cast<DWORD>(count);
    }
    void U8(BYTE value) { Bytes(&value, 1); }
    void U16(WORD value) { Field<2>(value, PutWord); }
    void U32(DWORD value) { Field<4>(value, PutDword); }

private:
    // A little-endian field of `Size` bytes.
    template <size_t Size, class T>
    void Field(T value, void (*encode)(BYTE*, T))
    {
        BYTE bytes[Size];
        encode(bytes, value);
        Bytes(bytes, Size);
    }

    // Reserve when the room is not there yet.
    bool Grow(size_t count);

    unsigned char*& m_buffer;
    DWORD* m_used;
    DWORD* m_capacity;
};

} // namespace chordrecord
