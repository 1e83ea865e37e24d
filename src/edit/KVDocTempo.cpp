// Tempo marks and the tempo word of a measure column.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>

namespace {

// A beat code's note value, dot and microseconds per quarter at one beat a
// minute.
struct BeatCode {
    WORD note;
    BYTE dot;
    LONG perQuarter;
};

BeatCode BeatOf(int code)
{
    static constexpr BeatCode table[] = {
        {1, 0, 15000000}, {2, 0, 30000000}, {3, 0, 60000000}, {4, 0, 120000000}, {5, 0, 240000000},
        {2, 1, 20000000}, {3, 1, 40000000}, {4, 1, 80000000}, {5, 1, 160000000},
    };
    if (code >= 0 && code < static_cast<int>(sizeof(table) / sizeof(table[0])))
        return table[code];
    return {0, 0, 60000000};
}

bool KnownBeat(int code)
{
    return code >= 0 && code <= 8;
}

// Tempo marks show no note with this value.
constexpr WORD kNoNoteShown = 10;
constexpr WORD kNoSecondNote = 0xFFFF;
constexpr BYTE kTempoVoice = 2;

} // namespace

int CKVDoc::SetBaseTempo(CKVMsg* mark, int beatCode, int value, int secondCode, tagLYRICSUNIT text,
                         unsigned long flags)
{
    if (!mark)
        return 0;
    mark->m_crColor = text.dwWord[2];
    unsigned char head[16];
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 4; ++b)
            head[i * 4 + b] = static_cast<unsigned char>(text.dwWord[i] >> (8 * b));
    mark->SetHead(sizeof(head), head);
    mark->m_nPerformStart = 0;
    if (KnownBeat(beatCode)) {
        const BeatCode beat = BeatOf(beatCode);
        mark->m_wHeadType = beat.note;
        mark->m_byAccidental = beat.dot;
    }
    mark->m_dwWord = static_cast<DWORD>(value);
    if (flags & 2) {
        const BeatCode second = BeatOf(secondCode);
        mark->m_wDuration = second.note;
        mark->m_byDots = second.dot;
    } else {
        mark->m_wDuration = kNoSecondNote;
    }
    if (flags & 1)
        mark->m_lHeight = 1;
    if (flags & 4)
        mark->m_byReplace = 1;
    mark->m_byVoice = kTempoVoice;
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetTempoSign(CKVMsg* mark, int beatCode, int bpm, int second, unsigned char* text, int textLength,
                         unsigned long flags)
{
    // A tempo of 0 or less beats a minute has no length of a quarter.
    if (!mark || bpm <= 0)
        return 0;
    mark->m_nPerformStart = mark->m_nPosX;
    mark->m_dwWord &= 0xFFFFu; // no tuplet
    mark->m_wFlag = 1;
    if (!text || textLength < 0)
        textLength = 0;
    mark->SetHead(static_cast<short>(std::min(textLength, 0x7FFF)), text);
    const BeatCode beat = BeatOf(beatCode);
    mark->m_wHeadType = beat.note;
    mark->m_byAccidental = beat.dot;
    mark->m_lHeight = beat.perQuarter / bpm;
    if (flags & 8) {
        mark->m_wDuration = kNoSecondNote;
        mark->m_dwWord = static_cast<DWORD>(second);
    } else {
        const BeatCode other = BeatOf(second);
        mark->m_wDuration = other.note;
        mark->m_byDots = other.dot;
    }
    if (!(flags & 2)) {
        mark->m_wHeadType = kNoNoteShown;
        mark->m_wDuration = kNoNoteShown;
        mark->m_byAccidental = 0;
        mark->m_byDots = 0;
    }
    if (flags & 4)
        mark->m_byReplace = 1;
    mark->m_byVoice = kTempoVoice;
    m_bModified = 1;
    return 1;
}

void CKVDoc::ChangeTempo(int tempo, int)
{
    CKVBlock* block = m_pCurBlock;
    if (!block || block->m_byKind != CKVBlock::KIND_NORMAL || !block->m_pSystem)
        return;
    const LONG index = block->m_nFirstMeas + m_nCurMeas;
    CKVSystem* system = block->m_pSystem;
    for (short s = 0; s < system->GetStaffNum(); ++s) {
        if (CKVMeas* meas = system->GetStaff(s)->GetMeas(index))
            meas->m_wMarker = static_cast<WORD>(tempo);
    }
    m_bModified = 1;
}
