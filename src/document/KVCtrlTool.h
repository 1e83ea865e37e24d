#pragma once
// The settings of a document: palette and voice colours, text fonts, layout
// distances, paper and margins, resolution and per-voice options. They are
// stored as the 1144-byte settings record of a score file. The static
// members are the application-wide options that the host reads and writes
// directly.
//
// The lettered option words (A1 to A3, B1 to B8, ...) keep the names under
// which the settings record knows them.

#include "Platform.h"
#include "model/KVMultiBackup.h"

struct DEFAULT_FONT;

class CKVCtrlTool : public CKVMultiBackup {
public:
    static constexpr int kRecordSize = 1144;
    static constexpr int kPaletteSize = 16;
    static constexpr int kVoices = 8;

    // Defined in document/KVCtrlTool.cpp
    CKVCtrlTool();

    // Writes the 16-bit length and the record; returns 1146.
    short Write(CFile* file);
    // Reads a length-prefixed record; returns 1144, or 0 (settings unchanged)
    // when the length or the record cannot be read.
    short Read(CFile* file);
    // Each margin becomes the larger of its limit and the value.
    void SetMargin(short left, short top, short right, short bottom);
    void SetMarginLimit(short left, short top, short right, short bottom);
    void SetVarnelMusicVersion(DWORD version);
    DWORD GetVarnelMusicVersion();
    // Low four bits of the voice's stem-direction byte; a voice outside 1 to 8
    // is taken as voice 1.
    short GetNoteDirection(short voice);

    // Defined in this header
    CKVCtrlTool(const CKVCtrlTool& other) = default;
    CKVCtrlTool& operator=(const CKVCtrlTool& other) = default;
    ~CKVCtrlTool() override = default;
    // The two voice masks of option word E6. The high byte hides voices:
    // bit 8 + v - 1 hides the notes, chords and beam groups of voice v. The
    // low byte shows rests: bit v - 1 shows the rests of voice v.
    WORD HiddenVoiceMask() const { return static_cast<WORD>(m_wE6 & 0xFF00); }
    WORD RestVisibleMask() const { return static_cast<WORD>(m_wE6 & 0x00FF); }
    // The masks asked for one voice; a voice outside 1 to 8 is never hidden.
    bool IsVoiceHidden(int voice) const
    {
        return voice >= 1 && voice <= kVoices && (HiddenVoiceMask() >> (8 + voice - 1)) & 1;
    }
    bool IsRestVisible(int voice) const
    {
        return voice < 1 || voice > kVoices || (RestVisibleMask() >> (voice - 1)) & 1;
    }

    // Header layout of a measure. The leads and gaps are lengths in quarters
    // of the staff-line gap at the staff's size.
    WORD ClefLead() const { return m_wClefLayout; }
    WORD KeyLead() const { return m_wKeyLayout; }
    WORD AccidentalGap() const { return m_wM1; }
    WORD TimeLead() const { return m_wM2; }
    WORD HeaderGap() const { return m_wM3; }
    WORD FirstColumnHeaderGap() const { return m_wH8; }
    // Horizontal shift of a clef change at a measure's start.
    WORD ClefChangeShift() const { return m_wClefChangeShift; }
    // The thickness of ties and slurs at their apex, in sixteenths of a staff
    // space (K4); a bound slur of thickness 0 is drawn dotted.
    short TieSlurThickness() const { return m_nK4; }
    // Where the naturals of a key change stand: 0 before the bar line, 1 after
    // it, 2 only in the courtesy column at a system's end.
    BYTE NaturalPlacement() const { return m_byH4; }
    bool CourtesyKeyOn() const { return m_byH5 != 0; }
    bool CourtesyTimeOn() const { return m_byH7 != 0; }
    // The colour of the staff at an index of its system; black past the table.
    COLORREF StaffColor(int index) const
    {
        return index >= 0 && index < kStaffColors ? static_cast<COLORREF>(m_dwD[index]) : 0;
    }
    COLORREF OssiaColor() const { return static_cast<COLORREF>(m_dwC); }
    // Whether a system of one staff starts with a bar line.
    bool SingleStaffStartBarOn() const { return m_dwB1 != 0; }
    bool MeasureNumbersOn() const { return m_dwB3 != 0; }

