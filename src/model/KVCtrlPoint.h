#pragma once
// One control handle of a symbol, staff or measure: a rectangle relative to
// the owner's anchor and a kind word that tells how a drag on it behaves.

#include "ObjectPool.h"
#include "Platform.h"

#include <new>

class CKVCtrlPoint : public CObject {
public:
    // A handle comes from the pool on its own, or with the other handles of
    // its owner in one shared block (MakeShared). Deleting any of them, in
    // any order and also through the base, destroys that handle; the shared
    // block goes with the last of its handles.
    static void* operator new(size_t size)
    {
        if (void* block = KvPoolAllocate(size))
            return block;
        throw std::bad_alloc();
    }
    static void* operator new(size_t size, const std::nothrow_t&) noexcept { return KvPoolAllocate(size); }
    // For a construction that fails inside new; no constructor throws.
    static void operator delete(void* block) noexcept { KvPoolFree(block); }
    static void operator delete(CKVCtrlPoint* handle, std::destroying_delete_t) noexcept;

    // The most handles one shared block holds.
    static constexpr int kMostShared = 255;
    // Constructs `count` (1 to kMostShared) default handles in one block
    // into `out`; false, with nothing made, when the pool cannot give the
    // block. The allocation is not counted: the caller counts it once.
    static bool MakeShared(int count, CKVCtrlPoint** out) noexcept;

    // Kind words of symbol handles.
    static constexpr WORD kMoveWhole = 6;
    static constexpr WORD kReshape = 10;   // on an ellipse: left and right edges
    static constexpr WORD kReshapeAlt = 11; // on an ellipse: top and bottom edges

    CKVCtrlPoint() = default;
    explicit CKVCtrlPoint(const RECT& rect);

    CKVCtrlPoint& operator=(const CKVCtrlPoint& other);
    operator CRect() const { return m_rect; }

    CRect m_rect;
    WORD m_wKind = 0;

private:
    // 0 for a block of its own; n for the n-th handle of a shared block.
    // Neither copied nor assigned: it belongs to the storage.
    BYTE m_bySlot = 0;
};

class CKVObject;

// Defined in model/KVMsgCtrl.cpp
// Makes the node's list hold at least `count` handles; false when an
// allocation failed (reported), leaving the handles made so far.
bool GrowHandles(CKVObject& node, int count);
// The node's handle at an index; null past the list or for an empty slot.
CKVCtrlPoint* HandleAt(CKVObject& node, int index);
// Deletes every handle of the node and empties its list.
void DeleteHandles(CKVObject& node);
