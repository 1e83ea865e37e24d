// Pitch of a measure's notes: keys of positions, re-deriving positions from
// the stored MIDI keys, re-spelling after key and clef changes, and drums.

#include "model/KVMeas.h"

#include "model/DrumTable.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

using namespace kvpitch;

namespace {

bool IsTieEndToSkip(CKVMsg& note)
{
    return (note.m_wFlag & MSGFLAG_TIE_END) && !note.IsTieEndNoteInDiffMeas();
}

} // namespace

short CKVMeas::GetMidiKeyFromPosY(short x, short y)
{
    int clef = m_byInitClef;
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX <= x)
            clef = ClefOf(*msg);
    }
    // A drum position has no pitch of its own here; read it as treble.
    if (clef == CKVStaff::CLEF_DRUM)
        clef = 1;
    return static_cast<short>(ClampKey(PitchOfPosition(y, clef, UnitsOf(*this)).key));
}

short CKVMeas::SetParamFromMidiKey()
{
    if (IsDrumStaffKind(measplace::StaffKindOf(this))) {
        SetParamFromDrumTable(0);
        return 1;
    }
    const StaffUnits units = UnitsOf(*this);
    CKVStaff* staff = StaffOfMeas(this);
    int keySig[kDegrees];
    KeySignatureOf(this, keySig);
    int lastByDegree[kDegrees];
    for (int i = 0; i < kDegrees; ++i)
        lastByDegree[i] = keySig[i];
    InForce inForce;
    int clef = m_byInitClef;

    for (DWORD id : WalkCopy(*this, 1)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_KEYSIGN) {
            keySig[PitchOfPosition(msg->m_nPosY, clef, units).degree] = msg->m_wDuration;
            continue;
        }
        if (msg->m_byKind == MSG_CLEF) {
            clef = ClefOf(*msg);
            continue;
        }
        if (msg->m_byKind != MSG_NOTE)
            continue;

        const BYTE stored = msg->GetMidiKey();
        bool moved = false;
        if (msg->GetMidiKeyFromPosY(nullptr, nullptr) != stored) {
            if (IsCrossStaff(*msg))
                msg->SetPosByUpDownStaff(1, 0);
            else
                msg->SetParamFromMidiKey(static_cast<short>(clef), stored, staff);
            moved = true;
        }

        // Keep only the accidentals the context does not already give.
        const PosPitch natural = NaturalOf(*msg, clef, units);
        const int s = keySig[natural.degree];
        const int e = inForce.Get(natural.key);
        int a = AccidentalCodeOf(msg->m_byAccidental);
        if (e == ACCI_NONE && s == ACCI_NONE) {
            const int last = lastByDegree[natural.degree];
            if (a == ACCI_NATURAL && (last == ACCI_NONE || last == ACCI_NATURAL))
                a = ACCI_NONE;
            inForce.Set(natural.key, a);
        } else if (e == ACCI_NONE && s != ACCI_SHARP && s != ACCI_FLAT) {
            // A value of a single key-signature symbol: left to the user.
        } else if (e == ACCI_NATURAL) {
            if (a == ACCI_NATURAL)
                a = ACCI_NONE;
            else if (a != ACCI_NONE)
                inForce.Set(natural.key, a);
        } else {
            const int v = e != ACCI_NONE ? e : s;
            if (a == ACCI_NONE && moved) {
                a = ACCI_NATURAL;
                inForce.Set(natural.key, ACCI_NATURAL);
            } else if (a != v) {
                inForce.Set(natural.key, a);
            } else {
                a = ACCI_NONE;
            }
        }
        SetAccidentalCode(*msg, a);
        if (a != ACCI_NONE)
            lastByDegree[natural.degree] = a;
        msg->MakeNoteMarkCtrl();
    }
    return 1;
}

