// Block drawing: connectors, staff lines, the header column of every measure
// with its bar lines, the courtesy column at a system's end, and the
// horizontal layout of the block's measures that hit-testing and spacing read.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/TextHelpers.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Bytes of the time-signature texts that say whether two signatures differ:
// the composite numerator, and the first fraction of the second part.
constexpr int kTimeTextCompared = 6;
// A start bar that the first column of a system leaves out.
constexpr BYTE kBarNoneAtStart = 5;
// Style bit of a hidden time signature.
constexpr BYTE kTimeStyleHidden = 0x08;
constexpr BYTE kTimeFormMask = 0x07;
// Connection flag of a bar-line group, and where a staff keeps its flags.
constexpr BYTE kGroupBarLines = 1;
constexpr int kGroupStart = 0;
constexpr int kGroupMiddle = 2;
// The furthest accidental count a key holds.
constexpr int kMaxKeyCount = 7;
// The key and the time bits of a measure's header flags: shown, hidden.
constexpr BYTE kKeyChangeMask = CKVMeas::OPT_KEY_SHOWN | CKVMeas::OPT_KEY_HIDDEN;
constexpr BYTE kTimeHiddenMask = CKVMeas::OPT_TIME_SHOWN | CKVMeas::OPT_TIME_HIDDEN;
// Arguments of the drawers called here.
constexpr int kDrawStartBar = 1;
constexpr int kNoStartBar = 0;
constexpr int kEndingsOnly = 1;
constexpr int kWholeMeasure = 0;
constexpr short kNoBarEnd = -100;
constexpr int kDrawConnectors = 1;
constexpr unsigned char kReservedKindArg = 16;

} // namespace

struct CScoreView::BlockWork {
    CKVBlock& block;
    int staves = 0;
    int measures = 0;        // of the block, without the courtesy column
    int columns = 0;         // with it
    LONG orgX = 0;           // the block's top-left corner, origin included
    LONG orgY = 0;
    int width = 0;           // of the block
    int gap = 0;             // unscaled staff-line gap of the pass
    std::vector<int> columnX;   // columns + 1 edges, block-relative
    std::vector<BYTE> clef;     // per staff, carried from column to column
    std::vector<BYTE> keyKind;
    std::vector<short> keyCount;
    // The courtesy column: one temporary measure per staff (null where the
    // staff has no next measure). They never enter the tree, the id map or
    // the undo history, and go with the work.
    std::vector<std::unique_ptr<CKVMeas>> courtesy;
    bool hasCourtesy = false;
    int courtesyKeyPart = 0;

    explicit BlockWork(CKVBlock& b) : block(b) {}

    CKVStaff* Staff(int k) { return block.GetStaff(static_cast<short>(k)); }
    int StaffY(int k) const
    {
        return k < block.m_arrStaffY.GetSize() ? static_cast<short>(block.m_arrStaffY.GetAt(k)) : 0;
    }
    // A boundary the list lacks counts as the block's right edge.
    int Boundary(int c) const
    {
        return c < block.m_arrMeasX.GetSize() ? static_cast<short>(block.m_arrMeasX.GetAt(c)) : width;
    }
    CKVMeas* Meas(int k, int c)
    {
        if (c >= measures)
            return hasCourtesy && c == measures ? courtesy[k].get() : nullptr;
        CKVStaff* staff = Staff(k);
        return staff ? staff->GetMeas(block.m_nFirstMeas + c) : nullptr;
    }
    // The measure after the block on a staff, for the courtesy column.
    CKVMeas* NextMeas(int k)
    {
        CKVStaff* staff = Staff(k);
        return staff ? staff->GetMeas(block.m_nFirstMeas + measures) : nullptr;
    }
    bool IsOssia() const { return block.m_byKind == CKVBlock::KIND_OSSIA; }
    int Percent(const CKVStaff& staff, const CKVDoc& doc) const
    {
        return viewgeom::EffectivePercent(doc.m_nStaffSpace, staff.m_wObjWord);
    }
    // Staves take their colour by their place in the block; an ossia block
    // has one colour.
    COLORREF Colour(const CKVCtrlTool& tool, int k) const { return IsOssia() ? tool.OssiaColor() : tool.StaffColor(k); }
};

