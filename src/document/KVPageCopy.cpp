// A page's blocks laid out as those of another page, on the document's master
// system.

#include "model/KVPage.h"

#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

int CKVPage::CopyBlockLayoutFrom(CKVPage* source)
{
    CKVSystem* system = m_pDoc && m_pDoc->m_arrSystem.GetSize() > 0 ? m_pDoc->m_arrSystem.GetAt(0) : nullptr;
    if (!system || !source)
        return 0;
    for (short b = 0; b < source->GetBlockNum(); ++b) {
        CKVBlock* from = source->GetBlock(b);
        CKVBlock* block = KvNewReported<CKVBlock>();
        if (!block)
            continue;
        block->m_pPage = this;
        block->m_pSystem = system;
        block->m_nFirstMeas = from->m_nFirstMeas;
        block->m_nMeasCount = from->m_nMeasCount;
        block->m_nNominalMeasCount = from->m_nNominalMeasCount;
        block->m_nLeftIndent = from->m_nLeftIndent;
        block->m_byKind = from->m_byKind;
        block->m_rcBlock = from->m_rcBlock;
        for (short s = 0; s < system->GetStaffNum(); ++s) {
            if (block->AddStaff(system->GetStaff(s)) < 0) {
                delete block;
                return 0;
            }
        }
        for (int i = 0; i < from->m_arrMeasX.GetSize(); ++i)
            block->m_arrMeasX.Add(from->m_arrMeasX.GetAt(i));
        block->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
        m_arrBlock.Add(block);
    }
    return 1;
}
