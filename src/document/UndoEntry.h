#pragma once
// One record of an undo step: the object as it was before a change, the
// clone that is live after it, and the cursor when the change was recorded.

#include "Platform.h"

class CKVMeas;

struct UndoEntry {
    // Snapshot kinds: the object and its clone.
    static constexpr short kMeas = 2;
    static constexpr short kStaff = 3;
    static constexpr short kBlock = 6;
    static constexpr short kPage = 7;
    static constexpr short kFileInfo = 9;
    static constexpr short kPtrArray = 10;
    static constexpr short kDocument = 11;
    // Structural kinds (0x100 plus the object kind): an object inserted
    // (partner set) or removed (object set).
    static constexpr short kStructural = 0x100;
    static constexpr short kMeasInsDel = 0x102;
    static constexpr short kStaffInsDel = 0x103;
    static constexpr short kBlockInsDel = 0x106;
    static constexpr short kPageInsDel = 0x107;

    short nKind = 0;
    void* pObject = nullptr;
    void* pPartner = nullptr;
    short nPage = 0;   // cursor page index
    short nBlock = 0;  // cursor block index
    short nStaff = 0;  // cursor staff index
    short nMeas = 0;   // cursor measure number, 1-based
};

// How a tie or slur between notes of two measures was re-linked when one of
// the measures was cloned (or that it was removed with a note), so that undo
// and redo can turn the link back and forth. Kept in memory only, in the
// document's open slur list and then in the closed step's slur array.
struct SlurRelinkRecord {
    // 1 when reached through the end note (a reference the note does not
    // own), 0 through the start note; for a removal the removed reference's
    // ownership byte.
    DWORD dwFlag = 0;
    DWORD dwFirstStart = 0; // start-note id before any relinking in the step
    DWORD dwFirstEnd = 0;   // end-note id before any relinking in the step
    DWORD dwNewStart = 0;   // start-note id after relinking; 0 for a removal
    DWORD dwNewEnd = 0;     // end-note id after relinking; 0 for a removal
    DWORD dwOldRef = 0;     // the partner note's reference id before relinking
    DWORD dwNewRef = 0;     // the partner note's reference id after; 0 for a removal
    CKVMeas* pMeas = nullptr; // the measure that holds the partner note
    // For a removal: where the partner note held the reference, so that undo
    // puts the tie or slur back in its place among the note's children.
    short nPartnerIndex = -1;
};

// The position snapshot: copies a live value into its saved slot (save) or
// the saved value back.
template <class T>
void KeepPosition(bool save, T& live, T& saved)
{
    if (save)
        saved = live;
    else
        live = saved;
}
