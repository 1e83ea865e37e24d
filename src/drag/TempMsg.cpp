// The drag protocol: hover, press, move and release, the image that follows
// the mouse, and the drop that puts the symbol into the score.

#include "drag/TempMsg.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"
#include "model/TickMath.h"
#include "render/MemoryDC.h"
#include "timing/TieLinks.h"

namespace {

// Image measuring draws here, far off any view.
constexpr int kFarAway = -1000;
constexpr int kFarAwaySecond = -500;

// A size percent that can divide.
int Percent(WORD word)
{
    return word == 0 ? 100 : word;
}

bool IsPageOf(CKVDoc& doc, void* page)
{
    if (!page)
        return false;
    for (short i = 0; i < doc.GetPageNum(); ++i) {
        if (doc.GetPage(i) == page)
            return true;
    }
    return false;
}

} // namespace

CTempMsg::CTempMsg() = default;

CTempMsg::CTempMsg(const CTempMsg& source)
{
    *this = source;
}

CTempMsg& CTempMsg::operator=(const CTempMsg& source)
{
    if (this == &source)
        return *this;
    m_rcBound = source.m_rcBound;
    m_pMovedMsg = source.m_pMovedMsg;
    m_pDoc = source.m_pDoc;
    m_pPage = source.m_pPage;
    m_pCtrlTool = source.m_pCtrlTool;
    m_pFontDatas = source.m_pFontDatas;
    m_nHandle = source.m_nHandle;
    m_nZoom = source.m_nZoom;
    m_byAltState = source.m_byAltState;
    m_ptPos = source.m_ptPos;
    m_ptSecond = source.m_ptSecond;
    m_ptThird = source.m_ptThird;
    m_crColor = source.m_crColor;
    // The image stays with its owner; this one is made at the next measuring.
    m_bMeasured = 0;
    m_bShown = false;
    return *this;
}

CTempMsg::~CTempMsg()
{
    delete m_pImage;
}

CRect CTempMsg::GetBoundingRect() const
{
    return m_rcBound;
}

void CTempMsg::MakeMsg(CPoint, CKVMsg*, CKVMeas*&) {}
void CTempMsg::DrawDraging(CDC*) {}
void CTempMsg::UpdateDragingParameter(CPoint) {}
void CTempMsg::InitDragingParameter(CPoint) {}

void CTempMsg::BindDocument(CKVDoc* doc)
{
    m_pDoc = doc;
    m_pCtrlTool = doc ? &doc->m_CtrlTool : nullptr;
    m_pFontDatas = doc ? &doc->m_FontDatas : nullptr;
    m_pPage = doc ? doc->GetCurrentPage() : nullptr;
}

void CTempMsg::BlitImage(CDC* dc)
{
    if (m_pImage && dc)
        m_pImage->MemCopyBits(dc, m_ptPos.x + m_rcBound.left, m_ptPos.y + m_rcBound.top, 1);
}

int CTempMsg::CalcBoundingRect(CDC* dc, short, short)
{
    CDC screen;
    const bool onScreen = dc == nullptr;
    if (onScreen) {
        screen.Attach(::GetDC(nullptr));
        dc = &screen;
    }

    const CPoint pos = m_ptPos;
    const CPoint second = m_ptSecond;
    const CPoint third = m_ptThird;
    m_ptPos = CPoint(kFarAway, kFarAway);
    m_ptSecond = CPoint(kFarAwaySecond, kFarAwaySecond);
    m_ptThird = CPoint(kFarAwaySecond, kFarAwaySecond);
    DrawDraging(dc);
    m_bMeasured = 1;

    if (!m_pImage)
        m_pImage = new CMemoryDC;
    CRect rect = m_rcBound;
    m_pImage->CreateMemDC(dc, rect, 1);
    // A surface the platform refuses (too large) leaves no image: nothing is
    // drawn into it and blits do nothing.
    if (!m_pImage->m_bitmap.GetSafeHandle())
        m_pImage->DestroyMemDC();
    if (m_pImage->m_bCreated && m_pImage->m_pDrawDC) {
        m_ptPos = CPoint(0, 0);
        m_ptSecond = CPoint(second.x - pos.x, second.y - pos.y);
        m_ptThird = CPoint(third.x - pos.x, third.y - pos.y);
        DrawDraging(m_pImage->m_pDrawDC);
    }

    m_ptPos = pos;
    m_ptSecond = second;
    m_ptThird = third;
    if (onScreen)
        ::ReleaseDC(nullptr, screen.Detach());
    return 1;
}

