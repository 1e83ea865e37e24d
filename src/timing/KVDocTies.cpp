// Tying and slurring notes, and the accidental command.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "platform/AllocHook.h"
#include "timing/InsertState.h"
#include "timing/TieLinks.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace {

bool IsNote(const CKVMsg* msg)
{
    return msg && msg->m_byKind == MSG_NOTE;
}

// A pair of notes in score order: earlier measure first, then smaller
// position. False when the two cannot be ordered: not on one staff's
// measures, or at one position of one measure.
bool InScoreOrder(CKVMsg*& a, CKVMsg*& b)
{
    CKVMeas* ma = tickmath::MeasureOf(a);
    CKVMeas* mb = tickmath::MeasureOf(b);
    if (!ma || !mb)
        return false;
    const int ia = tielink::MeasIndexOf(ma);
    const int ib = tielink::MeasIndexOf(mb);
    if (ia < 0 || ib < 0)
        return false;
    if (ma == mb && a->m_nPosX == b->m_nPosX)
        return false;
    if (ia > ib || (ia == ib && a->m_nPosX > b->m_nPosX)) {
        std::swap(a, b);
    }
    return true;
}

// Every note of a measure (chord members and group members singly).
void CollectNotes(CKVObject& node, std::vector<CKVMsg*>& notes, int depth)
{
    if (depth > tickmath::kMaxChildWalkDepth)
        return;
    for (int i = 0; i < node.m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = measplace::ChildAt(node, i);
        if (!child || child == &node)
            continue;
        if (child->m_byKind == MSG_NOTE)
            notes.push_back(child);
        else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM)
            CollectNotes(*child, notes, depth + 1);
    }
}

// The notes of a measure right of position x (or at and right of it when
// inclusive) that a tie from a would meet first: those of a's voice when
// it has any there, else those of every voice. Only the ones at the
// smallest such position are kept, so a chord counts as one place.
std::vector<CKVMsg*> FirstNotesAfter(CKVMeas& meas, const CKVMsg& a, int x, bool inclusive)
{
    std::vector<CKVMsg*> notes;
    CollectNotes(meas, notes, 0);
    std::vector<CKVMsg*> candidates;
    for (int pass = 0; pass < 2 && candidates.empty(); ++pass) {
        for (CKVMsg* note : notes) {
            if (note == &a || (pass == 0 && note->m_byVoice != a.m_byVoice))
                continue;
            if (note->m_nPosX > x || (inclusive && note->m_nPosX == x))
                candidates.push_back(note);
        }
    }
    int first = CKVMeas::SCALE + 1;
    for (CKVMsg* note : candidates)
        first = std::min<int>(first, note->m_nPosX);
    std::vector<CKVMsg*> atFirst;
    for (CKVMsg* note : candidates) {
        if (note->m_nPosX == first)
            atFirst.push_back(note);
    }
    return atFirst;
}

// Whether the first place a tie from a meets after it leaves room for a tie
// to b: it lies beyond b, or one of its notes continues a's pitch at a's
// place, at or beyond b. keyOk tells whether a note's key continues a's.
template <class KeyOk>
bool NothingBetween(const std::vector<CKVMsg*>& first, const CKVMsg& a, const CKVMsg& b, KeyOk keyOk)
{
    if (first.empty())
        return false;
    if (first.front()->m_nPosX > b.m_nPosX)
        return true;
    for (CKVMsg* note : first) {
        if (note->m_nPosY == a.m_nPosY && note->m_nPosX >= b.m_nPosX && keyOk(note))
            return true;
    }
    return false;
}

// b, and the note that b's own tie reaches, take a's key and accidental.
void AlignTiedKey(CKVMsg* a, CKVMsg* b)
{
    const BYTE key = a->GetMidiKey();
    b->SetMidiKey(key);
    b->m_byAccidental = a->m_byAccidental;
    if (!(b->m_wFlag & MSGFLAG_TIE_START))
        return;
    const short index = b->GetTieIndex(1);
    CKVMsg* tie = index >= 0 ? measplace::ChildAt(*b, index) : nullptr;
    CKVMsg* next = tie ? tielink::EndOf(*tie) : nullptr;
    if (IsNote(next) && next != a && next != b) {
        next->SetMidiKey(key);
        next->m_byAccidental = a->m_byAccidental;
    }
}

