#include "model/PitchMath.h"

#include "document/KVDoc.h"
#include "model/DrumTable.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"

namespace kvpitch {

const int MajorScaleTable[kDegrees] = {0, 2, 4, 5, 7, 9, 11};
const int FlatOrderTable[kDegrees] = {6, 2, 5, 1, 4, 0, 3};
const int SharpSpellingTable[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
const int FlatSpellingTable[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};

namespace {

// Multiplier k (octaves of steps) and offset c of a pitched clef.
bool ClefParams(int clef, const StaffUnits& u, int& k, int& c)
{
    switch (clef) {
    case 1:
    case 9: k = 5; c = -u.l; return true;
    case 2: k = 4; c = u.l + u.h; return true;
    case 3: k = 5; c = 2 * u.l; return true;
    case 4: k = 5; c = 3 * u.l; return true;
    case 5: k = 6; c = -u.l; return true;
    case 6: k = 4; c = -u.l; return true;
    case 7: k = 3; c = u.l + u.h; return true;
    default: return false;
    }
}

} // namespace

StaffUnits UnitsOf(int lineSpacing)
{
    StaffUnits u;
    u.h = lineSpacing >> 1;
    if (u.h < 0)
        u.h = 0;
    u.l = 2 * u.h;
    u.octave = 4 * u.l - u.h;
    return u;
}

StaffUnits UnitsOf(const CKVObject& node)
{
    const CKVDoc* doc = DocOf(node);
    return UnitsOf(doc ? doc->m_nStaffSpace : 0);
}

PosPitch PitchOfPosition(int y, int clef, const StaffUnits& u)
{
    PosPitch result;
    int k = 0;
    int c = 0;
    if (!u.Valid() || !ClefParams(clef, u, k, c))
        return result;
    int p = k * u.octave - (y + c);
    if (p < 0)
        p = 0;
    const int steps = p / u.h;
    result.degree = steps % kDegrees;
    result.key = (p / u.octave) * 12 + MajorScaleTable[result.degree];
    return result;
}

bool PositionOfKey(int key, int clef, const int* spelling, const StaffUnits& u, int& y)
{
    if (!u.Valid() || key < 0)
        return false;
    const int q = key / 12;
    const int d = spelling[key % 12];
    const int o = u.octave;
    const int step = d * u.h;
    int v = 0;
    switch (clef) {
    case 1: v = (q - 5) * o + step - u.l; break;
    case 2: v = (q - 4) * o + step + u.h + u.l; break;
    case 3: v = (q - 5) * o + step + 2 * u.l; break;
    case 4: v = (q - 5) * o + step + 3 * u.l; break;
    case 5: v = (q - 6) * o + step - u.l; break;
    case 6: v = (q - 4) * o + step - u.l; break;
    case 7: v = (q - 3) * o + step + u.l + u.h; break;
    default: return false;
    }
    y = -v;
    return true;
}

int AccidentalCodeOf(BYTE accidentalByte)
{
    const int code = accidentalByte & ACCI_CODE_MASK;
    return code <= ACCI_DOUBLE_FLAT ? code : ACCI_NONE;
}

int AccidentalShift(int code)
{
    switch (code) {
    case ACCI_SHARP: return 1;
    case ACCI_FLAT: return -1;
    case ACCI_DOUBLE_SHARP: return 2;
    case ACCI_DOUBLE_FLAT: return -2;
    default: return 0;
    }
}

void SetAccidentalCode(CKVMsg& msg, int code)
{
    msg.m_byAccidental = static_cast<BYTE>((msg.m_byAccidental & ~ACCI_CODE_MASK) | (code & ACCI_CODE_MASK));
}

bool IsBlackKey(int key)
{
    switch (key % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10: return true;
    default: return false;
    }
}

void KeySignatureOf(const CKVMeas* meas, int out[kDegrees])
{
    for (int i = 0; i < kDegrees; ++i)
        out[i] = 0;
    if (!meas)
        return;
    const int kind = meas->m_byKeyType;
    int count = meas->m_byKeyCount;
    if (count > kDegrees)
        count = kDegrees;
    if (kind == CKVMeas::KEY_FLATS) {
        for (int i = 0; i < count; ++i)
            out[FlatOrderTable[i]] = kind;
    } else if (kind == CKVMeas::KEY_SHARPS) {
        for (int i = kDegrees - 1; i >= kDegrees - count; --i)
            out[FlatOrderTable[i]] = kind;
    }
}

int ClampKey(int key)
{
    return key < 0 ? 0 : (key > 127 ? 127 : key);
}

CKVStaff* StaffOfMeas(CKVMeas* meas)
{
    if (!meas || !meas->m_pParent)
        return nullptr;
    const BYTE kind = meas->m_pParent->m_byObjKind;
    if (kind != OBJ_STAFF && kind != OBJ_OSSIA_STAFF)
        return nullptr;
    return static_cast<CKVStaff*>(meas->m_pParent);
}

bool IsDrumKind(BYTE staffKind)
{
    return staffKind == CKVStaff::KIND_DRUM || staffKind == CKVStaff::KIND_DRUM_SECOND ||
           staffKind == CKVStaff::KIND_ONE_LINE;
}

bool IsDrumStaffKind(BYTE staffKind)
{
    return staffKind == CKVStaff::KIND_DRUM || staffKind == CKVStaff::KIND_DRUM_SECOND;
}

bool IsCrossStaff(const CKVMsg& msg)
{
    return (msg.m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) != 0;
}

CKVMeas* ContextMeasure(CKVMsg& note)
{
    CKVMeas* own = tickmath::MeasureOf(&note);
    if (!own)
        return nullptr;
    CKVMeas* other = nullptr;
    if (note.m_wFlag & MSGFLAG_STAFF_UP)
        other = own->GetUpMeas();
    else if (note.m_wFlag & MSGFLAG_STAFF_DOWN)
        other = own->GetDownMeas();
    return other ? other : own;
}

int PitchY(const CKVMsg& note)
{
    return IsCrossStaff(note) ? note.m_nPosY2 : note.m_nPosY;
}

void MoveSteps(CKVMsg& note, int steps, const StaffUnits& u)
{
    const int dy = -steps * u.h;
    note.m_nPosY = static_cast<short>(note.m_nPosY + dy);
    if (IsCrossStaff(note))
        note.m_nPosY2 = static_cast<short>(note.m_nPosY2 + dy);
}

int ClefOf(const CKVMsg& clefChange)
{
    return clefChange.m_wDuration & 0xFF;
}

int DrumKeyOfPosition(CKVMsg& note, int y, const StaffUnits& u)
{
    CKVMeas* meas = tickmath::MeasureOf(&note);
    DrumKitEntry* entry = meas ? GetDrumTable(StaffOfMeas(meas)) : nullptr;
    if (!entry)
        return 0;
    int key = kDrumKitNoKey;
    if (u.Valid()) {
        const int row = y / u.h + 13;
        const int head = note.m_wHeadType - 1;
        if (row >= 0 && row < kDrumKitRows && head >= 0 && head < kDrumKitHeads)
            key = DrumKitKey(entry, head, row);
    }
    if (key == kDrumKitNoKey)
        key = note.GetMidiKey();
    return key;
}

PosPitch NaturalOf(CKVMsg& note, int clef, const StaffUnits& u)
{
    if (clef == CKVStaff::CLEF_DRUM) {
        PosPitch drum;
        drum.key = DrumKeyOfPosition(note, note.m_nPosY, u);
        drum.degree = 0;
        return drum;
    }
    return PitchOfPosition(PitchY(note), clef, u);
}

std::vector<DWORD> WalkCopy(CKVMeas& meas, int withCrossStaff)
{
    meas.ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, withCrossStaff, kWalkTimedOnly);
    return measplace::WalkIds(meas);
}

} // namespace kvpitch
