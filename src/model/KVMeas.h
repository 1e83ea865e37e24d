#pragma once
// One measure of one staff. The measure holds its symbols only as child
// references into the system's id map; it keeps the musical settings (time
// signature, length in ticks, clef, key, bar lines, repeat ending), its place
// in the block it is laid out in, and the horizontal scale on which its
// symbols stand: a position word runs from 0 to 256 across the real width,
// measured from the end of the header.
//
// Node words with a measure meaning: the message id holds the length of the
// repeat-ending bracket in dots (a measure is not in the map), the 32-bit word
// the ending height, the object word the PICKUP and ENDING_START bits.

#include "Platform.h"
#include "model/KVMultiBackup.h"
#include "model/KVObject.h"

class CKVMsg;
class CKVStaff;
class CKVSystem;
class CVoiceRoom;

// The dot offset of a position: (origin + ((length x units) >> 8)) x 16 /
// divisor, in 32-bit integer arithmetic.
int MeasUnitsToX(int origin, int length, int units, int divisor);

// Flags of the measure's walk list (ResetGetNextMsg) and of the members
// that look for symbols through it.
inline constexpr int kChordNotesSingly = 0; // a chord's notes are entries of their own
inline constexpr int kChordsWhole = 1;      // a chord is one entry; its notes are not
inline constexpr int kWalkTreeOrder = 0;    // entries in the order of the tree
inline constexpr int kWalkTimeOrder = 1;    // entries sorted by time
inline constexpr int kWalkOwnStaff = 0;     // notes listed in the measure that holds them
inline constexpr int kWalkCrossStaff = 1;   // notes listed at the staff where they are drawn
inline constexpr int kWalkTimedOnly = 0;    // timed symbols only; misplaced children and
                                            // empty beam groups are taken out of the tree
inline constexpr int kWalkKeepAll = 1;      // every symbol, containers too; nothing removed

// How DeleteMsg takes a symbol out.
inline constexpr int kUnlinkOnly = 0;    // only the reference goes; the symbol stays in the map
inline constexpr int kUnlinkAndFree = 1; // an owned symbol is handed to the deleted-symbol list

// GetNearestRightOfX and GetNearestLeftOfX: whether rests count.
inline constexpr int kNotesAndRests = 0;
inline constexpr int kNotesOnly = 1;

// Whether UpdateNoteKeySignature puts the notes of each chord in key order.
inline constexpr int kKeepChordOrder = 0;
inline constexpr int kReorderChords = 1;

// Which cross-staff lists DeleteAllUpDownMsg and SetPosByUpDownStaff handle:
// the notes drawn on the staff above, the notes drawn on the staff below.
inline constexpr int kWithoutUpList = 0;
inline constexpr int kWithUpList = 1;
inline constexpr int kWithoutDownList = 0;
inline constexpr int kWithDownList = 1;

// Whether NoteSpaceOrder also places the grace notes.
inline constexpr int kWithoutGraceNotes = 0;
inline constexpr int kWithGraceNotes = 1;

// Note insertion and automatic beaming: whether the symbol is fitted to the
// time of its voice (a position from time, rests that overflow refused, later
// symbols spaced again), and whether the voice is beamed again afterwards.
inline constexpr int kPlaceAsGiven = 0;
inline constexpr int kPlaceByTime = 1;
inline constexpr int kKeepBeams = 0;
inline constexpr int kAutoBeam = 1;

// Whether DisAssembleBeam leaves the beams of grace notes alone.
inline constexpr int kBreakGraceBeams = 0;
inline constexpr int kKeepGraceBeams = 1;

class CKVMeas : public CKVObject, public CKVMultiBackup {
public:
    // Bar-line codes of the start and end bar line; 0, 5 and other values
    // draw no line.
    static constexpr BYTE BAR_NONE = 0;
    static constexpr BYTE BAR_THIN = 1;   // a single thin line, as BAR_SINGLE
    static constexpr BYTE BAR_REPEAT = 2;
    static constexpr BYTE BAR_FINAL = 3;
    static constexpr BYTE BAR_DOUBLE = 4;
    static constexpr BYTE BAR_DASHED = 6;
    static constexpr BYTE BAR_SINGLE = 16;