namespace {

// Sets a settings word for the moment and puts it back.
class WordOverride {
public:
    WordOverride(WORD& word, WORD value, bool active) : m_word(word), m_saved(word)
    {
        if (active)
            m_word = value;
    }
    ~WordOverride() { m_word = m_saved; }
    WordOverride(const WordOverride&) = delete;
    WordOverride& operator=(const WordOverride&) = delete;

private:
    WORD& m_word;
    WORD m_saved;
};

bool IsOneLine(const CKVStaff& staff)
{
    return staff.m_byStaffKind == CKVStaff::KIND_DRUM_SECOND || staff.m_byStaffKind == CKVStaff::KIND_ONE_LINE;
}

int KeyCountOf(const CKVMeas& meas)
{
    return std::min<int>(meas.m_byKeyCount, kMaxKeyCount);
}

bool ShowsKeyChange(const CKVMeas& meas)
{
    return (meas.m_byOptions & kKeyChangeMask) == CKVMeas::OPT_KEY_SHOWN;
}

bool TimeDiffers(const CKVMeas& a, const CKVMeas& b)
{
    return a.m_nTimeNum != b.m_nTimeNum || a.m_nTimeDen != b.m_nTimeDen ||
           (a.m_byTimeStyle & kTimeFormMask) != (b.m_byTimeStyle & kTimeFormMask) ||
           std::memcmp(a.m_szTimeNumText, b.m_szTimeNumText, kTimeTextCompared) != 0 ||
           std::memcmp(a.m_szTimeDenText, b.m_szTimeDenText, kTimeTextCompared) != 0;
}

// The start bar of the courtesy column continues the last measure's end bar:
// a single line becomes a double one, repeat and closing bars stay behind.
BYTE CourtesyStartBar(BYTE endBar)
{
    switch (endBar) {
    case CKVMeas::BAR_SINGLE: return CKVMeas::BAR_DOUBLE;
    case CKVMeas::BAR_REPEAT:
    case CKVMeas::BAR_FINAL: return CKVMeas::BAR_NONE;
    default: return endBar;
    }
}

// The courtesy column's measure on a staff: the coming key and time
// signature, shown as the switches allow, after the last measure's end bar.
// It names the staff as its parent for the staff's kind and size, but the
// staff does not list it.
std::unique_ptr<CKVMeas> CourtesyMeasure(CKVStaff& staff, const CKVMeas& last, const CKVMeas& next,
                                         const CKVCtrlTool& tool)
{
    auto temp = std::make_unique<CKVMeas>();
    temp->m_pParent = &staff;
    temp->m_byParentKind = staff.m_byObjKind;
    temp->m_pSystem = staff.m_pSystem;
    temp->m_byKeyType = next.m_byKeyType;
    temp->m_byKeyCount = next.m_byKeyCount;
    temp->m_byTimeStyle = next.m_byTimeStyle;
    temp->m_nTimeNum = next.m_nTimeNum;
    temp->m_nTimeDen = next.m_nTimeDen;
    std::memcpy(temp->m_szTimeNumText, next.m_szTimeNumText, sizeof temp->m_szTimeNumText);
    std::memcpy(temp->m_szTimeDenText, next.m_szTimeDenText, sizeof temp->m_szTimeDenText);
    temp->m_byInitClef = next.m_byInitClef;
    BYTE options = next.m_byOptions;
    if (!tool.CourtesyKeyOn())
        options = static_cast<BYTE>((options | CKVMeas::OPT_KEY_HIDDEN) & ~CKVMeas::OPT_KEY_SHOWN);
    if (!tool.CourtesyTimeOn() || (next.m_byTimeStyle & kTimeStyleHidden))
        options = static_cast<BYTE>((options | CKVMeas::OPT_TIME_HIDDEN) & ~CKVMeas::OPT_TIME_SHOWN);
    temp->m_byOptions = options;
    temp->m_byStartBar = CourtesyStartBar(last.m_byEndBar);
    temp->m_byEndBar = CKVMeas::BAR_NONE;
    // An ending that runs on past the last measure runs into the column.
    if (last.m_byEndingPos == CKVMeas::ENDING_BEGINS || last.m_byEndingPos == CKVMeas::ENDING_CONTINUES) {
        temp->m_byEndingNum = last.m_byEndingNum;
        temp->m_byEndingByte = last.m_byEndingByte;
        temp->m_wEndingWord = last.m_wEndingWord;
        temp->m_byEndingOffset = last.m_byEndingOffset;
        temp->m_wEndingLine1 = last.m_wEndingLine1;
        temp->m_wEndingLine2 = last.m_wEndingLine2;
        std::memcpy(temp->m_szEndingText, last.m_szEndingText, sizeof temp->m_szEndingText);
        temp->m_byEndingPos = CKVMeas::ENDING_CONTINUES;
    }
    return temp;
}

// Room taken by the content of a measure's end bar line.
int EndBarRoom(BYTE endBar, int gap)
{
    switch (endBar) {
    case CKVMeas::BAR_REPEAT: return 2 * gap;
    case CKVMeas::BAR_FINAL:
    case CKVMeas::BAR_DOUBLE: return gap;
    default: return 0;
    }
}

} // namespace

