// Positions and handles brought to a new resolution or music-font height.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <unordered_set>

short nPrevStaffSpace = 0;
short nNoteMarkDistance = 0;
short nAccidentalDistance = 0;

namespace {

void ResetRescaleGlobals()
{
    nPrevStaffSpace = 0;
    nNoteMarkDistance = 0;
    nAccidentalDistance = 0;
}

KvProcessReset s_reset("previous staff space and note-mark distances", &ResetRescaleGlobals);

// The smallest music-font height a rescale makes; below it a half space
// cannot be counted.
constexpr int kSmallestFontHeight = 8;

// A vertical position moved from one staff space to another on whole half
// spaces, so that notes stay on their lines and spaces.
short OnHalfSpaces(int value, int oldHalf, int newHalf)
{
    return static_cast<short>(value / oldHalf * newHalf);
}

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// Calls `visit` once for every sound symbol of the map from slot `first`
// on, clearing the slots that hold no sound symbol. A symbol that sits in
// two slots is visited once.
template <class Visit>
void ForEachMapMsg(CKVSystem& system, int first, Visit visit)
{
    std::unordered_set<CKVMsg*> done;
    for (int id = first < 1 ? 1 : first; id < system.m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = system.m_arrMsgMap.GetAt(id);
        if (!msg)
            continue;
        if (!msg->IsValidMapEntry(&system)) {
            system.m_arrMsgMap.SetAt(id, nullptr);
            continue;
        }
        if (done.insert(msg).second)
            visit(*msg);
    }
}

// The ratios of one resolution change.
struct Rescale {
    int xNew, xOld, yNew, yOld;  // dots per inch
    int hNew, hOld;              // music-font heights
    int halfNew, halfOld;        // half staff spaces

