// Pitch of notes: positions, MIDI keys, accidentals and spellings.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/DrumTable.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

using namespace kvpitch;

namespace {

constexpr BYTE kGraceSlashMark = 79; // 'O': the slashed grace glyph

// The degrees of E and B (a sharp on them is the next white key) and of C and
// F (a flat on them is the white key below).
bool IsEorB(int degree)
{
    return degree == 2 || degree == 6;
}

bool IsCorF(int degree)
{
    return degree == 0 || degree == 3;
}

// What a note sounds in its full context, and the parts it was made of.
struct Sounding {
    int key = 0;          // 0-127
    int natural = 64;     // natural key of the note's step, not clamped
    int degree = 0;
    int accidental = 0;   // the code that altered the natural key
    int clef = 1;         // the clef in force at the note
    bool drum = false;    // read through the drum kit
};

Sounding SoundingOf(CKVMsg& note)
{
    Sounding s;
    const StaffUnits units = UnitsOf(note);
    CKVMeas* meas = ContextMeasure(note);
    int keySig[kDegrees];
    KeySignatureOf(meas, keySig);
    InForce inForce;
    int clef = meas ? meas->m_byInitClef : 1;

    if (meas) {
        for (DWORD id : WalkCopy(*meas, 1)) {
            CKVMsg* msg = tickmath::Resolve(*meas, id);
            if (!msg)
                continue;
            if (msg == &note)
                break;
            if (msg->m_byKind == MSG_CLEF) {
                clef = ClefOf(*msg);
            } else if (msg->m_byKind == MSG_NOTE) {
                // The accidental of a tied note belongs to the note it
                // continues, unless that one stands in an earlier measure.
                if ((msg->m_wFlag & MSGFLAG_TIE_END) && !msg->IsTieEndNoteInDiffMeas())
                    continue;
                const int code = AccidentalCodeOf(msg->m_byAccidental);
                if (code != ACCI_NONE)
                    inForce.Set(NaturalOf(*msg, clef, units).key, code);
            }
        }
    }
    s.clef = clef;

    if (IsDrumKind(measplace::StaffKindOf(meas))) {
        s.drum = true;
        s.natural = NaturalOf(note, CKVStaff::CLEF_DRUM, units).key;
        s.key = ClampKey(s.natural);
        return s;
    }
    const PosPitch natural = NaturalOf(note, clef, units);
    s.natural = natural.key;
    s.degree = natural.degree;
    s.drum = clef == CKVStaff::CLEF_DRUM;
    int accidental = inForce.Get(natural.key);
    if (accidental == ACCI_NONE)
        accidental = keySig[natural.degree];
    const int own = AccidentalCodeOf(note.m_byAccidental);
    if (own != ACCI_NONE)
        accidental = own;
    s.accidental = accidental;
    s.key = ClampKey(natural.key + AccidentalShift(accidental));
    return s;
}

// The accidental that turns a natural key into a target, for the steps
// that one accidental reaches: -2 to +2 semitones. Natural for 0: the note
// is re-spelled because its context was wrong, so "none" would not do.
int AccidentalFor(int semitones)
{
    switch (semitones) {
    case 1: return ACCI_SHARP;
    case -1: return ACCI_FLAT;
    case 2: return ACCI_DOUBLE_SHARP;
    case -2: return ACCI_DOUBLE_FLAT;
    default: return ACCI_NATURAL;
    }
}

// The 12-byte MIDI head as stored; fields a short head lacks keep the
// defaults of `head`.
void ReadHead(CKVMsg& note, MidiNoteHead& head)
{
    unsigned char* bytes = nullptr;
    const int length = note.GetHead(&bytes);
    if (!bytes)
        return;
    if (length > MidiNoteHead::KeyOffset)
        head.byKey = bytes[MidiNoteHead::KeyOffset];
    if (length > MidiNoteHead::VelocityOffset)
        head.byVelocity = bytes[MidiNoteHead::VelocityOffset];
    if (length > MidiNoteHead::ReleaseOffset)
        head.byRelease = bytes[MidiNoteHead::ReleaseOffset];
    if (length > MidiNoteHead::VoiceOffset)
        head.byVoice = bytes[MidiNoteHead::VoiceOffset];
    if (length >= MidiNoteHead::GateTimeOffset + 4)
        head.dwGateTime = GetDword(bytes + MidiNoteHead::GateTimeOffset);
    if (length >= MidiNoteHead::StartOffsetOffset + 4)
        head.lStartOffset = static_cast<LONG>(GetDword(bytes + MidiNoteHead::StartOffsetOffset));
}

void WriteHead(CKVMsg& note, const MidiNoteHead& head)
{
    unsigned char bytes[MidiNoteHead::Size] = {};
    bytes[MidiNoteHead::KeyOffset] = head.byKey;
    bytes[MidiNoteHead::VelocityOffset] = head.byVelocity;
    bytes[MidiNoteHead::ReleaseOffset] = head.byRelease;
    bytes[MidiNoteHead::VoiceOffset] = head.byVoice;
    PutDword(bytes + MidiNoteHead::GateTimeOffset, head.dwGateTime);
    PutDword(bytes + MidiNoteHead::StartOffsetOffset, static_cast<DWORD>(head.lStartOffset));
    note.SetHead(MidiNoteHead::Size, bytes);
}

// The clef in force at a position word of a measure: its initial clef,
// replaced by each clef change among its direct children at or before x.
int ClefAtPosition(CKVMeas& meas, int x)
{
    int clef = meas.m_byInitClef;
    for (DWORD id : tickmath::ChildIds(meas)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX <= x)
            clef = ClefOf(*msg);
    }
    return clef;
}

