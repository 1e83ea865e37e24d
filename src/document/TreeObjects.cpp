// The live pages, blocks, staves and measures of a document, by address.

#include "document/TreeObjects.h"

#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

TreeObjects::TreeObjects(CKVDoc& doc)
{
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        if (!page)
            continue;
        m_live.insert(page);
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
            m_live.insert(page->m_arrBlock.GetAt(b));
        for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
            m_live.insert(page->m_arrOssiaBlock.GetAt(b));
    }
    for (int y = 0; y < doc.m_arrSystem.GetSize(); ++y) {
        CKVSystem* system = doc.m_arrSystem.GetAt(y);
        for (CKVStaffPtrArray* list :
             {system ? system->m_pStaffArray : nullptr, system ? system->m_pOssiaStaffArray : nullptr}) {
            for (int s = 0; list && s < list->GetSize(); ++s) {
                CKVStaff* staff = list->GetAt(s);
                if (!staff)
                    continue;
                m_live.insert(staff);
                for (LONG m = 0; m < staff->GetMeasNum(); ++m)
                    m_live.insert(staff->GetMeas(m));
            }
        }
    }
    // Null is no object of the tree, whatever a list held.
    m_live.erase(nullptr);
}
