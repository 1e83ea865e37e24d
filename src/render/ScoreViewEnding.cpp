// Repeat endings of the measure being drawn: the label, the bracket line with
// its hooks, and the measure's handles for dragging them.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/DrawnText.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Line styles of an ending.
constexpr BYTE kStyleOpen = 1;   // solid, no closing hook
constexpr BYTE kStyleDashed = 2; // dashed, with a dashed closing hook
// The bracket's pen is 1/144 inch wide: 2 in the 288ths of DrawThickDash.
constexpr int kDashWidth = 2;
// Handles are squares of this half side around their point.
constexpr int kHandleHalf = 3;

bool BeginsEnding(BYTE type)
{
    return type == CKVMeas::ENDING_BEGINS || type == CKVMeas::ENDING_BEGINS_AND_ENDS;
}

bool EndsEnding(BYTE type)
{
    return type == CKVMeas::ENDING_ENDS || type == CKVMeas::ENDING_BEGINS_AND_ENDS;
}

bool RunsOn(BYTE type)
{
    return type == CKVMeas::ENDING_ENDS || type == CKVMeas::ENDING_CONTINUES;
}

// The label field comes from files and need not hold a terminator.
CString EndingLabel(const CKVMeas& meas)
{
    return CString(meas.m_szEndingText, static_cast<int>(strnlen(meas.m_szEndingText, CKVMeas::ENDING_TEXT_SIZE)));
}

void PlaceHandle(CKVObject& node, int index, WORD kind, const CRect& rect)
{
    if (CKVCtrlPoint* handle = HandleAt(node, index)) {
        handle->m_wKind = kind;
        handle->m_rect = rect;
    }
}

CRect HandleSquare(int x, int y)
{
    return CRect(x - kHandleHalf, y - kHandleHalf, x + kHandleHalf, y + kHandleHalf);
}

// The first draw of an ending settles where its label and bracket go, from
// the ending font then in use; later font changes leave them.
void SettleLabelGeometry(CKVMeas& meas, const TEXTMETRICA& metrics, int sp)
{
    meas.m_wObjWord = static_cast<WORD>(meas.m_wObjWord | CKVMeas::ENDING_START);
    meas.m_byEndingOffset = static_cast<BYTE>(((metrics.tmAscent + metrics.tmDescent + sp) * 4) / sp);
    meas.m_dwWord = static_cast<DWORD>(metrics.tmDescent + 2);
    meas.m_wEndingLine1 = static_cast<WORD>(static_cast<short>(sp / 2 + 2));
    meas.m_wEndingLine2 = static_cast<WORD>(static_cast<short>(metrics.tmAscent + sp / 2));
}

// The measures after the first that the ending runs over take its height
// and hook length; the inner ones keep no handles, and the first then
// closes at its measure's edge.
void SpreadOverFollowers(CKVMeas& first)
{
    CKVStaff* staff = measplace::StaffOf(first);
    const int index = measplace::IndexOnStaff(staff, &first);
    if (index < 0)
        return;
    for (int k = index + 1;; ++k) {
        CKVMeas* next = measplace::MeasAt(staff, k);
        if (!next || !RunsOn(next->m_byEndingPos))
            break;
        next->m_byEndingOffset = first.m_byEndingOffset;
        next->m_dwWord = first.m_dwWord;
        if (next->m_byEndingPos == CKVMeas::ENDING_CONTINUES) {
            first.m_dwMsgId = 0;
            DeleteHandles(*next);
        }
    }
}

} // namespace

