#include "MusicFont.h"

#include "ProcessState.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

struct Table {
    const char* name;
    std::vector<int> codes;
};

// The glyph tables of the score renderer, value for value (zeros, the
// letters of chordRoot and the numbers of nTuplRest left out).
const std::vector<Table> kTables = {
    {"codeNote", {0xd6, 0xd7, 0xc4, 0x89, 0x92, 0x93, 0x94, 0x95, 0x96, 0xee}},
    {"codeStdHead", {0xd6, 0xd7, 0xd8, 0xd9}},
    {"codeBoxHead", {0xe5, 0xe4}},
    {"codeCrossHead", {0xdb, 0xdd}},
    {"codeSlashHead", {0xdc}},
    {"codeDrumHead", {0xdb, 0xdc, 0xdd, 0xde, 0xdf, 0xe0, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
                      0xe9, 0xea, 0xeb, 0xec, 0xed, 0x4c, 0x21}},
    {"codeCustomHead", {0xdb, 0xe0, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xeb, 0xec,
                        0xed, 0x21}},
    {"codeRest", {0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xbb}},
    {"codeRestSlash", {0xda}},
    {"codeUpTail", {0xbf, 0xc0, 0xc1, 0xc2, 0xc3}},
    {"codeDownTail", {0xc5, 0xc6, 0xc7, 0xc8, 0xc9}},
    {"stems", {0xcc, 0xce, 0xcf, 0xcd, 0x72}},
    {"codeShortLine", {0xca}},
    {"codeDot, codeDblDot", {0xa7, 0xcb}},
    {"codeAcci", {0xa9, 0xaa, 0xab, 0xac, 0xad}},
    {"chordAcci", {0xa9, 0xaa, 0xab}},
    {"codeGraceAdd", {0xbd, 0xbe, 0x20}},
    {"codeTuplet", {0x7f, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88}},
    {"codeTupletDoubleDot", {0x7e}},
    {"codeTime", {0x30, 0x3b, 0x3a, 0x2b}},
    {"codeSmallDigit", {0xd0, 0xd1, 0xd2, 0xd3, 0xd4, 0xd5}},
    {"codeBarLine", {0x3e, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45}},
    {"code5Line, codeOneLine", {0x3d, 0x3c}},
    {"codeLongRestBar", {0x2d}},
    {"codeParenthLeft, codeParenthRight", {0x28, 0x29}},
    {"codeBracket", {0x3f, 0x46, 0x47, 0x3e, 0xcb}},
    {"codeBrace", {0x49, 0x48}},
    {"codeTrill", {0x7a, 0x77}},
    {"codeMinus", {0x2c}},
    {"codeRollV", {0x7b}},
    {"codeCoda", {0xff, 0x8e, 0x8b, 0x4d}},
    {"codeBreath, codeCesura, codeFlowerMark", {0x6d, 0x6a, 0x6c}},
    {"codeSlid", {0x66, 0x67, 0x68, 0x69}},
    {"codeCircleUp, codeCircleDown, codeBigCircleDown", {0x2f, 0x2e, 0x27}},
    {"codePedal", {0x8c, 0x8d, 0x6b}},
    {"codeMeasRepeat, codeMeasOneRepeat", {0x8f, 0x90}},
    {"codeBoard", {0x98, 0x97}},
    {"codeFr", {0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6}},
    {"codeArc", {0x9c, 0x9d, 0x9e, 0x9f, 0xa0}},
    {"codeOX", {0x99, 0x9a, 0x9b}},
    {"CodeDyn", {0xf0, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf9, 0xfa, 0xfb, 0xfc, 0xfd, 0xfe, 0xff, 0xf8}},
    {"ClefTB", {0x26, 0x24, 0x25, 0x23, 0x87}},
    {"MarkTB", {0x5d, 0x5e, 0x5f, 0x60, 0x61, 0x62, 0x56, 0x57, 0x58, 0x59, 0x5c, 0x65, 0x55, 0x4e, 0x4c, 0x2c,
                0x5a, 0x5b, 0x51, 0x52, 0x50, 0x4f, 0x54, 0x53, 0x73, 0x75, 0x74, 0x76, 0x63, 0x64, 0x7d, 0x7c,
                0x77, 0x79, 0x78, 0x68, 0x70, 0x6f, 0x71, 0x7a, 0xd0, 0xd1, 0xd2, 0xd3, 0xd4, 0xd5, 0x4b, 0x4a,
                0xa9, 0xaa, 0xab}},
    {"digits", {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39}},
};

