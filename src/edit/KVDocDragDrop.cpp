// Dropping a dragged selection at the mouse.

#include "document/KVDoc.h"

int CKVDoc::SelRectMouseDrop(unsigned char, int, int)
{
    KV_PENDING("CKVDoc::SelRectMouseDrop");
    return 0;
}
