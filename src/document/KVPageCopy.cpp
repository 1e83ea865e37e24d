#include "model/KVPage.h"

int CKVPage::CopyBlockLayoutFrom(CKVPage*)
{
    KV_PENDING("CKVPage::CopyBlockLayoutFrom");
    return 0;
}
