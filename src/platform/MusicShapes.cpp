#include "MusicShapes.h"

#include "FillRun.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace kvmusic {

namespace {

// Proportions after common engraving practice, in staff spaces.
constexpr double kStaffLine = 0.1;
constexpr double kThinBar = 0.19;
constexpr double kThickBar = 0.6;
constexpr double kBarGap = 0.3;
constexpr double kRepeatDot = 0.2;      // radius
constexpr double kAugmentationDot = 0.224;
constexpr double kFretLine = 0.08;
// Two drawers use the board. The chord symbol's takes the board's advance as
// its height, a row being a quarter of it, and spaces strings by 1.05/6 of
// it; the older fret text's has rows of 3/16 em and spaces strings by 20/110
// of the advance. An advance of four rows suits both rows; the strings follow
// the chord symbol's drawer (the older one's lie 0.1 further out at the last).
constexpr double kStringGap = 0.525;
constexpr double kFretRow = 0.75;       // three quarters of the em over four rows
constexpr int kStrings = 6;
constexpr int kFretRows = 4;

struct ShapeName {
    const char* name;
    Shape::Kind kind;
    int numbers;        // numeric arguments
    bool word;          // one word argument after them
};

const ShapeName kShapeNames[] = {
    {"vbar", Shape::Kind::VBar, 2, false},          // height, thickness
    {"hbar", Shape::Kind::HBar, 2, false},          // width, thickness
    {"stem-up", Shape::Kind::StemUp, 1, false},     // length
    {"stem-down", Shape::Kind::StemDown, 1, false},
    {"staff5", Shape::Kind::Staff5, 1, false},      // width
    {"staff1", Shape::Kind::Staff1, 1, false},
    {"barline", Shape::Kind::Barline, 0, true},     // variant
    {"brace-upper", Shape::Kind::BraceUpper, 1, false}, // height
    {"brace-lower", Shape::Kind::BraceLower, 1, false},
    {"slide", Shape::Kind::Slide, 2, true},         // width, height, rising|falling
    {"percent", Shape::Kind::Percent, 1, false},    // slashes
    {"colon", Shape::Kind::Colon, 0, false},
    {"dots2", Shape::Kind::Dots2, 0, false},
    {"fret-grid", Shape::Kind::FretGrid, 0, true},  // nut|plain
    {"fret-x", Shape::Kind::FretX, 0, false},
    {"fret-o", Shape::Kind::FretO, 0, false},
    {"fret-dot", Shape::Kind::FretDot, 0, false},
    {"barre", Shape::Kind::Barre, 1, false},        // strings spanned
    {"box", Shape::Kind::Box, 2, false},            // width, height
};

const char* const kBarlineVariants[] = {
    "thin", "repeat-start", "repeat-end", "thick-thin", "thin-thick", "double", "dashed",
};

bool WordFits(Shape::Kind kind, const std::string& word)
{
    switch (kind) {
    case Shape::Kind::Barline:
        for (const char* variant : kBarlineVariants) {
            if (word == variant) {
                return true;
            }
        }
        return false;
    case Shape::Kind::Slide:
        return word == "rising" || word == "falling";
    case Shape::Kind::FretGrid:
        return word == "nut" || word == "plain";
    default:
        return false;
    }
}

// The pieces of a bar line from its left edge: filled x ranges, and the x
// of the repeat dots' centre (negative when none).
struct BarPieces {
    struct Range {
        double left;
        double right;
    };
    std::vector<Range> bars;
    double dotsX = -1;
    double width = 0;
};

BarPieces Pieces(const std::string& variant)
{
    BarPieces p;
    auto add = [&p](double thickness) {
        double left = p.bars.empty() ? p.width : p.width + kBarGap;
        p.bars.push_back({left, left + thickness});
        p.width = left + thickness;
    };
    auto dots = [&p]() {
        double left = p.width > 0 ? p.width + kBarGap : 0;
        p.dotsX = left + kRepeatDot;
        p.width = left + 2 * kRepeatDot;
    };
    if (variant == "repeat-start") {
        add(kThickBar);
        add(kThinBar);
        dots();
    } else if (variant == "repeat-end") {
        dots();
        p.bars.push_back({p.width + kBarGap, p.width + kBarGap + kThinBar});
        p.width = p.bars.back().right;
        add(kThickBar);
    } else if (variant == "thick-thin") {
        add(kThickBar);
        add(kThinBar);
    } else if (variant == "thin-thick") {
        add(kThinBar);
        add(kThickBar);
    } else if (variant == "double") {
        add(kThinBar);
        add(kThinBar);
    } else {
        add(kThinBar);
    }
    return p;
}

double BraceWidth(double height)
{
    return 0.2 * height;
}

void Dot(cairo_t* cr, double x, double y, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, radius, 0, 2 * M_PI);
}

