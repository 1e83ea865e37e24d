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

namespace {

// What a collection takes: every symbol with a handle, or (one record) only
// notes, rests, chords and beam groups, marking the chord notes it takes.
enum class Reach { AllKinds, NotesOnly };

// Collects the ids of one measure's symbols that lie in a test rectangle.
class MeasCollector {
public:
    MeasCollector(CDWordArray& ids, Reach reach, const selhit::MeasPlace& place, const CRect& test)
        : m_ids(ids), m_reach(reach), m_place(place), m_test(test)
    {
    }

    int Collect()
    {
        tickmath::ForEachChild(*m_place.meas, [this](CKVMsg* msg, short) {
            switch (msg->m_byKind) {
            case MSG_NOTE:
            case MSG_REST:
                if (Hit(*msg))
                    Append(msg->m_dwMsgId);
                break;
            case MSG_BEAM:
                Group(*msg);
                break;
            case MSG_CHORD:
                Chord(*msg, nullptr, nullptr);
                break;
            default:
                if (m_reach == Reach::AllKinds && Hit(*msg))
                    Append(msg->m_dwMsgId);
                break;
            }
            return false;
        });
        return m_count;
    }

private:
    bool Hit(CKVMsg& msg)
    {
        return selhit::IsHit(*m_place.block, m_place.measIndex, m_place.staffIndex, *m_place.meas, msg, m_test);
    }

    void Append(DWORD id)
    {
        m_ids.Add(id);
        ++m_count;
    }

    // A container's id goes in once, before the first of its hit members.
    void ListOnce(const CKVMsg& container, bool& listed)
    {
        if (!listed)
            Append(container.m_dwMsgId);
        listed = true;
    }

    void Group(CKVMsg& group)
    {
        bool listed = false;
        tickmath::ForEachChild(group, [&](CKVMsg* member, short) {
            if (member->m_byKind == MSG_CHORD) {
                Chord(*member, &group, &listed);
            } else if ((member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST) && Hit(*member)) {
                ListOnce(group, listed);
                Append(member->m_dwMsgId);
            }
            return false;
        });
    }

    // A chord, standing in a measure or (group given) in a beam group.
    void Chord(CKVMsg& chord, const CKVMsg* group, bool* groupListed)
    {
        bool listed = false;
        tickmath::ForEachChild(chord, [&](CKVMsg* note, short) {
            if (note->m_byKind != MSG_NOTE || !Hit(*note))
                return false;
            if (group)
                ListOnce(*group, *groupListed);
            ListOnce(chord, listed);
            if (m_reach == Reach::NotesOnly)
                note->m_wFlag = static_cast<WORD>(note->m_wFlag | MSGFLAG_CHORD_MEMBER);
            Append(note->m_dwMsgId);
            return false;
        });
    }

    CDWordArray& m_ids;
    Reach m_reach;
    const selhit::MeasPlace& m_place;
    CRect m_test;
    int m_count = 0;
};

int CollectRecord(CKVDoc& doc, const SelRect& rec, Reach reach)
{
    int count = 0;
    const bool widen = reach == Reach::AllKinds ? selhit::kRightEdgeIncluded : selhit::kRightEdgeAsStored;
    selhit::ForEachMeas(doc, rec, [&](const selhit::MeasPlace& place) {
        const CRect test = selhit::TestRect(rec, *place.block, place.staff, place.meas, widen);
        if (!::IsRectEmpty(&test))
            count += MeasCollector(doc.m_arrSelMsgId, reach, place, test).Collect();
        return true;
    });
    return count;
}

// With every page selected the list is the master map's slots in order.
int CollectAllSlots(CKVDoc& doc)
{
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    const int slots = master ? static_cast<int>(master->m_arrMsgMap.GetSize()) : 0;
    doc.m_arrSelMsgId.SetSize(slots);
    for (int i = 0; i < slots; ++i)
        doc.m_arrSelMsgId.SetAt(i, static_cast<DWORD>(i));
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
