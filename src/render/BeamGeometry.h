#pragma once
// The layout of one beam group's beams: the primary line through the group's
// two end heights, the secondary and partial beams of each level with their
// breaks, and the drawing of those segments. Built on the stack by the beam
// drawer for one group; no device is needed until the segments are drawn.

#include "Platform.h"

#include <vector>

class CKVMsg;

// One beam piece: x in dots of the pass, y the centre line relative to the
// staff's origin.
struct BeamSegment {
    int x1 = 0;
    int x2 = 0;
    double y1 = 0;
    double y2 = 0;
    int stemUp = 0; // a full segment whose end note lies below the line
};

// What the beam drawer hands the geometry.
struct BeamDrawParams {
    int xScale = 0;        // the measure's real width - 6
    int originX = 0;
    int originY = 0;
    COLORREF colour = 0;
    int gap = 8;           // staff-line gap G
    double thickness = 4;  // beam thickness T
    double spacing = 6;    // level spacing D
    int headWidth = 10;    // H: stems of notes below the line stand this far right
    int percent = 100;     // staff size percent s
    BOOL printing = 0;
};

// The x scale and head width of the group whose segments were built last;
// reset with the process state.
extern int nBeamXScale;
extern int nBeamHeadWidth;

// A beam segment, or a tremolo stroke, which is as thick as asked and
// runs over its whole width.
enum class BeamPieceKind { Beam, Stroke };

// One piece parallel to the line (x1, y1)-(x2, y2), limited to
// [segX, segX + segWidth] and moved down by `offset`: a filled band, or a
// line when it is under two units thick. A pass that does not print draws it
// on a grid four times finer than the logical units.
void DrawBeamPiece(CDC* dc, BeamPieceKind kind, BOOL printing, int x1, double y1, int x2, double y2, int segX,
                   int segWidth, double offset, double thickness, COLORREF colour);

class CBeamGeometry {
public:
    static constexpr int kLevels = 4;
    static constexpr int kFullSegment = 1;
    static constexpr int kPartialSegment = 2;

    CBeamGeometry() = default;
    CBeamGeometry(const CBeamGeometry&) = delete;
    CBeamGeometry& operator=(const CBeamGeometry&) = delete;
    virtual ~CBeamGeometry() = default;

    // The notes (chord notes counted), in any order; SortNotes orders them.
    void AddNote(CKVMsg* note);
    int NoteCount() const { return static_cast<int>(m_notes.size()); }
    CKVMsg* NoteAt(int i) const { return m_notes[static_cast<size_t>(i)]; }
    int NoteXAt(int i) const { return m_xs[static_cast<size_t>(i)]; }
    int SegmentCount() const { return static_cast<int>(m_segments.size()); }
    const BeamSegment& SegmentAt(int i) const { return m_segments[static_cast<size_t>(i)]; }

    // Ascending by x, then the higher note first; notes at one place keep
    // their order.
    void SortNotes();
    void SetNoteX(int i, int originX, int xScale);
    // The primary centre line at x; y1 where the line has no width.
    double LineYAt(int x) const;
    // The outermost y of the line and of every segment over x; the number of
    // segments that cover x.
    int BeamExtentAt(int x, double& minY, double& maxY) const;
    // Note i (its position scaled to the staff) lies above the primary line.
    bool IsAboveLine(int i) const;
    // The first later note at a larger position word; -1 when none.
    int NextNoteRight(int i) const;

    // Lays out the primary segment and the segments of levels 1 to 4.
    void BuildSegments(const BeamDrawParams& params);
    void MakeSegment(int level, int first, int last, int kind, const BeamDrawParams& params);
    // Draws every segment, the primary one first, on the device's own grid
    // when it prints and on a four times finer one otherwise.
    void DrawSegments(CDC* dc, const BeamDrawParams& params) const;
    // One piece between the primary line's top edge (x1, y1)-(x2, y2),
    // limited to [segX, segX + segWidth] and moved by `offset`.
    static void DrawSegment(CDC* dc, int x1, double y1, int x2, double y2, int segX, int segWidth, double offset,
                            double thickness, COLORREF colour);
    // Marks the chord notes that sit on the other side of a stem crossing
    // their chord, clearing the mark of every other note.
    void MarkReversedChordNotes();
    void ClearSegments() { m_segments.clear(); }

    // The primary beam: x at both ends and the centre line's y there.
    int m_x1 = 0;
    int m_x2 = 0;
    double m_y1 = 0;
    double m_y2 = 0;
    // Horizontal end offsets of the group.
    int m_nLeftOffset = 0;
    int m_nRightOffset = 0;

private:
    void BuildLevel(int level, int start, const BeamDrawParams& params);

    std::vector<CKVMsg*> m_notes;
    std::vector<int> m_xs;
    std::vector<BeamSegment> m_segments;
    int m_nPercent = 100;
};
