// Lines, shapes and paths: each call builds a path in device pixels and
// paints it with the DC's pen and brush, on pixels, into a memory DC's
// display list, and into the log.

#include "GdiInternal.h"
#include "PixelOps.h"

#include <algorithm>
#include <cmath>

using kvrec::PathOp;

namespace kvgdi {

namespace {

constexpr double kPi = 3.14159265358979323846;

PathOp Op(PathOp::Kind kind, double x, double y)
{
    PathOp op;
    op.kind = kind;
    op.x[0] = x;
    op.y[0] = y;
    return op;
}

COLORREF Mono(const HDC__* dc, COLORREF colour)
{
    return IsMonochrome(dc) ? kvpix::ToMonochrome(colour) : colour;
}

cairo_line_cap_t CairoCap(UINT cap)
{
    switch (cap) {
    case PS_ENDCAP_ROUND: return CAIRO_LINE_CAP_ROUND;
    case PS_ENDCAP_SQUARE: return CAIRO_LINE_CAP_SQUARE;
    default: return CAIRO_LINE_CAP_BUTT;
    }
}

cairo_line_join_t CairoJoin(UINT join)
{
    switch (join) {
    case PS_JOIN_ROUND: return CAIRO_LINE_JOIN_ROUND;
    case PS_JOIN_BEVEL: return CAIRO_LINE_JOIN_BEVEL;
    default: return CAIRO_LINE_JOIN_MITER;
    }
}

void SetStroke(cairo_t* cr, const Stroke& stroke)
{
    cairo_set_line_width(cr, stroke.width);
    cairo_set_line_cap(cr, CairoCap(stroke.cap));
    cairo_set_line_join(cr, CairoJoin(stroke.join));
    if (!stroke.dashes.empty())
        cairo_set_dash(cr, stroke.dashes.data(), static_cast<int>(stroke.dashes.size()), 0);
}

void SetFill(cairo_t* cr, const Fill& fill, COLORREF colour)
{
    if (fill.pattern) {
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(fill.pattern);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
    } else {
        SetSource(cr, colour);
    }
    cairo_set_fill_rule(cr, fill.rule == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
}

// Pen output under a binary raster operation: rasterise the shape into an
// aliased mask, then combine each covered pixel with the destination.
void PaintThroughMask(HDC__* dc, const std::vector<PathOp>& path, const Fill* fill, const Stroke* stroke,
                      double offset, COLORREF colour, int rop2)
{
    cairo_surface_t* target = TargetSurface(dc);
    const int width = cairo_image_surface_get_width(target);
    const int height = cairo_image_surface_get_height(target);
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_t* cr = cairo_create(mask);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    AppendPath(cr, path, offset);
    if (fill) {
        cairo_set_fill_rule(cr, fill->rule == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr);
    } else {
        SetStroke(cr, *stroke);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(mask);
    cairo_surface_flush(target);
    kvpix::ApplyRop2(target, mask, colour, rop2, IsMonochrome(dc));
    cairo_surface_mark_dirty(target);
    cairo_surface_destroy(mask);
}

std::vector<PathOp> Shifted(const std::vector<PathOp>& path, double offset)
{
    std::vector<PathOp> shifted = path;
    for (PathOp& op : shifted)
        for (int i = 0; i < 3; ++i) {
            op.x[i] += offset;
            op.y[i] += offset;
        }
    return shifted;
}

} // namespace

Stroke PenStroke(const HDC__* dc)
{
    Stroke stroke;
    const PenObject* pen = LookupPen(dc->state.pen);
    if (!pen)
        pen = LookupPen(GetStockObject(BLACK_PEN));
    const UINT kind = pen->style & PS_STYLE_MASK;
    if (kind == PS_NULL)
        return stroke;
    stroke.on = true;
    stroke.colour = pen->colour;
    const bool geometric = (pen->style & PS_TYPE_MASK) == PS_GEOMETRIC;
    double width = pen->width * ScaleX(dc);
    if (pen->extended && !geometric)
        width = 1;
    // Width 0, or under one device pixel after mapping, is one pixel wide.
    stroke.width = std::max(width, 1.0);
    stroke.thin = stroke.width <= 1.0;
    if (pen->extended || !stroke.thin) {
        stroke.cap = pen->style & PS_ENDCAP_MASK;
        stroke.join = pen->style & PS_JOIN_MASK;
    }
    // Cosmetic styles apply to thin pens only; our patterns in device pixels.
    if (stroke.thin) {
        switch (kind) {
        case PS_DOT: stroke.dashes = {3, 3}; break;
        case PS_DASH: stroke.dashes = {18, 6}; break;
        case PS_DASHDOT: stroke.dashes = {9, 6, 3, 6}; break;
        case PS_DASHDOTDOT: stroke.dashes = {9, 3, 3, 3, 3, 3}; break;
        case PS_ALTERNATE: stroke.dashes = {1, 1}; break;
        default: break;
        }
    }
    if (kind == PS_USERSTYLE) {
        // Geometric dashes are logical units; cosmetic ones device pixels.
        const double scale = geometric ? ScaleX(dc) : 1.0;
        stroke.dashes.clear();
        for (DWORD dash : pen->dashes)
            stroke.dashes.push_back(dash * scale);
        bool allZero = std::all_of(stroke.dashes.begin(), stroke.dashes.end(), [](double d) { return d == 0; });
        if (allZero)
            stroke.dashes.clear();
    }
    return stroke;
}

Fill BrushFill(const HDC__* dc)
{
    Fill fill;
    const BrushObject* brush = LookupBrush(dc->state.brush);
    if (!brush || brush->style == BS_NULL)
        return fill;
    fill.on = true;
    fill.colour = brush->colour;
    fill.pattern = brush->pattern;
    fill.rule = dc->state.polyFillMode;
    return fill;
}

void AddRect(std::vector<PathOp>& path, double left, double top, double right, double bottom)
{
    path.push_back(Op(PathOp::Move, left, top));
    path.push_back(Op(PathOp::Line, right, top));
    path.push_back(Op(PathOp::Line, right, bottom));
    path.push_back(Op(PathOp::Line, left, bottom));
    path.push_back(Op(PathOp::Close, 0, 0));
}

void AddArc(std::vector<PathOp>& path, double cx, double cy, double rx, double ry, double start, double sweep,
            bool moveFirst)
{
    if (moveFirst)
        path.push_back(Op(PathOp::Move, cx + rx * std::cos(start), cy + ry * std::sin(start)));
    const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    const double step = sweep / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = start;
    for (int i = 0; i < segments; ++i) {
        const double b = a + step;
        PathOp op;
        op.kind = PathOp::Curve;
        op.x[0] = cx + rx * (std::cos(a) - k * std::sin(a));
        op.y[0] = cy + ry * (std::sin(a) + k * std::cos(a));
        op.x[1] = cx + rx * (std::cos(b) + k * std::sin(b));
        op.y[1] = cy + ry * (std::sin(b) - k * std::cos(b));
        op.x[2] = cx + rx * std::cos(b);
        op.y[2] = cy + ry * std::sin(b);
        path.push_back(op);
        a = b;
    }
}

void AddEllipse(std::vector<PathOp>& path, double left, double top, double right, double bottom)
{
    AddArc(path, (left + right) / 2, (top + bottom) / 2, (right - left) / 2, (bottom - top) / 2, 0, 2 * kPi, true);
    path.push_back(Op(PathOp::Close, 0, 0));
}

void AppendPath(cairo_t* cr, const std::vector<PathOp>& path, double offset)
{
    for (const PathOp& op : path) {
        switch (op.kind) {
        case PathOp::Move: cairo_move_to(cr, op.x[0] + offset, op.y[0] + offset); break;
        case PathOp::Line: cairo_line_to(cr, op.x[0] + offset, op.y[0] + offset); break;
        case PathOp::Curve:
            cairo_curve_to(cr, op.x[0] + offset, op.y[0] + offset, op.x[1] + offset, op.y[1] + offset,
                           op.x[2] + offset, op.y[2] + offset);
            break;
        case PathOp::Close: cairo_close_path(cr); break;
        }
    }
}

HDC__* DrawingDC(HDC hdc)
{
    HDC__* dc = LookupDC(hdc);
    if (!dc || dc->backend == Backend::Info || dc->closed)
        return nullptr;
    return dc;
}

void PaintPath(HDC__* dc, const std::vector<PathOp>& path, const Fill& fillIn, const Stroke& strokeIn,
               double offset, int rop2)
{
    Fill fill = fillIn;
    Stroke stroke = strokeIn;
    if (!TargetSurface(dc) || path.empty() || (!fill.on && !stroke.on))
        return;
    if (UsesVectorRules(dc)) {
        // Only modes that do not read the destination can be drawn as vectors.
        switch (rop2) {
        case R2_COPYPEN: break;
        case R2_NOP: return;
        case R2_BLACK: fill.colour = stroke.colour = RGB(0, 0, 0); fill.pattern = nullptr; break;
        case R2_WHITE: fill.colour = stroke.colour = RGB(255, 255, 255); fill.pattern = nullptr; break;
        case R2_NOTCOPYPEN:
            fill.colour ^= 0x00FFFFFF;
            stroke.colour ^= 0x00FFFFFF;
            fill.pattern = nullptr;
            break;
        default:
            Warn(dc, "ROP2 " + std::to_string(rop2) + " is screen-only feedback; nothing drawn");
            return;
        }
    }
    fill.colour = Mono(dc, fill.colour);
    stroke.colour = Mono(dc, stroke.colour);
    if (IsAliased(dc) && rop2 != R2_COPYPEN) {
        if (fill.on)
            PaintThroughMask(dc, path, &fill, nullptr, offset, fill.colour, rop2);
        if (stroke.on)
            PaintThroughMask(dc, path, nullptr, &stroke, offset, stroke.colour, rop2);
    } else {
        cairo_t* cr = NewContext(dc);
        if (fill.on) {
            SetFill(cr, fill, fill.colour);
            AppendPath(cr, path, offset);
            cairo_fill(cr);
        }
        if (stroke.on) {
            SetSource(cr, stroke.colour);
            SetStroke(cr, stroke);
            AppendPath(cr, path, offset);
            cairo_stroke(cr);
        }
        cairo_destroy(cr);
    }
    if (BitmapObject* bitmap = SelectedBitmap(dc)) {
        if (rop2 != R2_COPYPEN || fill.pattern) {
            // A result that depends on the destination (or a pattern) is
            // not described by an item.
            bitmap->rasterContent = true;
            return;
        }
        kvrec::DisplayItem item;
        item.kind = kvrec::DisplayItem::Path;
        item.path = Shifted(path, offset);
        item.fill = fill.on;
        item.fillColour = fill.colour;
        item.fillRule = fill.rule;
        item.stroke = stroke.on;
        item.strokeColour = stroke.colour;
        item.strokeWidth = stroke.width;
        item.dashes = stroke.dashes;
        item.cap = stroke.cap;
        item.join = stroke.join;
        bitmap->displayList.push_back(std::move(item));
    }
}

void NoteErase(HDC__* dc, const RECT& device)
{
    BitmapObject* bitmap = SelectedBitmap(dc);
    if (!bitmap)
        return;
    if (device.left <= 0 && device.top <= 0 && device.right >= bitmap->width && device.bottom >= bitmap->height) {
        bitmap->displayList.clear();
        bitmap->rasterContent = false;
    }
}

void NoteRaster(HDC__* dc, const RECT& device)
{
    BitmapObject* bitmap = SelectedBitmap(dc);
    if (!bitmap)
        return;
    kvrec::DisplayItem item;
    item.kind = kvrec::DisplayItem::Image;
    item.area = device;
    bitmap->displayList.push_back(std::move(item));
    bitmap->rasterContent = true;
}

void ReplayDisplayList(cairo_t* cr, const std::vector<kvrec::DisplayItem>& items, bool recolour,
                       COLORREF brushColour, bool aliased)
{
    constexpr COLORREF kWhite = RGB(255, 255, 255);
    auto colourOf = [&](COLORREF c) { return recolour ? (c | brushColour) & kWhite : c; };
    FillRun* run = AttachedFillRun(cr);
    for (const kvrec::DisplayItem& item : items) {
        switch (item.kind) {
        case kvrec::DisplayItem::Path:
            if (run)
                run->Flush(cr);
            if (item.fill && !(recolour && colourOf(item.fillColour) == kWhite)) {
                SetSource(cr, colourOf(item.fillColour));
                cairo_set_fill_rule(cr, item.fillRule == WINDING ? CAIRO_FILL_RULE_WINDING
                                                                 : CAIRO_FILL_RULE_EVEN_ODD);
                AppendPath(cr, item.path, 0);
                cairo_fill(cr);
            }
            if (item.stroke && !(recolour && colourOf(item.strokeColour) == kWhite)) {
                Stroke stroke;
                stroke.width = item.strokeWidth;
                stroke.dashes = item.dashes;
                stroke.cap = item.cap;
                stroke.join = item.join;
                SetSource(cr, colourOf(item.strokeColour));
                SetStroke(cr, stroke);
                AppendPath(cr, item.path, 0);
                cairo_stroke(cr);
                cairo_set_dash(cr, nullptr, 0, 0);
            }
            break;
        case kvrec::DisplayItem::Text:
            if (item.font && !(recolour && colourOf(item.colour) == kWhite)) {
                SetSource(cr, colourOf(item.colour));
                if (run)
                    run->FlushUnlessSource(cr);
                item.font->Render(cr, item.x, item.y, item.units);
            }
            break;
        case kvrec::DisplayItem::Image:
            break; // callers that meet pixels use them directly
        }
    }
    (void)aliased;
}

} // namespace kvgdi

using namespace kvgdi;

namespace {

// The device rectangle of a logical one, normalised.
RECT DeviceRect(const HDC__* dc, int left, int top, int right, int bottom)
{
    const POINT a = ToDevice(dc, POINT {left, top});
    const POINT b = ToDevice(dc, POINT {right, bottom});
    return RECT {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

// Adds to the open path, or paints.
BOOL Draw(HDC__* dc, const std::vector<PathOp>& path, bool fill)
{
    if (dc->inPath) {
        dc->path.insert(dc->path.end(), path.begin(), path.end());
        return TRUE;
    }
    Fill f;
    if (fill)
        f = BrushFill(dc);
    PaintPath(dc, path, f, PenStroke(dc), 0.5, dc->state.rop2);
    return TRUE;
}

kvrec::Entry* LogShape(HDC__* dc, const char* call, std::initializer_list<POINT> points)
{
    kvrec::Entry* entry = LogCall(dc, call);
    LogPoints(entry, dc, points.begin(), static_cast<int>(points.size()));
    return entry;
}

std::vector<PathOp> DevicePoints(const HDC__* dc, const POINT* points, int count, bool close)
{
    std::vector<PathOp> path;
    for (int i = 0; i < count; ++i) {
        const POINT d = ToDevice(dc, points[i]);
        path.push_back(Op(i == 0 ? PathOp::Move : PathOp::Line, d.x, d.y));
    }
    if (close)
        path.push_back(Op(PathOp::Close, 0, 0));
    return path;
}

} // namespace

BOOL LineTo(HDC hdc, int x, int y)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    const POINT from = dc->state.position;
    const POINT to {x, y};
    LogShape(dc, "LineTo", {from, to});
    const POINT a = ToDevice(dc, from);
    const POINT b = ToDevice(dc, to);
    std::vector<PathOp> path;
    if (!dc->inPath || dc->path.empty())
        path.push_back(Op(PathOp::Move, a.x, a.y));
    path.push_back(Op(PathOp::Line, b.x, b.y));
    dc->state.position = to;
    return Draw(dc, path, false);
}

BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc || !points || count < 2)
        return FALSE;
    if (kvrec::Entry* entry = LogCall(dc, "Polyline"))
        LogPoints(entry, dc, points, count);
    return Draw(dc, DevicePoints(dc, points, count, false), false);
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc || !points || count < 2)
        return FALSE;
    if (kvrec::Entry* entry = LogCall(dc, "Polygon"))
        LogPoints(entry, dc, points, count);
    return Draw(dc, DevicePoints(dc, points, count, true), true);
}