    short X(int v) const { return static_cast<short>(MulDiv(v, xNew, xOld)); }
    short Y(int v) const { return static_cast<short>(MulDiv(v, yNew, yOld)); }
    LONG Y32(LONG v) const { return MulDiv(v, yNew, yOld); }
    short H(int v) const { return static_cast<short>(MulDiv(v, hNew, hOld)); }
    LONG H32(LONG v) const { return MulDiv(v, hNew, hOld); }
    short Half(int v) const { return halfOld > 0 ? OnHalfSpaces(v, halfOld, halfNew) : Y(v); }
};

void ScaleBoth(CKVMsg& msg, const Rescale& r, bool withX)
{
    if (withX)
        msg.m_nPosX = r.X(msg.m_nPosX);
    msg.m_nPosX2 = r.X(msg.m_nPosX2);
    msg.m_nPosY = r.Y(msg.m_nPosY);
    msg.m_nPosY2 = r.Y(msg.m_nPosY2);
}

void ScaleExtraXY(CKVMsg& msg, const Rescale& r)
{
    msg.m_wObjWord = static_cast<WORD>(r.X(static_cast<short>(msg.m_wObjWord)));
    msg.m_dwWord = static_cast<DWORD>(r.Y32(static_cast<LONG>(msg.m_dwWord)));
}

void ScaleCustom(CKVMsg& msg, const Rescale& r, bool pageLevel)
{
    ScaleBoth(msg, r, pageLevel);
    msg.MakeMsgCtrlPoint();
    msg.ModifyCustomSymbol(0, CPoint(r.xNew, r.yNew), CPoint(r.xOld, r.yOld));
}

// A symbol of the map, by its kind.
void ScaleMapMsg(CKVMsg& msg, const Rescale& r)
{
    const bool pageLevel = msg.m_pPage != nullptr;
    const bool underMeas = msg.m_pParent && msg.m_pParent->m_byObjKind == OBJ_MEAS;
    switch (msg.m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
        msg.m_nPosY = r.Half(msg.m_nPosY);
        msg.m_nPosY2 = r.Half(msg.m_nPosY2);
        msg.m_lHeight = r.H32(msg.m_lHeight);
        msg.AccidentalOffset() = r.X(msg.AccidentalOffset());
        msg.MarkOffset() = r.X(msg.MarkOffset());
        break;
    case MSG_BEAM:
    case MSG_CHORD:
        msg.m_nPosY = r.H(msg.m_nPosY);
        msg.m_nPosY2 = r.H(msg.m_nPosY2);
        msg.m_lHeight = r.H32(msg.m_lHeight);
        msg.AccidentalOffset() = r.X(msg.AccidentalOffset());
        msg.MarkOffset() = r.X(msg.MarkOffset());
        break;
    case MSG_TREMOLO:
        msg.m_nPosY = r.H(msg.m_nPosY);
        msg.m_nPosY2 = r.H(msg.m_nPosY2);
        break;
    case MSG_TIE:
    case MSG_SLUR:
        break;
    case MSG_TEXT:
    case MSG_TEMPO:
    case MSG_FREETEXT:
    case MSG_ARPEGGIO:
    case MSG_OCTAVE:
    case MSG_PEDAL:
    case MSG_LINE:
    case MSG_TRILL:
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_ZIGZAG_N:
    case MSG_CURVE:
        ScaleBoth(msg, r, pageLevel);
        break;
    case MSG_TUPLET:
        // The number's x offset, its y offset and the hook length.
        ScaleBoth(msg, r, true);
        msg.m_nLayout4 = r.X(msg.m_nLayout4);
        msg.m_nLayout1 = r.Y(msg.m_nLayout1);
        msg.m_nLayout2 = r.Y(msg.m_nLayout2);
        break;
    case MSG_HAIRPIN:
        if (underMeas) {
            msg.m_nPosX2 = r.X(msg.m_nPosX2);
            msg.m_nPosY = r.Half(msg.m_nPosY);
            msg.m_nPosY2 = r.Half(msg.m_nPosY2);
        } else {
            msg.m_nPosX = r.X(msg.m_nPosX);
            msg.m_nPosY = r.Y(msg.m_nPosY);
            msg.m_nPosY2 = r.Y(msg.m_nPosY2);
        }
        ScaleExtraXY(msg, r);
        break;
    case MSG_PAGESLUR:
        ScaleBoth(msg, r, !underMeas);
        ScaleExtraXY(msg, r);
        break;
    case MSG_OLDFRET:
    case MSG_OLDCHORDNAME:
        msg.m_nPosY = r.Y(msg.m_nPosY);
        break;
    case MSG_LYRIC:
        msg.m_nPosX = r.X(msg.m_nPosX);
        break;
    case MSG_ZIGZAG_M:
        if (pageLevel)
            msg.m_nPosX = r.X(msg.m_nPosX);
        msg.m_nPosX2 = r.X(msg.m_nPosX2);
        msg.m_nPosY = r.Y(msg.m_nPosY);
        if (pageLevel) {
            msg.m_nPosY2 = r.X(msg.m_nPosY2);
            msg.m_wObjWord = static_cast<WORD>(r.Y(static_cast<short>(msg.m_wObjWord)));
        } else {
            msg.m_nPosY2 = r.X(msg.m_nPosY2);
        }
        break;
    case MSG_MULTIREST:
        msg.m_nPosY = r.Y(msg.m_nPosY);
        msg.m_nPosY2 = r.Y(msg.m_nPosY2);
        break;
    case MSG_CHORDSYMBOL:
        if (msg.m_byParentKind == OBJ_MSG)
            msg.m_nPosX = r.X(msg.m_nPosX);
        msg.m_nPosY = r.Y(msg.m_nPosY);
        msg.m_nPosX2 = r.X(msg.m_nPosX2);
        msg.m_nPosY2 = r.Y(msg.m_nPosY2);
        msg.ScaleOwnedParts(r.xNew, r.xOld, r.yNew, r.yOld);
        break;
    case MSG_CUSTOM:
        ScaleCustom(msg, r, pageLevel);
        break;
    default:
        if (pageLevel) {
            ScaleBoth(msg, r, true);
        } else if (underMeas) {
            msg.m_nPosX2 = r.X(msg.m_nPosX2);
            msg.m_nPosY = r.Half(msg.m_nPosY);
            msg.m_nPosY2 = r.Half(msg.m_nPosY2);
        } else {
            ScaleBoth(msg, r, true);
        }
        break;
    }
}

// A symbol that a page (or the title block) holds.
void ScalePageMsg(CKVMsg& msg, const Rescale& r)
{
    switch (msg.m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_BEAM:
    case MSG_CHORD:
    case MSG_TREMOLO:
    case MSG_TIE:
    case MSG_SLUR:
    case MSG_TUPLET:
    case MSG_OLDFRET:
    case MSG_OLDCHORDNAME:
    case MSG_LYRIC:
    case MSG_MULTIREST:
    case MSG_CHORDSYMBOL:
        break;
    case MSG_HAIRPIN:
    case MSG_PAGESLUR:
        ScaleBoth(msg, r, true);
        ScaleExtraXY(msg, r);
        break;
    case MSG_ZIGZAG_M:
        msg.m_nPosX = r.X(msg.m_nPosX);
        msg.m_nPosX2 = r.X(msg.m_nPosX2);
        msg.m_nPosY = r.Y(msg.m_nPosY);
        msg.m_wObjWord = static_cast<WORD>(r.Y(static_cast<short>(msg.m_wObjWord)));
        break;
    case MSG_CUSTOM:
        ScaleCustom(msg, r, true);
        break;
    default:
        ScaleBoth(msg, r, true);
        break;
    }
}

// The layout words of one measure: the ending height and handle words, the
// header and cached widths, and the words of its head.
void ScaleMeas(CKVMeas& meas, const Rescale& r, bool ossia)
{
    if (!ossia) {
        meas.m_dwWord = static_cast<DWORD>(r.Y32(static_cast<LONG>(meas.m_dwWord)));
        meas.m_wEndingLine1 = static_cast<WORD>(r.X(static_cast<short>(meas.m_wEndingLine1)));
        meas.m_wEndingLine2 = static_cast<WORD>(r.Y(static_cast<short>(meas.m_wEndingLine2)));
    }
    meas.m_nHeaderWidth = r.X(meas.m_nHeaderWidth);
    meas.m_nRealWidth = r.Y(meas.m_nRealWidth);
    for (int at = 0; meas.m_pHead && at + 1 < meas.m_wHeadLen; at += 2) {
        const short word = static_cast<short>(meas.m_pHead[at] | (meas.m_pHead[at + 1] << 8));
        if (static_cast<WORD>(word) == 0x8000)
            continue;
        const WORD scaled = static_cast<WORD>(r.Y(word));
        meas.m_pHead[at] = static_cast<unsigned char>(scaled & 0xFF);
        meas.m_pHead[at + 1] = static_cast<unsigned char>(scaled >> 8);
    }
}

template <class Staves>
void ScaleStaves(Staves* staves, const Rescale& r, bool ossia)
{
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        CKVStaff* staff = staves->GetAt(s);
        for (int m = 0; staff && m < staff->m_arrMeas.GetSize(); ++m) {
            if (CKVMeas* meas = staff->m_arrMeas.GetAt(m))
                ScaleMeas(*meas, r, ossia);
        }
    }
}

