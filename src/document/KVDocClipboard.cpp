// The document's selection as a clipboard image, and pasting an image back.

#include "document/KVDoc.h"

DWORD CKVDoc::CopyDataToMem(unsigned char*&, unsigned char, int)
{
    KV_PENDING("CKVDoc::CopyDataToMem");
    return 0;
}

short CKVDoc::PastMemoryTo(unsigned char*, unsigned char, int, int)
{
    KV_PENDING("CKVDoc::PastMemoryTo");
    return -1;
}
