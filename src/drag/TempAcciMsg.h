#pragma once
// An accidental (sharp, flat, natural, double sharp, double flat), bracketed
// or not, that follows the pointer left of it. It only shows: the template
// makes no message, and the host applies the accidental by its own command.

#include "drag/TempMsg.h"
#include "model/KVMsg.h"

class CTempAcciMsg : public CKVMsg, public CTempMsg {
public:
    // The type word picks the accidental (0 sharp, 1 flat, 2 natural,
    // 3 double sharp, 4 double flat; any other draws none); value word 6
    // puts it in round brackets. Kind 130, a sharp without brackets.
    CTempAcciMsg();
    ~CTempAcciMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // Draws straight onto the view, never through the image: once to take
    // the last drawing away (not on the first move of an Alt copy), once at
    // the position. Text output is not inverted, so both stay on the view. 1.
    short Drag(CDC* dc, CPoint pt) override;
    // The glyph (and brackets) at the bounding rectangle, which then becomes
    // their extent left of the position, with three quarters of a staff
    // space between them and it.
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};
