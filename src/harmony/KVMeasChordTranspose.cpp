// Transposition of the chord symbols of a measure.

#include "model/KVMeas.h"

#include "harmony/ChordSymbol.h"
#include "model/PitchMath.h"

namespace {

// Chord-symbol codes: the semitone of each root code and of each bass code
// (bass 0 is none), and the root code that spells each semitone.
constexpr int kChordCodes = 22;
constexpr int kRootSemitone[kChordCodes] = {0, 1, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 11, 0, 5, 11, 4};
constexpr int kBassSemitone[kChordCodes] = {0, 0, 1, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 8, 9, 10, 10, 11, 11, 0, 5, 11};
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
        CKVMsg* msg = kvpitch::Resolve(*this, id);
        CChordSymbol* chord = msg && msg->m_byKind == MSG_CHORDSYMBOL ? dynamic_cast<CChordSymbol*>(msg) : nullptr;
        if (!chord)
            continue;
        // Codes read from a file may lie outside the tables; such a code is
        // left as it is.
        if (chord->m_nRoot >= 0 && chord->m_nRoot < kChordCodes)
            chord->m_nRoot = ShiftedRoot(kRootSemitone[chord->m_nRoot], shift);
        if (chord->m_nBass > 0 && chord->m_nBass < kChordCodes)
            chord->m_nBass = static_cast<short>(ShiftedRoot(kBassSemitone[chord->m_nBass], shift) + 1);
    }
}
