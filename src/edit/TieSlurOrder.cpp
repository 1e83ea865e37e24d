#include "edit/TieSlurOrder.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <algorithm>

namespace {

CKVMsg* Lookup(DWORD id)
{
    return pSortSystem ? pSortSystem->GetMsgFromMap(id) : nullptr;
}

} // namespace

int CompareTieMsgOrder(const void* a, const void* b)
{
    CKVMsg* first = Lookup(*static_cast<const DWORD*>(a));
    CKVMsg* second = Lookup(*static_cast<const DWORD*>(b));
    if (!first || !second)
        return (first ? 0 : 1) - (second ? 0 : 1);
    const int measA = tielink::MeasIndexOf(tickmath::MeasureOf(first));
    const int measB = tielink::MeasIndexOf(tickmath::MeasureOf(second));
    if (measA != measB)
        return measA < measB ? -1 : 1;
    if (first->m_nPosX != second->m_nPosX)
        return first->m_nPosX < second->m_nPosX ? -1 : 1;
    return second->m_nPosY - first->m_nPosY;
}

void SortTieMsgIds(std::vector<DWORD>& ids, CKVSystem* system)
{
    CKVSystem* kept = pSortSystem;
    pSortSystem = system;
    std::stable_sort(ids.begin(), ids.end(),
                     [](const DWORD& x, const DWORD& y) { return CompareTieMsgOrder(&x, &y) < 0; });
    pSortSystem = kept;
}
