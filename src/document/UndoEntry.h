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