    // Ending positions.
    static constexpr BYTE ENDING_NONE = 0;
    static constexpr BYTE ENDING_BEGINS = 1;
    static constexpr BYTE ENDING_ENDS = 2;
    static constexpr BYTE ENDING_CONTINUES = 3;
    static constexpr BYTE ENDING_BEGINS_AND_ENDS = 4;

    // Bits of the object word.
    static constexpr WORD PICKUP = 0x0001;
    static constexpr WORD ENDING_START = 0x0002;

    // Bits of the options byte (m_byOptions).
    static constexpr BYTE OPT_KEY_SHOWN = 0x02;
    static constexpr BYTE OPT_TIME_SHOWN = 0x04;
    static constexpr BYTE OPT_KEY_HIDDEN = 0x20;
    static constexpr BYTE OPT_TIME_HIDDEN = 0x40;

    // Bits of the options argument of the key changes.
    static constexpr DWORD KEYCHG_TRANSPOSE = 1;
    static constexpr DWORD KEYCHG_BAR_LINES = 4; // double bars where the key changes
    static constexpr DWORD KEYCHG_HIDE = 16;
    static constexpr DWORD KEYCHG_UP = 32;       // transpose upwards

    // Key types.
    static constexpr BYTE KEY_SHARPS = 1;        // 0 also reads as sharps
    static constexpr BYTE KEY_FLATS = 2;

    static constexpr int SCALE = 256;            // position words across the real width
    static constexpr short PLACEHOLDER_LENGTH = 1920;
    static constexpr WORD DEFAULT_MARKER = 0xFFFF;
    static constexpr WORD DEFAULT_VOICE_WORD = 0x8000;
    static constexpr int VOICES = 8;
    static constexpr int TIME_TEXT_SIZE = 16;
    static constexpr int ENDING_TEXT_SIZE = 16;

    // Defined in model/KVMeas.cpp
    CKVMeas();
    ~CKVMeas() override;
    // Copies the node part and the settings; not the id arrays, the endings
    // or the ending text.
    const CKVMeas& operator=(CKVMeas& other);

    // Recomputes the length from the time signature after the base part.
    void Initialize(CKVSystem* system, short objectKind) override;

    // Position scale.
    short AbsXToMeasX(short x);
    short MeasXToAbsX(short pos, int kind);
    short GetRealWidth();

    // Pickup and length.
    int IsPeakupMeas();
    LONG GetPeakupMeasTime(int onlyPickup);
    short GetCurWholeCount(unsigned char voice, short limit);
    double GetCurWholeCountDouble(unsigned char voice, short limit);
    short GetCurWholeCount();
    double GetCurWholeCountDouble();
    // The count of the multi-measure rest that comes first, 0 when none; a
    // copy of it without id goes to out when given.
    WORD IsRestCompMeas(CKVMsg* out);

    // Clefs, endings, place in the score.
    unsigned char GetClefType();
    unsigned char GetLastClefType();
    void DeleteAllClefMsgs();
    DWORD GetEndingType();
    unsigned char GetEndingPos();
    void DeleteEnding();
    short GetStaffIndex();

    // The older stream form.
    short CopyToBuff(unsigned char* buffer);
    short Save(CFile* file);
    short Load(CFile* file);
    void GetMemorySize(DWORD& total);
    // Deletes the clone that the backup link names.
    void DeleteBackupData() override;

    // Defined in model/KVMeasHit.cpp
    CKVMsg* GetNoteMsg(POINT pt, unsigned char voice);
    CKVMsg* GetCtrlPointedMsg(POINT pt, unsigned char voice, int notesOnly, POINT extra);
    CKVMsg* GetPointedNoteMsg(POINT pt, unsigned char voice);

    // Defined in model/KVMeasKey.cpp
    void ChangeKeySignature(unsigned char keyType, unsigned char keyCount, DWORD options, int withChords);
    void TransposeInDiatonicScale(int up, short steps, short semitones);

