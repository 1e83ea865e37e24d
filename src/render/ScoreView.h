#pragma once
// The document's renderer. One lives inside every document; the host opens a
// drawing pass on a device context, sets zoom and origin, calls the drawers
// and closes the pass. The drawers are spread over theme files; each group of
// declarations names the file that defines it.

#include "Platform.h"

#include <vector>

class CKVDoc;
class CKVCtrlTool;
class CKVCtrlPoint;
class CKVPage;
class CKVBlock;
class CKVStaff;
class CKVMeas;
class CKVMsg;
class CFontDatas;
class CBeamGeometry;
struct BeamDrawParams;

// One page header or footer record, stored in the head payload of the first
// and second title-block symbols: two records back to back, each followed
// directly by its text. Read and written field by field, little-endian.
struct tagHEADER_FOOTER {
    BYTE byFontNumber;   // in the document's font table
    BYTE byReserved;
    BYTE byPointSize;
    BYTE byStyle;        // 1 bold, 2 italic, 4 underline
    BYTE byPlacement;    // 0 left, 1 centre, 2 right
    BYTE byMirror;       // left and right swap on even page numbers
    WORD wSkipPages;     // pages up to this number carry none
    WORD wFirstNumber;   // number shown on the first page that carries one
    WORD wTextLength;    // low byte is the length used
};
static_assert(sizeof(tagHEADER_FOOTER) == 12, "the header and footer record is 12 bytes");

// One entry of the view's font table: the music font at a size percent.
struct ViewFontEntry {
    WORD wPercent = 0;
    HFONT hFont = nullptr;
};

class CScoreView {
public:
    static constexpr int kFontTableSize = 10;
    // The resource id of the screen background texture in the host's module.
    static constexpr UINT kTextureResource = 397;
    // The proportion words as a view is made: the standard stem length is
    // kStemProportion / kProportionSize of the symbol size, three and a half
    // staff spaces.
    static constexpr WORD kStemProportion = 28;
    static constexpr WORD kProportionSize = 32;

    // Defined in render/ScoreViewPass.cpp
    CScoreView();
    CScoreView(const CScoreView&) = delete;
    CScoreView& operator=(const CScoreView&) = delete;
    virtual ~CScoreView();

    // Registers the music font file for this view: 1 when a face was added,
    // -1 otherwise. The registration lasts until the view is destroyed.
    short CreateCustomFont();
    // Opens a drawing pass: takes the view lock, binds the device context,
    // the document and its settings, keeps the score's resolution and symbol
    // size in step with the device and creates the music fonts. Returns 1, or
    // -1 (lock not kept, nothing bound) for a null device context or
    // document, or when the fonts cannot be made. Opening an open view starts
    // a nested pass; its KVClose gives the outer pass back as it was.
    short KVOpen(CDC* dc, CKVDoc* doc, int printing, int extra);
    // Ends the pass: restores the device context, frees the fonts and the
    // texture, leaves the lock. Returns 1; on a view that is not open it does
    // nothing.
    short KVClose();
    // Zoom: MM_ANISOTROPIC with window (wx, wy) and viewport (vx, vy); the
    // vertical zoom becomes vy * 100 / wy. Returns 1, or 0 with nothing
    // changed for a zero extent or a view that is not open.
    short KVSetExpandTimes(short wx, short wy, short vx, short vy);
    short KVSetExpandTimes(short vx, short vy);
    // The origin added to every model coordinate while drawing.
    short KVSetOrgXY(LONG x, LONG y);
    void KVGetOrgXY(LONG& x, LONG& y);
    // Re-measures the glyph-extent table when the standard stem length
    // changed, and applies the settings' distances once per document.
    void UpdatePosY(short stemLength);
    // The host's resource module, which holds the screen background texture.
    void SetResDll(HINSTANCE module);
    // The device context of the last pass; null before the first one.
    CDC* GetMemoryDC();
    // The standard stem length in dots for a symbol size in dots.
    static short StandardStemLength(int symbolSize);

