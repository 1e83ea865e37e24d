// The undo history of a document: recording entries into the open step,
// closing steps, and replaying a step backwards (undo) or forwards (redo).

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/BackupState.h"
#include "document/CopyPtrMap.h"
#include "document/DocLock.h"
#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "document/UndoKinds.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/MidiFileRead.h"
#include "model/NewObject.h"

#include <new>

namespace {

// The most steps the history keeps.
constexpr int kMaxSteps = 32;

// The element at position n (1 = the tail) counted from the tail; null when
// the list is shorter.
void* FromTail(CPtrList& list, int n)
{
    if (n < 1 || n > list.GetCount())
        return nullptr;
    POSITION pos = list.GetTailPosition();
    void* value = nullptr;
    for (int i = 0; i < n && pos; ++i)
        value = list.GetPrev(pos);
    return value;
}

// Drops the undone steps at the tail: they can never be redone again.
void DropRedoSteps(CKVDoc& doc)
{
    while (doc.m_nUndoneCount > 0 && !doc.m_listBackup.IsEmpty()) {
        CPtrArray* step = static_cast<CPtrArray*>(doc.m_listBackup.RemoveTail());
        CPtrArray* slurStep =
            doc.m_listSlurBackup.IsEmpty() ? nullptr : static_cast<CPtrArray*>(doc.m_listSlurBackup.RemoveTail());
        doc.DeleteBackupData(step, 0);
        delete step;
        if (slurStep) {
            doc.DeleteSlurBackupData(slurStep, 0);
            delete slurStep;
        }
        --doc.m_nUndoneCount;
    }
    doc.m_nUndoneCount = 0;
}

// Drops the oldest steps until fewer than the most remain, so that one more
// can be appended.
void TrimOldSteps(CKVDoc& doc)
{
    while (doc.m_listBackup.GetCount() >= kMaxSteps) {
        CPtrArray* step = static_cast<CPtrArray*>(doc.m_listBackup.RemoveHead());
        CPtrArray* slurStep =
            doc.m_listSlurBackup.IsEmpty() ? nullptr : static_cast<CPtrArray*>(doc.m_listSlurBackup.RemoveHead());
        doc.DeleteBackupData(step, 1);
        delete step;
        if (slurStep) {
            doc.DeleteSlurBackupData(slurStep, 1);
            delete slurStep;
        }
    }
}

// Fills the cursor fields of a new entry from the document.
void TakeCursor(CKVDoc& doc, UndoEntry& entry)
{
    entry.nPage = static_cast<short>(doc.GetCurrentPageNum());
    entry.nBlock = doc.m_nCurBlock;
    entry.nStaff = doc.m_nCurStaff;
    entry.nMeas = doc.m_nCaretMeasNum;
}

void Swap(short& a, short& b)
{
    const short t = a;
    a = b;
    b = t;
}

// The object a backed-up object is linked to: its clone.
template <class T>
void* LinkOf(void* object)
{
    return static_cast<T*>(static_cast<T*>(object)->m_pBackupLink);
}

// A new clone names the object it was made from; the object's feedback
// then makes the clone live. Gives the object.
template <class T>
T* LinkBack(void* object, void* clone)
{
    static_cast<T*>(clone)->m_pBackupLink = static_cast<T*>(object);
    return static_cast<T*>(object);
}

// Links the member that stops being live to the one that becomes live, so
// that its feedback puts that one into the tree. Null when either is missing.
template <class T>
T* HandOver(void* leaving, void* coming)
{
    T* object = static_cast<T*>(leaving);
    if (!object || !coming)
        return nullptr;
    object->m_pBackupLink = static_cast<T*>(coming);
    return object;
}

// Puts one member of an entry's pair back into the tree. `leaving` is the
// member that stops being live, `coming` the one that becomes live.
void FeedEntry(CKVDoc& doc, UndoEntry& entry, bool undo, void* slurStep)
{
    void* leaving = undo ? entry.pPartner : entry.pObject;
    void* coming = undo ? entry.pObject : entry.pPartner;
    if (entry.nKind == UndoEntry::kDocument) {
        doc.ObjectFeedBack();
        return;
    }
    // Structural entries only move the cursor; the owners' snapshots of the
    // same step bring the structure back.
    VisitSnapshotClass(entry.nKind, [&]<class T>(std::type_identity<T>) {
        T* object = HandOver<T>(leaving, coming);
        if (!object)
            return;
        FeedBackSnapshot(*object);
        // Measures and staves also turn the tie and slur links of the step.
        if constexpr (requires { object->SlurFeedback(slurStep); })
            object->SlurFeedback(slurStep);
    });
}

// Rescales the score when a replayed file info brought another font height.
void SettleFontHeight(CKVDoc& doc, short keptHeight, short keptSpace)
{
    if (doc.m_nFontHeight == keptHeight)
        return;
    const int height = doc.m_nFontHeight;
    doc.m_nFontHeight = keptHeight;
    doc.m_nStaffSpace = keptSpace;
    doc.UpdatePosYA(height, 1);
}

// Replays a step: undo walks its entries from the last to the first, redo
// from the first to the last. Each entry swaps the cursor with the one it
// holds (redo keeps the block index: the jumps that end the replay set it
// again) and puts its member back into the tree.
void ReplayStep(CKVDoc& doc, CPtrArray& step, void* slurStep, bool undo)
{
    const short keptHeight = doc.m_nFontHeight;
    const short keptSpace = doc.m_nStaffSpace;
    const int count = step.GetSize();
    for (int n = 0; n < count; ++n) {
        UndoEntry* entry = static_cast<UndoEntry*>(step.GetAt(undo ? count - 1 - n : n));
        short page = static_cast<short>(doc.GetCurrentPageNum());
        Swap(page, entry->nPage);
        doc.m_nCurPage = page;
        if (undo)
            Swap(doc.m_nCurBlock, entry->nBlock);
        Swap(doc.m_nCurStaff, entry->nStaff);
        Swap(doc.m_nCaretMeasNum, entry->nMeas);
        FeedEntry(doc, *entry, undo, slurStep);
    }
    SettleFontHeight(doc, keptHeight, keptSpace);
}

// Shows the cursor that the replay left: its page and, on a page with staves,
// its measure.
void JumpToCursor(CKVDoc& doc)
{
    // The step just replayed put back pages, blocks, staves and measures
    // and sent the ones the cursor and the records were made on into the
    // history: neither may go on naming those.
    doc.DropStaleSelRects();
    doc.DropStaleCursor();
    // JumpToPage resets the caret measure number.
    const short measure = doc.m_nCaretMeasNum;
    doc.JumpToPage(doc.m_nCurPage);
    CKVPage* page = doc.m_nCurPage >= 0 ? doc.GetPage(doc.m_nCurPage) : nullptr;
    if (page && !page->IsNoStaffPage())
        doc.JumpToMeas(measure);
    doc.DropStaleCursor();
}

} // namespace