void CKVMeas::UpdateNoteKeySignature(int simplify, int allowMove, int reorderChords, short)
{
    if (IsDrumStaffKind(measplace::StaffKindOf(this)))
        return;
    const StaffUnits units = UnitsOf(*this);
    int keySig[kDegrees];
    KeySignatureOf(this, keySig);
    InForce inForce;
    int clef = m_byInitClef;

    for (DWORD id : WalkCopy(*this, 1)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_CLEF) {
            clef = ClefOf(*msg);
            continue;
        }
        if (msg->m_byKind != MSG_NOTE || IsTieEndToSkip(*msg))
            continue;

        const int r = msg->UpdateNoteKeySignature(simplify, allowMove);
        const PosPitch natural = NaturalOf(*msg, clef, units);
        const int s = keySig[natural.degree];
        const int e = inForce.Get(natural.key);
        const bool keep = (msg->m_wFlag & MSGFLAG_KEEP_ACCIDENTAL) != 0;
        int a = AccidentalCodeOf(msg->m_byAccidental);
        if (e == ACCI_NONE && s != ACCI_SHARP && s != ACCI_FLAT) {
            inForce.Set(natural.key, a);
        } else if (e == ACCI_NATURAL) {
            if (a == ACCI_NATURAL) {
                if (!keep)
                    a = ACCI_NONE;
            } else {
                inForce.Set(natural.key, a != ACCI_NONE ? a : ACCI_NATURAL);
            }
        } else {
            const int v = e != ACCI_NONE ? e : s;
            if (a == ACCI_NONE && r == 1) {
                a = ACCI_NATURAL;
                inForce.Set(natural.key, ACCI_NATURAL);
            } else if (a != v) {
                inForce.Set(natural.key, a);
            } else if (!keep) {
                a = ACCI_NONE;
            }
        }
        SetAccidentalCode(*msg, a);
        msg->MakeNoteMarkCtrl();
    }

    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_BEAM) {
            for (DWORD memberId : tickmath::ChildIds(*msg)) {
                CKVMsg* member = tickmath::Resolve(*msg, memberId);
                if (member && member->m_byKind == MSG_CHORD)
                    member->ChordKeyOrder();
            }
        } else if (msg->m_byKind == MSG_CHORD && reorderChords) {
            msg->ChordKeyOrder();
        }
    }
}

void CKVMeas::RegulAccidants()
{
    for (DWORD id : WalkCopy(*this, 0)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || msg->m_byKind != MSG_NOTE)
            continue;
        const int key = msg->GetMidiKeyFromOnlyPosY();
        const int stored = msg->GetMidiKey();
        if (key != stored && AccidentalCodeOf(msg->m_byAccidental) == ACCI_NONE)
            SetAccidentalCode(*msg, ACCI_NATURAL);
        else if (key == stored)
            SetAccidentalCode(*msg, ACCI_NONE);
        msg->MakeNoteCtrlPoint();
    }
}

WORD CKVMeas::GetDrumHeadType(int y)
{
    constexpr WORD kDefaultHead = 2;
    DrumKitEntry* entry = GetDrumTable(StaffOfMeas(this));
    const StaffUnits units = UnitsOf(*this);
    if (!entry || !units.Valid())
        return kDefaultHead;
    const int row = y / units.h + 13;
    if (row < 0 || row >= kDrumKitRows)
        return kDefaultHead;
    return static_cast<WORD>(DrumKitDefaultHead(entry, row) + 1);
}

WORD CKVMeas::GetDrumHeadAndPosByMidi(int onlyFixed, int key, int& y)
{
    constexpr WORD kDefaultHead = 2;
    constexpr WORD kFixedPosition = 0x8000;
    CKVStaff* staff = StaffOfMeas(this);
    DrumKitEntry* entry = staff ? GetDrumTable(staff) : nullptr;
    if (!entry || key < 0 || key >= kDrumKitKeys)
        return kDefaultHead;
    const WORD word = DrumKitKeyWord(entry, key);
    const StaffUnits units = UnitsOf(*this);
    if (units.Valid() && (onlyFixed == 0 || (word & kFixedPosition)))
        y = ((word & 0x3F) - 13) * units.h;
    return static_cast<WORD>(((word >> 8) & 0x0F) + 1);
}

short CKVMeas::SetParamFromDrumTable(int fromPosition)
{
    for (DWORD id : WalkCopy(*this, 0)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || msg->m_byKind != MSG_NOTE)
            continue;
        if (fromPosition) {
            msg->m_wHeadType = GetDrumHeadType(msg->m_nPosY);
            msg->MakeMidiMsgFromY(1);
        } else {
            int y = msg->m_nPosY;
            msg->m_wHeadType = GetDrumHeadAndPosByMidi(0, msg->GetMidiKey(), y);
            msg->m_nPosY = static_cast<short>(y);
            SetAccidentalCode(*msg, ACCI_NONE);
            msg->MakeNoteMarkCtrl();
        }
    }
    return 1;
}

void CKVMeas::UpdateChord()
{
    // Tidying a beam group hands its leading rests to the measure, so the
    // loop runs over a copy of the child list.
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (msg && (msg->m_byKind == MSG_CHORD || msg->m_byKind == MSG_BEAM))
            msg->UpdateChord();
    }
}
