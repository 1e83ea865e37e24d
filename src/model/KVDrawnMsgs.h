#pragma once
// Symbols that draw themselves: a lyric syllable, a tempo mark, a staff
// name, a free text with rich-text runs and field codes, and a dynamics
// glyph. The score stores plain CKVMsg objects; the renderer copies one into
// a temporary object of the class, draws it, and copies it back, so that
// what the drawing writes (the drawing point, the extent in the layout words,
// the first handle) reaches the stored symbol for hit-testing. None of them
// adds a field.

#include "Platform.h"
#include "model/KVMsg.h"

class CKVCtrlTool;
class CFontDatas;

// Defined in model/KVDrawnMsgs.cpp
// Kind 25. The head: a 16-byte header {i16 font number, u16 style (bit 0
// bold, bit 1 italic, bit 2 underline), i16 size in points (0: 13), 2 bytes,
// COLORREF, u8 length in characters, 3 bytes}, then the syllable in UTF-16.
class CKVLyricMsg : public CKVMsg {
public:
    CKVLyricMsg() = default;
    ~CKVLyricMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // Draws the syllable centred on rect's left-top and records that point
    // in the second position words; the last argument is not read. The
    // result is the syllable's extent, (0, 0) when nothing was drawn.
    CSize DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom, int flag) override;
};

// Defined in model/KVMetronomMsg.cpp
// Kind 5. Flag word 1: style 1, whose head holds the number font and an
// optional tempo text; otherwise style 0, drawn in the settings' tempo font.
class CKVMetronomMsg : public CKVMsg {
public:
    CKVMetronomMsg() = default;
    ~CKVMetronomMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // `zoom` is the renderer's zoom percentage, read by style 1.
    CSize DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom, int flag) override;

private:
    CSize DrawVersion0(CDC* dc, CRect* rect, CFontDatas* fonts, short zoom);
    CSize DrawVersion1(CDC* dc, CRect* rect, CFontDatas* fonts, short zoom);
};

// Defined in model/KVDrawnMsgs.cpp
// Kind 73. The head holds the name's bytes.
class CKVStaffNameMsg : public CKVMsg {
public:
    CKVStaffNameMsg() = default;
    ~CKVStaffNameMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // Draws the name with its right edge on rect's left-top point and its
    // vertical centre on it. With draw 0 the caller's font and colours are
    // used as they are.
    CSize DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom, int draw) override;
};

// Defined in model/KVTextMsg.cpp
// Kind 6. The head is a list of tagged runs (see TextRuns.h for the operand
// sizes).
class CKVTextMsg : public CKVMsg {
public:
    CKVTextMsg() = default;
    ~CKVTextMsg() override = default;
    using CKVMsg::DrawMsg;
    CKVTextMsg& operator=(const CKVMsg& source);

    // Lays the runs out in rect, line by line, and draws them; `page` feeds
    // the page-number field code. The result is the extent covered from
    // rect's left-top; (0, 0) when the object word hides the text.
    virtual CSize DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom, int page,
                          int flag);

    // Replaces the field codes #P, #T and #D (either case) by the page
    // number, the UTC time "h:m" and the UTC date "y/m/d".
    static void AnalizeText(CString& text, int page);

private:
    // Draws the runs of one line from byte `first` on, `count` bytes, at
    // `point`, in the format carried from the previous line or text; the
    // result is the x after the last run.
    short RichTextLineOut(CDC* dc, POINT point, int first, int count, CFontDatas* fonts, int page);
};

// Defined in model/KVDrawnMsgs.cpp
// Kind 27. The duration word picks the glyph.
class CKVDynamicMsg : public CKVMsg {
public:
    CKVDynamicMsg() = default;
    ~CKVDynamicMsg() override = default;
    using CKVMsg::operator=;
    using CKVMsg::DrawMsg;

    // Draws the glyph at (x, y) in the DC's current font and records the
    // point in layout words 4 and 1; the result is the glyph's extent, (0, 0)
    // when the word names no glyph.
    virtual CSize DrawMsg(CDC* dc, short x, short y);
};