    // Defined in render/ScoreViewFont.cpp
    // Selects a font into the output handle and into a distinct attribute
    // handle; returns the previous font (the attribute handle's when the two
    // differ).
    HFONT SelectFontObject(HFONT font);
    // Selects the music font at a size percent of the view's symbol size,
    // creating it on a miss; returns the previous font, null on a closed view.
    HFONT SelectFont(short percent);
    // Extents of glyph text with the selected font, in model units whatever
    // the zoom; (0, 0) on a closed view. The one-character form maps the code
    // as single glyphs are drawn; the others measure the bytes.
    CSize GetTextExtent(char code);
    CSize GetTextExtent(const char* text, int length);
    CSize GetTextExtent(const CString& text);
    // Text at a logical point with the DC's alignment. Coloured output puts
    // the text on memTextDC in black and blits it in the DC's text colour.
    // The (text, length) form maps a one-byte text to its music glyph and
    // returns 1; the others draw the bytes and return the text call's result.
    // 0 with nothing drawn on a closed view.
    int DrawTextOut(int x, int y, const char* text, int length, BYTE coloured);
    int DrawTextOut(int x, int y, CString text, BYTE coloured);
    int DrawTextOutT(int x, int y, const char* text, int length, BYTE coloured);

    // The drawers below draw inside a pass, in model coordinates plus the
    // origin. What a short result means differs by drawer and is said at each
    // group.

    // Defined in render/ScoreViewPage.cpp
    // One page: background, frame, title, the blocks that meet `update`, the
    // ossia blocks, page symbols, staff names, header and footer. Returns 1,
    // also when the view is closed or no document is bound.
    short KVDrawPage(CKVPage& page, CRect update, int pageIndex);
    // The staff names of the page's first block.
    void KVDrawStaffName(CKVPage& page, int pageIndex);
    // The two header or footer records held by a title-block symbol, and one
    // such record with its text.
    void DrawHeaderFooterMsg(CKVPage* page, CKVMsg* msg, int isHeader);
    void DrawHeaderFooter(CKVPage* page, tagHEADER_FOOTER* record, char* text, int length, int isHeader);

    // Defined in render/ScoreViewBlock.cpp
    // One system, settling the header widths, content origins and widths of
    // its measures. Returns 1 when drawn, 0 when a screen pass skips a block
    // outside the update rectangle, -1 on a closed view or for a block
    // without staves or measures.
    short KVDrawBlock(CKVBlock& block);

    // Defined in render/ScoreViewMeasure.cpp
    // One measure (`column` its place in the block, 0 the first; with
    // `endingsOnly` only its repeat endings), and one symbol by its kind at
    // the current origin (`mode` goes to the note and rest drawers only).
    // Both return 1.
    short KVDrawMeas(CKVMeas& meas, short column, int endingsOnly);
    short KVDrawMsg(CKVMsg& msg, BYTE mode);

    // Defined in render/ScoreViewVirtual.cpp
    // A whole pass of one block on an invisible surface, only to settle its
    // measures, whatever the last page drawing saw and also without a main
    // window; an open pass goes on as it was. `fonts` and `flag` are not
    // read. Returns 1.
    short VirtualDrawBlock(CKVBlock& block, CFontDatas* fonts, int flag);
    // The room in dots that the brackets and braces of the block need at its
    // left edge; 0 on a closed view or without a document.
    short GetDispXByBrace(CKVBlock& block);

