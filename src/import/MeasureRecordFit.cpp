// Imported measures brought within their records: the order in which a
// crowded measure's symbols give way, and the giving up of one symbol with
// its links.

#include "import/MeasureRecordFit.h"

#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "document/UndoEntry.h"
#include "import/LeftOutNotes.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/CrossStaffList.h"
#include "timing/InsertState.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <vector>

namespace {

// The live children of the measure, as its record counts them.
int SymbolCount(CKVMeas& meas)
{
    return static_cast<int>(tickmath::LiveChildren(meas).size());
}

// The symbols that may give way, in the order they do: entries before the
// other symbols, each latest first by position, of two at one position the
// later child first. Clef changes never do.
std::vector<CKVMsg*> GiveWayOrder(CKVMeas& meas)
{
    std::vector<CKVMsg*> order;
    for (CKVMsg* msg : tickmath::LiveChildren(meas)) {
        if (msg->m_byKind != MSG_CLEF)
            order.push_back(msg);
    }
    std::reverse(order.begin(), order.end());
    std::stable_sort(order.begin(), order.end(), [](const CKVMsg* a, const CKVMsg* b) {
        if (tickmath::IsVoiceEntry(*a) != tickmath::IsVoiceEntry(*b))
            return tickmath::IsVoiceEntry(*a);
        return a->m_nPosX > b->m_nPosX;
    });
    return order;
}

// What stands under an entry: the notes, rests and chords that take its
// place in time (the entry itself, or a group's members) and every note,
// chord notes included.
struct Contents {
    std::vector<CKVMsg*> timed;
    std::vector<CKVMsg*> notes;
};

void CollectNotes(CKVMsg& msg, std::vector<CKVMsg*>& notes)
{
    if (msg.m_byKind == MSG_NOTE) {
        notes.push_back(&msg);
        return;
    }
    if (msg.m_byKind != MSG_CHORD)
        return;
    for (CKVMsg* child : tickmath::LiveChildren(msg))
        CollectNotes(*child, notes);
}

Contents ContentsOf(CKVMsg& entry)
{
    Contents contents;
    const std::vector<CKVMsg*> timed =
        entry.m_byKind == MSG_BEAM ? tickmath::LiveChildren(entry) : std::vector<CKVMsg*> {&entry};
    for (CKVMsg* msg : timed) {
        if (!tickmath::IsNoteRestChord(*msg))
            continue;
        contents.timed.push_back(msg);
        CollectNotes(*msg, contents.notes);
    }
    return contents;
}

bool HoldsKind(CKVMsg& msg, BYTE kind)
{
    const std::vector<CKVMsg*> children = tickmath::LiveChildren(msg);
    return std::any_of(children.begin(), children.end(), [&](const CKVMsg* c) { return c->m_byKind == kind; });
}

// Whether a note, rest or chord, or a note of the chord, holds a tuplet.
bool HoldsTuplet(CKVMsg& timed)
{
    if (HoldsKind(timed, MSG_TUPLET))
        return true;
    std::vector<CKVMsg*> notes;
    CollectNotes(timed, notes);
    return std::any_of(notes.begin(), notes.end(), [](CKVMsg* n) { return HoldsKind(*n, MSG_TUPLET); });
}

// Whether a note holds a tie or slur that names it as one of its ends.
bool HoldsOwnLink(CKVMsg& note)
{
    const std::vector<CKVMsg*> children = tickmath::LiveChildren(note);
    return std::any_of(children.begin(), children.end(), [&](const CKVMsg* c) {
        return tickmath::IsTieOrSlur(*c) && (tielink::StartOf(*c) == &note || tielink::EndOf(*c) == &note);
    });
}

bool AnyHoldsOwnLink(const std::vector<CKVMsg*>& notes)
{
    return std::any_of(notes.begin(), notes.end(), [](CKVMsg* n) { return HoldsOwnLink(*n); });
}

// Takes an entry's links off: its ties and slurs leave their partners, then
// its tuplets pass on, latest holder first, so that none is handed to a
// holder about to go. False, before any tuplet moves, when a tie or slur
// stays for want of memory.
bool ReleaseLinks(CKVDoc& doc, CKVMeas& meas, CKVMsg& entry, const Contents& contents)
{
    if (AnyHoldsOwnLink(contents.notes)) {
        doc.TieSlurMsgDelProc(&entry);
        if (AnyHoldsOwnLink(contents.notes))
            return false;
    }
    for (auto it = contents.timed.rbegin(); it != contents.timed.rend(); ++it) {
        if (HoldsTuplet(**it))
            doc.TupletMsgDelProc(*it);
    }
    // A note drawn on a neighbouring staff is listed by id in its measure.
    for (const std::vector<CKVMsg*>* list : {&contents.timed, &contents.notes}) {
        for (CKVMsg* msg : *list) {
            crossstaff::Unlist(meas.m_arrUpMsg, msg->m_dwMsgId);
            crossstaff::Unlist(meas.m_arrDownMsg, msg->m_dwMsgId);
        }
    }
    return true;
}

bool GiveUp(CKVDoc& doc, CKVMeas& meas, CKVMsg& msg, LeftOutNotes& leftOut)
{
    if (tickmath::IsVoiceEntry(msg)) {
        const Contents contents = ContentsOf(msg);
        if (!ReleaseLinks(doc, meas, msg, contents))
            return false;
        leftOut.crowdedMeasure += static_cast<DWORD>(contents.notes.size());
    }
    meas.DeleteMsg(&msg, kUnlinkAndFree);
    return true;
}

// Drops the relink records beyond the first `kept` of the open list.
void DropRelinkRecords(CKVDoc& doc, int kept)
{
    CPtrArray& records = doc.m_arrSlurBackup;
    while (records.GetSize() > kept) {
        const int last = records.GetSize() - 1;
        delete static_cast<SlurRelinkRecord*>(records.GetAt(last));
        records.RemoveAt(last);
    }
}

// A measure left with more clef changes than its record counts holds
// nothing else by then: its earliest give way, since each only hands the
// clef on to the next, and the last, which the measures after it take their
// clef from, stays.
void DropEarliestClefChanges(CKVMeas& meas)
{
    // In the order of their positions, the later of two at one position last.
    const std::vector<CKVMsg*> clefs = tickmath::LiveChildren(meas);
    for (size_t i = 0; !kvrec::WithinRecord(static_cast<int>(clefs.size() - i)); ++i)
        meas.DeleteMsg(clefs[i], kUnlinkAndFree);
}

} // namespace

