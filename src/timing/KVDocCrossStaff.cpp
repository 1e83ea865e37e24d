// The notes of a voice shown on the staff above or below.

#include "document/KVDoc.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <set>
#include <vector>

namespace {

// Which way a command moves the selected notes.
struct Direction {
    WORD toward;                     // the flag of the staff the notes go to
    WORD away;                       // the flag of the other side
    CKVMeas* (CKVMeas::*neighbour)(); // the measure the notes go to
    CKVMeas* (CKVMeas::*opposite)();  // the measure on the other side
};

constexpr Direction kUp {MSGFLAG_STAFF_UP, MSGFLAG_STAFF_DOWN, &CKVMeas::GetUpMeas, &CKVMeas::GetDownMeas};
constexpr Direction kDown {MSGFLAG_STAFF_DOWN, MSGFLAG_STAFF_UP, &CKVMeas::GetDownMeas, &CKVMeas::GetUpMeas};

int IndexOf(CKVMeas& meas)
{
    return measplace::IndexOnStaff(measplace::StaffOf(meas), &meas);
}

// A column whose measures draw notes into each other is backed up whole with
// any of its measures.
bool HoldsCrossStaff(CKVMeas& meas)
{
    for (CKVMeas* other : measplace::ColumnOf(meas)) {
        if (other->m_arrUpMsg.GetSize() > 0 || other->m_arrDownMsg.GetSize() > 0)
            return true;
    }
    return false;
}

// The notes and rests of the selection (members of selected chords and beam
// groups too), each once, and the selected containers.
struct Selected {
    std::vector<CKVMsg*> symbols;
    std::vector<CKVMsg*> containers;
};

void Collect(CKVMsg& msg, short voice, Selected& out, std::set<CKVMsg*>& seen, int depth)
{
    if (!seen.insert(&msg).second || depth > 3)
        return;
    if (voice != 0 && msg.m_byVoice != voice)
        return;
    if (msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST) {
        out.symbols.push_back(&msg);
        return;
    }
    if (msg.m_byKind != MSG_CHORD && msg.m_byKind != MSG_BEAM)
        return;
    out.containers.push_back(&msg);
    for (DWORD id : tickmath::ChildIds(msg)) {
        if (CKVMsg* member = tickmath::Resolve(msg, id); member && member != &msg)
            Collect(*member, voice, out, seen, depth + 1);
    }
}

class CrossStaffMove {
public:
    CrossStaffMove(CKVDoc& doc, const Direction& way) : m_doc(doc), m_way(way) {}

    void Run(short voice)
    {
        m_doc.ResetBackup();
        // With every page selected the move reaches every staff: the whole
        // document goes into the step, and no measure needs a copy of its own.
        m_wholeScore = m_doc.m_bSelectAllPages != 0;
        if (m_wholeScore)
            m_doc.ObjectBackup(1);
        else if (!m_doc.SelMeasBackup(1))
            return;
        Selected selected;
        std::set<CKVMsg*> seen;
        const int count = m_doc.GetSelMsgCount();
        for (int i = 0; i < count; ++i) {
            if (CKVMsg* msg = m_doc.GetSelNote(i, 0))
                Collect(*msg, voice, selected, seen, 0);
        }
        // The selection's backup cloned these columns whole already.
        for (CKVMsg* msg : selected.symbols) {
            CKVMeas* own = tickmath::MeasureOf(msg);
            if (own && HoldsCrossStaff(*own))
                m_wholeColumns.insert(IndexOf(*own));
        }
        CKVMeas* lastNeighbour = nullptr;
        for (CKVMsg* msg : selected.symbols)
            Move(*msg, lastNeighbour);
        Respell(lastNeighbour);
        for (CKVMsg* container : selected.containers)
            container->ChangeNoteDirection(kStemOfVoice, 0);
        m_doc.m_bModified = 1;
    }

private:
    // The live form of a measure the command is about to change: backed up
    // once in this step, so that undo restores what re-spelling changes.
    CKVMeas* Live(CKVMeas* meas)
    {
        if (!meas)
            return nullptr;
        if (m_wholeScore || m_backedUp.count(meas) || m_wholeColumns.count(IndexOf(*meas)))
            return meas;
        meas->ObjectBackup(kBackupRecorded, kBackupAlone);
        CKVMeas* live = meas->GetCurBackupObj();
        m_backedUp.insert(meas);
        m_backedUp.insert(live);
        return live;
    }

    void Respell(CKVMeas* meas)
    {
        if (meas)
            meas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    }

    void Move(CKVMsg& msg, CKVMeas*& lastNeighbour)
    {
        CKVMeas* own = tickmath::MeasureOf(&msg);
        if (!own)
            return;
        m_backedUp.insert(own);
        if (msg.m_wFlag & m_way.away) {
            // Drawn on the other side: it comes home, and both staves spell
            // their notes again.
            Live((own->*m_way.opposite)());
            own->DeleteUpDownMsgArray(&msg);
            msg.m_wFlag = static_cast<WORD>(msg.m_wFlag & ~(MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN));
            msg.SetPosByUpDownStaff(1, 0);
            if (msg.m_byKind == MSG_NOTE)
                msg.ChangeNoteDirection(kStemOfVoice, 0);
        } else {
            if (msg.m_wFlag & m_way.toward)
                return;
            if (kvpitch::IsDrumStaffKind(measplace::StaffKindOf(own)))
                return;
            CKVMeas* neighbour = (own->*m_way.neighbour)();
            if (!neighbour)
                return;
            neighbour = Live(neighbour);
            if (lastNeighbour && lastNeighbour != neighbour)
                Respell(lastNeighbour);
            lastNeighbour = neighbour;
            // A note is spelled on the other staff from its key; one without
            // a MIDI head takes the key of its place first.
            if (msg.m_byKind == MSG_NOTE && msg.GetMidiKey() == 0)
                msg.MakeMidiMsgFromY(0);
            msg.m_wFlag = static_cast<WORD>(msg.m_wFlag | m_way.toward);
            own->AddUpDownMsgArray(&msg);
            if (msg.m_byKind == MSG_NOTE) {
                msg.SetPosByUpDownStaff(1, 0);
                msg.ChangeNoteDirection(kStemOfVoice, 0);
            } else {
                msg.SetPosByUpDownStaff(1, 1);
            }
        }
        if (msg.m_byKind == MSG_NOTE)
            msg.AutoAdjustTieSlur();
    }

    CKVDoc& m_doc;
    const Direction& m_way;
    std::set<CKVMeas*> m_backedUp;
    std::set<int> m_wholeColumns;
    bool m_wholeScore = false;
};

} // namespace

void CKVDoc::SetMsgUpStaffView(short voice)
{
    CrossStaffMove(*this, kUp).Run(voice);
}

void CKVDoc::SetMsgDownStaffView(short voice)
{
    CrossStaffMove(*this, kDown).Run(voice);
}