// Spells a key for the drum kit: head type and row position from the key's
// word. Without a kit entry the note stays as it is.
void SpellDrumKey(CKVMsg& note, int key, CKVStaff* staff, const StaffUnits& units)
{
    DrumKitEntry* entry = GetDrumTable(staff);
    if (!entry || key < 0 || key >= kDrumKitKeys || !units.Valid())
        return;
    const WORD word = DrumKitKeyWord(entry, key);
    note.m_wHeadType = static_cast<WORD>(((word >> 8) & 0x0F) + 1);
    note.m_nPosY = static_cast<short>(((word & 0x3F) - 13) * units.h);
    SetAccidentalCode(note, ACCI_NONE);
    note.MakeNoteMarkCtrl();
}

} // namespace

short CKVMsg::GetDoReMiFromPosY(short clef, int wantDegree, int useOwnAccidental)
{
    if (m_byKind != MSG_NOTE)
        return 255;
    const StaffUnits units = UnitsOf(*this);
    if (clef == CKVStaff::CLEF_DRUM)
        return static_cast<short>(DrumKeyOfPosition(*this, m_nPosY, units));
    const PosPitch pitch = PitchOfPosition(PitchY(*this), clef, units);
    if (wantDegree == 1)
        return static_cast<short>(pitch.degree);
    int key = pitch.key;
    if (useOwnAccidental == 1)
        key += AccidentalShift(AccidentalCodeOf(m_byAccidental));
    return static_cast<short>(ClampKey(key));
}

short CKVMsg::GetMidiKeyFromPosY(short* degree, short* accidental)
{
    if (m_byKind != MSG_NOTE)
        return -1;
    const Sounding s = SoundingOf(*this);
    if (degree)
        *degree = static_cast<short>(s.degree);
    if (accidental)
        *accidental = static_cast<short>(s.accidental);
    return static_cast<short>(s.key);
}

short CKVMsg::GetMidiKeyFromOnlyPosY()
{
    if (m_byKind != MSG_NOTE)
        return -1;
    const StaffUnits units = UnitsOf(*this);
    CKVMeas* meas = tickmath::MeasureOf(this);
    int keySig[kDegrees];
    KeySignatureOf(meas, keySig);
    int clef = meas ? meas->m_byInitClef : 1;
    if (meas) {
        for (DWORD id : tickmath::ChildIds(*meas)) {
            CKVMsg* msg = tickmath::Resolve(*meas, id);
            if (!msg)
                continue;
            if (msg->m_nPosX >= m_nPosX)
                break;
            if (msg->m_byKind == MSG_NOTE) {
                const int code = AccidentalCodeOf(msg->m_byAccidental);
                if (code != ACCI_NONE)
                    keySig[NaturalOf(*msg, clef, units).degree] = code;
            } else if (msg->m_byKind == MSG_KEYSIGN) {
                keySig[PitchOfPosition(msg->m_nPosY, clef, units).degree] = msg->m_wDuration;
            } else if (msg->m_byKind == MSG_CLEF) {
                clef = ClefOf(*msg);
            }
        }
    }
    const PosPitch natural = NaturalOf(*this, clef, units);
    return static_cast<short>(ClampKey(natural.key + AccidentalShift(keySig[natural.degree])));
}

