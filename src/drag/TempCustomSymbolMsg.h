#pragma once
// A user-drawn symbol (kind 80) moved with the mouse as an image of its own
// strokes, or dropped new at a size the host gives. It always lands on the
// current page. Before a move the host copies the moved message into the
// model (its place, parent and kind); before a new drop the model carries
// the symbol's block in its head.

#include "drag/TempGraphMsg.h"
#include "model/KVMsg.h"

class CTempCustomSymbolMsg : public CKVMsg, public CTempGraphMsg {
public:
    CTempCustomSymbolMsg() { Initialize(); }
    ~CTempCustomSymbolMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;
    using CKVMsg::Initialize;

    // Drops the symbol with its top left at pt and the size of `rect`, as one
    // undo step: a new one in the settings' colour and line width, voice 1;
    // a moved one leaves its place unless Alt copies it. Nothing without a
    // bound document and page, or without a block in the model's head.
    virtual void AddCustomSymbolMsg(CPoint pt, CRect rect);
    // The model at the page point of pt, linked to the current page and the
    // cursor system. `meas` is left as it is.
    virtual CKVMsg& MakeMsg(CPoint pt, CKVMeas*& meas);
    // Kind 80.
    virtual void Initialize();

    // The model placed where the image stands (pt less the grab offset);
    // nothing without a block in the model's head.
    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    // The symbol's strokes at the position, from the moved message's block
    // or, for a new symbol, the model's; the bounding rectangle becomes
    // their extent. A head that is not a readable block draws nothing.
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

protected:
    CKVMsg& Model() override { return *this; }
};
