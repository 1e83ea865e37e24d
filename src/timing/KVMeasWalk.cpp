// The measure's walk list: its symbols in time order, with the members of
// chords and beam groups taken out of their containers when asked, and the
// notes that the neighbouring staves draw into the measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/MsgTimeOrder.h"
#include "timing/WalkSymbols.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace {

// The parts of the order packed into one number, most significant first,
// so that two keys compare in one step:
//   missing  1 bit   1: missing, or not in a measure; these go last
//   pos     16 bits  position word of the place
//   perform 16 bits  the symbol's own performed start
//   notMark  1 bit   0 for marks, which come first
//   y       16 bits  vertical position of the place, larger first
// The signed fields are offset into unsigned ranges.
struct TimeKey {
    TimeKey() : TimeKey(1, 0, 0, 0, 0) {}
    TimeKey(int missing, short pos, short perform, int notMark, short y)
        : packed((static_cast<uint64_t>(missing) << 49) | (static_cast<uint64_t>(pos + 0x8000) << 33) |
                 (static_cast<uint64_t>(perform + 0x8000) << 17) | (static_cast<uint64_t>(notMark) << 16) |
                 static_cast<uint64_t>(0x7FFF - y))
    {
    }
    uint64_t packed;
};

bool IsMarkKind(BYTE kind)
{
    return kind == MSG_NOTEMARK || (kind >= MSG_SLIDE1 && kind <= MSG_SLIDE4);
}

TimeKey KeyOf(const CKVMsg* msg)
{
    if (!msg || !msg->m_pParent)
        return {};
    const CKVMsg* place = nullptr;
    if (msg->m_pParent->m_byObjKind == OBJ_MEAS)
        place = msg;
    else if (msg->m_pParent->m_byObjKind == OBJ_MSG)
        place = static_cast<const CKVMsg*>(msg->m_pParent);
    else
        return {};
    return {0, place->m_nPosX, msg->m_nPerformStart, IsMarkKind(msg->m_byKind) ? 0 : 1, place->m_nPosY};
}

TimeKey KeyOf(DWORD id)
{
    return KeyOf(pSortSystem ? pSortSystem->GetMsgFromMap(id) : nullptr);
}

int Compare(const TimeKey& a, const TimeKey& b)
{
    return a.packed < b.packed ? -1 : (a.packed > b.packed ? 1 : 0);
}

// The symbols gathered beside the walk list of s_walkMeas.
const CKVMeas* s_walkMeas = nullptr;
std::vector<CKVMsg*> s_walkSymbols;

// Appends the live ids of a neighbour's cross-staff list to the walk and
// drops the stale ones from that list.
void TakeCrossStaffIds(CKVMeas& meas, CDWordArray& list)
{
    for (int i = 0; i < list.GetSize();) {
        const DWORD id = list.GetAt(i);
        CKVMsg* msg = meas.m_pSystem->GetMsgFromMap(id);
        if (!msg) {
            list.RemoveAt(i);
            continue;
        }
        kvwalk::Append(meas, id, *msg);
        ++i;
    }
}

// Entries carrying a time key, sorted stably by it: a measure's short list
// on the stack by insertion (it is mostly in order already), a longer one
// on the heap. fill(i) gives entry i, store(i, entry) takes the sorted ones.
template <class Entry, class Fill, class Store>
void SortByKeys(int count, Fill fill, Store store)
{
    const auto before = [](const Entry& a, const Entry& b) { return Compare(a.key, b.key) < 0; };
    constexpr int kInsertionMost = 32;
    if (count > kInsertionMost) {
        std::vector<Entry> entries;
        entries.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            entries.push_back(fill(i));
        std::stable_sort(entries.begin(), entries.end(), before);
        for (int i = 0; i < count; ++i)
            store(i, entries[static_cast<size_t>(i)]);
        return;
    }
    // Room on the stack, left uninitialised: each entry is made as it is
    // placed.
    alignas(Entry) unsigned char storage[kInsertionMost * sizeof(Entry)];
    Entry* entries = reinterpret_cast<Entry*>(storage);
    for (int i = 0; i < count; ++i) {
        const Entry entry = fill(i);
        int j = i;
        for (; j > 0 && before(entry, entries[j - 1]); --j)
            ::new (&entries[j]) Entry(entries[j - 1]);
        ::new (&entries[j]) Entry(entry);
    }
    for (int i = 0; i < count; ++i)
        store(i, entries[i]);
}

// Sorts the walk list and the symbols gathered beside it together, keyed on
// the symbols.
void SortWalkBySymbols(CDWordArray& ids, std::vector<CKVMsg*>& msgs)
{
    struct Entry {
        TimeKey key;
        DWORD id;
        CKVMsg* msg;
    };
    SortByKeys<Entry>(
        ids.GetSize(), [&](int i) { return Entry {KeyOf(msgs[static_cast<size_t>(i)]), ids.GetAt(i), msgs[static_cast<size_t>(i)]}; },
        [&](int i, const Entry& entry) {
            ids.SetAt(i, entry.id);
            msgs[static_cast<size_t>(i)] = entry.msg;
        });
}

} // namespace