    // Defined in render/ScoreViewNote.cpp
    // `pass` is handed on and never read. `mode` is the output mode: 0 draws
    // straight into the device context and is the only mode that draws the
    // attached symbols, other values draw through the coloured blit, 2 also
    // without stem and flag. DrawNote returns the stem height as drawn
    // (negative up, 0 none), 0 on a closed view; DrawChord the chord's stem
    // height, 1 when it draws nothing; DrawHead the head width, 0 on a closed
    // view.
    short DrawNote(CKVMsg& note, int pass, BYTE mode, int withStem, int inChord, int shifted);
    short DrawChord(CKVMsg& chord, int pass, int withStem, int unused1, int unused2);
    // `normal` is 0 only for a chord note drawn on the other side of the stem.
    short DrawHead(CKVMsg& note, short x, short y, short stemHeight, int normal, BYTE mode);
    // 1 when a note of another voice of the measure stands at the same
    // position, else 0.
    int IsEqualNoteInOtherVoice(CKVMsg* note);
    COLORREF GetColorByVoice(CKVMsg& msg);
    // The extent of the standard head glyph; (0, 0) on a closed view.
    CSize GetNoteHeadSize();
    // The staff a note is shown on, which differs from its own for a note
    // drawn on the staff above or below.
    CKVStaff* GetNoteViewStaff(const CKVMsg& note);
    // Stores `reach` as the note's stem reach; x and y are not read.
    void CorrectSubMsgPos(CKVMsg* note, int x, int y, int reach);
    // 1 for a note (both outputs the note); for a chord its note count, with
    // the note at the stem's end and the note at the other end.
    short GetChordStatus(CKVMsg& msg, CKVMsg** stemEnd, CKVMsg** stemRoot);

    // Defined in render/ScoreViewStem.cpp
    // Stem, grace slash and flag of a note whose head is at (x, y); `pass` is
    // not read. Returns 1.
    short DrawNoteBar_Tail(CKVMsg& note, short x, short y, short headWidth, short stemHeight, int pass, BYTE mode,
                           int noTail);
    // A stem of signed length `height` (negative up) built of glyphs: the
    // point where the flag goes, (-1, -1) when it was drawn as a line, has no
    // length or the view is closed.
    CPoint DrawNoteFontBar(short x, short y, short height, COLORREF colour, BYTE mode, unsigned short headType);
    // A stem as a filled rectangle or a one-pixel line: its foot in device
    // units, which callers ignore; (-1, -1) on a closed view. `mode` is not
    // read.
    CPoint DrawNoteBar(short x, short y, double height, BYTE mode, COLORREF colour, unsigned short headType);
    // The offset of the stem's foot from the head's drawing point.
    CSize GetFontBarPos(CKVMsg& note, short headWidth, short stemHeight);

    // Defined in render/ScoreViewBeam.cpp
    // A beam group: -1 when it has no members, else 1.
    short DrawBeam(CKVMsg& group);
    // The stems and stem reaches of the members, without drawing.
    void AdjustBeam(CKVMsg& group);
    // Makes or moves the group's three handles between leftX and rightX and
    // gives the group's anchor in (x, y); for a group without members
    // nothing changes, x and y included.
    void MakeControlPointOfBeam(CKVMsg* group, int& x, int& y, int leftX, int rightX);

    // Defined in render/ScoreViewMarks.cpp
    // Marks and accidental of a note at the current origin, and its attached
    // symbols with `dx` taken off the origin's x. Both return 1.
    short DrawNoteMarks(CKVMsg& note, short headWidth, BYTE mode);
    short DrawSubMsgs(CKVMsg& note, BYTE visible, int dx);
    // The handles of a symbol, moved by (x, y).
    void DrawCtrlRectOfMsg(CKVMsg* msg, int x, int y);

    // Defined in render/ScoreViewTuplet.cpp
    // A tuplet bracket and number: 1, or -1 when an end note is missing or
    // the pen cannot be made.
    short DrawMeasTuplet(CKVMsg& tuplet);
    void DrawTremolo(CKVMsg& tremolo);
    // One tremolo stroke between two points, kept to [segX, segX + segWidth]
    // and moved by `offset`.
    void DrawPararellLine(int x1, double y1, int x2, double y2, int segX, int segWidth, double offset,
                          double thickness, COLORREF colour);

