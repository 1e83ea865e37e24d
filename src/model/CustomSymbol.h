#pragma once
// The temporary object form of a custom symbol (kind 80): its drawing
// objects rebuilt from the block in the symbol's head, and written back into
// a new block. Nothing keeps it between operations.

#include "Platform.h"

#include "model/BitmapObject.h"

#include <vector>

// The kinds of drawing object.
enum CustomSymbolKind {
    CSK_FREEHAND = 1,
    CSK_LINE = 2,
    CSK_RECTANGLE = 3,
    CSK_ELLIPSE = 4,
    CSK_POLYGON = 5,
    CSK_BEZIER = 6,
    CSK_BAND = 7,
    CSK_BOW = 8,
    CSK_IMAGES = 9,
    CSK_TEXT = 10,
};

// One text item of a text object: its font (height in points), its UTF-16
// text in a buffer of its own, its reference point, extent and offset.
class CCustomSymbolTextObject {
public:
    CCustomSymbolTextObject();
    CCustomSymbolTextObject(const CCustomSymbolTextObject& other);
    CCustomSymbolTextObject& operator=(const CCustomSymbolTextObject& other);
    virtual ~CCustomSymbolTextObject();

    // Replaces the text by a copy of `length` units (a zeroed buffer of
    // 2 length + 2 bytes); false when it cannot be allocated.
    bool SetText(const unsigned short* units, int length);

    LOGFONTA m_lf;
    int m_nLength;
    unsigned short* m_pText; // owned; 2 m_nLength + 2 bytes, zero-terminated
    double m_dX;
    double m_dY;
    double m_dWidth;
    double m_dHeight;
    double m_dOffsetX;
    double m_dOffsetY;
};

// One drawing object of a custom symbol: a stroke, a shape, images or texts.
class CCustomSymbolObject : public CObject {
    DECLARE_DYNCREATE(CCustomSymbolObject)

public:
    // Defined in model/CustomSymbolObject.cpp
    CCustomSymbolObject();
    CCustomSymbolObject(int penWidth, COLORREF colour, int kind, int fill, int closed, int lineStyle, int endStyle,
                        int bowForm, int arrowType, int arrowEnd);
    ~CCustomSymbolObject() override;
    // Copies every field; points, items and images become copies of their own.
    CCustomSymbolObject& operator=(const CCustomSymbolObject& other);
    // Derives the bounding rectangle from the points, items or images; sorts
    // the two points of a two-point object by x, then y.
    void FinishStroke();
    // Moves points, item reference points and images, then FinishStroke.
    void OffsetStroke(POINT offset);
    // Moves the items' reference points only.
    void OffsetText(POINT offset);
    // The stored bounding rectangle; the argument is not used.
    CRect GetBoundingRect(int unused);
    void GetTopBottomPoint(CPoint& topLeft, CPoint& bottomRight);

    // Defined in model/CustomSymbolDraw.cpp
    // Draws the object: 1, or 0 when its pen cannot be made (nothing drawn).
    // The last argument is not used.
    int DrawStroke(CDC* dc, int dotted, int erase, int unused);
    // One text item at (x, y); the rectangle and the last three arguments
    // are not used.
    void DrawTextA(CDC* dc, int x, int y, int length, unsigned short* text, LOGFONTA* font, CRect rect, int, int,
                   short);
    void DrawBow(CDC* dc, CRect box, CPoint origin, int erase);
    void DrawArrow(CDC* dc);
    // A pen width below 1 is stored as 1.
    void DrawWaterLine(CDC* dc);
    // The largest ascent of the items' fonts; 0 without items.
    short GetTextBaseLine(CDC* dc);
    // The feedback while the object is being drawn in.
    void DrawToMemoryDcForPoint(CDC* dc);

    // Defined in model/CustomSymbolEdit.cpp
    // The handle under `point` (0-7, see ReCalcPoint): 1 with `handle` set,
    // else 0 with -1. Only a selected object has handles.
    int IsControlPoint(POINT point, int& handle);
    void DrawControlRect(CDC* dc, int erase);
    // Moves handle `handle` by `delta` and reshapes the object to follow.
    void Modification(CPoint& delta, int handle);
    // Moves the curve point that handle `handle` names to `point`.
    void Modification(CPoint& point, int handle, CRect unused);
    void Modification(float scaleX, float scaleY);
    // Scales by numerator / denominator per axis; an axis with a zero
    // denominator stays. The handle is not used.
    void ResizeObject(int handle, CPoint numerator, CPoint denominator);
    // Maps `point` linearly as handle `index` of the box moves to `handlePoint`
    // (0 top-left, then clockwise to 7 left-middle); an axis of zero extent
    // stays, an index of 8 or more gives the point.
    CPoint ReCalcPoint(CPoint point, CPoint handlePoint, CPoint topLeft, CPoint bottomRight, int index);
    void SymmetricalObject(POINT axis, int mirrorX, int mirrorY);
    void Zoom(CPoint centre, UINT percent);
    // Sets the sides that handle `handle` names to `point` and places every
    // image in the new rectangle; 0.
    int ModifyBmpObject(int handle, CPoint point);
    void DeleteTextObject();

    CRect m_rect;
    int m_nKind = 0;
    int m_bSelected = 0;
    CArray<CPoint, CPoint> m_arrPoint;
    CArray<CCustomSymbolTextObject, CCustomSymbolTextObject> m_arrText;
    CTypedPtrList<CPtrList, CKVBitmapObject*> m_listBitmap; // owned
    int m_nBowForm = 0;
    int m_nArrowType = 0;
    int m_nArrowEnd = 0;
    int m_nPenWidth = 1;
    int m_nLineStyle = 0;
    int m_nEndStyle = 0;
    int m_nClosed = 0;
    int m_nFill = 0;
    COLORREF m_crColor = 0;
};

// What moves a text object's items so that its first item is drawn at its
// stored point, once ReadBlock has added the offsets.
POINT FirstItemShift(const CCustomSymbolObject& object);

class CCustomSymbol : public CObject {
public:
    // Defined in model/CustomSymbol.cpp
    CCustomSymbol() = default;
    ~CCustomSymbol() override;
    CCustomSymbol(const CCustomSymbol&) = delete;
    // Replaces the objects by deep copies of the other's and copies m_dwValue.
    CCustomSymbol& operator=(const CCustomSymbol& other);

    // Rebuilds the objects from a head block: 1 when it reads completely,
    // else 0 with the objects completed before the first fault. With
    // `addTextOffsets` each text item's offset is added to its reference
    // point (the drawing does that).
    int ReadBlock(const unsigned char* block, int length, bool addTextOffsets = false);
    // Writes the objects into a new block: 1, or 0 with `block` empty when it
    // would exceed 32,767 bytes or hold a value that cannot be read back.
    int WriteBlock(std::vector<unsigned char>& block);

    CTypedPtrArray<CPtrArray, CCustomSymbolObject*> m_listObject; // owned
    DWORD m_dwValue = 0;                                          // the block's first word
};
