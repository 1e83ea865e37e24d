// Bookkeeping of the undo history: what a dropped step frees, emptying the
// whole history, and the layout position snapshot.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "document/UndoKinds.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <set>
#include <vector>

namespace {

bool IsStructural(short kind)
{
    return kind == UndoEntry::kMeasInsDel || kind == UndoEntry::kStaffInsDel || kind == UndoEntry::kBlockInsDel ||
           kind == UndoEntry::kPageInsDel;
}

bool IsSnapshot(short kind)
{
    return VisitSnapshotClass(kind, [](auto) {});
}

// The object kind of an entry kind: structural kinds name their object kind
// in the low byte.
short ObjectKindOf(short kind)
{
    return IsStructural(kind) ? static_cast<short>(kind - UndoEntry::kStructural) : kind;
}

// The undo link part of an object of an object kind; null for kinds without
// one.
CKVMultiBackup* LinkPartOf(short objectKind, void* object)
{
    CKVMultiBackup* link = nullptr;
    if (object)
        VisitSnapshotClass(objectKind, [&]<class T>(std::type_identity<T>) { link = static_cast<T*>(object); });
    return link;
}

void DeleteObject(short objectKind, void* object)
{
    VisitSnapshotClass(objectKind, [&]<class T>(std::type_identity<T>) { delete static_cast<T*>(object); });
}

// Every object that the live score holds, and the undo link parts of the
// ones that can be backed up.
struct LiveTree {
    std::set<const void*> objects;
    std::vector<CKVMultiBackup*> links;

    void Add(short objectKind, void* object)
    {
        if (object && objects.insert(object).second) {
            if (CKVMultiBackup* link = LinkPartOf(objectKind, object))
                links.push_back(link);
        }
    }

    void AddStaff(CKVStaff* staff)
    {
        if (!staff)
            return;
        Add(UndoEntry::kStaff, staff);
        for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
            Add(UndoEntry::kMeas, staff->m_arrMeas.GetAt(m));
    }

    void AddStaffList(CKVStaffPtrArray* list)
    {
        if (!list)
            return;
        Add(UndoEntry::kPtrArray, static_cast<CKVBackupPtrArray*>(list));
        for (int s = 0; s < list->GetSize(); ++s)
            AddStaff(list->GetAt(s));
    }

    void AddBlock(CKVBlock* block)
    {
        Add(UndoEntry::kBlock, block);
        if (block && block->m_pStaffArray)
            Add(UndoEntry::kPtrArray, static_cast<CKVBackupPtrArray*>(block->m_pStaffArray));
    }

    explicit LiveTree(CKVDoc& doc)
    {
        for (int i = 0; i < doc.m_arrSystem.GetSize(); ++i) {
            CKVSystem* system = doc.m_arrSystem.GetAt(i);
            AddStaffList(system->m_pStaffArray);
            AddStaffList(system->m_pOssiaStaffArray);
        }
        Add(UndoEntry::kPtrArray, doc.m_pPageArray);
        for (int p = 0; p < doc.m_pPageArray->GetSize(); ++p) {
            CKVPage* page = static_cast<CKVPage*>(doc.m_pPageArray->GetAt(p));
            Add(UndoEntry::kPage, page);
            for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
                AddBlock(page->m_arrBlock.GetAt(b));
            for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
                AddBlock(page->m_arrOssiaBlock.GetAt(b));
        }
        Add(UndoEntry::kFileInfo, doc.m_pFileInfo);
        Add(UndoEntry::kPtrArray, doc.m_pSelRectArray);
    }

    bool Holds(const void* object) const { return objects.count(object) != 0; }
};

struct Target {
    short objectKind;
    void* object;
};

bool ListHolds(const CTypedPtrArray<CPtrArray, CKVMeas*>& list, const void* object)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == object)
            return true;
    }
    return false;
}

bool ListHolds(const CTypedPtrArray<CPtrArray, CKVBlock*>& list, const void* object)
{
    for (int i = 0; i < list.GetSize(); ++i) {
        if (list.GetAt(i) == object)
            return true;
    }
    return false;
}