short CTempMsg::OnMouseMove(CPoint pt, CDC* dc, CKVDoc* doc, short zoom)
{
    BindDocument(doc);
    if (!doc)
        return 1;
    if (m_bMeasured && zoom != m_nZoom) {
        m_bMeasured = 0;
        if (m_bShown)
            BlitImage(dc);
        m_bShown = false;
    }
    m_nZoom = zoom;
    // The first hover always draws, even at the starting position.
    if (m_bHovered && pt == m_ptPos)
        return 1;
    m_bHovered = true;
    if (!m_bMeasured)
        CalcBoundingRect(dc, static_cast<short>(doc->m_nScoreFontSize * 10), doc->m_nStaffSpace);
    if (m_bShown)
        BlitImage(dc);
    m_ptPos = pt;
    BlitImage(dc);
    m_bShown = true;
    return 1;
}

short CTempMsg::BeginDrag(CPoint pt, CKVDoc* doc, short zoom, CKVMsg* moved, int handle)
{
    if (!doc)
        return -1;
    BindDocument(doc);
    m_pMovedMsg = moved;
    m_nHandle = static_cast<short>(handle);
    m_nZoom = zoom;
    m_byAltState = ::GetKeyState(VK_MENU) < 0 ? 1 : 0;
    doc->ResetBackup();
    InitDragingParameter(pt);
    MyShowCursor(0);
    return 1;
}

short CTempMsg::Drag(CDC* dc, CPoint pt)
{
    if (!m_pDoc)
        return 1;
    if (!m_bMeasured)
        CalcBoundingRect(dc, static_cast<short>(m_pDoc->m_nScoreFontSize * 10), m_pDoc->m_nStaffSpace);
    // On a copy the symbol stays visible at its old place.
    if (m_byAltState == 1)
        m_byAltState = 2;
    else
        BlitImage(dc);
    UpdateDragingParameter(pt);
    BlitImage(dc);
    m_bShown = true;
    return 1;
}

short CTempMsg::EndDrag(CPoint pt)
{
    MyShowCursor(1);
    CKVDoc* doc = m_pDoc;
    if (!doc || !doc->GetCurrentPage()) {
        m_pMovedMsg = nullptr;
        return 1;
    }
    CKVMsg* moved = m_pMovedMsg;
    // Chord symbols move only through their own template.
    if (moved && moved->m_byKind == MSG_CHORDSYMBOL) {
        m_pMovedMsg = nullptr;
        return 1;
    }

    CKVMsg M;
    doc->ResetBackup();
    if (moved)
        M = *moved;
    M.m_byKind = 0;
    CKVMeas* meas = nullptr;
    MakeMsg(pt, &M, meas);
    if (M.m_byKind == 0 || M.m_byKind == MSG_CHORDSYMBOL) {
        m_pMovedMsg = nullptr;
        return 1;
    }
    M.MakeMsgCtrlPoint();
    M.m_dwMsgId = 0;
    if (!moved) {
        M.m_crColor = doc->m_CtrlTool.m_crCurrent;
        M.m_byVoice = static_cast<BYTE>(doc->m_CtrlTool.m_wActiveVoice);
        M.m_lHeight = doc->m_CtrlTool.m_nCurLineWidth;
        M.m_wSize = MSG_SIZE_NORMAL;
        M.m_byReplace &= 0x0F;
        // A custom symbol is its block: a new one keeps what MakeMsg gave it.
        if (M.m_byKind != MSG_CUSTOM)
            M.SetHead(0, nullptr);
    }
    InsertDropped(M, meas);
    return 1;
}

namespace {

// Whether a measure takes a dropped symbol: its record has room for one
// more, or the symbol moves within it and so leaves a place behind.
bool TakesDropped(CKVMeas& meas, CKVMsg* moved, bool copy)
{
    const bool leavesIt = moved && !copy && !moved->m_pPage && tielink::IndexOfChild(meas, moved) >= 0;
    return leavesIt || kvrec::HasRoomFor(meas);
}

} // namespace