void CKVDoc::ResetBackup()
{
    ClearCopyPtrMap();
    StartNewUndoRedo();
    // The mouse cursor pack may name objects that the next backup replaces.
    m_pCusorMeas = nullptr;
    m_pCusorStaff = nullptr;
}

void CKVDoc::StartNewUndoRedo()
{
    {
        DocLock lock(m_pCritSection);
        if (!m_listBackup.IsEmpty())
            DropRedoSteps(*this);
        // Only a step that is appended pushes the oldest one out: a command
        // that recorded nothing leaves the history as it was.
        if (m_arrBackup.GetSize() > 0)
            TrimOldSteps(*this);
        if (m_arrBackup.GetSize() > 0) {
            CPtrArray* step = new (std::nothrow) CPtrArray;
            CPtrArray* slurStep = new (std::nothrow) CPtrArray;
            if (!step || !slurStep) {
                // The step stays open; the next close tries again.
                delete step;
                delete slurStep;
                ReportOutOfMemory(1);
            } else {
                step->Append(m_arrBackup);
                slurStep->Append(m_arrSlurBackup);
                m_listBackup.AddTail(step);
                m_listSlurBackup.AddTail(slurStep);
                m_arrBackup.RemoveAll();
                m_arrSlurBackup.RemoveAll();
                m_bBackupOpen = 0;
            }
        }
    }
    m_bHostNotice = 1;
}

void CKVDoc::RemoveRedo()
{
    DocLock lock(m_pCritSection);
    if (m_listBackup.IsEmpty())
        return;
    DropRedoSteps(*this);
    TrimOldSteps(*this);
}

void CKVDoc::MultiUndoStart()
{
    SetReplayDirection(1);
    if (m_bBackupOpen)
        StartNewUndoRedo();
    if (!IsMultiEnableUndo())
        return;

    DocLock lock(m_pCritSection);
    CPtrArray* step = static_cast<CPtrArray*>(FromTail(m_listBackup, m_nUndoneCount + 1));
    if (!step)
        return;
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    void* slurStep = FromTail(m_listSlurBackup, m_nUndoneCount + 1);

    ReplayStep(*this, *step, slurStep, true);
    ++m_nUndoneCount;
    JumpToCursor(*this);
    m_bHostNotice = 1;
}

