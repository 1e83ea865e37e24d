// Control handles, hit-testing and staff-size conversion of score nodes, and
// the node copy.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/HitShapes.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/NodeDoc.h"
#include "model/NewObject.h"
#include "model/TickMath.h"

#include <cstring>
#include <new>

using measplace::LineSpacingOf;

CKVObject& CKVObject::operator=(const CKVObject& source)
{
    if (&source == this)
        return *this;
    m_byObjKind = source.m_byObjKind;
    m_wObjWord = source.m_wObjWord;
    m_dwWord = source.m_dwWord;

    KvPoolFree(m_pHead);
    m_pHead = nullptr;
    m_wHeadLen = 0;
    if (source.m_pHead && source.m_wHeadLen > 0) {
        m_pHead = static_cast<unsigned char*>(KvPoolAllocate(source.m_wHeadLen));
        if (m_pHead) {
            std::memcpy(m_pHead, source.m_pHead, source.m_wHeadLen);
            m_wHeadLen = source.m_wHeadLen;
        } else {
            ReportOutOfMemory(1);
        }
    }
    m_pSystem = source.m_pSystem;

    for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i)
        delete m_arrCtrlPoint.GetAt(i);
    m_arrCtrlPoint.RemoveAll();
    for (int i = 0; i < source.m_arrCtrlPoint.GetSize(); ++i) {
        const CKVCtrlPoint* handle = source.m_arrCtrlPoint.GetAt(i);
        CKVCtrlPoint* copy = nullptr;
        if (handle) {
            copy = KvNewReported<CKVCtrlPoint>();
            if (!copy) {
                // The copy keeps the handles made so far and stops here.
                return *this;
            }
            *copy = *handle;
        }
        m_arrCtrlPoint.Add(copy);
    }

    m_cPointedCtrl = source.m_cPointedCtrl;
    m_byCtrlCount = source.m_byCtrlCount;
    m_pParent = source.m_pParent;
    m_pPage = source.m_pPage;
    m_byParentKind = source.m_byParentKind;
    return *this;
}

// The node whose object word gives the staff size for this node: for a
// member of a chord or beam group three parents up, for a symbol of a measure
// the measure's staff, for a node held by a staff the node itself. Null when
// there is none.
static CKVObject* ZoomSource(CKVObject* node)
{
    CKVObject* parent = node->m_pParent;
    if (!parent)
        return nullptr;
    CKVObject* found = nullptr;
    switch (parent->m_byObjKind) {
    case OBJ_MSG:
        found = parent->m_pParent ? parent->m_pParent->m_pParent : nullptr;
        break;
    case OBJ_MEAS:
        found = parent->m_pParent;
        break;
    case OBJ_STAFF:
    case OBJ_OSSIA_STAFF:
        return node;
    default:
        return nullptr;
    }
    if (!found || (found->m_byObjKind != OBJ_STAFF && found->m_byObjKind != OBJ_OSSIA_STAFF))
        return nullptr;
    return found;
}

// The staff size in percent; 0 when it cannot scale (no staff, or a size
// word that damaged data left at 0 or negative).
static int ZoomPercent(CKVObject* node)
{
    CKVObject* source = ZoomSource(node);
    if (!source)
        return 0;
    const short size = static_cast<short>(source->m_wObjWord);
    return size > 0 ? size : 0;
}

short CKVObject::ConvertYbyZoom(short y)
{
    const int size = ZoomPercent(this);
    if (size == 0)
        return y;
    return static_cast<short>(MulDiv(y, size, 100));
}

short CKVObject::InvertYbyZoom(short y)
{
    const int size = ZoomPercent(this);
    if (size == 0)
        return y;
    return static_cast<short>(MulDiv(y, 100, size));
}