// Codes that only take room.
bool IsBlank(int code)
{
    return code == 0x20;
}

std::string Hex(int code)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

// An A8 surface: one coverage byte per pixel, so ink is any non-zero byte.
class Coverage {
public:
    Coverage(int width, int height)
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height))
    {
    }
    ~Coverage() { cairo_surface_destroy(m_surface); }
    Coverage(const Coverage&) = delete;
    Coverage& operator=(const Coverage&) = delete;

    void Draw(int code, double em, double x, double y, cairo_antialias_t antialias)
    {
        cairo_t* cr = cairo_create(m_surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_antialias(cr, antialias);
        cairo_set_source_rgb(cr, 0, 0, 0);
        kvmusic::Render(cr, code, em, x, y);
        cairo_destroy(cr);
        cairo_surface_flush(m_surface);
    }

    // The inked pixels' bounding box; false when nothing is inked.
    bool InkBox(int* left, int* top, int* right, int* bottom) const
    {
        const unsigned char* data = cairo_image_surface_get_data(m_surface);
        int stride = cairo_image_surface_get_stride(m_surface);
        int width = cairo_image_surface_get_width(m_surface);
        int height = cairo_image_surface_get_height(m_surface);
        bool any = false;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (data[y * stride + x] == 0) {
                    continue;
                }
                if (!any) {
                    *left = *right = x;
                    *top = *bottom = y;
                    any = true;
                }
                *left = std::min(*left, x);
                *right = std::max(*right, x);
                *top = std::min(*top, y);
                *bottom = std::max(*bottom, y);
            }
        }
        return any;
    }

private:
    cairo_surface_t* m_surface;
};

int NonWhitePixels(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    int count = 0;
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            count += (row[x] & 0x00FFFFFF) != 0x00FFFFFF;
        }
    }
    return count;
}

void PaintWhite(cairo_t* cr)
{
    cairo_save(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_restore(cr);
}

class MusicFontTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProcessState(); }
    void TearDown() override { ResetProcessState(); }
};

TEST_F(MusicFontTest, EveryTableCodeHasAnEntry)
{
    for (const Table& table : kTables) {
        for (int code : table.codes) {
            EXPECT_TRUE(kvmusic::HasEntry(code)) << table.name << " code " << Hex(code);
        }
    }
    std::vector<int> mapped = kvmusic::MappedCodes();
    EXPECT_TRUE(std::is_sorted(mapped.begin(), mapped.end()));
    for (int code : mapped) {
        std::string align = kvmusic::DeclaredAlignments(code);
        EXPECT_TRUE(align == "L" || align == "R" || align == "LR") << Hex(code) << " " << align;
    }
    // Codes of no table have no entry.
    EXPECT_FALSE(kvmusic::HasEntry(0x22));
    EXPECT_EQ(kvmusic::DeclaredAlignments(0x22), "");
}

TEST_F(MusicFontTest, EmmentalerProvidesEveryGlyphName)
{
    ASSERT_TRUE(kvmusic::Available());
    std::string path = kvmusic::EmmentalerPath();
    EXPECT_EQ(std::filesystem::path(path).filename(), "emmentaler-20.otf");
    EXPECT_TRUE(std::filesystem::exists(path));
    std::vector<std::string> missing = kvmusic::MissingGlyphNames();
    std::string list;
    for (const std::string& name : missing) {
        list += name + " ";
    }
    EXPECT_TRUE(missing.empty()) << list;
}

