// The measure's walk list: its symbols in time order, with the members of
// chords and beam groups taken out of their containers when asked, and the
// notes that the neighbouring staves draw into the measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/MsgTimeOrder.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace {

struct TimeKey {
    int missing = 1;    // 1: missing, or not in a measure; these go last
    short pos = 0;      // position word of the place
    short perform = 0;  // the symbol's own performed start
    int notMark = 0;    // 0 for marks, which come first
    short y = 0;        // vertical position of the place; larger first
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
    if (a.missing != b.missing)
        return a.missing - b.missing;
    if (a.pos != b.pos)
        return a.pos - b.pos;
    if (a.perform != b.perform)
        return a.perform - b.perform;
    if (a.notMark != b.notMark)
        return a.notMark - b.notMark;
    return b.y - a.y;
}

// Appends the live ids of a neighbour's cross-staff list to the walk and
// drops the stale ones from that list.
void TakeCrossStaffIds(CKVMeas& meas, CDWordArray& list)
{
    for (int i = 0; i < list.GetSize();) {
        const DWORD id = list.GetAt(i);
        if (!meas.m_pSystem->GetMsgFromMap(id)) {
            list.RemoveAt(i);
            continue;
        }
        meas.m_arrWalk.Add(id);
        ++i;
    }
}

} // namespace

int CompareMsgTime(const DWORD* a, const DWORD* b)
{
    return Compare(KeyOf(a ? *a : 0), KeyOf(b ? *b : 0));
}

void SortByMsgTime(CDWordArray& ids)
{
    // Keys are taken once; the lookups behind them are not free.
    using Keyed = std::pair<TimeKey, DWORD>;
    const auto before = [](const Keyed& a, const Keyed& b) { return Compare(a.first, b.first) < 0; };
    const int count = ids.GetSize();
    // A measure's short list is keyed on the stack and sorted by insertion,
    // which is as stable as the merge sort and needs no buffer of its own.
    constexpr int kInsertionMost = 32;
    if (count <= kInsertionMost) {
        alignas(Keyed) unsigned char storage[kInsertionMost * sizeof(Keyed)];
        Keyed* keyed = reinterpret_cast<Keyed*>(storage);
        for (int i = 0; i < count; ++i) {
            const DWORD id = ids.GetAt(i);
            Keyed entry(KeyOf(id), id);
            int j = i;
            for (; j > 0 && before(entry, keyed[j - 1]); --j)
                ::new (&keyed[j]) Keyed(keyed[j - 1]);
            ::new (&keyed[j]) Keyed(entry);
        }
        for (int i = 0; i < count; ++i)
            ids.SetAt(i, keyed[i].second);
        return;
    }
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        keyed.emplace_back(KeyOf(ids.GetAt(i)), ids.GetAt(i));
    std::stable_sort(keyed.begin(), keyed.end(), before);
    for (int i = 0; i < count; ++i)
        ids.SetAt(i, keyed[static_cast<size_t>(i)].second);
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
    if (!m_pSystem)
        return 0;

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

    if (sort && m_arrWalk.GetSize() > 0)
        SortByMsgTime(m_arrWalk);
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
