// The drawing objects of a custom symbol and their text items: making,
// copying, bounding and moving them.
#include "model/CustomSymbol.h"

#include <algorithm>
#include <cstring>
#include <new>

IMPLEMENT_DYNCREATE(CCustomSymbolObject, CObject)

CCustomSymbolTextObject::CCustomSymbolTextObject()
    : m_lf {}, m_nLength(0), m_pText(nullptr), m_dX(0), m_dY(0), m_dWidth(0), m_dHeight(0), m_dOffsetX(0),
      m_dOffsetY(0)
{
}

CCustomSymbolTextObject::CCustomSymbolTextObject(const CCustomSymbolTextObject& other) : CCustomSymbolTextObject()
{
    *this = other;
}

CCustomSymbolTextObject& CCustomSymbolTextObject::operator=(const CCustomSymbolTextObject& other)
{
    if (this == &other)
        return *this;
    m_lf = other.m_lf;
    m_dX = other.m_dX;
    m_dY = other.m_dY;
    m_dWidth = other.m_dWidth;
    m_dHeight = other.m_dHeight;
    m_dOffsetX = other.m_dOffsetX;
    m_dOffsetY = other.m_dOffsetY;
    if (!SetText(other.m_pText, other.m_pText ? other.m_nLength : 0))
        SetText(nullptr, 0);
    return *this;
}

CCustomSymbolTextObject::~CCustomSymbolTextObject()
{
    delete[] m_pText;
}

bool CCustomSymbolTextObject::SetText(const unsigned short* units, int length)
{
    delete[] m_pText;
    m_pText = nullptr;
    m_nLength = 0;
    if (length < 0)
        return false;
    auto* buffer = new (std::nothrow) unsigned short[static_cast<size_t>(length) + 1]();
    if (!buffer)
        return false;
    if (length > 0 && units)
        std::memcpy(buffer, units, static_cast<size_t>(length) * 2);
    m_pText = buffer;
    m_nLength = length;
    return true;
}

CCustomSymbolObject::CCustomSymbolObject() = default;

CCustomSymbolObject::CCustomSymbolObject(int penWidth, COLORREF colour, int kind, int fill, int closed,
                                         int lineStyle, int endStyle, int bowForm, int arrowType, int arrowEnd)
    : m_nKind(kind), m_nBowForm(bowForm), m_nArrowType(arrowType), m_nArrowEnd(arrowEnd), m_nPenWidth(penWidth),
      m_nLineStyle(lineStyle), m_nEndStyle(endStyle), m_nClosed(closed), m_nFill(fill), m_crColor(colour)
{
}

CCustomSymbolObject::~CCustomSymbolObject()
{
    while (!m_listBitmap.IsEmpty())
        delete m_listBitmap.RemoveHead();
    m_arrText.RemoveAll();
    m_arrPoint.RemoveAll();
}

CCustomSymbolObject& CCustomSymbolObject::operator=(const CCustomSymbolObject& other)
{
    if (this == &other)
        return *this;
    m_rect = other.m_rect;
    m_nKind = other.m_nKind;
    m_bSelected = other.m_bSelected;
    m_arrPoint.Copy(other.m_arrPoint);
    m_arrText.Copy(other.m_arrText);
    while (!m_listBitmap.IsEmpty())
        delete m_listBitmap.RemoveHead();
    for (POSITION pos = other.m_listBitmap.GetHeadPosition(); pos;) {
        const CKVBitmapObject* source = other.m_listBitmap.GetNext(pos);
        if (!source)
            continue;
        auto* image = new CKVBitmapObject;
        *image = *source;
        m_listBitmap.AddTail(image);
    }
    m_nBowForm = other.m_nBowForm;
    m_nArrowType = other.m_nArrowType;
    m_nArrowEnd = other.m_nArrowEnd;
    m_nPenWidth = other.m_nPenWidth;
    m_nLineStyle = other.m_nLineStyle;
    m_nEndStyle = other.m_nEndStyle;
    m_nClosed = other.m_nClosed;
    m_nFill = other.m_nFill;
    m_crColor = other.m_crColor;
    return *this;
}

