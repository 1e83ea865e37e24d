#pragma once
// The record walk that every list of the Brenlo page model parses with.

#include "import/UList.h"
#include "model/NewObject.h"

namespace brenlo {

// A new item, or null after the out-of-memory report.
template <typename T>
T* NewItem()
{
    return KvNewReported<T>();
}

// Appends node at the end of list, whose last node is *tail.
inline void Append(CUList& list, CUJoin*& tail, CUJoin* node)
{
    node->m_pPrev = tail;
    node->m_pNext = nullptr;
    if (tail)
        tail->m_pNext = node;
    else
        list.m_pHead = node;
    tail = node;
}

inline CUJoin* LastNode(CUList& list)
{
    CUJoin* tail = list.m_pHead;
    while (tail && tail->m_pNext)
        tail = tail->m_pNext;
    return tail;
}

// Walks the records that fill `total` bytes exactly: each starts with its
// 32-bit length (at least `minimum`, at most what is left) and, when typed,
// its 32-bit type. make(type, record, length, made) returns the parsed item;
// it sets made to false for a type that makes no item, and returns null with
// made true when the item could not be made or parsed, which fails the walk.
// The items are appended to list; 1 on success.
template <typename Make>
int WalkRecords(CUList& list, const char* records, DWORD total, bool typed, Make make)
{
    CUReader in(records, total);
    CUJoin* tail = LastNode(list);
    int count = list.GetCount();
    DWORD consumed = 0;
    while (consumed != total) {
        const DWORD left = total - consumed;
        const DWORD length = in.Dword(consumed);
        if (length < 8 || length > left)
            return 0;
        const DWORD type = typed ? in.Dword(consumed + 4) : 0;
        bool made = true;
        CUJoin* item = make(type, records + consumed, length, made);
        if (made) {
            if (!item || count >= CUList::kMaxItems) {
                delete item;
                return 0;
            }
            Append(list, tail, item);
            ++count;
        }
        consumed += length;
    }
    return 1;
}

template <typename Make>
int ParseTyped(CUList& list, const char* records, DWORD total, Make make)
{
    return WalkRecords(list, records, total, true, make);
}

} // namespace brenlo
