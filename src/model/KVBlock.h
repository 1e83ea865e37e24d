#pragma once
// One line of staves on a page: the run of measures [first, first + count)
// of a system's staves. The block refers to the staves without owning them
// and keeps the layout of the run: each staff's bottom-line y, the measure
// boundaries, the drag handles and the staff-name anchors.
//
// The block rectangle is relative to the page's printable rectangle;
// everything inside the block (staff y, boundaries, handles, measure
// rectangles) is relative to the block's top-left corner.

#include "Platform.h"
#include "model/KVMultiBackup.h"

class CKVCtrlPoint;
class CKVDoc;
class CKVMeas;
class CKVPage;
class CKVStaff;
class CKVStaffPtrArray;
class CKVSystem;
class CVoiceRoom;

// The block's value for one of its staves.
struct BlockStaffEntry {
    WORD wValue = 0;          // the staff space when the staff was appended, 20 when inserted
    CKVStaff* pStaff = nullptr;
};

// Whether UpdateMeasXY places the cross-staff notes of each measure column
// again on the staves they are drawn on.
inline constexpr int kSkipCrossStaff = 0;
inline constexpr int kReplaceCrossStaff = 1;

class CKVBlock : public CKVMultiBackup {
public:
    static constexpr BYTE KIND_NORMAL = 1;
    static constexpr BYTE KIND_OSSIA = 2;

    // Kinds of the handles that layout makes.
    static constexpr short HANDLE_STAFF = 6;
    static constexpr short HANDLE_BOUNDARY = 11;
    static constexpr short HANDLE_RIGHT_EDGE = 3;

    static constexpr WORD INSERTED_STAFF_VALUE = 20;
    static constexpr short FIXED_HEADER_WIDTH = 29; // of the even spread

    // Defined in model/KVBlock.cpp
    CKVBlock();
    ~CKVBlock() override;
    // Deletes the backup object, a whole block, when there is one.
    void DeleteBackupData() override;

    int Create(CKVPage* page, POINT topLeft, CKVSystem* system, LONG first, short count);
    short AddStaff(CKVStaff* staff);
    short InsertStaff(short index, CKVStaff* staff);
    short DeleteStaff(short index, short count);
    short AddMeas(short count);
    short DeleteMeas(short count);
    int AdjustMeasWidth();
    void InitMeasPos();
    void SetRect();
    short GetStaffNum();
    // The caller keeps the index below GetStaffNum().
    CKVStaff* GetStaff(short index);
    // The y of the last staff's bottom line, from the block's top; 0 without
    // staves.
    int LastStaffY() const;

    // Lays the block out; the first argument has no effect.
    void UpdateMeasXY(int unused, int crossStaff, int backup);

    // Drags.
    int SetStaffPos(short staff, POINT pt, int backup);
    // Boundary -1 is the right edge.
    int SetMeasPos(short boundary, POINT pt, int unused);
    int SetStaffPosByDelta(short staff, int delta, int backup);
    // Rounds to the nearest multiple of the staff space.
    int GetQuantStaffPos(int d);

    // Hit-tests; points relative to the page's printable origin.
    CKVMeas* GetMeasFromPoint(POINT pt, POINT* rel, int* staff, int* meas);
    CKVMeas* GetNearMeasFromPoint(POINT pt, POINT* rel, int* staff, int* meas);
    int IsStaffSelected(CKVStaff* staff, RECT* sel);
    short GetCtrlPointedStaff(POINT pt);
    short GetCtrlPointedMeas(POINT pt, short* staff);

    void GetMemorySize(DWORD& total);
    // The older stream form.
    int Save(CFile* file);
    int Load(CFile* file);

    // Defined in this header
    // The drags above with the point given as x and y.
    int SetStaffPos(short staff, int x, int y, int backup)
    {
        POINT pt{x, y};
        return SetStaffPos(staff, pt, backup);
    }
    int SetMeasPos(short boundary, int x, int y, int unused)
    {
        POINT pt{x, y};
        return SetMeasPos(boundary, pt, unused);
    }

