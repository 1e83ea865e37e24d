#pragma once
// The rubber band: shapes dragged by their points are drawn straight onto
// the view with the pen mode R2_NOTXORPEN, so that drawing the same outline
// again takes it away. Every shape template and the custom-symbol template
// derive from CTempGraphMsg; everything but the move itself is the protocol
// of CTempMsg.

#include "drag/TempMsg.h"
#include "render/GdiSelection.h"

#include <initializer_list>

class CTempGraphMsg : public CTempMsg {
public:
    // Takes the outline away at the old points (not on the first move of an
    // Alt copy, whose original stays), moves the points and draws them again.
    // A moved custom symbol moves as an image instead. 1.
    short Drag(CDC* dc, CPoint pt) override;

protected:
    // The feedback pen width in pixels of a line width in points; never
    // below 0.
    static int FeedbackWidth(CDC* dc, LONG points);

    // The pen mode R2_NOTXORPEN with a pen in the feedback colour, both put
    // back at the end of the scope. A solid pen of width 0 is the dotted pen.
    class RubberBand {
    public:
        enum Style { Solid, Dotted };
        RubberBand(CDC* dc, COLORREF colour, Style style, int width = 0);
        ~RubberBand();
        RubberBand(const RubberBand&) = delete;
        RubberBand& operator=(const RubberBand&) = delete;

    private:
        CDC* m_dc;
        int m_oldRop;
        SelectedPen m_pen;
    };

    // The start of a moved shape: colour and line width from the moved
    // message (the width into `model`); the view point of its first point.
    CPoint StartMoved(CKVMsg& model);
    // The first point plus stored offsets, the vertical one at the cursor
    // staff's size.
    CPoint Offset(CPoint from, int dx, int dy);
    // Moves every point by pt - grab and the grab point to pt.
    static void MoveBody(CPoint pt, CPoint& grab, std::initializer_list<CPoint*> points);

    // The placement rule for a shape: p0 decides the measure, the other
    // points follow it into page or measure coordinates. Null for the page.
    CKVMeas* PlaceShape(CPoint& p0, CPoint& p1, CPoint& p2);
    // A vertical distance in the words of the measure's staff (unchanged
    // without a measure).
    static int StaffWord(CKVMeas* meas, int value);
};