// Half a brace of the given height, as a filled crescent around an S-shaped
// centre line from the cusp (t = 0) to the tip (t = 1). The upper half has
// its cusp at the baseline and its tip at the top right; the lower half is
// its mirror image, cusp at the top, so that it joins below an upper half.
void Brace(cairo_t* cr, double height, bool upper)
{
    const double w = BraceWidth(height);
    auto centre = [&](double t, double* x, double* y) {
        // Two cubic pieces: cusp to waist, waist to tip.
        double px[4];
        double py[4];
        double u;
        if (t < 0.5) {
            const double ax[4] = {0, 0.55 * w, 0.45 * w, 0.5 * w};
            const double ay[4] = {0, -0.04 * height, -0.3 * height, -0.5 * height};
            std::copy(ax, ax + 4, px);
            std::copy(ay, ay + 4, py);
            u = t * 2;
        } else {
            const double ax[4] = {0.5 * w, 0.55 * w, 0.6 * w, w};
            const double ay[4] = {-0.5 * height, -0.7 * height, -0.96 * height, -height};
            std::copy(ax, ax + 4, px);
            std::copy(ay, ay + 4, py);
            u = t * 2 - 1;
        }
        double v = 1 - u;
        *x = v * v * v * px[0] + 3 * v * v * u * px[1] + 3 * v * u * u * px[2] + u * u * u * px[3];
        *y = v * v * v * py[0] + 3 * v * v * u * py[1] + 3 * v * u * u * py[2] + u * u * u * py[3];
    };
    const int steps = 64;
    const double maxHalf = 0.2 * w + 0.04;
    std::vector<double> xs;
    std::vector<double> ys;
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i <= steps; ++i) {
            int k = side == 0 ? i : steps - i;
            double t = static_cast<double>(k) / steps;
            double x;
            double y;
            centre(t, &x, &y);
            // Thickest in the middle of each half, pointed at cusp and tip.
            double half = maxHalf * std::pow(std::sin(M_PI * t), 0.8);
            double offset = side == 0 ? -half : half;
            xs.push_back(std::max(0.0, std::min(w, x + offset)));
            ys.push_back(y);
        }
    }
    for (size_t i = 0; i < xs.size(); ++i) {
        double y = upper ? ys[i] : -height - ys[i];
        if (i == 0) {
            cairo_move_to(cr, xs[i], y);
        } else {
            cairo_line_to(cr, xs[i], y);
        }
    }
    cairo_close_path(cr);
}

void Rect(cairo_t* cr, double left, double top, double right, double bottom)
{
    cairo_rectangle(cr, left, top, right - left, bottom - top);
}

// Lines and bars keep at least one device pixel, as GDI's pens do: on an
// aliased surface a thinner rectangle may cover no pixel centre at all.
double DevicePixelX(cairo_t* cr)
{
    double dx = 1;
    double dy = 0;
    cairo_device_to_user_distance(cr, &dx, &dy);
    return std::hypot(dx, dy);
}

double DevicePixelY(cairo_t* cr)
{
    double dx = 0;
    double dy = 1;
    cairo_device_to_user_distance(cr, &dx, &dy);
    return std::hypot(dx, dy);
}

