// The text, dynamic, tempo-mark, lyric and staff-name templates.

#include "drag/TempTextMsgs.h"

#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/TextHelpers.h"
#include "model/TickMath.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kFarAway = -1000;
// The head is 27 bytes of tags and the text, and its length a short.
constexpr int kTextRecordTags = 27;
constexpr int kMaxHead = 32767;

int Percent(CKVMeas* meas)
{
    const WORD word = meas && meas->m_pParent ? meas->m_pParent->m_wObjWord : 100;
    return word == 0 ? 100 : word;
}

void PutWord(std::vector<unsigned char>& out, int value)
{
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

// Pen mode and alignment for one drawing call.
class InvertingText {
public:
    explicit InvertingText(CDC* dc)
        : m_dc(dc), m_rop(dc->SetROP2(R2_NOTXORPEN)), m_align(dc->SetTextAlign(TA_BASELINE))
    {
    }
    ~InvertingText()
    {
        m_dc->SetTextAlign(m_align);
        m_dc->SetROP2(m_rop);
    }
    InvertingText(const InvertingText&) = delete;
    InvertingText& operator=(const InvertingText&) = delete;

private:
    CDC* m_dc;
    int m_rop;
    UINT m_align;
};

CRect PointsRect(CPoint first, CPoint second)
{
    return CRect(first.x, first.y, second.x, second.y);
}

} // namespace

// --- Free text ----------------------------------------------------------------

void CTempTextMsg::Initialize(const char* text, short font, short size, BYTE style)
{
    m_byKind = MSG_FREETEXT;
    m_byVoice = 1;
    m_wObjWord = 0;
    m_wHeadType = 256;
    m_wDuration = 0;
    m_nPosX = -100;
    m_nPosY = -100;
    m_nPosX2 = 20;
    m_nPosY2 = 20;
    m_bMeasured = 0;

    const int bytes = text ? static_cast<int>(strnlen(text, kMaxHead)) : 0;
    const int n = 2 * bytes;
    if (kTextRecordTags + n > kMaxHead)
        return;
    std::vector<unsigned char> record;
    record.reserve(kTextRecordTags + n);
    record.push_back(1);
    PutWord(record, 0xFFFE);
    record.push_back(2);
    PutWord(record, font);
    record.push_back(3);
    record.push_back(style);
    record.push_back(4);
    PutWord(record, size);
    record.push_back(5);
    record.insert(record.end(), 4, 0);
    record.push_back(7);
    record.insert(record.end(), 4, 0);
    record.push_back(9);
    PutWord(record, 0);
    record.push_back(6);
    PutWord(record, n);
    std::vector<WCHAR> wide(static_cast<size_t>(bytes) + 1, 0);
    const int units = bytes > 0 ? MultiByteToWideChar(CP_ACP, 0, text, bytes, wide.data(), bytes) : 0;
    for (int i = 0; i < bytes; ++i)
        PutWord(record, i < units ? wide[i] : 0);
    SetHead(static_cast<short>(record.size()), record.data());
}

void CTempTextMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg)
        m_ptPos = StartPoint(*this);
    else
        StartNew(pt);
    m_ptSecond = CPoint(m_ptPos.x + m_nPosX2, m_ptPos.y + m_nPosY2);
    m_ptThird = CPoint(pt.x - m_ptPos.x, pt.y - m_ptPos.y);
    m_bMeasured = 0;
}

void CTempTextMsg::UpdateDragingParameter(CPoint pt)
{
    const CPoint d(pt.x - m_ptPos.x - m_ptThird.x, pt.y - m_ptPos.y - m_ptThird.y);
    m_ptPos += d;
    m_ptSecond += d;
}

void CTempTextMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    CRect r = PointsRect(m_ptPos, m_ptSecond);
    CSize size;
    {
        InvertingText mode(dc);
        size = CKVTextMsg::DrawMsg(dc, &r, m_pCtrlTool, m_pFontDatas, m_nZoom, m_pDoc->GetCurrentPageNum() + 1, 0);
    }
    if (!m_bMeasured) {
        m_rcBound = CRect(-10, -10, std::max<int>(m_nPosX2, size.cx) + 10, std::max<int>(m_nPosY2, size.cy) + 10);
        m_bMeasured = 1;
    }
}

void CTempTextMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    if (!m_pDoc || !m_pDoc->GetCurrentPage())
        return;
    CPoint first = m_ptPos;
    CPoint second = m_ptSecond;
    meas = nullptr;
    if (m_byParentKind == OBJ_MEAS) {
        meas = PlacePoints(first, second);
        if (!meas) {
            first = CPoint(m_ptPos) -= m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
            second = CPoint(m_ptSecond) -= m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
        }
    } else {
        first = CPoint(m_ptPos) -= m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
        second = CPoint(m_ptSecond) -= m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
    }
    msg->m_byKind = m_byKind;
    int x = first.x;
    int y = first.y;
    if (meas) {
        x = meas->AbsXToMeasX(static_cast<short>(x));
        y = MulDiv(y, 100, Percent(meas));
    }
    msg->m_nPosX = static_cast<short>(x);
    msg->m_nPosY = static_cast<short>(y);
    msg->m_nPosX2 = static_cast<short>(second.x - first.x);
    msg->m_nPosY2 = static_cast<short>(second.y - first.y);
}

// --- Dynamic --------------------------------------------------------------------

void CTempDynamicMsg::InitDragingParameter(CPoint pt)
{
    if (m_pMovedMsg)
        m_ptPos = StartPoint(*this);
    else
        StartNew(pt);
    m_ptThird = CPoint(pt.x - m_ptPos.x, pt.y - m_ptPos.y);
    m_bMeasured = 0;
}

void CTempDynamicMsg::UpdateDragingParameter(CPoint pt)
{
    m_ptPos = CPoint(pt.x - m_ptThird.x, pt.y - m_ptThird.y);
}

void CTempDynamicMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    LOGFONT logfont {};
    GetDefaultLogFont(logfont, static_cast<short>(m_pDoc->m_nScoreFontSize * 10), "ZelvoraB", 0, dc);
    ZelvoraLogFontProc(logfont, dc);
    CFont font;
    font.CreateFontIndirect(&logfont);
    CFont* old = dc->SelectObject(&font);
    const UINT oldAlign = dc->SetTextAlign(TA_BASELINE);
    const CSize size = CKVDynamicMsg::DrawMsg(dc, static_cast<short>(m_ptPos.x), static_cast<short>(m_ptPos.y));
    if (!m_bMeasured) {
        const int w = size.cx;
        const int h = size.cy;
        m_rcBound = CRect(-(w >> 1), -(h >> 1), w + (w >> 1), h >> 1);
        m_bMeasured = 1;
    }
    dc->SetTextAlign(oldAlign);
    dc->SelectObject(old);
    font.DeleteObject();
}

void CTempDynamicMsg::MakeMsg(CPoint pt, CKVMsg* msg, CKVMeas*& meas)
{
    if (!m_pDoc || !m_pDoc->GetCurrentPage())
        return;
    const CPoint origin = m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
    const CPoint p(pt.x - m_ptThird.x - origin.x, pt.y - m_ptThird.y - origin.y);
    POINT q {0, 0};
    meas = m_pDoc->GetPointedMeas(p, &q, 1, nullptr);
    msg->m_byKind = MSG_DYNAMIC;
    if (meas) {
        msg->m_nPosX = meas->AbsXToMeasX(static_cast<short>(q.x));
        msg->m_nPosY = static_cast<short>(MulDiv(q.y, 100, Percent(meas)));
    } else {
        msg->m_nPosX = static_cast<short>(p.x);
        msg->m_nPosY = static_cast<short>(p.y);
    }
    msg->m_wDuration = m_wDuration;
    msg->m_crColor = CKVDynamicMsg::m_crColor;
}

// --- Tempo mark -----------------------------------------------------------------

void CTempMetronomMsg::InitDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg)
        return;
    CKVMsg& moved = *m_pMovedMsg;
    m_byKind = moved.m_byKind;
    m_nPosX = moved.m_nPosX;
    m_nPosY = moved.m_nPosY;
    m_nPosX2 = moved.m_nPosX2;
    m_nPosY2 = moved.m_nPosY2;
    m_ptPos = StartPoint(moved);
    m_ptSecond = CPoint(m_ptPos.x + moved.m_nPosX2, m_ptPos.y + moved.m_nPosY2);
    const CPoint from = m_nHandle != 0 ? m_ptSecond : m_ptPos;
    m_ptThird = CPoint(pt.x - from.x, pt.y - from.y);
    m_bMeasured = 0;
}

void CTempMetronomMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg)
        return;
    if (m_nHandle == 0) {
        const CPoint d(pt.x - m_ptPos.x - m_ptThird.x, pt.y - m_ptPos.y - m_ptThird.y);
        m_ptPos += d;
        m_ptSecond += d;
        return;
    }
    // The new offset stays with the template until the drop.
    m_ptSecond = CPoint(pt.x - m_ptThird.x, pt.y - m_ptThird.y);
    m_nPosX2 = static_cast<short>(m_ptSecond.x - m_ptPos.x);
    m_nPosY2 = static_cast<short>(m_ptSecond.y - m_ptPos.y);
}

void CTempMetronomMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pMovedMsg || !m_pDoc)
        return;
    CKVMetronomMsg mark;
    mark = *m_pMovedMsg;
    CRect r = PointsRect(m_ptPos, m_ptSecond);
    if (!m_bMeasured) {
        CRect far = r;
        far.OffsetRect(kFarAway, kFarAway);
        const CSize size = mark.DrawMsg(dc, &far, m_pCtrlTool, m_pFontDatas, m_nZoom, 0);
        m_rcBound = CRect(0, -size.cy, size.cx, 0);
        m_bMeasured = 1;
    }
    InvertingText mode(dc);
    mark.DrawMsg(dc, &r, m_pCtrlTool, m_pFontDatas, 100, 0);
}

void CTempMetronomMsg::MakeMsg(CPoint, CKVMsg* msg, CKVMeas*& meas)
{
    if (!m_pMovedMsg || !m_pDoc || !m_pDoc->GetCurrentPage())
        return;
    const CPoint origin = m_pDoc->GetCurrentPage()->m_rcPrint.TopLeft();
    CPoint first = CPoint(m_ptPos) -= origin;
    meas = nullptr;
    if (m_pMovedMsg->m_byParentKind == OBJ_MEAS) {
        CPoint a = m_ptPos;
        CPoint b = m_ptSecond;
        meas = PlacePoints(a, b);
        if (meas)
            first = a;
    }
    msg->m_byKind = m_byKind;
    int x = first.x;
    int y = first.y;
    if (meas) {
        x = meas->AbsXToMeasX(static_cast<short>(x));
        y = MulDiv(y, 100, Percent(meas));
    }
    msg->m_nPosX = static_cast<short>(x);
    msg->m_nPosY = static_cast<short>(y);
    msg->m_nPosX2 = m_nPosX2;
    msg->m_nPosY2 = m_nPosY2;
}

// --- Lyric -----------------------------------------------------------------------

CTempLyricMsg& CTempLyricMsg::operator=(const CTempLyricMsg& source)
{
    if (this == &source)
        return *this;
    CKVLyricMsg::operator=(source);
    CTempMsg::operator=(source);
    m_sizeText = source.m_sizeText;
    return *this;
}

short CTempLyricMsg::BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle)
{
    if (CTempMsg::BeginDrag(pt, doc, zoom, moved, handle) != 1)
        return -1;
    m_byAltState = 0;
    CKVMeas* meas = moved ? tickmath::MeasureOf(moved) : nullptr;
    if (!meas) {
        m_pMovedMsg = nullptr;
        return -1;
    }
    meas->ObjectBackup(1, 1);
    if (CKVMsg* live = meas->GetNewPtr2(moved))
        m_pMovedMsg = live;
    return 1;
}

short CTempLyricMsg::EndDrag(CPoint)
{
    MyShowCursor(1);
    if (m_pMovedMsg)
        m_pMovedMsg->m_nPosX = m_nPosX;
    return 1;
}

void CTempLyricMsg::InitDragingParameter(CPoint pt)
{
    m_ptPos = CPoint(m_nPosX2, m_nPosY2);
    m_ptSecond = m_ptPos;
    m_ptThird = CPoint(pt.x - m_ptPos.x, pt.y - m_ptPos.y);
    m_rcBound = CRect(m_nLayout4, m_nLayout1, m_nLayout3, m_nLayout2 + 2);
    m_bMeasured = 0;
}