namespace kvwalk {

void Append(CKVMeas& meas, DWORD id, CKVMsg& msg)
{
    meas.m_arrWalk.Add(id);
    if (&meas == s_walkMeas)
        s_walkSymbols.push_back(&msg);
}

CKVMsg* const* SymbolsOf(const CKVMeas& meas)
{
    const int count = meas.m_arrWalk.GetSize();
    if (&meas != s_walkMeas || !meas.m_pSystem || s_walkSymbols.size() != static_cast<size_t>(count))
        return nullptr;
    // Each id still names its symbol in the map: the symbols were live when
    // gathered, and so they still are.
    const CKVSystem& system = *meas.m_pSystem;
    const DWORD slots = static_cast<DWORD>(system.m_arrMsgMap.GetSize());
    for (int i = 0; i < count; ++i) {
        const DWORD id = meas.m_arrWalk.GetAt(i);
        if (id >= slots || system.m_arrMsgMap.GetData()[id] != s_walkSymbols[static_cast<size_t>(i)])
            return nullptr;
    }
    return s_walkSymbols.data();
}

} // namespace kvwalk

int CompareMsgTime(const DWORD* a, const DWORD* b)
{
    return Compare(KeyOf(a ? *a : 0), KeyOf(b ? *b : 0));
}

void SortByMsgTime(CDWordArray& ids)
{
    // Keys are taken once; the lookups behind them are not free.
    struct Entry {
        TimeKey key;
        DWORD id;
    };
    SortByKeys<Entry>(
        ids.GetSize(), [&](int i) { return Entry {KeyOf(ids.GetAt(i)), ids.GetAt(i)}; },
        [&](int i, const Entry& entry) { ids.SetAt(i, entry.id); });
}

namespace {

template <class KeyAt>
bool IsStrictlyRising(int count, KeyAt keyAt)
{
    TimeKey before;
    for (int i = 0; i < count; ++i) {
        const TimeKey key = keyAt(i);
        if (i > 0 && Compare(before, key) >= 0)
            return false;
        before = key;
    }
    return true;
}

} // namespace

bool IsStrictlyInMsgTimeOrder(const CDWordArray& ids)
{
    return IsStrictlyRising(ids.GetSize(), [&ids](int i) { return KeyOf(ids.GetAt(i)); });
}

bool IsStrictlyInMsgTimeOrder(CKVMsg* const* msgs, int count)
{
    return IsStrictlyRising(count, [msgs](int i) { return KeyOf(msgs[i]); });
}

int CKVMeas::ResetGetNextMsg(int chordsWhole, int sort, int withCrossStaff, int keepAll)
{
    m_arrWalk.RemoveAll();
    pSortSystem = m_pSystem;
    s_walkMeas = m_pSystem ? this : nullptr;
    s_walkSymbols.clear();
    if (!m_pSystem)
        return 0;
    // A measure walked for the first time (just read, say) takes room for
    // about two entries a child at once rather than growing entry by entry.
    m_arrWalk.Reserve(2 * GetMsgNum());

    tickmath::ForEachChild(*this, [&](CKVMsg* msg, short index) {
        if (!keepAll && msg->m_byKind == MSG_BEAM && msg->GetMsgNum() == 0) {
            RemoveMsgAt(index);
            return true;
        }
        if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_CHORD)
            msg->m_wFlag = static_cast<WORD>(msg->m_wFlag & ~MSGFLAG_BEAM_MEMBER);
        msg->ResetGetNextMsg(this, chordsWhole, withCrossStaff, keepAll);
        return false;
    });

    if (withCrossStaff) {
        // Notes drawn downwards by the staff above, upwards by the staff
        // below.
        if (CKVMeas* up = GetUpMeas())
            TakeCrossStaffIds(*this, up->m_arrDownMsg);
        if (CKVMeas* down = GetDownMeas())
            TakeCrossStaffIds(*this, down->m_arrUpMsg);
    }

    if (sort && m_arrWalk.GetSize() > 0) {
        if (kvwalk::SymbolsOf(*this)) {
            SortWalkBySymbols(m_arrWalk, s_walkSymbols);
        } else {
            SortByMsgTime(m_arrWalk);
            s_walkMeas = nullptr;
        }
    }
    return m_arrWalk.GetSize();
}

CKVMsg* CKVMeas::GetNextMsg(short& cursor)
{
    if (cursor < 0 || cursor >= m_arrWalk.GetSize())
        return nullptr;
    const DWORD id = m_arrWalk.GetAt(cursor);
    ++cursor;
    return m_pSystem ? m_pSystem->GetMsgFromMap(id) : nullptr;
}

void CKVMeas::RemainNoteRest()
{
    for (int i = 0; i < m_arrWalk.GetSize();) {
        CKVMsg* msg = m_pSystem ? m_pSystem->GetMsgFromMap(m_arrWalk.GetAt(i)) : nullptr;
        if (msg && tickmath::IsNoteRestChord(*msg))
            ++i;
        else
            m_arrWalk.RemoveAt(i);
    }
}
