#include "document/CopyPtrMap.h"

#include <unordered_map>

namespace {

struct CopyPtrMap {
    std::unordered_map<DWORD, DWORD> entries;
    // How many entries hold each new id, so that the reverse test needs no
    // walk over the map.
    std::unordered_map<DWORD, int> values;
};

CopyPtrMap& Map()
{
    static CopyPtrMap map;
    return map;
}

void DropValue(DWORD value)
{
    auto& values = Map().values;
    auto it = values.find(value);
    if (it != values.end() && --it->second <= 0)
        values.erase(it);
}

KvProcessReset s_reset("copy-pointer map", &ClearCopyPtrMap);

} // namespace

void SetCopyPtrMap(DWORD oldId, DWORD newId)
{
    auto& entries = Map().entries;
    auto it = entries.find(oldId);
    if (it != entries.end()) {
        DropValue(it->second);
        it->second = newId;
    } else {
        entries.emplace(oldId, newId);
    }
    ++Map().values[newId];
}

int LookupCopyPtrMap(DWORD oldId, DWORD& newId)
{
    const auto& entries = Map().entries;
    auto it = entries.find(oldId);
    if (it == entries.end())
        return 0;
    newId = it->second;
    return 1;
}

int FindCopyPtrMapValue(DWORD id)
{
    return Map().values.count(id) != 0 ? 1 : 0;
}

void RemoveCopyPtrMapKey(DWORD oldId)
{
    auto& entries = Map().entries;
    auto it = entries.find(oldId);
    if (it == entries.end())
        return;
    DropValue(it->second);
    entries.erase(it);
}

void ClearCopyPtrMap()
{
    Map().entries.clear();
    Map().values.clear();
}

CopyPtrMapEntries SaveCopyPtrMap()
{
    return CopyPtrMapEntries(Map().entries.begin(), Map().entries.end());
}

void RestoreCopyPtrMap(const CopyPtrMapEntries& entries)
{
    ClearCopyPtrMap();
    for (const auto& [oldId, newId] : entries)
        SetCopyPtrMap(oldId, newId);
}