    // Defined in document/KVBlockBackup.cpp
    int ObjectBackup(int record);
    void ObjectFeedback();

    // Defined in document/KVBlockClipboard.cpp
    short CopyToSystem(CKVSystem* system, void* selectionRecord, unsigned char voice, int unused);

    // Defined in document/KVBlockCopy.cpp
    int CreateFrom(CKVBlock* source);

    // Defined in document/KVBlockMemSize.cpp
    int GetBlockMemSize();

    // Defined in document/KVBlockRecord.cpp
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length, CKVDoc* doc);

    // Defined in timing/KVBlockSpacing.cpp
    // Spacing: boundaries from the column widths; returns the excess.
    short SetGoodMeasWidth(int equal, int unused);

    // Defined in edit/KVBlockLayout.cpp
    void UpdateStaffLeftIndent(int indent);
    // Moves the left edge to `left` (the right edge stays) and scales the
    // boundaries in proportion; old boundaries without a span are spread
    // evenly.
    void ShiftToRight(int left);
    // Measure `index` (in the block) gets the width; the boundaries after it
    // move along. An index that names no measure changes nothing.
    void SetMeasWidth(short index, short width);

    // Defined in edit/KVBlockPaste.cpp
    // -1, with no staff changed, when the block has no staff firstStaff or
    // that staff no measure meas, when the paste would grow a voice past
    // what its ticks hold or a measure past the symbols its record holds
    // (PasteFits), or memory is short; 1 otherwise.
    short Paste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite, int autoBeam, int backup);
    // Whether a paste at this staff and measure finds its first target.
    bool TakesPasteAt(short firstStaff, short meas);
    // The whole judgement of Paste before it changes anything: the first
    // target, PasteFits (from `before`), and the free memory, asked once
    // for the whole block so that short memory fails the paste before any
    // staff changes.
    bool TakesPaste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                    const CVoiceRoom* before = nullptr);
    // The paste once TakesPaste has judged it: each source staff into its
    // block staff. A command that changes the score between the two (the
    // paste over a selection deletes it first) judges what that step will
    // leave, and the measures it left are not judged again on other
    // counts.
    void PlaceJudgedPaste(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas,
                          int overwrite, int autoBeam, int backup);
    // Whether every voice that a paste at x of this staff and measure grows
    // stays within the ticks that start times hold, and every measure it
    // adds to (the pasted symbols, and the members of the groups it breaks
    // from x on) within the symbols its record holds. Overwriting trims each
    // voice to its measure, and a measure is never longer than that. A paste
    // that follows an earlier step of its command (the selection deleted)
    // starts from what that step leaves, as `before` forecasts it.
    bool PasteFits(CKVSystem* source, unsigned char voice, short x, short firstStaff, short meas, int overwrite,
                   const CVoiceRoom* before = nullptr);

    // Defined in edit/KVBlockStaffName.cpp
    void SetStaffNamePoint();
    void RemoveStaffNamePoint();
    void MakeStaffNameRect();
    // The first staff whose name handle holds the point (left and top
    // inclusive, right and bottom exclusive); -1 when none does.
    short GetStaffNameIndex(POINT pt);

    // Defined in edit/KVBlockStaffOrder.cpp
    // The position of the staff in the block's list, -1 when absent.
    short GetStaffIndex(CKVStaff* staff);
    short GetOssiaStaffIndex(CKVStaff* staff);
    // Takes a staff of the block's system out of the block with its y, name
    // anchor, name handle, staff handle and per-staff entries: 1, or 0 when
    // the block does not show it.
    short DeleteStaff(CKVStaff* staff);
    // Stacks the staves again from the top by their line counts and the
    // file info's staff gap, then lays the block out.
    void StaffOrder();
    // Stacks the staves from the top, `distance` dots between one staff's
    // bottom line and the next one's top line, then lays the block out.
    void StaffSpaceOrder(short distance);
    // The same with the file info's staff distance.
    void OrderSpace();

    // Defined in edit/KVBlockStaffSelect.cpp
    // With null, 1 when any staff of the block is selected; otherwise 1 when
    // a selection record of the block's page (or a whole-score staff record)
    // takes in that staff.
    int IsStaffSelected(CKVStaff* staff);

    // Defined in edit/KVBlockOssia.cpp
    // Lays out an ossia block at the page point for the ossia staff, with
    // the widths of measures first .. last of staff `staff` of the ossia's
    // system (scaled down to the printable width when wider): 0 when memory
    // is out or the range names no measure, else 1.
    int Create(CKVPage* page, POINT pt, int staff, int first, int last, CKVStaff* ossia);
    // `count` boundaries of width `width` before `at` (flag bit 0: after
    // it); the new number of boundaries.
    short AddMeasInOssia(int at, unsigned long flags, short count, unsigned short width);
    // Takes n boundaries out at `first` (n clamped to the measures there);
    // the new number of boundaries.
    short DeleteMeasInOssia(int first, short n);

    // Defined in edit/KVBlockStaffPick.cpp
    // 1 when the block shows fewer staves than its system has and the
    // selection reaches one of its staves (a one-staff record needs only to
    // name this block); else 0.
    int IsStaffVisible();
    // The first staff whose picking strip holds the block-relative point:
    // x from boundary 0 - 20 to boundary 0, y from the staff's y - 4 staff
    // spaces to its y, all inclusive; null when none.
    CKVStaff* GetSelStaff(POINT pt);
    // The first staff of the block that the selection takes in; null when none.
    CKVStaff* GetSelStaff();
    static constexpr int kPickStripWidth = 20;

    // Defined in edit/KVPageSetup.cpp
    // The page rescale of one block (see CKVPage::ChangePageInfo).
    void ChangePageInfo(int newWidth, int newHeight, int oldWidth, int oldHeight, int scaleX, int scaleY);

    // Defined in edit/KVPageFont.cpp
    // A new staff space: the gaps between staves and the per-staff values
    // follow it, then the block is laid out again.
    void UpdateFontSize(int oldSpace, int newSpace);

    // Defined in edit/KVPageRescale.cpp
    // Moves the block's layout to a new resolution.
    void UpdateLogicDot(POINT newDpi, POINT oldDpi);

    // Fields.
    CTypedPtrArray<CPtrArray, POINT*> m_arrStaffNamePoint;      // per staff, or null
    CTypedPtrArray<CPtrArray, CKVCtrlPoint*> m_arrStaffNameCtrl; // per anchor, or null
    CKVPage* m_pPage = nullptr;
    CKVSystem* m_pSystem = nullptr;
    short m_nFirstMeas = 0;
    short m_nMeasCount = 0;
    short m_nNominalMeasCount = 0;          // measures per block when the page made it
    short m_nLeftIndent = 0;
    CKVStaffPtrArray* m_pStaffArray = nullptr; // the shown staves, not owned
    CTypedPtrArray<CPtrArray, CKVCtrlPoint*> m_arrStaffCtrl;
    CTypedPtrArray<CPtrArray, CKVCtrlPoint*> m_arrMeasCtrl;
    CTypedPtrArray<CPtrArray, BlockStaffEntry*> m_arrStaffEntry;
    CRect m_rcBlock;
    CRect m_rcSecond;                       // the rectangle kept by the position snapshot
    CWordArray m_arrMeasX;                  // count + 1 boundaries, the right edge last
    CWordArray m_arrSecond;                 // the boundaries kept by the position snapshot
    CWordArray m_arrStaffY;                 // each staff's bottom line
    BYTE m_byKind = KIND_NORMAL;
    short m_nSaveLeftIndent = 0;            // kept by the position snapshot; never stored or copied
};
