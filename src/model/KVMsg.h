#pragma once
// One symbol of the score: note, rest, chord, beam group, tie, slur, tuplet,
// text, mark, line, shape, MIDI event, chord symbol or custom symbol. One
// class serves every kind; the kind byte decides what the fields mean, how
// the symbol is drawn, which control handles it gets and which operations
// apply to it. An operation asked of a kind it does not serve does nothing
// and returns its failure value.

#include "Platform.h"
#include "model/KVObject.h"
#include "model/MidiNoteHead.h"

class CDC;
class CKVSystem;
class CKVMeas;
class CKVStaff;
class CKVDoc;
class CKVBlock;
class CKVPage;
class CKVCtrlTool;
class CFontDatas;

// The kind byte of a symbol. Valid kinds are 1 to MSG_KIND_MAX; 0 means not
// yet set.
enum MsgKind : BYTE {
    MSG_NOTE = 1,
    MSG_REST = 3,
    MSG_TEXT = 4,            // drawn like MSG_FREETEXT; also the third title text
    MSG_TEMPO = 5,           // metronome mark
    MSG_FREETEXT = 6,
    MSG_TEXT2 = 7,
    MSG_NOTEMARK = 8,        // articulation, child of a note
    MSG_TIE = 9,
    MSG_SLUR = 10,
    MSG_CODA = 12,           // coda or segno
    MSG_ARPEGGIO = 13,       // rolled-chord sign
    MSG_OCTAVE = 16,         // octave line
    MSG_PEDAL = 17,          // pedal line
    MSG_TUPLET = 18,
    MSG_HAIRPIN = 19,
    MSG_BEAM = 20,           // beam group
    MSG_KEYSIGN = 21,        // a single key-signature accidental
    MSG_OLDFRET = 22,        // fret-diagram text of the older form
    MSG_OLDCHORDNAME = 23,   // chord-name text of the older form
    MSG_LINE = 24,
    MSG_LYRIC = 25,
    MSG_DYNAMIC = 27,
    MSG_CLEF = 31,
    MSG_TRILL = 33,
    MSG_TREMOLO = 35,
    MSG_CHORD = 37,
    MSG_ELLIPSE = 38,
    MSG_RECTANGLE = 39,
    MSG_ROUNDRECT = 40,
    MSG_ZIGZAG_N = 41,
    MSG_FONTGLYPH = 42,      // glyph of a general font
    MSG_ZIGZAG_M = 43,
    MSG_MULTIREST = 44,      // multi-measure rest
    MSG_TIMED_EVENT = 45,    // event placed in time by its position
    MSG_PAGESLUR = 46,       // free curve
    MSG_BREATH = 47,
    MSG_ORNAMENT = 48,
    MSG_CAESURA = 52,
    MSG_MEASREPEAT = 53,
    MSG_GLYPH = 54,
    MSG_SLIDE1 = 55,
    MSG_SLIDE2 = 56,
    MSG_SLIDE3 = 57,
    MSG_SLIDE4 = 58,
    MSG_GLYPHMARK = 59,      // mark of the single-glyph family
    MSG_MARKUP = 60,
    MSG_MARKDOWN = 61,
    MSG_BIGMARKDOWN = 62,
    MSG_TITLE1 = 63,         // the document's first title-block text
    MSG_TITLE2 = 64,         // the document's second title-block text
    MSG_OLDNOTEMARK = 65,    // stored form of MSG_NOTEMARK in older files
    MSG_MIDI = 66,           // MIDI short message
    MSG_MIDI2 = 67,          // MIDI event of a second form
    MSG_CURVE = 68,
    MSG_CHORDSYMBOL = 69,
    MSG_FRETBOARD = 70,
    MSG_RHYTHM = 71,
    MSG_STAFFNAME = 73,
    MSG_BEZIER = 74,
    MSG_CUSTOM = 80,
    MSG_KIND_MAX = 100,
};

