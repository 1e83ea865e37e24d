#include "AllocHook.h"

#include "ProcessState.h"

int nKvAllocationsToFailure = 0;

namespace {

void ResetAllocHook()
{
    nKvAllocationsToFailure = 0;
}

KvProcessReset s_reset("allocation failure", &ResetAllocHook);

} // namespace

void KvFailAllocationAfter(int n)
{
    nKvAllocationsToFailure = n > 0 ? n : 0;
}

namespace {

bool s_tallyOn = false;
long long s_tallyLive = 0;
long long s_tallyPeak = 0;

} // namespace

void KvHeapTallyEnable(bool on)
{
    s_tallyOn = on;
}

bool KvHeapTallyEnabled()
{
    return s_tallyOn;
}

void KvHeapTallyAllocated(size_t bytes)
{
    s_tallyLive += static_cast<long long>(bytes);
    if (s_tallyLive > s_tallyPeak)
        s_tallyPeak = s_tallyLive;
}

void KvHeapTallyFreed(size_t bytes)
{
    s_tallyLive -= static_cast<long long>(bytes);
}

long long KvHeapTallyLive()
{
    return s_tallyLive;
}

long long KvHeapTallyPeak()
{
    return s_tallyPeak;
}

void KvHeapTallyResetPeak()
{
    s_tallyPeak = s_tallyLive;
}
