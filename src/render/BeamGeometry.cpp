// The beam layout of one group: primary line, secondary and partial beams
// with their breaks, and how the pieces are drawn.

#include "render/BeamGeometry.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "platform/ProcessState.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

int nBeamXScale = 0;
int nBeamHeadWidth = 0;

namespace {

KvProcessReset s_reset("nBeamXScale/nBeamHeadWidth", [] {
    nBeamXScale = 0;
    nBeamHeadWidth = 0;
});

constexpr WORD kFlagTail = MSGFLAG_TAIL;
constexpr WORD kFlagInChord = MSGFLAG_CHORD_MEMBER;
constexpr WORD kBreakAll = MSGFLAG_SUBBEAM_BREAK;     // every secondary level
constexpr WORD kBreakFromTwo = MSGFLAG_SUBBEAM_BREAK1; // levels 2 and up
constexpr WORD kBreakFromThree = MSGFLAG_SUBBEAM_BREAK2; // levels 3 and up

int CodeOf(const CKVMsg& note)
{
    return note.m_wDuration & 0xFF;
}

// Whether a note stops the beam of a level before it.
bool BreaksLevel(const CKVMsg& note, int level)
{
    return (note.m_wFlag & kBreakAll) || (level >= 2 && (note.m_wFlag & kBreakFromTwo)) ||
           (level >= 3 && (note.m_wFlag & kBreakFromThree));
}

double SegmentYAt(const BeamSegment& segment, int x)
{
    if (segment.x1 == segment.x2)
        return segment.y1;
    return (segment.y2 - segment.y1) * (x - segment.x1) / (segment.x2 - segment.x1) + segment.y1;
}

} // namespace

void CBeamGeometry::AddNote(CKVMsg* note)
{
    m_notes.push_back(note);
    m_xs.push_back(0);
}

void CBeamGeometry::SortNotes()
{
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const CKVMsg* a, const CKVMsg* b) {
        if (a->m_nPosX != b->m_nPosX)
            return a->m_nPosX < b->m_nPosX;
        return a->m_nPosY < b->m_nPosY;
    });
}

void CBeamGeometry::SetNoteX(int i, int originX, int xScale)
{
    m_xs[static_cast<size_t>(i)] = MeasUnitsToX(originX, xScale, NoteAt(i)->m_nPosX, 16);
}

double CBeamGeometry::LineYAt(int x) const
{
    if (m_x1 == m_x2 || m_y1 == m_y2)
        return m_y1;
    return (m_y2 - m_y1) * (x - m_x1) / (m_x2 - m_x1) + m_y1;
}

