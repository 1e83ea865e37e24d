// The chord-symbol template and the fret-diagram and rhythm images.

#include "drag/TempChordSymbol.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"
#include "model/TickMath.h"

#include <algorithm>

namespace {

// Zeroes a message's position words and gives them back on leaving.
class ZeroedWords {
public:
    explicit ZeroedWords(CKVMsg& msg) : m_msg(msg), m_x(msg.m_nPosX), m_y(msg.m_nPosY)
    {
        msg.m_nPosX = 0;
        msg.m_nPosY = 0;
    }
    ~ZeroedWords()
    {
        m_msg.m_nPosX = m_x;
        m_msg.m_nPosY = m_y;
    }
    ZeroedWords(const ZeroedWords&) = delete;
    ZeroedWords& operator=(const ZeroedWords&) = delete;

private:
    CKVMsg& m_msg;
    short m_x;
    short m_y;
};

// Where a chord symbol dropped at a point of the current page goes: the
// measure there, and on it the note of the active voice at the point, if
// any. False without a measure.
bool FindHolder(CKVDoc& doc, POINT at, CKVMeas*& meas, CKVMsg*& note, POINT& rel)
{
    note = doc.GetPointedNoteMsg(at, static_cast<unsigned char>(doc.m_CtrlTool.m_wActiveVoice));
    meas = doc.GetPointedMeas(at, &rel, 1, nullptr);
    if (!meas)
        return false;
    // A note found beside the nearest measure is held by its own measure.
    if (note && tickmath::MeasureOf(note) != meas)
        note = nullptr;
    return true;
}

// Whether a holder takes one more chord symbol: a note replaces the one it
// holds; otherwise its record must have room.
bool TakesChordSymbol(CKVObject& holder)
{
    bool replaces = false;
    if (holder.m_byObjKind == OBJ_MSG) {
        tickmath::ForEachChild(holder, [&](CKVMsg* child, short) {
            replaces = replaces || child->m_byKind == MSG_CHORDSYMBOL;
            return false;
        });
    }
    return replaces || kvrec::HasRoomFor(holder);
}

} // namespace

void CTempFretBoard::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    {
        ZeroedWords zero(*this);
        m_rcBound = CFretBoard::DrawFrame(dc, 100, static_cast<DWORD>(m_ptPos.x), static_cast<DWORD>(m_ptPos.y));
    }
    m_bMeasured = 1;
}

void CTempRhythm::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    {
        ZeroedWords zero(*this);
        m_rcBound = CRhythm::DrawFrame(dc, m_nZoom, static_cast<DWORD>(m_ptPos.x), static_cast<DWORD>(m_ptPos.y));
    }
    m_bMeasured = 1;
}

// --- Chord symbol ----------------------------------------------------------

