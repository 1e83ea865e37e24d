// Page set-up: new paper, margins and first-block place, with the pages and
// their blocks rescaled to the new printable size.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/NewObject.h"

namespace {

int Scale(int value, int to, int from)
{
    return MulDiv(value, to, from);
}

} // namespace

void CKVBlock::ChangePageInfo(int newWidth, int newHeight, int oldWidth, int oldHeight, int scaleX, int scaleY)
{
    // An old size of 0 or less has no ratio to scale by.
    const bool byX = scaleX && oldWidth > 0;
    const bool byY = scaleY && oldHeight > 0;
    if (byX) {
        m_rcBlock.left = Scale(m_rcBlock.left, newWidth, oldWidth);
        m_rcBlock.right = Scale(m_rcBlock.right, newWidth, oldWidth);
        for (int i = 0; i < m_arrMeasX.GetSize(); ++i)
            m_arrMeasX.SetAt(i, static_cast<WORD>(Scale(m_arrMeasX.GetAt(i), newWidth, oldWidth)));
    }
    if (byY) {
        m_rcBlock.top = Scale(m_rcBlock.top, newHeight, oldHeight);
        m_rcBlock.bottom = Scale(m_rcBlock.bottom, newHeight, oldHeight);
        // Each gap keeps a whole number of staff spaces before it is scaled.
        int previousOld = m_arrStaffY.GetSize() > 0 ? static_cast<short>(m_arrStaffY.GetAt(0)) : 0;
        for (int i = 1; i < m_arrStaffY.GetSize(); ++i) {
            const int old = static_cast<short>(m_arrStaffY.GetAt(i));
            const int gap = Scale(GetQuantStaffPos(old - previousOld), newHeight, oldHeight);
            m_arrStaffY.SetAt(i, static_cast<WORD>(static_cast<short>(m_arrStaffY.GetAt(i - 1)) + gap));
            previousOld = old;
        }
    }
    if (byX || byY)
        UpdateMeasXY(1, kReplaceCrossStaff, kWithoutBackup);
}

void CKVPage::ChangePageInfo(int newWidth, int newHeight, int oldWidth, int oldHeight, int scaleX, int scaleY)
{
    if (m_pDoc && m_pDoc->m_pFileInfo)
        Create(m_pDoc->m_pFileInfo);
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->ChangePageInfo(newWidth, newHeight, oldWidth, oldHeight, scaleX, scaleY);
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        m_arrOssiaBlock.GetAt(i)->ChangePageInfo(newWidth, newHeight, oldWidth, oldHeight, scaleX, scaleY);
    if (oldWidth <= 0)
        return;
    for (int i = 0; i < m_arrMsg.GetSize(); ++i) {
        CKVMsg* msg = m_arrMsg.GetAt(i);
        msg->m_nPosX = static_cast<short>(Scale(msg->m_nPosX, newWidth, oldWidth));
    }
}

void CKVDoc::ChangePageInfo(POINT paper, RECT margins, short a, short b, POINT resolution)
{
    CKVFileInfo* info = m_pFileInfo;
    if (!info)
        return;
    const short oldLeft = info->m_nFirstBlockX;
    const short oldTop = info->m_nFirstBlockY;
    const LONG oldWidth = info->m_lPrintWidth;
    const LONG oldHeight = info->m_lPrintHeight;
    info->SetLogicPageInfo(paper, margins, a, b, info->m_nBlockDistance, info->m_nStaffDistance, resolution);
    const LONG newWidth = info->m_lPrintWidth;
    // Undo of a page set-up gives back each page's own layout.
    for (short p = 0; p < GetPageNum(); ++p)
        GetPage(p)->KeepOwnLayout();
    for (short p = 0; p < GetPageNum(); ++p)
        GetPage(p)->ChangePageInfo(newWidth, info->m_lPrintHeight, oldWidth, oldHeight, 1, 0);

    const bool leftMoved = info->m_nFirstBlockX != oldLeft;
    const bool topMoved = info->m_nFirstBlockY != oldTop;
    if (leftMoved || topMoved) {
        for (short p = 0; p < GetPageNum(); ++p) {
            CKVPage* page = GetPage(p);
            CKVBlock* lead = page->GetBlock(0);
            if (!lead)
                continue;
            // The blocks below the first move down with it.
            const int dy = topMoved ? info->m_nFirstBlockY - lead->m_rcBlock.top : 0;
            const int dx = leftMoved ? info->m_nFirstBlockX - lead->m_rcBlock.left : 0;
            lead->m_rcBlock.OffsetRect(dx, 0);
            for (short k = 0; k < page->GetBlockNum(); ++k)
                page->GetBlock(k)->m_rcBlock.OffsetRect(0, dy);
            if (lead->m_nMeasCount > 0)
                lead->SetMeasPos(-1, static_cast<int>(newWidth - lead->m_rcBlock.left), 0, 0);
            for (short k = 0; k < page->GetBlockNum(); ++k)
                page->GetBlock(k)->UpdateMeasXY(1, kReplaceCrossStaff, kWithoutBackup);
        }
    }
    m_bModified = 1;
}