int CBeamGeometry::BeamExtentAt(int x, double& minY, double& maxY) const
{
    minY = maxY = LineYAt(x);
    int count = 0;
    for (const BeamSegment& segment : m_segments) {
        if (segment.x1 > x || x > segment.x2)
            continue;
        const double y = SegmentYAt(segment, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        ++count;
    }
    return count;
}

bool CBeamGeometry::IsAboveLine(int i) const
{
    // The position is scaled like the line, so that a reduced staff keeps
    // its sub-beams on the side of the stems.
    return MulDiv(NoteAt(i)->m_nPosY, m_nPercent, 100) < static_cast<int>(LineYAt(NoteXAt(i)));
}

int CBeamGeometry::NextNoteRight(int i) const
{
    const short x = NoteAt(i)->m_nPosX;
    for (int j = i + 1; j < NoteCount(); ++j) {
        if (NoteAt(j)->m_nPosX > x)
            return j;
    }
    return -1;
}

void CBeamGeometry::BuildSegments(const BeamDrawParams& params)
{
    ClearSegments();
    nBeamHeadWidth = params.headWidth;
    nBeamXScale = params.xScale;
    m_nPercent = params.percent;
    SortNotes();
    const int n = NoteCount();
    for (int i = 0; i < n; ++i)
        SetNoteX(i, params.originX, params.xScale);
    if (n == 0)
        return;

    m_x1 = NoteXAt(0);
    m_x2 = NoteXAt(n - 1);
    // A chord whose top notes stand above an upward beam starts the beam at
    // its first note on the stem's side.
    int start = 0;
    if ((NoteAt(0)->m_wFlag & kFlagInChord) && IsAboveLine(0)) {
        for (int j = 1; j < n && NoteAt(j)->m_nPosX == NoteAt(0)->m_nPosX; ++j) {
            if (!IsAboveLine(j)) {
                start = j;
                m_x1 = NoteXAt(j);
                break;
            }
        }
    }
    // The stored heights are the primary beam's outer edge; keep its centre.
    const double half = params.thickness / 2;
    if (MulDiv(NoteAt(start)->m_nPosY, params.percent, 100) >= static_cast<int>(m_y1)) {
        m_x1 += params.headWidth;
        m_y1 += half;
    } else {
        m_y1 -= half;
    }
    if (MulDiv(NoteAt(n - 1)->m_nPosY, params.percent, 100) >= static_cast<int>(m_y2)) {
        m_x2 += params.headWidth;
        m_y2 += half;
    } else {
        m_y2 -= half;
    }
    m_segments.push_back(BeamSegment {m_x1, m_x2, m_y1, m_y2, 0});
    if (n < 2)
        return;
    for (int level = 1; level <= kLevels; ++level)
        BuildLevel(level, start, params);
}

// Runs of notes short enough for the level, cut at breaks; a run of one
// note becomes a partial beam.
void CBeamGeometry::BuildLevel(int level, int start, const BeamDrawParams& params)
{
    int first = -1;
    int last = -1;
    short column = 0;
    bool firstAbove = false;
    auto emit = [&] {
        MakeSegment(level, first, last, first == last ? kPartialSegment : kFullSegment, params);
        first = -1;
    };
    for (int i = start; i < NoteCount(); ++i) {
        const CKVMsg& note = *NoteAt(i);
        if (first >= 0 && note.m_nPosX == column) {
            // Another note of the same chord.
            if (firstAbove && last == first && !IsAboveLine(i)) {
                first = last = i;
                firstAbove = false;
            }
            continue;
        }
        const bool qualifies = CodeOf(note) >= level + 4;
        if (first >= 0) {
            if (qualifies && !BreaksLevel(note, level)) {
                last = i;
                column = note.m_nPosX;
                continue;
            }
            emit();
        }
        if (qualifies) {
            first = last = i;
            column = note.m_nPosX;
            firstAbove = IsAboveLine(i);
        }
    }
    if (first >= 0)
        emit();
}

void CBeamGeometry::MakeSegment(int level, int first, int last, int kind, const BeamDrawParams& params)
{
    const double offset = level * params.spacing;
    auto edgeAt = [&](int x, bool stemUp) {
        double minY = 0;
        double maxY = 0;
        BeamExtentAt(x, minY, maxY);
        return stemUp ? minY + offset : maxY - offset; // further beams lie towards the heads
    };
    BeamSegment segment;
    if (kind == kFullSegment) {
        const bool stemUp = !IsAboveLine(last);
        segment.x1 = NoteXAt(first) + (IsAboveLine(first) ? 0 : params.headWidth);
        segment.x2 = NoteXAt(last) + (stemUp ? params.headWidth : 0);
        segment.y1 = edgeAt(segment.x1, stemUp);
        segment.y2 = edgeAt(segment.x2, stemUp);
        segment.stemUp = stemUp ? 1 : 0;
        m_segments.push_back(segment);
        return;
    }

    // A partial beam points right unless the note asks for the left, has no
    // later neighbour, or its left neighbour is the shorter-valued one.
    const CKVMsg& note = *NoteAt(first);
    bool right = !(note.m_wFlag & kFlagTail);
    const int next = NextNoteRight(first);
    if (next < 0)
        right = false;
    if (right && first != 0 && first != NoteCount() - 1 && !(note.m_wFlag & MSGFLAG_SUBBEAM_BREAKS)) {
        const CKVMsg& before = *NoteAt(first - 1);
        int p = CodeOf(before);
        if (before.m_wFlag & kBreakAll)
            p = 4;
        else if (before.m_wFlag & kBreakFromTwo)
            p = 5;
        const CKVMsg& after = *NoteAt(next);
        int n = CodeOf(after);
        if ((after.m_wFlag & kBreakFromThree) && !(before.m_wFlag & (kBreakAll | kBreakFromTwo)))
            n = 6;
        if (p > n)
            right = false;
    }
    const bool stemUp = !IsAboveLine(first);
    segment.x1 = NoteXAt(first) + (stemUp ? params.headWidth : 0);
    segment.x2 = segment.x1 + (right ? params.gap : -params.gap);
    segment.y1 = edgeAt(segment.x1, stemUp);
    segment.y2 = edgeAt(segment.x2, stemUp);
    m_segments.push_back(segment);
}

void CBeamGeometry::DrawSegments(CDC* dc, const BeamDrawParams& params) const
{
    if (!dc || m_segments.empty())
        return;
    const double half = params.thickness / 2;
    const double topLeft = params.originY + m_y1 - half;
    const double topRight = params.originY + m_y2 - half;
    const double D = params.spacing;
    const int step = static_cast<int>(D + 0.5);
    for (const BeamSegment& segment : m_segments) {
        int segX = segment.x1;
        int width = segment.x2 - segment.x1;
        if (segment.x1 == m_x1) {
            segX -= m_nLeftOffset;
            width += m_nLeftOffset;
        }
        if (segment.x2 == m_x2)
            width += m_nRightOffset;
        // The distance from the primary line, in whole levels.
        const double d = segment.y1 - LineYAt(segment.x1);
        const int levels = D != 0 ? static_cast<int>((d + (d < 0 ? -D / 2 : D / 2)) / D) : 0;
        DrawSegment(dc, m_x1, topLeft, m_x2, topRight, segX, width, levels * step, params.gap / 2.0, params.colour);
    }
}

void CBeamGeometry::DrawSegment(CDC* dc, int x1, double y1, int x2, double y2, int segX, int segWidth,
                                double offset, double thickness, COLORREF colour)
{
    DrawBeamPiece(dc, BeamPieceKind::Beam, dc->IsPrinting(), x1, y1, x2, y2, segX, segWidth, offset, thickness,
                  colour);
}

void DrawBeamPiece(CDC* dc, BeamPieceKind kind, BOOL printing, int x1, double y1, int x2, double y2, int segX,
                   int segWidth, double offset, double thickness, COLORREF colour)
{
    // On screen the pieces are laid on a grid four times finer than the
    // logical units; a printer draws them in its own units.
    const bool fine = !printing && dc->GetMapMode() == MM_ANISOTROPIC;
    const bool beam = kind == BeamPieceKind::Beam;
    const int k = fine ? 4 : 1;
    const CSize window = dc->GetWindowExt();
    if (fine)
        dc->SetWindowExt(window.cx * k, window.cy * k);
    const double X1 = x1 * k;
    const double X2 = x2 * k;
    const double Y1 = y1 * k;
    const double Y2 = y2 * k;
    int left = segX * k;
    int right = (segX + segWidth) * k;
    if (right < left)
        std::swap(left, right);
    // A beam keeps its last column and bottom row free, so that beams of
    // neighbouring groups and levels do not touch.
    const int t = static_cast<int>(thickness * k) - (beam ? 1 : 0);
    if (beam)
        right -= 1;
    // A line of no width keeps its left height.
    auto edgeAt = [&](int x) { return X1 == X2 ? Y1 : (Y2 - Y1) * (x - X1) / (X2 - X1) + Y1; };
    auto yAt = [&](int x) {
        const int edge = static_cast<int>(edgeAt(x));
        return beam ? edge + static_cast<int>(offset * k + 0.5) : static_cast<int>(edge + offset * k + 0.5);
    };
    const int yl = yAt(left);
    const int yr = yAt(right);

    CPen pen;
    if (std::abs(t) < 2) {
        pen.CreatePen(PS_SOLID, 1, colour);
        CPen* oldPen = dc->SelectObject(&pen);
        dc->MoveTo(left, yl);
        dc->LineTo(right, yr);
        dc->SelectObject(oldPen);
    } else {
        pen.CreatePen(PS_SOLID, beam ? 0 : 1, colour);
        CBrush brush;
        brush.CreateSolidBrush(colour);
        CPen* oldPen = dc->SelectObject(&pen);
        CBrush* oldBrush = dc->SelectObject(&brush);
        const POINT points[4] = {{left, yl}, {left, yl + t}, {right, yr + t}, {right, yr}};
        dc->Polygon(points, 4);
        dc->SelectObject(oldBrush);
        dc->SelectObject(oldPen);
    }
    if (fine)
        dc->SetWindowExt(window);
}

void CBeamGeometry::MarkReversedChordNotes()
{
    bool open = false;
    short column = 0;
    for (int i = NoteCount() - 1; i >= 0; --i) {
        CKVMsg& note = *NoteAt(i);
        note.m_bHeadShift = FALSE;
        if (!(note.m_wFlag & kFlagInChord)) {
            open = false;
            continue;
        }
        if (!open || note.m_nPosX != column) {
            open = !IsAboveLine(i);
            column = note.m_nPosX;
            continue;
        }
        if (IsAboveLine(i))
            note.m_bHeadShift = TRUE;
    }
}