void CCustomSymbolObject::FinishStroke()
{
    if (m_nKind == CSK_TEXT) {
        const int count = m_arrText.GetSize();
        if (count == 0)
            return;
        const CCustomSymbolTextObject& first = m_arrText[0];
        double width = 0;
        double height = 0;
        double offsetX = first.m_dOffsetX;
        double offsetY = first.m_dOffsetY;
        for (int i = 0; i < count; ++i) {
            const CCustomSymbolTextObject& item = m_arrText[i];
            width += item.m_dWidth;
            height = std::max(height, item.m_dHeight);
            offsetX = std::min(offsetX, item.m_dOffsetX);
            offsetY = std::max(offsetY, item.m_dOffsetY);
        }
        const int left = static_cast<int>(first.m_dX);
        const int top = static_cast<int>(first.m_dY);
        m_rect.SetRect(left, top, left + static_cast<int>(width), top + static_cast<int>(height));
        m_rect.OffsetRect(static_cast<int>(offsetX), static_cast<int>(offsetY));
        return;
    }
    if (m_nKind == CSK_IMAGES) {
        bool any = false;
        CRect box;
        for (POSITION pos = m_listBitmap.GetHeadPosition(); pos;) {
            const CKVBitmapObject* image = m_listBitmap.GetNext(pos);
            if (!image || !image->m_pImage)
                continue;
            CRect r(image->m_nLeft, image->m_nTop, image->m_nLeft + image->m_nWidth,
                    image->m_nTop + image->m_nHeight);
            r.NormalizeRect();
            if (!any) {
                box = r;
                any = true;
            } else {
                box.SetRect(std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                            std::max(box.bottom, r.bottom));
            }
        }
        m_rect = any ? box : CRect();
        return;
    }
    const int count = m_arrPoint.GetSize();
    if (count == 0) {
        m_rect.SetRectEmpty();
        return;
    }
    if (count == 2) {
        CPoint& a = m_arrPoint[0];
        CPoint& b = m_arrPoint[1];
        if (b.x < a.x || (b.x == a.x && b.y < a.y))
            std::swap(a, b);
    }
    CRect box(m_arrPoint[0].x, m_arrPoint[0].y, m_arrPoint[0].x, m_arrPoint[0].y);
    for (int i = 1; i < count; ++i) {
        const CPoint& p = m_arrPoint[i];
        box.SetRect(std::min<int>(box.left, p.x), std::min<int>(box.top, p.y), std::max<int>(box.right, p.x),
                    std::max<int>(box.bottom, p.y));
    }
    if (count == 1 && m_nKind == CSK_FREEHAND) {
        const int w = m_nPenWidth;
        box.left -= w / 2;
        box.top -= w / 2;
        box.right = box.left + w;
        box.bottom = box.top + w;
    }
    m_rect = box;
}

void CCustomSymbolObject::OffsetStroke(POINT offset)
{
    for (int i = 0; i < m_arrPoint.GetSize(); ++i)
        m_arrPoint[i] += offset;
    OffsetText(offset);
    for (POSITION pos = m_listBitmap.GetHeadPosition(); pos;) {
        if (CKVBitmapObject* image = m_listBitmap.GetNext(pos)) {
            image->m_nLeft += offset.x;
            image->m_nTop += offset.y;
        }
    }
    FinishStroke();
}

void CCustomSymbolObject::OffsetText(POINT offset)
{
    for (int i = 0; i < m_arrText.GetSize(); ++i) {
        m_arrText[i].m_dX += offset.x;
        m_arrText[i].m_dY += offset.y;
    }
}

CRect CCustomSymbolObject::GetBoundingRect(int)
{
    return m_rect;
}

void CCustomSymbolObject::GetTopBottomPoint(CPoint& topLeft, CPoint& bottomRight)
{
    if (m_nKind == CSK_IMAGES) {
        topLeft = m_rect.TopLeft();
        bottomRight = m_rect.BottomRight();
        return;
    }
    if (m_arrPoint.GetSize() == 0) {
        topLeft = CPoint(0, 0);
        bottomRight = CPoint(0, 0);
        m_rect.SetRectEmpty();
        return;
    }
    topLeft = bottomRight = m_arrPoint[0];
    for (int i = 1; i < m_arrPoint.GetSize(); ++i) {
        const CPoint& p = m_arrPoint[i];
        topLeft.x = std::min(topLeft.x, p.x);
        topLeft.y = std::min(topLeft.y, p.y);
        bottomRight.x = std::max(bottomRight.x, p.x);
        bottomRight.y = std::max(bottomRight.y, p.y);
    }
}

POINT FirstItemShift(const CCustomSymbolObject& object)
{
    if (object.m_arrText.GetSize() == 0)
        return {0, 0};
    const CCustomSymbolTextObject& first = object.m_arrText[0];
    return {first.m_dOffsetX != 0 ? -static_cast<LONG>(first.m_dOffsetX) : 0, -static_cast<LONG>(first.m_dOffsetY)};
}