    // Defined in render/ScoreViewStaff.cpp
    // Staff lines and connectors in absolute coordinates. Draw5Line and the
    // three connector drawers return 1. `reserved` is not read.
    short Draw5Line(LONG x1, LONG x2, LONG y, COLORREF colour, unsigned char staffKind, unsigned char reserved,
                    unsigned short sizePercent, unsigned char lineCount);
    // `width` in 288ths of an inch.
    void DrawThickDash(LONG x1, LONG y1, LONG x2, LONG y2, COLORREF colour, int width);
    // With `draw` 0 only measures and returns the room the connectors need
    // left of the first measure; otherwise draws them and returns 1; -1 when
    // the work array cannot be made. On a closed view or a block without
    // groups: 0 when measuring, 1 otherwise.
    short DrawConnect(CKVBlock& block, int draw);
    // Non-zero when staff `staffIndex` closes a group of the kind `mask`; 0
    // without a document.
    int IsConnectStaff(CKVBlock& block, int staffIndex, unsigned char mask);
    short DrawBrace(LONG x, LONG yTop, LONG yBottom, COLORREF colour);
    short DrawBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour);
    short DrawDoubleBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour);

    // Defined in render/ScoreViewBarLine.cpp
    // The start bar line when `drawStart` is 1, then the end bar line at
    // block-relative `xEnd`; `sizePercent` counts only for a measure without
    // a staff. Returns 0.
    short DrawBarLine(CKVMeas& meas, unsigned short sizePercent, short xEnd, int drawStart);
    // A header column's start bar line at x: the width taken right of x, 0
    // when nothing is drawn.
    short DrawMeasLeftBarA(CKVMeas* meas, int x);

    // Defined in render/ScoreViewClefKey.cpp
    // Header clefs and key signatures. Each returns the width taken right of
    // its x (0 when nothing is drawn). `clef`, `prevKind` and `prevCount`
    // carry the running clef and key across the columns; `naturalsBefore`
    // receives the width of naturals drawn before the bar line.
    short DrawMeasClefA(CKVMeas* meas, unsigned char* clef, int x, int atSystemStart);
    short DrawMeasClef(CKVMeas& meas);
    short DrawMeasKeySignA(CKVMeas* meas, unsigned char* prevKind, short* prevCount, int x, int atSystemStart,
                           int& naturalsBefore);

    // Defined in render/ScoreViewTime.cpp
    // Header time signatures: the width drawn (0 when none); GetTimeSignWidth
    // the width without the time lead, 0 when the measure shows none.
    // firstMeasure + column is the measure's index in its staff.
    short DrawMeasTimeSignA(CKVMeas* meas, LONG firstMeasure, LONG column, int x);
    short DrawTimeSig(CKVMeas& meas);
    short GetTimeSignWidth(CKVMeas& meas);

    // Defined in render/ScoreViewMeasNum.cpp
    // 0 for an ossia block, which gets no numbers, else 1.
    short DrawMeasNum(CKVBlock& block);

    // Defined in render/ScoreViewHandles.cpp
    // Handle outlines with the current pen, moved by (dx, dy); `reserved` is
    // not read.
    void DrawCtrlRect(CKVCtrlPoint* point, int dx, int dy, int reserved);
    void DrawCtrlPoint(CKVCtrlPoint* point, int dx, int dy);
    void DrawCtrlRectOfBlock(CKVBlock& block);
    void DrawCtrlRectOfMeas(CKVMeas* meas);

    // Defined in render/ScoreViewRest.cpp
    // DrawRest: 1 when handled (also a hidden rest), -1 for a duration code
    // of 10 or more; a non-zero `preview` draws through the coloured blit and
    // leaves out marks, attached symbols and handles. DrawPreviewRestEx: 1, or -1 for a code without a
    // rest glyph. DrawLongrest and DrawPreviewNoteEx: 1.
    // The two previews stand at the origin plus the symbol's words, unscaled,
    // in the symbol's colour, and never draw handles.
    short DrawRest(CKVMsg& msg, BYTE preview);
    void DrawSlashRest(int x, int y, COLORREF color, BYTE invert);
    short DrawLongrest(CKVMsg& msg);
    short DrawPreviewRestEx(CKVMsg& msg);
    short DrawPreviewNoteEx(CKVMsg& msg);

    // Defined in render/ScoreViewTieSlur.cpp
    // 1 when drawn, -1 when the curve cannot be: a missing or invalid end
    // note or a measure not found (DrawTieSlur), zero width (DrawTie,
    // DrawSlur). `fromStart` is non-zero when the note being drawn is the
    // start note; w1 and w2 are the head widths at the two ends; with
    // `bound` 0 a slur takes its points from itself (a page slur). They set
    // the handles the symbol already has, in pass coordinates (a page slur's
    // stay relative to its start), and a slur writes its width into layout
    // word 3. DrawCurvedLine returns 1 and writes its start and end into the
    // layout words; DrawBezierLine returns 1 and draws nothing.
    short DrawTieSlur(CKVMsg& tie, int fromStart);
    short DrawTie(CKVMsg& tie, int x1, int y, int x2, int w1, int w2);
    short DrawSlur(CKVMsg& slur, int bound, int x1, int y1, int x2, int y2, int w1, int w2);
    // The arc of the rectangle (l, t, r, b) from the start radial to the end
    // radial, or the chord between the two points.
    void DrawArc(LONG l, LONG t, LONG r, LONG b, LONG xs, LONG ys, LONG xe, LONG ye);
    short DrawCurvedLine(CKVMsg& msg);
    short DrawBezierLine(CKVMsg& msg);

    // Defined in render/ScoreViewEnding.cpp
    // The ending part of the current measure (m_pCurMeas), placed by the
    // origin alone: `headerWidth` (-1 outside a first column) is not read.
    // Returns 1, -1 when the pen cannot be made, and 1 with nothing drawn
    // when the measure's handles cannot be made. The first draw of an ending
    // settles its label geometry; it writes the height and hook length into
    // the measures the ending runs over and places the handles.
    short DrawEndings(short headerWidth);

    // Defined in render/ScoreViewGlyph.cpp
    // Glyph symbols. All return 1, except: DrawGerneralFont -1 for a digit
    // index of 6 or more; DrawCoda DrawCodaEx's result for the newer layout
    // and -1 for an older one with neither text nor glyph; DrawClef the
    // width of the clef glyph, -1 when the clef code has no glyph or the view
    // is closed.
    short DrawSingle_Msg(CKVMsg& msg);
    short DrawMark(CKVMsg& msg);
    short DrawGerneralFont(CKVMsg& msg);
    short DrawCoda(CKVMsg& msg);
    short DrawCodaEx(CKVMsg& msg);
    short DrawTrills(CKVMsg& msg);
    short DrawRolled_chord(CKVMsg& msg);
    short DrawClef(CKVMsg& msg);
    short DrawKeysign(CKVMsg& msg);
    // Changes only the running key state (m_byKeyClef, m_byKeyKind,
    // m_nKeyCount), and only for clefs 1 to 8 and keys of sharps or flats.
    short ChangeKeySign(CKVMsg& msg);

    // Defined in render/ScoreViewLine.cpp
    // Lines and shapes. All return 1, except: DrawMsgLine 0 for a dashed
    // line; DrawInversM -1 when shorter than 2 dots or its gap is below 1;
    // the ellipse and the rectangles -1 when twice the outline is wider than
    // the shape. Each writes the coordinates it used back into the symbol
    // (octave and pedal lines only their handles).
    short DrawMsgLine(CKVMsg& msg);
    short DrawCDCrescendo(CKVMsg& msg);
    short DrawN(CKVMsg& msg);
    short DrawInversM(CKVMsg& msg);
    short DrawVabPedal(CKVMsg& msg);
    short DrawEllipse(CKVMsg& msg);
    short DrawRectangle(CKVMsg& msg);
    short DrawRoundRectangle(CKVMsg& msg);
    // Fills a rectangle with the pen and brush already selected.
    int DrawRectangle(int l, int t, int r, int b);

    // Defined in render/ScoreViewText.cpp
    // Texts: DrawMultiText 1 when the symbol has no text, 0 after drawing
    // it; the others 1. MIDI events are shown only on screen passes.
    short DrawMultiText(CKVMsg& msg);
    short DrawTextMsg(CKVMsg& msg);
    short DrawMetronome(CKVMsg& msg);
    short DrawDynamic(CKVMsg& msg);
    short DrawMidiShortMsg(CKVMsg& msg);

    // Defined in render/ScoreViewCustom.cpp
    // 0 when the symbol has no data block (nothing drawn or updated), else
    // 1.
    short DrawCustomSymbolMsg(CKVMsg& msg);

    // Defined in render/ScoreViewChord.cpp
    // DrawChordText: the drawn width of the chord name, 0 on a closed view.
    // DrawFretboard: the name and, with `showBoard`, the diagram; 1.
    short DrawChordText(CKVMsg& msg);
    short DrawFretboard(CKVMsg& msg, int showBoard);

    // --- Pass state ---------------------------------------------------------
    // Public, as in the model classes, so that block drawing, the drawers and
    // tests can set it.
    CRITICAL_SECTION m_csView {};   // held from KVOpen to KVClose; re-entrant
    BOOL m_bOpened = 0;
    int m_nOpenExtra = 0;           // KVOpen's fourth argument; nothing reads it
    HINSTANCE m_hResDll = nullptr;
    // Background texture of a screen pass; null outside one.
    CBitmap* m_pTextureBitmap = nullptr;
    CBrush* m_pTextureBrush = nullptr;
    CPalette* m_pTexturePalette = nullptr;
    // Proportion words: 28 and the symbol size give the standard stem length
    // of three and a half staff spaces; 4 is the gap between a note head and
    // its parentheses.
    WORD m_wStemProportion = kStemProportion;
    WORD m_wSymbolSize = kProportionSize; // dots, scaled to the staff being drawn
    WORD m_wEighthProportion = 8;
    WORD m_wParenthesisGap = 4;
    int m_nDpiX = 0;                // of the bound device context
    int m_nDpiY = 0;
    CPen m_penHandle;               // handle outlines: solid, 1, 0x00FF0000
    int m_nZoomY = 100;             // vertical zoom percent
    CKVDoc* m_pDoc = nullptr;
    CKVCtrlTool* m_pCtrlTool = nullptr;
    short m_nStaffSpace = 8;        // staff-line gap in dots, scaled like the symbol size
    short m_nFontCount = 0;
    ViewFontEntry* m_pFontTable = nullptr; // kFontTableSize entries during a pass
    LOGFONT m_lfMusic {};           // the music face, at minus the symbol size
    int m_nSavedMapMode = MM_TEXT;
    CDC* m_pDC = nullptr;
    LONG m_lOrgX = 0;
    LONG m_lOrgY = 0;
    CString m_strText;
    HFONT m_hSavedFont = nullptr;
    int m_nSavedROP2 = 0;
    int m_nSavedBkMode = 0;
    UINT m_nSavedTextAlign = 0;
    BOOL m_bPrinting = 0;
    short m_nLastStemLength = 0;    // of the last glyph-extent measuring
    short m_nMeasuredSize = -1;     // symbol size of the last glyph-width measuring
    short m_nSizePercent = 100;     // effective percent of the staff being drawn
    short m_nBlockPercent = 100;    // largest staff percent of the block

    // Drawing state that the page, block, measure and symbol drawers share.
    CRect m_rcUpdate;               // update rectangle of KVDrawPage
    int m_nPageNumber = 0;          // page index + 1
    short m_nCurStaffIndex = 0;     // in the system
    LONG m_lFirstMeas = 0;          // measure indexes of the block being drawn
    LONG m_lCurMeasIndex = 0;
    LONG m_lLastMeas = 0;
    CKVMeas* m_pPrevMeas = nullptr;
    CKVMeas* m_pCurMeas = nullptr;
    CKVMeas* m_pDownMeas = nullptr; // same index on the staff below; null when none
    CKVMeas* m_pUpMeas = nullptr;   // same index on the staff above; null when none
    LONG m_lDownStaffY = -1;        // origin y of the staff below; -1 when none
    short m_nDownStaffPercent = -1;
    LONG m_lUpStaffY = -1;          // origin y of the staff above; -1 when none
    short m_nUpStaffPercent = -1;
    COLORREF m_crStaff = 0;
    BOOL m_bLastColumn = 0;
    BOOL m_bCourtesyColumn = 0;
    LONG m_lBarClipTop = 0;         // top clip of bar lines joined through a group
    BOOL m_bEmptyMeas = 0;
    BOOL m_bInBeam = 0;

    // Bar lines: the colour that block drawing sets for the staff whose bar
    // lines are drawn next (with m_lBarClipTop, -1 for a staff drawn alone).
    COLORREF m_crBarLine = 0;
    // Set by block drawing for the tie drawers.
    LONG m_lBlockLeft = 0;          // x of the drawn block's left edge, origin included
    LONG m_lMeasOrgY = 0;           // y of the drawn measure's staff bottom line, origin included

    // The time signature of the measure whose header was handled last.
    BYTE m_byCurTimeStyle = 0;
    short m_nCurTimeNum = 4;
    short m_nCurTimeDen = 4;
    char m_szCurTimeNumText[16] = {};
    char m_szCurTimeDenText[16] = {};

    // Page drawing. The printable top-left of the page last drawn, (0, 0)
    // before any: a value, never the page, which undo may free meanwhile.
    CPoint m_ptPrintTopLeft {0, 0};

    // The key in force while the measure head walks a measure's key-signature
    // accidentals: clef code, key kind (1 sharps, 2 flats) and the number of
    // accidentals. ChangeKeySign follows it from symbol to symbol.
    BYTE m_byKeyClef = 0;
    BYTE m_byKeyKind = 0;
    short m_nKeyCount = 0;

