// Page drawing: background, frame, title symbol, blocks, page-level symbols,
// staff names, header and footer.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "platform/LittleEndian.h"
#include "render/ViewGeometry.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr COLORREF kFrameGrey = 0x808080;
// A header's top and a footer's baseline stand this far inside the
// printable rectangle.
constexpr int kHeaderFooterInset = 2;
constexpr size_t kHeaderFooterRecord = 12;
// Below this the title-block symbol holds no header or footer records.
constexpr size_t kHeaderFooterHead = 2 * kHeaderFooterRecord;

// The origin the host set, kept while a page draws at its printable origin.
POINT s_savedOrigin {0, 0};

void ResetSavedOrigin()
{
    s_savedOrigin = POINT {0, 0};
}

KvProcessReset s_reset("page drawing origin", &ResetSavedOrigin);

tagHEADER_FOOTER ReadHeaderFooter(const BYTE* p)
{
    tagHEADER_FOOTER record {};
    record.byFontNumber = p[0];
    record.byReserved = p[1];
    record.byPointSize = p[2];
    record.byStyle = p[3];
    record.byPlacement = p[4];
    record.byMirror = p[5];
    record.wSkipPages = GetWord(p + 6);
    record.wFirstNumber = GetWord(p + 8);
    record.wTextLength = GetWord(p + 10);
    return record;
}

// The horizontal place and alignment of a header or footer on a page.
struct HeaderFooterPlace {
    int x;
    UINT align;
};

HeaderFooterPlace PlaceHeaderFooter(const tagHEADER_FOOTER& record, const CRect& print, int pageNumber)
{
    const bool swapped = record.byMirror != 0 && pageNumber % 2 == 0;
    switch (record.byPlacement) {
    case 1:
        return {(print.left + print.right) / 2, TA_CENTER};
    case 2:
        return swapped ? HeaderFooterPlace {print.left, TA_LEFT} : HeaderFooterPlace {print.right, TA_RIGHT};
    case 0:
        return swapped ? HeaderFooterPlace {print.right, TA_RIGHT} : HeaderFooterPlace {print.left, TA_LEFT};
    default:
        // An unknown placement stands at the left edge.
        return {print.left, TA_LEFT};
    }
}

} // namespace

short CScoreView::KVDrawPage(CKVPage& page, CRect update, int pageIndex)
{
    if (!m_bOpened || !m_pDoc)
        return 1;
    CKVDoc& doc = *m_pDoc;
    m_nPageNumber = pageIndex + 1;
    m_rcUpdate = update;
    m_nSizePercent = 100;
    const bool screen = !m_bPrinting;
    if (screen && doc.m_pFileInfo) {
        const CKVFileInfo& info = *doc.m_pFileInfo;
        m_pDC->FillSolidRect(0, 0, info.m_nLeftMargin + info.m_lPrintWidth + info.m_nRightMargin,
                             info.m_nTopMargin + info.m_lPrintHeight + info.m_nBottomMargin, m_pCtrlTool->m_crPage);
    }

    s_savedOrigin = POINT {m_lOrgX, m_lOrgY};
    m_lOrgX = page.m_rcPrint.left;
    m_lOrgY = page.m_rcPrint.top;
    m_ptPrintTopLeft = page.m_rcPrint.TopLeft();

    if (screen && CKVCtrlTool::m_fPageLineVisible) {
        CPen dotted(PS_DOT, 0, kFrameGrey);
        CPen* oldPen = m_pDC->SelectObject(&dotted);
        const CRect& r = page.m_rcPrint;
        m_pDC->MoveTo(r.left, r.top);
        m_pDC->LineTo(r.right, r.top);
        m_pDC->LineTo(r.right, r.bottom);
        m_pDC->LineTo(r.left, r.bottom);
        m_pDC->LineTo(r.left, r.top);
        m_pDC->SelectObject(oldPen);
    }

    if (pageIndex == doc.GetFirstPageIndex(1) && doc.m_pTitleMsg[2])
        KVDrawMsg(*doc.m_pTitleMsg[2], 0);

    const POINT origin {m_lOrgX, m_lOrgY};
    for (short i = 0; i < page.GetBlockNum(); ++i) {
        CKVBlock* block = page.GetBlock(i);
        if (!block || block->GetStaffNum() < 1)
            continue;
        if (!screen || viewgeom::BlockMeetsUpdate(block->m_rcBlock, block->GetStaffNum(), origin, m_rcUpdate))
            KVDrawBlock(*block);
    }
    for (int i = 0; i < page.m_arrOssiaBlock.GetSize(); ++i) {
        if (CKVBlock* block = page.m_arrOssiaBlock.GetAt(i))
            KVDrawBlock(*block);
    }

    m_nSizePercent = 100;
    for (short i = 0; i < page.GetMsgNum(); ++i) {
        if (CKVMsg* msg = page.GetMsg(i))
            KVDrawMsg(*msg, 0);
    }
    KVDrawStaffName(page, pageIndex);

    m_lOrgX = s_savedOrigin.x;
    m_lOrgY = s_savedOrigin.y;
    DrawHeaderFooterMsg(&page, doc.m_pTitleMsg[1], 1);
    DrawHeaderFooterMsg(&page, doc.m_pTitleMsg[0], 0);
    return 1;
}

