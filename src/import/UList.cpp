// The base helpers of the Brenlo page model and its list head.

#include "import/UList.h"

#include "platform/Kernel.h"

#include <algorithm>
#include <cstring>

void CUBaseObj::SwapShort(short* value)
{
    unsigned short w = static_cast<unsigned short>(*value);
    SwapWord(&w);
    *value = static_cast<short>(w);
}

void CUBaseObj::SwapWord(unsigned short* value)
{
    *value = static_cast<unsigned short>((*value >> 8) | (*value << 8));
}

void CUBaseObj::SwapLong(DWORD* value)
{
    const DWORD v = *value;
    *value = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void CUBaseObj::SwapLong(LONG* value)
{
    DWORD v = static_cast<DWORD>(*value);
    SwapLong(&v);
    *value = static_cast<LONG>(v);
}

void CUBaseObj::SwapWord(unsigned short* src, unsigned short* dst, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        unsigned short w = src[i];
        SwapWord(&w);
        dst[i] = w;
    }
}

void CUBaseObj::SwapLong(DWORD* src, DWORD* dst, LONG n)
{
    for (LONG i = 0; i < n; ++i) {
        DWORD v = src[i];
        SwapLong(&v);
        dst[i] = v;
    }
}

Fixed CUBaseObj::Short2Fixed(short value)
{
    return static_cast<Fixed>(value) * 65536;
}

int64_t CUBaseObj::FixRound(int64_t value)
{
    return (value + 32768) >> 16;
}

short CUBaseObj::Fixed2Short(int64_t value)
{
    const int64_t rounded = value >= 0 ? FixRound(value) : -FixRound(-value);
    return static_cast<short>(std::clamp<int64_t>(rounded, -32768, 32767));
}

BYTE CUReader::Byte(DWORD offset)
{
    if (!Has(offset, 1)) {
        m_failed = true;
        return 0;
    }
    return m_data[offset];
}

WORD CUReader::Word(DWORD offset)
{
    if (!Has(offset, 2)) {
        m_failed = true;
        return 0;
    }
    return static_cast<WORD>((m_data[offset] << 8) | m_data[offset + 1]);
}

DWORD CUReader::Dword(DWORD offset)
{
    if (!Has(offset, 4)) {
        m_failed = true;
        return 0;
    }
    return (static_cast<DWORD>(m_data[offset]) << 24) | (static_cast<DWORD>(m_data[offset + 1]) << 16)
           | (static_cast<DWORD>(m_data[offset + 2]) << 8) | m_data[offset + 3];
}

void CUReader::Raw(DWORD offset, void* dst, DWORD count)
{
    if (!Has(offset, count)) {
        m_failed = true;
        std::memset(dst, 0, count);
        return;
    }
    std::memcpy(dst, m_data + offset, count);
}

CUList::~CUList()
{
    CUJoin* node = m_pHead;
    m_pHead = nullptr;
    while (node) {
        CUJoin* next = node->m_pNext;
        delete node;
        node = next;
    }
}

CUJoin* CUList::GetAt(short index)
{
    if (index < 0)
        return nullptr;
    CUJoin* node = m_pHead;
    for (short i = 0; node && i < index; ++i)
        node = node->m_pNext;
    return node;
}

short CUList::GetCount()
{
    int count = 0;
    for (CUJoin* node = m_pHead; node; node = node->m_pNext)
        ++count;
    return static_cast<short>(count);
}

int CUList::InsertAt(short index, CUJoin* node)
{
    if (!node || index < 0 || index > GetCount())
        return 0;
    CUJoin* before = index > 0 ? GetAt(static_cast<short>(index - 1)) : nullptr;
    CUJoin* after = before ? before->m_pNext : m_pHead;
    node->m_pPrev = before;
    node->m_pNext = after;
    if (before)
        before->m_pNext = node;
    else
        m_pHead = node;
    if (after)
        after->m_pPrev = node;
    return 1;
}

void CUList::RemoveRange(short first, short last)
{
    if (first < 0 || first > last || last > GetCount() - 1)
        return;
    CUJoin* node = GetAt(first);
    CUJoin* before = node->m_pPrev;
    for (short i = first; i <= last && node; ++i) {
        CUJoin* next = node->m_pNext;
        delete node;
        node = next;
    }
    if (before)
        before->m_pNext = node;
    else
        m_pHead = node;
    if (node)
        node->m_pPrev = before;
}

void CUList::TruncateFrom(CUJoin* node)
{
    if (!node || IndexOf(node) < 0)
        return;
    if (node->m_pPrev)
        node->m_pPrev->m_pNext = nullptr;
    else
        m_pHead = nullptr;
    while (node) {
        CUJoin* next = node->m_pNext;
        delete node;
        node = next;
    }
}

CUList* CUList::Duplicate()
{
    CUList* copy = new CUList;
    short index = 0;
    for (CUJoin* node = m_pHead; node; node = node->m_pNext) {
        if (CUJoin* dup = node->Dup())
            copy->InsertAt(index++, dup);
    }
    return copy;
}

short CUList::IndexOf(CUJoin* node)
{
    short index = 0;
    for (CUJoin* walk = m_pHead; walk; walk = walk->m_pNext, ++index) {
        if (walk == node)
            return index;
    }
    return -1;
}

CUJoin* CUList::GetLast()
{
    return GetAt(static_cast<short>(GetCount() - 1));
}

namespace brenlo {

HGLOBAL CopyToGlobal(const char* src, DWORD count, bool& failed, const BYTE** locked)
{
    *locked = nullptr;
    if (count == 0)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GHND, count);
    void* data = block ? GlobalLock(block) : nullptr;
    if (!data) {
        if (block)
            GlobalFree(block);
        failed = true;
        return nullptr;
    }
    std::memcpy(data, src, count);
    *locked = static_cast<const BYTE*>(data);
    return block;
}

void FreeGlobal(HGLOBAL block)
{
    if (!block)
        return;
    GlobalUnlock(block);
    GlobalFree(block);
}

} // namespace brenlo
