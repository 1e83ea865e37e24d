#include "model/KVCtrlPoint.h"

#include <cstdint>

namespace {

// A shared block: this header, then the handles one after another. The
// header counts the handles not yet deleted.
struct SharedHeader {
    uint64_t live;
};
static_assert(sizeof(SharedHeader) % alignof(CKVCtrlPoint) == 0);

SharedHeader* HeaderOf(CKVCtrlPoint* handle, int slot)
{
    char* first = reinterpret_cast<char*>(handle) - static_cast<size_t>(slot - 1) * sizeof(CKVCtrlPoint);
    return reinterpret_cast<SharedHeader*>(first - sizeof(SharedHeader));
}

} // namespace

bool CKVCtrlPoint::MakeShared(int count, CKVCtrlPoint** out) noexcept
{
    if (count < 1 || count > kMostShared)
        return false;
    void* block = KvPoolAllocate(sizeof(SharedHeader) + static_cast<size_t>(count) * sizeof(CKVCtrlPoint));
    if (!block)
        return false;
    SharedHeader* header = ::new (block) SharedHeader {static_cast<uint64_t>(count)};
    char* first = reinterpret_cast<char*>(header + 1);
    for (int i = 0; i < count; ++i) {
        CKVCtrlPoint* handle = ::new (first + static_cast<size_t>(i) * sizeof(CKVCtrlPoint)) CKVCtrlPoint();
        handle->m_bySlot = static_cast<BYTE>(i + 1);
        out[i] = handle;
    }
    return true;
}

void CKVCtrlPoint::operator delete(CKVCtrlPoint* handle, std::destroying_delete_t) noexcept
{
    const int slot = handle->m_bySlot;
    handle->~CKVCtrlPoint();
    if (slot == 0) {
        KvPoolFree(handle);
        return;
    }
    SharedHeader* header = HeaderOf(handle, slot);
    if (--header->live == 0)
        KvPoolFree(header);
}

CKVCtrlPoint::CKVCtrlPoint(const RECT& rect)
    : m_rect(rect)
{
}

CKVCtrlPoint& CKVCtrlPoint::operator=(const CKVCtrlPoint& other)
{
    m_rect = other.m_rect;
    m_wKind = other.m_wKind;
    return *this;
}