BOOL PolyBezier(HDC hdc, const POINT* points, DWORD count)
{
    HDC__* dc = DrawingDC(hdc);
    // One start point and three points per curve.
    if (!dc || !points || count < 4 || (count - 1) % 3 != 0 || count > 0x7FFFFFFF)
        return FALSE;
    const int n = static_cast<int>(count);
    if (kvrec::Entry* entry = LogCall(dc, "PolyBezier"))
        LogPoints(entry, dc, points, n);
    std::vector<PathOp> path;
    const POINT first = ToDevice(dc, points[0]);
    path.push_back(Op(PathOp::Move, first.x, first.y));
    for (int i = 1; i + 2 < n; i += 3) {
        PathOp op;
        op.kind = PathOp::Curve;
        for (int k = 0; k < 3; ++k) {
            const POINT d = ToDevice(dc, points[i + k]);
            op.x[k] = d.x;
            op.y[k] = d.y;
        }
        path.push_back(op);
    }
    return Draw(dc, path, false);
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    LogShape(dc, "Rectangle", {POINT {left, top}, POINT {right, bottom}});
    const RECT r = DeviceRect(dc, left, top, right, bottom);
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    std::vector<PathOp> path;
    // Right and bottom edges are exclusive: the outline runs on the last
    // pixel inside.
    AddRect(path, r.left, r.top, r.right - 1, r.bottom - 1);
    return Draw(dc, path, true);
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    LogShape(dc, "Ellipse", {POINT {left, top}, POINT {right, bottom}});
    const RECT r = DeviceRect(dc, left, top, right, bottom);
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    std::vector<PathOp> path;
    AddEllipse(path, r.left, r.top, r.right - 1, r.bottom - 1);
    return Draw(dc, path, true);
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    if (kvrec::Entry* entry = LogShape(dc, "RoundRect", {POINT {left, top}, POINT {right, bottom}}))
        entry->values = {width, height};
    const RECT r = DeviceRect(dc, left, top, right, bottom);
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return TRUE;
    const double l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
    // The corners are quarters of an ellipse `width` x `height`.
    const double rx = std::min(std::fabs(width * ScaleX(dc)) / 2, (rr - l) / 2);
    const double ry = std::min(std::fabs(height * ScaleY(dc)) / 2, (b - t) / 2);
    std::vector<PathOp> path;
    path.push_back(Op(PathOp::Move, l + rx, t));
    path.push_back(Op(PathOp::Line, rr - rx, t));
    AddArc(path, rr - rx, t + ry, rx, ry, -kPi / 2, kPi / 2, false);
    path.push_back(Op(PathOp::Line, rr, b - ry));
    AddArc(path, rr - rx, b - ry, rx, ry, 0, kPi / 2, false);
    path.push_back(Op(PathOp::Line, l + rx, b));
    AddArc(path, l + rx, b - ry, rx, ry, kPi / 2, kPi / 2, false);
    path.push_back(Op(PathOp::Line, l, t + ry));
    AddArc(path, l + rx, t + ry, rx, ry, kPi, kPi / 2, false);
    path.push_back(Op(PathOp::Close, 0, 0));
    return Draw(dc, path, true);
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    kvrec::Entry* entry = LogShape(dc, "Arc", {POINT {left, top}, POINT {right, bottom}, POINT {xStart, yStart},
                                               POINT {xEnd, yEnd}});
    if (left == right || top == bottom) {
        if (entry)
            entry->result = FALSE;
        return FALSE;
    }
    const RECT r = DeviceRect(dc, left, top, right, bottom);
    const double l = r.left, t = r.top, rr = std::max<double>(r.right - 1, l), b = std::max<double>(r.bottom - 1, t);
    const double cx = (l + rr) / 2, cy = (t + b) / 2;
    const double rx = std::max((rr - l) / 2, 0.5), ry = std::max((b - t) / 2, 0.5);
    const POINT s = ToDevice(dc, POINT {xStart, yStart});
    const POINT e = ToDevice(dc, POINT {xEnd, yEnd});
    const double a0 = std::atan2((s.y - cy) / ry, (s.x - cx) / rx);
    const double a1 = std::atan2((e.y - cy) / ry, (e.x - cx) / rx);
    // Counter-clockwise on the page (y down) is decreasing angle; equal
    // radials give the whole ellipse.
    double sweep = a0 - a1;
    while (sweep <= 1e-9)
        sweep += 2 * kPi;
    if (std::fabs(sweep - 2 * kPi) < 1e-9 || (s.x == e.x && s.y == e.y))
        sweep = 2 * kPi;
    std::vector<PathOp> path;
    AddArc(path, cx, cy, rx, ry, a0, -sweep, !dc->inPath || dc->path.empty());
    if (dc->inPath) {
        // In a path the arc joins the figure with a line.
        const PathOp& first = path.front();
        if (first.kind == PathOp::Curve) {
            dc->path.push_back(Op(PathOp::Line, cx + rx * std::cos(a0), cy + ry * std::sin(a0)));
        }
    }
    return Draw(dc, path, false);
}

