// The selection rectangles of the document: adding and clearing them, what
// they select, and deleting what lies in them.

#include "document/KVDoc.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "ProcessState.h"
#include "document/ClipboardSystem.h"
#include "document/CopyPtrMap.h"
#include "document/GroupMembers.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "document/TreeObjects.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "timing/TieLinks.h"
#include "timing/VoiceRoom.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// Set when the delete on a selection took a note out of the chord or beam
// group being walked, so that the container's stems are derived again.
bool bSelNoteDeleted = false;
const KvProcessReset kResetSelNoteDeleted("selection note deleted", [] { bSelNoteDeleted = false; });

SelRect* RecordAt(CKVBackupPtrArray& list, int i)
{
    return static_cast<SelRect*>(list.GetAt(i));
}

// Whether a measure of a staff lies in a block's measure range.
bool InBlockRange(const CKVBlock& block, CKVStaff* staff, CKVMeas* meas)
{
    if (!meas || measplace::StaffOf(*meas) != staff)
        return false;
    const int index = staff->GetMeasIndex(meas);
    return index >= block.m_nFirstMeas && index < block.m_nFirstMeas + block.m_nMeasCount;
}

// Whether a record already covers what a new record of kind 2 (measure),
// 3 (staff in a block) or 4 (staff) would.
bool Covered(const SelRect& rec, short kind, CKVMeas* meas, CKVStaff* staff, CKVBlock* block)
{
    switch (kind) {
    case SelRect::kMeas:
        return (rec.nKind == SelRect::kMeas && rec.pMeas == meas) ||
               (rec.nKind == SelRect::kBlockStaff && rec.pBlock == block && rec.pStaff == staff) ||
               (rec.nKind == SelRect::kStaff && rec.pStaff == staff);
    case SelRect::kBlockStaff:
        return (rec.nKind == SelRect::kBlockStaff && rec.pBlock == block && rec.pStaff == staff) ||
               (rec.nKind == SelRect::kStaff && rec.pStaff == staff);
    case SelRect::kStaff:
        return rec.nKind == SelRect::kStaff && rec.pStaff == staff;
    default:
        return false;
    }
}

// Whether a new staff record takes the place of an older, smaller record:
// a staff in a block replaces the measures of that staff in the block, a
// staff in the whole score its measures and its staff-in-block records.
bool Replaced(const SelRect& rec, short kind, CKVStaff* staff, CKVBlock* block)
{
    if (kind == SelRect::kBlockStaff)
        return rec.nKind == SelRect::kMeas && InBlockRange(*block, staff, rec.pMeas);
    if (kind == SelRect::kStaff)
        return (rec.nKind == SelRect::kMeas && rec.pMeas && measplace::StaffOf(*rec.pMeas) == staff) ||
               (rec.nKind == SelRect::kBlockStaff && rec.pStaff == staff);
    return false;
}

bool SameRecord(const SelRect& a, const SelRect& b)
{
    return a.nKind == b.nKind && a.pPage == b.pPage && a.pBlock == b.pBlock && a.pStaff == b.pStaff &&
           a.pMeas == b.pMeas && ::EqualRect(&a.rect, &b.rect);
}

} // namespace

void CKVDoc::AddSelRect(short kind, RECT* rect, CKVMeas* meas, CKVStaff* staff, CKVBlock* block)
{
    const RECT given = rect ? *rect : RECT {0, 0, 0, 0};
    SelRect made;
    made.nKind = kind;
    bool add = false;
    switch (kind) {
    case SelRect::kRect:
        made.pPage = m_nCurPage >= 0 && m_nCurPage < GetPageNum() ? GetPage(m_nCurPage) : nullptr;
        made.rect = given;
        add = rect && made.pPage;
        break;
    case SelRect::kMeas:
        staff = meas ? measplace::StaffOf(*meas) : nullptr;
        made.pPage = block ? block->m_pPage : nullptr;
        made.pBlock = block;
        made.pMeas = meas;
        made.rect = given;
        add = meas && staff && block;
        break;
    case SelRect::kBlockStaff:
        made.pPage = block ? block->m_pPage : nullptr;
        made.pBlock = block;
        made.pStaff = staff;
        made.rect = given;
        add = staff && block;
        break;
    case SelRect::kStaff:
        made.pStaff = staff;
        add = staff != nullptr;
        break;
    default:
        break;
    }
    for (int i = 0; add && i < m_pSelRectArray->GetSize(); ++i) {
        if (Covered(*RecordAt(*m_pSelRectArray, i), kind, meas, staff, block))
            add = false;
    }
    SelRect* record = add ? KvNew<SelRect>(made) : nullptr;
    if (add && !record)
        ReportOutOfMemory(1);
    if (record) {
        for (int i = m_pSelRectArray->GetSize() - 1; i >= 0; --i) {
            SelRect* old = RecordAt(*m_pSelRectArray, i);
            if (Replaced(*old, kind, staff, block)) {
                delete old;
                m_pSelRectArray->RemoveAt(i);
            }
        }
        m_pSelRectArray->Add(record);
        if (kind == SelRect::kRect)
            SetEditStatus(POINT {given.left, given.top});
    }
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
    m_bHostNotice = 1;
}