// Whether another target deletes this object with itself: a staff its
// measures, a page its blocks.
bool HeldByTarget(const std::vector<Target>& targets, const Target& t)
{
    for (const Target& holder : targets) {
        if (holder.object == t.object)
            continue;
        if (t.objectKind == UndoEntry::kMeas && holder.objectKind == UndoEntry::kStaff &&
            ListHolds(static_cast<CKVStaff*>(holder.object)->m_arrMeas, t.object))
            return true;
        if (t.objectKind == UndoEntry::kBlock && holder.objectKind == UndoEntry::kPage) {
            CKVPage* page = static_cast<CKVPage*>(holder.object);
            if (ListHolds(page->m_arrBlock, t.object) || ListHolds(page->m_arrOssiaBlock, t.object))
                return true;
        }
    }
    return false;
}

// Whether an entry of a step other than `except` still names the object.
bool NamedByOtherStep(CKVDoc& doc, const CPtrArray* except, const void* object)
{
    auto names = [&](const CPtrArray& step) {
        if (&step == except)
            return false;
        for (int i = 0; i < step.GetSize(); ++i) {
            const UndoEntry* e = static_cast<const UndoEntry*>(step.GetAt(i));
            if (e->pObject == object || e->pPartner == object)
                return true;
        }
        return false;
    };
    if (names(doc.m_arrBackup))
        return true;
    for (POSITION pos = doc.m_listBackup.GetHeadPosition(); pos;) {
        if (names(*static_cast<const CPtrArray*>(doc.m_listBackup.GetNext(pos))))
            return true;
    }
    return false;
}

// The ids of the symbols that the live score owns, at any depth. Dropping
// an old undo step asks it of the whole score, so a set per id would make
// every edit of a long session cost many times the score's symbols: the
// ids are flags indexed by id instead.
class OwnedIds {
public:
    void insert(DWORD id)
    {
        if (id >= m_owned.size())
            m_owned.resize(static_cast<size_t>(id) + 1, 0);
        m_owned[id] = 1;
    }
    bool count(DWORD id) const { return id < m_owned.size() && m_owned[id] != 0; }
    // Room for the ids below a count, so that inserting them never grows.
    void Presize(size_t ids) { m_owned.assign(ids, 0); }

private:
    std::vector<unsigned char> m_owned;
};

void CollectOwnedIds(CKVObject* node, OwnedIds& ids, int depth)
{
    // A cycle of references would be a broken score; stop well before.
    if (!node || depth > 64)
        return;
    for (int i = 0; i < node->m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node->m_arrMsgRef.GetAt(i);
        if (!ref || !ref->byOwner)
            continue;
        ids.insert(ref->dwMsgId);
        CKVMsg* child = node->m_pSystem ? node->m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
        CollectOwnedIds(child, ids, depth + 1);
    }
}

OwnedIds LiveOwnedIds(CKVSystem* system)
{
    OwnedIds ids;
    ids.Presize(static_cast<size_t>(system->m_arrMsgMap.GetSize()));
    auto addList = [&](CKVStaffPtrArray* list) {
        if (!list)
            return;
        for (int s = 0; s < list->GetSize(); ++s) {
            CKVStaff* staff = list->GetAt(s);
            CollectOwnedIds(staff, ids, 0);
            for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
                CollectOwnedIds(staff->m_arrMeas.GetAt(m), ids, 0);
        }
    };
    addList(system->m_pStaffArray);
    addList(system->m_pOssiaStaffArray);
    return ids;
}

// Links a page's blocks or a staff's measures into the set of objects that
// go with their holder.
void AddContents(const Target& t, std::set<const CKVMultiBackup*>& gone)
{
    if (t.objectKind == UndoEntry::kStaff) {
        CKVStaff* staff = static_cast<CKVStaff*>(t.object);
        for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m)
            gone.insert(staff->m_arrMeas.GetAt(m));
    } else if (t.objectKind == UndoEntry::kPage) {
        CKVPage* page = static_cast<CKVPage*>(t.object);
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b)
            gone.insert(page->m_arrBlock.GetAt(b));
        for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
            gone.insert(page->m_arrOssiaBlock.GetAt(b));
    }
}

} // namespace

