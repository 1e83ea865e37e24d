// Note and rest values of recorded MIDI notes.

#include "model/KVMsg.h"

#include "timing/GuessDurTable.h"

namespace {

constexpr int kFirstEntry = 1;      // the whole note
constexpr int kNeverTaken = 9;      // the 256th: too short to write
constexpr int kFirstDoubleDot = 2;  // the entries a double-dotted value is read from
constexpr int kLastDoubleDot = 8;

// The entry whose double-dotted length is exactly r (7/4 of it), or 0. The
// scan below would take the next longer value first and lengthen the note,
// so every later notated time would drift.
int DoubleDottedEntry(long r)
{
    for (int i = kFirstDoubleDot; i <= kLastDoubleDot; ++i) {
        const long entry = nGuessDurTable[i];
        if (entry > 0 && r * 4 == entry * 7)
            return i;
    }
    return 0;
}

} // namespace

short CKVMsg::CalcNoteRestKind(DWORD unit, DWORD length, short division)
{
    // The grid must be a positive 16-bit step: a division of 0 or less, or
    // one finer than a tick, gives no grid to round to.
    if (division <= 0)
        return -1;
    const short grid = static_cast<short>((4 * unit) / static_cast<DWORD>(division));
    if (grid <= 0)
        return -1;
    const long g = grid;
    long r = ((static_cast<long>(length) + g / 2) / g) * g;
    if (r == 0)
        return -1;

    if (const int entry = DoubleDottedEntry(r)) {
        m_wDuration = static_cast<WORD>(entry);
        m_byDots = 2;
        return 1;
    }

    m_wDuration = 0;
    int taken = 0;
    long entry = 0;
    for (int i = kFirstEntry; i < kGuessDurEntries; ++i) {
        entry = nGuessDurTable[i];
        if (entry - entry / 4 < r) {
            taken = i;
            break;
        }
    }
    if (taken == 0 || taken == kNeverTaken)
        return -1;
    m_wDuration = static_cast<WORD>(taken);
    r -= entry;

    // Within three quarters of the value the note is simply shorter: no dot.
    if (r < 0)
        return 1;
    long h = entry / 2;
    if (h == 0 || h > r)
        return 1;
    r -= h;
    h /= 2;
    m_byDots = (h == 0 || h > r) ? 1 : 2;
    return 1;
}