int CKVDoc::IsSelChanged()
{
    const int count = m_pSelRectArray->GetSize();
    bool same = m_arrSavedSelRect.GetSize() == count;
    for (int i = 0; same && i < count; ++i)
        same = SameRecord(*m_arrSavedSelRect.GetAt(i), *RecordAt(*m_pSelRectArray, i));
    const bool first = m_arrSavedSelRect.GetSize() == 0;
    if (same && !first)
        return 0;
    // The copies are made before the old ones go, so that a failed
    // allocation keeps the saved selection as it was.
    CTypedPtrArray<CPtrArray, SelRect*> copies;
    for (int i = 0; i < count; ++i) {
        SelRect* copy = KvNew<SelRect>(*RecordAt(*m_pSelRectArray, i));
        if (!copy) {
            for (int k = 0; k < copies.GetSize(); ++k)
                delete copies.GetAt(k);
            ReportOutOfMemory(1);
            return 0;
        }
        copies.Add(copy);
    }
    for (int i = 0; i < m_arrSavedSelRect.GetSize(); ++i)
        delete m_arrSavedSelRect.GetAt(i);
    m_arrSavedSelRect.RemoveAll();
    for (int i = 0; i < copies.GetSize(); ++i)
        m_arrSavedSelRect.Add(copies.GetAt(i));
    return first ? 0 : 1;
}

void CKVDoc::RemoveAllSelRect(int resetDrag, int keep)
{
    if (!keep) {
        for (int i = 0; i < m_pSelRectArray->GetSize(); ++i)
            delete static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
        m_pSelRectArray->RemoveAll();
    }
    if (resetDrag) {
        m_bSelected = 0;
        m_bSelectAllPages = 0;
    }
    m_bHostNotice = 1;
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
}

void CKVDoc::DropStaleSelRects()
{
    if (!m_pSelRectArray || m_pSelRectArray->GetSize() == 0)
        return;
    // Only the pointers are compared: a stale record's objects may be freed.
    const TreeObjects tree(*this);
    bool dropped = false;
    for (int i = m_pSelRectArray->GetSize() - 1; i >= 0; --i) {
        SelRect* rec = RecordAt(*m_pSelRectArray, i);
        if (rec && !tree.Gone(rec->pPage) && !tree.Gone(rec->pBlock) && !tree.Gone(rec->pStaff) &&
            !tree.Gone(rec->pMeas))
            continue;
        delete rec;
        m_pSelRectArray->RemoveAt(i);
        dropped = true;
    }
    if (!dropped)
        return;
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
    m_bHostNotice = 1;
}

int CKVDoc::IsStaffSelected(short index)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || index < 0 || index >= master->GetStaffNum())
        return 0;
    CKVStaff* staff = master->GetStaff(index);
    for (int i = 0; staff && i < m_pSelRectArray->GetSize(); ++i) {
        SelRect* rec = RecordAt(*m_pSelRectArray, i);
        if (rec->nKind == SelRect::kBlockStaff || rec->nKind == SelRect::kStaff) {
            if (rec->pStaff == staff)
                return 1;
        } else if (rec->nKind == SelRect::kRect && rec->pPage) {
            for (short b = 0; b < rec->pPage->GetBlockNum(); ++b) {
                CKVBlock* block = rec->pPage->GetBlock(b);
                if (block && block->IsStaffSelected(staff, &rec->rect))
                    return 1;
            }
        }
    }
    return 0;
}