void CKVObject::ConvertRectByZoom(CRect& in, CRect& out, short handle)
{
    out = in;
    if (!m_pParent || m_pParent->m_byObjKind == OBJ_STAFF || m_pParent->m_byObjKind == OBJ_OSSIA_STAFF)
        return;
    CKVMsg* msg = m_byObjKind == OBJ_MSG ? dynamic_cast<CKVMsg*>(this) : nullptr;
    const int p = ZoomPercent(this);
    if (!msg || p == 0)
        return;
    auto scaleHead = [&] {
        if (handle == 0) {
            out.top = MulDiv(out.top, p, 100);
            out.bottom = MulDiv(out.bottom, p, 100);
        }
    };
    switch (msg->m_byKind) {
    case MSG_TEMPO:
    case MSG_HAIRPIN:
    case MSG_LINE:
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_ZIGZAG_N:
    case MSG_ZIGZAG_M:
    case MSG_PAGESLUR:
    case MSG_CURVE: {
        // The centre keeps its distance from the anchor at the staff's scale.
        const int c = out.top + (out.Height() >> 1);
        if (c != 0)
            out.OffsetRect(0, MulDiv(c, p, 100) - c);
        break;
    }
    case MSG_FREETEXT:
    case MSG_OCTAVE:
    case MSG_TUPLET:
    case MSG_BEAM:
    case MSG_LYRIC:
    case MSG_CUSTOM:
    case MSG_TIE:
    case MSG_SLUR:
        break;
    case MSG_CHORDSYMBOL:
        if (ChordSymbolParts parts; msg->GetChordSymbolParts(parts)) {
            if (handle == 1)
                out.OffsetRect(0, MulDiv(parts.fretY, p - 100, 100));
            else if (handle == 2 && parts.hasRhythm)
                out.OffsetRect(0, MulDiv(parts.rhythmY, p - 100, 100));
        }
        break;
    default: // the rolled-chord sign among them
        scaleHead();
        break;
    }
}

POINT ptLastPointed {0, 0};

