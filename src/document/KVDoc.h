#pragma once
// The score document: one object per open score. It owns the score tree (the
// master system and the pages), the page geometry, the settings, the font
// table, the renderer, the chord namer, the title texts, the selection, the
// undo history and the document lock, and it keeps the cursor, the step-entry
// caret, the redraw rectangle and the music-font metrics.

#include "Platform.h"
#include "document/KVCtrlTool.h"
#include "model/KVMultiBackup.h"
#include "model/FontDatas.h"
#include "render/ScoreView.h"
#include "harmony/KVAutoCodeName.h"

#include <functional>

class CKVObject;
class CKVMsg;
class CKVSystem;
class CKVStaff;
class CKVMeas;
class CKVBlock;
class CKVPage;
class CKVFileInfo;
class CKVBackupPtrArray;
class CVoiceRoom;
class CUPage;
class CUNote;
struct LeftOutNotes;
class CDialog;
class CEncDoc;
class CEncMeas;
class CEncSymbol;
class CEncSystem;
struct ENC_SUBTITTLE;
struct ENC_COPYRIGHT;
struct SelRect;
struct UndoEntry;
namespace kvclip {
struct Carried;
}

// RemoveAllSelRect: whether the selection state is reset, and whether the
// selection rectangles stay.
inline constexpr int kKeepDrag = 0;
inline constexpr int kResetDrag = 1;
inline constexpr int kClearSelRects = 0;
inline constexpr int kKeepSelRects = 1;

// RemoveFromBackupArray: which pointer of an entry is matched, and which
// kind of entries.
inline constexpr int kMatchPartner = 0;
inline constexpr int kMatchObject = 1;
inline constexpr int kPlainEntries = 0;
inline constexpr int kStructuralEntries = 1;

// BindNoteByTie: whether the given offsets replace the tie's placed shape,
// and whether an existing tie between the notes is taken away instead.
inline constexpr int kSetGivenShape = 0;
inline constexpr int kKeepPlacedShape = 1;
inline constexpr int kTieAlways = 0;
inline constexpr int kTieToggles = 1;

// The colour and head record of a tempo mark: four 32-bit words, the third
// the colour.
struct tagLYRICSUNIT {
    DWORD dwWord[4] = {};
};

class CKVDoc {
public:
    // Group sizes of the symbol-size table.
    static constexpr int kMarkSizes = 48;
    static constexpr int kClefSizes = 11;
    static constexpr int kDynamicSizes = 13;
    static constexpr int kSpareSizes = 4;
    static constexpr int kSingleSizes = 11;
    static constexpr int kFurtherSizes = 2;
    static constexpr int kHeadSizes = 9;
    static constexpr int kRestSizes = 9;
    static constexpr int kShapeSizes = 6;
    static constexpr int kPairSizes = 2;

    // Defined in document/KVDoc.cpp
    CKVDoc();
    virtual ~CKVDoc();

    // --- Document object ---------------------------------------------------
    // Empties the document for reuse.
    void Initialize();
    // Resets the cursor indices and the caret measure number; returns 1.
    int Open();
    int CreateDocument(short staves, LONG measures, unsigned char clef, short beats, short beatUnit);
    // Appends measures to every staff of a system (negative: the current one).
    int AddMeas(LONG count, short system);
    // Appends staves to a system (-1: the current one) and to every block.
    int AddStaff(short count, short system);
    // Lays out measures [first, first + count) after the existing layout.
    int MakeEndPage(CKVSystem* system, LONG first, LONG count);
    // Lays out the master system's measures from `first` to its end after the
    // last page that has blocks.
    int MakeAddPage(int first, int newBlock);
    int AddPage(CKVPage* page);
    int SetPage(int index, CKVPage* page);
    CKVPage* GetPage(short index);
    short GetPageNum();
    // Lays out the measures of page `index`, or of every page when negative.
    void UpdateMeasXY(short index);
    // Staff height in millimetres to the four music-font metrics.
    void SetScoreFontSize(short size);
    // Measures the music-font glyphs into the symbol-size table.
    void SetSymbolSize();
    // The redraw rectangle of the current measure column.
    void GetReDrawRect();
    // Sends the load progress to the progress window.
    void SetLoadPosInfo(int percent);
    // A vertical distance in eighths of a staff space, in logical units.
    int LPtoDP_YA(int y);

    // Deleted here
    CKVDoc(const CKVDoc&) = delete;
    CKVDoc& operator=(const CKVDoc&) = delete;

    // Defined in document/KVDocBackup.cpp
    // Backs up the whole document; the argument has no effect.
    int ObjectBackup(int);
    int ObjectFeedBack();
    int SelMeasBackup(int clear);
    // Adds a measure's area to the redraw rectangle.
    CRect& SetInvalidRect(CKVBlock* block, CKVMeas* meas);
    void SelMeasTuplet(unsigned char voice);

    // Defined in document/KVDocCaret.cpp
    // The caret point (also stored in the caret member) and its height.
    CPoint GetCaretPos(int& height);
    short GetCaretOnMeas();
    // The caret from a point.
    void SetEditStatus(POINT point);
    // 1 up, 2 down, 3 left, 4 right.
    short OneStep(int direction);
    // 1 the previous measure, 2 the next.
    short OneStepMeas(int direction);
    // Step entry at the caret. Null, with nothing backed up, for a note that
    // would run its voice past 32,767 ticks.
    CKVMsg* InsertNoteMsgInCurrentMeas(CKVMsg* tmpl, short code, int graceSource, int grace, int value,
                                       int advance, int* moved);

    // Defined in document/KVDocClipboard.cpp
    // The image of the selection in a new buffer that replaces `image`; its
    // size, 0 for an empty selection or a voice above 8, 0xFFFFFFFF on
    // failure (then `image` and the score are untouched). The buffer comes
    // from malloc and the caller frees it with free(); a host that has no
    // buffer yet passes one from malloc(1). With cut, what was copied is
    // deleted once the image is complete, as one undo step.
    DWORD CopyDataToMem(unsigned char*& image, unsigned char voice, int cut);
    // Pastes an image at the cursor (over the selection when there is one):
    // 1, 0 when a page symbol fails to read, a voice is above 8 or there is
    // no page or block, -1 when the image is refused or would run a voice
    // of a measure past 32,767 ticks (before the selection goes). Reads at
    // most the bytes the image's size word claims. The third argument is unused; the
    // fourth beams the pasted notes.
    short PastMemoryTo(unsigned char* image, unsigned char voice, int, int);
    // The same for an image of `length` bytes, never read past: -1 also for
    // a length below 4 or a size word below 4 or above the length.
    short PastMemoryTo(unsigned char* image, DWORD length, unsigned char voice, int, int);

    // Defined in document/KVDocCommands.cpp
    // A whole-measure rest in measures [first, end) of every staff; nothing
    // for beat unit 0. A measure that cannot take its rest keeps what it
    // holds. The host takes the step and the backup.
    void InsertRestToMeas(short first, short end, unsigned char beatUnit);
    void ChangeDrumTable(short kit, int mode);
    void UpdateColorChordText(DWORD colour);
    void ViewNoteByWhichStaff(short voice, int up);
    void SetPakPosByNote(short, CKVMsg* note, short, int);
    // The time signature of measure `meas` of staff 0; 0 with the outputs
    // untouched when there is no such measure.
    int GetMeasPak(LONG meas, short& beats, short& beatUnit);
    int GetMeasPak(LONG meas, CString& numeratorText, CString&);
    // Takes the selected staves out of every block; a block keeps its last.
    void StaffHide();
    void StaffVisible();

    // Defined in document/KVDocCopy.cpp
    int ExtractPart(CKVDoc* target, int count, DWORD mask0, DWORD mask1, DWORD mask2, DWORD mask3,
                    DWORD options);
    int CopyPageLayoutFrom(CKVDoc* source);

    // Defined in document/KVDocFile.cpp
    // Writes the document body; 1, or -1 on failure.
    short Save(CFile* file);
    // Reads a document body into a freshly made document; 0, or -1 on
    // failure. The int argument is unused.
    short Load(CFile* file, int);
    // Merges a second score; 1 when merged, 0 when not.
    short ImportKVC(CFile* file, unsigned char* fontMap, unsigned char pairCount, short version);