void CTempMsg::InsertDropped(CKVMsg& M, CKVMeas* meas)
{
    CKVDoc* doc = m_pDoc;
    CKVMsg* moved = m_pMovedMsg;
    m_pMovedMsg = nullptr;
    // A measure that cannot take the symbol refuses the drop before
    // anything is backed up or taken from its place.
    if (meas && !TakesDropped(*meas, moved, m_byAltState != 0))
        return;
    CKVPage* pageBackedUp = nullptr;
    bool measBackedUp = false;
    if (moved) {
        if (moved->m_pPage) {
            // A title text or anything else off the document's pages stays.
            if (!IsPageOf(*doc, moved->m_pPage))
                return;
            auto* page = static_cast<CKVPage*>(moved->m_pPage);
            page->ObjectBackup(1);
            if (CKVMsg* live = page->GetNewPtr2(moved))
                moved = live;
            pageBackedUp = doc->GetCurrentPage();
            if (page != m_pPage)
                pageBackedUp = nullptr;
        } else {
            CKVMeas* holder = tickmath::MeasureOf(moved);
            if (!holder)
                return;
            holder->ObjectBackup(1, 1);
            if (CKVMsg* live = holder->GetNewPtr2(moved))
                moved = live;
            if (meas == holder) {
                if (CKVMeas* live = holder->GetCurBackupObj())
                    meas = live;
                measBackedUp = true;
            }
        }
        if (m_byAltState == 0)
            doc->DeleteMsg(moved, CKVCtrlTool::m_fIsAutoPos);
        // Taking off a tie or slur may have backed up the measure of its far
        // note, the target among them.
        if (meas && !meas->IsCurrentObj()) {
            meas = meas->GetCurBackupObj();
            measBackedUp = true;
        }
    }

    if (meas) {
        M.m_pPage = nullptr;
        if (!measBackedUp) {
            meas->ObjectBackup(1, 1);
            if (CKVMeas* live = meas->GetCurBackupObj())
                meas = live;
        }
        doc->AddMsg(static_cast<CKVObject*>(meas), &M, 1, 0);
    } else {
        M.m_pParent = nullptr;
        M.m_pSystem = nullptr;
        if (!pageBackedUp) {
            if (CKVPage* page = doc->GetCurrentPage())
                page->ObjectBackup(1);
        }
        if (CKVPage* page = doc->GetCurrentPage())
            doc->AddMsg(page, &M, 1, 0);
    }
}

// --- Placement -------------------------------------------------------------

CKVMeas* CTempMsg::PlacePoints(CPoint& first, CPoint& second)
{
    if (!m_pDoc)
        return nullptr;
    CKVPage* page = m_pDoc->GetCurrentPage();
    if (!page)
        return nullptr;
    const CPoint origin = page->m_rcPrint.TopLeft();
    first -= origin;
    second -= origin;
    POINT out {0, 0};
    CKVMeas* meas = m_pDoc->GetPointedMeas(first, &out, 1, nullptr);
    if (!meas || !m_pDoc->m_pCurBlock)
        return nullptr;
    const CPoint shift(m_pDoc->m_pCurBlock->m_rcBlock.left + meas->m_nLeftX,
                       m_pDoc->m_pCurBlock->m_rcBlock.top + meas->m_nStaffY);
    first -= shift;
    second -= shift;
    return meas;
}

void CTempMsg::FillPlaced(CKVMsg* msg, BYTE kind, CKVMeas* meas, CPoint first, CPoint second, bool offsets)
{
    msg->m_byKind = kind;
    int x = first.x;
    int y = first.y;
    int dx = second.x - first.x;
    int dy = second.y - first.y;
    if (meas) {
        const int s = Percent(meas->m_pParent ? meas->m_pParent->m_wObjWord : 100);
        x = meas->AbsXToMeasX(static_cast<short>(x));
        y = MulDiv(y, 100, s);
        dy = MulDiv(dy, 100, s);
    }
    msg->m_nPosX = static_cast<short>(x);
    msg->m_nPosY = static_cast<short>(y);
    if (offsets) {
        msg->m_nPosX2 = static_cast<short>(dx);
        msg->m_nPosY2 = static_cast<short>(dy);
    }
}

int CTempMsg::CursorStaffPercent()
{
    return Percent(m_pDoc && m_pDoc->m_pCurStaff ? m_pDoc->m_pCurStaff->m_wObjWord : 100);
}

CPoint CTempMsg::StartPoint(CKVMsg& msg)
{
    if (!m_pDoc)
        return CPoint(0, 0);
    CKVPage* page = m_pDoc->GetCurrentPage();
    const int s = CursorStaffPercent();
    int x = page ? page->m_rcPrint.left : 0;
    int y = (page ? page->m_rcPrint.top : 0) + MulDiv(msg.m_nPosY, s, 100);
    if (msg.m_byParentKind != OBJ_MEAS) {
        x += msg.m_nPosX;
    } else {
        CKVBlock* block = m_pDoc->m_pCurBlock;
        CKVMeas* cursor = m_pDoc->m_pCurMeas;
        auto* parent = static_cast<CKVMeas*>(msg.m_pParent);
        if (block && cursor && parent) {
            x += block->m_rcBlock.left + cursor->m_nLeftX + parent->MeasXToAbsX(msg.m_nPosX, msg.m_byKind);
            y += block->m_rcBlock.top + cursor->m_nStaffY;
        }
    }
    return CPoint(x, y);
}

void CTempMsg::StartNew(CPoint pt)
{
    m_ptPos = pt;
    m_ptSecond = pt;
    if (m_pCtrlTool) {
        m_crColor = m_pCtrlTool->m_crCurrent;
        Model().m_lHeight = m_pCtrlTool->m_nCurLineWidth;
    }
}
