// The one query of MeasPlace.h that reads the document.

#include "model/MeasPlace.h"

#include "document/KVDoc.h"

namespace measplace {

int LineSpacingOf(const CKVObject& node)
{
    const CKVDoc* doc = DocOf(node);
    return doc ? doc->m_nStaffSpace : nCurStaffSpace;
}

} // namespace measplace