    // Defined in import/KVDocBrenlo.cpp
    // Builds the structure of a Brenlo page on a new, empty document (one
    // staff, one block per Brenlo system); 1, or 0 with the document
    // unchanged when the buffer is refused (the reason in page->m_failure).
    // The dialog is unused.
    int FirstConvertBrenloToKvc(CDialog* dialog, BYTE* buffer, DWORD length, CUPage* page);
    // Fills in the symbols of the blocks the first pass made; 1, or 0 when
    // memory ran out before a measure was brought within its record. The
    // notes their measures refuse or cannot hold are counted in
    // page->m_leftOutNotes.
    int SecondConvertBrenloToKvc(CDialog* dialog, CUPage* page);
    // Inserts the heads of one Brenlo note; 1. The heads of a note the
    // measure refuses are counted in leftOut when it is given.
    int BrenloToKVC_Note(CUNote* note, CKVMeas* measure, BYTE voiceIndex, short x, LeftOutNotes* leftOut = nullptr);
    int BrenloToKVC_BEAM(CKVMeas* measure, CPtrArray& notes, short systemLeft, WORD measureLeft);
    // 0 when a lyric cannot be added.
    int BrenloToKVC_Lyrics(CUNote* note, CKVMsg* target);

    // Defined in document/KVDocHit.cpp
    CKVSystem* GetPointedSystem(POINT point);
    CKVStaff* GetPointedStaff(POINT point);
    CKVMeas* GetPointedMeas(POINT point, POINT* out, int setCursor, CKVBlock** block);
    CKVMeas* GetPointedNearMeas(POINT point, POINT* out, int setCursor, CKVBlock** block);
    CKVMsg* GetPointedNoteMsg(POINT point, unsigned char mode);
    CKVMeas* GetPointMyMeas(POINT point, POINT* out);
    // MIDI key of a note placed at the point; 0 when no measure is there.
    unsigned char GetMidiKey(POINT point);
    // The point snapped inside the given document's current block.
    int MousePosQuotize(CKVDoc* doc, POINT point, POINT& out);
    // Fills the mouse cursor pack from a point.
    void SetCusorInfo(POINT point);
    // 1-based beat of the mouse cursor (mouse != 0) or of the caret.
    short GetCusorPak(int mouse);
    // Ticks from the start of that beat.
    short GetCusorTicks(int mouse);
    CKVMeas* GetCusorMeas();
    CKVMsg* GetCtrlPointedMsg(POINT point, unsigned char mode, int setCursor, POINT extra);
    CKVBlock* GetCtrlPointedStaff(POINT point, short* index, int setBlock);
    CKVBlock* GetCtrlPointedMeas(POINT point, short* index, int setBlock, unsigned char* out);
    // The measure whose repeat-ending handle is under the point.
    CKVMeas* GetCtrlPointedEnding(POINT point, short* index, int firstOnly);
    void JumpToPage(int index);
    // Moves the cursor to the 1-based measure number: 1 on the same page, 2
    // on another page, -1 when there is no such measure.
    short JumpToMeas(int number);
    // Keeps the cursor on what the score holds after a command took pages,
    // blocks, staves or measures out of it. A block that is gone gives way
    // to the current page's block at the cursor's index (kept inside the
    // list), and a staff or measure that is gone or that the block no longer
    // shows is taken again from the indexes; when there is no block to take,
    // the block, staff and measure become null with their indexes -1. The
    // indexes are then made to name what the cursor holds. The pointers are
    // compared with the tree, never read, so they may name freed objects.
    void DropStaleCursor();

    // Defined in document/KVDocInsert.cpp
    // Adds the document's own copy of a template symbol under a parent; null
    // when the parent refuses it or already holds the symbols its record
    // counts.
    CKVMsg* AddMsg(CKVObject* parent, CKVMsg* tmpl, int addFlag, int autoPosition);
    // Adds a page-level copy of a template symbol; the third argument is unused.
    CKVMsg* AddMsg(CKVPage* page, CKVMsg* tmpl, int, int backup);
    void DeleteMsg(CKVMsg* msg, int respace);
    // Mouse entry into the current block and measure. Null, with nothing
    // backed up, for a note that would run its voice past 32,767 ticks.
    CKVMsg* InsertNewNoteMsg(POINT point, short kind, unsigned short head, unsigned short duration,
                             unsigned char voice, short code, DWORD word, LONG stemHeight,
                             unsigned short tuplet, int markGap, LONG objectWord, int grace,
                             int graceSource, int value, int markPos, int graceKind);
    // Entry into a given staff and measure.
    CKVMsg* InsertNewNoteMsg(short staff, LONG measure, CKVMsg* tmpl, unsigned short code, int grace,
                             int graceSource, int value, int* moved, int midiFile);

    // Defined in document/KVDocSelect.cpp
    // Adds a record of kind 1 (rectangle on the current page; the caret moves
    // to its corner), 2 (measure of a block), 3 (staff of a block) or 4
    // (staff). A record already covered, another kind or a missing pointer
    // adds nothing; a staff record replaces the smaller records of its staff.
    void AddSelRect(short kind, RECT* rect, CKVMeas* meas, CKVStaff* staff, CKVBlock* block);
    // 1 when the selection differs from the one saved at the last call.
    int IsSelChanged();
    void RemoveAllSelRect(int resetDrag, int keep);
    // Drops the records that name a page, block, staff or measure no longer
    // in the document; a structure command that takes one out calls it
    // before anything new is made in its place.
    void DropStaleSelRects();
    // 0 for an index that names no staff of the master system.
    int IsStaffSelected(short index);
    int IsEnableStaffHide();
    // Deletes what the records cover in one undo step: 1, or 0 with nothing
    // changed when the selected measures cannot be backed up or the groups
    // the delete breaks would crowd a measure past its record.
    int DeleteMsgOnSelRect(int voice);
    // What a cut or a drag move takes away: as DeleteMsgOnSelRect, but only
    // the part of the selection that its image carries, so that nothing
    // leaves the score that the image does not hold.
    int DeleteCarriedSelection(int voice, const kvclip::Carried& carried);
    // What DeleteMsgOnSelRect(voice) will take from the measures it reaches
    // (DeleteCarriedSelection with `carried`), added to room before
    // anything changes: the symbols it deletes with the ticks they took,
    // and what the groups it tidies give back, so that a command that
    // deletes the selection is judged on the measures the delete leaves.
    // Both deletes refuse, changing nothing, where that would crowd a
    // measure past its record.
    void ForecastSelDelete(int voice, CVoiceRoom& room, const kvclip::Carried* carried = nullptr);
    // Re-judging the ties and slurs of a measure after a note is deleted,
    // moved, re-pitched or re-timed changes the flags of their far ends,
    // which may lie in measures the selection does not reach. Backs those
    // measures up in the open undo step, each once and after the selected
    // ones (which the caller has backed up), so that the command works on
    // their live copies and undo restores them too. Not for a command that
    // backed up the whole document (every page selected).
    void SelFarEndBackup();
    int DeleteSubMsgOfNoteRestOnSelRect(CKVBlock* block, CKVMeas* meas, int measIndex, int staffIndex,
                                        CKVObject* holder, short& index, CKVMsg* note, CRect& work,
                                        CRect& selection, int voice);

    // Defined in document/KVDocUndo.cpp
    // Opens a new undo step.
    void ResetBackup();
    // Closes the open step.
    void StartNewUndoRedo();
    void RemoveRedo();
    void MultiUndoStart();
    void MultiRedoStart();
    void MultiUndoEnd();
    void MultiRedoEnd();
    void DataInputStart();
    int Feedback();
    int IsMultiEnableUndo();
    int IsMultiEnableRedo();
    int IsReqBackup();
    // Whether the open undo step already holds a copy of this measure, or of
    // its staff, so that it is the step's live clone: a command that reaches
    // a measure more than once backs it up only the first time.
    bool IsMeasInOpenStep(const CKVMeas* meas) const;
    // Records an entry for an object whose clone was just made.
    int AddBackup(short kind, void* object);
    // Records an inserted or removed object.
    int AddObj2BackupArray(short kind, void* object, int inserted);
    // Discards the open step.
    void ResetBackupData();

    // Defined in document/KVDocUndoBook.cpp
    void DeleteBackupData(CPtrArray* step, int oldest);
    void DeleteSlurBackupData(CPtrArray* slurStep, int oldest);
    int RemoveFromBackupArray(CPtrArray* step, int byObject, void* target, int structural);
    void ResetMultiBackList();
    void BackupPoisition();
    void FeedBackPosition();

