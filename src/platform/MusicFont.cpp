#include "MusicFont.h"

#include "Fatal.h"
#include "FillRun.h"
#include "MusicGlyphMap.h"
#include "MusicShapes.h"
#include "ProcessState.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

namespace kvmusic {

namespace {

constexpr double kStaffSpacesPerEm = 4.0;
// Letters of text entries, in staff spaces at scale 1: a serif italic whose
// x-height sits near half the height of the Emmentaler digits beside it.
constexpr double kLetterSize = 2.2;
const char* const kLilypondRoot = "/usr/share/lilypond";

// ---- Emmentaler ------------------------------------------------------------

// A glyph outline in staff spaces, y downwards, origin at the glyph origin.
struct Outline {
    enum Op { Move, Line, Curve, Close };
    struct Step {
        Op op;
        double x[3];
        double y[3];
    };
    std::vector<Step> steps;
    double advance = 0;
};

// Version directories compare by their numeric parts ("2.24.1" < "2.25.0").
std::vector<long> VersionParts(const std::string& name)
{
    std::vector<long> parts;
    std::istringstream in(name);
    std::string part;
    while (std::getline(in, part, '.')) {
        parts.push_back(std::strtol(part.c_str(), nullptr, 10));
    }
    return parts;
}

std::string FindEmmentaler()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string best;
    std::vector<long> bestVersion;
    for (fs::directory_iterator it(kLilypondRoot, ec), end; !ec && it != end; it.increment(ec)) {
        fs::path candidate = it->path() / "fonts" / "otf" / "emmentaler-20.otf";
        if (!fs::is_regular_file(candidate, ec)) {
            continue;
        }
        std::vector<long> version = VersionParts(it->path().filename().string());
        if (best.empty() || version > bestVersion) {
            best = candidate.string();
            bestVersion = version;
        }
    }
    return best;
}

class Emmentaler {
public:
    Emmentaler()
    {
        m_path = FindEmmentaler();
        if (m_path.empty() || FT_Init_FreeType(&m_library) != 0) {
            m_path.clear();
            return;
        }
        if (FT_New_Face(m_library, m_path.c_str(), 0, &m_face) != 0 || m_face->units_per_EM == 0) {
            m_face = nullptr;
            m_path.clear();
            return;
        }
        m_unitsPerSpace = m_face->units_per_EM / kStaffSpacesPerEm;
    }

    ~Emmentaler()
    {
        if (m_face) {
            FT_Done_Face(m_face);
        }
        if (m_library) {
            FT_Done_FreeType(m_library);
        }
    }

    Emmentaler(const Emmentaler&) = delete;
    Emmentaler& operator=(const Emmentaler&) = delete;

    bool Loaded() const { return m_face != nullptr; }
    const std::string& Path() const { return m_path; }

    bool HasGlyph(const std::string& name) const
    {
        return m_face && FT_Get_Name_Index(m_face, name.c_str()) != 0;
    }

