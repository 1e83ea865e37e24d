#include "document/CopyPtrMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// A DWORD-to-DWORD table with open addressing: a read of a large score puts
// thousands of ids in and takes most of them out again, and a node per
// entry (with its allocation and its cache miss) cost more than the rest of
// the bookkeeping. Linear probing, at most half full; erasing shifts the
// entries behind back into place, so no tombstones build up.
class IdTable {
public:
    // The slot of key, or null.
    const DWORD* Find(DWORD key) const
    {
        if (m_count == 0)
            return nullptr;
        for (size_t i = Home(key);; i = Next(i)) {
            const Slot& slot = m_slots[i];
            if (!slot.used)
                return nullptr;
            if (slot.key == key)
                return &slot.value;
        }
    }

    // The value of key, made 0 when it is new.
    DWORD& At(DWORD key)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            Grow();
        size_t i = Home(key);
        while (m_slots[i].used) {
            if (m_slots[i].key == key)
                return m_slots[i].value;
            i = Next(i);
        }
        m_slots[i] = {key, 0, true};
        ++m_count;
        return m_slots[i].value;
    }

    void Erase(DWORD key)
    {
        if (m_count == 0)
            return;
        size_t hole = Home(key);
        while (true) {
            if (!m_slots[hole].used)
                return;
            if (m_slots[hole].key == key)
                break;
            hole = Next(hole);
        }
        // Entries after the hole that could live in it move back.
        for (size_t i = Next(hole); m_slots[i].used; i = Next(i)) {
            const size_t home = Home(m_slots[i].key);
            const bool between = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
            if (!between) {
                m_slots[hole] = m_slots[i];
                hole = i;
            }
        }
        m_slots[hole] = {};
        --m_count;
    }

    // Room for `count` entries without growing.
    void Reserve(size_t count)
    {
        size_t slots = m_slots.empty() ? kFirstSlots : m_slots.size();
        while (slots < 2 * (count + 1))
            slots *= 2;
        if (slots > m_slots.size())
            Rehash(slots);
    }

    void Clear()
    {
        // A large table is let go rather than wiped: most clears come from
        // edits that use a handful of entries.
        if (m_slots.size() > kKeepSlots)
            std::vector<Slot>().swap(m_slots);
        else if (m_count > 0)
            m_slots.assign(m_slots.size(), Slot {});
        m_count = 0;
    }

    template <class Visit>
    void ForEach(Visit visit) const
    {
        for (const Slot& slot : m_slots) {
            if (slot.used)
                visit(slot.key, slot.value);
        }
    }

private:
    struct Slot {
        DWORD key = 0;
        DWORD value = 0;
        bool used = false;
    };

    static constexpr size_t kFirstSlots = 64;
    static constexpr size_t kKeepSlots = 4096;
    // Keys come in rising runs (a read gives ids out in record order), so
    // each run of kRun neighbouring keys keeps its order in kRun neighbouring
    // slots, and the runs are spread by Fibonacci hashing. Filling and
    // looking up then walk the table mostly forward instead of missing the
    // cache at every entry. Keys spaced a run apart or more all take the
    // same offset of their runs and so crowd fewer slots: their probes grow
    // to some tens of steps (a run's length at most in the worst spacings
    // tried), not to the length of the table.
    static constexpr size_t kRun = 64;
    static_assert(kFirstSlots % kRun == 0);

    size_t Home(DWORD key) const
    {
        const uint64_t run = key / kRun;
        const size_t base = static_cast<size_t>((run * 0x9E3779B97F4A7C15ull) >> 32) * kRun;
        return (base + key % kRun) & (m_slots.size() - 1);
    }
    size_t Next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    void Grow() { Rehash(m_slots.empty() ? kFirstSlots : m_slots.size() * 2); }

    void Rehash(size_t slots)
    {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.assign(slots, Slot {});
        // The keys are distinct and the table has room: each goes to the
        // first free slot from its home, with no test for growth or for an
        // equal key.
        for (const Slot& slot : old) {
            if (!slot.used)
                continue;
            size_t i = Home(slot.key);
            while (m_slots[i].used)
                i = Next(i);
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots; // empty, or a power of two long
    size_t m_count = 0;
};

struct CopyPtrMap {
    IdTable entries;
    // How many entries hold each new id, so that the reverse test needs no
    // walk over the map.
    IdTable values;
};

CopyPtrMap& Map()
{
    static CopyPtrMap map;
    return map;
}

void DropValue(DWORD value)
{
    auto& values = Map().values;
    const DWORD* count = values.Find(value);
    if (!count)
        return;
    if (*count <= 1)
        values.Erase(value);
    else
        --values.At(value);
}

KvProcessReset s_reset("copy-pointer map", &ClearCopyPtrMap);

} // namespace

void SetCopyPtrMap(DWORD oldId, DWORD newId)
{
    auto& entries = Map().entries;
    if (const DWORD* known = entries.Find(oldId))
        DropValue(*known);
    entries.At(oldId) = newId;
    ++Map().values.At(newId);
}

void ReserveCopyPtrMap(size_t entries)
{
    Map().entries.Reserve(entries);
    Map().values.Reserve(entries);
}

int LookupCopyPtrMap(DWORD oldId, DWORD& newId)
{
    const DWORD* known = Map().entries.Find(oldId);
    if (!known)
        return 0;
    newId = *known;
    return 1;
}

int FindCopyPtrMapValue(DWORD id)
{
    return Map().values.Find(id) ? 1 : 0;
}

void RemoveCopyPtrMapKey(DWORD oldId)
{
    auto& entries = Map().entries;
    const DWORD* known = entries.Find(oldId);
    if (!known)
        return;
    DropValue(*known);
    entries.Erase(oldId);
}

void ClearCopyPtrMap()
{
    Map().entries.Clear();
    Map().values.Clear();
}

CopyPtrMapEntries SaveCopyPtrMap()
{
    CopyPtrMapEntries saved;
    Map().entries.ForEach([&saved](DWORD oldId, DWORD newId) { saved.emplace_back(oldId, newId); });
    return saved;
}

void RestoreCopyPtrMap(const CopyPtrMapEntries& entries)
{
    ClearCopyPtrMap();
    for (const auto& [oldId, newId] : entries)
        SetCopyPtrMap(oldId, newId);
}
