// The ossia staves a score shows, and the room made for them within a
// block's reach.

#include "document/OssiaReach.h"

#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

namespace ossiareach {

std::unordered_set<CKVStaff*> ShownOssiaStaves(CKVDoc& doc)
{
    std::unordered_set<CKVStaff*> shown;
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        for (int b = 0; page && b < page->m_arrOssiaBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrOssiaBlock.GetAt(b);
            for (short s = 0; block && s < block->GetStaffNum(); ++s)
                shown.insert(block->GetStaff(s));
        }
    }
    return shown;
}

bool Overflows(CKVDoc& doc, long long made, CKVBlock* block)
{
    if (made > kNameableOssiaStaves - static_cast<long long>(ShownOssiaStaves(doc).size()))
        return true;
    return block && made > kvrec::kMaxBlockStaves - block->GetStaffNum();
}

void MakeRoom(CKVDoc& doc, CKVSystem& system)
{
    CKVStaffPtrArray* list = system.m_pOssiaStaffArray;
    if (!list || list->GetSize() <= kNameableOssiaStaves)
        return;
    const std::unordered_set<CKVStaff*> shown = ShownOssiaStaves(doc);
    bool beyond = false;
    for (int i = kNameableOssiaStaves; i < list->GetSize() && !beyond; ++i)
        beyond = shown.count(list->GetAt(i)) > 0;
    if (!beyond)
        return;
    for (int i = list->GetSize() - 1; i >= 0; --i) {
        if (shown.count(list->GetAt(i)) == 0)
            system.RemoveOssiaStaff(static_cast<short>(i), 1);
    }
    doc.DropStaleSelRects();
    doc.DropStaleCursor();
}

} // namespace ossiareach