    // Defined in document/KVDocUpgrade.cpp
    void FileVerUp(short version);
    void EraseAllTremoloFlag();
    void ConvertTextMsg(CKVMsg* msg);
    void ConvertLyricsMsg(CKVMsg* msg);
    void ConvertSymbolMsg(CKVMsg* msg);
    void ChangeMsgInfos();
    void ChangeMeasInfos();
    // The text and lyric part of the upgrade alone: 8-bit texts (kinds 4 and
    // 6, in the map and on the pages) and lyrics become UTF-16 in the
    // platform's code page. Used on imported scores.
    void ConvertImportedTexts();

    // Defined in timing/KVDocCrossStaff.cpp
    void SetMsgUpStaffView(short voice);
    void SetMsgDownStaffView(short voice);

    // Defined in timing/KVDocDeleteHandOver.cpp
    void TupletMsgDelProc(CKVMsg* msg);
    // Takes the ties and slurs of a note about to go off both their notes;
    // of a chord or beam group, those of the notes under it.
    void TieSlurMsgDelProc(CKVMsg* note);

    // Defined in timing/KVDocPitch.cpp
    void SetVoiceColor(DWORD* colours, int* enabled);
    void SetDrumNoteConnect(WORD value);

    // Defined in timing/KVDocRecorded.cpp
    // The last argument is unused.
    void SplitStaff(int staff, int byVoice, BYTE splitKey, BYTE clef, DWORD voiceMask, int bassClef,
                    int keepOriginal, BYTE*);
    int SetPakToMeas(LONG meas, BYTE style, BYTE numerator, BYTE denominator, char* numeratorText,
                     char* denominatorText, int displayFlag, int pickup, int retime, int allStaves);
    int SetPakToMeas(LONG meas, short, short length, BYTE style, BYTE numerator, BYTE denominator,
                     char* numeratorText, char* denominatorText);

    // Defined in timing/KVDocSpacing.cpp
    void ChangeCurrentBlockMeasNum(int math, int page, int block);
    int SetBlockMeasCount(int page, int block, int count);
    void SetNoteSpace(int math, int firstMeas, int lastMeas, int blockWidths, int blockCounts, int allStaves);

    // Defined in timing/KVDocTies.cpp
    int IsEnableBindByTie(CKVMsg* first, CKVMsg* second, int align);
    int BindNoteByTie(CKVMsg* first, CKVMsg* second, int height, int x, int y, int keepPlace, int toggle,
                      int pass);
    int BindNoteBySlur(CKVMsg* first, CKVMsg* second, short height, unsigned short x, unsigned short y,
                       int pass);
    int SetSymbol(short voice, POINT point, BYTE accidental, int options, int gapSteps);
    // Gives the tuplet ratio to the selected runs; nothing, when the ratio
    // would run a voice of a measure past 32,767 ticks.
    void SetTuplet(BYTE voice, unsigned short word, unsigned short form, int pass);
    void UpdateTupletType(unsigned short form);

    // Defined in edit/KVDocBeamRange.cpp
    // Dissolves the beam groups of the voice over each measure range of the
    // selection; opens no undo step and backs nothing up.
    void DisAssembleBeam(int voice);
    // Walks the symbols of each selection record whose voice byte is `voice`
    // (0 is not a wildcard) as ranges of one measure: notes (and rests unless
    // `notesOnly`) extend the range, a symbol of another measure closes it.
    // Each closed range, and the record's last, goes to `process` with the
    // first and last position word, whether a beam group of the voice was
    // seen earlier in the record (only with `watchGroups`) and whether it is
    // the record's last range.
    using SelRangeVisit = std::function<void(CKVMeas& meas, short first, short last, bool groupSeen,
                                             bool lastOfRecord)>;
    void ForEachSelRange(int voice, int notesOnly, int watchGroups, const SelRangeVisit& process);
    // Whether dissolving the beam groups of `voice` (0: of every voice) that
    // reach into those ranges, or with `intoChord` making each range of
    // notes one chord, leaves every measure within the symbols its record
    // counts; asking changes nothing.
    bool SelRangeGroupsDissolve(int voice, bool intoChord = false);

    // Defined in edit/KVDocBeams.cpp
    // The range commands below open no undo step and back nothing up; the
    // host does that first. Voice 0 matches no symbol.
    // Beams each range into one group; once a beam group of the voice has
    // been met in a record, the later ranges of that record are dissolved.
    void BindByBeamGroup(int voice, int a2);
    // Re-beams each range by the beat (dissolves once a group was met); the
    // last range of each record also gets its tuplets rebuilt.
    void BindByBeamBeat(int voice, int a2, int reserved);
    // Merges the selected notes of each range into a chord, after taking
    // their tremolos away.
    void MakeChord(int voice);
    // Breaks the beam groups of the voice (0 every voice) at the edges of
    // the kind-1 records of the current page: mode 1 the first level, 2 the
    // second, any other all levels. Own undo step.
    void MakeSubBeam(short voice, short mode);
    // Joins the selected notes of the current voice pairwise by tremolos
    // (after dissolving their beams); own undo step, nothing when the backup
    // fails.
    void BindByTremolo(int strokes);
    // The selected notes of the current voice lose their tremolos; no undo
    // step.
    void RemoveTremoloSelRect();
    // Toggles the selected notes, chords and groups of the voice (0 every
    // voice) between grace and normal notes; backs up the selection with
    // the far ends of its ties and slurs, or the whole document with every
    // page selected, into the open undo step.
    void ChangeToGrace(int voice);
    // Hangs every chord symbol lying directly in a measure under its nearest
    // note, on every staff and ossia staff.
    void BelongChordSymbolToNote();

    // Defined in edit/KVDocTieSlur.cpp
    // Ties the selected notes of exactly `voice` (0 binds nothing), each to
    // the first later note it may be tied to, each pair once per call; the
    // ties of tied chords then bend half down, half up (start y `a4`). No
    // undo step of its own. 0.
    int BindByTie(int voice, int a2, int a3, int a4, int a5);
    // The same with the tie tool for the notes on staves; a note's partner
    // in a measure outside the selection is backed up into the open step.
    int BindByTie1(int voice, int a2, int a3, int a4, int a5);
    // Per record and staff, the outer selected notes of the voice (0 every
    // voice): tied when they may be (and the record's later staves are left
    // alone), else slurred. No undo step of its own. 1.
    int BindBySlur(int voice, int a2, int a3, int a4, int a5);
    // Ties (or, failing that, slurs) the end notes of every beam group of
    // more than one member on the staves. Own undo step.
    void AutoTieSlur(int a1, int a2, int a3, int a4);
    // Ties a note to the next note at its pitch (in its voice, else in any
    // voice; in its measure, else at the next measure's first onset). With
    // `check` the horizontal inset shrinks to fit a close pair. Own undo
    // step. 1 when tied.
    int BindByTieInTool(CKVMsg* note, int a2, int inset, int a4, int a5, int check);
    // Converts the geometry of every tie and slur from dots to sixteenths of
    // its staff's line spacing.
    void ChangeTieSlurInfo();
    // A free curve (kind 46) along a slur, added to its first note's measure
    // in an undo step of its own; null unless a slur between two notes.
    CKVMsg* MakeGraphSlurFromNoteSlur(CKVMsg* slur);
    // Re-shapes a tie or slur on the other side.
    void ChangeTieSlurDir(CKVMsg* tieOrSlur);
    // Puts the tie or slur that each selected note of the voice starts above
    // (`up`) or below, K1 from the notes. Own undo step.
    void SelNoteChangeTieSlurDir(short voice, int up);
    // Re-judges and re-shapes the ties and slurs of the copy made by the last
    // whole-document backup, and removes those that lost a note.
    void UpdateTieSlurType(int setX, int x, int setY, int y, int setH, int h, int reserved);

