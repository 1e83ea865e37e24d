#pragma once
// Images of single marks that follow the mouse: marks standing in a
// measure's run (clefs, the tablature clef, bar lines, measure repeats) and
// marks of a note or measure (articulations, signs, dynamics, pedal marks,
// fingerings). The kind byte picks the family and the head-type word the
// mark within it. Both only show; the host makes the mark.

#include "drag/TempMsg.h"
#include "model/KVMsg.h"

class CTempMsgAlongMeas : public CKVMsg, public CTempMsg {
public:
    // Kind 131 draws clefs (sub-kinds 0 to 7 the clef codes 1 to 8, 8 the
    // tablature clef); any other kind bar lines and measure repeats.
    CTempMsgAlongMeas();
    ~CTempMsgAlongMeas() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    void DrawDraging(CDC* dc) override;

protected:
    CKVMsg& Model() override { return *this; }
};

class CTempMsgBelongNoteMeas : public CKVMsg, public CTempMsg {
public:
    // Kinds: 133 articulations, 134 signs, 135 dynamics, 136 pedal marks,
    // 137 fingerings.
    CTempMsgBelongNoteMeas();
    ~CTempMsgBelongNoteMeas() override = default;
    CTempMsgBelongNoteMeas& operator=(const CTempMsgBelongNoteMeas& source);
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;
    using CKVMsg::Initialize;

    // Each keeps the look in force as the one Restore returns to and asks
    // for a new image; the message form then takes the look of a score
    // message (its kind unchanged when the table has no look for it).
    virtual void Initialize(CKVMsg* msg);
    virtual void Initialize(CKVCtrlTool* tool);
    virtual void Restore();

    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    WORD m_wSavedKind = 133;
    WORD m_wSavedSubKind = 0;

protected:
    CKVMsg& Model() override { return *this; }
};
