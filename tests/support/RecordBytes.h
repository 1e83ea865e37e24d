#pragma once
// Byte buffers for the record and file tests: a growing record buffer as the
// writers take it, exact-size copies for reading (so that the sanitizer sees
// any read past the end), a sweep over every prefix of a record, the
// little-endian words that tests patch into records, and the contents of a
// memory file.

#include "Platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace kvtest {

using Bytes = std::vector<unsigned char>;

// A record buffer owned like the library's: malloc/free.
struct RecordBuffer {
    unsigned char* data = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;

    RecordBuffer() = default;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer() { std::free(data); }

    Bytes Written() const { return Bytes(data, data + used); }
};

// Runs `read` on a copy of `bytes` in a block of exactly that size.
inline int ReadExact(const Bytes& bytes, const std::function<int(unsigned char*, DWORD*, DWORD*)>& read,
                     DWORD* endPos = nullptr)
{
    unsigned char* block = static_cast<unsigned char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (!bytes.empty())
        std::memcpy(block, bytes.data(), bytes.size());
    DWORD pos = 0;
    DWORD length = static_cast<DWORD>(bytes.size());
    const int result = read(block, &pos, &length);
    std::free(block);
    if (endPos != nullptr)
        *endPos = pos;
    return result;
}

// Every prefix shorter than the record fails; the whole record reads and
// ends at its last byte.
inline void ExpectEveryPrefixFails(const Bytes& record,
                                   const std::function<int(unsigned char*, DWORD*, DWORD*)>& read)
{
    for (size_t k = 0; k < record.size(); ++k) {
        const Bytes prefix(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(k));
        EXPECT_EQ(ReadExact(prefix, read), 0) << "prefix of " << k << " of " << record.size() << " bytes";
    }
    DWORD end = 0;
    EXPECT_EQ(ReadExact(record, read, &end), 1) << "the whole record";
    EXPECT_EQ(end, record.size());
}

inline void PutU16(Bytes& b, size_t at, WORD v)
{
    b[at] = static_cast<BYTE>(v);
    b[at + 1] = static_cast<BYTE>(v >> 8);
}

inline void PutU32(Bytes& b, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<BYTE>(v >> (8 * i));
}

inline DWORD GetU32(const Bytes& b, size_t at)
{
    return static_cast<DWORD>(b[at]) | (static_cast<DWORD>(b[at + 1]) << 8) | (static_cast<DWORD>(b[at + 2]) << 16) |
           (static_cast<DWORD>(b[at + 3]) << 24);
}

inline void AppendU16(Bytes& b, WORD v)
{
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}

inline void AppendU32(Bytes& b, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<BYTE>(v >> (8 * i)));
}

// Everything a memory file holds; its position stays where it was.
inline Bytes FileBytes(CMemFile& file)
{
    Bytes bytes(file.GetLength());
    const DWORD at = file.GetPosition();
    file.SeekToBegin();
    if (!bytes.empty()) {
        EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    }
    file.Seek(static_cast<LONG>(at), CFile::begin);
    return bytes;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace kvtest
