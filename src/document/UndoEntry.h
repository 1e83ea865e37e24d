#pragma once
// One record of an undo step: the object as it was before a change, the
// clone that is live after it, and the cursor when the change was recorded.

#include "Platform.h"

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

class CKVMeas;

// How a tie or slur between notes of two measures was re-linked while one of
// the measures was cloned, or that one was removed with its note. The open
// slur list and each step's slur array hold these; undo and redo replay them.
struct SlurRelink {
    // Relink: 1 when reached through the end note (a reference the note does
    // not own), 0 through the start note. Removal: the removed reference's
    // ownership byte.
    DWORD dwFlag = 0;
    DWORD dwFirstStart = 0; // note ids before any relinking in the step
    DWORD dwFirstEnd = 0;
    DWORD dwNewStart = 0;   // note ids after the relink; 0 for a removal
    DWORD dwNewEnd = 0;
    DWORD dwOldRef = 0;     // partner note's reference id before; the removed id
    DWORD dwNewRef = 0;     // partner note's reference id after; 0 for a removal
    CKVMeas* pMeas = nullptr; // the measure that holds the partner note
};
