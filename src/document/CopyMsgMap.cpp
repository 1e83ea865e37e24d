#include "document/CopyMsgMap.h"

#include "document/CopyPtrMap.h"
#include "model/KVObject.h"

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

std::vector<MsgRef*>& Pending()
{
    static std::vector<MsgRef*> pending;
    return pending;
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

void AddCopyPendingRef(MsgRef* ref)
{
    if (ref)
        Pending().push_back(ref);
}

void ResolveCopyPendingRefs()
{
    for (MsgRef* ref : Pending()) {
        DWORD newId = 0;
        if (LookupCopyPtrMap(ref->dwMsgId, newId))
            ref->dwMsgId = newId;
    }
}

void ClearCopyPendingRefs()
{
    Pending().clear();
}