TEST_F(MusicFontTest, EveryEntryDrawsInkAndBlanksDrawNone)
{
    ASSERT_TRUE(kvmusic::Available());
    const double em = 48;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 16 * 48, 16 * 48);
    cairo_t* cr = cairo_create(surface);
    for (int code : kvmusic::MappedCodes()) {
        PaintWhite(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        kvmusic::Render(cr, code, em, 8 * 48, 8 * 48);
        int ink = NonWhitePixels(surface);
        if (IsBlank(code)) {
            EXPECT_EQ(ink, 0) << Hex(code);
            EXPECT_GT(kvmusic::Advance(code, em), 0) << Hex(code);
        } else {
            EXPECT_GT(ink, 0) << Hex(code);
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

// Coloured output draws a glyph at (cx, cy) in a memory DC and copies only
// the 2cx x 2cy around that point, cx being the advance and cy the cell
// height in whole pixels. So, under every alignment the drawers use, ink
// outside that window would be lost in colour but drawn in black.
TEST_F(MusicFontTest, InkStaysInsideTheColouredOutputWindow)
{
    ASSERT_TRUE(kvmusic::Available());
    for (double em : {48.0, 32.0, 37.0}) {
        // Ten em square, origin in the middle: ink reaching the border may
        // go further, which counts as escaping.
        const int size = static_cast<int>(10 * em);
        const int origin = size / 2;
        Coverage coverage(size, size);
        const int cy = static_cast<int>(std::lround(kvmusic::CellAscent(em) + kvmusic::CellDescent(em)));
        for (int code : kvmusic::MappedCodes()) {
            if (IsBlank(code)) {
                continue;
            }
            const int cx = static_cast<int>(std::lround(kvmusic::Advance(code, em)));
            coverage.Draw(code, em, origin, origin, CAIRO_ANTIALIAS_NONE);
            int left, top, right, bottom;
            ASSERT_TRUE(coverage.InkBox(&left, &top, &right, &bottom)) << Hex(code) << " at em " << em;
            left -= origin;
            right -= origin;
            top -= origin;
            bottom -= origin;
            ASSERT_GT(top, -origin) << Hex(code);
            ASSERT_LT(bottom, size - 1 - origin) << Hex(code);
            for (char alignment : kvmusic::DeclaredAlignments(code)) {
                // Left alignment puts the origin at the reference point,
                // right alignment cx left of it.
                int shift = alignment == 'R' ? cx : 0;
                std::string where = Hex(code) + " " + alignment + " at em " + std::to_string(em) + ": ink x " +
                                    std::to_string(left) + ".." + std::to_string(right) + ", advance " +
                                    std::to_string(cx);
                EXPECT_GE(left - shift, -cx) << where;
                EXPECT_LT(right - shift, cx) << where;
                EXPECT_GE(top, -cy) << where;
                EXPECT_LT(bottom, cy) << where;
            }
        }
    }
}

// Placement the drawers rely on, at em 48 (12 pixels a staff space).
TEST_F(MusicFontTest, ReferencePoints)
{
    ASSERT_TRUE(kvmusic::Available());
    const double em = 48;
    const int origin = 240;
    Coverage coverage(480, 480);
    auto box = [&](int code, int* left, int* top, int* right, int* bottom) {
        coverage.Draw(code, em, origin, origin, CAIRO_ANTIALIAS_NONE);
        ASSERT_TRUE(coverage.InkBox(left, top, right, bottom)) << Hex(code);
        *left -= origin;
        *right -= origin;
        *top -= origin;
        *bottom -= origin;
    };
    int l, t, r, b;
    // Heads are centred on the baseline.
    for (int code : {0xd7, 0xd8, 0xd9}) {
        box(code, &l, &t, &r, &b);
        // Rows above the baseline (t..-1) against rows below (0..b).
        EXPECT_NEAR(-t, b + 1, 1) << Hex(code);
        EXPECT_EQ(l, 0) << Hex(code);
    }
    // Stems reach 3.5 staff spaces up and down; their advance is their
    // thickness.
    box(0xcc, &l, &t, &r, &b);
    EXPECT_EQ(t, -42);
    EXPECT_EQ(b, -1);
    EXPECT_NEAR(kvmusic::Advance(0xcc, em), r - l + 1, 1);
    box(0xce, &l, &t, &r, &b);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(b, 41);
    // Flags start 3.5 staff spaces from the head.
    box(0xbf, &l, &t, &r, &b);
    EXPECT_EQ(t, -42);
    box(0xc5, &l, &t, &r, &b);
    EXPECT_EQ(b, 41);
    // Time digits and the two time-signature symbols fill about the two
    // staff spaces above the baseline.
    for (int code : {0x30, 0x34, 0x38, 0x3a, 0x3b}) {
        box(code, &l, &t, &r, &b);
        EXPECT_NEAR((t + b) / 2.0, -12, 2) << Hex(code);
        EXPECT_LE(t, -23) << Hex(code);
    }
    // The staff piece: bottom line on the baseline, top line an em up.
    box(0x3d, &l, &t, &r, &b);
    EXPECT_NEAR(t, -48, 1);
    EXPECT_NEAR(b, 0, 1);
    // The thick bar covers [y - 1 em, y].
    box(0x3f, &l, &t, &r, &b);
    EXPECT_EQ(t, -48);
    EXPECT_EQ(b, -1);
    // The whole rest hangs half a staff space above the baseline.
    box(0xb4, &l, &t, &r, &b);
    EXPECT_NEAR(t, -6, 1);
    EXPECT_EQ(b, -1);
}

TEST_F(MusicFontTest, CodeUnitsFoldOntoGlyphCodes)
{
    EXPECT_EQ(kvmusic::FoldUnit(0x145), 0x45);
    EXPECT_EQ(kvmusic::FoldUnit(0x1D9), 0xD9);
    EXPECT_EQ(kvmusic::FoldUnit(0x100), 0x00);
    EXPECT_EQ(kvmusic::FoldUnit(0x1FF), 0xFF);
    EXPECT_EQ(kvmusic::FoldUnit(0xF3), 0xF3);
    EXPECT_EQ(kvmusic::FoldUnit(0xF1), 0xF1);
    EXPECT_EQ(kvmusic::FoldUnit(0x31), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0x41), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0xF0), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0xFA), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0x200), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0x2010), -1);
    EXPECT_EQ(kvmusic::FoldUnit(0xFFFF), -1);
    // The one-glyph unit and the raised byte reach the same entry, so they
    // measure the same.
    for (int code : kvmusic::MappedCodes()) {
        const char16_t wide = (code >= 0xF1 && code <= 0xF9) ? code : 0x100 + code;
        EXPECT_EQ(kvmusic::FoldUnit(wide), code);
        EXPECT_EQ(kvmusic::FoldUnit(static_cast<char16_t>(0x100 + code)), code);
    }
}