short CScoreView::KVDrawBlock(CKVBlock& block)
{
    if (!m_bOpened)
        return -1;
    // Counts first: the visibility test divides by the staff count.
    const int staves = block.GetStaffNum();
    if (staves < 1 || block.m_nMeasCount < 1)
        return -1;
    if (IsOutsideUpdate(block, staves))
        return 0;

    BlockWork work(block);
    work.staves = staves;
    work.measures = block.m_nMeasCount;
    work.columns = work.measures;
    work.width = block.m_rcBlock.Width();
    work.gap = m_nStaffSpace;
    work.clef.assign(staves, 0);
    work.keyKind.assign(staves, 0);
    work.keyCount.assign(staves, 0);

    const LONG savedX = m_lOrgX;
    const LONG savedY = m_lOrgY;
    KVSetOrgXY(savedX + block.m_rcBlock.left, savedY + block.m_rcBlock.top);
    work.orgX = m_lOrgX;
    work.orgY = m_lOrgY;
    m_lBlockLeft = work.orgX;

    DrawConnect(block, kDrawConnectors);
    DrawSystemStartBar(work);
    DrawBlockStaffLines(work);
    if (m_pCtrlTool->MeasureNumbersOn())
        DrawMeasNum(block);
    PlanColumns(work);
    for (int c = 0; c < work.columns; ++c)
        LayOutColumn(work, c);
    m_bCourtesyColumn = 0;
    for (int k = 0; k < staves; ++k)
        DrawStaffContent(work, k);

    // The temporary measures go with the work; nothing may point at them.
    m_pPrevMeas = m_pCurMeas = m_pDownMeas = m_pUpMeas = nullptr;
    m_bLastColumn = 0;
    m_lDownStaffY = m_lUpStaffY = -1;
    m_nDownStaffPercent = m_nUpStaffPercent = -1;
    KVSetOrgXY(work.orgX, work.orgY);
    DrawCtrlRectOfBlock(block);
    KVSetOrgXY(savedX, savedY);
    return 1;
}

// A screen pass skips a block lying wholly outside the update rectangle of
// its page, with an average staff height to spare. A view drawn without a
// page has no update rectangle and draws every block.
bool CScoreView::IsOutsideUpdate(CKVBlock& block, int staves) const
{
    // Compared, not subtracted: a host may pass the whole coordinate range.
    if (m_bPrinting || m_rcUpdate.right <= m_rcUpdate.left || m_rcUpdate.bottom <= m_rcUpdate.top)
        return false;
    const LONG h = (block.m_rcBlock.bottom - block.m_rcBlock.top) / staves;
    const LONG y = static_cast<short>(m_lOrgY);
    return m_rcUpdate.bottom < y + block.m_rcBlock.top - h || m_rcUpdate.top > y + block.m_rcBlock.bottom + h;
}

