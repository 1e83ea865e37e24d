#pragma once
// One control handle of a symbol, staff or measure: a rectangle relative to
// the owner's anchor and a kind word that tells how a drag on it behaves.

#include "ObjectPool.h"
#include "Platform.h"

class CKVCtrlPoint : public CObject {
public:
    KV_POOLED_ALLOCATION

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
