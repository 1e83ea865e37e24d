// The redraw rectangle handed to the host, and selecting every page.

#include "document/KVDoc.h"

void CKVDoc::GetInvalidateRect(RECT*)
{
    KV_PENDING("CKVDoc::GetInvalidateRect");
}

void CKVDoc::SelectAllPages()
{
    KV_PENDING("CKVDoc::SelectAllPages");
}