namespace kvimport {

bool FitMeasureToRecord(CKVDoc& doc, CKVMeas& meas, LeftOutNotes& leftOut)
{
    // The references, stale ones included, bound the live count from above.
    if (kvrec::WithinRecord(meas.GetMsgNum()) || kvrec::WithinRecord(SymbolCount(meas)))
        return true;
    // The grouping fields the import used are done with; the tuplet
    // hand-over would read the last group, which may be about to go.
    doc.m_pLastGroup = nullptr;
    doc.m_pLastMember = nullptr;
    SetImportLastChord(nullptr);
    const int records = doc.m_arrSlurBackup.GetSize();
    bool fitted = true;
    for (CKVMsg* msg : GiveWayOrder(meas)) {
        if (kvrec::WithinRecord(SymbolCount(meas)))
            break;
        // Handing a tuplet over re-walks the measure, which may have taken
        // an emptied group out already.
        if (tielink::IndexOfChild(meas, msg) < 0)
            continue;
        if (!GiveUp(doc, meas, *msg, leftOut)) {
            fitted = false;
            break;
        }
    }
    DropRelinkRecords(doc, records);
    if (fitted)
        DropEarliestClefChanges(meas);
    return fitted;
}

bool FitMeasuresToRecords(CKVDoc& doc, CKVSystem& system, LeftOutNotes& leftOut)
{
    for (short s = 0; s < system.GetStaffNum(); ++s) {
        CKVStaff* staff = system.GetStaff(s);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (meas && meas->GetCurBackupObj())
                meas = meas->GetCurBackupObj();
            if (meas && !FitMeasureToRecord(doc, *meas, leftOut))
                return false;
        }
    }
    return true;
}

} // namespace kvimport