short CKVMsg::WhatIsAccidental(short* degree)
{
    if (m_byKind != MSG_NOTE)
        return -1;
    CKVMeas* meas = ContextMeasure(*this);
    if (!meas)
        return 0;
    if (meas->m_byInitClef == CKVStaff::CLEF_DRUM)
        return -1;
    const StaffUnits units = UnitsOf(*this);
    int keySig[kDegrees];
    KeySignatureOf(meas, keySig);
    InForce inForce;
    int clef = meas->m_byInitClef;
    for (DWORD id : WalkCopy(*meas, 1)) {
        CKVMsg* msg = tickmath::Resolve(*meas, id);
        if (!msg)
            continue;
        if (msg == this) {
            const PosPitch natural = NaturalOf(*this, clef, units);
            if (degree)
                *degree = static_cast<short>(natural.degree);
            int code = AccidentalCodeOf(m_byAccidental);
            if (code == ACCI_NONE)
                code = inForce.Get(natural.key);
            if (code == ACCI_NONE)
                code = keySig[natural.degree];
            return static_cast<short>(code);
        }
        if (msg->m_byKind == MSG_CLEF) {
            clef = ClefOf(*msg);
        } else if (msg->m_byKind == MSG_NOTE) {
            const int code = AccidentalCodeOf(msg->m_byAccidental);
            if (code != ACCI_NONE)
                inForce.Set(NaturalOf(*msg, clef, units).key, code);
        }
    }
    return 0;
}

void CKVMsg::SetParamFromMidiKey(short clef, BYTE key, CKVStaff* staff)
{
    if (m_byKind != MSG_NOTE)
        return;
    const StaffUnits units = UnitsOf(*this);
    if (clef == CKVStaff::CLEF_DRUM) {
        SpellDrumKey(*this, key, staff, units);
        return;
    }
    if (clef < 1 || clef > 7) {
        SetAccidentalCode(*this, ACCI_NONE);
        return;
    }
    int y = 0;
    if (!PositionOfKey(key, clef, SharpSpellingTable, units, y))
        return; // damaged line spacing: no step to place the note on
    int accidental = IsBlackKey(key) ? ACCI_SHARP : ACCI_NONE;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (meas && accidental == ACCI_SHARP && meas->m_byKeyType == CKVMeas::KEY_FLATS) {
        accidental = ACCI_FLAT;
        y -= units.h;
    }
    m_nPosY = static_cast<short>(y);
    SetAccidentalCode(*this, accidental);
    MakeNoteMarkCtrl();
}

void CKVMsg::OtherSetParamFromMidiKey(int sharps)
{
    if (m_byKind != MSG_NOTE)
        return;
    CKVMeas* own = tickmath::MeasureOf(this);
    if (!own)
        return;
    const StaffUnits units = UnitsOf(*this);
    CKVMeas* context = own;
    bool cross = false;
    if (IsCrossStaff(*this)) {
        CKVMeas* other = (m_wFlag & MSGFLAG_STAFF_UP) ? own->GetUpMeas() : own->GetDownMeas();
        if (other) {
            context = other;
            cross = true;
        } else {
            m_wFlag = static_cast<WORD>(m_wFlag & ~(MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN));
        }
    }
    const int clef = ClefAtPosition(*context, m_nPosX);
    const int key = GetMidiKey();

    // A cross-staff note is spelled in the coordinates of the staff it is
    // drawn on; its own position follows by the same amount.
    if (cross)
        std::swap(m_nPosY, m_nPosY2);
    const int before = m_nPosY;
    if (clef == CKVStaff::CLEF_DRUM) {
        SpellDrumKey(*this, key, StaffOfMeas(own), units);
    } else if (clef < 1 || clef > 7) {
        SetAccidentalCode(*this, ACCI_NONE);
    } else {
        int y = 0;
        if (PositionOfKey(key, clef, sharps ? SharpSpellingTable : FlatSpellingTable, units, y)) {
            m_nPosY = static_cast<short>(y);
            const int black = sharps ? ACCI_SHARP : ACCI_FLAT;
            SetAccidentalCode(*this, IsBlackKey(key) ? black : ACCI_NONE);
            MakeNoteMarkCtrl();
        }
    }
    if (cross) {
        m_nPosY2 = static_cast<short>(m_nPosY2 + (m_nPosY - before));
        std::swap(m_nPosY, m_nPosY2);
    }
}