namespace {

void ResetLastPointed()
{
    ptLastPointed = POINT {0, 0};
}
KvProcessReset s_resetLastPointed("last pointed point", &ResetLastPointed);

bool LeftButtonUp()
{
    return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0;
}

// The measure head holds one signed 16-bit offset per lyric line; a line not
// shown holds this value.
constexpr short kLyricLineHidden = -32768;

// Moves a point relative to a lyric's note onto the lyric's own handle
// space. False when the lyric's line is not in its measure's head or is not
// shown, so that nothing there can be hit.
bool LyricPoint(CKVMsg& lyric, POINT& pt)
{
    CKVObject* parent = lyric.m_pParent;
    if (!parent || parent->m_byObjKind != OBJ_MSG)
        return false;
    CKVMeas* meas = tickmath::MeasureOf(static_cast<CKVMsg*>(parent));
    const int line = lyric.m_nPosY;
    if (!meas || !meas->m_pHead || line < 0 || 2 * line + 2 > meas->m_wHeadLen)
        return false;
    const short offset = static_cast<short>(GetWord(meas->m_pHead + 2 * line));
    if (offset == kLyricLineHidden)
        return false;
    pt.y += static_cast<CKVMsg*>(parent)->m_nPosY - offset;
    pt.x -= LineSpacingOf(lyric) >> 1;
    return true;
}

// Whether handle i of a symbol takes part in the test.
bool TestsHandle(CKVMsg& msg, int i, int secondPair)
{
    if (tickmath::IsTieOrSlurKind(msg.m_byKind))
        return secondPair == 0 ? i <= 1 : (i == 2 || i == 3);
    if (msg.m_byKind == MSG_CHORDSYMBOL) {
        ChordSymbolParts parts;
        if (!msg.GetChordSymbolParts(parts))
            return i == 0;
        if (i == 0)
            return parts.showName;
        if (i == 1)
            return parts.showFret;
        if (i == 2)
            return parts.hasRhythm;
    }
    return true;
}

// Notes stemmed up from the eighth on draw their dots further right while
// they stand outside a beam group; the test sees the dot handle there. The
// stored handle is left as it is. Outside a document there is no group to
// ask, and the handle is taken as stored.
CRect TestedRect(CKVMsg& msg, int i, const CRect& stored)
{
    CRect rect = stored;
    if (msg.m_byKind != MSG_NOTE || i != 2 || (msg.m_wDuration & 0xFF) <= DUR_QUARTER || msg.m_lHeight >= 0)
        return rect;
    CKVDoc* doc = DocOf(msg);
    if (doc && !doc->m_pLastGroup)
        rect.OffsetRect(doc->m_nStaffSpace >> 1, 0);
    return rect;
}

// Records a hit: the pointed handle, and the pointed position of the
// document while the left button is up.
int Hit(CKVMsg& msg, int part, POINT pt)
{
    msg.m_cPointedCtrl = static_cast<signed char>(part);
    if (CKVDoc* doc = DocOf(msg); doc && LeftButtonUp())
        doc->m_ptPointed = pt;
    return 1;
}

// The exact test: the outline drawn in black on white, the origin
// subtracted so that the tested point falls on the probe pixel. The drawing
// backend loses the outline of a shape that reaches far beyond a surface of
// a single pixel, so the probe is the centre of three by three pixels. The
// part index, or -1 without a hit.
constexpr int kProbeSize = 3;
constexpr int kProbeCentre = 1;

int OutlineHit(CKVMsg& msg, POINT origin)
{
    int part = -1;
    CBitmap probe;
    CDC dc;
    if (probe.CreateBitmap(kProbeSize, kProbeSize, 1, 1, nullptr) && dc.CreateCompatibleDC(nullptr)) {
        if (CBitmap* previous = dc.SelectObject(&probe)) {
            dc.PatBlt(0, 0, kProbeSize, kProbeSize, WHITENESS);
            dc.SetViewportOrg(kProbeCentre, kProbeCentre);
            const int drawn = hitshape::DrawOutline(dc, msg, origin);
            if (drawn >= 0 && dc.GetPixel(kProbeCentre, kProbeCentre) == RGB(0, 0, 0))
                part = drawn;
            dc.SelectObject(previous);
        }
        dc.DeleteDC();
    }
    probe.DeleteObject();
    return part;
}

} // namespace

int CKVObject::GetCtrlPoint(POINT pt, POINT origin, int headOnly, int secondPair)
{
    CKVMsg* msg = m_byObjKind == OBJ_MSG ? dynamic_cast<CKVMsg*>(this) : nullptr;
    if (!msg)
        return 0;
    const int kind = msg->m_byKind;
    if (kind == MSG_LYRIC && !LyricPoint(*msg, pt))
        return 0;
    if (tickmath::IsTieOrSlurKind(kind))
        pt = ptLastPointed;

    for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i) {
        CKVCtrlPoint* handle = m_arrCtrlPoint.GetAt(i);
        if (!handle || !TestsHandle(*msg, i, secondPair))
            continue;
        if (kind == MSG_NOTE && headOnly == 1 && i >= 1)
            return 0;
        CRect stored = TestedRect(*msg, i, handle->m_rect);
        CRect scaled;
        ConvertRectByZoom(stored, scaled, static_cast<short>(i));
        if (!::PtInRect(&scaled, pt))
            continue;
        if (kind == MSG_BEAM && (i == 1 || i == 2))
            handle->m_wKind = (GetKeyState(VK_SHIFT) & 0x8000) ? CKVCtrlPoint::kReshape : CKVCtrlPoint::kReshapeAlt;
        return Hit(*msg, i, pt);
    }

    if (!hitshape::HasOutline(kind))
        return 0;
    const int part = OutlineHit(*msg, origin);
    return part >= 0 ? Hit(*msg, part, pt) : 0;
}

