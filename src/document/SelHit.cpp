// The test rectangles of selection records and the hit point of a symbol.

#include "document/SelHit.h"

#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/TickMath.h"

namespace selhit {

namespace {

constexpr int kFar = 32767;

// The lyric-line offset for line `line` that the measure's head keeps;
// false when the head has no such line or hides it.
bool LyricLineY(const CKVMeas& meas, int line, int& y)
{
    constexpr short kHidden = -32768;
    if (!meas.m_pHead || line < 0 || 2 * line + 2 > meas.m_wHeadLen)
        return false;
    const short offset = static_cast<short>(meas.m_pHead[2 * line] | (meas.m_pHead[2 * line + 1] << 8));
    if (offset == kHidden)
        return false;
    y = offset;
    return true;
}

} // namespace

CRect Everything()
{
    return CRect(-kFar, -kFar, kFar, kFar);
}

CRect TestRect(const SelRect& rec, const CKVBlock& block, const CKVStaff* staff, const CKVMeas* meas,
               bool includeRightEdge)
{
    switch (rec.nKind) {
    case SelRect::kRect: {
        CRect r(rec.rect);
        if (includeRightEdge && block.m_byKind != CKVBlock::KIND_OSSIA)
            r.right += 1;
        return r;
    }
    case SelRect::kMeas:
        return meas && rec.pMeas == meas ? Everything() : CRect();
    case SelRect::kBlockStaff:
        return staff && rec.pBlock == &block && rec.pStaff == staff ? Everything() : CRect();
    case SelRect::kStaff:
        return staff && rec.pStaff == staff ? Everything() : CRect();
    default:
        return CRect();
    }
}

bool AnchorOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, POINT& out)
{
    if (measIndex < 0 || measIndex >= block.m_arrMeasX.GetSize() || staffIndex < 0 ||
        staffIndex >= block.m_arrStaffY.GetSize())
        return false;
    out.x = block.m_rcBlock.left + static_cast<short>(block.m_arrMeasX.GetAt(measIndex)) + meas.GetRealPosX(&msg);
    out.y = block.m_rcBlock.top + static_cast<short>(block.m_arrStaffY.GetAt(staffIndex)) +
            msg.ConvertYbyZoom(msg.m_nPosY);
    return true;
}

bool HandleOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, CRect& out)
{
    POINT anchor {0, 0};
    if (msg.m_arrCtrlPoint.GetSize() == 0 || !msg.m_arrCtrlPoint.GetAt(0) ||
        !AnchorOnPage(block, measIndex, staffIndex, meas, msg, anchor))
        return false;
    CRect stored = msg.m_arrCtrlPoint.GetAt(0)->m_rect;
    msg.ConvertRectByZoom(stored, out, 0);
    out.OffsetRect(anchor.x, anchor.y);
    return true;
}

bool PartHandleOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& note, CKVMsg& part,
                      CRect& out)
{
    POINT anchor {0, 0};
    if (part.m_arrCtrlPoint.GetSize() == 0 || !part.m_arrCtrlPoint.GetAt(0) ||
        !AnchorOnPage(block, measIndex, staffIndex, meas, note, anchor))
        return false;
    CRect stored = part.m_arrCtrlPoint.GetAt(0)->m_rect;
    const LONG staffY = block.m_rcBlock.top + static_cast<short>(block.m_arrStaffY.GetAt(staffIndex));
    if (part.m_byKind == MSG_TIE || part.m_byKind == MSG_SLUR) {
        out = stored;
        if (block.m_pPage)
            out.OffsetRect(-block.m_pPage->m_rcPrint.left, -block.m_pPage->m_rcPrint.top);
        return true;
    }
    if (part.m_byKind == MSG_LYRIC) {
        int lineY = 0;
        if (!LyricLineY(meas, part.m_nPosY, lineY))
            return false;
        out = stored;
        out.OffsetRect(anchor.x + part.m_nPosX, staffY + lineY);
        return true;
    }
    part.ConvertRectByZoom(stored, out, 0);
    out.OffsetRect(anchor.x + part.m_nPosX, staffY + note.ConvertYbyZoom(note.m_nPosY) + part.ConvertYbyZoom(part.m_nPosY));
    return true;
}

bool Meets(const CRect& a, const CRect& b)
{
    CRect common;
    return common.IntersectRect(&a, &b) != 0;
}

POINT HitPoint(const CRect& handle)
{
    return POINT {handle.left, handle.top + handle.Height() / 2};
}

