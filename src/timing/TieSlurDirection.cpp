#include "timing/TieSlurDirection.h"

int nTieSlurDirection = 0;

namespace {

void ResetTieSlurDirection()
{
    nTieSlurDirection = 0;
}

KvProcessReset s_reset("tie and slur direction", &ResetTieSlurDirection);

} // namespace

int SetTieSlurDirection(int direction)
{
    nTieSlurDirection = direction;
    return direction;
}
