// The growing record writer, the pending references of a read and the load
// progress of the record readers.

#include "document/RecordIO.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "model/ImportState.h"
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

bool Writer::Grow(size_t n)
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

bool Writer::Append(const void* data, size_t n)
{
    // The bytes are copied over the room at once: no clearing first.
    if (!Reserve(n))
        return false;
    if (n > 0)
        std::memcpy(m_buffer + *m_used, data, n);
    *m_used += static_cast<DWORD>(n);
    return true;
}

bool HasRoomFor(const CKVObject& node, int more)
{
    if (node.m_byObjKind == OBJ_MEAS && bImportConverting)
        return true;
    return WithinRecord(node.GetMsgNum() + more);
}

void ReserveRefs(CKVObject& node, int count)
{
    if (count > 0)
        node.m_arrMsgRef.Reserve(node.m_arrMsgRef.GetSize() + count);
}

// --- Pending references ---------------------------------------------------

namespace {

struct PendingRef {
    CKVObject* node;
    MsgRef* ref; // owned here until it is linked into node
    int index;   // its place in the node's stored list
    bool resolved;
};

struct PendingRefs {
    bool active = false;
    std::vector<PendingRef> refs; // in reading order
    std::vector<DWORD> toFinish;  // symbols the system reader finishes
};

PendingRefs& Pending()
{
    static PendingRefs pending;
    return pending;
}

KvProcessReset s_reset("pending record references", &ClearPendingRefs);

} // namespace

void BeginSystemPendingRefs()
{
    ClearPendingRefs();
    Pending().active = true;
}

bool CollectingPendingRefs()
{
    return Pending().active;
}

void ClearPendingRefs()
{
    for (PendingRef& entry : Pending().refs)
        delete entry.ref;
    Pending().refs.clear();
    Pending().toFinish.clear();
    Pending().active = false;
}

void NoteSymbolToFinish(const CKVMsg& msg)
{
    PendingRefs& pending = Pending();
    if (pending.active)
        pending.toFinish.push_back(msg.m_dwMsgId);
}

std::vector<DWORD> TakeSymbolsToFinish()
{
    // A read adds each id to the map once (a second record under one
    // stored id fails it), so the list holds each once.
    std::vector<DWORD> ids;
    ids.swap(Pending().toFinish);
    return ids;
}

void AddPendingRef(CKVObject* node, MsgRef* ref, int index)
{
    Pending().refs.push_back({node, ref, index, false});
}

void ResolveStaffPendingRefs()
{
    // The stored id stays in place until the copy map knows it; a resolved
    // id is a new one and is not looked up again.
    for (PendingRef& entry : Pending().refs) {
        DWORD newId = 0;
        if (!entry.resolved && LookupCopyPtrMap(entry.ref->dwMsgId, newId)) {
            entry.ref->dwMsgId = newId;
            entry.resolved = true;
        }
    }
}

void ResolveSystemPendingRefs()
{
    ResolveStaffPendingRefs();
    // In reading order each node gets its references back at rising
    // places, so every one lands where it was stored.
    for (PendingRef& entry : Pending().refs) {
        // A reference that still names a stored id would reach an unrelated
        // symbol of the new numbering; id 0 is dropped at its first access.
        if (!entry.resolved)
            entry.ref->dwMsgId = 0;
        const int size = entry.node->m_arrMsgRef.GetSize();
        entry.node->m_arrMsgRef.InsertAt(std::min(entry.index, size), entry.ref);
        entry.ref = nullptr;
    }
    Pending().refs.clear();
    Pending().active = false;
}

void MovePendingRefsOf(CKVObject* from, CKVObject* to)
{
    for (PendingRef& entry : Pending().refs) {
        if (entry.node == from)
            entry.node = to;
    }
}

void ForgetPendingRefsOf(CKVObject* node)
{
    if (!node)
        return;
    auto& refs = Pending().refs;
    for (auto it = refs.begin(); it != refs.end();) {
        if (it->node == node) {
            delete it->ref;
            it = refs.erase(it);
        } else {
            ++it;
        }
    }
    // Owned children go with the node, and their references with them.
    for (int i = 0; i < node->m_arrMsgRef.GetSize(); ++i) {
        MsgRef* ref = node->m_arrMsgRef.GetAt(i);
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

} // namespace kvrec
