// The current page, and laying the pages out again.

#include "document/KVDoc.h"

CKVPage* CKVDoc::GetCurrentPage()
{
    const short pages = GetPageNum();
    if (pages == 0)
        return nullptr;
    // An index left past the pages (after pages were removed) names the
    // last one.
    short index = m_nCurPage;
    if (index >= pages)
        index = static_cast<short>(pages - 1);
    if (index < 0)
        index = 0;
    return GetPage(index);
}

void CKVDoc::UpdatePage(int)
{
    KV_PENDING("CKVDoc::UpdatePage");
}
