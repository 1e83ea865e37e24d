// Undo clones of a block's layout and the swap of a block pair in its page.

#include "model/KVBlock.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVCtrlPoint.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"
#include "model/MidiFileRead.h"
#include "model/NodeDoc.h"

namespace {

// New copies of a handle list; false when memory ran out (what was copied
// stays in `to` for its owner to free).
bool CopyHandles(const CTypedPtrArray<CPtrArray, CKVCtrlPoint*>& from, CTypedPtrArray<CPtrArray, CKVCtrlPoint*>& to)
{
    for (int i = 0; i < from.GetSize(); ++i) {
        const CKVCtrlPoint* source = from.GetAt(i);
        CKVCtrlPoint* copy = nullptr;
        if (source) {
            copy = KvNew<CKVCtrlPoint>();
            if (!copy)
                return false;
            *copy = *source;
        }
        to.Add(copy);
    }
    return true;
}

// The layout copy; false when memory ran out.
bool CopyLayout(CKVBlock& from, CKVBlock& to)
{
    to.m_byKind = from.m_byKind;
    to.m_nFirstMeas = from.m_nFirstMeas;
    to.m_nMeasCount = from.m_nMeasCount;
    to.m_nNominalMeasCount = from.m_nNominalMeasCount;
    to.m_nLeftIndent = from.m_nLeftIndent;
    to.m_pPage = from.m_pPage;
    to.m_pSystem = from.m_pSystem;
    to.m_rcBlock = from.m_rcBlock;
    to.m_arrMeasX.Copy(from.m_arrMeasX);
    to.m_arrStaffY.Copy(from.m_arrStaffY);
    if (from.m_pStaffArray && to.m_pStaffArray)
        to.m_pStaffArray->Copy(*from.m_pStaffArray);
    if (!CopyHandles(from.m_arrStaffCtrl, to.m_arrStaffCtrl) || !CopyHandles(from.m_arrMeasCtrl, to.m_arrMeasCtrl))
        return false;
    for (int i = 0; i < from.m_arrStaffEntry.GetSize(); ++i) {
        const BlockStaffEntry* source = from.m_arrStaffEntry.GetAt(i);
        BlockStaffEntry* copy = nullptr;
        if (source && !(copy = KvNew<BlockStaffEntry>(*source)))
            return false;
        to.m_arrStaffEntry.Add(copy);
    }
    for (int i = 0; i < from.m_arrStaffNamePoint.GetSize(); ++i) {
        const POINT* source = from.m_arrStaffNamePoint.GetAt(i);
        POINT* copy = nullptr;
        if (source && !(copy = KvNew<POINT>(*source)))
            return false;
        to.m_arrStaffNamePoint.Add(copy);
    }
    if (to.m_arrStaffNamePoint.GetSize() > 0)
        to.MakeStaffNameRect();
    return true;
}

} // namespace

int CKVBlock::ObjectBackup(int record)
{
    CKVDoc* doc = DocOf(*this);
    if (!doc || !doc->IsReqBackup()) {
        m_pBackupLink = this;
        return 0;
    }
    if (!CheckAvailableMemory(GetBlockMemSize()))
        return 0;
    CKVBlock* clone = KvNew<CKVBlock>();
    if (!clone || !CopyLayout(*this, *clone)) {
        ReportOutOfMemory(1);
        delete clone;
        m_pBackupLink = this;
        return 0;
    }
    m_pBackupLink = clone;
    clone->m_pBackupLink = this;
    if (record == 1) {
        if (!doc->AddBackup(UndoEntry::kBlock, this)) {
            // No step took the pair; nothing would ever free the clone.
            delete clone;
            m_pBackupLink = this;
            return 0;
        }
        doc->m_bModified = 1;
    }
    return 1;
}

void CKVBlock::ObjectFeedback()
{
    if (GetMidiFileRead() || !m_pBackupLink || m_pBackupLink == this)
        return;
    CKVBlock* partner = static_cast<CKVBlock*>(m_pBackupLink);
    SetCurrentFlag2BackupObj();
    CKVPage* page = m_pPage;
    if (!page)
        return;
    int slot = -1;
    auto* list = &page->m_arrBlock;
    for (int i = 0; i < list->GetSize() && slot < 0; ++i) {
        if (list->GetAt(i) == this)
            slot = i;
    }
    if (slot < 0) {
        list = &page->m_arrOssiaBlock;
        for (int i = 0; i < list->GetSize() && slot < 0; ++i) {
            if (list->GetAt(i) == this)
                slot = i;
        }
    }
    if (slot < 0)
        return;
    list->SetAt(slot, partner);
    partner->UpdateMeasXY(1, kSkipCrossStaff, kWithoutBackup);

    CKVDoc* doc = DocOf(*this);
    if (!doc)
        return;
    // The cursor must not keep a block that leaves the page: a dropped step
    // frees it.
    if (doc->m_pCurBlock == this)
        doc->m_pCurBlock = partner;
    if (doc->m_pCusorBlock == this)
        doc->m_pCusorBlock = partner;
    if (doc->m_pSelRectArray) {
        for (int i = 0; i < doc->m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = static_cast<SelRect*>(doc->m_pSelRectArray->GetAt(i));
            if (rec && rec->pBlock == this)
                rec->pBlock = partner;
        }
    }
}
