#include "timing/TieSlurDirection.h"

#include <cstring>

int nTieSlurDirection = 0;
BYTE byNoteTailTieUpDown[kStemTableVoices] = {};

namespace {

void ResetTieSlurDirection()
{
    nTieSlurDirection = 0;
}

KvProcessReset s_reset("tie and slur direction", &ResetTieSlurDirection);

void ResetStemTable()
{
    std::memset(byNoteTailTieUpDown, 0, sizeof byNoteTailTieUpDown);
}

KvProcessReset s_resetStems("per-voice stem table", &ResetStemTable);

} // namespace

int SetTieSlurDirection(int direction)
{
    nTieSlurDirection = direction;
    return direction;
}

void* SetNoteTailTieUpDown(void* eightBytes)
{
    if (eightBytes)
        std::memcpy(byNoteTailTieUpDown, eightBytes, sizeof byNoteTailTieUpDown);
    return byNoteTailTieUpDown;
}