// Bits of the flag word of notes, rests, chords and beam groups. Other kinds
// keep a kind-dependent value in the flag word.
enum MsgFlag : WORD {
    MSGFLAG_TIE_START = 0x0001,      // tied to the next note
    MSGFLAG_TIE_END = 0x0002,        // continues a tied note
    MSGFLAG_TAIL = 0x0004,           // sub-beam stub
    MSGFLAG_BEAM_MEMBER = 0x0008,
    MSGFLAG_GRACE = 0x0010,
    MSGFLAG_CHORD_MEMBER = 0x0020,
    MSGFLAG_NO_STEM = 0x0040,        // drawn without stem and flag
    MSGFLAG_DOT_COLUMN2 = 0x0080,    // chord note: dot in the second column
    MSGFLAG_SUBBEAM_BREAK = 0x0100,  // secondary beams break here (other levels)
    MSGFLAG_STAFF_UP = 0x0200,       // drawn on the staff above
    MSGFLAG_STAFF_DOWN = 0x0400,     // drawn on the staff below
    MSGFLAG_SUBBEAM_BREAK1 = 0x0800, // break of level 1
    MSGFLAG_TREMOLO_START = 0x1000,
    MSGFLAG_TREMOLO_END = 0x2000,
    MSGFLAG_KEEP_ACCIDENTAL = 0x4000,
    MSGFLAG_SUBBEAM_BREAK2 = 0x8000, // break of level 2
    MSGFLAG_SUBBEAM_BREAKS = 0x8900, // all three break bits
};

// Duration codes of the duration word of notes, rests and chords.
enum DurationCode : BYTE {
    DUR_BREVE = 0,
    DUR_WHOLE = 1,
    DUR_HALF = 2,
    DUR_QUARTER = 3,
    DUR_EIGHTH = 4,
    DUR_16TH = 5,
    DUR_32ND = 6,
    DUR_64TH = 7,
    DUR_128TH = 8,
};

// The low three bits of the accidental byte, and its further bit.
enum AccidentalCode : BYTE {
    ACCI_NONE = 0,
    ACCI_SHARP = 1,
    ACCI_FLAT = 2,
    ACCI_NATURAL = 3,
    ACCI_DOUBLE_SHARP = 4,
    ACCI_DOUBLE_FLAT = 5,
    ACCI_CODE_MASK = 0x07,
    ACCI_SHIFT_LEFT = 0x08, // the accidental's handle sits 3 units further left
};

// Glyph sizes of the size field.
constexpr WORD MSG_SIZE_NORMAL = 16;
constexpr WORD MSG_SIZE_GRACE = 12; // 16 x 75 / 100

// Bytes of the symbol record that follows the node record in the stream
// forms.
constexpr int MSG_RECORD_SIZE = 44;

// A fret diagram as the host hands it over for an older fret text.
struct tagFRETDATA {
    DWORD dwInfo = 0;        // first 32-bit value of the record
    BYTE byFret[8] = {};
    BYTE byNameLen = 0;
    char szName[42] = {};
};

// Stem directions of ChangeNoteDirection and of the members that pass one on.
inline constexpr int kStemDefault = 0;
inline constexpr int kStemUp = 1;
inline constexpr int kStemDown = 2;
inline constexpr int kStemOfVoice = 3; // the document's setting for the symbol's voice
// Whether ChangeNoteDirection turns grace notes too.
inline constexpr int kKeepGraceStems = 0;
inline constexpr int kTurnGraceStems = 1;

// BeamDirection: whether the members are spaced again first, whether the
// beam's heights are set, whether the direction follows the member farthest
// from the middle line, and the direction given otherwise.
inline constexpr int kBeamKeepSpacing = 0;
inline constexpr int kBeamRespace = 1;
inline constexpr int kBeamKeepHeights = 0;
inline constexpr int kBeamSetHeights = 1;
inline constexpr int kBeamGivenDirection = 0;
inline constexpr int kBeamAutoDirection = 1;
inline constexpr int kBeamUp = 0;
inline constexpr int kBeamDown = 1;

// Where a symbol comes from: entered notation, or a MIDI performance being
// read, whose played timing and keys are kept.
inline constexpr int kFromNotation = 0;
inline constexpr int kFromMidiRead = 1;
// UpdateStartTime: what happens to a performed start read from MIDI.
inline constexpr int kPerformedStartStays = 0;
inline constexpr int kPerformedOffsetToHead = 1; // its offset from the new start moves into the head

