// Positions and handles brought to a new resolution or music-font height.

#include "document/KVDoc.h"

#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"

namespace {

// A vertical position moved from one staff space to another on whole half
// spaces, so that notes stay on their lines and spaces.
short OnHalfSpaces(int value, int oldHalf, int newHalf)
{
    return static_cast<short>(value / oldHalf * newHalf);
}

} // namespace

void CKVDoc::UpdatePosLogicDot(POINT, POINT)
{
    KV_PENDING("CKVDoc::UpdatePosLogicDot");
}

void CKVDoc::UpdateMsgCtrlRect()
{
    KV_PENDING("CKVDoc::UpdateMsgCtrlRect");
}

void CKVDoc::UpdateNoteMarkPos(int, int)
{
    KV_PENDING("CKVDoc::UpdateNoteMarkPos");
}

void CKVDoc::UpdatePosYA(int newHeight, int keepPages)
{
    const int oldHeight = m_nFontHeight;
    if (newHeight == oldHeight || newHeight <= 0 || oldHeight <= 0)
        return;
    const int oldSpace = m_nStaffSpace;
    const int newSpace = newHeight / 4;
    m_nStaffSpace = static_cast<short>(newSpace);
    m_nFontHeight78 = CScoreView::StandardStemLength(newHeight);
    nCurStaffSpace = m_nStaffSpace;

    const int oldHalf = oldSpace / 2;
    const int newHalf = newSpace / 2;
    auto scale = [newHeight, oldHeight](int value) { return MulDiv(value, newHeight, oldHeight); };
    // Without a half space to count in, the plain ratio has to do.
    auto onLines = [&](int value) {
        return oldHalf > 0 ? OnHalfSpaces(value, oldHalf, newHalf) : static_cast<short>(scale(value));
    };
    auto layoutWords = [&](CKVMsg& msg) {
        msg.m_nLayout1 = static_cast<short>(scale(msg.m_nLayout1));
        msg.m_nLayout2 = static_cast<short>(scale(msg.m_nLayout2));
        msg.m_nLayout3 = static_cast<short>(scale(msg.m_nLayout3));
        msg.m_nLayout4 = static_cast<short>(scale(msg.m_nLayout4));
    };

    CKVSystem* system = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    for (int id = 1; system && id < system->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = system->m_arrMsgMap.GetAt(id);
        if (!msg)
            continue;
        if (!msg->IsValidMsg(system)) {
            system->m_arrMsgMap.SetAt(id, nullptr);
            continue;
        }
        // A tie or slur may sit in more than one slot; rescale it once.
        if (static_cast<DWORD>(id) != msg->m_dwMsgId && system->GetMsgFromMap(msg->m_dwMsgId) == msg)
            continue;
        switch (msg->m_byKind) {
        case MSG_NOTE:
        case MSG_REST:
            msg->m_nPosY = onLines(msg->m_nPosY);
            msg->m_nPosY2 = onLines(msg->m_nPosY2);
            layoutWords(*msg);
            msg->m_lHeight = static_cast<short>(scale(static_cast<short>(msg->m_lHeight)));
            break;
        case MSG_BEAM:
        case MSG_CHORD:
            msg->m_nPosY = static_cast<short>(scale(msg->m_nPosY));
            msg->m_nPosY2 = static_cast<short>(scale(msg->m_nPosY2));
            layoutWords(*msg);
            msg->m_lHeight = scale(msg->m_lHeight);
            break;
        case MSG_TUPLET:
            break;
        case MSG_OLDFRET:
        case MSG_OLDCHORDNAME:
        case MSG_CHORDSYMBOL:
            msg->m_nPosY = static_cast<short>(scale(msg->m_nPosY));
            break;
        default:
            if (msg->m_byParentKind == OBJ_MEAS)
                msg->m_nPosY = static_cast<short>(scale(msg->m_nPosY));
            break;
        }
    }

    m_nFontHeight = static_cast<short>(newHeight);
    if (!keepPages) {
        for (short p = 0; p < GetPageNum(); ++p) {
            if (CKVPage* page = GetPage(p))
                page->UpdateFontSize(oldSpace, newSpace);
        }
    }
    m_bModified = 1;
}