    // Defined in edit/KVDocCaretEdit.cpp
    // The caret position (0 to 256) of beat `beat` (0-based) of measure
    // index `meas`: the leftmost note, rest, chord or group member of any
    // staff starting on the beat; else the latest one sounding across it;
    // else beat x 256 / beatsPerMeasure (0 when that is not above 0).
    short GetBeatCaretPos(int beat, int beatsPerMeasure, int meas);
    // Moves the play caret (and with it the cursor, the current staff and
    // the paste x) to a beat of measure index `meas`; the caret's height in
    // dots and its point through `point`; 0 without a current block.
    int GetPlayCaretPos(int meas, int beatsPerMeasure, int beat, CPoint& point);
    // Deletes the note, rest or chord of the voice (0 matches nothing) at
    // the paste x of the current measure, as its own undo step: 1, 0 when
    // nothing is there, -1 (all bits) when memory is short. The last three
    // arguments are unused.
    short DeleteMsgOnCaret(short voice, short, int, int);
    // Adds an owned copy of a prepared symbol, under a new id, to measure
    // `meas` of master staff `staff`; null for an index out of range, a
    // compressed multi-measure rest, a measure that holds the symbols its
    // record counts, or a note, rest or chord that would run its voice past
    // the ticks a voice takes. The symbol is given that measure as its
    // parent.
    CKVMsg* InsertNewMsg(short staff, LONG meas, CKVMsg* msg);
    // The full page size in dots: printable area and margins.
    CSize GetScreenSize();

    // Defined in edit/KVDocPlayback.cpp
    // The selected notes of the voice (0 every voice), numbered per staff:
    // mode 1 sets velocity a, 2 ramps from a towards b, 3 scales by a
    // percent, 4 adds a; other modes change nothing. One undo step.
    void SetVelocitySelNote(int voice, short a, short b, short mode);
    // The selected notes of the voice (0 every voice) get velocity 100. One
    // undo step.
    void ResetVelocity(int voice);
    // The tempo word of measures [first, last] (either order) of every
    // staff: mode 0 sets a, 1 ramps from a to b, 2 scales by a percent, 3
    // adds a, 4 clears it. The measure backups join the open undo step.
    void SetTempo(int first, int last, int a, int b, int mode);
    // The program byte of voice 1-8 of a master staff; no undo step.
    void SetTimbre(short staff, unsigned char voice, unsigned char value);
    // Stem directions of a voice (0: each symbol's own voice) from the
    // low half of its entry in the table of eight; no undo step.
    void UpdateNoteDirection(int voice, unsigned char* directions);

    // Defined in edit/KVDocRestExpand.cpp
    // Replaces each compressed multi-measure rest of every measure (mode 1:
    // the selected range) by as many plain measures. Takes no whole-document
    // backup: the caller opens the step and takes ObjectBackup(1) first.
    void UnCompressRestMeas(short mode);
    // 1 when a measure of any staff in the range (every measure with `all`,
    // else the selected range) is a compressed multi-measure rest.
    int IsRestComp(int all, int);

    // Defined in edit/KVDocClefKey.cpp
    // Of the clef, key, tempo, bar, ending and rest commands only
    // UpdateDelClefType opens an undo step (with a whole-document backup);
    // UpdateClefType(measure), the bar and the ending commands back up each
    // measure they change; for the others the caller opens the step and takes
    // ObjectBackup(1) first.
    int UpdateClefType(CKVMeas* meas, short clef, int x);
    // The clef in force from the measure to the staff's end, each measure
    // backed up first.
    void UpdateClefType(CKVMeas* meas);
    int InsertNewClefMsg(CKVMeas* meas, short clef, int x);
    int UpdateDelClefType(CKVMsg* clefChange);
    // System < 0 is the current system; flags & 8 asks for a selected staff.
    void ChangeKeySignature(int first, int last, int staff, unsigned char keyType, int keyCount, unsigned long flags,
                            int system, int withChords);
    int ChangeCustomKeySign(int first, int last, int staff, CKVMsg& key, unsigned long flags, int system);
    // Removes and frees the key-signature symbols of measures first..last.
    void ResetKeySign(int staff, int first, int last, unsigned long reserved);

    // Defined in edit/KVDocTempo.cpp
    int SetBaseTempo(CKVMsg* mark, int beatCode, int value, int secondCode, tagLYRICSUNIT text, unsigned long flags);
    // 0 (nothing changed) for a tempo of 0 or less.
    int SetTempoSign(CKVMsg* mark, int beatCode, int bpm, int second, unsigned char* text, int textLength,
                     unsigned long flags);
    void ChangeTempo(int tempo, int reserved);

    // Defined in edit/KVDocBarEnding.cpp
    // Bar -1 leaves that bar as it is.
    int SetMeasBarType(int first, int last, int startBar, int endBar, int system);
    int SetMeasBarTypeEx(int first, int last, int bar, int atStart, int system);
    int SetEndingRepeat(int first, int last, unsigned long flags, CString text, unsigned long extra);

    // Defined in edit/KVDocRestComp.cpp
    void CompressRestMeas(long first, long last, int percent, LOGFONTA font);
    // `first` is the lowest measure of the run.
    void CompressRest(long first, short count, int percent, LOGFONTA font);
    // Mode 1 the selected measures, mode 2 the whole score.
    int CompressRestMeas(int percent, LOGFONTA font, unsigned long mode);
    int ScoreOrder(short mode);

    // Defined in edit/KVDocDistances.cpp
    // Store the distance (in staff spaces) in the file info and re-stack the
    // staves, or the blocks, of every page. No undo step, no backup: the
    // host takes ObjectBackup(1) first when it wants one.
    void UpdateStaffSpace(short distance);
    void UpdateBlockSpace(short distance);
    // Both of the above, then the modified flag.
    void UpdateScoreSpace(short staffDistance, short blockDistance);
    // Stores the top of a page's first block and the first block's indent in
    // the file info; nothing else.
    void UpdateIndent(short firstBlockOffset, short indent);
    // A staff handle (staff 0: the block) dragged in `block`, carried over to
    // every block after it from the current page on. With `flag` each block
    // is backed up before its change (a page's undo would keep the changed
    // boundaries). Always 1.
    int SetStaffPosByDelta(short staff, POINT point, CKVBlock* block, int flag);
    // The right edge of `block` dragged to point.x; every later block's right
    // edge lines up with it. Backs up as SetStaffPosByDelta does. Always 1.
    int SetMeasPosByDelta(POINT point, CKVBlock* block, int flag);

    // Defined in edit/KVDocMeasSpacing.cpp
    // Re-spaces by time the measures the selection records cover (each
    // backed up once), or without records the current measure's column (in
    // an ossia block the measure alone). Opens no undo step; nothing when
    // memory is short.
    void NoteSpaceOrder(unsigned char voice);
    // Gives every normal block's measures of master index [first, last] the
    // width; each block is backed up once before its first change.
    void SetMeasWidth(short width, short first, short last);
    // The width of measure `index` of the master system's first staff; 0 for
    // an index that names no measure.
    short GetMeasWidth(short index);

    // Defined in edit/KVDocDragDrop.cpp
    // Packs what the first selection record covers (voice 0 every voice)
    // into the drag image, replacing an earlier one, and with move takes it
    // away from its place. Opens the undo step that the drop joins. 1 when an
    // image was made; 0 when nothing was selected or copied, or a write
    // failed; -1 when a copied staff or measure could not be allocated.
    int SelRectMouseDrag(unsigned char voice, int move);
    // Pastes the drag image at the cursor in the step the drag opened and
    // moves the caret to where the pasted music ends; the image is freed. 0
    // without an image or with one that cannot be read (then freed), and
    // when the cursor has no block or staff to paste into, or the music
    // would run a voice of a measure past 32,767 ticks (then kept).
    int SelRectMouseDrop(unsigned char voice, int overwrite, int autoBeam);
    void FreeDragImage();

    // Defined in edit/KVDocColour.cpp
    // Colours what the selection records cover, each symbol tested by its
    // first handle: notes, rests, octave lines and members of groups and
    // chords of the voice only (0 every voice), a hit member with its group
    // or chord; a lyric takes the colour in bytes 8 to 11 of its head when
    // the head holds them. Marks the document modified only when something
    // was coloured.
    void SetColorOfSelElement(short voice, DWORD colour);
    // Gives the lines and shapes any of whose handles meet the selection the
    // thickness; the first argument is not read. Marks the document modified
    // only when one was hit.
    void SetThickOfSelGraph(short, short thickness);
    // The selected notes of the voice (0 every voice) take the glyph size;
    // rests, chords and groups keep theirs. One undo step; marks the document
    // modified even when nothing was selected.
    void SetNoteSize(short voice, short size);

    // Defined in edit/KVDocFrame.cpp
    // Copies the redraw rectangle; nothing for a null pointer.
    void GetInvalidateRect(RECT* out);
    // The commands then work on the whole score; the records stay.
    void SelectAllPages();
    int IsSelectAllPages();
    // Replaces the selection by one kind-1 record over the whole sheet of
    // the current page and clears the all-pages flag.
    void SelectCurrentPage();
    // 1 when the selection list holds a record.
    int IsSelected();
    // Keeps the low 16 bits of the host's edit mode in the settings and here.
    void SetEditMode(int mode);
    // The index of the first current-backup record naming the measure; -1
    // when none does.
    int GetCurrentBackupData(CKVMeas* measure);