// UpdateNoteKeySignature: whether the spelling is simplified, and whether a
// note may move to another step to sound its key.
inline constexpr int kKeepSpelling = 0;
inline constexpr int kSimplifySpelling = 1;
inline constexpr int kKeepStep = 0;
inline constexpr int kAllowStepMove = 1;

// SlurPosOrder: whether the end offsets are set from dx, whether the middle
// adjustment is kept, and the side of a tie.
inline constexpr int kSlurKeepEndX = 0;
inline constexpr int kSlurSetEndX = 1;
inline constexpr int kSlurResetMiddle = 0;
inline constexpr int kSlurKeepMiddle = 1;
inline constexpr int kTieSideByNote = 0; // below unless the first note stands high
inline constexpr int kTieAbove = 1;
inline constexpr int kTieBelow = 2;

// MakeSubBeam: whether the secondary beams break at the symbol, and which.
inline constexpr int kSubBeamJoin = 0;
inline constexpr int kSubBeamBreak = 1;
inline constexpr short kBreakOtherLevels = 0;
inline constexpr short kBreakLevel1 = 1;
inline constexpr short kBreakLevel2 = 2;

// Transpose and the measure's transposing members: the direction, and
// whether the note is moved or only the interval is counted.
inline constexpr int kTransposeDown = 0;
inline constexpr int kTransposeUp = 1;
inline constexpr int kTransposeCountOnly = 0;
inline constexpr int kTransposeApply = 1;

// GetDoReMiFromPosY: the MIDI key or the scale degree, and whether the
// note's own accidental counts in the key.
inline constexpr int kWantKey = 0;
inline constexpr int kWantDegree = 1;
inline constexpr int kWithoutOwnAccidental = 0;
inline constexpr int kWithOwnAccidental = 1;

// Bits of ChangeNoteAttr's mask: the attributes it sets.
inline constexpr DWORD kAttrHeight = 0x01;
inline constexpr DWORD kAttrSymbolGap = 0x02; // notes only
inline constexpr DWORD kAttrHeadType = 0x04;  // notes only
inline constexpr DWORD kAttrThickness = 0x08;
inline constexpr DWORD kAttrRestType = 0x10;
inline constexpr DWORD kAttrSetTail = 0x40;   // notes and chords
inline constexpr DWORD kAttrClearTail = 0x80; // notes and chords

// What the handles of a chord symbol read from its chord part: which parts
// show, and where the fret diagram and the rhythm pattern lie from the
// symbol's place.
struct ChordSymbolParts {
    bool showName = true;
    bool showFret = false;
    bool hasRhythm = false;
    short fretX = 0;
    short fretY = 0;
    short rhythmX = 0;    // 0 without a rhythm pattern
    short rhythmY = 0;
};

class CKVMsg : public CKVObject {
public:
    // Defined in model/KVMsg.cpp
    CKVMsg();
    explicit CKVMsg(CKVObject* parent);
    ~CKVMsg() override;

    // Copies the node part and the symbol's fields, the id included; not the
    // saved layout, the host word, the attached-symbol list or the main-note
    // link.
    CKVMsg& operator=(const CKVMsg& source);

    // Inserts a child at its sorted index; a negative index is returned
    // unchanged.
    short AddMsg(CKVMsg* msg, unsigned char owner, int parentIsThis) override;
    virtual short SaveMsg(CFile* file);
    virtual short LoadMsg(CFile* file);
    // Draws the symbol; the base draws nothing and gives (0, 0).
    virtual CSize DrawMsg(CDC* dc, short x, short y, CKVDoc* doc, short zoom);
    virtual CSize DrawMsg(CDC* dc, CRect* rect, CKVCtrlTool* tool, CFontDatas* fonts, short zoom,
                          int flag);
    // 0 when the symbol's own drawing covers pt, else -1.
    virtual int GetCtrlIndex(POINT& pt);

    // The older stream form: the node record, then the 44-byte symbol
    // record. Save and Load refuse (-1) an object that is not a symbol.
    short Save(CFile* file);
    short Load(CFile* file);
    short SaveMask(CFile* file);
    short LoadMask(CFile* file);
    short CopyToBuff(BYTE* buffer);

