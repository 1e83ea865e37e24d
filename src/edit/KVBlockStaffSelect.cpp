// Whether the selection takes in a staff of a block.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVPage.h"

int CKVBlock::IsStaffSelected(CKVStaff* staff)
{
    if (!staff) {
        for (short k = 0; k < GetStaffNum(); ++k) {
            if (CKVStaff* shown = GetStaff(k); shown && IsStaffSelected(shown))
                return 1;
        }
        return 0;
    }
    CKVDoc* doc = m_pPage ? m_pPage->m_pDoc : nullptr;
    if (!doc || !doc->m_pSelRectArray)
        return 0;
    for (int i = 0; i < doc->m_pSelRectArray->GetSize(); ++i) {
        SelRect* rec = static_cast<SelRect*>(doc->m_pSelRectArray->GetAt(i));
        if (!rec)
            continue;
        // A whole-score staff record concerns every page; the others only
        // their own.
        if (rec->nKind == SelRect::kStaff) {
            if (rec->pStaff == staff)
                return 1;
            continue;
        }
        // A record made on no particular page concerns every page.
        if (rec->pPage && rec->pPage != m_pPage)
            continue;
        if (rec->nKind == SelRect::kRect && IsStaffSelected(staff, &rec->rect))
            return 1;
        if (rec->nKind == SelRect::kBlockStaff && rec->pBlock == this && rec->pStaff == staff)
            return 1;
    }
    return 0;
}
