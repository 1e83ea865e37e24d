// Undo clones of whole staves and the swap of a staff pair in the system's
// lists, the blocks, the cursor and the selection.

#include "model/KVStaff.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "document/BackupState.h"
#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiFileRead.h"
#include "model/NewObject.h"

namespace {

// The staff and each of its measures stay live and linked to themselves.
void SelfLink(CKVStaff& staff)
{
    staff.m_pBackupLink = &staff;
    for (int i = 0; i < staff.m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = staff.m_arrMeas.GetAt(i))
            meas->m_pBackupLink = meas;
    }
}

int IndexIn(CKVStaffPtrArray* list, CKVStaff* staff)
{
    if (!list)
        return -1;
    for (int i = 0; i < list->GetSize(); ++i) {
        if (list->GetAt(i) == staff)
            return i;
    }
    return -1;
}

// Puts the partner in every staff slot and per-staff entry of the blocks of
// one kind.
void ReplaceInBlocks(CKVDoc& doc, CKVStaff* leaving, CKVStaff* partner, bool ossia)
{
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        if (!page)
            continue;
        auto& blocks = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
        const BYTE kind = ossia ? CKVBlock::KIND_OSSIA : CKVBlock::KIND_NORMAL;
        for (int b = 0; b < blocks.GetSize(); ++b) {
            CKVBlock* block = blocks.GetAt(b);
            if (!block || block->m_byKind != kind)
                continue;
            if (CKVStaffPtrArray* staves = block->m_pStaffArray) {
                for (int s = 0; s < staves->GetSize(); ++s) {
                    if (staves->GetAt(s) == leaving)
                        staves->SetAt(s, partner);
                }
            }
            for (int e = 0; e < block->m_arrStaffEntry.GetSize(); ++e) {
                BlockStaffEntry* entry = block->m_arrStaffEntry.GetAt(e);
                if (entry && entry->pStaff == leaving)
                    entry->pStaff = partner;
            }
        }
    }
}

// The measure a symbol lies in, climbing through its containers.
CKVMeas* MeasOf(CKVMsg* msg)
{
    CKVObject* node = msg ? msg->m_pParent : nullptr;
    while (node && node->m_byObjKind == OBJ_MSG)
        node = node->m_pParent;
    return node && node->m_byObjKind == OBJ_MEAS ? static_cast<CKVMeas*>(node) : nullptr;
}

// A symbol of a measure of the leaving staff, translated to the live copy.
CKVMsg* Translate(CKVMsg* msg, CKVStaff* staff)
{
    CKVMeas* meas = MeasOf(msg);
    if (!meas || meas->m_pParent != staff)
        return msg;
    return meas->GetNewPtr2(msg);
}

} // namespace

int CKVStaff::ObjectBackup(int record, int crossStaff)
{
    CKVDoc* doc = DocOf(*this);
    if (!doc || !doc->IsReqBackup()) {
        m_pBackupLink = this;
        return 0;
    }
    CKVStaff* clone = KvNewChild<CKVStaff>(m_pSystem, OBJ_STAFF, m_pParent, m_byParentKind);
    if (!clone) {
        SelfLink(*this);
        return 0;
    }
    const int relinksBefore = doc->m_arrSlurBackup.GetSize();
    SetKeepIds(0);
    const int copied = clone->CreateFrom(this);
    SetKeepIds(1);
    if (!copied) {
        DropRelinksFrom(doc, relinksBefore);
        delete clone;
        SelfLink(*this);
        return 0;
    }

    m_pBackupLink = clone;
    clone->m_pBackupLink = this;
    for (int i = 0; i < m_arrMeas.GetSize() && i < clone->m_arrMeas.GetSize(); ++i) {
        CKVMeas* meas = m_arrMeas.GetAt(i);
        CKVMeas* copy = clone->m_arrMeas.GetAt(i);
        meas->m_pBackupLink = copy;
        copy->m_pBackupLink = meas;
    }

    if (crossStaff) {
        // A cross-staff note draws into the neighbour, which must come back
        // with this staff.
        for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
            CKVMeas* meas = m_arrMeas.GetAt(i);
            CKVMeas* up = meas->GetUpMeas();
            CKVMeas* down = meas->GetDownMeas();
            if (up && up->m_arrDownMsg.GetSize() > 0)
                up->ObjectBackup(kBackupRecorded, kBackupAlone);
            else if (down && down->m_arrUpMsg.GetSize() > 0)
                down->ObjectBackup(kBackupRecorded, kBackupAlone);
        }
    }

    if (record && !m_pSystem->Backup(UndoEntry::kStaff, this)) {
        // No step took the pair; nothing would ever free the clone.
        DropRelinksFrom(doc, relinksBefore);
        delete clone;
        SelfLink(*this);
        return 0;
    }
    return 1;
}