// The tie or slur children of `from` that join exactly from -> to, other
// than `except`, in the order `from` holds them.
std::vector<CKVMsg*> LinksBetween(CKVMsg* from, CKVMsg* to, BYTE kind, const CKVMsg* except = nullptr)
{
    std::vector<CKVMsg*> links;
    for (int i = 0; i < from->m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* child = measplace::ChildAt(*from, i);
        if (child && child != from && child != except && child->m_byKind == kind &&
            child->m_dwWord == from->m_dwMsgId && static_cast<DWORD>(child->m_lHeight) == to->m_dwMsgId)
            links.push_back(child);
    }
    return links;
}

CKVMsg* LinkBetween(CKVMsg* from, CKVMsg* to, BYTE kind, const CKVMsg* except = nullptr)
{
    const std::vector<CKVMsg*> links = LinksBetween(from, to, kind, except);
    return links.empty() ? nullptr : links.front();
}

// Shaping settles a new link's kind from its notes: a tie between notes
// that cannot be tied becomes a slur, a slur between notes that can becomes
// a tie. The link it ends as replaces any other of that kind already
// joining a to b, so that no two of a kind join the same notes; a tie's
// flags stay on both notes.
void DropTwins(CKVMsg* link, CKVMsg* a, CKVMsg* b)
{
    bool dropped = false;
    while (CKVMsg* twin = LinkBetween(a, b, link->m_byKind, link)) {
        tielink::Detach(twin, a, b);
        dropped = true;
    }
    if (dropped && link->m_byKind == MSG_TIE) {
        a->m_wFlag = static_cast<WORD>(a->m_wFlag | MSGFLAG_TIE_START);
        b->m_wFlag = static_cast<WORD>(b->m_wFlag | MSGFLAG_TIE_END);
    }
}

// The tie leaving (owned 1) or arriving at (owned 0) a note, other than
// `except`.
CKVMsg* TieAt(CKVMsg* note, BYTE owned, const CKVMsg* except)
{
    for (int i = 0; i < note->m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = note->m_arrMsgRef.GetAt(i);
        CKVMsg* child = measplace::ChildAt(*note, i);
        if (ref && ref->byOwner == owned && child && child != note && child != except &&
            child->m_byKind == MSG_TIE)
            return child;
    }
    return nullptr;
}

// A new tie or slur from a to b, not yet attached.
CKVMsg* NewLink(CKVDoc& doc, CKVMsg* a, CKVMsg* b, BYTE kind)
{
    CKVMsg* link = KvNewReported<CKVMsg>(a);
    if (!link)
        return nullptr;
    link->m_byKind = kind;
    link->m_byVoice = a->m_byVoice;
    link->m_dwWord = a->m_dwMsgId;
    link->m_lHeight = static_cast<LONG>(b->m_dwMsgId);
    link->m_crColor = doc.m_CtrlTool.m_crCurrent;
    return link;
}

// Hangs a new link under its first note (owned) and its second (held),
// which PlanTie or PlanSlur found room on.
bool Attach(CKVMsg* link, CKVMsg* a, CKVMsg* b)
{
    if (a->AddMsg(link, kHolderOwns, kParentHere) < 0) {
        delete link;
        return false;
    }
    if (b->AddMsg(link, kHolderLinks, kParentHere) < 0)
        b->TemporaryMsg(link);
    // The first note stays its parent.
    link->m_pParent = a;
    link->m_byParentKind = a->m_byObjKind;
    return true;
}

void RederiveAccidentals(CKVMeas* meas)
{
    if (meas)
        meas->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove, kReorderChords, 0);
}

// What a new tie or slur is made with: its notes in score order, and the
// links taken off them first.
struct LinkPlan {
    CKVMsg* first = nullptr;
    CKVMsg* second = nullptr;
    std::vector<tielink::Taken> taken;

    void TakeOff() const
    {
        for (const tielink::Taken& t : taken)
            tielink::Detach(t.link, t.from, t.to);
    }
};

// What BindNoteByTie does: refuse, take the tie joining the notes away,
// leave notes that stand joined by ties already, or tie them.
enum class TieStep { Refused, Untie, Joined, Tie };