    // Defined in edit/KVDocMeasCmd.cpp
    CKVMeas* GetMeasure(int meas, int staff, int system);
    // The structure commands below that take no whole-document backup
    // (DeleteMeasure, DeleteMeasOnStaff) record only the measures, blocks
    // and pages they remove: the caller opens the undo step and takes
    // ObjectBackup(1) first, as the host does, so that the blocks they trim
    // and the partner notes whose tie bits they clear come back on undo.
    //
    // Inserts `count` measures before `at` (flag bit 0: after it) on each
    // staff whose entry of staffFlags is exactly 1 and appends them to every
    // other staff. With `backup` the whole document is backed up first. 1, or
    // 0 with nothing changed for a staff count other than the master
    // system's, no flag array, a count below 1, a score that would pass
    // kMaxMeasures, or backup asked while recording is off.
    int InsertMeasures(int at, int count, DWORD flags, int staffCount, unsigned char* staffFlags, int backup);
    // Removes measures [first, last] from every staff; the measures removed
    // from the last staff, or -2 when a staff refuses. Ties and slurs that
    // reach into the removed measures are taken off their kept notes.
    int DeleteMeasure(int first, int last, int);
    // Removes measures [first, last] from one staff and appends as many, so
    // the staff keeps the common length; 1, or 0 for a bad index.
    int DeleteMeasOnStaff(int first, int last, int staff, int system);
    // The time signature of measure `meas` of every staff (of the selected
    // ossia block's staves when one is selected); 0 when memory is short
    // (checked first, so even for a missing measure) or for a measure that
    // does not exist.
    int SetPakToMeas(LONG meas, unsigned char beats, unsigned char unit, int showTime, int pickup, int retime);
    // Only the initial clef byte; no undo. 0 for a staff or measure that
    // does not exist.
    int SetClefToMeas(short staff, LONG meas, unsigned char clef);
    // Adds a copy of msg to that measure of the master system.
    int AddMsg(short staff, LONG meas, CKVMsg* msg);
    // Copies `value` over the measure; the caller keeps its object.
    int SetMeasure(int meas, CKVMeas& value, int staff, int system);
    int IsUndoEnableMeasDel(int, int, int);
    static constexpr int kMaxMeasures = 32000;

    // Defined in edit/KVDocMeasQuery.cpp
    // Measures of the first staff of a document system (negative: the
    // current one); multi-measure rests count as their measures with
    // countCompressed. -1 for a system index past the list.
    int GetMeasCount(int system, int countCompressed);
    // Of the current page's selected ossia block; -1 without one.
    int GetMeasCountInOssia();
    // The current block's first measure plus the cursor's measure index;
    // -1 without a current block.
    int GetCurrentMeasNum();
    // Selected measure objects of the master system; -1 for none.
    int GetSelMeasCount();
    // The selected measure range and the index of the system that holds it;
    // -1 with both -1 when nothing is selected.
    int GetSelMeasNumRange(int& first, int& last);
    int GetSelMeasNumRangeInOssia(int& first, int& last);

    // Defined in edit/KVMeasColumn.cpp
    // Moves the symbols of the note's or rest's measure column, on every
    // staff, so that the symbol goes to newX (1 to 256): by position, or by
    // start time. One undo step of the column's measures.
    void ChangeXByTime(CKVMsg* msg, short newX, int byTime);

    // Defined in edit/KVDocNoteAttr.cpp
    int GetHeadWidth(int code);
    int GetHeadWidth(CKVMsg* msg);
    // Each command below is one undo step on the selected symbols of the
    // voice (0 every voice) and marks the document modified; a failed backup
    // changes nothing.
    // Moves the notes, rests, groups, tremolos and chords of voice `from`
    // (0 every voice) with their members to voice `to`, in its colour. A
    // merge that would run a voice of a measure past 32,767 ticks is refused
    // before the step opens: nothing changes.
    void ChangeVoice(int from, int to);
    // Stem direction of notes, groups and chords; 0 means 3.
    void ChangeNoteDirection(int voice, int direction);
    // Display attributes chosen by `mask`; `a8` is the low half of a note's
    // display option word under mask 0x14.
    void ChangeNoteAttr(int voice, DWORD mask, int a3, int a4, int a5, int a6, int a7, int a8);
    // Plain form of notes, chords and groups; a group is dissolved.
    void ChangeToRaw(int voice);
    // 1, or 0 with nothing changed when the backup failed or the new values
    // would run a voice of a measure past 32,767 ticks (refused before the
    // step opens). The last argument is unused.
    int ChangeDurationSelNote(int voice, int code, int setCode, DWORD dots, int percent, int reserved);
    // Enharmonic respelling: 1 flat to sharp, 2 sharp to flat, 3 either way.
    void ChangeAccidental(int voice, short direction);
    void ChangeAccidentalFlat(int voice);
    void ChangeAccidentalSharp(int voice);
    void ChangeAccidentalEnharmonic(int voice);
    // Whole octaves the selected notes may move up and down: 1, or -1 with
    // both 9 when nothing is selected. No undo step.
    short GetEnableOctaveOnSelNote(int voice, short* up, short* down);
    // The last measure an octave or trill line reaches, as a staff index
    // with `endX` its position there; 255 in `endX` and the count of
    // measures reached when it runs past the block; -1 when it reaches none.
    short GetMeasActedBy8va(CKVMsg* line, short& endX);
    // Vertical place of the chord symbols over the measure's staff; -1 when
    // the block does not list the staff.
    int GetChordPos(CKVBlock* block, CKVMeas* meas);

    // Defined in edit/KVDocNoteMark.cpp
    // Adds note mark `markType` (kind 8) or slide `kind` (55 to 58) over
    // (below 0) or under each selected note of the voice; a mark of the same
    // type or family already there is taken away instead. One undo step.
    void AddNoteMarkOnSelNote(unsigned char voice, int below, int kind, WORD markType);
    // Places a new mark relative to its note: 1; or 0 after taking away the
    // note's (or the current chord's) mark of the same type or family.
    int SetDefaultPosOfNoteMark(unsigned int below, CKVMsg* note, CKVMsg* mark);
    // The same for a slide; any slide already there is taken away.
    int SetDefaultPosOfSlide(int below, CKVMsg* note, CKVMsg* slide);
    // The selected notes and rests keep only their ties, slurs, tuplets,
    // lyrics and chord symbols. One undo step.
    void SelNoteDelNoteMark(short voice);

    // Defined in edit/KVDocNoteMove.cpp
    // Transposes the selected notes by an interval; with every page
    // selected only the undo step opens and the document is marked modified.
    void ChangePitchSelNote(int voice, int up, int quality, int steps, int key);
    // Puts the leftmost selected note, rest or chord of the voice at staff
    // position `y` (a rest or chord becomes a note under its id). No undo
    // step of its own: the host backs up the selected measures, and it backs
    // up the far ends of their ties and slurs. The note, or null with
    // nothing changed.
    CKVMsg* ChangeSelNoteOfY(int voice, short y, short accidental);
    // Notes become rests and rests and chords the other, under their ids.
    void ChangeSelNoteToRest(unsigned char voice);
    // 1 left, 2 right, any other value up (3) or down; 1, or 0 when the
    // backup failed.
    int DetailMsgMove(int voice, int direction);
    // The up (3) or down nudge, without an undo step of its own: the host
    // backs up the selected measures, and it backs up the far ends of their
    // ties and slurs.
    int DetailMsgMoveUpDown(int voice, int direction);
    // A tablature note to the next line or space, kept on the staff.
    void SetTabNoteParamsAfterMove(CKVMsg* note, int up);

    // Defined in edit/KVDocPages.cpp
    // The current page index after clamping it to the last page; -1 without
    // pages.
    int GetCurrentPageNum();
    // None of the page and count commands opens an undo step or backs up the
    // document: the caller opens the step and takes ObjectBackup(1) first.
    // Pages and blocks they insert or remove are recorded in that step.
    // Flag 1 inserts after `page`, flag 2 inserts empty pages.
    int InsertPage(int page, int count, unsigned long flags);
    // b - a after ordering and clamping (page 0 always stays); -1 when the
    // lower index is past the pages.
    int DeletePages(int a, int b);
    int IsUndoEnablePageDel(int, int);
    // Counts below 1 change nothing and return 0.
    int SetAllBlockMeasCount(short count);
    int SetSelBlockMeasCount(short count);
    // Page and block numbers are 1-based.
    int SetAnyBlockMeasCount(short page, short block, short count);
    int SetAllPageBlockCount(short count);
    int SetSelPageBlockCount(short count);
    int GetBlockCountOnCurrentPage();
    int GetMeasCountOnCurrentBlock();
    int GetMeasCountOnSelBlock();

