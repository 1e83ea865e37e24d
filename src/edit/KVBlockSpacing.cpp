// A block's measure widths and the vertical order of its staves.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVStaff.h"
#include "model/NodeDoc.h"

void CKVBlock::SetMeasWidth(short index, short width)
{
    if (index < 0 || index >= m_nMeasCount || index + 1 >= m_arrMeasX.GetSize())
        return;
    const int now = static_cast<short>(m_arrMeasX.GetAt(index + 1)) - static_cast<short>(m_arrMeasX.GetAt(index));
    const int delta = width - now;
    for (int i = index + 1; i < m_arrMeasX.GetSize(); ++i)
        m_arrMeasX.SetAt(i, static_cast<WORD>(static_cast<short>(m_arrMeasX.GetAt(i)) + delta));
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
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