namespace {

constexpr int kNoChordPos = 65535;

CPoint Minus(CPoint a, CPoint b)
{
    return CPoint(a.x - b.x, a.y - b.y);
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

// The y word of a symbol's holding note, 0 when it is not held by a note.
int NoteYOf(const CKVMsg& msg)
{
    const CKVObject* parent = msg.m_pParent;
    if (parent && parent->m_byObjKind == OBJ_MSG)
        return static_cast<const CKVMsg*>(parent)->m_nPosY;
    return 0;
}

// Top of a measure's staff and of its block on the page (0 for a block
// that the page does not hold).
CPoint StaffAndBlockTop(CKVPage* page, CKVMeas* meas)
{
    if (!meas)
        return CPoint(0, 0);
    short staff = 0;
    CKVBlock* block = page ? page->GetBlockOfMeas(meas, &staff) : nullptr;
    return CPoint(meas->m_nStaffY, block ? block->m_rcBlock.top : 0);
}

} // namespace

CTempChordSymbol& CTempChordSymbol::operator=(CTempChordSymbol& source)
{
    if (this == &source)
        return *this;
    CChordSymbol::operator=(source);
    CTempMsg::operator=(source);
    return *this;
}

bool CTempChordSymbol::RhythmShown() const
{
    return CKVCtrlTool::m_bShowRhythm || (m_pDoc && m_pDoc->m_bShowRhythm);
}

void CTempChordSymbol::DrawDraging(CDC* dc)
{
    if (!dc)
        return;
    const short x = m_nPosX;
    const short y = m_nPosY;
    const short drawnX = m_nDrawnX;
    const short drawnY = m_nDrawnY;
    const BOOL showName = m_bShowName;
    const BOOL showFret = m_bShowFret;
    CRhythm* const rhythm = m_pRhythm;
    CKVObject* const parent = m_pParent;

    // The symbol draws at the position: no offsets, and no measure that would
    // add its header and scale.
    m_nPosX = 0;
    m_nPosY = 0;
    m_pParent = nullptr;
    if (m_pMovedMsg && m_nHandle == 1) {
        m_bShowName = FALSE;
        m_pRhythm = nullptr;
    } else if (m_pMovedMsg && m_nHandle == 2) {
        m_bShowName = FALSE;
        m_bShowFret = FALSE;
    }
    if (!RhythmShown())
        m_pRhythm = nullptr;
    LOGFONT* font = m_pCtrlTool ? &m_pCtrlTool->m_lfChord : nullptr;
    m_rcBound = Draw(dc, font, 100, m_ptPos.x, m_ptPos.y);

    m_nPosX = x;
    m_nPosY = y;
    m_nDrawnX = drawnX;
    m_nDrawnY = drawnY;
    m_bShowName = showName;
    m_bShowFret = showFret;
    m_pRhythm = rhythm;
    m_pParent = parent;
    m_bMeasured = 1;
}

void CTempChordSymbol::InitDragingParameter(CPoint pt)
{
    if (!m_pMovedMsg) {
        StartNew(pt);
        m_ptThird = CPoint(0, 0);
        m_bMeasured = 0;
        return;
    }
    // Where the moved symbol was last drawn from; the model keeps a copy
    // only when the host copied it with Initialize.
    const auto* moved = dynamic_cast<CChordSymbol*>(m_pMovedMsg);
    const CPoint drawn = moved ? CPoint(moved->m_nDrawnX, moved->m_nDrawnY) : CPoint(m_nDrawnX, m_nDrawnY);
    int x = m_nPosX;
    CKVObject* holder = m_pMovedMsg->m_pParent;
    if (holder && holder->m_byObjKind == OBJ_MEAS)
        x = static_cast<CKVMeas*>(holder)->GetRealPosX(this);
    m_ptPos = CPoint(drawn.x + x, drawn.y + m_nPosY);

    const CPoint fret(m_FretBoard.m_nPosX, m_FretBoard.m_nPosY);
    if (m_nHandle == 0)
        m_ptThird = Minus(pt, m_ptPos);
    else if (m_nHandle == 1)
        m_ptThird = Minus(pt, m_ptPos + fret);
    else if (m_nHandle == 2 && m_pRhythm && RhythmShown())
        m_ptThird = Minus(pt, m_ptPos + CPoint(m_pRhythm->m_nPosX, m_pRhythm->m_nPosY));
    m_ptSecond = m_ptPos;
    m_bMeasured = 0;
}

void CTempChordSymbol::UpdateDragingParameter(CPoint pt)
{
    if (m_nHandle == 0)
        m_ptPos = Minus(pt, m_ptThird);
    else if (m_nHandle == 1)
        m_ptPos = Minus(pt, CPoint(m_FretBoard.m_nPosX, m_FretBoard.m_nPosY) + m_ptThird);
    else if (m_nHandle == 2 && m_pRhythm && RhythmShown())
        m_ptPos = Minus(pt, CPoint(m_pRhythm->m_nPosX, m_pRhythm->m_nPosY) + m_ptThird);
}

int CTempChordSymbol::GetChordPos(CKVBlock* block, CKVMeas* meas)
{
    if (!block || !meas || block->GetStaffNum() <= 0)
        return kNoChordPos;
    CKVDoc* doc = m_pDoc ? m_pDoc : (meas->m_pSystem ? meas->m_pSystem->m_pDoc : nullptr);
    if (!doc)
        return kNoChordPos;
    const CKVObject* staff = meas->m_pParent;
    for (int i = 0; i < block->m_arrStaffEntry.GetSize(); ++i) {
        const BlockStaffEntry* entry = block->m_arrStaffEntry.GetAt(i);
        if (entry && staff && entry->pStaff == staff)
            return -4 * doc->m_nStaffSpace - entry->wValue;
    }
    return kNoChordPos;
}

CKVMeas* CTempChordSymbol::BackUpOnce(CKVMeas* meas)
{
    if (!meas)
        return nullptr;
    CKVMeas* live = meas->GetCurBackupObj() ? meas->GetCurBackupObj() : meas;
    if (std::find(m_backedUp.begin(), m_backedUp.end(), live) != m_backedUp.end())
        return live;
    live->ObjectBackup(1, 1);
    CKVMeas* after = live->GetCurBackupObj() ? live->GetCurBackupObj() : live;
    m_backedUp.push_back(after);
    return after;
}

CKVMsg* CTempChordSymbol::MakeChordTextMsg(short x, short y, CKVMsg* chord, int undo)
{
    CKVDoc* doc = m_pDoc;
    if (!doc || !chord || !doc->GetCurrentPage())
        return nullptr;
    CKVMeas* meas = nullptr;
    CKVMsg* note = nullptr;
    POINT rel {0, 0};
    if (!FindHolder(*doc, POINT {x, y}, meas, note, rel))
        return nullptr;
    const short xw = meas->AbsXToMeasX(static_cast<short>(rel.x));
    const int yw = GetChordPos(doc->m_pCurBlock, meas);
    // A holder whose record holds all its symbols is refused before
    // anything is backed up.
    if (yw == kNoChordPos || !TakesChordSymbol(note ? static_cast<CKVObject&>(*note) : *meas))
        return nullptr;

    if (note) {
        chord->m_nPosX = 0;
        chord->m_nPosY = static_cast<short>(yw - note->m_nPosY);
    } else {
        chord->m_nPosX = xw;
        chord->m_nPosY = static_cast<short>(yw);
    }
    auto* symbol = dynamic_cast<CChordSymbol*>(chord);
    if (symbol && chord->m_byKind == MSG_CHORDSYMBOL) {
        symbol->m_FretBoard.m_nPosX = 0;
        symbol->m_FretBoard.m_nPosY = 0;
    }
    if (symbol)
        symbol->SetColor(doc->m_CtrlTool.m_crCurrent);
    else
        chord->m_crColor = doc->m_CtrlTool.m_crCurrent;
    chord->MakeMsgCtrlPoint();
    // A new symbol of its own: no id, no page link.
    chord->m_dwMsgId = 0;
    chord->m_pPage = nullptr;

    if (undo)
        doc->ResetBackup();
    CKVMeas* live = BackUpOnce(meas);
    if (note)
        note = live->GetNewPtr2(note);
    if (!note)
        return doc->AddMsg(static_cast<CKVObject*>(live), chord, 1, 0);

    chord->m_byVoice = note->m_byVoice;
    CKVMsg* replaced = nullptr;
    for (short i = 0; i < note->GetMsgNum() && !replaced; ++i) {
        CKVMsg* child = note->GetMsg(i);
        if (child && child->m_byKind == MSG_CHORDSYMBOL)
            replaced = child;
    }
    short words[4] = {0, 0, 0, 0};
    if (replaced) {
        words[0] = replaced->m_nPosX;
        words[1] = replaced->m_nPosY;
        if (auto* old = dynamic_cast<CChordSymbol*>(replaced)) {
            words[2] = old->m_FretBoard.m_nPosX;
            words[3] = old->m_FretBoard.m_nPosY;
        }
        doc->DeleteMsg(replaced, CKVCtrlTool::m_fIsAutoPos);
    }
    CKVMsg* added = doc->AddMsg(note, chord, 1, 0);
    if (added && replaced) {
        added->m_nPosX = words[0];
        added->m_nPosY = words[1];
        if (auto* made = dynamic_cast<CChordSymbol*>(added)) {
            made->m_FretBoard.m_nPosX = words[2];
            made->m_FretBoard.m_nPosY = words[3];
        }
    }
    return added;
}

short CTempChordSymbol::EndDrag(CPoint pt)
{
    MyShowCursor(1);
    CKVDoc* doc = m_pDoc;
    CKVMsg* moved = m_pMovedMsg;
    m_pMovedMsg = nullptr;
    m_backedUp.clear();
    if (!doc)
        return 1;
    doc->ResetBackup();
    CKVPage* page = doc->GetCurrentPage();

    if (!moved) {
        if (!page)
            return -1;
        const CPoint p = Minus(pt, page->m_rcPrint.TopLeft());
        POINT rel {0, 0};
        if (!doc->GetPointedMeas(p, &rel, 1, nullptr))
            return -1;
        CChordSymbol copy;
        copy = *this;
        copy.m_dwMsgId = 0;
        MakeChordTextMsg(static_cast<short>(p.x), static_cast<short>(p.y), &copy, 1);
        m_backedUp.clear();
        return 1;
    }

    // Only a chord symbol of the document's pages or measures moves.
    if (!dynamic_cast<CChordSymbol*>(moved) || (moved->m_pPage && !IsPageOf(*doc, moved->m_pPage)))
        return 1;
    if (MovesElsewhere(*moved) && !HolderAtDropTakesIt(*doc, page))
        return -1;
    if (moved->m_pPage) {
        auto* holderPage = static_cast<CKVPage*>(moved->m_pPage);
        holderPage->ObjectBackup(1);
        if (CKVMsg* live = holderPage->GetNewPtr2(moved))
            moved = live;
        page = doc->GetCurrentPage();
    } else {
        CKVMeas* holder = tickmath::MeasureOf(moved);
        if (!holder)
            return 1;
        if (CKVMsg* live = BackUpOnce(holder)->GetNewPtr2(moved))
            moved = live;
        if (CKVMeas* cursor = BackUpOnce(doc->m_pCurMeas)) {
            if (CKVMsg* live = cursor->GetNewPtr2(moved))
                moved = live;
        }
    }
    auto* chord = dynamic_cast<CChordSymbol*>(moved);
    if (!chord) {
        m_backedUp.clear();
        return 1;
    }

    const CPoint d = Minus(m_ptPos, m_ptSecond);
    short result = 1;
    if (m_nHandle == 1) {
        chord->m_FretBoard.m_nPosX = static_cast<short>(chord->m_FretBoard.m_nPosX + d.x);
        chord->m_FretBoard.m_nPosY = static_cast<short>(chord->m_FretBoard.m_nPosY + d.y);
    } else if (m_nHandle == 2) {
        // A hidden rhythm cannot be grabbed: nothing moves.
        if (m_pRhythm && chord->m_pRhythm && RhythmShown()) {
            chord->m_pRhythm->m_nPosX = static_cast<short>(chord->m_pRhythm->m_nPosX + d.x);
            chord->m_pRhythm->m_nPosY = static_cast<short>(chord->m_pRhythm->m_nPosY + d.y);
        }
    } else if (!MovesElsewhere(*moved)) {
        moved->m_nPosX = static_cast<short>(moved->m_nPosX + d.x);
        moved->m_nPosY = static_cast<short>(moved->m_nPosY -
                                            moved->InvertYbyZoom(static_cast<short>(m_ptSecond.y - m_ptPos.y)));
    } else {
        result = DropElsewhere(*doc, page, chord);
    }
    m_backedUp.clear();
    return result;
}

bool CTempChordSymbol::MovesElsewhere(const CKVMsg& moved) const
{
    const BYTE parentKind = moved.m_pParent ? moved.m_pParent->m_byObjKind : 0;
    const bool nudged = (parentKind == OBJ_MSG || parentKind == OBJ_STAFF) && m_byAltState == 0;
    return m_nHandle != 1 && m_nHandle != 2 && !nudged;
}

bool CTempChordSymbol::HolderAtDropTakesIt(CKVDoc& doc, CKVPage* page)
{
    CKVMeas* meas = nullptr;
    CKVMsg* note = nullptr;
    POINT rel {0, 0};
    if (!page || !FindHolder(doc, Minus(m_ptPos, page->m_rcPrint.TopLeft()), meas, note, rel) ||
        TakesChordSymbol(note ? static_cast<CKVObject&>(*note) : *meas))
        return true;
    ::MessageBeep(0xFFFFFFFF);
    return false;
}

short CTempChordSymbol::DropElsewhere(CKVDoc& doc, CKVPage* page, CChordSymbol* moved)
{
    // What the new symbol takes over, read before anything changes.
    CChordSymbol copy;
    copy = *moved;
    const COLORREF colour = moved->m_crColor;
    const short fretX = moved->m_FretBoard.m_nPosX;
    const short fretY = moved->m_FretBoard.m_nPosY;
    CKVMeas* oldMeas = moved->m_pPage ? nullptr : tickmath::MeasureOf(moved);
    const CPoint oldTops = StaffAndBlockTop(page, oldMeas);
    const int oldNoteY = NoteYOf(*moved);
    const int movedY = moved->m_nPosY;
    const int dy = moved->InvertYbyZoom(static_cast<short>(m_ptPos.y - m_ptSecond.y));

    CKVMsg* made = nullptr;
    CKVMeas* meas = nullptr;
    if (page) {
        const CPoint p = Minus(m_ptPos, page->m_rcPrint.TopLeft());
        POINT rel {0, 0};
        meas = doc.GetPointedMeas(p, &rel, 1, nullptr);
        made = MakeChordTextMsg(static_cast<short>(p.x), static_cast<short>(p.y), &copy, 0);
    }
    if (!made) {
        ::MessageBeep(0xFFFFFFFF);
        return -1;
    }
    if (meas && m_byAltState == 0) {
        if (auto* live = dynamic_cast<CChordSymbol*>(meas->GetNewPtr2(moved, made)))
            moved = live;
    }
    if (auto* symbol = dynamic_cast<CChordSymbol*>(made))
        symbol->SetColor(colour);
    else
        made->m_crColor = colour;
    // The dragged height, carried over from the old staff (and note) to the
    // new one. A symbol that came from the page keeps the height it was
    // placed at.
    if (oldMeas) {
        const CPoint newTops = StaffAndBlockTop(page, tickmath::MeasureOf(made));
        made->m_nPosY = static_cast<short>(movedY + dy + (oldTops.x - newTops.x) + (oldTops.y - newTops.y) +
                                           oldNoteY - NoteYOf(*made));
    }
    if (m_byAltState == 0)
        doc.DeleteMsg(moved, CKVCtrlTool::m_fIsAutoPos);
    if (auto* symbol = dynamic_cast<CChordSymbol*>(made)) {
        symbol->m_FretBoard.m_nPosX = fretX;
        symbol->m_FretBoard.m_nPosY = fretY;
    }
    return 1;
}