BOOL BeginPath(HDC hdc)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc)
        return FALSE;
    dc->path.clear();
    dc->inPath = true;
    dc->pathReady = false;
    LogCall(dc, "BeginPath");
    return TRUE;
}

BOOL EndPath(HDC hdc)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc || !dc->inPath)
        return FALSE;
    dc->inPath = false;
    dc->pathReady = true;
    LogCall(dc, "EndPath");
    return TRUE;
}

namespace {

BOOL PaintOpenPath(HDC hdc, const char* call, bool fill, bool stroke)
{
    HDC__* dc = DrawingDC(hdc);
    if (!dc || !dc->pathReady)
        return FALSE;
    LogCall(dc, call);
    Fill f;
    Stroke s;
    if (fill) {
        f = BrushFill(dc);
        // A filled path is closed.
        for (size_t i = 1; i <= dc->path.size(); ++i)
            if (i == dc->path.size() || dc->path[i].kind == PathOp::Move) {
                if (dc->path[i - 1].kind != PathOp::Close)
                    dc->path.insert(dc->path.begin() + static_cast<long>(i), Op(PathOp::Close, 0, 0));
            }
    }
    if (stroke)
        s = PenStroke(dc);
    PaintPath(dc, dc->path, f, s, 0.5, dc->state.rop2);
    dc->path.clear();
    dc->pathReady = false;
    return TRUE;
}

} // namespace

