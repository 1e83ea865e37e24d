// Picking a staff of a block by a point left of it, and the selection
// queries that the hide and show commands ask.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>

int CKVBlock::IsStaffVisible()
{
    const int shown = GetStaffNum();
    const int all = m_pSystem ? m_pSystem->GetStaffNum() : 0;
    if (shown >= all)
        return 0;
    CKVDoc* doc = m_pPage ? m_pPage->m_pDoc : nullptr;
    if (!doc || !doc->m_pSelRectArray)
        return 0;
    for (int i = 0; i < doc->m_pSelRectArray->GetSize(); ++i) {
        const SelRect* rec = static_cast<SelRect*>(doc->m_pSelRectArray->GetAt(i));
        if (rec && rec->nKind == SelRect::kBlockStaff && rec->pBlock == this &&
            (!rec->pPage || rec->pPage == m_pPage))
            return 1;
    }
    return IsStaffSelected(nullptr) ? 1 : 0;
}

CKVStaff* CKVBlock::GetSelStaff(POINT pt)
{
    if (m_arrMeasX.GetSize() == 0)
        return nullptr;
    const int x0 = static_cast<short>(m_arrMeasX.GetAt(0));
    if (pt.x < x0 - kPickStripWidth || pt.x > x0)
        return nullptr;
    CKVDoc* doc = m_pPage ? m_pPage->m_pDoc : nullptr;
    const int space = doc ? doc->m_nStaffSpace : 0;
    const int staves = std::min<int>(GetStaffNum(), m_arrStaffY.GetSize());
    for (short k = 0; k < staves; ++k) {
        const int y = static_cast<short>(m_arrStaffY.GetAt(k));
        if (pt.y >= y - 4 * space && pt.y <= y)
            return GetStaff(k);
    }
    return nullptr;
}

CKVStaff* CKVBlock::GetSelStaff()
{
    for (short k = 0; k < GetStaffNum(); ++k) {
        CKVStaff* staff = GetStaff(k);
        if (staff && IsStaffSelected(staff))
            return staff;
    }
    return nullptr;
}
