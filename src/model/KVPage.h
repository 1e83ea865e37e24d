#pragma once
// One page of the score's layout. The page owns its normal blocks, its ossia
// blocks and its page-level symbols (which stay outside the system's id map)
// and keeps its printable rectangle; blocks are placed relative to the
// printable rectangle's top-left corner.

#include "Platform.h"
#include "model/KVMultiBackup.h"

class CKVBlock;
class CKVDoc;
class CKVFileInfo;
class CKVMeas;
class CKVMsg;
class CKVStaff;
class CKVSystem;

class CKVPage : public CKVMultiBackup {
public:
    static constexpr BYTE PARENT_KIND_PAGE = 7; // parent kind of a page-level symbol

    // Defined in model/KVPage.cpp
    CKVPage();
    // The file info is not used.
    explicit CKVPage(CKVFileInfo* fileInfo);
    ~CKVPage() override;
    // Deletes the backup object, a whole page, when there is one.
    void DeleteBackupData() override;

    int Create(CKVFileInfo* fileInfo);

    // Blocks.
    CKVBlock* AddBlock(CKVSystem* system, LONG first, LONG count, POINT topLeft, int indent);
    // Places the new block below the last normal block.
    CKVBlock* AddBlock(CKVSystem* system, LONG first, LONG count);
    // With keepPlace 0 the block is first moved below the last normal block.
    short AddBlock(CKVBlock* block, int keepPlace);
    short RemoveBlock(short index);
    short GetBlockNum();
    CKVBlock* GetBlock(short index);
    void UpdateMeasXY();

    // Page-level symbols.
    short AddMsg(CKVMsg* msg);
    short InsertMsg(short index, CKVMsg* msg);
    CKVMsg* GetMsg(short index);
    void RemoveMsg(short index);
    short GetMsgNum();

    // Margins; each re-spreads or re-lays out every block.
    void SetLeftMargin(short d);
    void SetRightMargin(short d);
    void SetTopMargin(short d);
    void SetDownMargin(short d);
    void SetMargin(short top, short down, short left, short right);

    int IsEmptyPage();
    int IsNoStaffPage();
    CKVBlock* GetBlockOfMeas(CKVMeas* meas, short* staff);
    CRect MeasRectToPageRect(CKVMeas* meas, CRect rect);

    // Hit-tests; points relative to the printable rectangle's top-left.
    CKVMeas* GetMeasFromPoint(POINT pt, POINT* rel);
    CKVBlock* GetBlockFromPoint(POINT pt, POINT* rel);
    CKVMsg* GetCtrlPointedMsg(POINT pt, unsigned char voice, POINT extra);
    CKVBlock* GetCtrlPointedStaff(POINT pt, short* staff);
    CKVBlock* GetCtrlPointedMeas(POINT pt, short* handle, short* staff);

    int MoveBlock(CKVBlock* block, short staff, POINT pt);
    void GetMemorySize(DWORD& total);
    // The older stream form.
    int Save(CFile* file);
    int Load(CFile* file);

    // Defined in document/KVPageBackup.cpp
    // The live instance of this page.
    virtual CKVPage* GetCurBackupObj();

    // Undo.
    void ObjectBackup(int record);
    void ObjectFeedback();
    // For a command that lays the page out itself (page set-up, re-flow):
    // undo and redo of its step give each page of the pair its own edges and
    // boundaries instead of keeping those of the page going out. Nothing
    // when the open undo step holds no pair of this page.
    void KeepOwnLayout();
    CKVMsg* GetNewPtr2(CKVMsg* msg);
    CKVMsg* GetNewPtr(CKVMsg* msg);

    // Defined in document/KVPageCopy.cpp
    int CopyBlockLayoutFrom(CKVPage* source);

    // Defined in document/KVPageMemSize.cpp
    int GetPageMemSize();

    // Defined in document/KVPageRecord.cpp
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length, CKVDoc* doc);

    // Defined in edit/KVBlockLayout.cpp
    // The even spread with a left indent on every normal block.
    void UpdateStaffLeftIndent(int indent);

    // Defined in edit/KVPageFont.cpp
    void UpdateFontSize(int oldSpace, int newSpace);

    // Defined in edit/KVPageSpacing.cpp
    // Puts the normal blocks' tops at the file info's first-block offset and
    // block distance; only the block rectangles move.
    void OrderBlockSpace();
    // One undo step on every normal block: 0 left edges at 1, 1 block
    // distances, 2 staff distances, 3 even measure spread; other modes do
    // nothing.
    void BlockCenterFit(short mode);
    // Replaces each normal block by a fresh one of the same measures stacked
    // as AddBlock stacks them. Works in the caller's step: the host backs the
    // page up first, since a removed block comes back only with its page.
    void UpdateBlockPos();

    // Defined in edit/KVPageRescale.cpp
    // Moves the page and its blocks to a new resolution.
    void UpdateLogicDot(POINT newDpi, POINT oldDpi);

    // Defined in edit/KVPageSetup.cpp
    // Rescales x (scaleX) and y (scaleY) from the old printable size to the
    // new one; an old size of 0 or less leaves that axis as it is.
    void ChangePageInfo(int newWidth, int newHeight, int oldWidth, int oldHeight, int scaleX, int scaleY);

    // Defined in edit/KVPageOssia.cpp
    CKVBlock* GetSelOssiaBlock();
    // Appends an ossia block for the ossia staff at the page point: 1, or 0
    // without a staff or when the block cannot be made.
    int InsertOssia(POINT pt, int staff, int first, int last, CKVStaff* ossia);

    // Defined in edit/KVBlockStaffName.cpp
    // The first block when one of its staff-name handles holds the point,
    // with the staff's index; null otherwise (the index keeps the block's
    // answer).
    CKVBlock* GetCtrlStaffName(POINT pt, short* index);

    // Fields.
    CTypedPtrArray<CPtrArray, CKVBlock*> m_arrBlock;      // owned
    CTypedPtrArray<CPtrArray, CKVBlock*> m_arrOssiaBlock; // owned
    CTypedPtrArray<CPtrArray, CKVMsg*> m_arrMsg;          // owned page-level symbols
    CRect m_rcPrint;
    CRect m_rcSecond;                       // the printable rectangle kept by the position snapshot
    CKVDoc* m_pDoc = nullptr;
    // In memory only: set on both pages of an undo pair whose step changed
    // the page layout itself (page set-up), so that undo and redo bring back
    // each page's own edges and boundaries instead of keeping the current ones.
    bool m_bOwnLayout = false;
};