BOOL FillPath(HDC hdc)
{
    return PaintOpenPath(hdc, "FillPath", true, false);
}

BOOL StrokePath(HDC hdc)
{
    return PaintOpenPath(hdc, "StrokePath", false, true);
}

BOOL StrokeAndFillPath(HDC hdc)
{
    return PaintOpenPath(hdc, "StrokeAndFillPath", true, true);
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    HDC__* dc = DrawingDC(hdc);
    const BrushObject* b = LookupBrush(brush);
    if (!dc || !rect || !b)
        return 0;
    kvrec::Entry* entry = LogShape(dc, "FillRect", {POINT {rect->left, rect->top}, POINT {rect->right, rect->bottom}});
    if (entry) {
        entry->brushStyle = b->style;
        entry->brushColour = b->colour;
        entry->brushStock = b->stockIndex;
    }
    if (b->style == BS_NULL)
        return 1;
    const RECT r = DeviceRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    NoteErase(dc, r);
    std::vector<PathOp> path;
    AddRect(path, r.left, r.top, r.right, r.bottom);
    Fill fill;
    fill.on = true;
    fill.colour = b->colour;
    fill.pattern = b->pattern;
    PaintPath(dc, path, fill, Stroke {}, 0, R2_COPYPEN);
    return 1;
}
