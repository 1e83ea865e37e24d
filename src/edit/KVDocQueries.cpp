// The block that shows a measure.

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
