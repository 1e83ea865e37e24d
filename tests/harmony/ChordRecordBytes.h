#pragma once
// Byte buffers for the chord record tests: a growing record buffer as the
// writers take it, exact-size copies for reading (so that the sanitizer sees
// any read past the end), and a sweep over every prefix of a record.

#include "Platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace chordtest {

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

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace chordtest