// A horizontal line of thickness t centred on y.
void HLine(cairo_t* cr, double left, double right, double y, double t)
{
    t = std::max(t, DevicePixelY(cr));
    Rect(cr, left, y - t / 2, right, y + t / 2);
}

// A vertical bar from `left`, of width t, between top and bottom.
void VBar(cairo_t* cr, double left, double t, double top, double bottom)
{
    t = std::max(t, DevicePixelX(cr));
    Rect(cr, left, top, left + t, bottom);
}

} // namespace

bool ParseShape(const std::string& text, Shape* shape)
{
    std::istringstream in(text);
    std::string name;
    in >> name;
    for (const ShapeName& candidate : kShapeNames) {
        if (name != candidate.name) {
            continue;
        }
        Shape parsed;
        parsed.kind = candidate.kind;
        for (int i = 0; i < candidate.numbers; ++i) {
            std::string token;
            if (!(in >> token)) {
                return false;
            }
            char* end = nullptr;
            double value = std::strtod(token.c_str(), &end);
            if (end == token.c_str() || *end != '\0' || !(value > 0)) {
                return false;
            }
            parsed.numbers.push_back(value);
        }
        if (candidate.word && (!(in >> parsed.word) || !WordFits(parsed.kind, parsed.word))) {
            return false;
        }
        std::string extra;
        if (in >> extra) {
            return false;
        }
        *shape = parsed;
        return true;
    }
    return false;
}

double ShapeAdvance(const Shape& shape)
{
    const std::vector<double>& n = shape.numbers;
    switch (shape.kind) {
    case Shape::Kind::VBar:
        return n[1];
    case Shape::Kind::HBar:
    case Shape::Kind::Staff5:
    case Shape::Kind::Staff1:
    case Shape::Kind::Slide:
    case Shape::Kind::Box:
        return n[0];
    case Shape::Kind::StemUp:
    case Shape::Kind::StemDown:
        return kStemThickness;
    case Shape::Kind::Barline:
        return Pieces(shape.word).width;
    case Shape::Kind::BraceUpper:
    case Shape::Kind::BraceLower:
        return BraceWidth(n[0]);
    case Shape::Kind::Percent:
        return 1.65 + (n[0] - 1) * 0.55;
    case Shape::Kind::Colon:
        return 2 * kRepeatDot;
    case Shape::Kind::Dots2:
        return 2 * kAugmentationDot + 0.6;
    case Shape::Kind::FretGrid:
        return kFretRow * kFretRows;
    case Shape::Kind::FretX:
    case Shape::Kind::FretO:
    case Shape::Kind::FretDot:
        return 0.5;
    case Shape::Kind::Barre:
        return n[0] * kStringGap + 0.2;
    }
    return 0;
}

