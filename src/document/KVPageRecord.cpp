#include "model/KVPage.h"

int CKVPage::Write(unsigned char*&, DWORD*, DWORD*)
{
    KV_PENDING("CKVPage::Write");
    return 0;
}

int CKVPage::Read(unsigned char*, DWORD*, DWORD*, CKVDoc*)
{
    KV_PENDING("CKVPage::Read");
    return 0;
}