int CKVDoc::IsEnableStaffHide()
{
    CKVPage* page = m_nCurPage >= 0 && m_nCurPage < GetPageNum() ? GetPage(m_nCurPage) : nullptr;
    if (!page)
        return 0;
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        for (int i = 0; block && i < m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = RecordAt(*m_pSelRectArray, i);
            if (rec->nKind != SelRect::kBlockStaff && rec->nKind != SelRect::kStaff)
                continue;
            for (short s = 0; s < block->GetStaffNum(); ++s) {
                if (block->GetStaff(s) == rec->pStaff)
                    return block->GetStaffNum() >= 2 ? 1 : 0;
            }
        }
    }
    return 0;
}

namespace {

bool FirstHandle(CKVMsg& msg, CRect& out)
{
    if (msg.m_arrCtrlPoint.GetSize() == 0 || !msg.m_arrCtrlPoint.GetAt(0))
        return false;
    out = msg.m_arrCtrlPoint.GetAt(0)->m_rect;
    return true;
}

using selhit::Meets;


CKVMsg* ChildById(CKVObject& node, DWORD id, short& index)
{
    CKVMsg* msg = node.m_pSystem ? node.m_pSystem->GetMsgFromMap(id) : nullptr;
    index = msg ? tielink::IndexOfChild(node, msg) : -1;
    return index >= 0 ? msg : nullptr;
}

// The first handle of a symbol that lies in a measure, on the page, scaled
// to the staff unless it is an octave line; false when it has none.
bool SymbolHandleOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, bool scaled,
                        CRect& out)
{
    POINT anchor {0, 0};
    if (!FirstHandle(msg, out) || !selhit::AnchorOnPage(block, measIndex, staffIndex, meas, msg, anchor))
        return false;
    if (scaled) {
        CRect stored = out;
        msg.ConvertRectByZoom(stored, out, 0);
    }
    out.OffsetRect(anchor.x, anchor.y);
    return true;
}

// Whether the delete takes a part of a note: ties and tuplets stay, any
// other part goes when its handle meets the rectangle.
bool PartMeets(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& note, CKVMsg& part,
               const CRect& test)
{
    CRect handle;
    return part.m_byKind != MSG_TIE && part.m_byKind != MSG_TUPLET &&
           selhit::PartHandleOnPage(block, measIndex, staffIndex, meas, note, part, handle) && Meets(handle, test);
}

// The walk of one measure of a block with one test rectangle. What the
// delete does with each kind of symbol is said once, in Walk; the delete
// runs it with a visitor that deletes, and its forecast and its reach test
// with visitors that only judge, so that the three cannot tell different
// stories.
class CSelDeleteWalk {
public:
    CSelDeleteWalk(CKVDoc& doc, const selhit::MeasPlace& place, const CRect& test, int voice, bool selected)
        : m_doc(doc), m_block(*place.block), m_meas(place.meas), m_mi(place.measIndex), m_si(place.staffIndex),
          m_ossia(place.ossia), m_selected(selected), m_test(test), m_voice(voice)
    {
    }

    void Run()
    {
        // A rectangle is tested against every measure of its page. One that
        // it neither selects nor takes anything from stays as it was, its
        // timing too: the step holds only the measures the delete changes.
        const bool reached = Reaches();
        if (!m_selected && !reached)
            return;
        if (reached)
            BackUpIfReached();
        Deleting deleting(*this);
        Walk(deleting);
        const BYTE voice = static_cast<BYTE>(m_voice);
        m_meas->UpdatePlayTime(voice);
        m_meas->UpdateStartTime(voice, 1, 1, kPerformedStartStays);
        m_meas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    }

