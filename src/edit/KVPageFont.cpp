#include "model/KVPage.h"

void CKVPage::UpdateFontSize(int, int)
{
    KV_PENDING("CKVPage::UpdateFontSize");
}