// The bar line at the system's left edge, through every staff: a measure of
// no staff with a single start bar, clipped at the first staff's top line.
void CScoreView::DrawSystemStartBar(BlockWork& work)
{
    CKVStaff* first = work.Staff(0);
    CKVStaff* last = work.Staff(work.staves - 1);
    if (!first || !last)
        return;
    const bool ossiaOpen = (first->m_byDisplayFlags & CKVStaff::SHOW_LEFT_LINE) != 0;
    const bool single = work.staves == 1;
    if (single && !(work.IsOssia() ? ossiaOpen : m_pCtrlTool->SingleStaffStartBarOn()))
        return;

    const int firstPercent = work.Percent(*first, *m_pDoc);
    const int lastPercent = work.Percent(*last, *m_pDoc);
    int top;
    if (first->m_byStaffKind == CKVStaff::KIND_FREE_LINE)
        top = MulDiv(work.gap, first->m_wObjWord, 100) * (first->m_byLineCount - 1);
    else
        top = MulDiv(IsOneLine(*first) ? m_wSymbolSize / 2 : m_wSymbolSize, firstPercent, 100);
    const int bottom = IsOneLine(*last) ? MulDiv(m_wSymbolSize / 2, lastPercent, 100) : 0;

    CKVMeas bar;
    bar.m_byStartBar = CKVMeas::BAR_SINGLE;
    bar.m_byEndBar = CKVMeas::BAR_NONE;
    bar.m_nLeftX = static_cast<short>(work.Boundary(0));
    bar.m_nStaffY = static_cast<short>(work.StaffY(work.staves - 1) - bottom);
    m_lBarClipTop = std::max<LONG>(0, work.orgY + work.StaffY(0) - top);
    m_crBarLine = work.Colour(*m_pCtrlTool, 0);
    DrawBarLine(bar, static_cast<unsigned short>(firstPercent), kNoBarEnd, kDrawStartBar);
}

void CScoreView::DrawBlockStaffLines(BlockWork& work)
{
    m_nBlockPercent = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVStaff* staff = work.Staff(k);
        if (!staff)
            continue;
        const int percent = work.Percent(*staff, *m_pDoc);
        m_nBlockPercent = static_cast<short>(std::max<int>(m_nBlockPercent, percent));
        Draw5Line(work.Boundary(0), work.width, work.StaffY(k), work.Colour(*m_pCtrlTool, k), staff->m_byStaffKind,
                  kReservedKindArg, static_cast<unsigned short>(percent), staff->m_byLineCount);
    }
    m_nBlockPercent = 100;
}

// The column edges, and the courtesy column when the measures after the
// block change key or time. The block's last measures end at the courtesy
// column, or else at the block's right edge.
void CScoreView::PlanColumns(BlockWork& work)
{
    work.columnX.resize(work.measures + 2);
    for (int c = 0; c <= work.measures; ++c)
        work.columnX[c] = work.Boundary(c);
    work.columnX[work.measures + 1] = work.width;

    const CKVCtrlTool& tool = *m_pCtrlTool;
    bool keyWanted = false;
    bool timeWanted = false;
    for (int k = 0; k < work.staves; ++k) {
        CKVMeas* last = work.Meas(k, work.measures - 1);
        CKVMeas* next = last ? work.NextMeas(k) : nullptr;
        if (!next)
            continue;
        if (tool.CourtesyKeyOn() && ShowsKeyChange(*next) &&
            (next->m_byKeyType != last->m_byKeyType || next->m_byKeyCount != last->m_byKeyCount))
            keyWanted = true;
        if (tool.CourtesyTimeOn() && !(next->m_byTimeStyle & kTimeStyleHidden) &&
            (last->m_byOptions & kTimeHiddenMask) != CKVMeas::OPT_TIME_HIDDEN && TimeDiffers(*last, *next))
            timeWanted = true;
    }

    int courtesyWidth = 0;
    if (keyWanted || timeWanted) {
        const int keyPart = CourtesyKeyWidth(work);
        const int timePart = timeWanted ? CourtesyTimeWidth(work, keyPart) : 0;
        courtesyWidth = work.gap + keyPart + timePart;
        if (keyPart == 0 && timePart == 0) {
            CKVMeas* last = nullptr;
            for (int k = 0; k < work.staves && !last; ++k)
                last = work.Meas(k, work.measures - 1);
            const BYTE endBar = last ? last->m_byEndBar : CKVMeas::BAR_NONE;
            courtesyWidth = endBar == CKVMeas::BAR_SINGLE || endBar == CKVMeas::BAR_DOUBLE ? work.gap / 2 : 0;
        }
        work.courtesyKeyPart = keyPart;
        MakeCourtesyColumn(work, courtesyWidth);
    }
    work.columnX[work.measures] = work.width - courtesyWidth;
    for (int k = 0; k < work.staves; ++k) {
        if (CKVMeas* last = work.Meas(k, work.measures - 1))
            last->m_rcMeas.right = work.columnX[work.measures];
    }
}