// BindNoteByTie's judgement, before anything changes: every refusal comes
// here, a note that could not take the tie among them.
TieStep PlanTie(CKVMsg* a, CKVMsg* b, bool toggle, LinkPlan& plan)
{
    if (!IsNote(a) || !IsNote(b) || a == b || !a->m_pSystem || a->m_pSystem != b->m_pSystem)
        return TieStep::Refused;
    CKVMsg* existing = LinkBetween(a, b, MSG_TIE);
    if (existing)
        plan.taken.push_back({existing, a, b});
    if (existing && toggle)
        return TieStep::Untie;
    if (a->m_nPosY != b->m_nPosY || std::abs(static_cast<int>(a->GetMidiKey()) - b->GetMidiKey()) > 1)
        return TieStep::Refused;
    plan.first = a;
    plan.second = b;
    if (!InScoreOrder(plan.first, plan.second))
        return TieStep::Refused;
    CKVMsg* leaving = TieAt(plan.first, 1, existing);
    CKVMsg* arriving = TieAt(plan.second, 0, existing);
    // The first note already ties on and the second is already tied into:
    // the two stand joined by ties, and nothing changes.
    if (leaving && arriving)
        return TieStep::Joined;
    if (tielink::StaffOfNote(plan.first) != tielink::StaffOfNote(plan.second))
        return TieStep::Refused;
    if (leaving)
        plan.taken.push_back({leaving, plan.first, tielink::EndOf(*leaving)});
    if (arriving)
        plan.taken.push_back({arriving, tielink::StartOf(*arriving), plan.second});
    return tielink::TakesLink(*plan.first, *plan.second, plan.taken) ? TieStep::Tie : TieStep::Refused;
}

// BindNoteBySlur's judgement, the same way; false when it refuses. The new
// slur replaces the slurs that join the two notes; a tie between them
// stays, and shaping keeps the slur a slur beside it.
bool PlanSlur(CKVMsg* a, CKVMsg* b, LinkPlan& plan)
{
    if (!IsNote(a) || !IsNote(b) || a == b || !a->m_pSystem || a->m_pSystem != b->m_pSystem)
        return false;
    if (!tielink::StaffOfNote(a) || tielink::StaffOfNote(a) != tielink::StaffOfNote(b))
        return false;
    plan.first = a;
    plan.second = b;
    if (!InScoreOrder(plan.first, plan.second))
        return false;
    for (CKVMsg* old : LinksBetween(plan.first, plan.second, MSG_SLUR))
        plan.taken.push_back({old, plan.first, plan.second});
    return tielink::TakesLink(*plan.first, *plan.second, plan.taken);
}

} // namespace

bool tielink::RefusesTie(CKVMsg* a, CKVMsg* b, bool toggle)
{
    LinkPlan plan;
    return PlanTie(a, b, toggle, plan) == TieStep::Refused;
}

bool tielink::RefusesSlur(CKVMsg* a, CKVMsg* b)
{
    LinkPlan plan;
    return !PlanSlur(a, b, plan);
}

int CKVDoc::IsEnableBindByTie(CKVMsg* a, CKVMsg* b, int align)
{
    if (!IsNote(a) || !IsNote(b) || a == b)
        return 0;
    if (a->m_nPosY != b->m_nPosY)
        return 0;
    const int keyA = a->GetMidiKey();
    const int keyB = b->GetMidiKey();
    const int difference = std::abs(keyA - keyB);
    if (difference > 1 || (difference == 1 && !align))
        return 0;
    // An existing tie a semitone off is mended by giving b a's key; the
    // checks below read b as mended, the change itself waits for the answer.
    const bool aligning = difference == 1 && (a->m_wFlag & MSGFLAG_TIE_START) && (b->m_wFlag & MSGFLAG_TIE_END);
    CKVMsg* first = a;
    CKVMsg* second = b;
    if (!InScoreOrder(first, second))
        return 0;
    CKVMeas* mFirst = tickmath::MeasureOf(first);
    CKVMeas* mSecond = tickmath::MeasureOf(second);
    if (measplace::StaffOf(*mFirst) != measplace::StaffOf(*mSecond))
        return 0;
    auto keyOf = [&](CKVMsg* note) {
        if (aligning && note == b)
            return keyA;
        return static_cast<int>(note->GetMidiKey());
    };
    const int firstKey = keyOf(first);

    int result = 0;
    if (mFirst == mSecond) {
        const std::vector<CKVMsg*> next = FirstNotesAfter(*mFirst, *first, first->m_nPosX, false);
        result = NothingBetween(next, *first, *second,
                                [&](CKVMsg* note) { return std::abs(keyOf(note) - firstKey) <= 1; })
                     ? 1
                     : 0;
    } else if (tielink::MeasIndexOf(mSecond) - tielink::MeasIndexOf(mFirst) == 1) {
        // The first note must end its voice in its measure (chord partners
        // aside).
        std::vector<CKVMsg*> notes;
        CollectNotes(*mFirst, notes, 0);
        bool last = true;
        for (CKVMsg* note : notes) {
            if (note->m_byVoice == first->m_byVoice && note->m_nPosX > first->m_nPosX)
                last = false;
        }
        if (last) {
            // The first note in time of the next measure, also one placed
            // left of its start (a negative position).
            const std::vector<CKVMsg*> opening =
                FirstNotesAfter(*mSecond, *first, std::numeric_limits<int>::min(), true);
            result = NothingBetween(opening, *first, *second,
                                    [&](CKVMsg* note) { return keyOf(note) == firstKey; })
                         ? 1
                         : 0;
        }
    }
    if (result == 1 && aligning)
        AlignTiedKey(a, b);
    return result;
}

