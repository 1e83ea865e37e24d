#pragma once
// Walks the normal blocks of every page of a document in page order.

#include "document/KVDoc.h"
#include "model/KVPage.h"

namespace blockwalk {

// Calls visit(page, index) for each block index of each page's normal-block
// list; a visit that returns true ends the walk, and so does the result.
template <typename Visit>
bool AnyBlock(CKVDoc& doc, Visit visit)
{
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        if (!page)
            continue;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            if (page->GetBlock(b) && visit(*page, b))
                return true;
        }
    }
    return false;
}

} // namespace blockwalk