void CKVDoc::MultiRedoStart()
{
    SetReplayDirection(0);
    if (m_bBackupOpen)
        StartNewUndoRedo();
    if (!IsMultiEnableRedo())
        return;

    DocLock lock(m_pCritSection);
    CPtrArray* step = static_cast<CPtrArray*>(FromTail(m_listBackup, m_nUndoneCount));
    if (!step)
        return;
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    void* slurStep = FromTail(m_listSlurBackup, m_nUndoneCount);

    ReplayStep(*this, *step, slurStep, false);
    --m_nUndoneCount;
    JumpToCursor(*this);
    m_bHostNotice = 1;
}

void CKVDoc::MultiUndoEnd()
{
}

void CKVDoc::MultiRedoEnd()
{
}

void CKVDoc::DataInputStart()
{
}

int CKVDoc::Feedback()
{
    return 1;
}

int CKVDoc::IsMultiEnableUndo()
{
    if (!m_bBackupRecord || GetMidiFileRead())
        return 0;
    const int closed = m_listBackup.GetCount();
    if (m_nUndoneCount < closed)
        return 1;
    return closed == 0 && m_arrBackup.GetSize() > 0 ? 1 : 0;
}

int CKVDoc::IsMultiEnableRedo()
{
    return m_nUndoneCount > 0 ? 1 : 0;
}

int CKVDoc::IsReqBackup()
{
    return m_bBackupRecord && !GetMidiFileRead() ? 1 : 0;
}

bool CKVDoc::IsMeasInOpenStep(const CKVMeas* meas) const
{
    // A staff's copy holds its measures.
    const void* staff = meas ? meas->m_pParent : nullptr;
    for (int i = 0; meas && i < m_arrBackup.GetSize(); ++i) {
        const UndoEntry* entry = m_arrBackup.GetAt(i);
        if (entry && ((entry->nKind == UndoEntry::kMeas && entry->pPartner == meas) ||
                      (entry->nKind == UndoEntry::kStaff && staff && entry->pPartner == staff)))
            return true;
        // A staff's copy holds copies of all its measures.
        if (entry && entry->nKind == UndoEntry::kStaff && entry->pPartner == meas->m_pParent)
            return true;
    }
    return false;
}

int CKVDoc::AddBackup(short kind, void* object)
{
    if (!IsReqBackup() || !object)
        return 0;

    // The clone that becomes live; for the document itself there is none.
    void* clone = nullptr;
    if (kind == UndoEntry::kDocument)
        clone = this;
    else if (!VisitSnapshotClass(kind, [&]<class T>(std::type_identity<T>) { clone = LinkOf<T>(object); }))
        return 0;
    // An object without a clone of its own has nothing to record.
    if (!clone || (clone == object && kind != UndoEntry::kDocument))
        return 0;

    UndoEntry* entry = KvNewReported<UndoEntry>();
    if (!entry)
        return 0;
    entry->nKind = kind;
    entry->pObject = object;
    entry->pPartner = clone;
    TakeCursor(*this, *entry);

    if (kind == UndoEntry::kDocument) {
        ObjectFeedBack();
    } else {
        VisitSnapshotClass(kind, [&]<class T>(std::type_identity<T>) {
            FeedBackSnapshot(*LinkBack<T>(object, clone));
        });
    }
    m_arrBackup.Add(entry);
    m_bBackupOpen = 1;
    return 1;
}

int CKVDoc::AddObj2BackupArray(short kind, void* object, int inserted)
{
    if (!IsReqBackup())
        return 0;
    UndoEntry* entry = KvNewReported<UndoEntry>();
    if (!entry) {
        // Not taken: the caller deletes a removed object itself.
        return 0;
    }
    entry->nKind = kind;
    if (inserted)
        entry->pPartner = object;
    else
        entry->pObject = object;
    TakeCursor(*this, *entry);
    m_arrBackup.Add(entry);
    m_bBackupOpen = 1;
    return 1;
}

void CKVDoc::ResetBackupData()
{
    // The open step is discarded the way an oldest step is dropped: the
    // states from before its changes go, the live clones stay and are left
    // linked to themselves. Those changes can no longer be undone.
    DeleteBackupData(&m_arrBackup, 1);
    DeleteSlurBackupData(&m_arrSlurBackup, 1);
    m_bBackupOpen = 0;
}
