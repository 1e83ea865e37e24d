#pragma once
// The base of the Brenlo page model: byte-order and fixed-point helpers, the
// bounded big-endian reader every parser reads through, the list node and
// the owning list head.

#include "platform/WinTypes.h"

#include <cstdint>

// 16.16 fixed-point value of a Brenlo page.
typedef LONG Fixed;

class CUBaseObj {
public:
    CUBaseObj() = default;
    virtual ~CUBaseObj() = default;

    static void SwapShort(short* value);
    static void SwapWord(unsigned short* value);
    static void SwapLong(DWORD* value);
    static void SwapLong(LONG* value);
    // n values from src into dst; the two may be the same.
    static void SwapWord(unsigned short* src, unsigned short* dst, LONG n);
    static void SwapLong(DWORD* src, DWORD* dst, LONG n);

    static Fixed Short2Fixed(short value);
    // (value + 0.5) with the fraction dropped, in 64 bits.
    static int64_t FixRound(int64_t value);
    // Rounds half away from zero; results beyond 16 bits are clamped.
    static short Fixed2Short(int64_t value);
};

// Reads the fields of one record (or block) of `size` bytes, big-endian, by
// offset. A read that does not lie wholly inside gives 0 and marks the
// reader failed; the bytes are never written.
class CUReader {
public:
    CUReader(const char* data, DWORD size) : m_data(reinterpret_cast<const BYTE*>(data)), m_size(size) {}

    bool Has(DWORD offset, DWORD count) const
    {
        return static_cast<uint64_t>(offset) + count <= m_size;
    }
    BYTE Byte(DWORD offset);
    signed char Char(DWORD offset) { return static_cast<signed char>(Byte(offset)); }
    WORD Word(DWORD offset);
    short Short(DWORD offset) { return static_cast<short>(Word(offset)); }
    DWORD Dword(DWORD offset);
    LONG Long(DWORD offset) { return static_cast<LONG>(Dword(offset)); }
    // Copies count bytes as they stand; zero-fills dst on a failed read.
    void Raw(DWORD offset, void* dst, DWORD count);
    const char* At(DWORD offset) const { return reinterpret_cast<const char*>(m_data + offset); }
    DWORD Size() const { return m_size; }
    bool Failed() const { return m_failed; }

private:
    const BYTE* m_data;
    DWORD m_size;
    bool m_failed = false;
};

class CUJoin : public CUBaseObj {
public:
    CUJoin() = default;
    CUJoin(const CUJoin&) = default;
    CUJoin& operator=(const CUJoin&) = default;
    // No class of the model makes copies of its nodes.
    virtual CUJoin* Dup() { return nullptr; }

    CUJoin* m_pPrev = nullptr;
    CUJoin* m_pNext = nullptr;
};

// A list head owning its nodes.
class CUList : public CUBaseObj {
public:
    CUList() = default;
    CUList(const CUList&) = delete;
    CUList& operator=(const CUList&) = delete;
    ~CUList() override;

    virtual CUJoin* GetAt(short index);
    virtual short GetCount();
    virtual int InsertAt(short index, CUJoin* node);
    virtual void RemoveRange(short first, short last);
    virtual void TruncateFrom(CUJoin* node);
    virtual CUList* Duplicate();
    virtual short IndexOf(CUJoin* node);
    virtual CUJoin* GetLast();

    // Largest number of nodes a parsed list may hold.
    static constexpr int kMaxItems = 32767;

    CUJoin* m_pHead = nullptr;
};

namespace brenlo {

// Copies `count` bytes into a new movable, zeroed global block and leaves it
// locked at `*locked` for the owner's lifetime; null when count is 0 or on
// failure. `failed` is set on failure only.
HGLOBAL CopyToGlobal(const char* src, DWORD count, bool& failed, const BYTE** locked);
// Unlocks and frees a block of the model; null is allowed.
void FreeGlobal(HGLOBAL block);

} // namespace brenlo
