// The block arrangement of a page.

#include "model/KVPage.h"

#include "Pending.h"

void CKVPage::BlockCenterFit(short)
{
    KV_PENDING("CKVPage::BlockCenterFit");
}