// Room for the widest coming key over the staves: cancelling naturals where
// they stand after the bar line, the new accidentals and the key lead.
int CScoreView::CourtesyKeyWidth(BlockWork& work)
{
    const CKVCtrlTool& tool = *m_pCtrlTool;
    if (!tool.CourtesyKeyOn())
        return 0;
    const int step = GetTextExtent(static_cast<char>(codeAcci[1])).cx + MulDiv(tool.AccidentalGap(), work.gap, 4);
    const int lead = MulDiv(tool.KeyLead(), work.gap, 4);
    const BYTE placement = tool.NaturalPlacement();
    int widest = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVMeas* last = work.Meas(k, work.measures - 1);
        CKVMeas* next = last ? work.NextMeas(k) : nullptr;
        if (!next || !ShowsKeyChange(*next))
            continue;
        const int oldCount = KeyCountOf(*last);
        const int newCount = KeyCountOf(*next);
        const bool sameKind = next->m_byKeyType == last->m_byKeyType;
        int part = 0;
        if (sameKind && newCount > oldCount) {
            if (placement == 1)
                part = step * oldCount;
            part += step * newCount + lead;
        } else {
            const int cancelled = oldCount - (sameKind ? newCount : 0);
            if (placement == 1 || (newCount == 0 && placement == 2))
                part = cancelled * step;
            if (newCount != 0)
                part += step * newCount + lead;
        }
        widest = std::max(widest, part);
    }
    return widest;
}

// Room for the widest coming time signature, with its lead (half a gap when
// no key stands before it).
int CScoreView::CourtesyTimeWidth(BlockWork& work, int keyPart)
{
    int widest = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVMeas* last = work.Meas(k, work.measures - 1);
        CKVMeas* next = last ? work.NextMeas(k) : nullptr;
        if (!next)
            continue;
        int t = GetTimeSignWidth(*next);
        if (t > 0)
            t += keyPart ? MulDiv(m_pCtrlTool->TimeLead(), work.gap, 4) : work.gap / 2;
        widest = std::max(widest, t);
    }
    return widest;
}

void CScoreView::MakeCourtesyColumn(BlockWork& work, int width)
{
    const int left = work.width - width;
    work.courtesy.resize(work.staves);
    for (int k = 0; k < work.staves; ++k) {
        CKVMeas* last = work.Meas(k, work.measures - 1);
        CKVMeas* next = last ? work.NextMeas(k) : nullptr;
        if (!next)
            continue;
        work.courtesy[k] = CourtesyMeasure(*work.Staff(k), *last, *next, *m_pCtrlTool);
        CKVMeas& temp = *work.courtesy[k];
        temp.m_nLeftX = static_cast<short>(left);
        temp.m_nStaffY = static_cast<short>(work.StaffY(k));
        temp.m_rcMeas = CRect(left, last->m_rcMeas.top, work.width, last->m_rcMeas.bottom);
    }
    work.hasCourtesy = true;
    work.columns = work.measures + 1;
}