    // The outline of a glyph by name, loaded once.
    const Outline& Glyph(const std::string& name)
    {
        auto it = m_outlines.find(name);
        if (it != m_outlines.end()) {
            return it->second;
        }
        Outline& outline = m_outlines[name];
        if (!m_face) {
            return outline;
        }
        FT_UInt index = FT_Get_Name_Index(m_face, name.c_str());
        if (index == 0 || FT_Load_Glyph(m_face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) {
            return outline;
        }
        outline.advance = m_face->glyph->advance.x / m_unitsPerSpace;
        if (m_face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            Decompose(&m_face->glyph->outline, &outline);
        }
        return outline;
    }

private:
    struct Walker {
        Outline* outline;
        double scale;
        double lastX = 0;
        double lastY = 0;
        bool open = false;
    };

    static double X(const Walker* w, const FT_Vector* v) { return v->x / w->scale; }
    static double Y(const Walker* w, const FT_Vector* v) { return -v->y / w->scale; }

    static int MoveTo(const FT_Vector* to, void* user)
    {
        auto* w = static_cast<Walker*>(user);
        if (w->open) {
            w->outline->steps.push_back({Outline::Close, {}, {}});
        }
        w->lastX = X(w, to);
        w->lastY = Y(w, to);
        w->outline->steps.push_back({Outline::Move, {w->lastX}, {w->lastY}});
        w->open = true;
        return 0;
    }

    static int LineTo(const FT_Vector* to, void* user)
    {
        auto* w = static_cast<Walker*>(user);
        w->lastX = X(w, to);
        w->lastY = Y(w, to);
        w->outline->steps.push_back({Outline::Line, {w->lastX}, {w->lastY}});
        return 0;
    }

    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
    {
        // A quadratic piece raised to a cubic one.
        auto* w = static_cast<Walker*>(user);
        double cx = X(w, control);
        double cy = Y(w, control);
        double x = X(w, to);
        double y = Y(w, to);
        Outline::Step step {Outline::Curve,
            {w->lastX + 2.0 / 3.0 * (cx - w->lastX), x + 2.0 / 3.0 * (cx - x), x},
            {w->lastY + 2.0 / 3.0 * (cy - w->lastY), y + 2.0 / 3.0 * (cy - y), y}};
        w->outline->steps.push_back(step);
        w->lastX = x;
        w->lastY = y;
        return 0;
    }

    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
    {
        auto* w = static_cast<Walker*>(user);
        w->lastX = X(w, to);
        w->lastY = Y(w, to);
        w->outline->steps.push_back(
            {Outline::Curve, {X(w, c1), X(w, c2), w->lastX}, {Y(w, c1), Y(w, c2), w->lastY}});
        return 0;
    }

    void Decompose(FT_Outline* source, Outline* outline)
    {
        FT_Outline_Funcs funcs {};
        funcs.move_to = &MoveTo;
        funcs.line_to = &LineTo;
        funcs.conic_to = &ConicTo;
        funcs.cubic_to = &CubicTo;
        Walker walker {outline, m_unitsPerSpace};
        FT_Outline_Decompose(source, &funcs, &walker);
        if (walker.open) {
            outline->steps.push_back({Outline::Close, {}, {}});
        }
    }

    std::string m_path;
    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
    double m_unitsPerSpace = 250;
    std::map<std::string, Outline> m_outlines;
};

// One face per process, found and opened on first use.
Emmentaler& Font()
{
    static Emmentaler font;
    return font;
}

void AppendOutline(cairo_t* cr, const Outline& outline)
{
    for (const Outline::Step& step : outline.steps) {
        switch (step.op) {
        case Outline::Move:
            cairo_move_to(cr, step.x[0], step.y[0]);
            break;
        case Outline::Line:
            cairo_line_to(cr, step.x[0], step.y[0]);
            break;
        case Outline::Curve:
            cairo_curve_to(cr, step.x[0], step.y[0], step.x[1], step.y[1], step.x[2], step.y[2]);
            break;
        case Outline::Close:
            cairo_close_path(cr);
            break;
        }
    }
}

// ---- Text entries -----------------------------------------------------------

const char* const kDigitNames[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Unhinted outlines and metrics, so that a text entry measures the same on
// every surface and at every size.
void UseUnhintedText(cairo_t* cr)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    cairo_select_font_face(cr, "serif", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
}

// Advance of one letter of the text face, in staff spaces at scale 1.
double LetterAdvance(char c)
{
    static std::array<std::optional<double>, 256> cache;
    std::optional<double>& slot = cache[static_cast<unsigned char>(c)];
    if (!slot) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        cairo_t* cr = cairo_create(surface);
        UseUnhintedText(cr);
        cairo_set_font_size(cr, kLetterSize * 100);
        char text[2] = {c, '\0'};
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text, &extents);
        slot = extents.x_advance / 100;
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    return *slot;
}

double TextAdvance(const std::string& text)
{
    double advance = 0;
    for (char c : text) {
        advance += IsDigit(c) ? Font().Glyph(kDigitNames[c - '0']).advance : LetterAdvance(c);
    }
    return advance;
}

void DrawText(cairo_t* cr, const std::string& text)
{
    double pen = 0;
    UseUnhintedText(cr);
    cairo_set_font_size(cr, kLetterSize);
    for (char c : text) {
        if (IsDigit(c)) {
            const Outline& digit = Font().Glyph(kDigitNames[c - '0']);
            cairo_save(cr);
            cairo_translate(cr, pen, 0);
            AppendOutline(cr, digit);
            cairo_restore(cr);
            pen += digit.advance;
        } else {
            char letter[2] = {c, '\0'};
            cairo_move_to(cr, pen, 0);
            cairo_text_path(cr, letter);
            pen += LetterAdvance(c);
        }
    }
}

// ---- The map ------------------------------------------------------------------

// One piece of a glyph or seq entry: a glyph name or a stem
// ("stem-up:3.5"), with an optional scale ("*0.6") and an offset from the
// pen ("@dx,dy", in staff spaces before the entry's own scale).
struct Piece {
    std::string glyph;
    std::optional<Shape> stem;
    double scale = 1;
    double dx = 0;
    double dy = 0;
};

struct Entry {
    enum class Kind { Glyph, Text, Blank, Draw };
    int code = 0;
    std::string align;
    bool autoAdvance = false;
    double advance = 0;
    double dx = 0;
    double dy = 0;
    double scale = 1;
    Kind kind = Kind::Blank;
    std::vector<Piece> pieces;  // glyph and seq
    std::string text;
    Shape shape;
    bool valid = true;          // false when `what` did not parse: draws nothing
};

bool ParseNumber(const std::string& text, double* value)
{
    char* end = nullptr;
    double parsed = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParsePiece(std::string token, Piece* piece)
{
    size_t at = token.find('@');
    if (at != std::string::npos) {
        std::string offset = token.substr(at + 1);
        token.resize(at);
        size_t comma = offset.find(',');
        if (comma == std::string::npos || !ParseNumber(offset.substr(0, comma), &piece->dx)
            || !ParseNumber(offset.substr(comma + 1), &piece->dy)) {
            return false;
        }
    }
    // A '*' not followed by a number belongs to the name ("pedal.*").
    size_t star = token.rfind('*');
    if (star != std::string::npos && ParseNumber(token.substr(star + 1), &piece->scale)) {
        token.resize(star);
    }
    size_t colon = token.find(':');
    if (colon != std::string::npos) {
        Shape stem;
        std::string text = token.substr(0, colon) + " " + token.substr(colon + 1);
        if (!ParseShape(text, &stem) || (stem.kind != Shape::Kind::StemUp && stem.kind != Shape::Kind::StemDown)) {
            return false;
        }
        piece->stem = stem;
        return true;
    }
    piece->glyph = token;
    return !token.empty();
}

Entry MakeEntry(const GlyphMapRow& row)
{
    Entry e;
    e.code = row.code;
    e.align = row.align;
    e.autoAdvance = row.autoAdvance;
    e.advance = row.advance;
    e.dx = row.dx;
    e.dy = row.dy;
    e.scale = row.scale;
    e.valid = e.scale > 0;
    std::string kind = row.kind;
    std::string what = row.what;
    if (kind == "glyph" || kind == "seq") {
        e.kind = Entry::Kind::Glyph;
        std::istringstream in(what);
        std::string token;
        while (in >> token) {
            Piece piece;
            e.valid = ParsePiece(token, &piece) && piece.scale > 0 && e.valid;
            e.pieces.push_back(piece);
        }
        e.valid = e.valid && !e.pieces.empty() && (kind == "seq" || e.pieces.size() == 1);
    } else if (kind == "text") {
        e.kind = Entry::Kind::Text;
        e.text = what;
    } else if (kind == "draw") {
        e.kind = Entry::Kind::Draw;
        e.valid = e.valid && ParseShape(what, &e.shape);
    }
    return e;
}

struct GlyphMap {
    std::vector<Entry> entries;
    std::array<int, 256> byCode;    // index into entries, or -1
};

const GlyphMap& Map()
{
    static const GlyphMap map = [] {
        GlyphMap m;
        m.byCode.fill(-1);
        for (int i = 0; i < kGlyphMapRowCount; ++i) {
            const GlyphMapRow& row = kGlyphMapRows[i];
            if (row.code < 0 || row.code > 0xFF || m.byCode[row.code] >= 0) {
                KvFatal("glyph map: bad or repeated code %d on line %d", row.code, row.line);
            }
            m.byCode[row.code] = static_cast<int>(m.entries.size());
            m.entries.push_back(MakeEntry(row));
        }
        return m;
    }();
    return map;
}

const Entry* Find(int code)
{
    if (code < 0 || code > 0xFF) {
        return nullptr;
    }
    int index = Map().byCode[code];
    return index < 0 ? nullptr : &Map().entries[index];
}

double PieceAdvance(const Piece& piece)
{
    double own = piece.stem ? ShapeAdvance(*piece.stem) : Font().Glyph(piece.glyph).advance;
    return own * piece.scale;
}

// The entry's advance in staff spaces.
double EntryAdvance(const Entry& e)
{
    if (!e.autoAdvance) {
        return e.advance;
    }
    if (!e.valid) {
        return 0;
    }
    double own = 0;
    switch (e.kind) {
    case Entry::Kind::Glyph:
        for (const Piece& piece : e.pieces) {
            own += PieceAdvance(piece);
        }
        break;
    case Entry::Kind::Text:
        own = TextAdvance(e.text);
        break;
    case Entry::Kind::Draw:
        own = ShapeAdvance(e.shape);
        break;
    case Entry::Kind::Blank:
        break;
    }
    return own * e.scale;
}

// ---- Test metrics ---------------------------------------------------------------

std::optional<std::map<int, TestMetric>> g_testMetrics;

void ResetTestMetrics()
{
    g_testMetrics.reset();
}

KvProcessReset s_reset("music test metrics", &ResetTestMetrics);

// The test metric of a code: the table's, else the default. Under test
// metrics every code of the font is a box, mapped or not.
std::optional<TestMetric> TestMetricOf(int code)
{
    if (code < 0 || code > 0xFF)
        return std::nullopt;
    auto it = g_testMetrics->find(code);
    if (it != g_testMetrics->end())
        return it->second;
    return TestMetric {};
}

} // namespace

int FoldUnit(char16_t unit)
{
    // 0x100 + b is the one-glyph form of b, and 0xF1-0xF9 stand for
    // themselves. ANSI bytes reach here raised to 0x100 + b by the text side.
    if (unit >= 0x100 && unit < 0x200)
        return unit & 0xFF;
    if (unit >= 0xF1 && unit <= 0xF9)
        return unit;
    return -1;
}

bool HasEntry(int code)
{
    return Find(code) != nullptr;
}

std::vector<int> MappedCodes()
{
    std::vector<int> codes;
    for (int code = 0; code <= 0xFF; ++code) {
        if (Find(code)) {
            codes.push_back(code);
        }
    }
    return codes;
}

std::string DeclaredAlignments(int code)
{
    const Entry* e = Find(code);
    return e ? e->align : std::string();
}

bool Available()
{
    return Font().Loaded();
}

std::string EmmentalerPath()
{
    return Font().Path();
}

double Advance(int code, double em)
{
    if (g_testMetrics) {
        std::optional<TestMetric> metric = TestMetricOf(code);
        return metric ? metric->advance * em / 32 : 0;
    }
    const Entry* e = Find(code);
    return e ? EntryAdvance(*e) * em / kStaffSpacesPerEm : 0;
}

double CellAscent(double em)
{
    return 1.5 * em;
}

double CellDescent(double em)
{
    return em;
}

void Render(cairo_t* cr, int code, double em, double x, double y)
{
    if (g_testMetrics) {
        std::optional<TestMetric> metric = TestMetricOf(code);
        if (!metric) {
            return;
        }
        double unit = em / 32;
        cairo_save(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, x, y - metric->ascent * unit, metric->advance * unit,
                        (metric->ascent + metric->descent) * unit);
        kvgdi::FillInk(cr);
        cairo_restore(cr);
        return;
    }
    const Entry* e = Find(code);
    // A zero scale would leave the caller's context in an error state for
    // good, so degenerate sizes draw nothing.
    if (!e || !e->valid || e->kind == Entry::Kind::Blank || !(em > 0)) {
        return;
    }
    const double space = em / kStaffSpacesPerEm;
    // Leave the caller's path as it was: drawing replaces it for a moment.
    cairo_path_t* callerPath = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_translate(cr, x + e->dx * space, y + e->dy * space);
    cairo_scale(cr, space * e->scale, space * e->scale);
    switch (e->kind) {
    case Entry::Kind::Glyph: {
        double pen = 0;
        for (const Piece& piece : e->pieces) {
            cairo_save(cr);
            cairo_translate(cr, pen + piece.dx, piece.dy);
            cairo_scale(cr, piece.scale, piece.scale);
            if (piece.stem) {
                DrawShape(cr, *piece.stem);
            } else {
                AppendOutline(cr, Font().Glyph(piece.glyph));
                kvgdi::FillInk(cr);
            }
            cairo_restore(cr);
            pen += PieceAdvance(piece);
        }
        break;
    }
    case Entry::Kind::Text:
        DrawText(cr, e->text);
        kvgdi::FillInk(cr);
        break;
    case Entry::Kind::Draw:
        DrawShape(cr, e->shape);
        break;
    case Entry::Kind::Blank:
        break;
    }
    cairo_restore(cr);
    cairo_new_path(cr);
    if (callerPath) {
        if (callerPath->status == CAIRO_STATUS_SUCCESS) {
            cairo_append_path(cr, callerPath);
        }
        cairo_path_destroy(callerPath);
    }
}

std::vector<std::string> MissingGlyphNames()
{
    std::vector<std::string> missing;
    for (const Entry& e : Map().entries) {
        for (const Piece& piece : e.pieces) {
            if (!piece.stem && !Font().HasGlyph(piece.glyph)
                && std::find(missing.begin(), missing.end(), piece.glyph) == missing.end()) {
                missing.push_back(piece.glyph);
            }
        }
    }
    return missing;
}

void UseTestMetrics(const std::map<int, TestMetric>* table)
{
    if (table) {
        g_testMetrics = *table;
    } else {
        g_testMetrics.reset();
    }
}

bool TestMetricsActive()
{
    return g_testMetrics.has_value();
}

} // namespace kvmusic