int CKVDoc::BindNoteByTie(CKVMsg* a, CKVMsg* b, int height, int x, int y, int keepPlace, int toggle, int pass)
{
    LinkPlan plan;
    const TieStep step = PlanTie(a, b, toggle != 0, plan);
    if (step == TieStep::Refused)
        return 0;
    if (step != TieStep::Tie) {
        if (step == TieStep::Untie)
            plan.TakeOff();
        m_bModified = 1;
        return 1;
    }
    const BYTE keyA = a->GetMidiKey();
    const BYTE keyB = b->GetMidiKey();
    // The key goes from the note given first to the other, whichever of the
    // two comes first in the score.
    CKVMsg* keySource = a;
    CKVMsg* keyTarget = b;
    a = plan.first;
    b = plan.second;

    CKVMsg* tie = NewLink(*this, a, b, MSG_TIE);
    if (!tie)
        return 0;

    plan.TakeOff();
    if (keyA != keyB) {
        keyTarget->SetMidiKey(keySource->GetMidiKey());
        CKVMeas* sourceMeas = tickmath::MeasureOf(keySource);
        CKVMeas* targetMeas = tickmath::MeasureOf(keyTarget);
        RederiveAccidentals(sourceMeas);
        if (targetMeas != sourceMeas)
            RederiveAccidentals(targetMeas);
    }

    if (!Attach(tie, a, b))
        return 0;
    tie->SlurPosOrder(static_cast<short>(x), static_cast<short>(y), static_cast<short>(height), kSlurSetEndX, 1, 1,
                      kSlurResetMiddle, pass);
    DropTwins(tie, a, b);
    if (!keepPlace) {
        tie->m_nPosX = static_cast<short>(x);
        tie->m_nPosX2 = static_cast<short>(16 - x);
        tie->m_nPosY = static_cast<short>(y);
        tie->m_nPosY2 = static_cast<short>(y);
        tie->m_nLayout1 = static_cast<short>(height);
        tie->m_nLayout2 = static_cast<short>(height);
    }
    if ((b->m_byAccidental & ACCI_CODE_MASK) != ACCI_NONE)
        RederiveAccidentals(tickmath::MeasureOf(b));
    m_bModified = 1;
    return 1;
}