// One column: its header (double start bar and clef, key, time) over all
// staves, each step as wide as its widest staff, then the bar lines and the
// measures' layout.
void CScoreView::LayOutColumn(BlockWork& work, int column)
{
    const bool courtesy = work.hasCourtesy && column == work.measures;
    m_bCourtesyColumn = courtesy ? 1 : 0;
    int header = DrawColumnClefs(work, column, 0);
    {
        CKVCtrlTool& tool = *m_pCtrlTool;
        WordOverride lead(tool.m_wKeyLayout, static_cast<WORD>(tool.m_wKeyLayout / 2), courtesy);
        header += DrawColumnKeys(work, column, header);
    }
    {
        CKVCtrlTool& tool = *m_pCtrlTool;
        WordOverride lead(tool.m_wM2, static_cast<WORD>(tool.m_wM2 / 2), courtesy && work.courtesyKeyPart == 0);
        header += DrawColumnTimes(work, column, header);
    }
    m_bCourtesyColumn = 0;
    DrawColumnBars(work, column, header);
}

int CScoreView::DrawColumnClefs(BlockWork& work, int column, int header)
{
    const short savedPercent = m_nSizePercent;
    const int first = column == 0 ? 1 : 0;
    int widestBar = 0;
    int widestClef = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVStaff* staff = work.Staff(k);
        CKVMeas* meas = work.Meas(k, column);
        if (!meas)
            continue;
        KVSetOrgXY(work.orgX + work.columnX[column], work.orgY + work.StaffY(k));
        m_nSizePercent = static_cast<short>(work.Percent(*staff, *m_pDoc));
        const COLORREF colour = m_pDC->SetTextColor(work.Colour(*m_pCtrlTool, k));
        int bar = 0;
        if (column > 0 && meas->m_byStartBar == CKVMeas::BAR_DOUBLE) {
            m_crBarLine = work.Colour(*m_pCtrlTool, k);
            bar = std::max<int>(0, DrawMeasLeftBarA(meas, header));
        }
        if (staff->m_byDisplayFlags & CKVStaff::SHOW_CLEF)
            widestClef = std::max<int>(widestClef, DrawMeasClefA(meas, &work.clef[k], header + bar, first));
        widestBar = std::max(widestBar, bar);
        m_pDC->SetTextColor(colour);
    }
    m_nSizePercent = savedPercent;
    return widestBar + widestClef;
}

int CScoreView::DrawColumnKeys(BlockWork& work, int column, int header)
{
    const short savedPercent = m_nSizePercent;
    const int first = column == 0 ? 1 : 0;
    int widest = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVStaff* staff = work.Staff(k);
        CKVMeas* meas = work.Meas(k, column);
        if (!meas || staff->m_byStaffKind != CKVStaff::KIND_NORMAL || !(staff->m_byDisplayFlags & CKVStaff::SHOW_KEY))
            continue;
        KVSetOrgXY(work.orgX + work.columnX[column], work.orgY + work.StaffY(k));
        m_nSizePercent = static_cast<short>(work.Percent(*staff, *m_pDoc));
        const bool ossiaStaff = staff->m_byObjKind == OBJ_OSSIA_STAFF;
        const COLORREF colour =
            m_pDC->SetTextColor(ossiaStaff ? m_pCtrlTool->OssiaColor() : work.Colour(*m_pCtrlTool, k));
        int naturals = 0;
        widest = std::max<int>(widest, DrawMeasKeySignA(meas, &work.keyKind[k], &work.keyCount[k], header, first,
                                                        naturals));
        m_pDC->SetTextColor(colour);
    }
    m_nSizePercent = savedPercent;
    return widest;
}

