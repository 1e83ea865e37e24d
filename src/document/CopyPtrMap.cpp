#include "document/CopyPtrMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// An id-keyed table with open addressing and linear probing. A read of a
// large score enters every tie, slur and tuplet here; one flat block keeps
// that free of an allocation per entry and makes emptying it cheap.
template <class Value>
class IdTable {
public:
    Value* Find(DWORD key)
    {
        if (m_size == 0)
            return nullptr;
        for (size_t i = Home(key);; i = Next(i)) {
            Slot& slot = m_slots[i];
            if (!slot.used)
                return nullptr;
            if (slot.key == key)
                return &slot.value;
        }
    }

    // The entry of key, made with a value-initialised value when missing.
    Value& Get(DWORD key)
    {
        if (Value* value = Find(key))
            return *value;
        // At most half full, so that probe runs stay short.
        if ((m_size + 1) * 2 > m_slots.size())
            Grow();
        size_t i = Home(key);
        while (m_slots[i].used)
            i = Next(i);
        m_slots[i] = Slot {key, Value {}, true};
        ++m_size;
        return m_slots[i].value;
    }

    void Erase(DWORD key)
    {
        if (m_size == 0)
            return;
        size_t hole = Home(key);
        while (m_slots[hole].used && m_slots[hole].key != key)
            hole = Next(hole);
        if (!m_slots[hole].used)
            return;
        // Entries after the hole move back into it unless that would put
        // them before their home slot; no probe run is cut short.
        for (size_t i = Next(hole); m_slots[i].used; i = Next(i)) {
            const size_t home = Home(m_slots[i].key);
            const bool stays = hole < i ? (hole < home && home <= i) : (hole < home || home <= i);
            if (!stays) {
                m_slots[hole] = m_slots[i];
                hole = i;
            }
        }
        m_slots[hole].used = false;
        --m_size;
    }

    void Clear()
    {
        if (m_slots.size() > kKeptSlots) {
            // A large score's table is not kept for the small copies after it.
            std::vector<Slot>().swap(m_slots);
            m_bits = 0;
        } else {
            for (Slot& slot : m_slots)
                slot.used = false;
        }
        m_size = 0;
    }

private:
    struct Slot {
        DWORD key;
        Value value;
        bool used;
    };

    static constexpr size_t kKeptSlots = 1024;
    static constexpr unsigned kFirstBits = 4;

    size_t Home(DWORD key) const
    {
        // Fibonacci hashing spreads runs of consecutive ids.
        return static_cast<size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - m_bits));
    }
    size_t Next(size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    void Grow()
    {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_bits = m_bits == 0 ? kFirstBits : m_bits + 1;
        m_slots.assign(size_t {1} << m_bits, Slot {0, Value {}, false});
        for (const Slot& slot : old) {
            if (!slot.used)
                continue;
            size_t i = Home(slot.key);
            while (m_slots[i].used)
                i = Next(i);
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots; // a power of two in size, or empty
    unsigned m_bits = 0;       // log2 of the slot count
    size_t m_size = 0;
};

struct CopyPtrMap {
    IdTable<DWORD> entries;
    // How many entries hold each new id, so that the reverse test needs no
    // walk over the map.
    IdTable<int> values;
};

CopyPtrMap& Map()
{
    static CopyPtrMap map;
    return map;
}

void DropValue(DWORD value)
{
    auto& values = Map().values;
    int* count = values.Find(value);
    if (count && --*count <= 0)
        values.Erase(value);
}

KvProcessReset s_reset("copy-pointer map", &ClearCopyPtrMap);

} // namespace

void SetCopyPtrMap(DWORD oldId, DWORD newId)
{
    auto& entries = Map().entries;
    if (DWORD* entry = entries.Find(oldId)) {
        DropValue(*entry);
        *entry = newId;
    } else {
        entries.Get(oldId) = newId;
    }
    ++Map().values.Get(newId);
}

int LookupCopyPtrMap(DWORD oldId, DWORD& newId)
{
    const DWORD* entry = Map().entries.Find(oldId);
    if (!entry)
        return 0;
    newId = *entry;
    return 1;
}

int FindCopyPtrMapValue(DWORD id)
{
    return Map().values.Find(id) ? 1 : 0;
}

void RemoveCopyPtrMapKey(DWORD oldId)
{
    auto& entries = Map().entries;
    const DWORD* entry = entries.Find(oldId);
    if (!entry)
        return;
    DropValue(*entry);
    entries.Erase(oldId);
}

void ClearCopyPtrMap()
{
    Map().entries.Clear();
    Map().values.Clear();
}