void CTempLyricMsg::UpdateDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg || !CTempMsg::m_pPage)
        return;
    CKVMeas* meas = tickmath::MeasureOf(m_pMovedMsg);
    CKVObject* holder = m_pMovedMsg->m_pParent;
    if (!meas || !holder || holder->m_byObjKind != OBJ_MSG)
        return;
    short staff = 0;
    CKVBlock* block = CTempMsg::m_pPage->GetBlockOfMeas(meas, &staff);
    if (!block)
        return;
    auto* note = static_cast<CKVMsg*>(holder);
    const int handleLeft = m_arrCtrlPoint.GetSize() > 0 && m_arrCtrlPoint.GetAt(0)
                               ? m_arrCtrlPoint.GetAt(0)->m_rect.left
                               : 0;
    const short A = static_cast<short>(block->m_rcBlock.left + meas->m_nLeftX +
                                       meas->MeasXToAbsX(note->m_nPosX, note->m_byKind) + m_nPosX + handleLeft);
    int d = pt.x - m_ptPos.x - m_ptThird.x;
    if (A + d < 0 && d < 0)
        d = -A;
    m_ptPos.x += d;
    m_nPosX = static_cast<short>(m_nPosX + d);
}

void CTempLyricMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    CRect r = PointsRect(m_ptPos, m_ptSecond);
    m_sizeText = CKVLyricMsg::DrawMsg(dc, &r, m_pCtrlTool, m_pFontDatas, 100, 0);
}

// --- Staff name ------------------------------------------------------------------

CTempStaffNameMsg& CTempStaffNameMsg::operator=(const CTempStaffNameMsg& source)
{
    if (this == &source)
        return *this;
    CKVStaffNameMsg::operator=(source);
    CTempMsg::operator=(source);
    m_sizeText = source.m_sizeText;
    return *this;
}

short CTempStaffNameMsg::BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle)
{
    if (CTempMsg::BeginDrag(pt, doc, zoom, moved, handle) != 1)
        return -1;
    m_byAltState = 0;
    CKVPage* page = doc->GetCurrentPage();
    if (!page)
        return -1;
    page->ObjectBackup(1);
    return 1;
}

short CTempStaffNameMsg::EndDrag(CPoint)
{
    return 1;
}

void CTempStaffNameMsg::InitDragingParameter(CPoint pt)
{
    m_ptPos = CPoint(m_nPosX, m_nPosY);
    m_ptSecond = m_ptPos;
    m_ptThird = CPoint(pt.x - m_ptPos.x, pt.y - m_ptPos.y);
    m_nPosX2 = 0;
    m_nPosY2 = 0;
    m_bMeasured = 0;
}

void CTempStaffNameMsg::UpdateDragingParameter(CPoint pt)
{
    if (CKVPage* page = m_pDoc ? m_pDoc->GetCurrentPage() : nullptr) {
        const CRect& print = page->m_rcPrint;
        if (pt.x - m_ptThird.x - m_sizeText.cx <= print.left)
            pt.x = print.left + m_ptThird.x + m_sizeText.cx;
        if (pt.y - m_ptThird.y - m_sizeText.cy <= print.top)
            pt.y = print.top + m_ptThird.y + m_sizeText.cy;
    }
    const CPoint d(pt.x - m_ptPos.x - m_ptThird.x, pt.y - m_ptPos.y - m_ptThird.y);
    m_ptPos += d;
    m_nPosX2 = static_cast<short>(m_nPosX2 + d.x);
    m_nPosY2 = static_cast<short>(m_nPosY2 + d.y);
}

void CTempStaffNameMsg::DrawDraging(CDC* dc)
{
    if (!dc || !m_pDoc)
        return;
    CRect r = PointsRect(m_ptPos, m_ptSecond);
    if (!m_bMeasured) {
        CRect far = r;
        far.OffsetRect(kFarAway, kFarAway);
        m_sizeText = CKVStaffNameMsg::DrawMsg(dc, &far, m_pCtrlTool, m_pFontDatas, 100, 1);
        const int w = m_sizeText.cx;
        const int h = m_sizeText.cy;
        m_rcBound = CRect(-w, -(h >> 1), 0, h >> 1);
        m_bMeasured = 1;
    }
    CKVStaffNameMsg::DrawMsg(dc, &r, m_pCtrlTool, m_pFontDatas, 100, 1);
}