int CKVMsg::UpdateNoteKeySignature(int simplify, int allowMove)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    const Sounding s = SoundingOf(*this);
    const int target = GetMidiKey();
    const int d = s.key - target;
    if (d == 0)
        return 0;
    if (std::abs(d) > 4)
        return 1;
    // Drum sounds and unpitched clefs have no spelling to correct.
    if (s.drum || s.clef < 1 || s.clef > 9)
        return 1;
    const StaffUnits units = UnitsOf(*this);
    if (!units.Valid())
        return 1;

    const int own = AccidentalCodeOf(m_byAccidental);
    const int fromNatural = target - s.natural;
    if (std::abs(d) <= 2 && fromNatural >= -2 && fromNatural <= 2) {
        SetAccidentalCode(*this, AccidentalFor(fromNatural));
    } else {
        if (!(own == ACCI_NONE && std::abs(d) <= 2) && !allowMove)
            return 1;
        // Move towards the stored key, to the nearest step that one sharp,
        // flat or natural turns into it; a double accidental only when no
        // such step lies within three.
        const int direction = target > s.key ? 1 : -1;
        const int y = PitchY(*this);
        int steps = 0;
        int accidental = ACCI_NONE;
        for (int reach = 1; reach <= 2 && steps == 0; ++reach) {
            for (int n = 1; n <= 3; ++n) {
                const int natural = PitchOfPosition(y - direction * n * units.h, s.clef, units).key;
                const int diff = target - natural;
                if (std::abs(diff) <= reach) {
                    steps = n;
                    accidental = AccidentalFor(diff);
                    break;
                }
            }
        }
        if (steps == 0)
            return 1; // near the ends of the key range: no spelling sounds it
        MoveSteps(*this, direction * steps, units);
        SetAccidentalCode(*this, accidental);
    }

    if (simplify) {
        const int degree = PitchOfPosition(PitchY(*this), s.clef, units).degree;
        switch (AccidentalCodeOf(m_byAccidental)) {
        case ACCI_SHARP:
            if (IsEorB(degree)) {
                MoveSteps(*this, 1, units);
                SetAccidentalCode(*this, ACCI_NONE);
            }
            break;
        case ACCI_FLAT:
            if (IsCorF(degree)) {
                MoveSteps(*this, -1, units);
                SetAccidentalCode(*this, ACCI_NONE);
            }
            break;
        case ACCI_DOUBLE_SHARP:
            MoveSteps(*this, 1, units);
            SetAccidentalCode(*this, IsEorB(degree) ? ACCI_SHARP : ACCI_NATURAL);
            break;
        case ACCI_DOUBLE_FLAT:
            MoveSteps(*this, -1, units);
            SetAccidentalCode(*this, IsCorF(degree) ? ACCI_FLAT : ACCI_NATURAL);
            break;
        default:
            break;
        }
    }
    MakeNoteMarkCtrl();
    return 1;
}

