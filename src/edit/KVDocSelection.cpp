// The selection collection: the ids of the symbols the selection records
// cover, the selected symbols looked up by place, and the first selected
// note, rest or beam group of a voice.

#include "document/KVDoc.h"

#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

#include <vector>

namespace {

// What a collection takes: every symbol with a handle, or (one record) only
// notes, rests, chords and beam groups, marking the chord notes it takes.
enum class Reach { AllKinds, NotesOnly };

// Collects the ids of one measure's symbols that lie in a test rectangle: a
// group's or chord's id once, just before the first of its hit members.
int CollectMeas(CDWordArray& ids, Reach reach, const selhit::MeasPlace& place, const CRect& test)
{
    int count = 0;
    const CKVMsg* listedGroup = nullptr;
    const CKVMsg* listedChord = nullptr;
    auto append = [&](DWORD id) {
        ids.Add(id);
        ++count;
    };
    selhit::ForEachHit(place, test, reach == Reach::AllKinds, [&](const selhit::Hit& hit) {
        if (hit.group && hit.group != listedGroup)
            append(hit.group->m_dwMsgId);
        listedGroup = hit.group;
        if (hit.chord && hit.chord != listedChord)
            append(hit.chord->m_dwMsgId);
        listedChord = hit.chord;
        if (hit.chord && reach == Reach::NotesOnly)
            hit.msg->m_wFlag = static_cast<WORD>(hit.msg->m_wFlag | MSGFLAG_CHORD_MEMBER);
        append(hit.msg->m_dwMsgId);
        return true;
    });
    return count;
}

int CollectRecord(CKVDoc& doc, const SelRect& rec, Reach reach)
{
    int count = 0;
    const bool widen = reach == Reach::AllKinds ? selhit::kRightEdgeIncluded : selhit::kRightEdgeAsStored;
    selhit::ForEachMeas(doc, rec, [&](const selhit::MeasPlace& place) {
        const CRect test = selhit::TestRect(rec, *place.block, place.staff, place.meas, widen);
        if (!::IsRectEmpty(&test))
            count += CollectMeas(doc.m_arrSelMsgId, reach, place, test);
        return true;
    });
    return count;
}

// Marks the ids of the symbols a node owns, and theirs in turn, read
// through the map's slots (the map's own look-up would drop a stale
// reference on the way).
void MarkOwned(const CKVSystem& system, const CKVObject& node, std::vector<char>& held, int depth)
{
    constexpr int kMaxDepth = 8;
    const int slots = system.m_arrMsgMap.GetSize();
    for (int i = 0; depth < kMaxDepth && i < node.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
        if (!ref || !ref->byOwner || ref->dwMsgId == 0 || ref->dwMsgId >= static_cast<DWORD>(slots))
            continue;
        const CKVMsg* child = static_cast<const CKVMsg*>(system.m_arrMsgMap.GetData()[ref->dwMsgId]);
        if (!child || child == &node || held[ref->dwMsgId])
            continue;
        held[ref->dwMsgId] = 1;
        MarkOwned(system, *child, held, depth + 1);
    }
}

// With every page selected the list is the master map's slots in order,
// naming only the symbols the score holds. A slot may still hold a symbol
// that was taken out of the score (kept for undo) whose measure has since
// been freed with a dropped undo step: such a symbol is no one's to edit,
// and looking at where it stood would read freed memory.
int CollectAllSlots(CKVDoc& doc)
{
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    const int slots = master ? static_cast<int>(master->m_arrMsgMap.GetSize()) : 0;
    std::vector<char> held(static_cast<size_t>(slots), 0);
    for (CKVStaffPtrArray* list : {master ? master->m_pStaffArray : nullptr,
                                   master ? master->m_pOssiaStaffArray : nullptr}) {
        for (int s = 0; list && s < list->GetSize(); ++s) {
            CKVStaff* staff = list->GetAt(s);
            if (!staff)
                continue;
            MarkOwned(*master, *staff, held, 0);
            for (int m = 0; m < staff->m_arrMeas.GetSize(); ++m) {
                if (CKVMeas* meas = staff->m_arrMeas.GetAt(m))
                    MarkOwned(*master, *meas, held, 0);
            }
        }
    }
    // Place i stays slot i; a slot of a symbol outside the score lists id 0,
    // which names nothing.
    doc.m_arrSelMsgId.SetSize(slots);
    for (int i = 0; i < slots; ++i)
        doc.m_arrSelMsgId.SetAt(i, held[static_cast<size_t>(i)] ? static_cast<DWORD>(i) : 0);
    return slots;
}

// Whether the measure (or, for a staff's own symbol, the staff or page)
// that holds a symbol is the live one and not a copy kept by an undo step.
bool IsLive(const CKVMsg& msg)
{
    constexpr int kMaxClimb = 16;
    const CKVObject* node = &msg;
    for (int depth = 0; node && depth < kMaxClimb; ++depth) {
        if (node->m_byParentKind == OBJ_PAGE)
            return !node->m_pPage || static_cast<CKVPage*>(node->m_pPage)->IsCurrentObj();
        const CKVObject* parent = node->m_pParent;
        if (!parent)
            return true;
        if (parent->m_byObjKind == OBJ_MEAS)
            return static_cast<const CKVMeas*>(parent)->IsCurrentObj() != 0;
        if (parent->m_byObjKind == OBJ_STAFF || parent->m_byObjKind == OBJ_OSSIA_STAFF)
            return static_cast<const CKVStaff*>(parent)->IsCurrentObj() != 0;
        if (parent->m_byObjKind != OBJ_MSG)
            return true;
        node = parent;
    }
    return true;
}

} // namespace

