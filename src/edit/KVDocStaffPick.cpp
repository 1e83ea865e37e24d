// Picking a staff with the mouse.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVPage.h"

CKVStaff* CKVDoc::GetSelStaff(POINT pt, CKVBlock*& block)
{
    block = nullptr;
    CKVPage* page = GetCurrentPage();
    if (!page)
        return nullptr;
    // Normal blocks are tried before the ossia blocks.
    for (int list = 0; list < 2; ++list) {
        auto& blocks = list == 0 ? page->m_arrBlock : page->m_arrOssiaBlock;
        for (int b = 0; b < blocks.GetSize(); ++b) {
            CKVBlock* candidate = blocks.GetAt(b);
            if (!candidate)
                continue;
            const POINT rel {pt.x - candidate->m_rcBlock.left, pt.y - candidate->m_rcBlock.top};
            if (CKVStaff* staff = candidate->GetSelStaff(rel)) {
                block = candidate;
                return staff;
            }
        }
    }
    return nullptr;
}
