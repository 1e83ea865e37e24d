// Ordering the notes of the current chord.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"

void CKVMsg::ChordYOrder()
{
    if (m_byKind != MSG_CHORD)
        return;
    // The sort reads the document's current chord while it runs, so the
    // chord is made current for the call and nothing stays current after.
    CKVDoc* doc = DocOf(*this);
    if (doc)
        doc->m_pLastMember = this;
    ChordSort();
    if (doc)
        doc->m_pLastMember = nullptr;
}
