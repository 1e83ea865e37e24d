// Clefs and key signatures in measure headers.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TextHelpers.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

#include <algorithm>

namespace {

constexpr int kMaxKeyCount = 7;
constexpr int kNatural = 3; // in codeAcci

// Naturals of a key change: 0 before the bar line, 1 after it, 2 only in
// the courtesy column when the new key has no accidentals.
constexpr BYTE kNaturalsBeforeBar = 0;
constexpr BYTE kNaturalsAfterBar = 1;
constexpr BYTE kNaturalsInCourtesyOnly = 2;

constexpr BYTE kTrebleClef = 1;
constexpr BYTE kTenorClef = 4;
constexpr BYTE kPercussionClef = 8;
constexpr BYTE kTabClef = 9; // drawn as the treble clef

// The staff's own size percent; 100 for a measure without a staff.
int StaffPercent(const CKVStaff* staff)
{
    return staff ? staff->m_wObjWord : 100;
}

// Holds a font made for one routine selected and frees it at the end.
class FontScope {
public:
    FontScope(CScoreView& view, HFONT font) : m_view(view), m_font(font)
    {
        if (m_font)
            m_previous = m_view.SelectFontObject(m_font);
    }
    ~FontScope()
    {
        if (!m_font)
            return;
        m_view.SelectFontObject(m_previous);
        DeleteObject(m_font);
    }
    FontScope(const FontScope&) = delete;
    FontScope& operator=(const FontScope&) = delete;

private:
    CScoreView& m_view;
    HFONT m_font;
    HFONT m_previous = nullptr;
};

// The row of key positions of a clef; null for a clef without one.
const short* KeyRow(int kind, int clef)
{
    if (clef == kTabClef)
        clef = kTrebleClef;
    if (kind < 1 || kind > 2 || clef < 1 || clef > 8)
        return nullptr;
    return nKeyPos[kind - 1][clef - 1];
}

} // namespace

int CScoreView::DocumentGap() const
{
    return m_pDoc && m_pDoc->m_nStaffSpace > 0 ? m_pDoc->m_nStaffSpace : 8;
}

HFONT CScoreView::CreateStaffMusicFont(int percent)
{
    const int dpi = m_nDpiY > 0 ? m_nDpiY : 96;
    const int tenths = MulDiv(MulDiv(DocumentGap(), 720, dpi), percent, 25);
    LOGFONT lf;
    GetDefaultLogFont(lf, static_cast<short>(tenths), m_lfMusic.lfFaceName, 0, m_pDC);
    return CreateFontIndirectA(&lf);
}

short CScoreView::DrawMeasClefA(CKVMeas* meas, unsigned char* clef, int x, int atSystemStart)
{
    if (!m_bOpened || !meas)
        return 0;
    if (atSystemStart) {
        if (clef)
            *clef = meas->m_byInitClef;
        meas->m_nLeftX = static_cast<short>(x);
        return DrawMeasClef(*meas);
    }
    // Later columns show only a clef change standing at the measure's start.
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (!msg) {
            --i; // a stale reference was dropped; the next one moved up
            continue;
        }
        if (msg->m_byKind == MSG_CLEF && msg->m_nPosX < 1 && msg->m_byMark1 != 0) {
            const short width = DrawClef(*msg);
            return width > 0 ? width : 0;
        }
    }
    return 0;
}

short CScoreView::DrawMeasClef(CKVMeas& meas)
{
    if (!m_bOpened)
        return 0;
    const CKVStaff* staff = measplace::StaffOf(meas);
    const BYTE kind = staff ? staff->m_byStaffKind : CKVStaff::KIND_NORMAL;
    if (kind == CKVStaff::KIND_DRUM_SECOND || kind == CKVStaff::KIND_ONE_LINE)
        return 0;
    const STMARK record = GlyphAt(ClefTB, meas.m_byInitClef);
    if (record.byCode == 0)
        return 0;

    const int G = DocumentGap();
    const int p = viewgeom::EffectivePercent(G, StaffPercent(staff));
    const int g = MulDiv(G, p, 100);
    const int r = MulDiv(G, m_nSizePercent, 100);
    const int lead = MulDiv(m_pCtrlTool->ClefLead(), r, 4);
    FontScope font(*this, StaffPercent(staff) != 100 ? CreateStaffMusicFont(p) : nullptr);
    const char code = static_cast<char>(record.byCode);
    const int width = GetTextExtent(code).cx;

    if (kind == CKVStaff::KIND_FREE_LINE) {
        // A tablature staff shows the letters T, A, B stacked over its lines.
        const int lines = staff ? std::max(1, static_cast<int>(staff->m_byLineCount)) : 1;
        const int h = g * (lines - 1);
        const int third = h / 3;
        CFont letters;
        letters.CreatePointFont(third * 10, "Times New Roman");
        const HFONT made = static_cast<HFONT>(letters.GetSafeHandle());
        const HFONT previous = made ? SelectFontObject(made) : nullptr;
        const UINT align = m_pDC->GetTextAlign();
        m_pDC->SetTextAlign(align | TA_CENTER);
        const int x = m_lOrgX + meas.m_nLeftX + lead + width / 2;
        const int y = m_lOrgY - (h - third);
        TextOutA(m_pDC->m_hDC, x, y, "T", 1);
        TextOutA(m_pDC->m_hDC, x, y + third, "A", 1);
        TextOutA(m_pDC->m_hDC, x, y + 2 * third, "B", 1);
        m_pDC->SetTextAlign(align);
        if (made)
            SelectFontObject(previous);
        return static_cast<short>(lead + width);
    }

    int x = m_lOrgX + meas.m_nLeftX + lead;
    int y = m_lOrgY;
    if (meas.m_byInitClef == kTenorClef)
        y += MulDiv(record.nY, g, 8);
    if (meas.m_byInitClef == kPercussionClef) {
        x += g / 2;
        y -= g;
    }
    DrawTextOut(x, y, &code, 1, 0);
    if (record.byCode2 != 0) {
        // The small 8 of the octave clefs.
        const char second = static_cast<char>(record.byCode2);
        DrawTextOut(x + record.nX, y + MulDiv(record.nY, g, 8), &second, 1, 0);
    }
    return static_cast<short>(lead + width);
}