int CKVMsg::ChangeOtherName(BYTE direction)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    short degree = 0;
    const int w = WhatIsAccidental(&degree);
    const int g = degree;
    int steps = 0;      // positive up
    int code = -1;      // -1: nothing to respell
    switch (direction) {
    case 1:
        if (w == ACCI_FLAT) {
            steps = -1;
            code = IsCorF(g) ? ACCI_NATURAL : ACCI_SHARP;
        }
        break;
    case 2:
        if (w == ACCI_SHARP) {
            steps = 1;
            code = IsEorB(g) ? ACCI_NATURAL : ACCI_FLAT;
        }
        break;
    case 3:
        switch (w) {
        case ACCI_NONE:
            if (IsEorB(g)) {
                steps = 1;
                code = ACCI_FLAT;
            } else if (IsCorF(g)) {
                steps = -1;
                code = ACCI_SHARP;
            } else {
                steps = -1;
                code = ACCI_DOUBLE_SHARP;
            }
            break;
        case ACCI_SHARP:
            steps = 1;
            code = IsEorB(g) ? ACCI_NATURAL : ACCI_FLAT;
            break;
        case ACCI_FLAT:
            steps = -1;
            code = IsCorF(g) ? ACCI_NATURAL : ACCI_SHARP;
            break;
        case ACCI_NATURAL:
            steps = -1;
            code = IsCorF(g) ? ACCI_SHARP : ACCI_DOUBLE_SHARP;
            break;
        case ACCI_DOUBLE_SHARP:
            steps = 1;
            code = IsEorB(g) ? ACCI_SHARP : ACCI_NATURAL;
            break;
        case ACCI_DOUBLE_FLAT:
            steps = -1;
            code = IsCorF(g) ? ACCI_FLAT : ACCI_NATURAL;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    if (code >= 0) {
        MoveSteps(*this, steps, UnitsOf(*this));
        SetAccidentalCode(*this, code);
    }
    if (CKVMeas* context = ContextMeasure(*this))
        context->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    MakeNoteMarkCtrl();
    return 1;
}

void CKVMsg::CorrectKeySign()
{
    if (m_byKind != MSG_NOTE)
        return;
    CKVMeas* context = ContextMeasure(*this);
    if (!context || context->m_byInitClef == CKVStaff::CLEF_DRUM)
        return;
    const StaffUnits units = UnitsOf(*this);
    const int target = GetMidiKey();
    const int c = target % 12;
    int code = AccidentalCodeOf(m_byAccidental);
    if (code == ACCI_SHARP && (context->m_byKeyType == CKVMeas::KEY_FLATS || c == 3 || c == 10)) {
        MoveSteps(*this, 1, units);
        code = ACCI_FLAT;
        SetAccidentalCode(*this, code);
    }
    int steps = 0;
    if (code == ACCI_SHARP)
        steps = 1;
    else if (code == ACCI_FLAT)
        steps = -1;
    if (steps == 0)
        return;
    const short y = m_nPosY;
    const short y2 = m_nPosY2;
    const BYTE accidental = m_byAccidental;
    MoveSteps(*this, steps, units);
    SetAccidentalCode(*this, ACCI_NONE);
    if (SoundingOf(*this).key != target) {
        m_nPosY = y;
        m_nPosY2 = y2;
        m_byAccidental = accidental;
    }
}

void CKVMsg::MakeMidiMsgFromY(int gateFromPlayTime)
{
    if (m_byKind != MSG_NOTE)
        return;
    CalcPlayTime();
    const DWORD playTime = static_cast<DWORD>(std::max<int>(0, m_nPlayTime));
    MidiNoteHead head;
    head.byVoice = m_byVoice;
    head.dwGateTime = playTime;
    head.lStartOffset = 0;
    ReadHead(*this, head);
    head.byKey = static_cast<BYTE>(SoundingOf(*this).key);
    if (gateFromPlayTime)
        head.dwGateTime = playTime;
    WriteHead(*this, head);
    m_nPerformStart = m_nStartTime;
}

void CKVMsg::UpdateMidiMsg()
{
    if (m_byKind != MSG_NOTE)
        return;
    unsigned char* bytes = nullptr;
    if (GetHead(&bytes) < 1 || !bytes)
        return;
    const int key = SoundingOf(*this).key;
    bytes[MidiNoteHead::KeyOffset] = static_cast<unsigned char>(key);
}

BYTE CKVMsg::GetMidiKey()
{
    if (m_byKind != MSG_NOTE)
        return 0;
    unsigned char* bytes = nullptr;
    if (GetHead(&bytes) <= MidiNoteHead::KeyOffset || !bytes)
        return 0;
    return bytes[MidiNoteHead::KeyOffset];
}

int CKVMsg::SetMidiKey(BYTE key)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    unsigned char* bytes = nullptr;
    if (GetHead(&bytes) <= MidiNoteHead::KeyOffset || !bytes)
        return 1;
    bytes[MidiNoteHead::KeyOffset] = key;
    return 1;
}

BYTE CKVMsg::GetVelocity()
{
    if (m_byKind != MSG_NOTE)
        return 0;
    unsigned char* bytes = nullptr;
    if (GetHead(&bytes) <= MidiNoteHead::VelocityOffset || !bytes)
        return 0;
    return bytes[MidiNoteHead::VelocityOffset];
}

int CKVMsg::SetVelocity(BYTE velocity)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    unsigned char* bytes = nullptr;
    if (GetHead(&bytes) <= MidiNoteHead::VelocityOffset || !bytes)
        return 0;
    bytes[MidiNoteHead::VelocityOffset] = velocity;
    return 1;
}

void CKVMsg::MakeGraceNote()
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_CHORD)
        return;
    const CKVDoc* doc = DocOf(*this);
    const bool slashMark = doc && doc->m_bGraceMark == 1;
    if (m_wFlag & MSGFLAG_GRACE) {
        m_wFlag = static_cast<WORD>(m_wFlag & ~MSGFLAG_GRACE);
        if (m_byKind == MSG_NOTE)
            m_wSize = MSG_SIZE_NORMAL;
        m_byMark1 = 0;
    } else {
        m_wFlag = static_cast<WORD>(m_wFlag | MSGFLAG_GRACE);
        if (m_byKind == MSG_NOTE) {
            m_wSize = static_cast<WORD>(MulDiv(MSG_SIZE_NORMAL, 75, 100));
            m_nStartTime = 0;
            m_nPerformStart = 0;
        }
        if (slashMark)
            m_byMark1 = kGraceSlashMark;
    }
    ChangeNoteDirection(kStemUp, kTurnGraceStems);
}

int CKVMsg::IsGraceNote()
{
    if (m_byKind != MSG_NOTE && m_byKind != MSG_CHORD)
        return 0;
    return (m_wFlag & MSGFLAG_GRACE) ? 1 : 0;
}
