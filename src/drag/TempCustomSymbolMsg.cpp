// The custom-symbol template: its image drawn from the symbol's block, its
// place on the page, and the drop at a given size.

#include "drag/TempCustomSymbolMsg.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/CustomSymbol.h"
#include "model/KVPage.h"
#include "model/TextHelpers.h"

void CTempCustomSymbolMsg::Initialize()
{
    m_byKind = MSG_CUSTOM;
}

void CTempCustomSymbolMsg::InitDragingParameter(CPoint pt)
{
    CKVPage* page = m_pDoc ? m_pDoc->GetCurrentPage() : nullptr;
    CPoint p0 = page ? page->m_rcPrint.TopLeft() : CPoint(0, 0);
    if (m_byParentKind != OBJ_MEAS)
        p0 += CPoint(m_nPosX, m_nPosY);
    else
        p0 = StartPoint(*this);
    m_ptPos = p0;
    m_ptSecond = p0;
    // The grab offset: the image keeps it from the mouse.
    m_ptThird = CPoint(pt.x - p0.x, pt.y - p0.y);
    m_bMeasured = 0;
}

void CTempCustomSymbolMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        m_ptSecond = pt;
        return;
    }
    if (m_nHandle >= 0 && m_nHandle <= 4)
        m_ptPos = CPoint(pt.x - m_ptThird.x, pt.y - m_ptThird.y);
}

void CTempCustomSymbolMsg::DrawDraging(CDC* dc)
{
    m_rcBound = CRect(0, 0, 0, 0);
    CKVMsg& source = m_pMovedMsg ? *m_pMovedMsg : *this;
    unsigned char* head = nullptr;
    const int length = source.GetHead(&head);
    CCustomSymbol symbol;
    if (!dc || !head || length <= 0 || !symbol.ReadBlock(head, length, true))
        return;

    bool first = true;
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        CCustomSymbolObject* object = symbol.m_listObject.GetAt(i);
        if (!object)
            continue;
        const CRect rect = object->GetBoundingRect(0);
        if (first)
            m_rcBound = rect;
        else
            m_rcBound.UnionRect(&m_rcBound, &rect);
        first = false;
    }

    const int oldRop = dc->SetROP2(R2_NOTXORPEN);
    const POINT place = m_ptPos;
    const POINT back {-place.x, -place.y};
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        if (CCustomSymbolObject* object = symbol.m_listObject.GetAt(i))
            object->OffsetStroke(place);
    }
    {
        auto hollow = SelectedBrush::NullBrush(dc);
        const int oldBk = dc->SetBkMode(TRANSPARENT);
        for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
            CCustomSymbolObject* object = symbol.m_listObject.GetAt(i);
            if (!object)
                break;
            // Texts stand as the score draws them: the first item at its
            // stored point.
            const POINT shift = FirstItemShift(*object);
            object->OffsetText(shift);
            const UINT align = dc->SetTextAlign(0);
            object->DrawStroke(dc, 0, 0, 0);
            dc->SetTextAlign(align);
            object->OffsetText({-shift.x, -shift.y});
        }
        dc->SetBkMode(oldBk);
    }
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        if (CCustomSymbolObject* object = symbol.m_listObject.GetAt(i))
            object->OffsetStroke(back);
    }
    dc->SetROP2(oldRop);
}

CKVMsg& CTempCustomSymbolMsg::MakeMsg(CPoint pt, CKVMeas*&)
{
    CKVPage* page = m_pDoc ? m_pDoc->GetCurrentPage() : nullptr;
    if (!page)
        return *this;
    const CPoint origin = page->m_rcPrint.TopLeft();
    m_nPosX = static_cast<short>(pt.x - origin.x);
    m_nPosY = static_cast<short>(pt.y - origin.y);
    // Our pages are not nodes: a page-level symbol names its page and has
    // no parent.
    CKVMsg::m_pPage = page;
    m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    m_pParent = nullptr;
    m_pSystem = m_pDoc->m_pCurSystem;
    return *this;
}

void CTempCustomSymbolMsg::MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas)
{
    // Without its block the drop would replace the symbol by an empty one:
    // the message stays unfilled and nothing changes.
    if (!m_pHead || m_wHeadLen == 0)
        return;
    *msg = MakeMsg(CPoint(pt.x - m_ptThird.x, pt.y - m_ptThird.y), meas);
}

void CTempCustomSymbolMsg::AddCustomSymbolMsg(CPoint pt, CRect rect)
{
    CKVDoc* doc = m_pDoc;
    // A symbol without its block would be an empty symbol.
    if (!doc || !CTempMsg::m_pPage || !doc->GetCurrentPage() || !m_pHead || m_wHeadLen == 0)
        return;
    MyShowCursor(1);
    CKVMsg M;
    doc->ResetBackup();
    if (m_pMovedMsg)
        M = *m_pMovedMsg;
    CKVMeas* meas = nullptr;
    M = MakeMsg(pt, meas);
    M.m_nPosX2 = static_cast<short>(rect.Width());
    M.m_nPosY2 = static_cast<short>(rect.Height());
    M.MakeMsgCtrlPoint();
    M.m_dwMsgId = 0;
    if (m_pMovedMsg) {
        InsertDropped(M, nullptr);
        return;
    }
    M.m_crColor = doc->m_CtrlTool.m_crCurrent;
    M.m_lHeight = doc->m_CtrlTool.m_nCurLineWidth;
    M.m_byVoice = 1;
    M.m_wSize = MSG_SIZE_NORMAL;
    M.m_byReplace &= 0x0F;
    M.m_pParent = nullptr;
    M.m_pSystem = nullptr;
    doc->AddMsg(doc->GetCurrentPage(), &M, 1, 1);
}