    // Defined in model/KVMeasOps.cpp
    // Positions of neighbours.
    short GetMsgOfLeftPos(short pos);
    short GetMsgOfRightPos(short pos);

    // Time.
    short GetTimeFromPos(unsigned char voice, short pos);
    // To -1 means the measure length.
    void DeleteTimeRange(unsigned char voice, short from, short to);
    void RemoveMidiMsgFromXToNextNote(short pos);

    // Stems, ties, tremolos.
    void AutoUpDownNoteDir();
    void ChangeNoteDir(unsigned char voice, short direction, short from);
    void SetNoteDir(unsigned char voice, int pos, int up);
    void TieDirUpdate(short voice, short offset);
    void SetTremolo(unsigned char voice, int from, int to);
    void RemoveTremolo(unsigned char voice, int a, int b);
    void UpdateTremolo();
    int IsTrillMsg(CKVMsg* msg);
    void Trill2Midi();
    void UndoTrillNote();

    // Keeps the symbols in place when the header or the real width changes.
    void MsgPosCorrect(short newHeader, short newRealWidth);
    void SetPakPosByNote(short mode, short from, short to, int beamArg);
    void BelongChordSymbolToNote();
    void NoteBelongToUpDownStaffForCrossBeam(int up, unsigned char voice, short from, short to, CKVMeas* target);

    // Defined in document/KVMeasBackup.cpp
    int ObjectBackup(int record, int crossStaff);
    void ObjectFeedback();
    void SlurFeedback(void* slurStep);
    // The live instance of this measure.
    virtual CKVMeas* GetCurBackupObj();
    CKVMsg* GetNewPtr2(CKVMsg* msg);
    CKVMsg* GetNewPtr2(CKVMsg* msg, CKVMsg* excluded);
    CKVMsg* GetNewPtr(CKVMsg* msg);
    CKVMsg* GetNewPtr(CKVMsg* msg, CKVMsg* excluded);

    // Defined in document/KVMeasClipboard.cpp
    short CopyToSelRect(CKVMeas* target, int useRect, CRect rect, unsigned char voice, int cut);
    short CopyToStaff(CKVStaff* staff, WORD from, WORD to);

    // Defined in document/KVMeasCopy.cpp
    int CreateFrom(CKVMeas* source);
    int CreateFromEqually(CKVMeas* source);

    // Defined in document/KVMeasMemSize.cpp
    int GetMeasMemSize();

