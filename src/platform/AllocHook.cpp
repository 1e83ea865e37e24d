#include "AllocHook.h"

#include "ProcessState.h"

namespace {

int s_failAfter = 0;

void ResetAllocHook()
{
    s_failAfter = 0;
}

KvProcessReset s_reset("allocation failure", &ResetAllocHook);

} // namespace

bool KvAllocationFails()
{
    if (s_failAfter <= 0)
        return false;
    return --s_failAfter == 0;
}

void KvFailAllocationAfter(int n)
{
    s_failAfter = n > 0 ? n : 0;
}
