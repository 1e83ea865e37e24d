#include "Arrays.h"

#include "Fatal.h"

void KvArrayIndexFault(const char* container, const char* member, int index, int size)
{
    KvFatal("%s::%s: index %d out of range (size %d)", container, member, index, size);
}

void KvArrayRangeFault(const char* container, const char* member, int index, int count, int size)
{
    KvFatal("%s::%s: index %d with count %d out of range (size %d)", container, member, index, count, size);
}

void KvArraySizeFault(const char* container, int newSize)
{
    KvFatal("%s::SetSize: negative size %d", container, newSize);
}

// The arrays of the layer are built here once rather than in every user.
template class KvArray<void*, void*>;
template class KvArray<WORD, WORD>;
template class KvArray<DWORD, DWORD>;
template class KvArray<BYTE, BYTE>;
template class KvArray<CString, const CString&>;