TEST_F(MusicFontTest, CodesWithoutEntryMeasureAndDrawNothing)
{
    const double em = 48;
    for (int code : {0x22, 0x00, -1, 0x100, 1000}) {
        EXPECT_FALSE(kvmusic::HasEntry(code)) << code;
        EXPECT_EQ(kvmusic::Advance(code, em), 0) << code;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 200);
    cairo_t* cr = cairo_create(surface);
    PaintWhite(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    kvmusic::Render(cr, 0x22, em, 100, 100);
    kvmusic::Render(cr, -1, em, 100, 100);
    kvmusic::Render(cr, 0x20, em, 100, 100);
    // A degenerate size draws nothing and leaves the context usable.
    kvmusic::Render(cr, 0xd9, 0, 100, 100);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(NonWhitePixels(surface), 0);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST_F(MusicFontTest, SizesFollowTheEm)
{
    EXPECT_EQ(kvmusic::CellAscent(32), 48);
    EXPECT_EQ(kvmusic::CellDescent(32), 32);
    for (int code : kvmusic::MappedCodes()) {
        EXPECT_NEAR(kvmusic::Advance(code, 64), 2 * kvmusic::Advance(code, 32), 1e-9) << Hex(code);
    }
}

TEST_F(MusicFontTest, RenderLeavesTheCallersPathAlone)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 100, 100);
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, 10, 10, 20, 20);
    kvmusic::Render(cr, 0xd9, 48, 50, 50);
    double x1, y1, x2, y2;
    cairo_path_extents(cr, &x1, &y1, &x2, &y2);
    EXPECT_EQ(x1, 10);
    EXPECT_EQ(y1, 10);
    EXPECT_EQ(x2, 30);
    EXPECT_EQ(y2, 30);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

