// The symbol editor's operations on one drawing object: its handles,
// reshaping by a handle, mirroring, zooming and rescaling.
#include "model/CustomSymbol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr int kHandleCount = 8;

struct Handle {
    CPoint point;
    int index;
};

// The eight handles of a box: 0 top-left, clockwise to 7 left-middle.
std::vector<Handle> BoxHandles(CRect box)
{
    box.NormalizeRect();
    const int mx = box.left + box.Width() / 2;
    const int my = box.top + box.Height() / 2;
    return {{{box.left, box.top}, 0},    {{mx, box.top}, 1},      {{box.right, box.top}, 2},
            {{box.right, my}, 3},        {{box.right, box.bottom}, 4}, {{mx, box.bottom}, 5},
            {{box.left, box.bottom}, 6}, {{box.left, my}, 7}};
}

bool Near(POINT a, POINT b)
{
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1;
}

// Scales one coordinate by numerator / denominator; a zero denominator
// leaves it.
LONG Scaled(LONG value, LONG numerator, LONG denominator)
{
    return denominator == 0 ? value : MulDiv(value, numerator, denominator);
}

// The handles that the object offers, by its kind.
std::vector<Handle> HandlesOf(CCustomSymbolObject& object)
{
    const int n = object.m_arrPoint.GetSize();
    switch (object.m_nKind) {
    case CSK_TEXT:
        return {};
    case CSK_POLYGON:
        if (n == 2)
            return {};
        return BoxHandles(object.m_rect);
    case CSK_LINE: {
        if (n < 2)
            return {};
        const CPoint a = object.m_arrPoint[0];
        const CPoint b = object.m_arrPoint[1];
        const bool startBelow = a.y > b.y;
        return {{a, startBelow ? 6 : 0}, {b, startBelow ? 2 : 4}};
    }
    case CSK_BEZIER:
    case CSK_BAND: {
        static const int kByPoint[] = {6, 4, 0, 2, 1, 3};
        const int used = object.m_nKind == CSK_BEZIER ? std::min(n, 4) : std::min(n, 6);
        std::vector<Handle> handles;
        for (int i = 0; i < used; ++i)
            handles.push_back({object.m_arrPoint[i], kByPoint[i]});
        return handles;
    }
    case CSK_FREEHAND:
    case CSK_RECTANGLE:
    case CSK_ELLIPSE:
    case CSK_BOW:
    case CSK_IMAGES:
        return BoxHandles(object.m_rect);
    default:
        return {};
    }
}

// A coordinate times a factor, truncated; kept inside what a LONG holds.
LONG ScaledByFactor(LONG value, float factor)
{
    const double scaled = std::trunc(double(value) * factor);
    if (!(scaled == scaled))
        return value;
    return static_cast<LONG>(std::clamp(scaled, double(std::numeric_limits<LONG>::min()),
                                        double(std::numeric_limits<LONG>::max())));
}

} // namespace

int CCustomSymbolObject::IsControlPoint(POINT point, int& handle)
{
    handle = -1;
    if (!m_bSelected)
        return 0;
    for (const Handle& h : HandlesOf(*this)) {
        if (Near(point, h.point)) {
            handle = h.index;
            return 1;
        }
    }
    return 0;
}

void CCustomSymbolObject::DrawControlRect(CDC* dc, int erase)
{
    if (!dc)
        return;
    CPen pen(PS_SOLID, erase ? 2 : 0, erase ? RGB(255, 255, 255) : COLORREF(0xFF0000));
    CPen* oldPen = dc->SelectObject(&pen);
    CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    for (const Handle& h : HandlesOf(*this))
        dc->Rectangle(h.point.x - 1, h.point.y - 1, h.point.x + 2, h.point.y + 2);
    dc->SetBkMode(oldMode);
    if (oldBrush)
        dc->SelectObject(oldBrush);
    if (oldPen)
        dc->SelectObject(oldPen);
}

void CCustomSymbolObject::Modification(CPoint& delta, int handle)
{
    if (m_nKind == CSK_LINE) {
        if (m_arrPoint.GetSize() < 2)
            return;
        if (handle == 0 || handle == 6)
            m_arrPoint[0] = delta;
        else if (handle == 2 || handle == 4)
            m_arrPoint[1] = delta;
        return;
    }
    if (handle < 0 || handle >= kHandleCount)
        return;
    CRect box = m_rect;
    box.NormalizeRect();
    const CPoint topLeft = box.TopLeft();
    const CPoint bottomRight = box.BottomRight();
    const CPoint moved = BoxHandles(box)[static_cast<size_t>(handle)].point + delta;
    for (int i = 0; i < m_arrPoint.GetSize(); ++i)
        m_arrPoint[i] = ReCalcPoint(m_arrPoint[i], moved, topLeft, bottomRight, handle);
    for (POSITION pos = m_listBitmap.GetHeadPosition(); pos;) {
        CKVBitmapObject* image = m_listBitmap.GetNext(pos);
        if (!image)
            continue;
        const CPoint a = ReCalcPoint(CPoint(image->m_nLeft, image->m_nTop), moved, topLeft, bottomRight, handle);
        const CPoint b = ReCalcPoint(CPoint(image->m_nLeft + image->m_nWidth, image->m_nTop + image->m_nHeight),
                                     moved, topLeft, bottomRight, handle);
        image->m_nLeft = a.x;
        image->m_nTop = a.y;
        image->m_nWidth = b.x - a.x;
        image->m_nHeight = b.y - a.y;
    }
    FinishStroke();
}

