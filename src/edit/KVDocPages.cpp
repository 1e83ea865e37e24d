// The current page index, and the number of blocks on every page.

#include "document/KVDoc.h"

int CKVDoc::GetCurrentPageNum()
{
    const short pages = GetPageNum();
    if (pages <= 0)
        return -1;
    // An index left past the pages (after pages went) names the last one.
    if (m_nCurPage > pages - 1 || m_nCurPage < 0) {
        m_nCurPage = m_nCurPage < 0 ? 0 : static_cast<short>(pages - 1);
        m_pCurPage = GetPage(m_nCurPage);
    }
    return m_nCurPage;
}

int CKVDoc::SetAllPageBlockCount(short)
{
    KV_PENDING("CKVDoc::SetAllPageBlockCount");
    return 0;
}