int CKVDoc::GetSelMsgCount()
{
    m_arrSelMsgId.RemoveAll();
    int count = 0;
    if (m_bSelectAllPages) {
        count = CollectAllSlots(*this);
    } else if (m_pSelRectArray) {
        for (int r = 0; r < m_pSelRectArray->GetSize(); ++r) {
            if (const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(r)))
                count += CollectRecord(*this, *rec, Reach::AllKinds);
        }
    }
    return count < 1 ? -1 : count;
}

int CKVDoc::GetSelMsgCount(short record)
{
    m_arrSelMsgId.RemoveAll();
    int count = 0;
    if (m_bSelectAllPages) {
        count = CollectAllSlots(*this);
    } else {
        if (!m_pSelRectArray || record < 0 || record >= m_pSelRectArray->GetSize())
            return 0;
        if (const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(record)))
            count = CollectRecord(*this, *rec, Reach::NotesOnly);
    }
    return count < 1 ? -1 : count;
}

CKVMsg* CKVDoc::GetSelNote(int index, int system)
{
    if (system < 0 || system >= m_arrSystem.GetSize() || index < 0 || index >= m_arrSelMsgId.GetSize())
        return nullptr;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    CKVMsg* msg = owner ? owner->GetMsgFromMap(m_arrSelMsgId.GetAt(index)) : nullptr;
    // A symbol that only an undo step still holds is not the caller's to edit.
    return msg && IsLive(*msg) ? msg : nullptr;
}

int CKVDoc::FindOnSel(int system, int voice, BYTE kind, CKVMsg** found)
{
    if (system < 0 || system >= m_arrSystem.GetSize())
        return 0;
    CKVSystem* owner = m_arrSystem.GetAt(system);
    const int count = GetSelMsgCount();
    for (int i = 0; i < count; ++i) {
        CKVMsg* msg = GetSelNote(i, system);
        if (!msg || msg->m_byKind != kind || msg->m_pSystem != owner || (voice != 0 && msg->m_byVoice != voice))
            continue;
        if (found)
            *found = msg;
        return 1;
    }
    return 0;
}

int CKVDoc::IsNoteOnSel(int system, int voice, CKVMsg** found)
{
    return FindOnSel(system, voice, MSG_NOTE, found);
}

int CKVDoc::IsRestOnSel(int system, int voice, CKVMsg** found)
{
    return FindOnSel(system, voice, MSG_REST, found);
}

int CKVDoc::IsBeamOnSel(int system, int voice, CKVMsg** found)
{
    return FindOnSel(system, voice, MSG_BEAM, found);
}