void CKVDoc::DeleteBackupData(CPtrArray* step, int oldest)
{
    if (!step)
        return;

    // Settle everything the drop deletes before deleting anything: an object
    // can be named by more than one entry, or be held by another object
    // that goes too, and must be deleted exactly once.
    const LiveTree live(*this);
    std::vector<Target> targets;
    std::vector<Target> removed; // redo mode: objects that structural entries took out
    std::set<const void*> seen;
    auto addTarget = [&](short objectKind, void* object) {
        if (object && seen.insert(object).second)
            targets.push_back(Target {objectKind, object});
    };
    for (int i = 0; i < step->GetSize(); ++i) {
        const UndoEntry* e = static_cast<const UndoEntry*>(step->GetAt(i));
        if (!e)
            continue;
        if (IsStructural(e->nKind)) {
            addTarget(ObjectKindOf(e->nKind), oldest ? e->pObject : e->pPartner);
            if (!oldest && e->pObject)
                removed.push_back(Target {ObjectKindOf(e->nKind), e->pObject});
        } else if (IsSnapshot(e->nKind)) {
            addTarget(e->nKind, oldest ? e->pObject : e->pPartner);
        }
        // The whole-document kind and unknown kinds own nothing.
    }

    std::vector<Target> doomed;
    for (const Target& t : targets) {
        // Never delete what the score still shows, nor what a staff or page
        // that goes too deletes with itself.
        if (live.Holds(t.object) || HeldByTarget(targets, t))
            continue;
        doomed.push_back(t);
    }
    // An object that a structural entry took out of a staff or page that is
    // itself gone is owned by nothing else once the step goes.
    for (const Target& t : removed) {
        if (seen.count(t.object) || live.Holds(t.object) || HeldByTarget(targets, t) ||
            NamedByOtherStep(*this, step, t.object))
            continue;
        seen.insert(t.object);
        doomed.push_back(t);
    }

    // Surviving partners must not keep a link to what goes now.
    std::set<const CKVMultiBackup*> gone;
    for (const Target& t : doomed) {
        if (CKVMultiBackup* link = LinkPartOf(t.objectKind, t.object))
            gone.insert(link);
        AddContents(t, gone);
    }
    // Only the live score is checked: the other members named by the step's
    // entries may already be gone when the history is emptied newest first.
    for (CKVMultiBackup* c : live.links) {
        if (!gone.count(c) && c->m_pBackupLink && gone.count(c->m_pBackupLink))
            c->m_pBackupLink = c;
    }

    for (const Target& t : doomed)
        DeleteObject(t.objectKind, t.object);
    for (int i = 0; i < step->GetSize(); ++i)
        delete static_cast<UndoEntry*>(step->GetAt(i));
    step->RemoveAll();
}

void CKVDoc::DeleteSlurBackupData(CPtrArray* slurStep, int oldest)
{
    if (!slurStep)
        return;
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    OwnedIds owned;
    if (master && slurStep->GetSize() > 0)
        owned = LiveOwnedIds(master);
    for (int i = 0; i < slurStep->GetSize(); ++i) {
        SlurRelinkRecord* record = static_cast<SlurRelinkRecord*>(slurStep->GetAt(i));
        if (record && master) {
            const DWORD id = oldest ? record->dwOldRef : record->dwNewRef;
            // A symbol that the score still owns stays, whatever the record
            // says.
            CKVMsg* msg = id && !owned.count(id) ? master->GetMsgFromMap(id) : nullptr;
            delete msg;
        }
        delete record;
    }
    slurStep->RemoveAll();
}

int CKVDoc::RemoveFromBackupArray(CPtrArray* step, int byObject, void* target, int structural)
{
    if (!step)
        return 0;
    int removed = 0;
    for (int i = 0; i < step->GetSize();) {
        UndoEntry* e = static_cast<UndoEntry*>(step->GetAt(i));
        const bool kindMatches = e && (IsStructural(e->nKind) == (structural == 1));
        const void* field = e ? (byObject ? e->pObject : e->pPartner) : nullptr;
        if (kindMatches && field == target) {
            delete e;
            step->RemoveAt(i);
            ++removed;
        } else {
            ++i;
        }
    }
    return removed;
}

