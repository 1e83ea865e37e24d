// Measure numbers of a block: which measures show one, the number, and the
// plain or framed text above the first staff or below the last.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Frame shapes of framed numbers; any other value is a rectangle.
constexpr WORD kFrameEllipse = 1;
constexpr WORD kFrameRoundRect = 2;
constexpr WORD kFrameTriangle = 3;
constexpr WORD kPlaceLeft = 1;
constexpr WORD kPlaceRight = 2;
constexpr WORD kPlaceCentre = 3;
constexpr WORD kPlaceBelow = 2;
// A triangle's text stands this far above its base.
constexpr int kTriangleBaseGap = 3;

// How many measures a measure of the first staff counts for: one, or the
// number a multi-measure rest in it stands for. A stored count of zero or
// less still counts as one measure, so the numbering never stands still.
LONG MeasuresCounted(CKVMeas& meas)
{
    LONG count = 1;
    for (short i = 0; i < meas.GetMsgNum(); ++i) {
        CKVMsg* msg = meas.GetMsg(i);
        if (msg && msg->m_byKind == MSG_MULTIREST)
            count += std::max<LONG>(1, static_cast<short>(msg->m_wObjWord)) - 1;
    }
    return count;
}

// The text box of a framed number of width w and height h: its near edge on
// the anchor y, and its left, right or middle on the measure's.
CRect FrameOf(const CRect& meas, int anchorY, int w, int h, WORD horizontal, bool below)
{
    int left;
    if (horizontal == kPlaceLeft)
        left = meas.left;
    else if (horizontal == kPlaceRight)
        left = meas.right - w;
    else
        left = (meas.left + meas.right) / 2 - w / 2;
    CRect box(left, below ? anchorY : anchorY - h, left + w, below ? anchorY + h : anchorY);
    // Widened by h/2 all round, then moved h/2 away from the staff and from
    // the measure edge it stands on, so that those two edges stay put.
    box.InflateRect(h / 2, h / 2);
    const int dx = horizontal == kPlaceLeft ? h / 2 : horizontal == kPlaceRight ? -(h / 2) : 0;
    box.OffsetRect(dx, below ? h / 2 : -(h / 2));
    return box;
}

} // namespace

