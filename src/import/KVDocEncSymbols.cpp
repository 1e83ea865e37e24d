#include "document/KVDoc.h"
#include "import/EncDoc.h"

int CKVDoc::SecondConvertEncToKvc(CDialog*, CEncDoc*)
{
    KV_PENDING("CKVDoc::SecondConvertEncToKvc");
    return 1;
}