    // What Run would take out of the measure, without changing anything:
    // the notes, rests and other symbols it deletes, chord and group members
    // among them, go into `gone`. False when Run would leave the measure be.
    bool Forecast(std::set<const CKVMsg*>& gone)
    {
        if (!m_selected && !Reaches())
            return false;
        Forecasting forecasting(*this, gone);
        Walk(forecasting);
        return true;
    }

private:
    // The one description of what the delete does with each symbol of the
    // measure. A note or rest with handles goes when the rectangle holds
    // its hit point, and loses the parts the rectangle meets otherwise;
    // codas, segnos and clefs stay, and so do octave lines of other voices;
    // any other symbol goes when the rectangle meets its first handle
    // (scaled to the staff, but for an octave line). A chord is judged note
    // by note and a group member by member, and each is tidied after its
    // members. `visit` says what going and tidying mean: its Note, Symbol,
    // Enter (before a chord's or group's members), ChordDone and GroupDone;
    // EndsWalk ends the walk early.
    template <class Visit>
    void Walk(Visit& visit)
    {
        CKVMeas* origin = m_meas;
        for (DWORD id : tickmath::ChildIds(*origin)) {
            CKVMsg* msg = origin->m_pSystem ? origin->m_pSystem->GetMsgFromMap(id) : nullptr;
            // After an ossia measure was backed up below, its symbols are the
            // live copy's.
            if (msg && m_meas != origin)
                msg = origin->GetNewPtr2(msg);
            short index = msg ? tielink::IndexOfChild(*m_meas, msg) : -1;
            if (index < 0)
                continue;
            switch (msg->m_byKind) {
            case MSG_NOTE:
            case MSG_REST:
                if (HasHandles(*msg))
                    visit.Note(*m_meas, index, *msg);
                break;
            case MSG_CODA:
            case MSG_CLEF:
                break;
            case MSG_OCTAVE:
                if (m_voice == 0 || msg->m_byVoice == m_voice)
                    visit.Symbol(*msg, index, false);
                break;
            case MSG_BEAM:
                Group(visit, *msg);
                break;
            case MSG_CHORD:
                Chord(visit, *msg, *m_meas);
                break;
            default:
                visit.Symbol(*msg, index, true);
                break;
            }
            if (visit.EndsWalk())
                return;
        }
    }

    template <class Visit>
    void Chord(Visit& visit, CKVMsg& chord, CKVObject& holder)
    {
        visit.Enter(chord);
        for (DWORD id : tickmath::ChildIds(chord)) {
            short index = -1;
            CKVMsg* note = ChildById(chord, id, index);
            if (note && note->m_byKind == MSG_NOTE && HasHandles(*note))
                visit.Note(chord, index, *note);
        }
        visit.ChordDone(chord, holder);
    }

    template <class Visit>
    void Group(Visit& visit, CKVMsg& group)
    {
        visit.Enter(group);
        for (DWORD id : tickmath::ChildIds(group)) {
            short index = -1;
            CKVMsg* member = ChildById(group, id, index);
            if (!member)
                continue;
            if (member->m_byKind == MSG_CHORD)
                Chord(visit, *member, group);
            else if ((member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST) && HasHandles(*member))
                visit.Note(group, index, *member);
        }
        visit.GroupDone(group);
    }

    static bool HasHandles(const CKVMsg& msg) { return msg.m_arrCtrlPoint.GetSize() > 0; }

    // The delete itself.
    class Deleting {
    public:
        explicit Deleting(CSelDeleteWalk& walk) : m_walk(walk) {}

        void Note(CKVObject& holder, short& index, CKVMsg& note)
        {
            CKVDoc& doc = m_walk.m_doc;
            const bool inChord = holder.m_byObjKind == OBJ_MSG && static_cast<CKVMsg&>(holder).m_byKind == MSG_CHORD;
            doc.m_pLastMember = inChord ? &static_cast<CKVMsg&>(holder) : nullptr;
            doc.DeleteSubMsgOfNoteRestOnSelRect(&m_walk.m_block, m_walk.m_meas, m_walk.m_mi, m_walk.m_si, &holder,
                                                index, &note, m_walk.m_work, m_walk.m_test, m_walk.m_voice);
            doc.m_pLastMember = nullptr;
            // A chord member clears the flag for its own stems; the group
            // keeps what any member saw.
            m_groupDeleted = m_groupDeleted || (m_inGroup && bSelNoteDeleted);
        }

        void Symbol(CKVMsg& msg, short index, bool scaled) { m_walk.Other(msg, index, scaled); }

        void Enter(CKVMsg& container)
        {
            bSelNoteDeleted = false;
            if (container.m_byKind == MSG_BEAM) {
                m_inGroup = true;
                m_groupDeleted = false;
            }
        }

