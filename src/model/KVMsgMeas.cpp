// Symbol services of the measure: time from position, time ranges,
// transposition and position correction.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

namespace {

// The symbol of child reference i, or null for a stale reference; the list
// itself is left as it is.
CKVMsg* LiveChild(CKVObject& node, int i)
{
    const MsgRef* ref = node.m_arrMsgRef.GetAt(i);
    if (!ref || !node.m_pSystem)
        return nullptr;
    return node.m_pSystem->GetMsgFromMap(ref->dwMsgId);
}

// Half the document's staff space: one step of the staff.
int HalfSpace(const CKVObject& node)
{
    const CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nStaffSpace / 2 : 0;
}

// Semitones of an interval by its size (0 the unison to 7 the octave) and
// quality (1 diminished, 2 minor, 3 major or perfect, 4 augmented); -1 for
// a pair that names no interval, which counts as 0.
constexpr int kIntervalSemitones[8][5] = {
    {-1, -1, -1, 0, 1},   // unison
    {-1, 0, 1, 2, 3},     // second
    {-1, 2, 3, 4, 5},     // third
    {-1, 4, -1, 5, 6},    // fourth
    {-1, 6, -1, 7, 8},    // fifth
    {-1, 7, 8, 9, 10},    // sixth
    {-1, 9, 10, 11, 12},  // seventh
    {-1, 11, -1, 12, -1}, // octave
};

constexpr int kMajorScale[7] = {0, 2, 4, 5, 7, 9, 11};

int DegreeOf(CKVMsg& note)
{
    short degree = 0;
    note.GetMidiKeyFromPosY(&degree, nullptr);
    return degree >= 0 && degree < 7 ? degree : 0;
}

// Moves a note vertically; a note drawn on a neighbouring staff keeps its
// place there in step.
void MoveNote(CKVMsg& note, int dy)
{
    note.m_nPosY = static_cast<short>(note.m_nPosY + dy);
    if (note.m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN))
        note.m_nPosY2 = static_cast<short>(note.m_nPosY2 + dy);
}

// The start time a range test reads: a chord's is its first note's.
short RangeStartOf(CKVMsg& msg)
{
    if (msg.m_byKind == MSG_CHORD) {
        for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
            if (CKVMsg* first = LiveChild(msg, i))
                return first->m_nStartTime;
        }
    }
    return msg.m_nStartTime;
}

bool IsEmptyChord(CKVMsg& msg)
{
    if (msg.m_byKind != MSG_CHORD)
        return false;
    for (int i = 0; i < msg.m_arrMsgRef.GetSize(); ++i) {
        if (LiveChild(msg, i))
            return false;
    }
    return true;
}

} // namespace

short CKVMsg::GetTimeFromPos(short pos)
{
    if (tickmath::IsNoteRestChord(*this)) {
        const int before = pos - nCurStaffSpace > 0 ? pos - nCurStaffSpace : 0;
        return m_nPosX < before ? GetPlayTime() : 0;
    }
    if (m_byKind != MSG_BEAM)
        return 0;
    int sum = 0;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        if (CKVMsg* member = LiveChild(*this, i))
            sum += member->GetTimeFromPos(pos);
    }
    return static_cast<short>(sum);
}

void CKVMsg::DeleteTimeRange(short from, short to)
{
    if (m_byKind != MSG_BEAM)
        return;
    // The range is [from, to) here as for the measure's own symbols, so
    // that a member starting at `to` stays.
    for (int i = m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        CKVMsg* member = LiveChild(*this, i);
        if (!member || !tickmath::IsNoteRestChord(*member))
            continue;
        const short start = RangeStartOf(*member);
        if (IsEmptyChord(*member) || (start >= from && start < to))
            RemoveMsgAt(static_cast<short>(i));
    }
}

short CKVMsg::Transpose(int up, short quality, short steps, short octaves, int apply)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    const int h = HalfSpace(*this);
    const int sign = up ? -1 : 1; // upwards is towards smaller y
    int s = 0;
    if (quality >= 1 && quality <= 4) {
        if (apply)
            MoveNote(*this, sign * h * steps);
        if (steps >= 0 && steps < 8) {
            const int value = kIntervalSemitones[steps][quality];
            s = value < 0 ? 0 : value;
        }
    } else if (steps != 0) {
        const int d0 = DegreeOf(*this);
        MoveNote(*this, sign * h * steps);
        const int d1 = DegreeOf(*this);
        if (!apply)
            MoveNote(*this, -sign * h * steps);
        if (d0 == d1)
            s = 12;
        else if (up)
            s = d0 > d1 ? 12 - kMajorScale[d0] + kMajorScale[d1] : kMajorScale[d1] - kMajorScale[d0];
        else
            s = d0 < d1 ? 12 - kMajorScale[d1] + kMajorScale[d0] : kMajorScale[d0] - kMajorScale[d1];
    }
    if (octaves > 0) {
        s += 12 * octaves;
        if (apply)
            MoveNote(*this, sign * 7 * h * octaves);
    }
    if (apply) {
        // The key byte must not wrap: a key pushed past the range stays at
        // its end.
        int key = GetMidiKey() + (up ? s : -s);
        key = key < 0 ? 0 : (key > 127 ? 127 : key);
        SetMidiKey(static_cast<BYTE>(key));
    }
    return static_cast<short>(up ? s : -s);
}

void CKVMsg::MinusPosCorrect(short newHeader, short newRealWidth)
{
    if (m_byParentKind != OBJ_MEAS || !m_pParent || m_nPosX >= 0)
        return;
    // Without a width there is no scale to put the symbol on; it stays.
    if (newRealWidth == 0)
        return;
    CKVMeas* meas = static_cast<CKVMeas*>(m_pParent);
    const int x = meas->MeasXToAbsX(m_nPosX, m_byKind);
    m_nPosX = static_cast<short>(MulDiv(x - newHeader, CKVMeas::SCALE, newRealWidth));
}
