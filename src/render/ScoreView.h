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

    // Defined in render/ScoreViewPage.cpp
    short KVDrawPage(CKVPage& page, CRect update, int pageIndex);
    void KVDrawStaffName(CKVPage& page, int pageIndex);
    void DrawHeaderFooterMsg(CKVPage* page, CKVMsg* msg, int isHeader);
    void DrawHeaderFooter(CKVPage* page, tagHEADER_FOOTER* record, char* text, int length, int isHeader);

    // Defined in render/ScoreViewBlock.cpp
    short KVDrawBlock(CKVBlock& block);

    // Defined in render/ScoreViewMeasure.cpp
    short KVDrawMeas(CKVMeas& meas, short column, int endingsOnly);
    short KVDrawMsg(CKVMsg& msg, BYTE mode);

    // Defined in render/ScoreViewVirtual.cpp
    short VirtualDrawBlock(CKVBlock& block, CFontDatas* fonts, int flag);
    short GetDispXByBrace(CKVBlock& block);

    // Defined in render/ScoreViewNote.cpp
    short DrawNote(CKVMsg& note, int, BYTE mode, int withStem, int inChord, int shifted);
    short DrawChord(CKVMsg& chord, int pass, int withStem, int, int);
    short DrawHead(CKVMsg& note, short x, short y, short stemHeight, int normal, BYTE mode);
    int IsEqualNoteInOtherVoice(CKVMsg* note);
    COLORREF GetColorByVoice(CKVMsg& msg);
    CSize GetNoteHeadSize();
    CKVStaff* GetNoteViewStaff(const CKVMsg& note);
    void CorrectSubMsgPos(CKVMsg* note, int x, int y, int reach);
    short GetChordStatus(CKVMsg& msg, CKVMsg** stemEnd, CKVMsg** stemRoot);

    // Defined in render/ScoreViewStem.cpp
    short DrawNoteBar_Tail(CKVMsg& note, short x, short y, short headWidth, short stemHeight, int, BYTE mode,
                           int noTail);
    CPoint DrawNoteFontBar(short x, short y, short height, COLORREF colour, BYTE mode, unsigned short headType);
    CPoint DrawNoteBar(short x, short y, double height, BYTE mode, COLORREF colour, unsigned short headType);
    CSize GetFontBarPos(CKVMsg& note, short headWidth, short stemHeight);

    // Defined in render/ScoreViewBeam.cpp
    short DrawBeam(CKVMsg& group);
    void AdjustBeam(CKVMsg& group);
    void MakeControlPointOfBeam(CKVMsg* group, int& x, int& y, int leftX, int rightX);

    // Defined in render/ScoreViewMarks.cpp
    short DrawNoteMarks(CKVMsg& note, short headWidth, BYTE mode);
    short DrawSubMsgs(CKVMsg& note, BYTE visible, int dx);
    void DrawCtrlRectOfMsg(CKVMsg* msg, int x, int y);

    // Defined in render/ScoreViewTuplet.cpp
    short DrawMeasTuplet(CKVMsg& tuplet);
    void DrawTremolo(CKVMsg& tremolo);
    void DrawPararellLine(int x1, double y1, int x2, double y2, int segX, int segWidth, double offset,
                          double thickness, COLORREF colour);

    // Defined in render/ScoreViewStaff.cpp
    short Draw5Line(LONG x1, LONG x2, LONG y, COLORREF colour, unsigned char staffKind, unsigned char reserved,
                    unsigned short sizePercent, unsigned char lineCount);
    void DrawThickDash(LONG x1, LONG y1, LONG x2, LONG y2, COLORREF colour, int width);
    short DrawConnect(CKVBlock& block, int draw);
    int IsConnectStaff(CKVBlock& block, int staffIndex, unsigned char mask);
    short DrawBrace(LONG x, LONG yTop, LONG yBottom, COLORREF colour);
    short DrawBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour);
    short DrawDoubleBracket(LONG x, LONG yTop, LONG yBottom, COLORREF colour);

    // Defined in render/ScoreViewBarLine.cpp
    short DrawBarLine(CKVMeas& meas, unsigned short sizePercent, short xEnd, int drawStart);
    short DrawMeasLeftBarA(CKVMeas* meas, int x);

    // Defined in render/ScoreViewClefKey.cpp
    short DrawMeasClefA(CKVMeas* meas, unsigned char* clef, int x, int atSystemStart);
    short DrawMeasClef(CKVMeas& meas);
    short DrawMeasKeySignA(CKVMeas* meas, unsigned char* prevKind, short* prevCount, int x, int atSystemStart,
                           int& naturalsBefore);

    // Defined in render/ScoreViewTime.cpp
    short DrawMeasTimeSignA(CKVMeas* meas, LONG firstMeasure, LONG column, int x);
    short DrawTimeSig(CKVMeas& meas);
    short GetTimeSignWidth(CKVMeas& meas);

    // Defined in render/ScoreViewMeasNum.cpp
    short DrawMeasNum(CKVBlock& block);

    // Defined in render/ScoreViewHandles.cpp
    void DrawCtrlRect(CKVCtrlPoint* point, int dx, int dy, int reserved);
    void DrawCtrlPoint(CKVCtrlPoint* point, int dx, int dy);
    void DrawCtrlRectOfBlock(CKVBlock& block);
    void DrawCtrlRectOfMeas(CKVMeas* meas);

    // Defined in render/ScoreViewRest.cpp
    short DrawRest(CKVMsg& msg, BYTE preview);
    void DrawSlashRest(int x, int y, COLORREF color, BYTE invert);
    short DrawLongrest(CKVMsg& msg);
    short DrawPreviewRestEx(CKVMsg& msg);
    short DrawPreviewNoteEx(CKVMsg& msg);

    // Defined in render/ScoreViewTieSlur.cpp
    short DrawTieSlur(CKVMsg& tie, int fromStart);
    short DrawTie(CKVMsg& tie, int x1, int y, int x2, int w1, int w2);
    short DrawSlur(CKVMsg& slur, int bound, int x1, int y1, int x2, int y2, int w1, int w2);
    void DrawArc(LONG l, LONG t, LONG r, LONG b, LONG xs, LONG ys, LONG xe, LONG ye);
    short DrawCurvedLine(CKVMsg& msg);
    short DrawBezierLine(CKVMsg& msg);

    // Defined in render/ScoreViewEnding.cpp
    short DrawEndings(short);

    // Defined in render/ScoreViewGlyph.cpp
    short DrawSingle_Msg(CKVMsg& msg);
    short DrawMark(CKVMsg& msg);
    short DrawGerneralFont(CKVMsg& msg);
    short DrawCoda(CKVMsg& msg);
    short DrawCodaEx(CKVMsg& msg);
    short DrawTrills(CKVMsg& msg);
    short DrawRolled_chord(CKVMsg& msg);
    short DrawClef(CKVMsg& msg);
    short DrawKeysign(CKVMsg& msg);
    short ChangeKeySign(CKVMsg& msg);

    // Defined in render/ScoreViewLine.cpp
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
    short DrawMultiText(CKVMsg& msg);
    short DrawTextMsg(CKVMsg& msg);
    short DrawMetronome(CKVMsg& msg);
    short DrawDynamic(CKVMsg& msg);
    short DrawMidiShortMsg(CKVMsg& msg);

    // Defined in render/ScoreViewCustom.cpp
    short DrawCustomSymbolMsg(CKVMsg& msg);

    // Defined in render/ScoreViewChord.cpp
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
    WORD m_wStemProportion = 28;
    WORD m_wSymbolSize = 32;        // dots, scaled to the staff being drawn
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

    // The time signature of the measure whose header was handled last.
    BYTE m_byCurTimeStyle = 0;
    short m_nCurTimeNum = 4;
    short m_nCurTimeDen = 4;
    char m_szCurTimeNumText[16] = {};
    char m_szCurTimeDenText[16] = {};

    // Page drawing. The printable top-left of the page last drawn, (0, 0)
    // before any: a value, never the page, which undo may free meanwhile.
    CPoint m_ptPrintTopLeft {0, 0};

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
    // The settings' colour of a staff index; black past the table.
    COLORREF StaffColour(int index) const;
    // The staff's size percent moved to a whole-dot line gap (never 0); 100
    // for no staff.
    int EffectivePercentOf(CKVStaff* staff) const;
    // Staff lines are a quarter point wide.
    int StaffPenWidth() const;
    // The glyphs of a bracket (row 0 of codeBracket) or of a printed double
    // bracket (row 1); `shrink` draws a span shorter than the symbol size
    // with a proportionally smaller font.
    void DrawBracketGlyphs(LONG x, LONG yTop, LONG yBottom, COLORREF colour, int row, bool shrink);

    // Defined in render/ScoreViewFont.cpp
    // Coloured text through memTextDC.
    int DrawColoured(int x, int y, const char* text, int length, CSize extent, BOOL glyphMapping);

    // Defined in render/ScoreViewClefKey.cpp
    // The music font at a staff's effective percent, MulDiv(MulDiv(gap, 720,
    // dpi), percent, 25) tenths of a point; null when it cannot be made. The
    // caller deletes it.
    HFONT CreateStaffMusicFont(int percent);

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
