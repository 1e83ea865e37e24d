// Handle outlines of blocks and measures.

#include "render/ScoreView.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"

namespace {

constexpr WORD kHandlesFirstOnly = 1;
constexpr WORD kHandlesNone = 2;

} // namespace

void CScoreView::DrawCtrlRect(CKVCtrlPoint* point, int dx, int dy, int)
{
    if (!m_bOpened || !point)
        return;
    CRect r = point->m_rect;
    r.OffsetRect(dx, dy);
    m_pDC->MoveTo(r.left, r.top);
    m_pDC->LineTo(r.right, r.top);
    m_pDC->LineTo(r.right, r.bottom);
    m_pDC->LineTo(r.left, r.bottom);
    m_pDC->LineTo(r.left, r.top);
}

void CScoreView::DrawCtrlPoint(CKVCtrlPoint* point, int dx, int dy)
{
    DrawCtrlRect(point, dx, dy, 0);
}

void CScoreView::DrawCtrlRectOfBlock(CKVBlock&) {}

void CScoreView::DrawCtrlRectOfMeas(CKVMeas* meas)
{
    if (!m_bOpened || !meas || m_bPrinting || !CKVCtrlTool::m_fControlVisible)
        return;
    const WORD handleMode = m_pCtrlTool->m_wHandleMode;
    if (handleMode == kHandlesNone)
        return;
    int count = static_cast<int>(meas->m_arrCtrlPoint.GetSize());
    if (handleMode == kHandlesFirstOnly && count > 1)
        count = 1;
    CPen* oldPen = m_pDC->SelectObject(&m_penHandle);
    for (int i = 0; i < count; ++i)
        DrawCtrlRect(meas->m_arrCtrlPoint.GetAt(i), m_lOrgX, m_lOrgY - 4 * m_pDoc->m_nStaffSpace, 0);
    m_pDC->SelectObject(oldPen);
}
