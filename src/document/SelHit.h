#pragma once
// The geometry that selection rectangles are tested with: the test rectangle
// a selection record gives one measure of a block, and the page point at
// which a symbol of that measure counts as inside it. The collection of the
// selected symbols, the delete on a selection and the copy of a selection
// share it, so that the three agree on what a rectangle covers.

#include "Platform.h"

#include <functional>

struct SelRect;
class CKVBlock;
class CKVDoc;
class CKVMeas;
class CKVMsg;
class CKVPage;
class CKVStaff;

namespace selhit {

// A rectangle that holds every point of a page.
CRect Everything();

// Whether a kind-1 rectangle's right edge is moved one unit to the right in
// normal blocks, so that a point on that edge counts.
inline constexpr bool kRightEdgeAsStored = false;
inline constexpr bool kRightEdgeIncluded = true;

// Whether a selection record selects a measure shown in a block: a kind-1
// rectangle that meets the measure, or the measure, staff in the block or
// staff that kinds 2 to 4 name.
bool Selects(const SelRect& rec, CKVBlock* block, CKVMeas* meas);

// The rectangle (page coordinates, relative to the printable area) that a
// record tests the symbols of one measure of a block with: kind 1 its
// rectangle, kinds 2 to 4 everything when the record names this measure,
// this staff in this block, or this staff, and otherwise nothing. Ossia
// blocks take a kind-1 rectangle as stored.
CRect TestRect(const SelRect& rec, const CKVBlock& block, const CKVStaff* staff, const CKVMeas* meas,
               bool includeRightEdge);

// The page point a symbol of measure `measIndex` (counted in the block) on
// staff `staffIndex` of the block hangs its handles on: the measure's
// boundary plus the symbol's x, and the staff line plus its vertical
// position at the staff's size. False when the block lacks the boundary or
// staff line.
bool AnchorOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, POINT& out);

// The first handle of a symbol of measure `measIndex` (counted in the block)
// on staff `staffIndex` of the block, scaled to its staff's size and placed on
// the page. The symbol's x is its position in the measure; a member of a chord
// or beam group uses its own. False when the symbol has no handle or the block
// lacks the boundary or staff line.
bool HandleOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, CRect& out);

// The first handle of a part of a note (a mark, lyric, slur, ...) placed on
// the page: a lyric hangs on its lyric line, which the measure's head keeps
// (false when the head hides the line or lacks it); a tie's or slur's handle
// is kept in page coordinates and only loses the page's printable origin;
// any other part sits at the note's place plus its own. False without a
// handle or when the block lacks the boundary or staff line.
bool PartHandleOnPage(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& note, CKVMsg& part,
                      CRect& out);

// Whether two rectangles share an area.
bool Meets(const CRect& a, const CRect& b);

// The point of a handle that decides whether its symbol is inside a
// rectangle: the left edge at half the height.
POINT HitPoint(const CRect& handle);

// Whether a symbol's hit point lies in a test rectangle (left and top
// inclusive, right and bottom exclusive); false without a handle.
bool IsHit(CKVBlock& block, int measIndex, int staffIndex, CKVMeas& meas, CKVMsg& msg, const CRect& test);

// Whether a page-level symbol lies in a rectangle (page coordinates): one of
// its handles, moved by its position, meets it; a handle not measured yet
// (no extent) by its top-left corner. The copy and the delete of a selection
// both ask this.
bool PageSymbolMeets(CKVMsg& msg, const CRect& rect);

// One measure a selection walk reaches.
struct MeasPlace {
    CKVPage* page = nullptr;
    CKVBlock* block = nullptr;
    bool ossia = false;
    int staffIndex = 0;   // in the block
    int measIndex = 0;    // in the block
    CKVStaff* staff = nullptr;
    CKVMeas* meas = nullptr;
};

// One symbol that a test rectangle takes from a measure, with the beam
// group and the chord it stands in (null when it stands in none).
struct Hit {
    CKVMsg* msg = nullptr;
    CKVMsg* group = nullptr;
    CKVMsg* chord = nullptr;
};

// Visits, in child order, the symbols of the measure at `place` whose hit
// point lies in `test`, as the selection collection takes them: notes and
// rests, the notes and rests of beam groups, the notes of chords (alone or
// in a group) and, with `everyKind`, any other symbol with a handle. visit
// returns false to stop the walk.
void ForEachHit(const MeasPlace& place, const CRect& test, bool everyKind, const std::function<bool(const Hit&)>& visit);

// Whether a record selects the measure at `place` for its backup: it
// selects the measure (Selects), or, a rectangle, takes a symbol of it
// (ForEachHit over the test rectangle of the collection of every record).
// The two agree however the block is laid out, so that no symbol is handed
// out from a measure that the selection's backup left out.
bool Covers(const SelRect& rec, const MeasPlace& place);

// Visits, for one record, every measure of every block of the pages the
// record covers (its page, or every page for a record without one): normal
// blocks first, then ossia blocks, each staff of a block in block order and
// each measure of the block's range in order. The tree is read afresh for
// each measure. visit returns false to stop the walk.
void ForEachMeas(CKVDoc& doc, const SelRect& rec, const std::function<bool(const MeasPlace&)>& visit);

} // namespace selhit