void CKVStaff::ObjectFeedback()
{
    if (GetMidiFileRead() || !m_pBackupLink || m_pBackupLink == this)
        return;
    CKVStaff* partner = static_cast<CKVStaff*>(m_pBackupLink);
    SetCurrentFlag2BackupObj();

    CKVDoc* doc = DocOf(*this);
    if (doc) {
        if (doc->m_pCurStaff == this)
            doc->m_pCurStaff = partner;
        if (doc->m_pCurMeas && doc->m_pCurMeas->m_pParent == this) {
            const int index = measplace::IndexOnStaff(this, doc->m_pCurMeas);
            if (CKVMeas* meas = measplace::MeasAt(partner, index))
                doc->m_pCurMeas = meas;
        }
        if (doc->m_pCusorStaff == this) {
            doc->m_pCusorStaff = nullptr;
            doc->m_pCusorMeas = nullptr;
        }
        // The grouping pointers would otherwise name symbols of a staff that
        // leaves the tree (and is freed when its step is dropped).
        doc->m_pLastMember = Translate(doc->m_pLastMember, this);
        doc->m_pLastGroup = Translate(doc->m_pLastGroup, this);
    }

    CKVSystem* system = m_pSystem;
    int index = system ? IndexIn(system->m_pStaffArray, this) : -1;
    if (index >= 0) {
        system->m_pStaffArray->SetAt(index, partner);
        if (doc)
            ReplaceInBlocks(*doc, this, partner, false);
    } else if ((index = system ? IndexIn(system->m_pOssiaStaffArray, this) : -1) >= 0) {
        system->m_pOssiaStaffArray->SetAt(index, partner);
        partner->m_pBackupLink = this;
        if (doc)
            ReplaceInBlocks(*doc, this, partner, true);
    }
    // A staff in neither list was already replaced there by a list swap of
    // the whole document; the selection still has to follow it.

    if (!doc || !doc->m_pSelRectArray)
        return;
    CKVBackupPtrArray* records = doc->m_pSelRectArray;
    for (int i = 0; i < records->GetSize();) {
        SelRect* rec = static_cast<SelRect*>(records->GetAt(i));
        if (rec && rec->pStaff == this)
            rec->pStaff = partner;
        if (rec && rec->pMeas && rec->pMeas->m_pParent == this) {
            CKVMeas* meas = measplace::MeasAt(partner, measplace::IndexOnStaff(this, rec->pMeas));
            if (!meas) {
                // Its measure left the staff; nothing to show it on.
                records->RemoveAt(i);
                delete rec;
                continue;
            }
            rec->pMeas = meas;
        }
        ++i;
    }
    doc->m_bSelected = records->GetSize() > 0;
}

void CKVStaff::SetCurrentFlag2BackupObj()
{
    CKVMultiBackup::SetCurrentFlag2BackupObj();
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = m_arrMeas.GetAt(i))
            meas->SetCurrentFlag2BackupObj();
    }
    // A measure's own link may name the other member of an earlier measure
    // step, undone and redone since this staff's step was made, instead of
    // its copy in the staff coming in; the measures that staff shows are the
    // live ones either way.
    auto* partner = static_cast<CKVStaff*>(m_pBackupLink);
    if (!partner || partner == this)
        return;
    for (int i = 0; i < partner->m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = partner->m_arrMeas.GetAt(i))
            meas->m_nCurrent = 1;
    }
}

void CKVStaff::SlurFeedback(void* slurStep)
{
    bool replayed = false;
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (CKVMeas* meas = m_arrMeas.GetAt(i)) {
            meas->SlurFeedback(slurStep);
            replayed = true;
        }
    }
    // A staff whose measures the step deleted, every one of them, still
    // turns the links of the copies it made of them.
    if (!replayed)
        ReplaySlurStep(m_pSystem, static_cast<CPtrArray*>(slurStep));
}