private:
    // What a nested pass takes over from the pass around it, given back by
    // the nested pass's KVClose.
    struct OuterPass;

    // Defined in render/ScoreViewPass.cpp
    // Frees what the pass made, puts the device back unless it may be gone,
    // gives an outer pass back and leaves the lock.
    void EndPass(bool restoreDevice);
    void SaveOuterPass();
    void RestoreOuterPass();
    void LoadTexture();
    void FreeTexture();
    BOOL CreatePassFonts(int symbolSize);
    void FreePassFonts();
    void MeasureGlyphWidths();
    void ApplyDistances();

    // Defined in render/ScoreViewMeasure.cpp
    bool IsEmptyExcepted(const CKVMeas& meas) const;
    void DrawEmptyMeasRest(CKVMeas& meas, LONG cx, LONG y0);

    // Defined in render/ScoreViewNote.cpp
    // Visible unless the hidden-voice mask hides its voice and that voice
    // is not the active one.
    bool IsVoiceVisible(const CKVMsg& msg) const;
    void DrawLedgerLines(CKVMsg& note, int left, int y, int width, BYTE mode);
    void DrawDots(CKVMsg& note, int left, int y, int width, short stemHeight, int normal, BYTE mode);
    int DrawNumberedHead(CKVMsg& note, int x, int y, short stemHeight, int staffPercent, BYTE mode);
    void DrawChordNotes(CKVMsg& chord, const std::vector<CKVMsg*>& notes, int h, bool withStem, int percent);

    // Defined in render/ScoreViewStem.cpp
    CPoint DrawStemPieces(short x, short y, short height, int unit, int step, BYTE mode);

    // Defined in render/ScoreViewMarks.cpp
    void DrawOneMark(BYTE markByte, int x, int y, int secondX, BYTE mode);
    void DrawAccidental(CKVMsg& note, int right, BYTE mode);

    // Defined in render/ScoreViewBlock.cpp
    // What one block drawing keeps between its steps: the block origin, the
    // column edges, the clef and key carried from column to column, and the
    // temporary measures of the courtesy column.
    struct BlockWork;
    bool IsOutsideUpdate(CKVBlock& block, int staves) const;
    void DrawSystemStartBar(BlockWork& work);
    void DrawBlockStaffLines(BlockWork& work);
    void PlanColumns(BlockWork& work);
    int CourtesyKeyWidth(BlockWork& work);
    int CourtesyTimeWidth(BlockWork& work, int keyPart);
    void MakeCourtesyColumn(BlockWork& work, int width);
    void LayOutColumn(BlockWork& work, int column);
    int DrawColumnClefs(BlockWork& work, int column, int header);
    int DrawColumnKeys(BlockWork& work, int column, int header);
    int DrawColumnTimes(BlockWork& work, int column, int header);
    void DrawColumnBars(BlockWork& work, int column, int header);
    void DrawStaffContent(BlockWork& work, int staff);

    // Defined in render/ScoreViewStaff.cpp
    // The staff's size percent moved to a whole-dot line gap (never 0); 100
    // for no staff.
    int EffectivePercentOf(CKVStaff* staff) const;
    // Staff lines are a quarter point wide.
    int StaffPenWidth() const;
    // The glyphs of a bracket (row 0 of codeBracket) or of a printed double
    // bracket (row 1); `shrink` draws a span shorter than the symbol size
    // with a proportionally smaller font.
    void DrawBracketGlyphs(LONG x, LONG yTop, LONG yBottom, COLORREF colour, int row, bool shrink);

    // Defined in render/ScoreViewGlyph.cpp
    // The two forms of an arpeggio, between absolute points.
    void DrawVerticalRoll(int x, int y1, int y2, bool heavy);
    void DrawSlantedRoll(int x1, int y1, int x2, int y2, bool heavy);

    // Defined in render/ScoreViewFont.cpp
    // Coloured text through memTextDC.
    int DrawColoured(int x, int y, const char* text, int length, CSize extent, BOOL glyphMapping);

    // Defined in render/ScoreViewClefKey.cpp
    // The music font at a staff's effective percent, MulDiv(MulDiv(gap, 720,
    // dpi), percent, 25) tenths of a point; null when it cannot be made. The
    // caller deletes it.
    HFONT CreateStaffMusicFont(int percent);
    // The document's unscaled staff-line gap in dots; 8 when it has none.
    int DocumentGap() const;

    // Defined in render/ScoreViewTime.cpp
    // Lays the time signature out from the measure's x plus the time lead,
    // drawing it when `draw` is set; gives the width from that start.
    int LayOutTimeSig(CKVMeas& meas, bool draw);

    // Defined in render/ScoreViewBeam.cpp
    // DrawBeam and AdjustBeam: the one layout, drawn or only measured.
    short LayOutBeam(CKVMsg& group, bool draw);
    // Gives the geometry the group's notes (a chord's notes each), drawing
    // the rests met; false at the first member of a hidden voice.
    bool CollectBeamNotes(CKVMsg& group, CBeamGeometry& geometry, std::vector<CKVMsg*>& chords);
    // The stem of note i cut to the beams, stored in its stem-reach word;
    // with `draw` its head, stem, marks and attached symbols too.
    void PlaceBeamStem(CBeamGeometry& geometry, int i, const BeamDrawParams& params, bool draw);

    // Defined in render/ScoreViewTuplet.cpp
    void DrawTupletNumber(const char* glyphs, int count, int x, int y);
    void DrawTupletBracket(int style, CPoint left, CPoint right, CPoint innerLeft, CPoint innerRight, int hook);
    void SetTupletHandles(CKVMsg& tuplet, bool single, CPoint start, CPoint middle, CPoint end, int reach);

    BOOL m_bMapModeSaved = 0;       // KVSetExpandTimes saved the mode of this pass
    std::vector<OuterPass> m_outerPasses;
};

// Process-wide state of drawing.
// Non-zero except from the KVOpen of a printing pass to its KVClose.
extern BOOL bScreenMode;
// Extents of the music glyphs by code at the last measuring: codes 32 to 254;
// codes 0 to 31 and 255 stay (0, 0).
extern CSize sizeGlyphExtent[256];
// The host's memory device context for coloured text, with bmpText selected
// into it; the library never prepares them and draws directly without them.
extern CDC memTextDC;
extern CBitmap bmpText;
// The width of the last note head measured; ledger lines, dots and the note
// preview read it.
extern short nNoteHeadWidth;