    // Defined in edit/KVPageSetup.cpp
    // New paper, margins and first-block place (a top, b left); every page
    // is rescaled to the new printable size.
    void ChangePageInfo(POINT paper, RECT margins, short a, short b, POINT resolution);

    // Defined in edit/KVDocQueries.cpp
    CKVBlock* GetBlockByMeas(CKVMeas* meas);
    // 1 when a connection group of a kind in `mask` (the staff connection
    // bits) ends at the block's staff `staff`, 0 when it goes on to the next
    // staff of the block.
    int IsConnectStaffEnd(CKVBlock& block, int staff, unsigned char mask);
    // 1 when the block's staff `staff` lies inside a group of a kind in
    // `mask` opened above it.
    int IsConnectStaff(CKVBlock& block, int staff, unsigned char mask);
    // The title from the first page's texts (the largest font), with the
    // lyricist and composer found after their markers.
    CString GetTittle(CString& lyricist, CString& composer);
    // Adds the document's size in bytes to total.
    void GetMemorySize(DWORD& total);
    // Every normal block gets its even spread again, in a new undo step.
    void UniformMeasWidth();
    // The next measure, after the position held in staff and measure (-1 and
    // -1: from the start), whose content is short of its time signature (-1)
    // or beyond it (-2); 0 with both -1 when none is.
    int FindError(int& staff, int& measure, int first, int last);
    // 1 when a handle of the current page lies under the point.
    int IsCtrlPoint(CPoint point);
    // 1 when a block the selection reaches hides a staff.
    int IsStaffVisible();

    // Defined in edit/KVDocStaffPick.cpp
    // The staff picked at a page point of the current page, with its block.
    CKVStaff* GetSelStaff(POINT pt, CKVBlock*& block);

    // Defined in edit/KVDocStaffView.cpp
    // Hiding and showing staves in blocks. Neither takes a backup: the
    // caller opens the undo step and takes ObjectBackup(1) first.
    // Mode 1 hides, on every page, the staves of document system `system`
    // from index 0 on while their flag byte is 1; any other mode hides the
    // selected staves (or, without records, the current staff) of the
    // current page, keeping each block's last staff. The blocks below a
    // block move by the change of its last staff's y.
    void StaffHide(int system, int mode, unsigned char* flags);
    // Gives the chosen blocks of the current page (the selected ones, or
    // without records the current one) their hidden staves again, each at
    // its system position, and moves the blocks below down.
    void StaffVisible(int system, int, unsigned char*);

    // Defined in edit/KVDocViewAttr.cpp
    // The view byte of measures first .. last of a master staff (negative:
    // the first staff of the selected ossia block); backs each measure up.
    void SetMeasViewAttr(short staff, short first, short last, unsigned char bits);
    // 0 when the staff or measure does not exist.
    int GetMeasViewAttr(short staff, short meas);
    // The view byte and size percent of a master staff, or with a negative
    // staff of the selected staff of the selected ossia block; no backup.
    void SetStaffViewAttr(short staff, unsigned char bits, unsigned long, int size);
    // The same for staff `staff` of the selected ossia block (negative: its
    // selected staff).
    void SetOssiaStaffViewAttr(short staff, unsigned char bits, unsigned long, int size);
    // The staff's view byte with its size percent in `size` (negative: the
    // first staff of the selected ossia block); 0 when there is no staff.
    int GetStaffViewAttr(short staff, int& size);
    // -1 when the master system may take `count` more measures, else how
    // many it may still take.
    short InsertMeasEnble(short count);
    // -1 when `count` pages of measures may be inserted at `page`, else how
    // many fit; 0 for a page that does not exist.
    short InsertPageEnable(int page, int count, unsigned long flags);
    // -1 when a new score of that many staff measures is allowed, else 32000.
    short CreateNewScoreEnable(short staves, short measures);

    // Defined in edit/KVDocOssia.cpp
    // Makes an ossia of measures firstMeas .. lastMeas (1-based) of a staff
    // at a point of the current page, in its own undo step with a
    // whole-document backup. 0 without a current page, for a bad range or
    // when memory is out.
    int InsertOssia(POINT pt, int system, int staff, int firstMeas, int lastMeas, unsigned char attr, unsigned long,
                    int size);
    // The commands below on the selected ossia block take no backup of their
    // own (InsertOssiaStaves excepted): the caller opens the step and takes
    // ObjectBackup(1) first.
    int InsertOssiaStaves(int at, int count, int system, unsigned long after, int mode, int lines, int size);
    void ChangeOssiaStaffType(int staff, int mode, int clef, int lines, int size);
    int DeleteOssiaStaves(int first, int last, int);
    void DeleteOssia();
    int InsertMeasuresInOssia(int at, int count, unsigned long flags);
    int DeleteMeasuresInOssia(short a, int b);
    int IsOssiaSelected();
    int SetSelOssiaAttr(unsigned long value);

    // Defined in edit/KVDocReflow.cpp
    CKVPage* GetCurrentPage();
    // Lays every measure of the master system out again from page 0: with
    // fromFileInfo every page takes the file info's blocks per page, else
    // the pages keep page 0's count until one must be appended. Takes no
    // whole-document backup: the caller opens the step and takes
    // ObjectBackup(1) first. The cursor ends at the start of the score.
    void UpdatePage(int fromFileInfo);
    // Lays measures [firstMeasure, firstMeasure + count) into new pages at
    // pageIndex; 1, or 0 when memory is out.
    int InsertMakeEndPage(short pageIndex, CKVSystem* system, LONG firstMeasure, LONG count);
    // Scope -1 the current page, 0 every page, 1 page indexes 0, 2, 4, 2
    // indexes 1, 3, 5; any scope marks the document modified.
    void UpdateStaffLeftIndent(int scope, int indent);
    // The page point of a lyric, by line; (0, 0) without a current page,
    // block or measure.
    CPoint GetRealRectOfLyrics(CKVMsg* msg, short x, short line);

    // Defined in edit/KVDocRescale.cpp
    void UpdateNoteMarkPos(int accidentalUnits, int markUnits);
    void UpdatePosYA(int newHeight, int keepPages);
    // Rescales every position of the score from one device resolution to
    // another; the renderer calls it when a pass opens on a new resolution.
    void UpdatePosLogicDot(POINT oldDpi, POINT newDpi);
    // Rebuilds the handle rectangle of every symbol of the staves and ossia
    // staves after the glyph widths were measured anew.
    void UpdateMsgCtrlRect();
    // Makes each beam group's grace flag agree with its members: set when
    // every member note (chord notes included) is a grace note, cleared
    // otherwise. The members keep theirs. Like UpdateNoteMarkPos it walks
    // the map from the first id of the last whole-document backup on.
    void UpdateBeamOfGraceNote();

    // Defined in edit/KVDocSelection.cpp
    // Collects the ids of the symbols every selection record covers into
    // m_arrSelMsgId: notes and rests, beam groups and chords (each listed
    // once, before its first covered member) and other symbols by their first
    // handle. With every page selected the list is every slot of the master
    // map, a slot whose symbol the score no longer holds as id 0. The number
    // collected, or -1 when none.
    int GetSelMsgCount();
    // The same for one record, notes, rests, chords and groups only; the
    // chord notes it takes get flag 0x20. 0 for an index that names no record.
    int GetSelMsgCount(short record);
    // The symbol at place `index` of the last collection, looked up in the
    // map of document system `system`; null when either is out of range, the
    // id is gone, or its measure (staff, page) is a copy an undo step keeps.
    CKVMsg* GetSelNote(int index, int system);
    // Collect, then give the first selected note, rest or beam group of
    // `system` in `voice` (0 any voice) through `found`: 1, or 0 with
    // `found` untouched.
    int IsNoteOnSel(int system, int voice, CKVMsg** found);
    int IsRestOnSel(int system, int voice, CKVMsg** found);
    int IsBeamOnSel(int system, int voice, CKVMsg** found);