        void ChordDone(CKVMsg& chord, CKVObject& holder)
        {
            if (chord.GetMsgNum() == 0) {
                const short at = tielink::IndexOfChild(holder, &chord);
                if (at >= 0)
                    holder.RemoveMsgAt(at);
            } else if (bSelNoteDeleted) {
                chord.ChangeNoteDirection(kStemOfVoice, 1);
            }
        }

        void GroupDone(CKVMsg& group)
        {
            m_inGroup = false;
            bSelNoteDeleted = m_groupDeleted;
            CKVMeas& meas = *m_walk.m_meas;
            groupmembers::GiveBackEndRests(meas, group);
            if (group.GetMsgNum() == 1) {
                groupmembers::ReplaceByMember(meas, group, 0);
            } else if (group.GetMsgNum() == 0) {
                const short at = tielink::IndexOfChild(meas, &group);
                if (at >= 0)
                    meas.RemoveMsgAt(at);
            } else if (bSelNoteDeleted) {
                group.ChangeNoteDirection(kStemOfVoice, 1);
            }
        }

        bool EndsWalk() const { return false; }

    private:
        CSelDeleteWalk& m_walk;
        bool m_inGroup = false;
        bool m_groupDeleted = false;
    };

    // What the delete takes, collected without changing anything.
    class Forecasting {
    public:
        Forecasting(const CSelDeleteWalk& walk, std::set<const CKVMsg*>& gone) : m_walk(walk), m_gone(gone) {}

        void Note(CKVObject&, short, CKVMsg& note)
        {
            if (m_walk.NoteHit(note))
                m_gone.insert(&note);
        }

        void Symbol(CKVMsg& msg, short, bool scaled)
        {
            if (m_walk.SymbolMet(msg, scaled))
                m_gone.insert(&msg);
        }

        // Chords and groups are tidied by what goes: CVoiceRoom::CountDelete
        // reads that from `gone`.
        void Enter(CKVMsg&) {}
        void ChordDone(CKVMsg&, CKVObject&) {}
        void GroupDone(CKVMsg&) {}
        bool EndsWalk() const { return false; }

    private:
        const CSelDeleteWalk& m_walk;
        std::set<const CKVMsg*>& m_gone;
    };

    // Whether the delete changes anything of the measure.
    class Reaching {
    public:
        explicit Reaching(const CSelDeleteWalk& walk) : m_walk(walk) {}

        void Note(CKVObject&, short, CKVMsg& note) { m_reached = m_reached || m_walk.NoteReached(note); }
        void Symbol(CKVMsg& msg, short, bool scaled) { m_reached = m_reached || m_walk.SymbolMet(msg, scaled); }
        void Enter(CKVMsg&) {}
        void ChordDone(CKVMsg&, CKVObject&) {}

        // The delete also hands a group's end rests back and dissolves a
        // group of one member, whatever it hits.
        void GroupDone(CKVMsg& group)
        {
            const std::vector<CKVMsg*> members = tickmath::LiveChildren(group);
            m_reached = m_reached || members.size() <= 1 || members.front()->m_byKind == MSG_REST ||
                        members.back()->m_byKind == MSG_REST;
        }

        bool EndsWalk() const { return m_reached; }
        bool Reached() const { return m_reached; }

    private:
        const CSelDeleteWalk& m_walk;
        bool m_reached = false;
    };

    bool Reaches()
    {
        Reaching reaching(*this);
        Walk(reaching);
        return reaching.Reached();
    }

    // A symbol that is neither a note, rest, chord nor group, taken when its
    // first handle meets the rectangle.
    void Other(CKVMsg& msg, short index, bool scaled)
    {
        if (!SymbolMet(msg, scaled))
            return;
        CKVMsg* target = &msg;
        if (m_ossia && scaled && !m_doc.IsMeasInOpenStep(m_meas)) {
            // An ossia measure that the open step does not hold yet is backed
            // up here; the symbol is taken from the live copy. A second copy
            // in one step would leave redo with the first.
            m_meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            CKVMeas* live = m_meas->GetCurBackupObj();
            if (live != m_meas) {
                target = live->GetNewPtr2(&msg);
                m_meas = live;
                index = target ? tielink::IndexOfChild(*m_meas, target) : -1;
            }
        }
        if (index < 0)
            return;
        m_meas->RemoveMsgAt(index);
        m_doc.m_bModified = 1;
    }