int CKVDoc::BindNoteBySlur(CKVMsg* a, CKVMsg* b, short height, unsigned short x, unsigned short y, int pass)
{
    LinkPlan plan;
    if (!PlanSlur(a, b, plan))
        return 0;
    a = plan.first;
    b = plan.second;
    CKVMsg* slur = NewLink(*this, a, b, MSG_SLUR);
    if (!slur)
        return 0;
    plan.TakeOff();
    if (!Attach(slur, a, b))
        return 0;
    slur->SlurPosOrder(static_cast<short>(x), static_cast<short>(y), height, kSlurSetEndX, 1, 1, kSlurResetMiddle,
                       pass);
    DropTwins(slur, a, b);
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetSymbol(short voice, POINT point, BYTE accidental, int options, int gapSteps)
{
    // The chord accidental columns are spaced in drawing units, like the
    // gap this command gives the note.
    const int gap = (m_nStaffSpace / 4) * gapSteps;
    SetAccColumnWidth(static_cast<short>(gap));

    CKVMsg* note = nullptr;
    if (voice != 0) {
        note = GetPointedNoteMsg(point, static_cast<unsigned char>(voice));
    } else {
        for (int v = 1; v <= CKVMeas::VOICES && !note; ++v)
            note = GetPointedNoteMsg(point, static_cast<unsigned char>(v));
    }
    if (!note || !CheckAvailableMemory(1000000))
        return 0;
    CKVMeas* meas = tickmath::MeasureOf(note);
    if (!meas)
        return 0;

    // The accidental changes along the whole tie chain: every measure that
    // holds a note of it is backed up, once, and the work goes on in the
    // live clones.
    CPtrArray chain;
    if (note->GetMsgNum() > 0)
        note->GetMsgBindedByTie(chain);
    std::vector<CKVMeas*> measures {meas};
    for (int i = 0; i < chain.GetSize(); ++i) {
        CKVMeas* m = tickmath::MeasureOf(static_cast<CKVMsg*>(chain.GetAt(i)));
        if (m && std::find(measures.begin(), measures.end(), m) == measures.end())
            measures.push_back(m);
    }
    ResetBackup();
    m_rcRedraw.SetRectEmpty();
    auto live = [&](CKVMsg* msg) {
        for (CKVMeas* m : measures) {
            CKVMeas* clone = m->GetCurBackupObj();
            if (clone && clone != m)
                if (CKVMsg* moved = clone->GetNewPtr2(msg))
                    return moved;
        }
        return msg;
    };
    for (CKVMeas* m : measures)
        m->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    note = live(note);
    for (int i = 0; i < chain.GetSize(); ++i)
        chain.SetAt(i, live(static_cast<CKVMsg*>(chain.GetAt(i))));
    meas = meas->GetCurBackupObj() ? meas->GetCurBackupObj() : meas;
    if (CKVBlock* block = GetBlockByMeas(meas))
        SetInvalidRect(block, meas);
    m_bModified = 1;

    if (chain.GetSize() == 0) {
        note->SetSymbol(accidental, options, gap);
        return 1;
    }
    for (int i = 0; i < chain.GetSize(); ++i)
        static_cast<CKVMsg*>(chain.GetAt(i))->SetSymbol(accidental, options, gap);
    return 1;
}

void CKVDoc::SetTuplet(BYTE voice, unsigned short word, unsigned short form, int pass)
{
    // A run: consecutive selected symbols of one measure (and, for voice 0,
    // of one voice), over the range of their positions. The runs are walked
    // twice: once to judge the room they leave, once to give the ratio.
    auto forEachRun = [&](const std::function<void(CKVMeas&, BYTE, short, short)>& visit) {
        CKVMeas* runMeas = nullptr;
        BYTE runVoice = 0;
        short from = 0;
        short to = 0;
        auto close = [&]() {
            if (runMeas)
                visit(*runMeas, runVoice, from, to);
            runMeas = nullptr;
        };
        const int records = m_pSelRectArray ? static_cast<int>(m_pSelRectArray->GetSize()) : 0;
        for (int r = 0; r < records; ++r) {
            const int count = GetSelMsgCount(static_cast<short>(r));
            for (int i = 0; i < count; ++i) {
                CKVMsg* msg = GetSelNote(i, 0);
                if (!msg || !tickmath::IsNoteRestChord(*msg) || (voice != 0 && msg->m_byVoice != voice))
                    continue;
                CKVMeas* meas = tickmath::MeasureOf(msg);
                if (!meas)
                    continue;
                if (runMeas && (meas != runMeas || msg->m_byVoice != runVoice))
                    close();
                if (!runMeas) {
                    runMeas = meas;
                    runVoice = msg->m_byVoice;
                    from = to = msg->m_nPosX;
                }
                from = std::min(from, msg->m_nPosX);
                to = std::max(to, msg->m_nPosX);
            }
            close();
        }
    };
    // A ratio that would run a voice past the ticks its start times hold, or
    // give a tuplet to a note whose record is full, is refused before any run
    // changes.
    CVoiceRoom room;
    bool carried = true;
    forEachRun([&](CKVMeas& meas, BYTE v, short from, short to) {
        carried = meas.TupletRoom(from, to, v, word, room) && carried;
    });
    if (!room.Fits() || !carried)
        return;
    forEachRun([&](CKVMeas& meas, BYTE v, short from, short to) {
        meas.SetTupletByMenu(from, to, v, word, form, pass);
    });
    m_bModified = 1;
}

void CKVDoc::UpdateTupletType(unsigned short form)
{
    CKVSystem* system = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (system) {
        const bool keepForms = form == 0xFFFF;
        for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
            CKVMsg* msg = system->GetMsgFromMap(static_cast<DWORD>(id));
            if (!msg)
                continue;
            // Notes and rests outside tuplets are left exactly as they are.
            if ((msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST) && msg->m_wObjWord != 0) {
                if (!keepForms)
                    msg->m_dwWord = (static_cast<DWORD>(form) << 16) | (msg->m_dwWord & 0xFFFF);
            } else if (msg->m_byKind == MSG_TUPLET) {
                if (!keepForms)
                    msg->m_wFlag = form;
                msg->TupletPosOrder();
            }
        }
    }
    m_bModified = 1;
}