bool IsHit(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, const CRect& test)
{
    CRect handle;
    if (!HandleOnPage(block, measIndex, staffIndex, meas, msg, handle))
        return false;
    return ::PtInRect(&test, HitPoint(handle)) != 0;
}

bool PageSymbolMeets(CKVMsg& msg, const CRect& rect)
{
    for (int i = 0; i < msg.m_arrCtrlPoint.GetSize(); ++i) {
        CKVCtrlPoint* handle = msg.m_arrCtrlPoint.GetAt(i);
        if (!handle)
            continue;
        CRect at = handle->m_rect;
        at.OffsetRect(msg.m_nPosX, msg.m_nPosY);
        if (::IsRectEmpty(&at) ? ::PtInRect(&rect, at.TopLeft()) != 0 : Meets(at, rect))
            return true;
    }
    return false;
}

void ForEachMeas(CKVDoc& doc, const SelRect& rec, const std::function<bool(const MeasPlace&)>& visit)
{
    for (short p = 0; p < doc.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(p);
        if (!page || (rec.pPage && rec.pPage != page))
            continue;
        for (int ossia = 0; ossia < 2; ++ossia) {
            auto& blocks = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
            for (int b = 0; b < blocks.GetSize(); ++b) {
                CKVBlock* block = blocks.GetAt(b);
                for (short s = 0; block && s < block->GetStaffNum(); ++s) {
                    for (int m = 0; m < block->m_nMeasCount; ++m) {
                        CKVStaff* staff = block->GetStaff(s);
                        CKVMeas* meas = staff ? staff->GetMeas(block->m_nFirstMeas + m) : nullptr;
                        if (!meas)
                            continue;
                        const MeasPlace place {page, block, ossia != 0, s, m, staff, meas};
                        if (!visit(place))
                            return;
                    }
                }
            }
        }
    }
}

void ForEachHit(const MeasPlace& place, const CRect& test, bool everyKind, const std::function<bool(const Hit&)>& visit)
{
    bool going = true;
    auto hit = [&](CKVMsg& msg) {
        return selhit::IsHit(*place.block, place.measIndex, place.staffIndex, *place.meas, msg, test);
    };
    auto offer = [&](CKVMsg& msg, CKVMsg* group, CKVMsg* chord) {
        if (going && hit(msg))
            going = visit(Hit {&msg, group, chord});
    };
    auto chordNotes = [&](CKVMsg& chord, CKVMsg* group) {
        tickmath::ForEachChild(chord, [&](CKVMsg* note, short) {
            if (note->m_byKind == MSG_NOTE)
                offer(*note, group, &chord);
            return false;
        });
    };
    tickmath::ForEachChild(*place.meas, [&](CKVMsg* msg, short) {
        switch (msg->m_byKind) {
        case MSG_NOTE:
        case MSG_REST:
            offer(*msg, nullptr, nullptr);
            break;
        case MSG_BEAM:
            tickmath::ForEachChild(*msg, [&](CKVMsg* member, short) {
                if (member->m_byKind == MSG_CHORD)
                    chordNotes(*member, msg);
                else if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST)
                    offer(*member, msg, nullptr);
                return false;
            });
            break;
        case MSG_CHORD:
            chordNotes(*msg, nullptr);
            break;
        default:
            if (everyKind)
                offer(*msg, nullptr, nullptr);
            break;
        }
        return false;
    });
}

bool Covers(const SelRect& rec, const MeasPlace& place)
{
    if (!place.meas || !place.block)
        return false;
    if (Selects(rec, place.block, place.meas))
        return true;
    if (rec.nKind != SelRect::kRect)
        return false;
    const CRect test = TestRect(rec, *place.block, place.staff, place.meas, kRightEdgeIncluded);
    bool taken = false;
    ForEachHit(place, test, true, [&](const Hit&) {
        taken = true;
        return false;
    });
    return taken;
}

bool Selects(const SelRect& rec, CKVBlock* block, CKVMeas* meas)
{
    switch (rec.nKind) {
    case SelRect::kRect: {
        CRect area = meas->GetRealMeasRect(1);
        area.OffsetRect(block->m_rcBlock.left, block->m_rcBlock.top);
        CRect common;
        CRect selected(rec.rect);
        return common.IntersectRect(&selected, &area) != 0;
    }
    case SelRect::kMeas:
        return rec.pMeas == meas;
    case SelRect::kBlockStaff:
        return rec.pBlock == block && static_cast<CKVObject*>(rec.pStaff) == meas->m_pParent;
    case SelRect::kStaff:
        return static_cast<CKVObject*>(rec.pStaff) == meas->m_pParent;
    default:
        return false;
    }
}

} // namespace selhit
