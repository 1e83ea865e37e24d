// Beam groups: beams, stems cut to the beams, heads of the members, and the
// group's handles.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TextHelpers.h"
#include "model/TickMath.h"
#include "render/BeamGeometry.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <vector>

namespace {

constexpr WORD kFlagInChord = MSGFLAG_CHORD_MEMBER;
constexpr WORD kFlagGrace = MSGFLAG_GRACE;
constexpr WORD kFlagShownAbove = MSGFLAG_STAFF_UP;
constexpr WORD kFlagShownBelow = MSGFLAG_STAFF_DOWN;
constexpr int kBeamHandles = 3;
// The head width that the layout without drawing assumes.
constexpr int kAdjustHeadWidth = 7;
// Slash and cross heads start their stems half a gap away from the head.
constexpr WORD kHeadCross = 2;
constexpr WORD kHeadSlash = 3;

// Puts back what a beam group changes in the view; the music font of a
// reduced staff is selected for the group and freed with it.
class BeamStateKeeper {
public:
    explicit BeamStateKeeper(CScoreView& view)
        : m_view(view), m_gap(view.m_nStaffSpace), m_percent(view.m_nSizePercent),
          m_align(view.m_pDC->GetTextAlign()), m_inBeam(view.m_bInBeam)
    {
    }
    ~BeamStateKeeper()
    {
        if (m_font) {
            m_view.SelectFontObject(m_previousFont);
            DeleteObject(m_font);
        }
        m_view.m_pDC->SetTextAlign(m_align);
        m_view.m_nStaffSpace = m_gap;
        m_view.m_nSizePercent = m_percent;
        m_view.m_bInBeam = m_inBeam;
    }
    BeamStateKeeper(const BeamStateKeeper&) = delete;
    BeamStateKeeper& operator=(const BeamStateKeeper&) = delete;

    // The view's gap and size percent at the staff the group is shown on.
    int ApplyStaffPercent(CKVMsg& group, bool withFont)
    {
        const int L = m_view.m_pDoc->m_nStaffSpace > 0 ? m_view.m_pDoc->m_nStaffSpace : 8;
        const CKVStaff* staff = m_view.GetNoteViewStaff(group);
        const int s = viewgeom::EffectivePercent(L, staff ? staff->m_wObjWord : 100);
        if (s == m_view.m_nSizePercent)
            return s;
        m_view.m_nStaffSpace = static_cast<short>(std::max(1, MulDiv(m_view.m_nStaffSpace, s, m_view.m_nSizePercent)));
        m_view.m_nSizePercent = static_cast<short>(s);
        if (withFont) {
            LOGFONT lf;
            const int dpi = m_view.m_nDpiY > 0 ? m_view.m_nDpiY : 96;
            GetDefaultLogFont(lf, static_cast<short>(MulDiv(m_view.m_nStaffSpace, 2880, dpi)),
                              m_view.m_lfMusic.lfFaceName, 0, m_view.m_pDC);
            m_font = CreateFontIndirectA(&lf);
            if (m_font)
                m_previousFont = m_view.SelectFontObject(m_font);
        }
        return s;
    }

private:
    CScoreView& m_view;
    short m_gap;
    short m_percent;
    UINT m_align;
    BOOL m_inBeam;
    HFONT m_font = nullptr;
    HFONT m_previousFont = nullptr;
};

// A lone member is drawn in the group's colour, which it gets for the call.
class ColourLoan {
public:
    ColourLoan(CKVMsg& member, COLORREF colour)
    {
        Lend(member, colour);
        if (member.m_byKind == MSG_CHORD)
            for (CKVMsg* note : measplace::ChordNotes(member))
                Lend(*note, colour);
    }
    ~ColourLoan()
    {
        for (auto& [msg, colour] : m_saved)
            msg->m_crColor = colour;
    }
    ColourLoan(const ColourLoan&) = delete;
    ColourLoan& operator=(const ColourLoan&) = delete;

private:
    void Lend(CKVMsg& msg, COLORREF colour)
    {
        m_saved.emplace_back(&msg, msg.m_crColor);
        msg.m_crColor = colour;
    }
    std::vector<std::pair<CKVMsg*, COLORREF>> m_saved;
};

} // namespace

short CScoreView::DrawBeam(CKVMsg& group)
{
    if (!m_bOpened)
        return 1;
    const std::vector<CKVMsg*> members = tickmath::LiveChildren(group);
    if (members.empty())
        return -1;
    if (members.size() == 1) {
        CKVMsg& member = *members.front();
        ColourLoan loan(member, group.m_crColor);
        if (member.m_byKind == MSG_CHORD)
            DrawChord(member, 0, 1, 1, 0);
        else if (member.m_byKind == MSG_NOTE)
            DrawNote(member, 0, 0, 1, 0, 0);
        else if (member.m_byKind == MSG_REST)
            DrawRest(member, 0);
        return 1;
    }
    return LayOutBeam(group, true);
}

