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

class CKVObject;

// How a deep copy re-linked a tie or slur whose other note lies outside the
// copied measures, or how one was removed with its note. Undo and redo
// replay these beside the step's entries; a step owns its records.
struct SlurRelinkRecord {
    // 1: reached through the end note (a reference the note does not own),
    // 0: through the start note. For a removal: the removed reference's
    // ownership byte.
    DWORD dwFlag = 0;
    // The start and end note ids before any re-linking in this step.
    DWORD dwFirstStart = 0;
    DWORD dwFirstEnd = 0;
    // The ids after the re-linking; both 0 for a removal.
    DWORD dwNewStart = 0;
    DWORD dwNewEnd = 0;
    // The partner note's child reference before and after the re-linking
    // (for a removal the removed reference's id, and 0).
    DWORD dwOldRef = 0;
    DWORD dwNewRef = 0;
    // The measure that holds the partner note.
    CKVObject* pMeas = nullptr;
};