void CCustomSymbolObject::Modification(CPoint& point, int handle, CRect)
{
    if (m_nKind == CSK_BEZIER || m_nKind == CSK_BAND) {
        // The stored point that each handle names; -1 for none.
        static const int kPointOf[kHandleCount] = {2, 4, 3, 5, 1, -1, 0, -1};
        const int index = handle >= 0 && handle < kHandleCount ? kPointOf[handle] : -1;
        if (index >= 0 && index < m_arrPoint.GetSize())
            m_arrPoint[index] = point;
    }
    FinishStroke();
}

void CCustomSymbolObject::Modification(float scaleX, float scaleY)
{
    if (m_nKind == CSK_BEZIER || m_nKind == CSK_BAND) {
        for (int i = 0; i < m_arrPoint.GetSize(); ++i) {
            CPoint& p = m_arrPoint[i];
            p.x = ScaledByFactor(p.x, scaleX);
            p.y = ScaledByFactor(p.y, scaleY);
        }
    }
    FinishStroke();
}

void CCustomSymbolObject::ResizeObject(int, CPoint numerator, CPoint denominator)
{
    for (POSITION pos = m_listBitmap.GetHeadPosition(); pos;) {
        if (CKVBitmapObject* image = m_listBitmap.GetNext(pos)) {
            image->m_nLeft = Scaled(image->m_nLeft, numerator.x, denominator.x);
            image->m_nTop = Scaled(image->m_nTop, numerator.y, denominator.y);
            image->m_nWidth = Scaled(image->m_nWidth, numerator.x, denominator.x);
            image->m_nHeight = Scaled(image->m_nHeight, numerator.y, denominator.y);
        }
    }
    for (int i = 0; i < m_arrPoint.GetSize(); ++i) {
        CPoint& p = m_arrPoint[i];
        p.x = Scaled(p.x, numerator.x, denominator.x);
        p.y = Scaled(p.y, numerator.y, denominator.y);
    }
    if (m_nKind == CSK_TEXT && m_arrText.GetSize() > 0) {
        // The items are laid out again, one after the other, from the
        // scaled first reference point.
        double x = Scaled(static_cast<LONG>(m_arrText[0].m_dX), numerator.x, denominator.x);
        double y = Scaled(static_cast<LONG>(m_arrText[0].m_dY), numerator.y, denominator.y);
        for (int i = 0; i < m_arrText.GetSize(); ++i) {
            CCustomSymbolTextObject& item = m_arrText[i];
            item.m_dX = x;
            item.m_dY = y;
            x += item.m_dWidth;
            y += item.m_dHeight;
        }
    }
    FinishStroke();
}

CPoint CCustomSymbolObject::ReCalcPoint(CPoint point, CPoint handlePoint, CPoint topLeft, CPoint bottomRight,
                                        int index)
{
    if (index < 0 || index >= kHandleCount)
        return point;
    const LONG left = topLeft.x;
    const LONG top = topLeft.y;
    const LONG right = bottomRight.x;
    const LONG bottom = bottomRight.y;
    CPoint result = point;
    // An axis of zero extent cannot be mapped and stays.
    if (right != left) {
        if (index == 0 || index == 6 || index == 7)
            result.x = right + MulDiv(right - handlePoint.x, point.x - right, right - left);
        else if (index == 2 || index == 3 || index == 4)
            result.x = left + MulDiv(handlePoint.x - left, point.x - left, right - left);
    }
    if (bottom != top) {
        if (index == 0 || index == 1 || index == 2)
            result.y = bottom - MulDiv(bottom - handlePoint.y, bottom - point.y, bottom - top);
        else if (index == 4 || index == 5 || index == 6)
            result.y = top + MulDiv(handlePoint.y - top, point.y - top, bottom - top);
    }
    return result;
}

void CCustomSymbolObject::SymmetricalObject(POINT axis, int mirrorX, int mirrorY)
{
    for (int i = 0; i < m_arrPoint.GetSize(); ++i) {
        CPoint& p = m_arrPoint[i];
        if (mirrorX)
            p.x = 2 * axis.x - p.x;
        if (mirrorY)
            p.y = 2 * axis.y - p.y;
    }
}

void CCustomSymbolObject::Zoom(CPoint centre, UINT percent)
{
    const int scale = static_cast<int>(percent);
    for (int i = 0; i < m_arrPoint.GetSize(); ++i) {
        CPoint& p = m_arrPoint[i];
        p.x = centre.x + MulDiv(p.x - centre.x, scale, 100);
        p.y = centre.y + MulDiv(p.y - centre.y, scale, 100);
    }
    FinishStroke();
}

int CCustomSymbolObject::ModifyBmpObject(int handle, CPoint point)
{
    CRect box = m_rect;
    switch (handle) {
    case 0: box.left = point.x; box.top = point.y; break;
    case 1: box.top = point.y; break;
    case 2: box.top = point.y; box.right = point.x; break;
    case 3: box.right = point.x; break;
    case 4: box.right = point.x; box.bottom = point.y; break;
    case 5: box.bottom = point.y; break;
    case 6: box.left = point.x; box.bottom = point.y; break;
    case 7: box.left = point.x; break;
    default: break;
    }
    box.NormalizeRect();
    for (POSITION pos = m_listBitmap.GetHeadPosition(); pos;) {
        CKVBitmapObject* image = m_listBitmap.GetNext(pos);
        if (!image || !image->m_pImage)
            continue;
        image->m_nLeft = box.left;
        image->m_nTop = box.top;
        image->m_nWidth = box.Width();
        image->m_nHeight = box.Height();
    }
    FinishStroke();
    return 0;
}

void CCustomSymbolObject::DeleteTextObject() {}
