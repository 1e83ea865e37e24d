// Making an ossia staff: a copy of a run of a staff's measures.

#include "model/KVSystem.h"

#include "document/BackupState.h"
#include "document/CopyMsgMap.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <set>

namespace {

constexpr short kOssiaObjKind = 4;

bool IsDrumKind(BYTE kind)
{
    return kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND || kind == CKVStaff::KIND_ONE_LINE;
}

// Ties, slurs and tuplets among the copies name the copied notes; then the
// copies drop the ties and slurs that still reach the shadowed staff.
void FixUpOssiaCopies(CKVSystem& system)
{
    kvcopy::FixUpCopiedLinks(&system);
    CDWordArray copies;
    GetCopyMsgMapValues(copies);
    // A tie or slur that reaches a note outside the run leaves the copied
    // note that holds it; the note of the shadowed staff keeps its tie.
    const std::set<DWORD> copied(copies.GetData(), copies.GetData() + copies.GetSize());
    for (int i = 0; i < copies.GetSize(); ++i) {
        CKVMsg* note = system.GetMsgFromMap(copies.GetAt(i));
        if (!note || note->m_byKind != MSG_NOTE)
            continue;
        bool dropped = false;
        for (short k = static_cast<short>(note->m_arrMsgRef.GetSize() - 1); k >= 0; --k) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(k);
            CKVMsg* link = ref ? system.GetMsgFromMap(ref->dwMsgId) : nullptr;
            if (!link || link == note || (link->m_byKind != MSG_TIE && link->m_byKind != MSG_SLUR))
                continue;
            if (copied.count(link->m_dwMsgId) && copied.count(link->m_dwWord) &&
                copied.count(static_cast<DWORD>(link->m_lHeight)))
                continue;
            if (ref->byOwner)
                note->RemoveMsgAt(k);
            else
                note->RemoveAt(k);
            dropped = true;
        }
        if (dropped)
            tielink::ClearLonelyTieFlags(*note);
    }
    // A note copied before the note that owns its tie or slur made a copy of
    // its own, which went above as the map names the owner's; it refers to
    // the owner's copy instead.
    for (int i = 0; i < copies.GetSize(); ++i) {
        CKVMsg* note = system.GetMsgFromMap(copies.GetAt(i));
        if (!note || note->m_byKind != MSG_NOTE)
            continue;
        for (short k = 0; k < note->m_arrMsgRef.GetSize(); ++k) {
            const MsgRef* ref = note->m_arrMsgRef.GetAt(k);
            CKVMsg* link = ref && ref->byOwner ? system.GetMsgFromMap(ref->dwMsgId) : nullptr;
            if (!link || !tickmath::IsTieOrSlur(*link) || tielink::StartOf(*link) != note)
                continue;
            CKVMsg* end = tielink::EndOf(*link);
            if (!end || end == note || !copied.count(end->m_dwMsgId) || tielink::IndexOfChild(*end, link) >= 0)
                continue;
            if (end->TemporaryMsg(link) != 0 && link->m_byKind == MSG_TIE)
                end->m_wFlag = static_cast<WORD>(end->m_wFlag | MSGFLAG_TIE_END);
        }
    }
    // The ties and slurs themselves are settled: detaching one that reached
    // the shadowed staff would take the tie flag off that staff's note.
    for (int i = 0; i < copies.GetSize(); ++i) {
        CKVMsg* msg = system.GetMsgFromMap(copies.GetAt(i));
        if (msg && msg->m_byKind != MSG_TIE && msg->m_byKind != MSG_SLUR)
            msg->DeleteInvalidSlurMsg();
    }
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
}

} // namespace

CKVStaff* CKVSystem::InsertOssia(int staff, int first, int last, unsigned char attr, unsigned long unused)
{
    CKVStaff* model = staff >= 0 && staff < GetStaffNum() ? GetStaff(static_cast<short>(staff)) : nullptr;
    return model ? InsertOssia(model, first, last, attr, unused) : nullptr;
}

CKVStaff* CKVSystem::InsertOssia(CKVStaff* model, int first, int last, unsigned char attr, unsigned long)
{
    if (!model || !m_pOssiaStaffArray || first < 0 || last < first || last >= model->GetMeasNum())
        return nullptr;
    CKVStaff* staff = KvNewReported<CKVStaff>();
    if (!staff)
        return nullptr;
    staff->Initialize(this, kOssiaObjKind);
    staff->m_pParent = this;
    staff->m_byParentKind = m_byObjKind;
    m_pOssiaStaffArray->Add(staff);
    AddObj2BackupArray(UndoEntry::kStaffInsDel, staff, 1);
    if (!staff->Create(last - first + 1, model->m_byClefType, 4, 4))
        return nullptr;
    staff->m_byStaffKind = model->m_byStaffKind;
    if (IsDrumKind(model->m_byStaffKind)) {
        unsigned char* head = nullptr;
        if (model->GetHead(&head) == CKVStaff::DRUM_KIT_RECORD_SIZE && head)
            staff->SetHead(CKVStaff::DRUM_KIT_RECORD_SIZE, head);
    }
    staff->m_byDisplayFlags = attr;

    // The copies get new ids; the copied-message map pairs them with the
    // ids they were copied from.
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
    // The end of a tie or slur names the copy its owner made through the
    // copy-pointer map, which must not hold another copy's pairs.
    ClearCopyPtrMap();
    SetKeepIds(0);
    bool copied = true;
    for (int k = 0; copied && k <= last - first; ++k) {
        CKVMeas* from = model->GetMeas(first + k);
        CKVMeas* meas = staff->GetMeas(k);
        if (!from || !meas)
            continue;
        meas->m_pSystem = from->m_pSystem;
        copied = meas->CreateFromEqually(from) != 0;
    }
    SetKeepIds(1);
    FixUpOssiaCopies(*this);
    return copied ? staff : nullptr;
}