// Every symbol of every measure of the staves, children included.
template <class Staves, class Visit>
void ForEachMeasMsg(Staves* staves, Visit visit)
{
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        CKVStaff* staff = staves->GetAt(s);
        for (int m = 0; staff && m < staff->m_arrMeas.GetSize(); ++m) {
            CKVMeas* meas = staff->m_arrMeas.GetAt(m);
            for (int i = 0; meas && i < meas->GetMsgNum(); ++i) {
                if (CKVMsg* msg = meas->GetMsg(static_cast<short>(i)))
                    visit(*msg);
            }
        }
    }
}

} // namespace

void CKVDoc::UpdatePosLogicDot(POINT oldDpi, POINT newDpi)
{
    // Without a resolution there is nothing to scale from or to.
    if (oldDpi.x <= 0 || oldDpi.y <= 0 || newDpi.x <= 0 || newDpi.y <= 0)
        return;
    const int oldHeight = m_nFontHeight;
    const int oldSpace = m_nStaffSpace;
    const int newHeight = MusicFontHeight(m_nScoreFontSize, newDpi.y);
    nPrevStaffSpace = static_cast<short>(oldSpace);
    m_nFontHeight = static_cast<short>(newHeight);
    m_nStaffSpace = static_cast<short>(newHeight >> 2);
    m_nFontHeight78 = static_cast<short>(MulDiv(28, newHeight, 32));
    nCurStaffSpace = m_nStaffSpace;

    if (m_pFileInfo)
        m_pFileInfo->UpdateLogicDoc(oldDpi, newDpi);

    const Rescale r {newDpi.x, oldDpi.x, newDpi.y, oldDpi.y, newHeight, oldHeight > 0 ? oldHeight : newHeight,
                     m_nStaffSpace / 2, oldSpace / 2};
    // A symbol is rescaled once, however many slots or lists hold it.
    std::unordered_set<CKVMsg*> done;
    CKVSystem* system = MasterOf(*this);
    if (system) {
        ForEachMapMsg(*system, 1, [&](CKVMsg& msg) {
            if (done.insert(&msg).second)
                ScaleMapMsg(msg, r);
        });
    }
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (int i = 0; page && i < page->m_arrMsg.GetSize(); ++i) {
            CKVMsg* msg = page->m_arrMsg.GetAt(i);
            if (msg && done.insert(msg).second)
                ScalePageMsg(*msg, r);
        }
    }
    for (CKVMsg* title : m_pTitleMsg) {
        if (title && done.insert(title).second)
            ScaleBoth(*title, r, true);
    }
    if (system) {
        ScaleStaves(system->m_pStaffArray, r, false);
        ScaleStaves(system->m_pOssiaStaffArray, r, true);
    }
    for (short p = 0; p < GetPageNum(); ++p) {
        if (CKVPage* page = GetPage(p))
            page->UpdateLogicDot(newDpi, oldDpi);
    }
}