    // Measure numbers: the switch B3, the flags B7, the placement B4 (low
    // half horizontal: 1 left edge, 2 right edge, 3 centred; high half
    // vertical: 2 below the last staff, else above the first), the distance
    // B5 in quarters of a staff space and the interval B6 (negative: the
    // first measure of each system only).
    static constexpr DWORD kMeasNumNoFirst = 0x1;   // the score's first measure has none
    static constexpr DWORD kMeasNumPickup = 0x2;    // the count is one lower
    static constexpr DWORD kMeasNumFromZero = 0x4;
    static constexpr DWORD kMeasNumFramed = 0x8;    // the frame shape in the high half
    DWORD MeasNumFlags() const { return m_dwB7; }
    WORD MeasNumFrameShape() const { return HIWORD(m_dwB7); }
    WORD MeasNumHorizontal() const { return LOWORD(m_dwB4); }
    WORD MeasNumVertical() const { return HIWORD(m_dwB4); }
    LONG MeasNumDistance() const { return m_lB5; }
    LONG MeasNumInterval() const { return m_lB6; }
    COLORREF MeasNumColour() const { return m_crMeasNum; }
    // Staff names: the switch H1, the mode H2 (1: on the first page with
    // blocks only) and the colour W5.
    bool StaffNamesOn() const { return m_dwH1 != 0; }
    bool StaffNamesFirstPageOnly() const { return m_dwH2 == 1; }
    COLORREF StaffNameColour() const { return m_dwW5; }
    // Repeat endings (label, bracket and hooks) and the count of a
    // multi-measure rest are drawn in colours of their own: W2 and W3.
    COLORREF EndingColour() const { return static_cast<COLORREF>(m_dwW2); }
    COLORREF MultiRestNumberColour() const { return static_cast<COLORREF>(m_dwW3); }

private:
    // Defined in document/KVCtrlTool.cpp
    // The record as Write stores it.
    void LayOutRecord(BYTE* record) const;
    // Takes every field of a whole record, with the reading rules.
    void TakeRecord(const BYTE* record);

public:

