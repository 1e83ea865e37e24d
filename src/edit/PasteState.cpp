// The paste end and the per-voice stem table of the measure-level paste.

#include "edit/PasteState.h"

#include <cstring>

LONG nPasteEndMeas = 0;
short nPasteEndPos = 0;

namespace {

constexpr int kVoices = 8;
BYTE s_stemTable[kVoices] = {};

void ResetPasteState()
{
    nPasteEndMeas = 0;
    nPasteEndPos = 0;
    std::memset(s_stemTable, 0, sizeof s_stemTable);
}

KvProcessReset s_reset("paste end and stem table", &ResetPasteState);

} // namespace

BYTE PasteStemDirection(int voice)
{
    return voice >= 1 && voice <= kVoices ? s_stemTable[voice - 1] : 0;
}

extern "C" void* SetNoteTailTieUpDown(void* eightBytes)
{
    if (eightBytes)
        std::memcpy(s_stemTable, eightBytes, sizeof s_stemTable);
    return s_stemTable;
}