    // Defined in edit/KVDocStaffCmd.cpp
    int GetStaffSelStatus(int index, int);
    int InsertStaves(int at, int count, int system, DWORD after, int mode, int lines, int size);
    // Staff i of system `system` (0 the master system); null when either
    // index is out of range.
    CKVStaff* GetStaff(int i, int system);
    // Structure commands that change blocks and staves without a backup of
    // their own (DeleteStaves, MoveStaff, ChangeStaffType): the caller opens
    // the undo step and takes ObjectBackup(1) first, as the host does.
    // The number of master staves removed; -1 for a bad system index.
    int DeleteStaves(int first, int last, int system);
    // Swaps two staves of the master system: 1, or 0 for a bad index.
    int MoveStaff(int a, int b, DWORD);
    void ChangeStaffType(int staff, int mode, int clef, int lines, int size);
    // The retype steps of ChangeStaffType on any staff; an ossia staff also
    // takes the drum clef in mode 1003, and in mode 1004 keeps its clef
    // changes and has its clef brought up to date.
    void RetypeStaff(CKVStaff* staff, int mode, int clef, int lines, int size, bool ossia);
    int IsUndoEnableStaffDel(int, int, int system);
    int GetStavesCount(int);
    // Fills the selected-staff list; its size, or -1 when empty or for a
    // bad system index.
    int GetSelStavesCount(int system);
    // The system index of entry i of that list; -1 outside the list.
    int GetSelStaffNum(int i);
    // The lowest and highest block position of the selected staves: 0, or
    // -1 with both -1 when none is selected.
    int GetSelStaffNumRange(int& first, int& last);
    int GetCurrentStaffNum();
    // Copies the value over the staff: 1, or 0 when there is no such staff.
    int SetStaff(int i, CKVStaff& value, int system);
    CString GetStaffName(int i, int);

    // Defined in edit/KVBlockStaffName.cpp
    // With argument 1 the index of the first page that holds a block (0 when
    // none does); with any other argument 0.
    short GetFirstPageIndex(int mode);
    // The block and staff whose name handle lies under the point on the
    // current page; null when none.
    CKVBlock* GetCtrlStaffName(POINT pt, short* index);
    // Brings the name anchors of each page's first block in line.
    void MakeAllPageStaffName();

    // Defined in import/KVDocEncStructure.cpp
    // The skeleton of an Encore score: the master system, pages and blocks,
    // staff and measure attributes, hidden staves and keys. 1 on success;
    // right and bottom receive the largest block edges.
    int FirstConvertEncToKvc(CDialog* dialog, CEncDoc* enc, LONG& right, LONG& bottom);
    // Puts the first x of the measure symbols of some kinds on the 0-256
    // scale of their measure.
    void UpdateMsgXPos(CEncDoc* enc);

    // Converters of single Encore symbols, called by the symbol walk. Each
    // returns 1 when it converted the symbol or skipped it, 0 when an
    // allocation or an addition to the score failed.
    // Defined in import/KVDocEncNotes.cpp; voice is the Encore voice 0 to 15.
    int EncToKVC_Note(CEncDoc* enc, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas, unsigned char voice);
    int EncToKVC_Rest(CEncDoc* enc, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas, unsigned char voice);
    // Defined in import/KVDocEncTexts.cpp; voice is the Encore voice + 1
    // (for a lyric, the verse + 1); measIndex the score-wide measure index.
    int EncToKVC_MeasText(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                          BYTE voice, int measIndex);
    int EncToKVC_Metronome(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                           BYTE voice, int measIndex);
    int EncToKVC_Lyric(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                       BYTE voice);
    int EncToKVC_ChordSymbol(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol,
                             CKVMeas* meas, BYTE voice);
    // Defined in import/KVDocEncPageTexts.cpp
    // Moves the name of each instrument of several staves to the middle of
    // its staves, in the first block of the first page.
    void EncToKVC_StaffNamePos_Correction(CEncDoc* enc);

    // Defined in import/KVDocEncWalk.cpp
    // The measures' contents of an Encore score; 1 on success.
    int SecondConvertEncToKvc(CDialog* dialog, CEncDoc* enc);
    // Defined in import/KVDocEncPageTexts.cpp
    // The page texts of the title block. MakeText writes the text head of
    // `kind` items into the buffer (1,024 bytes hold three or four title
    // items, 2,048 six copyright items) and returns its length, 0 when every
    // text is empty; both out values are set to 0.
    int EncToKVC_MakeText(CEncDoc* enc, ENC_SUBTITTLE* item, int kind, char* buffer, int* shared, int* own);
    int EncToKVC_MakeText(CEncDoc* enc, ENC_COPYRIGHT* item, int kind, char* buffer, int* shared, int* own);
    void EncToKVC_Title(CDialog* dialog, CEncDoc* enc);
    void EncToKVC_Header(CDialog* dialog, CEncDoc* enc);
    void EncToKVC_Footer(CDialog* dialog, CEncDoc* enc);
    void EncToKVC_Copyright(CDialog* dialog, CEncDoc* enc);