short CScoreView::DrawMeasNum(CKVBlock& block)
{
    if (block.m_byKind == CKVBlock::KIND_OSSIA)
        return 0;
    const short staves = block.GetStaffNum();
    if (!m_bOpened || !m_pDoc || staves < 1 || block.m_arrStaffY.GetSize() < staves)
        return 1;
    CKVDoc& doc = *m_pDoc;
    const CKVCtrlTool& tool = *m_pCtrlTool;
    CKVStaff* firstStaff = block.GetStaff(0);
    CKVStaff* scoreStaff = doc.GetStaff(0, 0);
    if (!firstStaff || !scoreStaff)
        return 1;

    const int percent = firstStaff->m_wObjWord;
    const short savedGap = m_nStaffSpace;
    const short savedDocGap = doc.m_nStaffSpace;
    m_nStaffSpace = static_cast<short>(MulDiv(savedGap, percent, 100));
    doc.m_nStaffSpace = static_cast<short>(MulDiv(savedDocGap, percent, 100));
    const int gap = m_nStaffSpace;
    const int docGap = doc.m_nStaffSpace;

    const bool below = tool.MeasNumVertical() == kPlaceBelow;
    const int lift = docGap * static_cast<int>(tool.MeasNumDistance()) / 4;
    const int anchorY = below ? m_lOrgY + static_cast<short>(block.m_arrStaffY.GetAt(staves - 1)) + lift
                              : m_lOrgY + static_cast<short>(block.m_arrStaffY.GetAt(0)) - (lift + 4 * gap);

    LOGFONT face = tool.m_lfMeasNum;
    face.lfHeight = -std::abs(MulDiv(face.lfHeight, m_nDpiY, 72));
    HFONT font = CreateFontIndirectA(&face);
    HFONT oldFont = font ? SelectFontObject(font) : nullptr;
    const COLORREF oldColour = m_pDC->SetTextColor(tool.MeasNumColour());
    const UINT oldAlign = m_pDC->GetTextAlign();

    const DWORD flags = tool.MeasNumFlags();
    const int s0 = (flags & CKVCtrlTool::kMeasNumFromZero) ? 0 : 1;
    const bool p1 = (flags & CKVCtrlTool::kMeasNumNoFirst) != 0;
    const int p2 = (flags & CKVCtrlTool::kMeasNumPickup) ? 1 : 0;
    LONG interval = tool.MeasNumInterval();
    if (interval == 0)
        interval = 1;
    const bool framed = (flags & CKVCtrlTool::kMeasNumFramed) != 0;
    const WORD horizontal = tool.MeasNumHorizontal();

    int h = 0;
    CPen pen;
    CPen* oldPen = nullptr;
    CGdiObject* oldBrush = nullptr;
    if (framed) {
        m_pDC->SetTextAlign(TA_BASELINE | TA_CENTER);
        TEXTMETRICA metrics {};
        m_pDC->GetTextMetrics(&metrics);
        h = metrics.tmHeight;
        pen.CreatePen(PS_SOLID, MulDiv(1, m_nDpiY, 144), tool.MeasNumColour());
        oldPen = m_pDC->SelectObject(&pen);
        oldBrush = m_pDC->SelectStockObject(NULL_BRUSH);
    } else {
        const UINT across = horizontal == kPlaceRight ? TA_RIGHT : horizontal == kPlaceCentre ? TA_CENTER : TA_LEFT;
        m_pDC->SetTextAlign(across | (below ? TA_TOP : TA_BOTTOM));
    }

    const LONG first = block.m_nFirstMeas;
    const LONG last = first + block.m_nMeasCount - 1;
    const LONG start = (p1 && first == 0) ? 1 : first;
    // Measures of the score's first staff before `start`, then one measure
    // at a time.
    LONG counted = 0;
    for (LONG k = 0; k < start; ++k) {
        if (CKVMeas* meas = scoreStaff->GetMeas(k))
            counted += MeasuresCounted(*meas);
    }
    for (LONG m = start; m <= last; ++m) {
        const LONG n = counted - p2;
        if (CKVMeas* meas = scoreStaff->GetMeas(m))
            counted += MeasuresCounted(*meas);
        bool shown;
        if (interval < 0) {
            shown = m == first;
            if (m == 0 && (p1 || p2))
                shown = false;
            if (n == 0 && !p1)
                shown = true;
        } else {
            shown = n == 0 || (n + s0) % interval == 0 || (!p1 && n + s0 == 0);
            if (n + p2 == 0 && (p1 || p2))
                shown = false;
            if (n == 0 && p1)
                shown = false;
        }
        CKVMeas* column = firstStaff->GetMeas(m);
        if (!shown || !column)
            continue;
        CString text;
        text.Format("%ld", static_cast<long>(n + s0));
        const CRect edges(m_lOrgX + column->m_rcMeas.left, 0, m_lOrgX + column->m_rcMeas.right, 0);
        if (!framed) {
            const int x = horizontal == kPlaceRight    ? edges.right
                          : horizontal == kPlaceCentre ? (edges.left + edges.right) / 2
                                                       : edges.left;
            DrawTextOut(x, anchorY, text, 0);
            continue;
        }
        const int w = std::max(static_cast<int>(GetTextExtent(text).cx), h);
        const CRect frame = FrameOf(edges, anchorY, w, h, horizontal, below);
        const WORD shape = tool.MeasNumFrameShape();
        int textY = frame.CenterPoint().y + h / 2;
        if (shape == kFrameEllipse) {
            m_pDC->Ellipse(frame);
        } else if (shape == kFrameRoundRect) {
            const int corner = std::min(frame.Width(), frame.Height()) / 4;
            m_pDC->RoundRect(frame, CPoint(corner, corner));
        } else if (shape == kFrameTriangle) {
            const POINT corners[] = {{frame.left, frame.bottom},
                                     {frame.right, frame.bottom},
                                     {frame.CenterPoint().x, frame.top},
                                     {frame.left, frame.bottom}};
            m_pDC->Polygon(corners, 4);
            textY = frame.bottom - kTriangleBaseGap;
        } else {
            m_pDC->Rectangle(frame);
        }
        DrawTextOut(frame.CenterPoint().x, textY, text, 0);
    }

    if (framed) {
        m_pDC->SelectObject(oldPen);
        if (oldBrush)
            m_pDC->SelectObject(oldBrush);
    }
    m_pDC->SetTextAlign(oldAlign);
    m_pDC->SetTextColor(oldColour);
    if (font) {
        SelectFontObject(oldFont);
        DeleteObject(font);
    }
    m_nStaffSpace = savedGap;
    doc.m_nStaffSpace = savedDocGap;
    return 1;
}