short CScoreView::DrawMeasKeySignA(CKVMeas* meas, unsigned char* prevKind, short* prevCount, int x,
                                   int atSystemStart, int& naturalsBefore)
{
    naturalsBefore = 0;
    if (!m_bOpened || !meas)
        return 0;
    unsigned char kindStore = 0;
    short countStore = 0;
    if (!prevKind)
        prevKind = &kindStore;
    if (!prevCount)
        prevCount = &countStore;

    // Keys from a file may name a clef or kind the position table lacks;
    // such a key is drawn as none and remembered as none.
    const BYTE clef = meas->m_byInitClef;
    int newKind = meas->m_byKeyType;
    int newCount = std::min<int>(meas->m_byKeyCount, kMaxKeyCount);
    const short* newRow = KeyRow(newKind, clef);
    if (newKind != 0 && !newRow) {
        newKind = 0;
        newCount = 0;
    }
    auto remember = [&] {
        *prevKind = static_cast<unsigned char>(newKind);
        *prevCount = static_cast<short>(newCount);
    };

    const BYTE flags = meas->m_byOptions;
    if ((flags & CKVMeas::OPT_KEY_HIDDEN) && !(flags & CKVMeas::OPT_KEY_SHOWN)) {
        remember();
        return 0;
    }
    if (atSystemStart == 1) {
        *prevKind = 0;
        *prevCount = 0;
    }
    if (clef == 0 || !GlyphAt(ClefTB, clef).byCode) {
        remember();
        return 0;
    }
    int oldKind = *prevKind;
    int oldCount = std::clamp<int>(*prevCount, 0, kMaxKeyCount);
    const short* oldRow = KeyRow(oldKind, clef);
    if (!oldRow)
        oldKind = 0;

    const CKVStaff* staff = measplace::StaffOf(*meas);
    const int G = DocumentGap();
    const int p = viewgeom::EffectivePercent(G, StaffPercent(staff));
    const int g = MulDiv(G, p, 100);
    const int r = MulDiv(G, m_nSizePercent, 100);
    FontScope font(*this, StaffPercent(staff) != 100 ? CreateStaffMusicFont(p) : nullptr);
    const int lead = MulDiv(m_pCtrlTool->KeyLead(), r, 4);
    const int gap = MulDiv(m_pCtrlTool->AccidentalGap(), r, 4);
    const int half = g / 2;
    const int step = MulDiv(GetTextExtent(static_cast<char>(codeAcci[1])).cx, m_nSizePercent, p) + gap;
    const int x0 = m_lOrgX + x + lead;
    const int y0 = m_lOrgY;
    auto yOf = [&](const short* row, int i) { return y0 + MulDiv(row[i] * G, p, 200); };
    const char natural = static_cast<char>(codeAcci[kNatural]);

    int cx = x0;
    // Naturals for the accidentals first to last - 1 of the old key.
    auto naturals = [&](int first, int last, BYTE placement) {
        if (placement == kNaturalsBeforeBar) {
            int nx = m_lOrgX - lead - (step - gap) - half;
            for (int i = last; i >= first; --i) {
                DrawTextOut(nx, yOf(oldRow, i), &natural, 1, 0);
                nx -= step;
                naturalsBefore += step;
            }
        } else {
            for (int i = first; i <= last; ++i) {
                DrawTextOut(cx, yOf(oldRow, i), &natural, 1, 0);
                cx += step;
            }
        }
    };

    bool drawKey = true;
    if ((flags & CKVMeas::OPT_KEY_SHOWN) && oldKind != 0) {
        const BYTE placement = m_pCtrlTool->NaturalPlacement();
        if (oldKind != newKind) {
            if (placement == kNaturalsBeforeBar || placement == kNaturalsAfterBar ||
                (placement == kNaturalsInCourtesyOnly && newKind == 0 && m_bCourtesyColumn))
                naturals(0, oldCount - 1, placement);
        } else if (newCount < oldCount) {
            if (placement == kNaturalsBeforeBar || placement == kNaturalsAfterBar)
                naturals(newCount, oldCount - 1, placement);
        } else if (newCount == oldCount) {
            drawKey = false;
        }
        if (flags & CKVMeas::OPT_KEY_HIDDEN)
            drawKey = true; // shown explicitly, even when unchanged
    }
    if (newKind != 0 && drawKey) {
        const char glyph = static_cast<char>(codeAcci[newKind]);
        for (int i = 0; i < newCount; ++i) {
            DrawTextOut(cx, yOf(newRow, i), &glyph, 1, 0);
            cx += step;
        }
    }
    remember();
    return static_cast<short>(cx == x0 ? 0 : cx - x0 + lead);
}
