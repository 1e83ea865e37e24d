// Positions of notes drawn on a neighbouring staff.

#include "model/KVMsg.h"

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/MidiNoteHead.h"
#include "model/NewObject.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <memory>

namespace {

// The clef in force at a position word: the measure's initial clef, replaced
// by the last clef change at or left of it.
int ClefAt(CKVMeas& meas, int x)
{
    int clef = meas.m_byInitClef;
    for (DWORD id : tickmath::ChildIds(meas)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX <= x)
            clef = kvpitch::ClefOf(*msg);
    }
    return clef;
}

// The measure a note or rest is drawn in: the neighbour its flag names, or
// its own. Null when that neighbour is missing.
CKVMeas* DrawnIn(CKVMsg& msg, CKVMeas& own)
{
    if (msg.m_wFlag & MSGFLAG_STAFF_UP)
        return own.GetUpMeas();
    if (msg.m_wFlag & MSGFLAG_STAFF_DOWN)
        return own.GetDownMeas();
    return &own;
}

} // namespace

void CKVMsg::SetPosByUpDownStaff(int place, int keepOwn)
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_REST)
        return;
    CKVMeas* own = tickmath::MeasureOf(this);
    CKVStaff* staff = own ? measplace::StaffOf(*own) : nullptr;
    if (!staff || staff->m_byObjKind == OBJ_OSSIA_STAFF || staff->GetIndexInSystem() < 0)
        return;
    CKVMeas* target = DrawnIn(*this, *own);
    if (!target)
        return;
    const int shift = target->m_nStaffY - own->m_nStaffY;

    if (m_byKind == MSG_REST) {
        if (target == own) {
            m_nPosY = m_nPosY2;
            return;
        }
        if (keepOwn)
            m_nPosY2 = m_nPosY;
        m_nPosY = static_cast<short>(m_nPosY2 + shift);
        return;
    }

    // The note is spelled as the staff it is drawn on spells its key: a
    // stand-in of that measure takes the key under the clef in force there.
    // Without a MIDI head there is no key to spell, and the note stays.
    unsigned char* head = nullptr;
    if (GetHead(&head) <= MidiNoteHead::KeyOffset || !head)
        return;
    std::unique_ptr<CKVMsg> probe(KvNewChild<CKVMsg>(target->m_pSystem, OBJ_MSG, target, OBJ_MEAS));
    if (!probe)
        return;
    probe->m_byKind = MSG_NOTE;
    probe->m_nPosX = m_nPosX;
    probe->m_byVoice = m_byVoice;
    const int clef = ClefAt(*target, m_nPosX);
    probe->SetParamFromMidiKey(static_cast<short>(clef), GetMidiKey(), measplace::StaffOf(*target));
    if (!place)
        return;
    if (target == own) {
        m_nPosY = probe->m_nPosY;
    } else {
        m_nPosX2 = m_nPosX;
        m_nPosY2 = probe->m_nPosY;
        m_nPosY = static_cast<short>(probe->m_nPosY + shift);
    }
    kvpitch::SetAccidentalCode(*this, kvpitch::AccidentalCodeOf(probe->m_byAccidental));
    if (target != own)
        ChangeNoteDirection(kStemOfVoice, 0);
    MakeNoteMarkCtrl();
}