    bool SymbolMet(CKVMsg& msg, bool scaled) const
    {
        CRect handle;
        return SymbolHandleOnPage(m_block, m_mi, m_si, *m_meas, msg, scaled, handle) && Meets(handle, m_test);
    }

    // A rectangle reaches parts and symbols beyond the measures it selects,
    // which the selection's backup left out. Such a measure is backed up
    // before anything of it changes, with the far ends of its ties and
    // slurs, in the same step; the walk goes on on its live copy.
    void BackUpIfReached()
    {
        if (!m_doc.IsReqBackup() || m_doc.IsMeasInOpenStep(m_meas))
            return;
        m_meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        if (CKVMeas* live = m_meas->GetCurBackupObj())
            m_meas = live;
        tielink::HoldFarEnds(*m_meas);
    }

    // A note or rest of the voice whose handle's hit point the rectangle
    // holds: the delete takes it.
    bool NoteHit(CKVMsg& note) const
    {
        if (!HasHandles(note) || (m_voice != 0 && note.m_byVoice != m_voice))
            return false;
        CRect handle;
        return selhit::HandleOnPage(m_block, m_mi, m_si, *m_meas, note, handle) &&
               ::PtInRect(&m_test, selhit::HitPoint(handle));
    }

    // A note or rest that is hit, or one of whose parts is met.
    bool NoteReached(CKVMsg& note) const
    {
        if (!HasHandles(note) || (m_voice != 0 && note.m_byVoice != m_voice))
            return false;
        if (NoteHit(note))
            return true;
        bool met = false;
        tickmath::ForEachChild(note, [&](CKVMsg* part, short) {
            met = met || PartMeets(m_block, m_mi, m_si, *m_meas, note, *part, m_test);
            return false;
        });
        return met;
    }

    CKVDoc& m_doc;
    CKVBlock& m_block;
    CKVMeas* m_meas;
    int m_mi;
    int m_si;
    bool m_ossia;
    bool m_selected;
    CRect m_test;
    CRect m_work;
    int m_voice;
};

// Deletes the page-level symbols whose handles meet a kind-1 rectangle on
// its own page. The page is backed up before its first deletion.
void DeletePageSymbols(CKVDoc& doc, short pageIndex, const CRect& rect, bool& backedUp)
{
    CKVPage* page = doc.GetPage(pageIndex);
    for (short i = 0; page && i < page->GetMsgNum(); ++i) {
        CKVMsg* msg = page->GetMsg(i);
        if (!msg || !selhit::PageSymbolMeets(*msg, rect))
            continue;
        if (!backedUp) {
            page->ObjectBackup(kBackupRecorded);
            backedUp = true;
            page = doc.GetPage(pageIndex);
            msg = page->GetNewPtr2(msg);
            if (msg && msg->m_pParent)
                msg = page->GetNewPtr2(msg);
        }
        if (!msg)
            continue;
        doc.DeleteMsg(msg, 1);
        --i;
    }
}

// The notes under a symbol, itself included when it is one: chord and
// beam members, however they nest.
void CollectNotesUnder(CKVMsg& msg, std::vector<CKVMsg*>& notes, int depth)
{
    if (msg.m_byKind == MSG_NOTE) {
        notes.push_back(&msg);
        return;
    }
    if (depth > tickmath::kMaxChildWalkDepth || (msg.m_byKind != MSG_CHORD && msg.m_byKind != MSG_BEAM))
        return;
    tickmath::ForEachChild(msg, [&](CKVMsg* child, short) {
        CollectNotesUnder(*child, notes, depth + 1);
        return false;
    });
}

// Takes the ties and slurs of the notes of one voice (0 every voice) of a
// staff off both their notes before the voice leaves the staff, as the
// delete on a rectangle does note by note: a partner of another voice, or
// on another staff, stays and must not keep a half whose other note is gone.
void ReleaseVoiceLinks(CKVDoc& doc, CKVStaff& staff, short voice)
{
    for (LONG m = 0; m < staff.GetMeasNum(); ++m) {
        std::vector<CKVMsg*> notes;
        tickmath::ForEachChild(*staff.GetMeas(m), [&](CKVMsg* msg, short) {
            if (CKVStaff::DelMsgTakes(*msg, voice))
                CollectNotesUnder(*msg, notes, 0);
            return false;
        });
        for (CKVMsg* note : notes) {
            bool linked = false;
            tickmath::ForEachChild(*note, [&](CKVMsg* child, short) {
                linked = linked || tickmath::IsTieOrSlur(*child);
                return false;
            });
            if (linked)
                doc.TieSlurMsgDelProc(note);
        }
    }
}

} // namespace