void DrawShape(cairo_t* cr, const Shape& shape)
{
    const std::vector<double>& n = shape.numbers;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    switch (shape.kind) {
    case Shape::Kind::VBar:
        VBar(cr, 0, n[1], -n[0], 0);
        break;
    case Shape::Kind::HBar:
        HLine(cr, 0, n[0], 0, n[1]);
        break;
    case Shape::Kind::StemUp:
        VBar(cr, 0, kStemThickness, -n[0], 0);
        break;
    case Shape::Kind::StemDown:
        VBar(cr, 0, kStemThickness, 0, n[0]);
        break;
    case Shape::Kind::Staff5:
    case Shape::Kind::Staff1: {
        int lines = shape.kind == Shape::Kind::Staff5 ? 5 : 1;
        for (int i = 0; i < lines; ++i) {
            HLine(cr, 0, n[0], -i, kStaffLine);
        }
        break;
    }
    case Shape::Kind::Barline: {
        BarPieces pieces = Pieces(shape.word);
        for (const BarPieces::Range& bar : pieces.bars) {
            if (shape.word == "dashed") {
                // A dash across the middle of each staff space.
                for (int space = 0; space < 4; ++space) {
                    VBar(cr, bar.left, bar.right - bar.left, -space - 0.8, -space - 0.2);
                }
            } else {
                VBar(cr, bar.left, bar.right - bar.left, -4, 0);
            }
        }
        if (pieces.dotsX >= 0) {
            Dot(cr, pieces.dotsX, -1.5, kRepeatDot);
            Dot(cr, pieces.dotsX, -2.5, kRepeatDot);
        }
        break;
    }
    case Shape::Kind::BraceUpper:
    case Shape::Kind::BraceLower:
        Brace(cr, n[0], shape.kind == Shape::Kind::BraceUpper);
        break;
    case Shape::Kind::Slide: {
        // A slanted stroke centred on the baseline, of vertical thickness 0.15.
        double w = n[0];
        double h = n[1];
        double start = shape.word == "rising" ? h / 2 : -h / 2;
        const double t = 0.075;
        cairo_move_to(cr, 0, start - t);
        cairo_line_to(cr, w, -start - t);
        cairo_line_to(cr, w, -start + t);
        cairo_line_to(cr, 0, start + t);
        cairo_close_path(cr);
        break;
    }
    case Shape::Kind::Percent: {
        int slashes = static_cast<int>(n[0]);
        for (int i = 0; i < slashes; ++i) {
            double x = i * 0.55;
            cairo_move_to(cr, x, 1);
            cairo_line_to(cr, x + 0.45, 1);
            cairo_line_to(cr, x + 1.65, -1);
            cairo_line_to(cr, x + 1.2, -1);
            cairo_close_path(cr);
        }
        double width = ShapeAdvance(shape);
        Dot(cr, 0.25, -0.75, kRepeatDot);
        Dot(cr, width - 0.25, 0.75, kRepeatDot);
        break;
    }
    case Shape::Kind::Colon:
        Dot(cr, kRepeatDot, -0.6, kRepeatDot);
        Dot(cr, kRepeatDot, -1.4, kRepeatDot);
        break;
    case Shape::Kind::Dots2:
        Dot(cr, kAugmentationDot, 0, kAugmentationDot);
        Dot(cr, kAugmentationDot + 0.6, 0, kAugmentationDot);
        break;
    case Shape::Kind::FretGrid: {
        const double half = kFretLine / 2;
        const double right = kStringGap * (kStrings - 1);
        const double top = -kFretRow * kFretRows;
        for (int s = 0; s < kStrings; ++s) {
            VBar(cr, s * kStringGap - half, kFretLine, top, half);
        }
        for (int r = 0; r <= kFretRows; ++r) {
            HLine(cr, -half, right + half, top + r * kFretRow, kFretLine);
        }
        if (shape.word == "nut") {
            Rect(cr, -half, top - 0.3, right + half, top);
        }
        break;
    }
    case Shape::Kind::FretX:
        cairo_set_line_width(cr, kFretLine);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, -0.2, -0.2);
        cairo_line_to(cr, 0.2, 0.2);
        cairo_move_to(cr, 0.2, -0.2);
        cairo_line_to(cr, -0.2, 0.2);
        cairo_stroke(cr);
        break;
    case Shape::Kind::FretO:
        cairo_set_line_width(cr, kFretLine);
        cairo_arc(cr, 0, 0, 0.18, 0, 2 * M_PI);
        cairo_stroke(cr);
        break;
    case Shape::Kind::FretDot:
        Dot(cr, 0, 0, 0.24);
        break;
    case Shape::Kind::Barre: {
        double length = n[0] * kStringGap;
        cairo_set_line_width(cr, 0.14);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, length / 3, -0.4, 2 * length / 3, -0.4, length, 0);
        cairo_stroke(cr);
        break;
    }
    case Shape::Kind::Box: {
        const double line = kStemThickness;
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        Rect(cr, 0, -n[1] / 2, n[0], n[1] / 2);
        Rect(cr, line, -n[1] / 2 + line, n[0] - line, n[1] / 2 - line);
        break;
    }
    }
    kvgdi::FillInk(cr);
    cairo_restore(cr);
}

} // namespace kvmusic