int CScoreView::DrawColumnTimes(BlockWork& work, int column, int header)
{
    const short savedPercent = m_nSizePercent;
    int widest = 0;
    for (int k = 0; k < work.staves; ++k) {
        CKVStaff* staff = work.Staff(k);
        CKVMeas* meas = work.Meas(k, column);
        if (!meas || !(staff->m_byDisplayFlags & CKVStaff::SHOW_TIME))
            continue;
        KVSetOrgXY(work.orgX + work.columnX[column], work.orgY + work.StaffY(k));
        m_nSizePercent = static_cast<short>(work.Percent(*staff, *m_pDoc));
        const COLORREF colour = m_pDC->SetTextColor(work.Colour(*m_pCtrlTool, k));
        int width = DrawMeasTimeSignA(meas, work.block.m_nFirstMeas, column, header);
        // The first column leaves a gap after a time signature it shows.
        if (column == 0 && width > 0)
            width += work.gap;
        widest = std::max(widest, width);
        m_pDC->SetTextColor(colour);
    }
    m_nSizePercent = savedPercent;
    return widest;
}

// Bar lines joined through their groups, then each measure's origin, header
// width and content width. All staves of a column share the header and the
// gaps, so that equal positions stand one above the other.
void CScoreView::DrawColumnBars(BlockWork& work, int column, int header)
{
    KVSetOrgXY(work.orgX, work.orgY);
    const int g = work.gap;
    const int right = work.columnX[column + 1];
    const bool beforeCourtesy = work.hasCourtesy && column == work.measures - 1;
    const int headerGap =
        (column == 0 ? m_pCtrlTool->FirstColumnHeaderGap() : m_pCtrlTool->HeaderGap()) * g / 4;
    int groupFirst = -1;
    for (int k = 0; k < work.staves; ++k) {
        CKVStaff* staff = work.Staff(k);
        if (!staff)
            continue;
        if (groupFirst < 0 && ((staff->m_byGroupBracket[kGroupStart] | staff->m_byGroupBracket[kGroupMiddle]) &
                               kGroupBarLines))
            groupFirst = k;
        LONG clipTop = -1;
        if (groupFirst >= 0 && IsConnectStaff(work.block, k, kGroupBarLines)) {
            clipTop = std::max<LONG>(0, work.orgY + work.StaffY(groupFirst) - 1);
            groupFirst = -1;
        }
        CKVMeas* meas = work.Meas(k, column);
        if (!meas)
            continue;
        m_lBarClipTop = clipTop;
        m_crBarLine = work.Colour(*m_pCtrlTool, k);

        const BYTE start = meas->m_byStartBar;
        const bool drawStart = !(start == CKVMeas::BAR_THIN || start == CKVMeas::BAR_SINGLE ||
                                 (column == 0 && start == kBarNoneAtStart));
        const BYTE end = meas->m_byEndBar;
        const BYTE drawnEnd =
            beforeCourtesy && (end == CKVMeas::BAR_DOUBLE || end == CKVMeas::BAR_SINGLE) ? CKVMeas::BAR_NONE : end;
        // The first column's start bar stands after the header.
        meas->m_nLeftX = static_cast<short>(work.columnX[column] + (column == 0 ? header : 0));
        meas->m_nStaffY = static_cast<short>(work.StaffY(k));
        meas->m_byEndBar = drawnEnd;
        int bar = DrawBarLine(*meas, static_cast<unsigned short>(work.Percent(*staff, *m_pDoc)),
                              static_cast<short>(right), drawStart ? kDrawStartBar : kNoStartBar);
        meas->m_byEndBar = end;
        meas->m_nLeftX = static_cast<short>(work.columnX[column]);
        if (column == 0)
            bar += start == CKVMeas::BAR_REPEAT ? g : 0;
        else
            bar = 0;

        const int headerWidth = headerGap + header + bar;
        const int contentX = work.columnX[column] + headerWidth;
        int width = std::max(1, right - contentX) - EndBarRoom(drawnEnd, g);
        width = std::max(1, width);
        meas->MsgPosCorrect(static_cast<short>(headerWidth), static_cast<short>(width));
        meas->m_nHeaderWidth = static_cast<short>(headerWidth);
        meas->m_nRealWidth = static_cast<short>(width);
        if (CKVMeas* previous = column > 0 ? work.Meas(k, column - 1) : nullptr)
            previous->MsgPosCorrect(previous->m_nHeaderWidth, previous->m_nRealWidth);
    }
}