void CScoreView::KVDrawStaffName(CKVPage& page, int pageIndex)
{
    if (!m_bOpened || !m_pDoc || !m_pCtrlTool->StaffNamesOn() || page.GetBlockNum() < 1)
        return;
    if (m_pCtrlTool->StaffNamesFirstPageOnly() && pageIndex != m_pDoc->GetFirstPageIndex(1))
        return;
    CKVBlock* block = page.GetBlock(0);
    if (!block)
        return;
    // The block's span in page coordinates, as the update rectangle is.
    const LONG top = m_lOrgY + block->m_rcBlock.top;
    const LONG bottom = m_lOrgY + block->m_rcBlock.bottom;
    if (bottom < m_rcUpdate.top || top > m_rcUpdate.bottom)
        return;

    LOGFONT face = m_pCtrlTool->m_lfStaffName;
    face.lfHeight = -std::abs(MulDiv(face.lfHeight, m_nDpiY, 72));
    HFONT font = CreateFontIndirectA(&face);
    if (!font)
        return;
    HFONT oldFont = SelectFontObject(font);
    const UINT oldAlign = m_pDC->SetTextAlign(TA_TOP | TA_LEFT);

    const short staves = block->GetStaffNum();
    if (block->m_arrStaffNamePoint.GetSize() == staves && block->m_arrStaffY.GetSize() >= staves &&
        block->m_arrMeasX.GetSize() > 0) {
        for (short i = 0; i < staves; ++i) {
            const POINT* anchor = block->m_arrStaffNamePoint.GetAt(i);
            CKVStaff* staff = block->GetStaff(i);
            if (!anchor || !staff)
                continue;
            const CString name(staff->m_szName, static_cast<int>(strnlen(staff->m_szName, sizeof staff->m_szName)));
            const CSize extent = GetTextExtent(name);
            const int x = m_lOrgX + block->m_rcBlock.left + static_cast<short>(block->m_arrMeasX.GetAt(0)) + anchor->x;
            const int y = m_lOrgY + block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY.GetAt(i)) + anchor->y;
            const COLORREF oldColour = m_pDC->SetTextColor(m_pCtrlTool->StaffNameColour());
            const int left = x - extent.cx;
            const int nameTop = y - extent.cy / 2;
            m_pDC->TextOut(left, nameTop, name);
            // A block read from a file may hold fewer handles than anchors.
            if (i < block->m_arrStaffNameCtrl.GetSize()) {
                if (CKVCtrlPoint* handle = block->m_arrStaffNameCtrl.GetAt(i))
                    handle->m_rect.SetRect(left, nameTop, x, nameTop + extent.cy);
            }
            m_pDC->SetTextColor(oldColour);
        }
    }

    m_pDC->SetTextAlign(oldAlign);
    SelectFontObject(oldFont);
    DeleteObject(font);
}