void CKVDoc::SelFarEndBackup()
{
    if (!m_pSelRectArray)
        return;
    // In walk order, so that the backups come in the same order each time.
    std::vector<CKVMeas*> order;
    std::set<const CKVMeas*> selected;
    for (int r = 0; r < m_pSelRectArray->GetSize(); ++r) {
        const SelRect& rec = *RecordAt(*m_pSelRectArray, r);
        selhit::ForEachMeas(*this, rec, [&](const selhit::MeasPlace& place) {
            if (place.meas && selhit::Covers(rec, place) && selected.insert(place.meas).second)
                order.push_back(place.meas);
            return true;
        });
    }
    std::vector<CKVMeas*> far;
    for (CKVMeas* meas : order)
        tielink::CollectFarEnds(*meas, [&](const CKVMeas* m) { return selected.count(m) > 0; }, far);
    for (CKVMeas* meas : far)
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
}

namespace {

// The places a delete over the selection walks, said once for the delete
// and its forecast: each record that the carried image took (every record
// without an image) is told to `record` first, which may change the tree
// (the delete takes the record's page symbols there), and is read again
// after it; then every measure the record reaches goes to `measure` with
// the rectangle it is tested with, or the staff it takes whole to `staff`.
// A rectangle that names no page was copied on one page, the only one a
// carried delete cuts.
template <class Record, class Staff, class Measure>
void ForEachDeletePlace(CKVDoc& doc, const kvclip::Carried* carried, Record record, Staff staff, Measure measure)
{
    for (int r = 0; doc.m_pSelRectArray && r < doc.m_pSelRectArray->GetSize(); ++r) {
        const SelRect rec = *RecordAt(*doc.m_pSelRectArray, r);
        if (carried && !carried->TakesRecord(r, rec))
            continue;
        record(r, rec);
        SelRect now = *RecordAt(*doc.m_pSelRectArray, r);
        if (carried && now.nKind == SelRect::kRect && !now.pPage && !(now.pPage = carried->page))
            continue;
        selhit::ForEachMeas(doc, now, [&](const selhit::MeasPlace& place) {
            if (carried && now.nKind == SelRect::kRect &&
                !carried->TakesStaff(*place.page, *place.block, place.staffIndex))
                return true;
            if (now.nKind == SelRect::kStaff) {
                if (now.pStaff != place.staff)
                    return true;
                staff(*place.staff);
                return false;
            }
            const CRect test = selhit::TestRect(now, *place.block, place.staff, place.meas, selhit::kRightEdgeIncluded);
            if (!::IsRectEmpty(&test))
                measure(place, test, selhit::Selects(now, place.block, place.meas));
            return true;
        });
    }
}

} // namespace

void CKVDoc::ForecastSelDelete(int voice, CVoiceRoom& room, const kvclip::Carried* carried)
{
    std::set<const CKVMsg*> gone;
    // The measures a rectangle's walk tidies, and those that only a staff's
    // delete reaches, which tidies nothing.
    std::vector<CKVMeas*> walked;
    std::vector<CKVMeas*> staffed;
    auto add = [](std::vector<CKVMeas*>& list, CKVMeas* meas) {
        if (std::find(list.begin(), list.end(), meas) == list.end())
            list.push_back(meas);
    };
    ForEachDeletePlace(
        *this, carried, [](int, const SelRect&) {},
        [&](CKVStaff& staff) {
            for (LONG m = 0; m < staff.GetMeasNum(); ++m) {
                CKVMeas* meas = staff.GetMeas(m);
                add(staffed, meas);
                tickmath::ForEachChild(*meas, [&](CKVMsg* msg, short) {
                    if (CKVStaff::DelMsgTakes(*msg, static_cast<short>(voice)))
                        gone.insert(msg);
                    return false;
                });
            }
        },
        [&](const selhit::MeasPlace& place, const CRect& test, bool selected) {
            if (CSelDeleteWalk(*this, place, test, voice, selected).Forecast(gone))
                add(walked, place.meas);
        });
    for (CKVMeas* meas : walked)
        room.CountDelete(*meas, gone);
    for (CKVMeas* meas : staffed) {
        if (std::find(walked.begin(), walked.end(), meas) == walked.end())
            room.CountSymbolsDelete(*meas, gone);
    }
}

