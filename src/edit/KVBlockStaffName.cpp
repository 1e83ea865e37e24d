// The staff-name points of a block and their control handles.

#include "model/KVBlock.h"

#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"

#include <cstring>

#include <new>

namespace {

bool HasNameText(CKVStaff& staff)
{
    char texts[4][CKVStaff::NAME_SIZE] = {};
    int x = 0;
    int y = 0;
    staff.GetStaffNameFromMsg(texts[0], texts[1], texts[2], texts[3], x, y);
    for (const char* text : texts) {
        if (text[0] != '\0')
            return true;
    }
    return strnlen(staff.m_szName, CKVStaff::NAME_SIZE) > 0;
}

} // namespace

void CKVBlock::SetStaffNamePoint()
{
    const int space = m_pPage && m_pPage->m_pDoc ? m_pPage->m_pDoc->m_nStaffSpace : 0;
    for (short i = 0; i < GetStaffNum(); ++i) {
        CKVStaff* staff = GetStaff(i);
        const bool named = staff && HasNameText(*staff);
        // Both lists grow together, so entry i exists in both or in neither.
        while (m_arrStaffNamePoint.GetSize() <= i)
            m_arrStaffNamePoint.Add(nullptr);
        while (m_arrStaffNameCtrl.GetSize() <= i)
            m_arrStaffNameCtrl.Add(nullptr);
        if (!named) {
            delete m_arrStaffNamePoint.GetAt(i);
            m_arrStaffNamePoint.SetAt(i, nullptr);
            delete m_arrStaffNameCtrl.GetAt(i);
            m_arrStaffNameCtrl.SetAt(i, nullptr);
            continue;
        }
        if (m_arrStaffNamePoint.GetAt(i))
            continue;
        // One staff space left of the staff's start and two above it. A
        // point or handle that cannot be made leaves the staff without one.
        POINT* point = new (std::nothrow) POINT {-space, -2 * space};
        CKVCtrlPoint* handle = point ? new (std::nothrow) CKVCtrlPoint(CRect(-3, -3, 3, 3)) : nullptr;
        if (!handle) {
            delete point;
            continue;
        }
        m_arrStaffNamePoint.SetAt(i, point);
        delete m_arrStaffNameCtrl.GetAt(i);
        m_arrStaffNameCtrl.SetAt(i, handle);
    }
}

short CKVBlock::GetStaffNameIndex(POINT pt)
{
    const int count = static_cast<int>(m_arrStaffNamePoint.GetSize());
    for (int i = 0; i < count && i < m_arrStaffNameCtrl.GetSize(); ++i) {
        CKVCtrlPoint* handle = m_arrStaffNameCtrl.GetAt(i);
        if (!m_arrStaffNamePoint.GetAt(i) || !handle)
            continue;
        const CRect& r = handle->m_rect;
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
            return static_cast<short>(i);
    }
    return -1;
}

void CKVBlock::RemoveStaffNamePoint()
{
    for (int i = 0; i < m_arrStaffNamePoint.GetSize(); ++i)
        delete m_arrStaffNamePoint.GetAt(i);
    m_arrStaffNamePoint.RemoveAll();
    for (int i = 0; i < m_arrStaffNameCtrl.GetSize(); ++i)
        delete m_arrStaffNameCtrl.GetAt(i);
    m_arrStaffNameCtrl.RemoveAll();
}

void CKVBlock::MakeStaffNameRect()
{
    for (int i = 0; i < m_arrStaffNameCtrl.GetSize(); ++i)
        delete m_arrStaffNameCtrl.GetAt(i);
    m_arrStaffNameCtrl.RemoveAll();
    for (int i = 0; i < m_arrStaffNamePoint.GetSize(); ++i) {
        CKVCtrlPoint* handle = nullptr;
        // A handle that cannot be made leaves that staff without one.
        if (m_arrStaffNamePoint.GetAt(i))
            handle = new (std::nothrow) CKVCtrlPoint(CRect(-3, -3, 3, 3));
        m_arrStaffNameCtrl.Add(handle);
    }
}

CKVBlock* CKVPage::GetCtrlStaffName(POINT pt, short* index)
{
    CKVBlock* first = GetBlockNum() > 0 ? GetBlock(0) : nullptr;
    if (!first)
        return nullptr;
    const short found = first->GetStaffNameIndex(pt);
    if (index)
        *index = found;
    return found >= 0 ? first : nullptr;
}

CKVBlock* CKVDoc::GetCtrlStaffName(POINT pt, short* index)
{
    const int current = GetCurrentPageNum();
    if (current < 0)
        return nullptr;
    m_pCurPage = GetPage(static_cast<short>(current));
    if (index)
        *index = -1;
    if (!m_pCurPage)
        return nullptr;
    short found = -1;
    CKVBlock* block = m_pCurPage->GetCtrlStaffName(pt, &found);
    if (index)
        *index = found;
    return found >= 0 ? block : nullptr;
}

void CKVDoc::MakeAllPageStaffName()
{
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (page && page->GetBlockNum() > 0)
            if (CKVBlock* first = page->GetBlock(0))
                first->SetStaffNamePoint();
    }
    m_bModified = 1;
}

short CKVDoc::GetFirstPageIndex(int mode)
{
    if (mode != 1)
        return 0;
    const short pages = GetPageNum();
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = GetPage(i);
        if (page && page->GetBlockNum() > 0)
            return i;
    }
    return 0;
}
