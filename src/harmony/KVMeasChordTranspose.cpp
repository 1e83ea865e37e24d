// Transposition of the chord symbols of a measure.

#include "model/KVMeas.h"

#include "harmony/ChordRtBsInfo.h"
#include "harmony/ChordSymbol.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

namespace {

// The root code that spells each semitone; the semitones of the codes come
// from the spelling table.
constexpr short kSemitoneRoot[12] = {0, 1, 3, 4, 6, 7, 8, 10, 11, 13, 14, 16};

short ShiftedRoot(int semitone, int shift)
{
    int s = (semitone + shift) % 12;
    if (s < 0)
        s += 12;
    return kSemitoneRoot[s];
}

} // namespace

void CKVMeas::TransposeChordName(int up, short semitones)
{
    const int shift = up ? semitones : -semitones;
    for (DWORD id : kvpitch::WalkCopy(*this, 0)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        CChordSymbol* chord = msg && msg->m_byKind == MSG_CHORDSYMBOL ? dynamic_cast<CChordSymbol*>(msg) : nullptr;
        if (!chord)
            continue;
        // Codes read from a file may lie outside the tables; such a code is
        // left as it is.
        const int root = procChordRtBsInfo.GetRootMidiKey(chord->m_nRoot);
        if (root >= 0)
            chord->m_nRoot = ShiftedRoot(root, shift);
        const int bass = procChordRtBsInfo.GetBaseMidiKey(chord->m_nBass);
        if (bass >= 0)
            chord->m_nBass = static_cast<short>(ShiftedRoot(bass, shift) + 1);
    }
}