void CScoreView::DrawHeaderFooterMsg(CKVPage* page, CKVMsg* msg, int isHeader)
{
    if (!m_bOpened || !page || !msg || !msg->m_pHead || msg->m_wHeadLen < kHeaderFooterHead)
        return;
    const BYTE* head = msg->m_pHead;
    const size_t length = msg->m_wHeadLen;
    size_t at = 0;
    for (int i = 0; i < 2; ++i) {
        // A record, or its text, that runs past the head ends the walk.
        if (length - at < kHeaderFooterRecord)
            return;
        tagHEADER_FOOTER record = ReadHeaderFooter(head + at);
        const size_t textLength = record.wTextLength & 0xFF;
        if (length - at - kHeaderFooterRecord < textLength)
            return;
        char* text = reinterpret_cast<char*>(msg->m_pHead + at + kHeaderFooterRecord);
        DrawHeaderFooter(page, &record, text, static_cast<int>(textLength), isHeader);
        at += kHeaderFooterRecord + textLength;
    }
}

void CScoreView::DrawHeaderFooter(CKVPage* page, tagHEADER_FOOTER* record, char* text, int length, int isHeader)
{
    if (!m_bOpened || !page || !record || !text || length <= 0 || m_nPageNumber <= record->wSkipPages)
        return;

    CString shown(text, length);
    CString field;
    field.Format("%d", m_nPageNumber - record->wSkipPages - 1 + record->wFirstNumber);
    shown.Replace("#P", field);
    shown.Replace("#p", field);
    SYSTEMTIME now {};
    GetLocalTime(&now);
    field.Format("%02d:%02d", now.wHour, now.wMinute);
    shown.Replace("#T", field);
    shown.Replace("#t", field);
    field.Format("%d/%d/%d", now.wYear, now.wMonth, now.wDay);
    shown.Replace("#D", field);
    shown.Replace("#d", field);

    LOGFONT face {};
    face.lfHeight = -MulDiv(record->byPointSize, m_nDpiY, 72);
    face.lfWeight = (record->byStyle & 1) ? FW_BOLD : FW_NORMAL;
    face.lfItalic = (record->byStyle & 2) ? 1 : 0;
    face.lfUnderline = (record->byStyle & 4) ? 1 : 0;
    face.lfCharSet = m_pDoc->m_FontDatas.GetCharSet(record->byFontNumber);
    face.lfOutPrecision = OUT_STROKE_PRECIS;
    face.lfClipPrecision = CLIP_STROKE_PRECIS;
    face.lfQuality = DRAFT_QUALITY;
    face.lfPitchAndFamily = m_pDoc->m_FontDatas.GetPitchAndFamily(record->byFontNumber);
    m_pDoc->m_FontDatas.GetFontName(record->byFontNumber, face.lfFaceName);
    HFONT font = CreateFontIndirectA(&face);
    if (!font)
        return;

    const CRect& print = page->m_rcPrint;
    const HeaderFooterPlace place = PlaceHeaderFooter(*record, print, m_nPageNumber);
    const int y = isHeader ? print.top + kHeaderFooterInset : print.bottom - kHeaderFooterInset;
    const UINT align = place.align | (isHeader ? TA_TOP : TA_BASELINE);

    HFONT oldFont = SelectFontObject(font);
    const UINT oldAlign = m_pDC->SetTextAlign(align);
    // The bytes as they are, whatever their number: a one-byte text is a
    // digit or letter here, never a music glyph.
    TextOutA(m_pDC->m_hDC, m_lOrgX + place.x, m_lOrgY + y, shown, shown.GetLength());
    m_pDC->SetTextAlign(oldAlign);
    SelectFontObject(oldFont);
    DeleteObject(font);
}
