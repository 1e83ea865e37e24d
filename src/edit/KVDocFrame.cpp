// The selection queries and settings the host calls around the edit
// commands: every page or the current page selected, the redraw rectangle,
// the edit mode and the current-backup list.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVPage.h"

void CKVDoc::GetInvalidateRect(RECT* out)
{
    if (out)
        *out = m_rcRedraw;
}

void CKVDoc::SelectAllPages()
{
    m_bSelectAllPages = 1;
}

int CKVDoc::IsSelectAllPages()
{
    return m_bSelectAllPages;
}

void CKVDoc::SelectCurrentPage()
{
    RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVPage* page = m_nCurPage >= 0 && m_nCurPage < GetPageNum() ? GetPage(m_nCurPage) : nullptr;
    if (page && m_pFileInfo) {
        // The whole sheet, in coordinates relative to the printable area.
        const CKVFileInfo& info = *m_pFileInfo;
        const LONG left = -page->m_rcPrint.left;
        const LONG top = -page->m_rcPrint.top;
        RECT sheet {left, top, info.m_nLeftMargin + info.m_lPrintWidth + info.m_nRightMargin + left,
                    info.m_nTopMargin + info.m_lPrintHeight + info.m_nBottomMargin + top};
        AddSelRect(SelRect::kRect, &sheet, nullptr, nullptr, nullptr);
    }
    m_bSelectAllPages = 0;
}

int CKVDoc::IsSelected()
{
    return m_pSelRectArray && m_pSelRectArray->GetSize() > 0 ? 1 : 0;
}

void CKVDoc::SetEditMode(int mode)
{
    m_CtrlTool.m_wEditMode = static_cast<WORD>(mode & 0xFFFF);
    m_dwEditMode = m_CtrlTool.m_wEditMode;
}

int CKVDoc::GetCurrentBackupData(CKVMeas* measure)
{
    for (int i = 0; i < m_arrCurBackup.GetSize(); ++i) {
        auto* entry = static_cast<CKVMeas* const*>(m_arrCurBackup.GetAt(i));
        if (entry && *entry == measure)
            return i;
    }
    return -1;
}
