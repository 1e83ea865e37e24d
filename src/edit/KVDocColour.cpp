// The colour, line thickness and size of the selected symbols.

#include "document/KVDoc.h"

#include "edit/EditFrame.h"
#include "model/KVMsg.h"

void CKVDoc::SetNoteSize(short voice, short size)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE)
            continue;
        msg->m_wSize = static_cast<WORD>(size);
        msg->MakeNoteCtrlPoint();
    }
    frame.Close();
}