    // Option words A1 to A3 (not stored).
    WORD m_wA1 = 1;
    WORD m_wA2 = 1;
    DWORD m_dwA3 = 1;
    // Record version word, stored as the record's last 16-bit word.
    DWORD m_dwRecordVersion = 1;
    // 0: every voice drawn in its own colour; 1 to 8: the other voices are
    // drawn in the inactive-voice colour.
    WORD m_wActiveVoice = 0;
    // Option words B1 to B8.
    DWORD m_dwB1 = 1;
    WORD m_wB2 = 0;
    DWORD m_dwB3 = 0;          // an option byte held as u32
    DWORD m_dwB4 = 0x00010001;
    LONG m_lB5 = 5;
    LONG m_lB6 = -1;
    DWORD m_dwB7 = 0;
    DWORD m_dwB8 = 0;
    // The colour of chord names the chord namer could not confirm (B8).
    COLORREF UnconfirmedChordColour() const { return m_dwB8; }
    COLORREF m_crPalette[kPaletteSize] = {
        0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0, 0x000080, 0x0000FF, 0x008080, 0x00FFFF,
        0x008000, 0x00FF00, 0x808000, 0xFFFF00, 0x800000, 0xFF0000, 0x800080, 0xFF00FF};
    short m_nCurLineWidth = 1;      // line width new symbols take; not stored
    WORD m_wSpare[2] = {100, 0};    // two words not stored
    // Entry 0 is the inactive-voice colour, entries 1 to 8 the voices'.
    COLORREF m_crVoice[kVoices + 1] = {0x808080, 0, 0, 0, 0, 0, 0, 0, 0};
    COLORREF m_crPage = 0xFFFFFF;
    DWORD m_dwC = 0;
    static constexpr int kStaffColors = 64;
    DWORD m_dwD[kStaffColors] = {};
    DWORD m_dwW1 = 0;
    DWORD m_dwW2 = 0;
    DWORD m_dwW3 = 0;
    DWORD m_dwW4 = 0;
    DWORD m_dwW5 = 0;
    DWORD m_dwW6 = 0;
    DWORD m_dwW7 = 0;
    DWORD m_dwW8 = 0;
    DWORD m_dwW9 = 0;
    DWORD m_dwW10 = 0;
    // Text fonts, filled from the default-font table by the constructor.
    LOGFONT m_lfChord {};      // chord symbols
    LOGFONT m_lfText {};       // texts
    LOGFONT m_lfImport {};     // texts of imported scores
    LOGFONT m_lfStaffName {};
    LOGFONT m_lfMeasNum {};    // measure numbers
    LOGFONT m_lfCoda {};       // coda and segno
    LOGFONT m_lfTempo {};      // tempo marks
    LOGFONT m_lfEnding {};     // repeat endings
    LOGFONT m_lfMultiRest {};  // multi-measure-rest numbers
    // Layout words.
    WORD m_wBrace1 = 163;      // brace parameters
    WORD m_wBrace2 = 46;
    WORD m_wL1 = 11;
    WORD m_wL2 = 17;
    WORD m_wL3 = 58;
    WORD m_wL4 = 62;
    WORD m_wL5 = 23;
    WORD m_wL6 = 19;
    WORD m_wL7 = 64;
    WORD m_wL8 = 54;
    WORD m_wL9 = 32;
    short m_nK1 = 14;          // default tie and slur vertical offset, -99..99
    short m_nK2 = -4;          // default tie and slur horizontal offset, -99..99
    short m_nK3 = 10;          // default tie and slur minimum height, 1..48
    short m_nK4 = 5;           // 0..16
    WORD m_wClefLayout = 2;
    WORD m_wKeyLayout = 4;
    WORD m_wM1 = 1;
    WORD m_wM2 = 4;
    WORD m_wM3 = 4;
    WORD m_wM4 = 2;
    WORD m_wM5 = 3;
    WORD m_wM6 = 4;
    WORD m_wM7 = 0;            // set only by reading and copying
    WORD m_wDrawMetric = 28;   // the font metric of the renderer's last pass
    WORD m_wBlockDistance = 10; // in staff spaces
    WORD m_wM8 = 0;
    WORD m_wStaffDistance = 8;  // in staff spaces
    // Option words E1 to E6.
    DWORD m_dwE1 = 0;
    DWORD m_dwE2 = 1;
    DWORD m_dwE3 = 1;
    DWORD m_dwE4 = 1;
    WORD m_wE5 = 4;
    WORD m_wE6 = 255;
    // Stem direction of voices 1 to 8 in the low four bits.
    BYTE m_byStemDir[kVoices] = {0, 1, 2, 0, 1, 2, 0, 1};
    // Option words F1 to F10.
    DWORD m_dwF1 = 1;
    WORD m_wF2 = 0;
    DWORD m_dwF3 = 1;
    DWORD m_dwF4 = 0;
    DWORD m_dwF5 = 0;
    WORD m_wF6 = 0;
    DWORD m_dwF7 = 1;
    WORD m_wF8 = 0;
    WORD m_wF9 = 1;
    WORD m_wF10 = 1;
    CSize m_sizePaper {1820, 2570};      // 0.1 mm
    CRect m_rcMargin {220, 200, 220, 250}; // 0.1 mm
    WORD m_wG1 = 100;          // first-block horizontal offset, 0.1 mm
    WORD m_wG2 = 200;          // first-block vertical offset, 0.1 mm
    WORD m_wScoreFontSize = 6; // staff height in millimetres
    DWORD m_dwResolutionX = 96; // dots per inch of the logical units
    DWORD m_dwResolutionY = 96;
    DWORD m_dwVarnelMusicVersion = 0; // format version; not stored
    // Option words H1 to H10.
    DWORD m_dwH1 = 1;
    DWORD m_dwH2 = 0;
    DWORD m_dwH3 = 0;
    BYTE m_byH4 = 0;
    BYTE m_byH5 = 1;
    BYTE m_byH6 = 0;
    BYTE m_byH7 = 1;
    WORD m_wH8 = 7;
    DWORD m_dwAfterH8 = 0;     // not stored
    // Drawing options (not stored): bit 0x80 gives an empty measure a whole
    // rest.
    WORD m_wDrawOptions = 0;
    static constexpr WORD kWholeRestInEmptyMeas = 0x80;
    // Measure handles (not stored): 0 all, 1 only the first, 2 none.
    WORD m_wHandleMode = 0;
    // Clef changes at a measure's start move right by this many quarters of
    // the scaled staff-line gap (not stored).
    WORD m_wClefChangeShift = 0;
    BYTE m_byH9 = 0;
    BYTE m_byH10 = 100;
    // The last record that Read accepted.
    BYTE m_byLastRecord[kRecordSize] = {};
    BOOL m_bFaceNamesEdited = 0; // set only by the host
    BOOL m_bRecordRead = 0;
    BYTE m_byJ0 = 1;
    BYTE m_byVelocity[8] = {48, 64, 76, 84, 96, 110, 120, 127}; // MIDI velocity levels
    BYTE m_byJ1 = 40;
    BYTE m_byJ2 = 15;
    BYTE m_byJ3 = 40;
    BYTE m_byJ4 = 20;
    BYTE m_byJ5 = 95;
    BYTE m_byJ6 = 75;
    BYTE m_byJ7 = 50;
    CRect m_rcMarginLimit;     // lower limits of the margins (left, top, right, bottom)
    BYTE m_byJ8 = 0;
    BYTE m_byJ9 = 1;
    DWORD m_dwLast = 0;        // not stored
    COLORREF m_crCurrent = 0;  // the colour new symbols take; not stored
    COLORREF m_crMeasNum = 0;  // text and frame colour of measure numbers; not stored
    WORD m_wEditMode = 0;      // the host's edit mode; not stored