CKVMsg* CKVObject::GetCtrlPointedMsg(POINT pt, int ownOnly, POINT origin, int secondPair)
{
    CKVMsg* self = m_byObjKind == OBJ_MSG ? dynamic_cast<CKVMsg*>(this) : nullptr;
    if (self && (self->m_byKind == MSG_CHORD || self->m_byKind == MSG_BEAM))
        return nullptr;
    CKVMsg* found = nullptr;
    if (ownOnly == 0) {
        tickmath::ForEachChild(*this, [&](CKVMsg* child, short index) {
            if (found)
                return false;
            const MsgRef* ref = m_arrMsgRef.GetAt(index);
            const BYTE owner = ref ? ref->byOwner : 0;
            if (tickmath::IsTieOrSlurKind(child->m_byKind)) {
                if (owner)
                    child->m_pParent = this;
            } else if (!owner) {
                return false;
            }
            const POINT local {pt.x - child->m_nPosX, pt.y - child->ConvertYbyZoom(child->m_nPosY)};
            found = child->GetCtrlPointedMsg(local, kAllHandles, origin, owner);
            return false;
        });
    }
    if (found)
        return found;
    if (self && GetCtrlPoint(pt, origin, ownOnly, secondPair))
        return self;
    return nullptr;
}

CKVMsg* CKVObject::GetCtrlPointedChordBeamMsg(POINT pt, POINT origin, int ownOnly)
{
    CKVMsg* self = m_byObjKind == OBJ_MSG ? dynamic_cast<CKVMsg*>(this) : nullptr;
    if (!self || (self->m_byKind != MSG_CHORD && self->m_byKind != MSG_BEAM))
        return nullptr;
    CKVMeas* meas = tickmath::MeasureOf(self);
    auto absX = [meas](CKVMsg& msg) {
        return meas ? meas->MeasXToAbsX(msg.m_nPosX, msg.m_byKind) : msg.m_nPosX;
    };
    if (self->m_byKind == MSG_BEAM) {
        const POINT local {pt.x - absX(*self), pt.y - ConvertYbyZoom(self->m_nPosY)};
        if (GetCtrlPoint(local, origin, kAllHandles, kSecondPair))
            return self;
    }
    CKVDoc* doc = DocOf(*this);
    CKVMsg* found = nullptr;
    tickmath::ForEachChild(*this, [&](CKVMsg* member, short) {
        if (found)
            return false;
        if (member->m_byKind == MSG_CHORD) {
            found = member->GetCtrlPointedChordBeamMsg(pt, origin, ownOnly);
            if (found && doc) {
                doc->m_pLastGroup = self;
                doc->m_pLastMember = member;
            }
            return false;
        }
        const POINT local {pt.x - absX(*member), pt.y - member->ConvertYbyZoom(member->m_nPosY)};
        found = member->GetCtrlPointedMsg(local, ownOnly, origin, kSecondPair);
        if (found && doc) {
            if (self->m_byKind == MSG_CHORD)
                doc->m_pLastMember = self;
            else
                doc->m_pLastGroup = self;
        }
        return false;
    });
    return found;
}

CKVMsg* CKVObject::GetPointedNoteMsg(RECT r)
{
    CKVMsg* self = m_byObjKind == OBJ_MSG ? dynamic_cast<CKVMsg*>(this) : nullptr;
    if (!self || !m_pParent || m_byParentKind != OBJ_MEAS)
        return nullptr;
    CKVMsg* found = nullptr;
    tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
        if (!found)
            found = child->GetPointedNoteMsg(r);
        return false;
    });
    if (found)
        return found;
    if (self->m_byKind != MSG_NOTE && self->m_byKind != MSG_REST)
        return nullptr;
    const CRect grown(r.left, r.top - 3, r.right + 2, r.bottom + 2);
    return ::PtInRect(&grown, POINT {self->m_nPosX, self->m_nPosY}) ? self : nullptr;
}