TEST_F(MusicFontTest, TestMetricsGiveExactBoxes)
{
    EXPECT_FALSE(kvmusic::TestMetricsActive());
    {
        std::map<int, kvmusic::TestMetric> table;
        table[0xD9] = {10, 20, 6};
        kvmusic::UseTestMetrics(&table);
    }
    // The table is kept after the caller's copy is gone.
    ASSERT_TRUE(kvmusic::TestMetricsActive());
    EXPECT_EQ(kvmusic::Advance(0xD9, 32), 10);
    EXPECT_EQ(kvmusic::Advance(0xD9, 16), 5);
    // Codes the table omits: 10/32 of the em, mapped or not; nothing outside
    // the font's codes.
    EXPECT_EQ(kvmusic::Advance(0xD8, 32), 10);
    EXPECT_EQ(kvmusic::Advance(0x22, 32), 10);
    EXPECT_EQ(kvmusic::Advance(0x100, 32), 0);
    EXPECT_EQ(kvmusic::CellAscent(32) + kvmusic::CellDescent(32), 80);

    Coverage coverage(100, 100);
    int l, t, r, b;
    coverage.Draw(0xD9, 32, 40, 50, CAIRO_ANTIALIAS_DEFAULT);
    ASSERT_TRUE(coverage.InkBox(&l, &t, &r, &b));
    EXPECT_EQ(l, 40);
    EXPECT_EQ(r, 49);
    EXPECT_EQ(t, 30);
    EXPECT_EQ(b, 55);
    coverage.Draw(0xD8, 32, 40, 50, CAIRO_ANTIALIAS_DEFAULT);
    ASSERT_TRUE(coverage.InkBox(&l, &t, &r, &b));
    EXPECT_EQ(l, 40);
    EXPECT_EQ(r, 49);
    EXPECT_EQ(t, 34);
    EXPECT_EQ(b, 65);
    coverage.Draw(0x22, 32, 40, 50, CAIRO_ANTIALIAS_DEFAULT);
    ASSERT_TRUE(coverage.InkBox(&l, &t, &r, &b));
    EXPECT_EQ(r, 49);

    kvmusic::UseTestMetrics(nullptr);
    EXPECT_FALSE(kvmusic::TestMetricsActive());
}

TEST_F(MusicFontTest, ProcessResetSwitchesTestMetricsOff)
{
    std::map<int, kvmusic::TestMetric> table;
    kvmusic::UseTestMetrics(&table);
    ASSERT_TRUE(kvmusic::TestMetricsActive());
    ResetProcessState();
    EXPECT_FALSE(kvmusic::TestMetricsActive());
}

// The sheet of every code, 16 x 16 cells at em 48, for people to look at:
// each cell shows its code, the baseline and the origin.
TEST_F(MusicFontTest, WritesTheGlyphSheet)
{
    ASSERT_TRUE(kvmusic::Available());
    const double em = 48;
    const int cellWidth = 120;
    const int cellHeight = 168;
    const int originX = 30;
    const int baseline = 110;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 16 * cellWidth, 16 * cellHeight);
    cairo_t* cr = cairo_create(surface);
    PaintWhite(cr);
    cairo_select_font_face(cr, "sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    for (int code = 0; code < 256; ++code) {
        double left = (code % 16) * cellWidth;
        double top = (code / 16) * cellHeight;
        cairo_set_line_width(cr, 1);
        cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_rectangle(cr, left + 0.5, top + 0.5, cellWidth - 1, cellHeight - 1);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.6, 0.8, 1.0);
        cairo_move_to(cr, left + 1, top + baseline + 0.5);
        cairo_line_to(cr, left + cellWidth - 1, top + baseline + 0.5);
        cairo_move_to(cr, left + originX + 0.5, top + baseline - 6);
        cairo_line_to(cr, left + originX + 0.5, top + baseline + 6);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, kvmusic::HasEntry(code) ? 0.1 : 0.7, 0.1, 0.1);
        cairo_move_to(cr, left + 4, top + 14);
        cairo_show_text(cr, Hex(code).c_str());
        if (kvmusic::HasEntry(code)) {
            // The advance, as a tick under the baseline.
            cairo_set_source_rgb(cr, 1.0, 0.6, 0.2);
            double advance = kvmusic::Advance(code, em);
            cairo_rectangle(cr, left + originX, top + cellHeight - 8, advance, 3);
            cairo_fill(cr);
            cairo_set_source_rgb(cr, 0, 0, 0);
            kvmusic::Render(cr, code, em, left + originX, top + baseline);
        }
    }
    cairo_destroy(cr);
    std::filesystem::path path = std::filesystem::path(KV_BUILD_DIR) / "glyph-sheet.png";
    std::filesystem::remove(path);
    ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

} // namespace
