#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/MeasPlace.h"

CKVBlock* CKVDoc::GetBlockByMeas(CKVMeas* meas)
{
    if (!meas || !m_pPageArray)
        return nullptr;
    const int index = measplace::IndexOnStaff(measplace::StaffOf(*meas), meas);
    if (index < 0)
        return nullptr;
    // Only the measure range counts: a normal block shows every staff.
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (!page)
            continue;
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrBlock.GetAt(b);
            if (block && block->m_byKind == CKVBlock::KIND_NORMAL && index >= block->m_nFirstMeas &&
                index < block->m_nFirstMeas + block->m_nMeasCount)
                return block;
        }
    }
    return nullptr;
}

namespace {

// Whether a staff between two staves of a block breaks a group of the kinds
// in `mask`: it is neither in the group's middle nor at its end, or it opens
// a group of its own.
bool EndsGroup(const CKVStaff* staff, unsigned char mask)
{
    if (!staff)
        return true;
    const BYTE start = staff->m_byGroupBracket[0];
    const BYTE end = staff->m_byGroupBracket[1];
    const BYTE middle = staff->m_byGroupBracket[2];
    return (start & mask) || !((middle | end) & mask);
}

} // namespace

int CKVDoc::IsConnectStaffEnd(CKVBlock& block, int staff, unsigned char mask)
{
    const int count = block.GetStaffNum();
    if (staff < 0 || staff >= count - 1)
        return 1;
    CKVStaff* here = block.GetStaff(static_cast<short>(staff));
    if (!here || (here->m_byGroupBracket[1] & mask))
        return 1;
    CKVStaff* next = block.GetStaff(static_cast<short>(staff + 1));
    if (block.m_byKind == CKVBlock::KIND_OSSIA)
        return EndsGroup(next, mask) ? 1 : 0;

    // The staves of the system that the block leaves out between the two.
    CKVSystem* system = here->m_pSystem;
    const int from = here->GetIndexInSystem();
    if (!system || from < 0)
        return 0;
    const int to = next ? next->GetIndexInSystem() : -1;
    const int systemCount = system->GetStaffNum();
    for (int i = from + 1; i < systemCount; ++i) {
        if (i == to)
            return 0;
        if (EndsGroup(system->GetStaff(static_cast<short>(i)), mask))
            return 1;
    }
    return 0;
}
