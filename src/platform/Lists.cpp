#include "Lists.h"

#include "Fatal.h"

void KvListEmptyFault(const char* container, const char* member)
{
    KvFatal("%s::%s: the list is empty", container, member);
}

void KvListPositionFault(const char* container, const char* member)
{
    KvFatal("%s::%s: null POSITION", container, member);
}

// The lists of the layer are built here once rather than in every user.
template class KvList<void*>;
template class KvList<CObject*>;