// A staff's own symbols, then its measures, with the gap, symbol size and
// music font of the staff's size.
void CScoreView::DrawStaffContent(BlockWork& work, int k)
{
    CKVStaff* staff = work.Staff(k);
    if (!staff)
        return;
    const int percent = work.Percent(*staff, *m_pDoc);
    const short savedGap = m_nStaffSpace;
    const WORD savedSymbol = m_wSymbolSize;
    const short savedPercent = m_nSizePercent;
    m_nStaffSpace = static_cast<short>(MulDiv(savedGap, percent, 100));
    m_wSymbolSize = static_cast<WORD>(MulDiv(savedSymbol, percent, 100));
    m_nSizePercent = static_cast<short>(percent);
    HFONT staffFont = nullptr;
    HFONT previousFont = nullptr;
    if (percent != 100) {
        LOGFONT lf;
        const int dpi = m_nDpiY > 0 ? m_nDpiY : 96;
        GetDefaultLogFont(lf, static_cast<short>(MulDiv(savedGap, percent * 2880, dpi * 100)), m_lfMusic.lfFaceName,
                          0, m_pDC);
        staffFont = CreateFontIndirectA(&lf);
        if (staffFont)
            previousFont = SelectFontObject(staffFont);
    }

    const bool neighbours = !work.IsOssia();
    CKVStaff* below = neighbours && k + 1 < work.staves ? work.Staff(k + 1) : nullptr;
    CKVStaff* above = neighbours && k > 0 ? work.Staff(k - 1) : nullptr;
    m_nCurStaffIndex = staff->GetIndexInSystem();
    m_lDownStaffY = below ? work.orgY + work.StaffY(k + 1) : -1;
    m_nDownStaffPercent = static_cast<short>(below ? work.Percent(*below, *m_pDoc) : -1);
    m_lUpStaffY = above ? work.orgY + work.StaffY(k - 1) : -1;
    m_nUpStaffPercent = static_cast<short>(above ? work.Percent(*above, *m_pDoc) : -1);
    m_crStaff = work.Colour(*m_pCtrlTool, k);
    m_lFirstMeas = work.block.m_nFirstMeas;
    m_lLastMeas = work.block.m_nFirstMeas + work.measures - 1;

    KVSetOrgXY(work.orgX + work.columnX[0], work.orgY + work.StaffY(k));
    for (short i = 0; i < staff->GetMsgNum(); ++i) {
        CKVMsg* msg = staff->GetMsg(i);
        if (!msg) {
            --i; // a stale reference was dropped; the next one moved up
            continue;
        }
        KVDrawMsg(*msg, 0);
    }
    KVSetOrgXY(work.orgX, work.orgY);
    for (int c = 0; c < work.columns; ++c) {
        CKVMeas* meas = work.Meas(k, c);
        if (!meas)
            continue;
        m_lCurMeasIndex = work.block.m_nFirstMeas + c;
        if (c == work.measures) {
            // The ending drawer reads the measure from the view.
            m_pPrevMeas = m_pCurMeas;
            m_pCurMeas = meas;
            KVDrawMeas(*meas, static_cast<short>(c), kEndingsOnly);
            continue;
        }
        m_pDownMeas = below ? below->GetMeas(m_lCurMeasIndex) : nullptr;
        m_pUpMeas = above ? above->GetMeas(m_lCurMeasIndex) : nullptr;
        m_pPrevMeas = c > 0 ? staff->GetMeas(m_lCurMeasIndex - 1) : nullptr;
        m_pCurMeas = meas;
        m_bLastColumn = c == work.measures - 1 ? 1 : 0;
        m_nSizePercent = static_cast<short>(percent);
        KVDrawMeas(*meas, static_cast<short>(c), kWholeMeasure);
    }

    if (staffFont) {
        SelectFontObject(previousFont);
        DeleteObject(staffFont);
    }
    m_nStaffSpace = savedGap;
    m_wSymbolSize = savedSymbol;
    m_nSizePercent = savedPercent;
}