void CScoreView::AdjustBeam(CKVMsg& group)
{
    if (!m_bOpened || tickmath::LiveChildren(group).size() < 2)
        return;
    LayOutBeam(group, false);
}

short CScoreView::LayOutBeam(CKVMsg& group, bool draw)
{
    BeamStateKeeper keep(*this);
    const int s = keep.ApplyStaffPercent(group, draw);

    CBeamGeometry geometry;
    geometry.m_y1 = group.m_nPosY * s / 100.0;
    geometry.m_y2 = group.m_nPosY2 * s / 100.0;
    std::vector<CKVMsg*> chords;
    if (!CollectBeamNotes(group, geometry, chords))
        return 1;
    if (geometry.NoteCount() == 0)
        return 1; // rests only: they are drawn, there is no beam

    const CKVMeas* meas = tickmath::MeasureOf(&group);
    BeamDrawParams params;
    params.xScale = (meas ? meas->m_nRealWidth : 0) - 6;
    params.originX = m_lOrgX;
    params.originY = m_lOrgY;
    params.colour = GetColorByVoice(group);
    params.gap = m_nStaffSpace;
    params.thickness = params.gap / 2.0;
    if (geometry.NoteAt(0)->m_wFlag & kFlagGrace)
        params.thickness = std::max(params.gap / 4.0, 2.0);
    params.spacing = (2 * params.gap - params.thickness) / 2;
    params.headWidth = draw ? static_cast<int>(GetNoteHeadSize().cx) : kAdjustHeadWidth;
    params.percent = s;
    params.printing = m_bPrinting;
    geometry.m_nLeftOffset = group.GetBeamOffsetXLeft();
    geometry.m_nRightOffset = group.GetBeamOffsetXRight();

    geometry.BuildSegments(params);
    if (draw)
        geometry.DrawSegments(m_pDC, params);
    geometry.MarkReversedChordNotes();
    if (draw) {
        int x = 0;
        int y = 0;
        const BeamSegment& primary = geometry.SegmentAt(0);
        MakeControlPointOfBeam(&group, x, y, primary.x1, primary.x2);
    }
    m_bInBeam = 1;
    for (int i = 0; i < geometry.NoteCount(); ++i)
        PlaceBeamStem(geometry, i, params, draw);
    if (draw) {
        // Chord heads come after every stem, without stems of their own.
        for (CKVMsg* chord : chords)
            DrawChord(*chord, 0, 0, 1, 0);
    }
    m_bInBeam = 0;
    return 1;
}

bool CScoreView::CollectBeamNotes(CKVMsg& group, CBeamGeometry& geometry, std::vector<CKVMsg*>& chords)
{
    for (CKVMsg* member : tickmath::LiveChildren(group)) {
        if (!IsVoiceVisible(*member))
            return false;
        switch (member->m_byKind) {
        case MSG_REST: DrawRest(*member, 0); break;
        case MSG_NOTE:
            member->m_wFlag &= static_cast<WORD>(~kFlagInChord);
            member->m_bHeadShift = FALSE;
            geometry.AddNote(member);
            break;
        case MSG_CHORD:
            for (CKVMsg* note : measplace::ChordNotes(*member)) {
                note->m_wFlag |= kFlagInChord;
                geometry.AddNote(note);
            }
            chords.push_back(member);
            break;
        default: break;
        }
    }
    return true;
}