    // Defined in model/KVMsgCtrl.cpp
    void MakeMsgCtrlPoint();
    void MakeNoteCtrlPoint();
    void MakeNoteMarkCtrl();
    void UpdateMsgCtrlRect();
    // Fills `parts` from the chord part and gives true for a chord symbol;
    // false, `parts` untouched, for any other symbol.
    virtual bool GetChordSymbolParts(ChordSymbolParts& parts);
    // Moves the parts a chord symbol owns (its rhythm pattern) from one
    // resolution to another, x by xNew/xOld and y by yNew/yOld; nothing for
    // any other symbol.
    virtual void ScaleOwnedParts(int xNew, int xOld, int yNew, int yOld)
    {
        static_cast<void>(xNew), static_cast<void>(xOld), static_cast<void>(yNew), static_cast<void>(yOld);
    }

    // Defined in model/KVMsgMeas.cpp
    short GetTimeFromPos(short pos);
    void DeleteTimeRange(short from, short to);
    short Transpose(int up, short quality, short steps, short octaves, int apply);
    void MinusPosCorrect(short newHeader, short newRealWidth);

    // Defined in model/KVMsgOps.cpp
    // Attribute accessors.
    short GetNoteHeight();
    void SetNoteHeight(short height);
    short GetTemporarySymbolGap();  // the accidental gap
    void SetTemporarySymbolGap(short quarters);
    short GetNoteHeadType();
    void SetNoteHeadType(short type);
    short GetRestType();
    void SetRestType(short type);
    short GetToilThick();           // beam thickness of a beam group
    void SetToilThick(short thick);
    void SetTail(int on);
    void ChangeToRaw(int voice);
    void SetTupletType(WORD type);
    short GetMeasIndex();
    int IsTremoloNote();
    void GetMemorySize(DWORD& total);
    void SetMidiKeyAndHeadByY();
    void ChangeNoteAttr(DWORD mask, int height, int gap, int headType, int thick, int restType);

    // Durations and stems.
    int ChangeDurationSelNote(int code, int setCode, DWORD dots, int gatePercent);
    void SetPlayTime();
    void TupletReset();
    DWORD GetRealNoteDur();
    // direction: 0 automatic, 1 stem up, 2 stem down, 3 the voice's setting.
    void ChangeNoteDirection(int direction, int force);
    void CalcNoteHeight(short mode);
    short GetMsgOfRightPos(short x);
    short GetMsgOfLeftPos(short x);
    void SetStartTimeByXPos();
    void TupletSlurPosOrder(short dx, short dy, short minHeight);
    short GetAlpegioInfo();         // staves that a rolled-chord sign spans

    // Attached marks.
    void UpdateNoteMarkPos();
    void NoteMarkUpDown(int mode, CKVMsg* model);
    void ReArrangeNoteMarkPos(CKVMsg* mark);

    // Chords.
    void UpdateChord();
    CKVMsg* GetChord();
    int ChordHasReverseNote();
    int IsNoneLyricChord(int line);
    int IsValidNote();

    // Tremolo pairs.
    void BindByTremolo(int strokes);
    CKVMsg* GetTremolo();
    void RemoveTremolo();
    void SetTremoloPosY2Default(CKVMsg* first, CKVMsg* second);
    void SetTremoloCtrlPoint(int x1, int y1, int x2, int y2, int above);

    // The adjustable ends of a beam group.
    void ResetBeamOffset();
    int GetBeamOffsetXLeft();
    int GetBeamOffsetXRight();
    int GetBeamOffsetYLeft();
    int GetBeamOffsetYRight();
    void SetBeamOffsetLeft(int dx, int dy);
    void SetBeamOffsetRight(int dx, int dy);

    // The twin of a tie or slur held by its other note.
    CKVMsg* GetAnotherTieMsg(int second);

    // Texts, older chord names and fret diagrams.
    int GetTextInfo(CString& text);
    short TextToKVMsg(CString name);
    void FretDataToMsg(tagFRETDATA fret);