short CScoreView::DrawEndings(short)
{
    CKVMeas* meas = m_pCurMeas;
    if (!m_bOpened || !meas || !m_pDoc || m_pDoc->m_nStaffSpace <= 0)
        return 1;
    CKVMeas& M = *meas;
    const BYTE type = M.m_byEndingPos;
    if (type == CKVMeas::ENDING_NONE || type > CKVMeas::ENDING_BEGINS_AND_ENDS)
        return 1;
    const int sp = m_pDoc->m_nStaffSpace;
    const int gap = m_nStaffSpace;
    const COLORREF colour = m_pCtrlTool->EndingColour();

    drawntext::TextState text(m_pDC);
    LOGFONT face = m_pCtrlTool->m_lfEnding;
    face.lfHeight = -std::abs(MulDiv(face.lfHeight, m_nDpiY, 72));
    text.Select(face);

    const CString label = EndingLabel(M);
    CSize labelSize(0, 0);
    TEXTMETRICA metrics {};
    if (BeginsEnding(type)) {
        labelSize = GetTextExtent(label);
        m_pDC->GetTextMetrics(&metrics);
        if (M.m_arrCtrlPoint.GetSize() == 0) {
            if (!(M.m_wObjWord & CKVMeas::ENDING_START))
                SettleLabelGeometry(M, metrics, sp);
            if (!GrowHandles(M, type == CKVMeas::ENDING_BEGINS_AND_ENDS ? 4 : 3))
                return 1;
            SpreadOverFollowers(M);
        }
    } else if (type == CKVMeas::ENDING_ENDS && M.m_arrCtrlPoint.GetSize() == 0) {
        if (!GrowHandles(M, 1))
            return 1;
    }

    const int h = (M.m_byEndingOffset * sp) >> 2;
    const int hook = static_cast<int>(static_cast<LONG>(M.m_dwWord));
    const int rightInset = static_cast<int>(static_cast<LONG>(M.m_dwMsgId));
    const int orgX = m_lOrgX;
    int x = orgX;
    // An ending carried over from the system before starts after the clef
    // and key of the system's first measure.
    if (m_lCurMeasIndex == m_lFirstMeas && RunsOn(type))
        x += std::max(0, M.m_nHeaderWidth - 2 * gap);
    const int y0 = m_lOrgY - 4 * gap;
    const int top = y0 - h;

    CPoint labelAt;
    if (BeginsEnding(type)) {
        x += static_cast<short>(M.m_wEndingWord) * sp / 4;
        // Room after the closing hook of an ending just before.
        const CKVMeas* prev = m_pPrevMeas;
        if (prev && EndsEnding(prev->m_byEndingPos) &&
            (prev->m_byEndBar == CKVMeas::BAR_SINGLE || prev->m_byEndBar == CKVMeas::BAR_THIN))
            x += gap / 2;
        labelAt = CPoint(x + static_cast<short>(M.m_wEndingLine1), y0 + static_cast<short>(M.m_wEndingLine2) - h);
        if (!label.IsEmpty()) {
            m_pDC->SetTextColor(colour);
            DrawTextOut(labelAt.x, labelAt.y, label, 0);
        }
    }

    // An ending followed straight by another one ends short of the bar line,
    // so that the next one's hook stands apart.
    int cut = 0;
    // A measure off its staff's list (a system's courtesy column) has none
    // after it.
    CKVStaff* staff = measplace::StaffOf(M);
    const int index = measplace::IndexOnStaff(staff, &M);
    const CKVMeas* next = index < 0 ? nullptr : measplace::MeasAt(staff, index + 1);
    if (next && next->m_byEndingPos != CKVMeas::ENDING_NONE && EndsEnding(type) && M.m_byEndBar != CKVMeas::BAR_NONE &&
        M.m_byEndBar != CKVMeas::BAR_THIN && !m_bLastColumn)
        cut = M.m_byEndBar == CKVMeas::BAR_REPEAT ? gap : gap / 2;
    int endX = m_lBlockLeft + M.m_rcMeas.right - cut;
    if (EndsEnding(type))
        endX -= rightInset;

    CPen pen;
    if (!pen.CreatePen(PS_SOLID, MulDiv(1, m_nDpiY, 144), colour))
        return -1;
    CPen* oldPen = m_pDC->SelectObject(&pen);
    const BYTE style = M.m_byEndingByte;
    auto line = [&](int x1, int y1, int x2, int y2) {
        if (style == kStyleDashed) {
            DrawThickDash(x1, y1, x2, y2, colour, kDashWidth);
        } else {
            m_pDC->MoveTo(x1, y1);
            m_pDC->LineTo(x2, y2);
        }
    };
    if (BeginsEnding(type)) {
        line(x, y0 - hook, x, top);
        line(x, top, endX, top);
    } else {
        line(x, top, endX, top);
    }
    if (EndsEnding(type) && style != kStyleOpen)
        line(endX, top, endX, y0 - hook);
    m_pDC->SelectObject(oldPen);

    // Handles, relative to the origin and the top staff line.
    const int closeX = M.m_rcMeas.Width() - rightInset;
    if (BeginsEnding(type)) {
        PlaceHandle(M, 0, CKVCtrlPoint::kMoveWhole, HandleSquare(x - orgX, -h));
        PlaceHandle(M, 1, CKVCtrlPoint::kMoveWhole,
                    CRect(labelAt.x - orgX, labelAt.y - y0 - metrics.tmAscent, labelAt.x - orgX + labelSize.cx,
                          labelAt.y - y0));
        PlaceHandle(M, 2, CKVCtrlPoint::kReshapeAlt, HandleSquare(x - orgX, -hook));
        if (type == CKVMeas::ENDING_BEGINS_AND_ENDS)
            PlaceHandle(M, 3, CKVCtrlPoint::kReshape, HandleSquare(closeX, -h));
    } else if (type == CKVMeas::ENDING_ENDS) {
        PlaceHandle(M, 0, CKVCtrlPoint::kReshape, HandleSquare(closeX, -h));
    }
    return 1;
}