void CScoreView::PlaceBeamStem(CBeamGeometry& geometry, int i, const BeamDrawParams& params, bool draw)
{
    CKVMsg& note = *geometry.NoteAt(i);
    const bool inChord = (note.m_wFlag & kFlagInChord) != 0;
    const int s = params.percent;
    const int size = note.m_wSize > 0 ? note.m_wSize : MSG_SIZE_NORMAL;
    HFONT oldFont = nullptr;
    if (draw && !inChord && size != MSG_SIZE_NORMAL)
        oldFont = SelectFont(static_cast<short>(size * 100 / 16));

    // Where the head stands: on its own staff, or on the neighbour it is
    // shown on.
    const int L = m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
    int position = note.m_nPosY;
    int y = (note.m_wFlag & (kFlagShownAbove | kFlagShownBelow))
                ? m_lOrgY + MulDiv(position, s, 100)
                : viewgeom::NoteY(m_lOrgY, position, L, m_nStaffSpace);
    LONG otherStaffY = -1;
    if (note.m_wFlag & kFlagShownBelow)
        otherStaffY = m_lDownStaffY;
    else if (note.m_wFlag & kFlagShownAbove)
        otherStaffY = m_lUpStaffY;
    if (otherStaffY != -1) {
        const int shown = otherStaffY + MulDiv(note.m_nPosY2, s, 100);
        position -= MulDiv(y - shown, 100, s);
        y = shown;
    }
    const int headY = y - m_lOrgY;

    const UINT align = m_pDC->GetTextAlign();
    const int x0 = geometry.NoteXAt(i);
    int x = x0;
    double minY = 0;
    double maxY = 0;
    double stem = 0;
    const bool up = MulDiv(position, s, 100) > geometry.LineYAt(x);
    if (!up) {
        geometry.BeamExtentAt(x, minY, maxY);
        stem = maxY - headY + params.thickness / 2;
    } else {
        if (draw)
            m_pDC->SetTextAlign(TA_BASELINE | TA_RIGHT);
        x += params.headWidth;
        geometry.BeamExtentAt(x, minY, maxY);
        stem = minY - headY - params.thickness / 2;
    }
    const int reach = static_cast<int>(stem);
    int W = 0;
    if (inChord)
        note.m_lHeight = reach;
    else if (draw)
        W = DrawHead(note, static_cast<short>(x), static_cast<short>(y), static_cast<short>(reach), 1, 0);

    if (draw) {
        double drawn = stem;
        int footY = y;
        if (up && i != 0 && i != geometry.NoteCount() - 1)
            drawn += 1.0; // inner stems stop a dot short of the beam edge
        if (note.m_wHeadType == kHeadCross || note.m_wHeadType == kHeadSlash) {
            const int half = m_nStaffSpace / 2;
            drawn += up ? half : -half;
            footY += up ? -(half - 1) : half - 1;
        }
        const short percent = m_nSizePercent;
        m_nSizePercent = static_cast<short>(MulDiv(size * 100 / 16, s, 100));
        if (!up && note.m_bHeadShift)
            DrawNoteBar(static_cast<short>(x + params.headWidth), static_cast<short>(footY + drawn), -drawn, 0,
                        params.colour, note.m_wHeadType);
        else
            DrawNoteBar(static_cast<short>(x), static_cast<short>(footY), drawn, 0, params.colour,
                        note.m_wHeadType);
        m_nSizePercent = percent;
        m_pDC->SetTextAlign(align);
    }
    CorrectSubMsgPos(&note, x, y, reach);

    if (draw && !inChord) {
        const LONG orgX = m_lOrgX;
        const LONG orgY = m_lOrgY;
        KVSetOrgXY(x0, y);
        DrawSubMsgs(note, 1, 0);
        const LONG height = note.m_lHeight;
        note.m_lHeight = reach;
        DrawNoteMarks(note, static_cast<short>(W), 0);
        note.m_lHeight = height;
        KVSetOrgXY(orgX, orgY);
    }
    if (oldFont)
        SelectFontObject(oldFont);
}

void CScoreView::MakeControlPointOfBeam(CKVMsg* group, int& x, int& y, int leftX, int rightX)
{
    if (!group)
        return;
    const std::vector<CKVMsg*> members = tickmath::LiveChildren(*group);
    if (members.empty())
        return;
    // Groups read from files may hold fewer handles than the three used here.
    const bool made = group->m_arrCtrlPoint.GetSize() < kBeamHandles;
    const int had = static_cast<int>(group->m_arrCtrlPoint.GetSize());
    if (!GrowHandles(*group, kBeamHandles))
        return;
    if (made) {
        for (int i = had; i < kBeamHandles; ++i)
            HandleAt(*group, i)->m_wKind = CKVCtrlPoint::kReshapeAlt;
    }
    group->m_byCtrlCount = static_cast<BYTE>(std::max<int>(group->m_byCtrlCount, kBeamHandles));

    group->m_nPosX = members.front()->m_nPosX;
    group->m_nPosX2 = members.back()->m_nPosX;
    const CKVMeas* meas = tickmath::MeasureOf(group);
    const int width = meas ? meas->m_nRealWidth : 0;
    x = ((group->m_nPosX * width) >> 8) + m_lOrgX;
    y = group->m_nPosY;
    const int anchor = x;

    const int half = (m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8) / 2;
    auto place = [&](int index, int cx, int cy) {
        if (CKVCtrlPoint* handle = HandleAt(*group, index))
            handle->m_rect = CRect(cx - half, cy - half, cx + half, cy + half);
    };
    const int span = rightX - leftX;
    const int rise = group->m_nPosY2 - group->m_nPosY;
    place(1, leftX - anchor - group->GetBeamOffsetXLeft(), group->GetBeamOffsetYLeft());
    place(0, span / 2 + leftX - anchor, rise / 2);
    place(2, (span & ~1) + leftX - anchor + group->GetBeamOffsetXRight(), (rise & ~1) + group->GetBeamOffsetYRight());
}
