#pragma once
// One entry of a document's selection list: what the user selected and where.

#include "Platform.h"

class CKVPage;
class CKVBlock;
class CKVStaff;
class CKVMeas;

struct SelRect {
    static constexpr short kRect = 1;       // a rectangle on a page
    static constexpr short kMeas = 2;       // one measure
    static constexpr short kBlockStaff = 3; // one staff within one block
    static constexpr short kStaff = 4;      // one staff in the whole score

    short nKind = 0;
    CKVPage* pPage = nullptr;   // null for a staff in the whole score
    CKVBlock* pBlock = nullptr;
    CKVStaff* pStaff = nullptr;
    CKVMeas* pMeas = nullptr;
    RECT rect {0, 0, 0, 0};     // page coordinates; unused for a whole staff
};
