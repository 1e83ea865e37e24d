#pragma once
// Templates of the text-like symbols: a free text (new or moved), a dynamic
// mark, a tempo mark or one of its handles, a lyric syllable slid sideways
// under its note, and a staff name moved on its page. Each draws through its
// model's own drawing.

#include "drag/TempMsg.h"
#include "model/KVDrawnMsgs.h"

class CTempTextMsg : public CKVTextMsg, public CTempMsg {
public:
    CTempTextMsg() = default;
    ~CTempTextMsg() override = default;
    using CKVTextMsg::operator=;
    using CKVTextMsg::DrawMsg;
    using CKVTextMsg::Initialize;

    // A new text of `text` (host code page) in font number `font`, `size`
    // points and style bits (1 bold, 2 italic, 4 underline): a 20 x 20 box at
    // (-100, -100) with its rich-text head. A text too long for a head keeps
    // its words and gets no head.
    virtual void Initialize(const char* text, short font, short size, BYTE style);

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

protected:
    CKVMsg& Model() override { return *this; }
};

class CTempDynamicMsg : public CKVDynamicMsg, public CTempMsg {
public:
    CTempDynamicMsg() = default;
    ~CTempDynamicMsg() override = default;
    using CKVDynamicMsg::operator=;
    using CKVDynamicMsg::DrawMsg;

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

protected:
    CKVMsg& Model() override { return *this; }
};

// Works only on a moved tempo mark; without one it shows and makes nothing.
// Handle 0 moves the mark, any other handle its second point.
class CTempMetronomMsg : public CKVMsg, public CTempMsg {
public:
    CTempMetronomMsg() = default;
    ~CTempMetronomMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;
    using CKVMsg::Initialize;

    virtual void Initialize() {}

    void MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

protected:
    CKVMsg& Model() override { return *this; }
};

// Slides the moved syllable sideways; never copies. The drop writes the new
// x word into the syllable in the undo step that BeginDrag opened.
class CTempLyricMsg : public CKVLyricMsg, public CTempMsg {
public:
    CTempLyricMsg() = default;
    ~CTempLyricMsg() override = default;
    CTempLyricMsg& operator=(const CTempLyricMsg& source);
    using CKVLyricMsg::operator=;
    using CKVLyricMsg::DrawMsg;

    // -1 (after binding) without a moved syllable in a measure.
    short BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle) override;
    short EndDrag(CPoint pt) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    CSize m_sizeText {0, 0};

protected:
    CKVMsg& Model() override { return *this; }
};

// Moves a staff name inside the page's printable area; the move is left in
// the model's (dx, dy) for the host to read. Never copies.
class CTempStaffNameMsg : public CKVStaffNameMsg, public CTempMsg {
public:
    CTempStaffNameMsg() = default;
    ~CTempStaffNameMsg() override = default;
    CTempStaffNameMsg& operator=(const CTempStaffNameMsg& source);
    using CKVStaffNameMsg::operator=;
    using CKVStaffNameMsg::DrawMsg;

    // -1 (after binding) without a current page.
    short BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle) override;
    short EndDrag(CPoint pt) override;
    void DrawDraging(CDC* dc) override;
    void UpdateDragingParameter(CPoint pt) override;
    void InitDragingParameter(CPoint pt) override;

    CSize m_sizeText {0, 0};

protected:
    CKVMsg& Model() override { return *this; }
};