int CKVDoc::DeleteMsgOnSelRect(int voice)
{
    return DeleteSelection(voice, nullptr);
}

int CKVDoc::DeleteCarriedSelection(int voice, const kvclip::Carried& carried)
{
    return DeleteSelection(voice, &carried);
}

int CKVDoc::DeleteSelection(int voice, const kvclip::Carried* carried)
{
    // The groups a delete breaks hand their rests and their last member
    // back to the measure; where that would crowd a measure past its
    // record, nothing is backed up or deleted.
    CVoiceRoom room;
    ForecastSelDelete(voice, room, carried);
    if (!room.Fits())
        return 0;
    ClearCopyPtrMap();
    ResetBackup();
    if (!SelMeasBackup(1))
        return 0;
    SelFarEndBackup();
    bool pageBackedUp = false;
    ForEachDeletePlace(
        *this, carried,
        [&](int r, const SelRect& rec) {
            if (rec.nKind == SelRect::kRect && (!carried || carried->pageSymbols)) {
                for (short p = 0; p < GetPageNum(); ++p) {
                    if (GetPage(p) == RecordAt(*m_pSelRectArray, r)->pPage)
                        DeletePageSymbols(*this, p, CRect(rec.rect), pageBackedUp);
                }
            }
            if (rec.nKind == SelRect::kMeas)
                m_nCaretPos = 0;
        },
        [&](CKVStaff& staff) {
            ReleaseVoiceLinks(*this, staff, static_cast<short>(voice));
            staff.DelMsg(static_cast<short>(voice));
            m_bModified = 1;
        },
        [&](const selhit::MeasPlace& place, const CRect& test, bool selected) {
            CSelDeleteWalk(*this, place, test, voice, selected).Run();
        });
    return 1;
}

int CKVDoc::DeleteSubMsgOfNoteRestOnSelRect(CKVBlock* block, CKVMeas* meas, int measIndex, int staffIndex,
                                            CKVObject* holder, short& index, CKVMsg* note, CRect& work,
                                            CRect& selection, int voice)
{
    if (!block || !meas || !holder || !note || (voice != 0 && note->m_byVoice != voice))
        return 0;
    if (!selhit::HandleOnPage(*block, measIndex, staffIndex, *meas, *note, work))
        return 0;
    if (::PtInRect(&selection, selhit::HitPoint(work))) {
        const bool chordKeeps = m_pLastMember && m_pLastMember->m_byKind == MSG_CHORD && m_pLastMember->GetMsgNum() > 1;
        if (!chordKeeps)
            meas->RemoveMidiMsgFromXToNextNote(note->m_nPosX);
        // The tuplet goes to a neighbour and the ties and slurs leave both
        // ends before the note goes.
        TupletMsgDelProc(note);
        TieSlurMsgDelProc(note);
        const short at = tielink::IndexOfChild(*holder, note);
        if (at >= 0) {
            holder->RemoveMsgAt(at);
            index = static_cast<short>(at - 1);
        }
        bSelNoteDeleted = true;
        m_bModified = 1;
    } else {
        DeleteNoteParts(*block, *meas, measIndex, staffIndex, *note, selection);
    }
    meas->SwitchTieSlur();
    return 1;
}

void CKVDoc::DeleteNoteParts(CKVBlock& block, CKVMeas& meas, int measIndex, int staffIndex, CKVMsg& note,
                             const CRect& selection)
{
    for (DWORD id : tickmath::ChildIds(note)) {
        short index = -1;
        CKVMsg* part = ChildById(note, id, index);
        if (!part || !PartMeets(block, measIndex, staffIndex, meas, note, *part, selection))
            continue;
        if (part->m_byKind == MSG_SLUR)
            DeleteMsg(part, 0);
        else
            note.RemoveMsgAt(index);
        m_bModified = 1;
    }
}