    // Defined in document/KVMsgClipboard.cpp
    CKVMsg* CopyToParent(CKVObject* parent, unsigned char owned);
    void OffsetX(short dx);

    // Defined in document/KVMsgCopy.cpp
    int CreateFrom(CKVMsg* source);
    int CreateFromEqually(CKVMsg* source);

    // Defined in document/KVMsgRecord.cpp
    // The record form: the 44-byte symbol record, then the node record.
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length);
    void LabelCopy();

    // Defined in document/KVMsgUndo.cpp
    int GetMsgMemSize();
    void BackupPosition();
    void FeedBackPosition();

    // Defined in timing/KVMsgBeam.cpp
    int BeamOrder();

    // Defined in timing/KVMsgCheck.cpp
    void DeleteTuplet();
    int DeleteTupletProc(CKVMsg* note);
    int RemoveTuplet(CKVMsg* tuplet);
    void DeleteInvalidSlurMsg();
    int IsTieEndNoteInDiffMeas();
    // 1 when the system's id map holds this very pointer and the symbol's
    // kinds and counts are sound. Safe on a pointer to a deleted symbol.
    int IsValidMsg(CKVSystem* system);
    // The same checks without the map search, for a pointer just read from
    // one of the system's map slots. Inline: every map lookup makes them.
    int IsValidMapEntry(CKVSystem* system)
    {
        if (m_pSystem != system || m_byObjKind > 10 || m_byKind < 1 || m_byKind > MSG_KIND_MAX)
            return 0;
        // The count as GetMsgNum gives it, read without the call. (A list of
        // handles cannot count below zero here, so it is not asked.)
        return static_cast<short>(m_arrMsgRef.GetSize()) >= 0 ? 1 : 0;
    }

    // Defined in timing/KVMsgChord.cpp
    // A symbol at a point of a measure: position word = point.x, vertical
    // position = point.y; the low byte of durationWord is the duration
    // code, the high byte the dot count. graceMode 1 makes a grace note with
    // a slash, 2 one without.
    CKVMsg(CKVMeas* measure, POINT point, short kind, WORD headType, WORD durationWord,
           BYTE voice, DWORD colour, LONG height, WORD tupletWord, LONG word32, int graceMode);
    // Copies the source's drawing fields; id 0, no children.
    explicit CKVMsg(CKVMsg* source);

    // Chords and beam groups.
    short GetSortedIndex(CKVMsg* msg);
    void RemoveAt(short index);
    CKVMsg* CreateChord();
    CKVMsg* CreateBeam();
    short AddMsgToChord(CKVMsg* note);
    short AddMsgToBeam(CKVMsg* msg);
    // The kind when the position word x falls on the symbol, else 0xFFFF.
    WORD PtInRect(short x, BYTE voice);
    void GetUpDownPos(short* top, short* bottom);

    // Defined in timing/KVMsgCross.cpp
    void SetPosByUpDownStaff(int place, int keepOwn);

    // Defined in timing/KVMsgMidi.cpp
    short CalcNoteRestKind(DWORD unit, DWORD length, short division);

    // Defined in timing/KVMsgOrder.cpp
    void SlurPosOrder(short dx, short dy, short minHeight, int setX, int keepY, int keepHeight,
                      int keepMiddle, int side);
    void TupletPosOrderOfNote();
    void TupletPosOrder();
    void ChordDotOrder();
    void ChordCtrlPointMove();
    void ChordKeyOrder();
    void BeamXsort(int passOn);

    // Defined in timing/KVMsgPitch.cpp
    short GetDoReMiFromPosY(short clef, int wantDegree, int useOwnAccidental = 0);
    short GetMidiKeyFromPosY(short* degree, short* accidental);
    short GetMidiKeyFromOnlyPosY();
    short WhatIsAccidental(short* degree);
    void SetParamFromMidiKey(short clef, BYTE key, CKVStaff* staff);
    void OtherSetParamFromMidiKey(int sharps);
    int UpdateNoteKeySignature(int simplify, int allowMove);
    int ChangeOtherName(BYTE direction);
    void CorrectKeySign();
    void MakeMidiMsgFromY(int gateFromPlayTime);
    void UpdateMidiMsg();
    BYTE GetMidiKey();
    int SetMidiKey(BYTE key);
    BYTE GetVelocity();
    int SetVelocity(BYTE velocity);
    void MakeGraceNote();
    int IsGraceNote();

    // Defined in timing/KVMsgPlace.cpp
    void UpdatePos(int fromTime);
    void UpdateRestPosY(int centre);

    // Defined in timing/KVMsgSpacing.cpp
    void GetNoteLeftWidth(WORD& left, WORD& right);
    void SetNotePosByStartTime();
    void SetNotePos(short x);

    // Defined in timing/KVMsgTie.cpp
    short GetTieIndex(BYTE owned);
    short GetSlurIndex(DWORD id, BYTE owned);
    void GetMsgBindedByTie(CPtrArray& notes);
    void AutoAdjustTieSlur();
    void AutoAdjustTuplet();
    int SetSymbol(BYTE accidental, int options, int gap);
    void SetTuplet(WORD word, WORD form);

    // Defined in timing/KVMsgTiming.cpp
    void CalcPlayTime();
    short GetStartTime();
    short GetPlayTime();
    double GetPlayTimeDouble();
    void UpdateStartTime(short start, int midiRead, int keepOffset);

    // Defined in timing/KVMsgWalk.cpp
    void ResetGetNextMsg(CKVMeas* measure, int chordsWhole, int withCrossStaff, int keepAll);

    // Defined in edit/KVMsgBeamLayout.cpp
    void SetSubBeamDirAsDefault();
    void BeamDirection(int respace, int setHeights, int automatic, int direction);
    // The stem tip that lies highest (Up) or lowest (Down): a note's stem
    // end (half a stem for a grace note), a rest's own place, the farthest
    // point among a group's, chord's or tremolo's members. 1 when found.
    int GetNoteSteamUpMaxPoint(POINT& pt);
    int GetNoteSteamDownMaxPoint(POINT& pt);

    void ChordSort();

    // Defined in edit/KVMsgSwing.cpp
    // For a note: 1 when its start time lies on the grid of ticks per
    // quarter x 16 / 2^n, else 0; -1 for any other symbol, and for an n that
    // gives no grid (negative, or a grid of 0 ticks).
    int IsInBeforeBeat(int n);
    // A note on the grid sounds ratio / 50 of its play time; one off it
    // starts (ratio - 50) / 100 of its play time later and sounds
    // (100 - ratio) / 50 of it. Nothing for a ratio outside 0 to 100, a
    // symbol that is not a note, or a head without gate time and offset.
    void SwingSet(float ratio, int n);
    // Gate time back to the play time, start offset 0.
    void SwingReset();

    // Defined in edit/KVMsgBeams.cpp
    void MakeSubBeam(int set, short mode);

    // Defined in edit/KVMsgCustomSymbol.cpp
    void ModifyCustomSymbol(int handle, CPoint from, CPoint to);

    // Defined in edit/KVMsgExtent.cpp
    // Widens [top, bottom] by the vertical extent of the symbol and its
    // children: note heads with their stems, beam-group ends unless flag is
    // set. Used for redraw rectangles.
    void GetTopBottom(int& top, int& bottom, int flag);

    // Defined in edit/KVMsgNoteSpace.cpp
    // Moves the head handle of a note right by dx.
    void NoteCtrlOffset(short dx);

    void NoteSpaceOrder();

    // Defined in edit/KVMeasColumn.cpp
    // Moves a note or rest, or the members of a beam group or chord, from
    // the column move oldX -> newX (by position, or by start time against t).
    void ChangeX(short oldX, short newX, int byTime, short t);

    // Defined in edit/KVStructCheck.cpp
    // In a beam group or chord, drops member references that are not notes,
    // rests or chords, or that name no symbol, and tests the members in turn.
    void TestMsgStruct();

    // Defined in edit/KVMsgPaste.cpp
    void ChangeParent(CKVObject* parent);
    // Gives the symbol and its children voice v (1 to 8; any other value
    // changes nothing); notes, rests, beam groups, tremolos and chords take
    // the document's colour of that voice.
    void ChangeVoice(unsigned char voice);

    // Defined in edit/KVMsgQuery.cpp
    void ChordYOrder();

    // Defined in edit/KVMsgBounds.cpp
    void SetStartTime(short ticks);
    // The rectangle the symbol covers with what hangs on it, relative to the
    // origin (x, y); `mode` 2 or 255 takes in the attached symbols.
    CRect GetRectBounding(CKVMeas* meas, short x, short y, unsigned char mode);
    // The symbol's point on the page, with its block and measure for a
    // symbol in a measure.
    CPoint GetPositionOnPage(CKVPage* page, CKVBlock** block, CKVMeas** meas);

    // Defined in edit/KVMsgTieOrder.cpp
    // Makes each tie or slur of a note a tie when its two notes may be tied,
    // else a slur, with the tie flags of its ends to match; only the pair's
    // own two halves change. Both arguments are unused.
    void TieMsgOrder(int, CKVMsg*);

    // Defined in edit/KVMsgTieSlur.cpp
    // Takes every tie of a note off both its notes: the owning reference is
    // removed with its symbol, the other only dropped; a note keeping no
    // other tie on that side loses 0x1 or 0x2. The far note's measure is
    // backed up first. Nothing when memory is short.
    void DeleteTieMsg();

    // Defined in import/KVMsgEncMarks.cpp
    // The mark an Encore note carries above (data bytes 14 and 15) or below
    // it (bytes 16 and 17) as a child mark of this note; data is the note's
    // Encore data and must hold those bytes. 1 when added or when the code
    // makes no mark, 0 without a document or when the addition fails.
    int EncNoteUpToKvcNoteUp(void* data);
    int EncNoteDownToKvcNoteDown(void* data);

    // Fields.
    COLORREF m_crColor = 0;
    short m_nPosX = 0;          // position word
    short m_nPosY = 0;          // vertical position
    short m_nPosX2 = 0;         // second position word
    short m_nPosY2 = 0;         // second vertical position
    // The layout kept aside by BackupPosition; never stored or copied.
    short m_nSavePosX = 0;
    short m_nSavePosY = 0;
    short m_nSavePosX2 = 0;
    short m_nSavePosY2 = 0;
    LONG m_lSaveHeight = 0;
    short m_nSaveLayout4 = 0;
    short m_nSaveLayout3 = 0;
    WORD m_wSize = MSG_SIZE_NORMAL;
    short m_nPerformStart = 0;  // start at which the symbol is played, in ticks
    WORD m_wHeadType = 0;       // note-head type
    WORD m_wDuration = 0;       // duration code, or a sub-kind
    // Four layout words whose meaning depends on the kind. Notes and rests
    // keep the mark offset in the third and the accidental offset in the
    // fourth (see MarkOffset and AccidentalOffset).
    short m_nLayout1 = 0;
    short m_nLayout2 = 0;
    short m_nLayout3 = 4;
    short m_nLayout4 = 3;
    short& MarkOffset() { return m_nLayout3; }
    short& AccidentalOffset() { return m_nLayout4; }
    BYTE m_byKind = 0;
    BYTE m_byVoice = 0;
    short m_nPlayTime = 0;      // sounding length in ticks
    short m_nStartTime = 0;     // notated start from the start of the measure
    WORD m_wFlag = 0;
    LONG m_lHeight = 0;         // stem length (sign: direction), thickness or an id
    BYTE m_byMark1 = 0;
    BYTE m_byMark2 = 0;
    BYTE m_byAccidental = 0;
    BYTE m_byDots = 0;
    BYTE m_byReplace = 0;       // 1: place the symbol again
    DWORD m_dwHostWord = 0;     // the host's; the library only carries it
    BOOL m_bHeadShift = FALSE;  // note head drawn shifted right
    CDWordArray m_arrAttachedId; // grace notes and clef changes just before a main note
    CKVMsg* m_pMainNote = nullptr; // the main note of a grace note or clef change

private:
    // Defined in model/KVMsgCtrl.cpp
    // Turns a handle template (horizontal offset, vertical offset and kind
    // word per handle) into the handle rectangles.
    void UpdateMsgCtrlPointers(short* handleTemplate);
};
