#include "document/CopyMsgMap.h"

#include "document/CopyPtrMap.h"
#include "model/KVMsg.h"
#include "model/KVObject.h"
#include "model/KVSystem.h"

#include <unordered_map>
#include <vector>

namespace {

struct CopyMsgMap {
    std::unordered_map<DWORD, DWORD> entries;
    std::vector<DWORD> order; // old ids in the order first entered
};

CopyMsgMap& Map()
{
    static CopyMsgMap map;
    return map;
}

struct PendingRef {
    MsgRef* ref = nullptr;
    CKVObject* holder = nullptr;
    DWORD sourceId = 0;
};

std::vector<PendingRef>& Pending()
{
    static std::vector<PendingRef> pending;
    return pending;
}

// The link a resolved reference names takes the holder's id where it
// named the holder's source as one of its ends.
void FollowHolder(const PendingRef& entry)
{
    if (!entry.holder || entry.sourceId == 0 || entry.holder->m_byObjKind != OBJ_MSG || !entry.holder->m_pSystem)
        return;
    const DWORD holderId = static_cast<CKVMsg*>(entry.holder)->m_dwMsgId;
    CKVMsg* link = entry.holder->m_pSystem->GetMsgFromMap(entry.ref->dwMsgId);
    if (!link || holderId == 0)
        return;
    if (link->m_dwWord == entry.sourceId)
        link->m_dwWord = holderId;
    if (static_cast<DWORD>(link->m_lHeight) == entry.sourceId)
        link->m_lHeight = static_cast<LONG>(holderId);
}

void ResetCopyLists()
{
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
}

KvProcessReset s_reset("copied-message map and pending copy references", &ResetCopyLists);

} // namespace

void SetCopyMsgMap(DWORD oldId, DWORD newId)
{
    auto inserted = Map().entries.insert_or_assign(oldId, newId);
    if (inserted.second)
        Map().order.push_back(oldId);
}

int LookupCopyMsgMap(DWORD oldId, DWORD& newId)
{
    const auto& entries = Map().entries;
    auto it = entries.find(oldId);
    if (it == entries.end())
        return 0;
    newId = it->second;
    return 1;
}

void GetCopyMsgMapValues(CDWordArray& newIds)
{
    newIds.RemoveAll();
    for (DWORD oldId : Map().order)
        newIds.Add(Map().entries[oldId]);
}

void ClearCopyMsgMap()
{
    Map().entries.clear();
    Map().order.clear();
}

void AddCopyPendingRef(MsgRef* ref, CKVObject* holder, DWORD sourceId)
{
    if (ref)
        Pending().push_back({ref, holder, sourceId});
}

void ResolveCopyPendingRefs()
{
    for (const PendingRef& entry : Pending()) {
        DWORD newId = 0;
        if (LookupCopyPtrMap(entry.ref->dwMsgId, newId))
            entry.ref->dwMsgId = newId;
    }
}

void ClearCopyPendingRefs()
{
    Pending().clear();
}

size_t CopyPendingRefCount()
{
    return Pending().size();
}

void ResolveCopyPendingRefsFrom(size_t first)
{
    std::vector<PendingRef>& pending = Pending();
    size_t kept = first;
    for (size_t i = first; i < pending.size(); ++i) {
        const PendingRef entry = pending[i];
        DWORD newId = 0;
        if (LookupCopyPtrMap(entry.ref->dwMsgId, newId)) {
            entry.ref->dwMsgId = newId;
            FollowHolder(entry);
        } else {
            pending[kept++] = entry;
        }
    }
    if (kept < pending.size())
        pending.resize(kept);
}

void DropCopyPendingRefsFrom(size_t first)
{
    if (first < Pending().size())
        Pending().resize(first);
}