    // Application-wide options.
    inline static WORD m_wEditCtrlGroupID = 2;
    inline static WORD m_wEditPushButtonID = 4;
    inline static WORD m_wTuplet = 0x0203;
    inline static int m_nAutoSaveTime = 15;
    inline static int m_nWorkFileList = 4;
    inline static BOOL m_fIsSplit = 1;
    inline static BYTE m_bSplitKey = 60;
    inline static BOOL m_fIsRecordNote = 1;
    inline static BOOL m_fIsRecodePichBand = 1;
    inline static BOOL m_fIsRecordProgram = 1;
    inline static BOOL m_fIsRecordChannelPress = 1;
    inline static BOOL m_fIsRecordControl = 1;
    inline static BOOL m_fIsRecordModulation = 1;
    inline static BOOL m_fIsRecordThirdIgnore = 1;
    inline static int m_nChannelToStaff = 1;
    inline static int m_nRecordNoteKind = 5;
    inline static BOOL m_fIsAutoBeam = 1;
    inline static BOOL m_fIsAutoPos = 1;
    inline static BOOL m_fIsAutoLenCheck = 1;
    inline static BOOL m_fGuitarVisible = 1;
    inline static BOOL m_fPageLineVisible = 1;
    inline static BOOL m_fRulerVisible = 1;
    inline static BOOL m_fIsPlayFollowing = 1;
    inline static BOOL m_fIsThru = 1;
    inline static BOOL m_fIsEditSound = 1;
    inline static BOOL m_bShowRhythm = 1;  // stored in the record as one byte
    inline static BOOL m_bShowMidiEvent = 1;
    inline static BOOL m_fAutoPageJump = 1;
    inline static BOOL m_fIsMidiPlayPak = 1;
    inline static WORD m_wMidiPlayPakDuration[2] = {};
    inline static BYTE m_bMidiPlayPakVelocity[4] = {};
    inline static BYTE m_bMidiPlayPakKey[4] = {};
    inline static short m_nMidiPlayPakChannel[2] = {};
    inline static char m_szModelDir[256] = {};
    inline static char m_szInstrIniDir[256] = {};
    inline static char m_szTempDir[256] = {};
    inline static char m_szWorkDir[256] = {};
    inline static char m_szBackExt[8] = {};
    inline static BYTE m_KeyInfos[1760] = {}; // the host's MIDI keyboard key settings
    inline static BOOL m_fPlaying = 0;
    inline static BOOL m_fRecording = 0;
    inline static DWORD m_dwEditStatus = 0;
    inline static WORD m_wEditButtonStatus = 0;
    inline static BOOL m_fAutoSave = 0;
    inline static BOOL m_fIsMakeBackFile = 0;
    inline static BOOL m_fAutoLoad = 0;
    inline static BOOL m_fIsPlayPrep = 0;
    inline static BOOL m_fControlVisible = 0;
    inline static BOOL m_fOneSystemVisible = 0;
    inline static BOOL m_fIsMidiPlayBack = 0;
    inline static BOOL m_bIsMeasErrorCheck = 0;
};

// Fills a text font from an entry of the default-font table.
void GetDefaultFont(LOGFONT* font, const DEFAULT_FONT* entry);
