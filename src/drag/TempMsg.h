#pragma once
// The base of every drag template: the state of one drag, the off-screen
// image of the symbol and the four protocol operations the host calls while
// the user hovers, presses, moves and releases the mouse. A template derives
// from its model message first and from CTempMsg second; the model is reached
// through Model().

#include "Platform.h"

class CKVMsg;
class CKVMeas;
class CKVDoc;
class CKVPage;
class CKVCtrlTool;
class CFontDatas;
class CMemoryDC;

class CTempMsg {
public:
    CTempMsg();
    // A copy takes every field but the image: it makes its own at its next
    // measuring.
    CTempMsg(const CTempMsg& source);
    CTempMsg& operator=(const CTempMsg& source);
    virtual ~CTempMsg();

    // Draws the symbol far off the view to learn its rectangle, then into a
    // fresh image; null measures on the screen. The shorts are not used. 1.
    virtual int CalcBoundingRect(CDC* dc, short, short);
    virtual CRect GetBoundingRect() const;
    // Hover: shows the image at pt, erasing it at its last place. 1.
    virtual short OnMouseMove(CPoint pt, CDC* dc, CKVDoc* doc, short zoom);
    // Button pressed: binds the document, opens an undo step and sets the
    // starting points. -1 without a document, else 1.
    virtual short BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle);
    // Button held: moves the image. 1.
    virtual short Drag(CDC* dc, CPoint pt);
    // Release: makes the symbol in the score (new, moved or copied). 1.
    virtual short EndDrag(CPoint pt);
    // Fills the message to insert and the measure to hold it (null: the
    // current page). A template that leaves the kind 0 inserts nothing.
    virtual void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas);
    virtual void DrawDraging(CDC* dc);
    virtual void UpdateDragingParameter(CPoint pt);
    virtual void InitDragingParameter(CPoint pt);

    CPoint GetOriginalPoint() const { return m_ptPos; }

    CRect m_rcBound {0, 0, 0, 0};   // image extent relative to the position
    int m_bMeasured = 0;
    CKVMsg* m_pMovedMsg = nullptr;
    CKVDoc* m_pDoc = nullptr;
    CKVPage* m_pPage = nullptr;
    CKVCtrlTool* m_pCtrlTool = nullptr;
    CFontDatas* m_pFontDatas = nullptr;
    short m_nHandle = 0;
    short m_nZoom = 100;
    BYTE m_byAltState = 0;          // 0 move, 1 copy, 2 copy after the first Drag
    CPoint m_ptPos {0, 0};
    CPoint m_ptSecond {0, 0};
    CPoint m_ptThird {0, 0};
    COLORREF m_crColor = 0;
    CMemoryDC* m_pImage = nullptr;  // owned

protected:
    virtual CKVMsg& Model() = 0;

    // The document, its settings, fonts and current page.
    void BindDocument(CKVDoc* doc);
    // Copies the image onto dc at the position with the exclusive-nor blit.
    void BlitImage(CDC* dc);

    // Turns view points into page points, looks up the measure nearest to
    // the first (moving the document's cursor onto it) and, when there is
    // one, makes both points relative to it. Null for a page-level place.
    CKVMeas* PlacePoints(CPoint& first, CPoint& second);
    // Writes kind, x and y (and with `offsets` dx and dy) of placed points,
    // on the measure's 0-256 scale and staff size when there is a measure.
    void FillPlaced(CKVMsg* msg, BYTE kind, CKVMeas* meas, CPoint first, CPoint second, bool offsets);
    // The end of a drop, M filled: a moved message leaves its holder (kept
    // with Alt) and is forgotten; M goes into `meas`, or onto the current
    // page when it is null. Each holder is backed up once.
    void InsertDropped(CKVMsg& M, CKVMeas* meas);
    // The view point of a moved message's x and y words, from the cursor
    // block, staff and measure that the host's hit test has set.
    CPoint StartPoint(CKVMsg& msg);
    // The cursor staff's size percent (100 when unset).
    int CursorStaffPercent();
    // New message starting at pt: both points there, settings colour and
    // line width.
    void StartNew(CPoint pt);

    bool m_bShown = false;          // an image is on the view at the position
    bool m_bHovered = false;        // a hover has placed the image once
};
