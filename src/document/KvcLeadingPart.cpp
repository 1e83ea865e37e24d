#include "document/KvcLeadingPart.h"

int ReadKvcLeadingPart(CFile*, WORD& version)
{
    KV_PENDING("ReadKvcLeadingPart");
    version = 0;
    return 0;
}
