// Note-head widths of the document's music font.

#include "document/KVDoc.h"

#include "model/KVMsg.h"

int CKVDoc::GetHeadWidth(int code)
{
    // Fractions of the music-font height: the breve head is the widest, the
    // whole note next, every shorter value shares the black head's width.
    if (code == DUR_BREVE)
        return MulDiv(m_nFontHeight, 614, 1000);
    if (code == DUR_WHOLE)
        return MulDiv(m_nFontHeight, 412, 1000);
    return MulDiv(m_nFontHeight, 300, 1000);
}

int CKVDoc::GetHeadWidth(CKVMsg* msg)
{
    if (msg && msg->m_byKind == MSG_NOTE)
        return GetHeadWidth(msg->m_wDuration & 0xFF);
    return m_nStaffSpace;
}