    // Defined in import/KVDocEncSymbols.cpp
    // Encore marks, lines and shapes (symbol type 5), each into its score
    // message(s) in the native measure. 1 when done or skipped, 0 when adding
    // a message failed. `voice` is the native voice (1 to 8).
    int EncToKVC_Dynamic1(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Dynamic2(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Cesura(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Breath(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Pedal(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Flower(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Slide1(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Slide2(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Slide3(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Slide4(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_MarkUp(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_MarkDown(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_MarkBigDown(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_Segno(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_DalSegno(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_RepeatMeas(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice);
    int EncToKVC_PageSlur(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                          BYTE voice, int measIndex);
    int EncToKVC_MidiMsg(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                         BYTE voice, int measIndex);
    int EncToKVC_Crescendo(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                           BYTE voice, int measIndex);
    int EncToKVC_InversN(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                         BYTE voice, int measIndex);
    int EncToKVC_InversM(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                         BYTE voice, int measIndex);
    int EncToKVC_Alpegio(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                         BYTE voice, int measIndex);
    int EncToKVC_Trill(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                       BYTE voice, int measIndex);
    int EncToKVC_PolyLine(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                          BYTE voice, int measIndex);
    int EncToKVC_Graphic(CEncDoc* enc, CEncSystem* system, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas,
                         BYTE voice, int measIndex);
    int EncToKVC_TwoLines(CEncDoc* enc, CEncMeas* encMeas, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                          int measIndex);

    // Defined in import/KVDocEncTies.cpp
    // The Encore ties that cross a bar line, bound to their notes or made free
    // page slurs; 0 when adding a page slur failed. `voice` is working storage.
    int EncToKVC_NoneProcTie(CEncDoc* enc, CPtrArray& ties, BYTE voice);
    // The Encore octave-line marks into octave lines, one piece per block.
    void EncToKVC_8vab(CDialog* progress, CEncDoc* enc);

    // --- Fields ---------------------------------------------------------------
    DWORD m_dwHostWord1 = 0;       // host words, not interpreted
    DWORD m_dwHostWord2 = 0;
    CKVFileInfo* m_pFileInfo = nullptr;
    short m_nScoreFontSize = 0;    // music-font size in points
    short m_nFontHeight = 0;       // music-font cell height, a multiple of 8
    short m_nStaffSpace = 0;       // font height / 4
    short m_nFontHeight78 = 0;     // standard stem length: CScoreView::StandardStemLength(font height)
    CKVCtrlTool m_CtrlTool;
    CFontDatas m_FontDatas;
    CScoreView m_ScoreView;
    CKVCtrlTool* m_pCtrlToolMirror = nullptr; // not owned; the host's copy of the settings
    DWORD m_dwHostWord3 = 0;
    // Cursor.
    short m_nCurPage = 0;
    short m_nCurBlock = 0;         // in the current page's block list
    short m_nCurSystem = 0;
    short m_nCurStaff = 0;         // in the current block's staff list
    short m_nCurMeas = 0;          // inside the current block
    CKVSystem* m_pCurSystem = nullptr;
    CKVPage* m_pCurPage = nullptr;
    CKVBlock* m_pCurBlock = nullptr;
    CKVStaff* m_pCurStaff = nullptr;
    CKVMeas* m_pCurMeas = nullptr;
    CTypedPtrArray<CPtrArray, CKVSystem*> m_arrSystem; // element 0 the master system; owned
    CKVBackupPtrArray* m_pPageArray = nullptr;    // of CKVPage*; pages owned
    CKVBackupPtrArray* m_pSelRectArray = nullptr; // of SelRect*; records owned
    // Undo history.
    CTypedPtrArray<CPtrArray, UndoEntry*> m_arrBackup; // the open step
    CPtrArray m_arrSlurBackup;     // slur relink records of the open step
    CDWordArray m_arrDeleteMsgId;  // ids of removed owned symbols
    CTypedPtrArray<CPtrArray, CKVMeas*> m_arrDeleteMeas; // removed measures
    CPtrList m_listBackup {10};    // closed steps (CPtrArray*), oldest first
    CPtrList m_listSlurBackup {10}; // slur arrays of the closed steps
    int m_nUndoneCount = 0;        // closed steps at the tail that are undone
    CRITICAL_SECTION* m_pCritSection = nullptr; // document lock; re-entrant
    BOOL m_bBackupOpen = 0;        // an entry was recorded since the last close
    DWORD m_dwFirstCopyId = 0;     // first id of the copies of the last whole-document backup
    BOOL m_bSelected = 0;          // the selection list is not empty
    BOOL m_bSelectAllPages = 0;
    CRect m_rcRedraw;
    BOOL m_bRedrawPending = 0;
    BOOL m_bModified = 0;
    // Grace-mark setting: 1 gives a note made a grace note the mark 79, drawn
    // as the slashed grace glyph.
    BOOL m_bGraceMark = 0;
    BOOL m_bSpacingApplied = 0;    // the settings' distances were applied to the score
    // Not stored: 1 shows the accidental a note's pitch needs when the note
    // itself names none.
    BYTE m_byAutoAccidental = 0;
    DWORD m_dwHostWord4 = 0;
    // Undo recording. Written directly by the renderer, the import and the
    // tie commands; off in a new document until the renderer's first pass.
    BOOL m_bBackupRecord = 0;
    BOOL m_bHostNotice = 1;        // set on every change the host must notice; the host clears it
    CKVAutoCodeName m_AutoCodeName;
    CKVMsg* m_pLastGroup = nullptr;  // not owned; the group that grouping code last joined
    CKVMsg* m_pLastMember = nullptr; // not owned; the member it last joined
    CPoint m_ptCaret;
    short m_nCaretMeasNum = 1;     // 1-based, counted in the staff
    short m_nCaretPos = 0;         // 0 to 256 inside the caret's measure
    // The measure number (1-based) the play caret was last moved to; 0 when
    // made. Neither stored nor copied.
    short m_nPlayCaretMeasNum = 0;
    BYTE* m_pDragImage = nullptr;  // rectangle-drag image; owned
    // Title texts of kinds 63, 64 and 4: page-level symbols; owned.
    CKVMsg* m_pTitleMsg[3] = {};
    POINT m_ptPointed {0, 0};      // where the last handle hit-test found a handle
    // The document's own rhythm-pattern display: with it, or with the
    // settings' switch, a chord symbol in a measure offers its rhythm handle.
    // Not stored.
    BOOL m_bShowRhythm = 0;
    HWND m_hProgressWnd = nullptr; // receives the load progress
    DWORD m_dwLoadLength = 0;      // body length while loading
    DWORD m_dwLoadPos = 0;         // bytes consumed while loading
    // Symbol-size table: (width, height) per music-font glyph.
    SIZE m_sizeMark[kMarkSizes] = {};
    SIZE m_sizeClef[kClefSizes] = {};
    SIZE m_sizeDynamic[kDynamicSizes] = {};
    SIZE m_sizeSpare[kSpareSizes] = {};
    SIZE m_sizeSingle[kSingleSizes] = {};
    SIZE m_sizeFurther[kFurtherSizes] = {};
    SIZE m_sizeHead[kHeadSizes] = {};
    SIZE m_sizeRest[kRestSizes] = {};
    SIZE m_sizeShape[kShapeSizes] = {};
    SIZE m_sizePair[kPairSizes] = {};
    // Mouse cursor pack.
    CKVBlock* m_pCusorBlock = nullptr;
    CKVMeas* m_pCusorMeas = nullptr;
    CKVStaff* m_pCusorStaff = nullptr;
    short m_nCusorStaff = 0;       // staff index inside the block
    short m_nCusorMeas = 0;        // measure index inside the block
    short m_nCusorX = 0;           // 0 to 256 inside the measure
    short m_nCusorY = 0;           // below the staff's top line, snapped
    CTypedPtrArray<CPtrArray, SelRect*> m_arrSavedSelRect; // the selection at the last IsSelChanged
    CTypedPtrArray<CPtrArray, CKVMeas*> m_arrMeas;
    // The ids of the last selection collection (GetSelMsgCount).
    CDWordArray m_arrSelMsgId;
    // The host's edit mode, zero-extended from the settings' word.
    DWORD m_dwEditMode = 0;
    // Records that start with a CKVMeas*; the host fills it, the library
    // only searches it (GetCurrentBackupData). Not owned.
    CPtrArray m_arrCurBackup;

private:
    // Defined in document/KVDocCaret.cpp
    // Re-validates the cursor and returns the caret point, under the lock.
    CPoint GetCaretXY();
    // Moves the caret to the staff above (up != 0) or below.
    short CaretMoveUpDown(int up);

    // Defined in document/KVDocHit.cpp
    // The page at the current index, made current; null when the index names
    // no page.
    CKVPage* PageAtIndex();
    void MoveCursorTo(CKVBlock* block, short blockIndex, short staffIndex, short measIndex, CKVMeas* meas);
    // Asks every measure of the page's blocks (normal, then ossia) with the
    // point relative to the measure; the first hit wins.
    CKVMsg* FindInPageMeasures(CKVPage& page, POINT point, bool moveCursor,
                               const std::function<CKVMsg*(CKVMeas&, POINT)>& ask);

    // Defined in document/KVDocClipboard.cpp
    // After an undo backup of the page: the page and block that stay in the
    // score, made the cursor's.
    void FollowLivePage(CKVPage*& page, CKVBlock*& block);

    // Defined in document/KVDocCaret.cpp
    // Grace links of a note entered from a template.
    void LinkGraceNotes(CKVMsg& tmpl, CKVMsg& note);
    // Re-spaces the measure alone, or the caret's measure column.
    void RespaceAfterEntry(CKVMeas& meas);
    // How far the caret moves past an entered note: its share of the
    // measure, at least two staff spaces.
    short CaretStepAfter(CKVMeas& meas, CKVMsg& note);
    // The caret's measure is the last of the page's last block.
    bool IsLastMeasOfPage();

    // Defined in document/KVDocSelect.cpp
    // The delete of the whole selection (carried null), or of what an image
    // carries.
    int DeleteSelection(int voice, const kvclip::Carried* carried);
    // The slurs, lyrics, chord symbols and other parts of a note that keeps
    // its place but whose parts meet the selection.
    void DeleteNoteParts(CKVBlock& block, CKVMeas& meas, int measIndex, int staffIndex, CKVMsg& note,
                         const CRect& selection);

    // Defined in edit/KVDocNoteMark.cpp
    // Distance from a note to the current chord's outermost note on the
    // mark's side; 0 outside a chord.
    int ChordMarkDistance(CKVMsg* note, int below);

    // Defined in edit/KVDocSelection.cpp
    int FindOnSel(int system, int voice, BYTE kind, CKVMsg** found);

    // Defined in document/KVDocInsert.cpp
    // Takes a tie or slur off its notes.
    void DeleteTieSlur(CKVMsg* link);
    // Takes a note, rest, beam group or chord out of its holder, with what
    // the holder becomes without it.
    void DeleteMember(CKVMsg* msg, int respace);
};

// A music-font cell height for a size in points at a resolution: to the
// nearest multiple of 8, never 0.
int MusicFontHeight(int points, int dpi);

// The staff space of the last score made or loaded, for code that has no
// document at hand. 0 at load.
extern short nCurStaffSpace;

// The staff space in force before the last resolution change; 0 at load.
extern short nPrevStaffSpace;

// The note-mark distances of the last UpdateNoteMarkPos, in dots: the mark
// offset and the accidental offset. 0 at load.
extern short nNoteMarkDistance;
extern short nAccidentalDistance;

// The note-mark position that note insertion reads; set by the host and by
// step entry. 0 at load.
extern short nNoteMarkRightPos;

// Sets the process-wide note-mark position and returns it.
extern "C" short SetNoteMarkRightPos(unsigned short position);
