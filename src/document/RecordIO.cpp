// The growing record writer, the pending references of a read and the load
// progress of the record readers.

#include "document/RecordIO.h"

#include "model/KVMeas.h"

#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "edit/MemoryGuard.h"
#include "model/KVMsg.h"
#include "model/KVObject.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace kvrec {

namespace {

// The smallest block a writer starts with.
constexpr size_t kMinBlock = 256;
constexpr size_t kMaxBlock = 0xFFFFFFFFu;

} // namespace

bool Writer::Reserve(size_t n)
{
    const size_t used = *m_used;
    const size_t capacity = m_buffer ? *m_capacity : 0;
    if (n > kMaxBlock - used) {
        ReportOutOfMemory(1);
        return false;
    }
    const size_t need = used + n;
    if (need <= capacity)
        return true;
    // Doubling keeps a long run of appends linear in the bytes written.
    size_t grown = capacity > kMaxBlock / 2 ? kMaxBlock : capacity * 2;
    grown = std::max({grown, need, kMinBlock});
    unsigned char* block = static_cast<unsigned char*>(std::malloc(grown));
    if (!block) {
        ReportOutOfMemory(1);
        return false;
    }
    if (m_buffer && used > 0)
        std::memcpy(block, m_buffer, used);
    std::free(m_buffer);
    m_buffer = block;
    *m_capacity = static_cast<DWORD>(grown);
    return true;
}

unsigned char* Writer::Append(size_t n)
{
    if (!Reserve(n))
        return nullptr;
    unsigned char* p = m_buffer + *m_used;
    if (n > 0)
        std::memset(p, 0, n);
    *m_used += static_cast<DWORD>(n);
    return p;
}

bool Writer::Append(const void* data, size_t n)
{
    unsigned char* p = Append(n);
    if (!p)
        return false;
    if (n > 0)
        std::memcpy(p, data, n);
    return true;
}

// --- Pending references ---------------------------------------------------

namespace {

struct PendingRefs {
    std::vector<MsgRef*> staff;  // met in the staff being read
    std::vector<MsgRef*> system; // left over by the staves read so far
};

PendingRefs& Pending()
{
    static PendingRefs pending;
    return pending;
}

// Gives each reference its new id when the copy map knows it; the others
// are returned.
std::vector<MsgRef*> ResolveThroughCopyMap(const std::vector<MsgRef*>& refs)
{
    std::vector<MsgRef*> rest;
    for (MsgRef* ref : refs) {
        DWORD newId = 0;
        if (LookupCopyPtrMap(ref->dwMsgId, newId)) {
            ref->dwMsgId = newId;
            ref->byPending = 0;
        } else
            rest.push_back(ref);
    }
    return rest;
}

// Every listed reference is alive: deleting one takes it off its list.
void Release(std::vector<MsgRef*>& list)
{
    for (MsgRef* ref : list)
        ref->byPending = 0;
    list.clear();
}

} // namespace

void ClearPendingRefs()
{
    Release(Pending().staff);
    Release(Pending().system);
}

void ClearStaffPendingRefs()
{
    Release(Pending().staff);
}

void AddPendingRef(MsgRef* ref)
{
    ref->byPending = 1;
    Pending().staff.push_back(ref);
}

KvProcessReset s_reset("pending record references", &ClearPendingRefs);

void ForgetPendingRef(MsgRef* ref)
{
    for (std::vector<MsgRef*>* list : {&Pending().staff, &Pending().system})
        list->erase(std::remove(list->begin(), list->end(), ref), list->end());
    ref->byPending = 0;
}

void ResolveStaffPendingRefs()
{
    std::vector<MsgRef*> rest = ResolveThroughCopyMap(Pending().staff);
    Pending().staff.clear();
    Pending().system.insert(Pending().system.end(), rest.begin(), rest.end());
}

void ResolveSystemPendingRefs()
{
    ResolveStaffPendingRefs();
    // A reference that still names a stored id would reach an unrelated
    // symbol of the new numbering; id 0 is dropped at its first access.
    for (MsgRef* ref : ResolveThroughCopyMap(Pending().system)) {
        ref->dwMsgId = 0;
        ref->byPending = 0;
    }
    Pending().system.clear();
}

void ForgetPendingRefsOf(CKVObject* node)
{
    if (!node)
        return;
    for (int i = 0; i < node->m_arrMsgRef.GetSize(); ++i) {
        MsgRef* ref = node->m_arrMsgRef.GetAt(i);
        if (ref)
            ForgetPendingRef(ref);
        // Owned children go with the node, and their references with them.
        if (ref && ref->byOwner && node->m_pSystem) {
            CKVMsg* child = node->m_pSystem->GetMsgFromMap(ref->dwMsgId);
            if (child && child != node)
                ForgetPendingRefsOf(child);
        }
    }
}

int WriteNodePartToFile(CKVObject& node, CFile* file, DWORD& length)
{
    // The file forms start their node buffer this small; it grows as
    // needed.
    constexpr DWORD kNodeBufferStart = 13;
    DWORD used = 0;
    DWORD capacity = kNodeBufferStart;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    if (!buffer) {
        ReportOutOfMemory(1);
        return 0;
    }
    const int ok = node.Write(buffer, &used, &capacity);
    BufferPtr owner(buffer);
    if (!ok)
        return 0;
    file->Write(buffer, used);
    length += used;
    return 1;
}

void ReportReadProgress(CKVDoc* doc, DWORD pos)
{
    if (!doc)
        return;
    doc->m_dwLoadPos = pos + 1;
    if (doc->m_dwLoadLength == 0)
        return;
    // MulDiv's rounding, in 64 bits so that no body length can overflow it.
    const uint64_t percent = (static_cast<uint64_t>(pos + 1ull) * 100 + doc->m_dwLoadLength / 2) / doc->m_dwLoadLength;
    doc->SetLoadPosInfo(static_cast<int>(std::min<uint64_t>(percent, 100)));
}

namespace {

// Measures read while a system is read, waiting to be timed.
struct HeldTiming {
    bool active = false;
    std::vector<CKVMeas*> measures;
};

HeldTiming& Held()
{
    static HeldTiming held;
    return held;
}

void ResetHeldTiming()
{
    Held() = HeldTiming {};
}

KvProcessReset s_timingReset("held measure timing", &ResetHeldTiming);

void TimeMeasure(CKVMeas& meas)
{
    // Voice 0 (all) and voices 1 to 8.
    for (BYTE voice = 0; voice <= 8; ++voice) {
        meas.UpdatePlayTime(voice);
        meas.UpdateStartTime(voice, 0, 0, 0);
    }
}

} // namespace

void BeginSystemTiming()
{
    Held().active = true;
    Held().measures.clear();
}

void TimeReadMeasure(CKVMeas& meas)
{
    if (Held().active)
        Held().measures.push_back(&meas);
    else
        TimeMeasure(meas);
}

void EndSystemTiming(bool apply)
{
    std::vector<CKVMeas*> measures;
    measures.swap(Held().measures);
    Held().active = false;
    if (apply) {
        for (CKVMeas* meas : measures)
            TimeMeasure(*meas);
    }
}

} // namespace kvrec

MsgRef::~MsgRef()
{
    if (byPending)
        kvrec::ForgetPendingRef(this);
}
