#pragma once
// The image of a note, rest or tuplet number that follows the mouse while
// the user chooses where to enter it. It only shows; the host enters the
// note itself.

#include "drag/TempMsg.h"
#include "model/KVMsg.h"

class CTempNoteMsg : public CKVMsg, public CTempMsg {
public:
    // Kind 128 draws a note, any other kind a rest.
    explicit CTempNoteMsg(short kind = 128);
    ~CTempNoteMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // Head type (m_wHeadType): 1 standard, 2 cross, 3 slash, 4 and 5 the box
    // heads, 100 and above the number type - 100. Duration word: the code in
    // the low byte, the dots in the high byte.
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};
