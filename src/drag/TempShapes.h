#pragma once
// The shape templates: lines, curved and octave lines, hairpins, ellipses,
// rectangles, the two zigzags, page slurs, rolled-chord lines and trills,
// drawn new or reshaped by one of their handles as a rubber band. The model
// message carries the kind, line width and the host's style; p0, p1 and p2
// are the three points of CTempMsg.
//
// A moved shape starts at its own place; the handle the host passes
// (BeginDrag's last argument) says which point follows the mouse. A handle
// a template does not list moves nothing, so the drop gives back the
// message's own words. "Body" moves every point with the mouse.

#include "drag/TempGraphMsg.h"
#include "model/KVMsg.h"

// Base of the shape templates: the model and the rubber band, and the
// Initialize() that each constructor calls.
class CTempShapeMsg : public CKVMsg, public CTempGraphMsg {
public:
    ~CTempShapeMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;
    using CKVMsg::Initialize;

    // Sets the model kind where the template has one of its own.
    virtual void Initialize() {}

protected:
    CKVMsg& Model() override { return *this; }

    // Starts p0 and p1 from the moved shape (its offsets read back), or
    // both at the press point for a new one; p2 is the press point. Returns
    // whether a shape is moved.
    bool StartTwoPoints(CPoint pt);
};

// Defined in drag/TempLineMsgs.cpp

// Kind 24. Handles: 0 the first end, 2 body, any other the second end; with
// Shift the moving end snaps to the horizontal, the vertical or 45 degrees
// from the other. Stored left to right.
class CTempLineMsg : public CTempShapeMsg {
public:
    CTempLineMsg() { Initialize(); }
    using CKVMsg::operator=;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// An L from p0 across to p1.x and down to p1. The style (data word, set by
// the host) picks what is stored: 1 to 4 the octave lines (kind 16, dotted),
// anything else the curved line (kind 68). Handles: 0 body, 1 the end's x,
// 2 the end.
class CTempCurvedLineMsg : public CTempShapeMsg {
public:
    CTempCurvedLineMsg() { Initialize(); }
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// The N zigzag (kind 41) from p0 to p1 with its hooks of one staff space,
// always drawn 1 point wide. Handles: 0 p0, 1 p1, 2 body.
class CTempInversNMsg : public CTempShapeMsg {
public:
    CTempInversNMsg() { Initialize(); }
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// A vertical arpeggio line (kind 13) from p0 down to p1. Handles: 0 body
// (p0 jumps to the mouse), any other the lower end. The value word goes
// into the message as the model has it.
class CTempRollChordMsg : public CTempShapeMsg {
public:
    CTempRollChordMsg() { Initialize(); }
    using CKVMsg::operator=;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// A horizontal trill line (kind 33) that cannot run left of its start. The
// data word (the host's style) goes into the message. Handles: 0 the start,
// 1 the end, 2 body.
class CTempTrillsMsg : public CTempShapeMsg {
public:
    CTempTrillsMsg() { Initialize(); }
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// Defined in drag/TempBoxMsgs.cpp

// A hollow ellipse (kind 38) in the box of p0 and p1. Handles: 0 the top
// edge, 1 the left, 2 the bottom, 3 the right, 4 body. Not drawn while the
// box is narrower or lower than twice the pen.
class CTempEllipseMsg : public CTempShapeMsg {
public:
    CTempEllipseMsg() { Initialize(); }
    using CKVMsg::operator=;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;
};

// A hollow rectangle (kind 39). Handles: 0 the top left corner, 1 the
// bottom left, 2 the bottom right, 3 the top right, 4 body. Stored with its
// first point top left.
class CTempRectMsg : public CTempShapeMsg {
public:
    CTempRectMsg() { CTempRectMsg::Initialize(); }
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

protected:
    // The normalised box of p0 and p1, and whether it is large enough to be
    // drawn with a pen of `width` pixels.
    bool ShownBox(int width, CRect& box) const;
};

// The rectangle with corners rounded by a quarter of its shorter side
// (kind 40).
class CTempRoundRectMsg : public CTempRectMsg {
public:
    CTempRoundRectMsg() { CTempRoundRectMsg::Initialize(); }
    using CKVMsg::operator=;
    void Initialize() override;

    void DrawDraging(CDC* dc) override;
};

// Defined in drag/TempCurveMsgs.cpp

// A hairpin (kind 19): p0 the closed end, p1 and p2 the open ends, drawn
// with a 1-point pen. Handles: 0 the closed end, 1 and 2 an open end (the
// other opens or closes alike), 3 body. A hairpin without width is not
// stored.
class CTempDeCreMsg : public CTempShapeMsg {
public:
    CTempDeCreMsg() { Initialize(); }
    CTempDeCreMsg& operator=(const CTempDeCreMsg& source);
    using CKVMsg::operator=;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    CPoint m_ptGrab {0, 0};
};

// The M zigzag (kind 43) on the baseline p0.y: from p0.x over the peak p1.x
// to p2.x, one staff space high, always drawn 1 point wide. Handles: 0 body,
// 1 the end, any other the peak; the peak keeps a staff space from both
// ends. Its offsets are stored unscaled.
class CTempInversMMsg : public CTempShapeMsg {
public:
    CTempInversMMsg() { Initialize(); }
    CTempInversMMsg& operator=(const CTempInversMMsg& source);
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    CPoint m_ptGrab {0, 0};
};

// A page slur (kind 46): two quarter ellipses from p0 over the apex p1 to
// p2, dotted. Its thickness is the model's value word. Handles: 0 the
// start, 1 the end, 2 the apex, 3 body.
class CTempPageSlurMsg : public CTempShapeMsg {
public:
    CTempPageSlurMsg() { Initialize(); }
    CTempPageSlurMsg& operator=(const CTempPageSlurMsg& source);
    using CKVMsg::operator=;
    void Initialize() override;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    CPoint m_ptGrab {0, 0};
};