void CKVDoc::ResetMultiBackList()
{
    if (m_bBackupOpen)
        StartNewUndoRedo();
    while (m_nUndoneCount > 0 && !m_listBackup.IsEmpty()) {
        CPtrArray* step = static_cast<CPtrArray*>(m_listBackup.RemoveTail());
        CPtrArray* slurStep =
            m_listSlurBackup.IsEmpty() ? nullptr : static_cast<CPtrArray*>(m_listSlurBackup.RemoveTail());
        DeleteBackupData(step, 0);
        delete step;
        if (slurStep) {
            DeleteSlurBackupData(slurStep, 0);
            delete slurStep;
        }
        --m_nUndoneCount;
    }
    m_nUndoneCount = 0;
    while (!m_listBackup.IsEmpty()) {
        CPtrArray* step = static_cast<CPtrArray*>(m_listBackup.RemoveTail());
        CPtrArray* slurStep =
            m_listSlurBackup.IsEmpty() ? nullptr : static_cast<CPtrArray*>(m_listSlurBackup.RemoveTail());
        DeleteBackupData(step, 1);
        delete step;
        if (slurStep) {
            DeleteSlurBackupData(slurStep, 1);
            delete slurStep;
        }
    }
    // Relink records left open without an entry (a tie removed by a command
    // that backed nothing up) would otherwise outlive the history.
    if (m_arrSlurBackup.GetSize() > 0)
        DeleteSlurBackupData(&m_arrSlurBackup, 1);
}

namespace {

// Saves (save) or restores the positions of every symbol, measure, block
// and page of the document in the objects' spare fields.
void SnapshotPositions(CKVDoc& doc, bool save)
{
    auto symbol = [save](CKVMsg* msg) {
        if (!msg)
            return;
        if (save)
            msg->BackupPosition();
        else
            msg->FeedBackPosition();
    };
    auto staves = [&](CKVStaffPtrArray* list) {
        if (!list)
            return;
        for (int s = 0; s < list->GetSize(); ++s) {
            CKVStaff* staff = list->GetAt(s);
            for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m) {
                CKVMeas* meas = staff->m_arrMeas.GetAt(m);
                for (short i = 0; i < meas->GetMsgNum(); ++i)
                    symbol(meas->GetMsg(i));
                KeepPosition(save, meas->m_nLeftX, meas->m_nSaveLeftX);
                KeepPosition(save, meas->m_nStaffY, meas->m_nSaveStaffY);
                KeepPosition(save, meas->m_rcMeas, meas->m_rcSecond);
                KeepPosition(save, meas->m_nHeaderWidth, meas->m_nSaveHeaderWidth);
                KeepPosition(save, meas->m_nRealWidth, meas->m_nSaveRealWidth);
            }
        }
    };
    auto blocks = [save](CTypedPtrArray<CPtrArray, CKVBlock*>& list) {
        for (int b = 0; b < list.GetSize(); ++b) {
            CKVBlock* block = list.GetAt(b);
            KeepPosition(save, block->m_rcBlock, block->m_rcSecond);
            KeepPosition(save, block->m_nLeftIndent, block->m_nSaveLeftIndent);
            // Boundaries saved before a measure was added or removed no
            // longer fit the block.
            if (save)
                block->m_arrSecond.Copy(block->m_arrMeasX);
            else if (block->m_arrSecond.GetSize() == block->m_arrMeasX.GetSize())
                block->m_arrMeasX.Copy(block->m_arrSecond);
        }
    };

    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    if (master) {
        staves(master->m_pStaffArray);
        staves(master->m_pOssiaStaffArray);
    }
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        KeepPosition(save, page->m_rcPrint, page->m_rcSecond);
        for (int i = 0; i < page->m_arrMsg.GetSize(); ++i)
            symbol(page->m_arrMsg.GetAt(i));
        blocks(page->m_arrBlock);
        blocks(page->m_arrOssiaBlock);
    }
}

} // namespace

void CKVDoc::BackupPoisition()
{
    SnapshotPositions(*this, true);
}

void CKVDoc::FeedBackPosition()
{
    SnapshotPositions(*this, false);
}
