// The staves of a block: where a staff stands in the block, taking one out,
// and stacking them again.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVBackupPtrArray.h"
#include "model/NodeDoc.h"

short CKVBlock::GetStaffIndex(CKVStaff* staff)
{
    for (short i = 0; i < GetStaffNum(); ++i) {
        if (GetStaff(i) == staff)
            return i;
    }
    return -1;
}

short CKVBlock::GetOssiaStaffIndex(CKVStaff* staff)
{
    return GetStaffIndex(staff);
}

short CKVBlock::DeleteStaff(CKVStaff* staff)
{
    if (!staff || staff->m_pSystem != m_pSystem || GetStaffNum() == 0)
        return 0;
    const short index = GetStaffIndex(staff);
    if (index < 0)
        return 0;
    DeleteStaff(index, 1);
    // The anchor lists stay aligned with the staves: the entry goes, not
    // only what it points to.
    auto dropAt = [index](auto& list) {
        if (index < list.GetSize()) {
            delete list.GetAt(index);
            list.RemoveAt(index);
        }
    };
    dropAt(m_arrStaffNamePoint);
    dropAt(m_arrStaffNameCtrl);
    dropAt(m_arrStaffCtrl);
    for (int e = m_arrStaffEntry.GetSize() - 1; e >= 0; --e) {
        BlockStaffEntry* entry = m_arrStaffEntry.GetAt(e);
        if (entry && entry->pStaff == staff) {
            delete entry;
            m_arrStaffEntry.RemoveAt(e);
        }
    }
    return 1;
}

void CKVBlock::StaffOrder()
{
    CKVDoc* doc = m_pPage ? m_pPage->m_pDoc : nullptr;
    const int space = doc ? doc->m_nStaffSpace : 0;
    const int gap = doc && doc->m_pFileInfo ? doc->m_pFileInfo->m_nStaffDistance : 0;
    m_arrStaffY.RemoveAll();
    int y = 0;
    for (short i = 0; i < GetStaffNum(); ++i) {
        CKVStaff* staff = GetStaff(i);
        const int lines = staff && staff->m_byLineCount > 0 ? staff->m_byLineCount : 1;
        const int height = (lines - 1) * space;
        y = i == 0 ? height : y + gap * space + height;
        m_arrStaffY.Add(static_cast<WORD>(y));
    }
    UpdateMeasXY(1, kReplaceCrossStaff, 1);
}

void CKVBlock::StaffSpaceOrder(short distance)
{
    CKVDoc* doc = DocOf(*this);
    const int space = doc ? doc->m_nStaffSpace : 0;
    m_arrStaffY.RemoveAll();
    int y = 0;
    for (short i = 0; i < GetStaffNum(); ++i) {
        CKVStaff* staff = GetStaff(i);
        const int height = staff ? (staff->m_byLineCount - 1) * space : 0;
        y = i == 0 ? height : y + distance + height;
        m_arrStaffY.Add(static_cast<WORD>(y));
    }
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
}

void CKVBlock::OrderSpace()
{
    CKVDoc* doc = DocOf(*this);
    const int space = doc ? doc->m_nStaffSpace : 0;
    const int distance = doc && doc->m_pFileInfo ? doc->m_pFileInfo->m_nStaffDistance : 0;
    StaffSpaceOrder(static_cast<short>(distance * space));
    UpdateMeasXY(1, kReplaceCrossStaff, kWithBackup);
}