void CKVDoc::UpdateMsgCtrlRect()
{
    CKVSystem* system = MasterOf(*this);
    if (!system)
        return;
    auto rebuild = [](CKVMsg& msg) { msg.UpdateMsgCtrlRect(); };
    ForEachMeasMsg(system->m_pStaffArray, rebuild);
    ForEachMeasMsg(system->m_pOssiaStaffArray, rebuild);
}

void CKVDoc::UpdateNoteMarkPos(int accidentalUnits, int markUnits)
{
    const int unit = m_nStaffSpace / 4;
    nNoteMarkDistance = static_cast<short>(unit * markUnits);
    nAccidentalDistance = static_cast<short>(unit * accidentalUnits);
    CKVSystem* system = MasterOf(*this);
    // Only the symbols made since the last whole-document backup: the older
    // slots hold the copies that closed undo steps keep.
    const int first = static_cast<int>(m_dwFirstCopyId);
    if (system) {
        ForEachMapMsg(*system, first, [&](CKVMsg& msg) {
            if (msg.m_byKind != MSG_NOTE && msg.m_byKind != MSG_REST)
                return;
            msg.AccidentalOffset() = nAccidentalDistance;
            msg.MarkOffset() = nNoteMarkDistance;
            msg.MakeNoteMarkCtrl();
        });
        ForEachMapMsg(*system, first, [](CKVMsg& msg) {
            if (msg.m_byKind != MSG_CHORD)
                return;
            msg.ChordDotOrder();
            msg.ChordKeyOrder();
            msg.MakeNoteMarkCtrl();
        });
    }
    m_bModified = 1;
}

namespace {

// Whether every member note of a group, chord notes included, is a grace
// note; `any` tells whether it has a member note at all.
void GraceMembers(CKVMsg& holder, bool& all, bool& any)
{
    for (int i = 0; i < holder.GetMsgNum(); ++i) {
        CKVMsg* member = holder.GetMsg(static_cast<short>(i));
        if (!member || member == &holder)
            continue;
        if (member->m_byKind == MSG_CHORD) {
            GraceMembers(*member, all, any);
        } else if (member->m_byKind == MSG_NOTE) {
            any = true;
            all = all && (member->m_wFlag & MSGFLAG_GRACE) != 0;
        }
    }
}

} // namespace

void CKVDoc::UpdateBeamOfGraceNote()
{
    CKVSystem* system = MasterOf(*this);
    if (!system)
        return;
    // As for the note-mark distances: only the symbols made since the last
    // whole-document backup, so that the host's step can undo the change.
    ForEachMapMsg(*system, static_cast<int>(m_dwFirstCopyId), [](CKVMsg& msg) {
        if (msg.m_byKind != MSG_BEAM)
            return;
        bool all = true;
        bool any = false;
        GraceMembers(msg, all, any);
        if (!any)
            return;
        if (all)
            msg.m_wFlag = static_cast<WORD>(msg.m_wFlag | MSGFLAG_GRACE);
        else
            msg.m_wFlag = static_cast<WORD>(msg.m_wFlag & ~MSGFLAG_GRACE);
    });
}

void CKVDoc::UpdatePosYA(int newHeight, int keepPages)
{
    const int oldHeight = m_nFontHeight;
    // Below the smallest height a half space is 0 and every note would land
    // on y 0.
    if (newHeight == oldHeight || newHeight < kSmallestFontHeight || oldHeight <= 0)
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

    if (CKVSystem* system = MasterOf(*this)) {
        ForEachMapMsg(*system, 1, [&](CKVMsg& msg) {
            switch (msg.m_byKind) {
            case MSG_NOTE:
            case MSG_REST:
                msg.m_nPosY = onLines(msg.m_nPosY);
                msg.m_nPosY2 = onLines(msg.m_nPosY2);
                layoutWords(msg);
                msg.m_lHeight = static_cast<short>(scale(static_cast<short>(msg.m_lHeight)));
                break;
            case MSG_BEAM:
            case MSG_CHORD:
                msg.m_nPosY = static_cast<short>(scale(msg.m_nPosY));
                msg.m_nPosY2 = static_cast<short>(scale(msg.m_nPosY2));
                layoutWords(msg);
                msg.m_lHeight = scale(msg.m_lHeight);
                break;
            case MSG_TUPLET:
                break;
            case MSG_OLDFRET:
            case MSG_OLDCHORDNAME:
            case MSG_CHORDSYMBOL:
                msg.m_nPosY = static_cast<short>(scale(msg.m_nPosY));
                break;
            default:
                if (msg.m_byParentKind == OBJ_MEAS)
                    msg.m_nPosY = static_cast<short>(scale(msg.m_nPosY));
                break;
            }
        });
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
