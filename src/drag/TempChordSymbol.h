#pragma once
// Images of the chord layer that follow the mouse: a fret diagram and a
// rhythm-pattern name. Both only show; they make nothing on a drop.

#include "drag/TempMsg.h"
#include "harmony/FretBoard.h"
#include "harmony/Rhythm.h"

class CTempFretBoard : public CFretBoard, public CTempMsg {
public:
    explicit CTempFretBoard(short size = 240, const char* face = "ZelvoraB") : CFretBoard(size, face) {}
    ~CTempFretBoard() override = default;
    using CFretBoard::operator=;

    // The diagram at the position (its own offsets left out).
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};

class CTempRhythm : public CRhythm, public CTempMsg {
public:
    CTempRhythm() = default;
    ~CTempRhythm() override = default;

    // The pattern name at the position at the template's zoom (its own
    // offsets left out).
    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};