    // Defined in document/KVMeasRecord.cpp
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length);

    // Defined in timing/KVMeasBeam.cpp
    int AutoBeamGetNotesNum(int coarse, int t);
    int AutoBeamGetNotesNumInCustomMeas(int coarse, int t);
    int AutoBeamGetDur(int coarse, int t);
    int GetNoteKind(BYTE voice, short t, short d);
    void AutoBindByBeam(BYTE voice, int placement);
    void AutoBindByBeam(BYTE voice, short from, short to, int arg, int placement);
    CKVMsg* BindByBeam(BYTE voice, short t, short d, int placement);
    // These two break the stretch's groups before they beam it again; a
    // stretch whose members could crowd the measure past the symbols its
    // record counts is left as it is (BindGroupByBeam then gives null),
    // but while an import converts, which fits the measure when it is done.
    void BindByBeam(BYTE voice, short from, short to, int placement, int arg);
    CKVMsg* BindGroupByBeam(BYTE voice, short from, short to, int direction);
    CKVMsg* BindGroupGraceNoteByBeam(BYTE voice, short from, short to, int direction);
    void AutoBindGraceNoteByBeam(BYTE voice);
    void AutoBindByChord(BYTE voice);

    // Defined in timing/KVMeasCrossStaff.cpp
    void AddUpDownMsgArray(CKVMsg* msg);
    void DeleteUpDownMsgArray(CKVMsg* msg);
    void DeleteAllUpDownMsg(int up, int down);
    void SetPosByUpDownStaff(int up, int down, int full);
    CKVMeas* GetUpMeas();
    CKVMeas* GetDownMeas();

    // Defined in timing/KVMeasMidi.cpp
    void PrepGuess(DWORD ticksPerQuarter);
    // Fills the holes of a voice of recorded music with rests: 1, or 0 when
    // the measure cannot be filled (no symbols, a damaged signature, or a
    // rest the measure cannot take, which ends the filling and keeps the
    // rests placed before it).
    short MakeRests(BYTE voice, DWORD ticksPerQuarter, short division);

    // Defined in timing/KVMeasNoteInsert.cpp
    CKVMsg* InsertNewNoteMsg(CKVMsg& model, short direction, int placement, int autoBeam, int unused1, int midiRead, int unused2);
    // The import's insertion; null when the measure refuses the symbol, and
    // GetInsertRefusal() (timing/InsertState.h) then says why. A symbol that
    // would run its voice past 32,767 ticks is refused; one that takes the
    // measure past the 255 symbols its record counts is not, because an
    // import beams a measure's notes only once all of them are in: the
    // import brings the measure within its record when its conversion is
    // done (import/MeasureRecordFit.h).
    CKVMsg* InsertNoteMsg(CKVMsg& msg, int placement, int autoBeam);
    void ArrangeGraceNote(CKVMsg* pending);
    void SingleStaffProc(short unused);

    // Defined in timing/KVMeasOrder.cpp
    int MaxTopPoint(BYTE voice, short x1, short x2, short& x, short& y, short& beamSlope, int& inBeam);

    // Defined in timing/KVMeasPitch.cpp
    short GetMidiKeyFromPosY(short x, short y);
    short SetParamFromMidiKey();
    void UpdateNoteKeySignature(int simplify, int allowMove, int reorderChords, short unused);
    void RegulAccidants();
    WORD GetDrumHeadType(int y);
    WORD GetDrumHeadAndPosByMidi(int onlyFixed, int key, int& y);
    short SetParamFromDrumTable(int fromPosition);
    void UpdateChord();

    // Defined in timing/KVMeasPlace.cpp
    void UpdatePos(BYTE voice, short direction, int fromTime, short from);

    // Defined in timing/KVMeasSpacing.cpp
    void GetNotePosByStartTime();
    void SetNotePosByStartTime();
    void SetGraceNotePosByStartTime(CKVMsg* main, short previousEnd);

    // Defined in timing/KVMeasSymbolList.cpp
    using CKVObject::AddMsg;
    // Refused (0) on a compressed multi-measure rest; voice 0 becomes 1.
    virtual short AddMsg(CKVMsg* msg, unsigned char owner);

    // Symbol list, chords and beams.
    void RemoveAt(short index);
    short GetSortedIndex(CKVMsg* msg);
    int ProcInRect(CKVMsg* msg, short& index, int joinGroups);
    // Dissolves the group or chord at index: its own members go back to the
    // measure (a former group member without the group-member mark).
    void DisAssembleBeam(short index);
    void DisAssembleBeam(CKVMsg* group);
    void DisAssembleBeam(BYTE voice);
    int DisAssembleBeam(BYTE voice, short from, short to, int skipGrace);
    int DisAssembleGraceNoteBeam(BYTE voice, short from, short to);
    void DisAssembleChord(BYTE voice);
    int DisAssembleChord(BYTE voice, short from, short to);
    // Split the beam group at index: Left keeps the members at or left of
    // x less one line spacing, Right those right of x; the other members go
    // back into the measure and the old group is removed. The result (a
    // group of two or more, or the one member alone) is NOT linked into any
    // measure: the caller links it (CKVMeas::AddMsg) or deletes it,
    // otherwise those notes are lost. Null when nothing is split off.
    CKVMsg* DisAssembleBeamLeft(short index, short x);
    CKVMsg* DisAssembleBeamRight(short index, short x);
    CKVMsg* UpdateChordToNote(CKVMsg* chord);
    int IsOnlyRest();
    void DelRestMsg();
    short GetLeftNoteIndex(short index, CKVMsg* msg);

    // Defined in timing/KVMeasTiming.cpp
    // Whether a time signature gives a measure a length: a beat count and a
    // unit above 0, and a length that the 16-bit length holds.
    static bool FitsTimeSignature(DWORD ticksPerQuarter, int beats, int unit);
    void CalcWholeCount();
    short GetPakTime(short beatUnit, short beats);
    void UpdatePlayTime(BYTE voice);
    void UpdateStartTime(BYTE voice, int unused1, int unused2, int passOn);
    void UpdateStartTimeOnMove(BYTE voice);
    short GetStartTime(CKVMsg* msg);
    short StringToI(CString* text);
    short GetStringValue(CString* text);
    void UpdateMsgTime(BYTE voice);

    // Defined in timing/KVMeasTuplet.cpp
    void MakeChord(BYTE voice, short from, short to);

    // Ties, slurs and tuplets.
    void SetTuplet(short from, short to, BYTE voice, WORD tupletWord, WORD form, int pass);
    void SetTupletByMenu(short from, short to, BYTE voice, WORD tupletWord, WORD form, int pass);
    // What giving the tuplet word to the range of SetTuplet makes of the
    // voice's ticks, added to `room`; false when a note or rest that would
    // carry the tuplet has no room for it in its record. SetTuplet and
    // SetTupletByMenu change nothing then.
    bool TupletRoom(short from, short to, BYTE voice, WORD tupletWord, CVoiceRoom& room);
    void MakeTupletMsg(BYTE voice, short direction, int autoBeam);
    void SetFlag2Note(int x, BYTE voice, WORD flags);
    CKVMsg* GetNearestRightOfX(BYTE voice, short x, int notesOnly, int chordsAsUnits);
    CKVMsg* GetNearestLeftOfX(BYTE voice, short x, int notesOnly, int chordsAsUnits);

    // Defined in timing/KVMeasTupletRange.cpp
    void MakeRangeTupletMsg(BYTE voice, short x1, short x2);
    void MakeRangeTupletMsgByMenu(BYTE voice, short x1, short x2);
    void EncMakeRangeTupletMsg(BYTE voice, short x1, short x2);

    // Defined in timing/KVMeasWalk.cpp
    int ResetGetNextMsg(int chordsWhole, int sort, int withCrossStaff, int keepAll);
    CKVMsg* GetNextMsg(short& cursor);
    void RemainNoteRest();

    // Defined in edit/KVMeasInsert.cpp
    // A copy of the model under a new id; null when the measure is a
    // compressed rest, already holds the symbols its record counts, or when
    // a note, rest or chord would run its voice past the ticks its start
    // times hold (CVoiceRoom::TakesEntry). Nothing is allocated before.
    CKVMsg* InsertNewMsg(CKVMsg& model);

    // Defined in edit/KVMeasPaste.cpp
    // Copies the settings of a model measure and its node part, not its
    // children.
    void Copy(CKVMeas& source);
    // Own 0 only unlinks the reference; 1 when found.
    int DeleteMsg(CKVMsg* msg, int own);
    // Removes (owned) every note, rest, chord and beam group of every voice
    // standing at or right of x, beam members too; grace notes stay.
    void DeleteMsg(short x);

    // Defined in edit/KVMeasMerge.cpp
    // Merges a pasted measure's symbols into this one at x; nothing happens
    // to a compressed multi-measure rest or a measure of no length. Always
    // null. Sets the paste end (edit/PasteState.h).
    CKVMeas* CopyMsg(short x, unsigned char voice, CKVMeas* source, int overwrite, int autoBeam);
    // Removes (owned) the notes, rests and chords of the voice that end past
    // the measure's length.
    void DeleteMsgByTime(unsigned char voice);
    // An owned copy of msg in this measure; null for a compressed
    // multi-measure rest, or with fit set when the voice's time before the
    // symbol plus its play time exceeds the measure.
    CKVMsg* InsertMsgByLeftShift(short& x, CKVMsg* msg, int fit);
    // Moves the notes, rests and chords of the voice (0 every voice) at or
    // right of fromX, and the beam groups that start there, by dx; a voice
    // that moved is timed again, as its grace notes start where they stand.
    void OffsetX(unsigned char voice, short fromX, short dx);

    // Defined in edit/KVMeasColumn.cpp
    // CKVMsg::ChangeX on every note, rest, beam group and chord; then the
    // measure is timed again from the new places.
    void ChangeX(short oldX, short newX, int byTime, short t);

    // Defined in edit/KVMeasPos.cpp
    short GetRealPosX(CKVMsg* msg);

    // Defined in edit/KVMeasSpace.cpp
    CRect GetRealMeasRect(int flag);
    void NoteSpaceOrder(unsigned char voice, int unused, int passOn, int withGrace);

    // Defined in edit/KVStaffQuery.cpp
    // The symbol's index among the measure's children, -1 when absent.
    short GetMsgIndex(CKVMsg* msg);

    // Defined in edit/KVMeasTieSlur.cpp
    void SwitchTieSlur();

    // Defined in harmony/KVMeasChordTranspose.cpp
    void TransposeChordName(int up, short semitones);

    // Fields.
    DWORD m_dwSpacingMode = 0;              // 0 natural, 1 mathematical; not stored
    WORD m_wMarker = DEFAULT_MARKER;
    short m_nLength = PLACEHOLDER_LENGTH;   // in ticks
    BYTE m_byTimeStyle = 0;
    short m_nTimeNum = 4;
    short m_nTimeDen = 4;
    char m_szTimeNumText[TIME_TEXT_SIZE] = {}; // parts of a composite signature, joined by '+'
    char m_szTimeDenText[TIME_TEXT_SIZE] = {};
    short m_nLeftX = 0;                     // left boundary in the block
    short m_nStaffY = 0;                    // the staff's bottom line in the block
    CRect m_rcMeas;                         // in block coordinates
    CRect m_rcSecond;                       // the rectangle kept by the position snapshot
    short m_nRealWidth = 0;                 // 0: recompute on next use
    BYTE m_byStartBar = BAR_SINGLE;
    BYTE m_byEndBar = BAR_SINGLE;
    BYTE m_byInitClef = 1;
    BYTE m_byKeyType = 0;
    BYTE m_byKeyCount = 0;
    BYTE m_byKeyByte1 = 0;                  // key slot count, read by the renderer
    BYTE m_byKeyByte2 = 0;                  // accidental width, read by the renderer
    short m_nHeaderWidth = 0;               // clef, key and time signature
    BYTE m_byOption = 0;                    // carried in the records
    BYTE m_byEndingNum = 0;                 // bit n-1 for ending n
    BYTE m_byEndingPos = ENDING_NONE;
    BYTE m_byEndingByte = 0;
    WORD m_wEndingWord = 0;
    BYTE m_byEndingOffset = 0;
    WORD m_wEndingLine1 = 0;
    WORD m_wEndingLine2 = 0;
    char m_szEndingText[ENDING_TEXT_SIZE] = {};
    BYTE m_byOptions = 15;                  // OPT_ bits
    CDWordArray m_arrUpMsg;                 // ids drawn in the staff above
    CDWordArray m_arrDownMsg;               // ids drawn in the staff below
    CDWordArray m_arrWalk;                  // the walk list
    // Lyric markers of the eight voices.
    WORD m_wVoiceWord[VOICES] = {DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD,
                                 DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD, DEFAULT_VOICE_WORD};
    DWORD m_dwTrailWord1 = 0;               // marker set by the lyric conversion
    DWORD m_dwTrailWord2 = 0;               // 1 once a one-measure repeat sign is added
    // The layout kept aside by the document's position snapshot; never
    // stored or copied.
    short m_nSaveLeftX = 0;
    short m_nSaveStaffY = 0;
    short m_nSaveHeaderWidth = 0;
    short m_nSaveRealWidth = 0;
    // Where the measure stood in its staff's list when last looked up; only
    // a hint, checked before use. Never stored or copied.
    mutable int m_nIndexHint = -1;
};
