// Face matching and realised fonts: FreeType faces drawn through cairo-ft,
// and the stand-in music font drawn through the glyph map.

#include "FontInternal.h"

#include "CodePage.h"
#include "MusicFont.h"
#include "ProcessState.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <unordered_map>

namespace kvfont {

RealizedFont::~RealizedFont() = default;

int RealizedFont::TextWidth(const std::u16string& units) const
{
    int width = 0;
    for (char16_t unit : units)
        width += Advance(unit);
    return width;
}

std::vector<int> RealizedFont::MusicCodes(const std::u16string&) const
{
    return {};
}

namespace detail {

namespace {

// Heights beyond this many device pixels are clamped: nothing sensible is
// that tall, and the metrics arithmetic stays far from overflow.
constexpr double kMaxDeviceHeight = 100000;
constexpr BYTE TMPF_FIXED_PITCH = 0x01; // set for variable pitch, as in GDI
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;

struct CharsetCodePage {
    BYTE charset;
    UINT codePage;
};

constexpr CharsetCodePage kCodePages[] = {
    {ANSI_CHARSET, 1252},
    {SHIFTJIS_CHARSET, 932},
    {HANGUL_CHARSET, 949},
    {GB2312_CHARSET, 936},
    {CHINESEBIG5_CHARSET, 950},
    {GREEK_CHARSET, 1253},
    {TURKISH_CHARSET, 1254},
    {VIETNAMESE_CHARSET, 1258},
    {HEBREW_CHARSET, 1255},
    {ARABIC_CHARSET, 1256},
    {BALTIC_CHARSET, 1257},
    {RUSSIAN_CHARSET, 1251},
    {THAI_CHARSET, 874},
    {EASTEUROPE_CHARSET, 1250},
};

void ApplyTextTransform(cairo_t* cr, double x, double y, LONG escapement, double xStretch)
{
    cairo_translate(cr, x, y);
    // Escapement turns counter-clockwise on the page, whose y runs down.
    if (escapement != 0)
        cairo_rotate(cr, -escapement * M_PI / 1800.0);
    cairo_scale(cr, xStretch, 1.0);
}

} // namespace

double EmOfHeight(LONG deviceHeight, double cellPerEm)
{
    const double height = std::min(std::fabs(double(deviceHeight)), kMaxDeviceHeight);
    if (deviceHeight < 0)
        return height;
    if (deviceHeight > 0)
        return height / cellPerEm;
    return 16.0;
}

BYTE TextMetricPitch(BYTE pitchAndFamily)
{
    const bool fixed = (pitchAndFamily & 0x03) == FIXED_PITCH;
    return BYTE((pitchAndFamily & 0xF0) | TMPF_VECTOR | TMPF_TRUETYPE | (fixed ? 0 : TMPF_FIXED_PITCH));
}

void FillCommonMetrics(TEXTMETRICA& tm, const LOGFONTA& logFont, BYTE defaultChar)
{
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = defaultChar;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = logFont.lfItalic ? 1 : 0;
    tm.tmUnderlined = logFont.lfUnderline ? 1 : 0;
    tm.tmStruckOut = logFont.lfStrikeOut ? 1 : 0;
}

void DrawDecorations(cairo_t* cr, const TextDecoration& decoration, double width)
{
    if (width <= 0 || (!decoration.underline && !decoration.strikeOut))
        return;
    if (decoration.underline)
        cairo_rectangle(cr, 0, decoration.underlineTop, width, decoration.underlineSize);
    if (decoration.strikeOut)
        cairo_rectangle(cr, 0, decoration.strikeTop, width, decoration.strikeSize);
    cairo_fill(cr);
}

UINT CodePageOfCharset(BYTE charset)
{
    if (charset == SYMBOL_CHARSET)
        return 0;
    for (const CharsetCodePage& entry : kCodePages) {
        if (entry.charset == charset)
            return entry.codePage;
    }
    // DEFAULT_CHARSET, and sets without a code page of their own, take the
    // ANSI code page.
    return GetACP();
}

BYTE CharsetOfAnsiCodePage()
{
    const UINT codePage = GetACP();
    for (const CharsetCodePage& entry : kCodePages) {
        if (entry.codePage == codePage)
            return entry.charset;
    }
    return ANSI_CHARSET;
}

std::u16string DecodeByCharset(BYTE charset, const char* bytes, int count)
{
    if (bytes == nullptr || count <= 0)
        return {};
    const UINT codePage = CodePageOfCharset(charset);
    if (codePage == 0) {
        std::u16string units(size_t(count), u'\0');
        for (int i = 0; i < count; ++i)
            units[size_t(i)] = char16_t(static_cast<unsigned char>(bytes[i]));
        return units;
    }
    const int needed = MultiByteToWideChar(codePage, 0, bytes, count, nullptr, 0);
    if (needed <= 0)
        return {};
    std::u16string units(size_t(needed), u'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes, count, units.data(), needed);
    units.resize(size_t(std::max(written, 0)));
    return units;
}

namespace {

// An open FreeType face with its cairo font face. The cairo face owns the
// FreeType face and closes it when cairo lets go of it.
struct LoadedFace {
    FT_Face ft = nullptr;
    cairo_font_face_t* cairoFace = nullptr;
    FaceTraits traits;

    LoadedFace() = default;
    LoadedFace(const LoadedFace&) = delete;
    LoadedFace& operator=(const LoadedFace&) = delete;
    ~LoadedFace()
    {
        if (cairoFace != nullptr)
            cairo_font_face_destroy(cairoFace);
    }
};

void CloseFreeTypeFace(void* face)
{
    FT_Done_Face(static_cast<FT_Face>(face));
}

// Each synthesis gets its own FreeType face: cairo shares its font faces per
// FreeType face, and the synthesis flags are a property of the cairo face.
std::shared_ptr<LoadedFace> LoadFace(const std::string& file, int index, unsigned synthesis)
{
    FT_Face ft = nullptr;
    if (FT_New_Face(FreeTypeLibrary(), file.c_str(), index, &ft) != 0)
        return nullptr;
    auto face = std::make_shared<LoadedFace>();
    face->traits = ClassifyFace(ft, false);
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(ft, 0);
    static const cairo_user_data_key_t kOwnerKey {};
    if (cairo_font_face_status(cairoFace) != CAIRO_STATUS_SUCCESS
        || cairo_font_face_set_user_data(cairoFace, &kOwnerKey, ft, &CloseFreeTypeFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cairoFace);
        FT_Done_Face(ft);
        return nullptr;
    }
    if (synthesis != 0)
        cairo_ft_font_face_set_synthesize(cairoFace, synthesis);
    face->ft = ft;
    face->cairoFace = cairoFace;
    return face;
}

class FreeTypeFont final : public RealizedFont {
public:
    FreeTypeFont(std::shared_ptr<LoadedFace> face, const LOGFONTA& logFont, const std::string& family,
        LONG deviceHeight, double xStretch, bool syntheticBold)
        : m_face(std::move(face))
        , m_stretch(xStretch)
        , m_escapement(logFont.lfEscapement)
    {
        m_requestedFace = FaceNameOf(logFont);
        m_resolvedFace = family;
        const FT_Face ft = m_face->ft;
        const FaceTraits& traits = m_face->traits;
        m_unitsPerEm = ft->units_per_EM > 0 ? double(ft->units_per_EM) : 1000.0;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
        const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
        if (os2 != nullptr && os2->version == 0xFFFF)
            os2 = nullptr;

        double ascent = 0;
        double descent = 0;
        bool winMetrics = false;
        if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
            ascent = os2->usWinAscent;
            descent = os2->usWinDescent;
            winMetrics = true;
        } else if (hhea != nullptr && hhea->Ascender - hhea->Descender > 0) {
            ascent = hhea->Ascender;
            descent = -hhea->Descender;
        } else if (ft->ascender - ft->descender > 0) {
            ascent = ft->ascender;
            descent = -ft->descender;
        } else {
            ascent = 0.8 * m_unitsPerEm;
            descent = 0.2 * m_unitsPerEm;
        }
        const double cellUnits = ascent + descent;
        m_em = EmOfHeight(deviceHeight, cellUnits / m_unitsPerEm);
        const double scale = m_em / m_unitsPerEm;

        TEXTMETRICA& tm = m_metrics;
        if (deviceHeight > 0) {
            // A cell height is met exactly.
            const LONG cell = LONG(std::min(double(deviceHeight), kMaxDeviceHeight));
            tm.tmAscent = LONG(std::lround(cell * ascent / cellUnits));
            tm.tmDescent = cell - tm.tmAscent;
        } else {
            tm.tmAscent = LONG(std::lround(ascent * scale));
            tm.tmDescent = LONG(std::lround(descent * scale));
        }
        tm.tmHeight = tm.tmAscent + tm.tmDescent;
        tm.tmInternalLeading = tm.tmHeight - LONG(std::lround(m_em));
        if (hhea != nullptr) {
            double gap = hhea->Line_Gap;
            // The hhea gap is measured from hhea's own extent; GDI keeps what
            // is left of it beyond the Windows cell.
            if (winMetrics)
                gap = std::max(0.0, gap - (cellUnits - (hhea->Ascender - hhea->Descender)));
            tm.tmExternalLeading = LONG(std::lround(std::max(0.0, gap) * scale));
        }
        const double average = os2 != nullptr && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : 0.5 * m_unitsPerEm;
        tm.tmAveCharWidth = LONG(std::lround(average * scale * xStretch));
        tm.tmMaxCharWidth = LONG(std::lround(double(ft->bbox.xMax - ft->bbox.xMin) * scale * xStretch));
        tm.tmWeight = syntheticBold ? logFont.lfWeight : traits.weight;
        FillCommonMetrics(tm, logFont, 0x1F);
        tm.tmPitchAndFamily = TextMetricPitch(traits.pitchAndFamily);
        // A symbol face takes its bytes as codes whatever the request says.
        if (traits.SymbolOnly())
            m_charset = SYMBOL_CHARSET;
        else if (logFont.lfCharSet == DEFAULT_CHARSET)
            m_charset = CharsetOfAnsiCodePage();
        else
            m_charset = logFont.lfCharSet;
        tm.tmCharSet = m_charset;

        m_decoration.underline = logFont.lfUnderline != 0;
        m_decoration.strikeOut = logFont.lfStrikeOut != 0;
        const double underlineSize = ft->underline_thickness > 0 ? ft->underline_thickness : m_unitsPerEm / 20.0;
        m_decoration.underlineSize = std::max(1.0, std::round(underlineSize * scale));
        m_decoration.underlineTop = std::round((-ft->underline_position - underlineSize / 2.0) * scale);
        if (os2 != nullptr && os2->yStrikeoutSize > 0) {
            m_decoration.strikeSize = std::max(1.0, std::round(os2->yStrikeoutSize * scale));
            m_decoration.strikeTop = -std::round(os2->yStrikeoutPosition * scale);
        } else {
            m_decoration.strikeSize = m_decoration.underlineSize;
            m_decoration.strikeTop = -std::round(0.25 * m_em);
        }
    }

    std::u16string DecodeBytes(const char* bytes, int count) const override
    {
        return DecodeByCharset(m_charset, bytes, count);
    }

    int Advance(char16_t unit) const override
    {
        std::lock_guard lock(EngineMutex());
        const auto known = m_advances.find(unit);
        if (known != m_advances.end())
            return known->second;
        FT_Fixed units = 0;
        if (FT_Get_Advance(m_face->ft, GlyphOf(unit), FT_LOAD_NO_SCALE, &units) != 0)
            units = 0;
        const int advance = int(std::lround(double(units) * m_em / m_unitsPerEm * m_stretch));
        m_advances.emplace(unit, advance);
        return advance;
    }

    void Render(cairo_t* cr, double x, double y, const std::u16string& units) const override
    {
        std::vector<cairo_glyph_t> glyphs;
        glyphs.reserve(units.size());
        double pen = 0;
        for (char16_t unit : units) {
            unsigned long index = 0;
            {
                std::lock_guard lock(EngineMutex());
                index = GlyphOf(unit);
            }
            glyphs.push_back(cairo_glyph_t {index, pen / m_stretch, 0.0});
            pen += Advance(unit);
        }
        cairo_save(cr);
        ApplyTextTransform(cr, x, y, m_escapement, m_stretch);
        cairo_set_font_face(cr, m_face->cairoFace);
        cairo_set_font_size(cr, m_em);
        if (!glyphs.empty())
            cairo_show_glyphs(cr, glyphs.data(), int(glyphs.size()));
        DrawDecorations(cr, m_decoration, pen / m_stretch);
        cairo_restore(cr);
    }

private:
    FT_UInt GlyphOf(char16_t unit) const
    {
        FT_UInt index = FT_Get_Char_Index(m_face->ft, unit);
        // Symbol cmaps keep their codes in the private-use page F0xx.
        if (index == 0 && m_face->traits.symbolCmap && unit < 0x100)
            index = FT_Get_Char_Index(m_face->ft, 0xF000u + unit);
        return index;
    }

    std::shared_ptr<LoadedFace> m_face;
    double m_stretch;
    LONG m_escapement;
    double m_unitsPerEm = 1000;
    double m_em = 16;
    BYTE m_charset = ANSI_CHARSET;
    TextDecoration m_decoration;
    mutable std::unordered_map<char16_t, int> m_advances;
};

// The stand-in music font. Its cell is 1.5 em above the baseline and 1 em
// below, so a negative lfHeight is the em.
class MusicFont final : public RealizedFont {
public:
    MusicFont(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
        : m_stretch(xStretch)
        , m_escapement(logFont.lfEscapement)
    {
        m_requestedFace = FaceNameOf(logFont);
        m_resolvedFace = kMusicFace;
        m_em = EmOfHeight(deviceHeight, 2.5);
        TEXTMETRICA& tm = m_metrics;
        tm.tmAscent = LONG(std::lround(kvmusic::CellAscent(m_em)));
        tm.tmDescent = LONG(std::lround(kvmusic::CellDescent(m_em)));
        tm.tmHeight = tm.tmAscent + tm.tmDescent;
        tm.tmInternalLeading = tm.tmHeight - LONG(std::lround(m_em));
        tm.tmAveCharWidth = LONG(std::lround(m_em / 2.0 * xStretch));
        tm.tmMaxCharWidth = LONG(std::lround(2.0 * m_em * xStretch));
        tm.tmWeight = FW_NORMAL;
        FillCommonMetrics(tm, logFont, 0x20);
        tm.tmPitchAndFamily = TextMetricPitch(VARIABLE_PITCH | FF_DECORATIVE);
        tm.tmCharSet = SYMBOL_CHARSET;

        m_decoration.underline = logFont.lfUnderline != 0;
        m_decoration.strikeOut = logFont.lfStrikeOut != 0;
        m_decoration.underlineSize = std::max(1.0, std::round(m_em / 32.0));
        m_decoration.underlineTop = std::round(m_em / 8.0);
        m_decoration.strikeSize = m_decoration.underlineSize;
        m_decoration.strikeTop = -std::round(m_em / 2.0);
    }

    bool IsMusic() const override { return true; }

    std::u16string DecodeBytes(const char* bytes, int count) const override
    {
        if (bytes == nullptr || count <= 0)
            return {};
        std::u16string units(size_t(count), u'\0');
        for (int i = 0; i < count; ++i) {
            const unsigned code = static_cast<unsigned char>(bytes[i]);
            units[size_t(i)] = char16_t(code >= 0xF1 && code <= 0xF9 ? code : 0x100 + code);
        }
        return units;
    }

    int Advance(char16_t unit) const override
    {
        const int code = Code(unit);
        return code < 0 ? 0 : int(std::lround(kvmusic::Advance(code, m_em) * m_stretch));
    }

    std::vector<int> MusicCodes(const std::u16string& units) const override
    {
        std::vector<int> codes;
        codes.reserve(units.size());
        for (char16_t unit : units)
            codes.push_back(Code(unit));
        return codes;
    }

    void Render(cairo_t* cr, double x, double y, const std::u16string& units) const override
    {
        cairo_save(cr);
        ApplyTextTransform(cr, x, y, m_escapement, m_stretch);
        double pen = 0;
        for (char16_t unit : units) {
            const int code = Code(unit);
            if (code >= 0)
                kvmusic::Render(cr, code, m_em, pen / m_stretch, 0.0);
            pen += Advance(unit);
        }
        DrawDecorations(cr, m_decoration, pen / m_stretch);
        cairo_restore(cr);
    }

private:
    // Only the wide forms fold: 0x100 + b, and 0xF1-0xF9 themselves. Bytes
    // reach here already raised by DecodeBytes. A code without a map entry
    // measures and draws nothing (except as a box under test metrics).
    static int Code(char16_t unit)
    {
        return kvmusic::FoldUnit(unit);
    }

    double m_stretch;
    LONG m_escapement;
    double m_em = 16;
    TextDecoration m_decoration;
};

// The request that Realize answered last and its answer: text is measured
// and drawn font by font, so most requests repeat the one before, and the
// answer is then given without building the cache key.
struct LastRequest {
    bool valid = false;
    LOGFONTA logFont {};
    LONG deviceHeight = 0;
    double xStretch = 0;
    UINT codePage = 0;
    std::shared_ptr<const RealizedFont> font;

    // The same cache entry: the fields the key is made of are equal.
    bool Matches(const LOGFONTA& f, LONG height, double stretch, UINT acp) const
    {
        return valid && height == deviceHeight && stretch == xStretch && acp == codePage
               && f.lfWeight == logFont.lfWeight && (f.lfItalic != 0) == (logFont.lfItalic != 0)
               && (f.lfUnderline != 0) == (logFont.lfUnderline != 0)
               && (f.lfStrikeOut != 0) == (logFont.lfStrikeOut != 0) && f.lfCharSet == logFont.lfCharSet
               && f.lfEscapement == logFont.lfEscapement
               && std::strncmp(f.lfFaceName, logFont.lfFaceName, LF_FACESIZE) == 0;
    }
};

struct RealizeState {
    std::map<std::string, std::shared_ptr<const RealizedFont>> fonts;
    std::map<std::string, std::shared_ptr<LoadedFace>> faces;
    LastRequest last;
};

RealizeState& State()
{
    static RealizeState state;
    return state;
}

void ResetRealized()
{
    ForgetRealizedFonts();
}

KvProcessReset s_reset("kvfont.realized", &ResetRealized);

// Realised fonts are kept up to this many; a zooming view makes new sizes
// without end.
constexpr size_t kMaxCachedFonts = 512;

std::shared_ptr<LoadedFace> CachedFace(const std::string& file, int index, unsigned synthesis)
{
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "\n%d\n%u", index, synthesis);
    const std::string key = file + suffix;
    auto& faces = State().faces;
    const auto found = faces.find(key);
    if (found != faces.end())
        return found->second;
    std::shared_ptr<LoadedFace> face = LoadFace(file, index, synthesis);
    if (face)
        faces.emplace(key, face);
    return face;
}

LONG WantedWeight(const LOGFONTA& logFont)
{
    return logFont.lfWeight <= FW_DONTCARE ? FW_NORMAL : std::min<LONG>(logFont.lfWeight, 1000);
}

// A face at a weight and slant, emboldened and slanted where it lacks them.
std::shared_ptr<const RealizedFont> RealizeFile(const std::string& file, int index, const std::string& family,
    LONG faceWeight, bool faceItalic, const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
{
    const bool bold = WantedWeight(logFont) >= FW_SEMIBOLD && faceWeight < FW_SEMIBOLD;
    const bool slant = logFont.lfItalic != 0 && !faceItalic;
    const unsigned synthesis = (bold ? unsigned(CAIRO_FT_SYNTHESIZE_BOLD) : 0u)
        | (slant ? unsigned(CAIRO_FT_SYNTHESIZE_OBLIQUE) : 0u);
    std::shared_ptr<LoadedFace> face = CachedFace(file, index, synthesis);
    if (!face)
        return nullptr;
    return std::make_shared<FreeTypeFont>(face, logFont, family, deviceHeight, xStretch, bold);
}

std::shared_ptr<const RealizedFont> RealizePrivate(const std::vector<PrivateFace>& faces, const LOGFONTA& logFont,
    LONG deviceHeight, double xStretch)
{
    const LONG weight = WantedWeight(logFont);
    const bool italic = logFont.lfItalic != 0;
    const PrivateFace* best = nullptr;
    LONG bestCost = 0;
    for (const PrivateFace& face : faces) {
        const LONG cost = std::abs(face.weight - weight) + (face.italic != italic ? 10000 : 0);
        if (best == nullptr || cost < bestCost) {
            best = &face;
            bestCost = cost;
        }
    }
    if (best == nullptr)
        return nullptr;
    return RealizeFile(best->file, best->index, best->family, best->weight, best->italic, logFont, deviceHeight,
        xStretch);
}

// The family fontconfig is asked for: the metric-compatible Liberation faces
// serve the Windows core fonts, and no name means the default face.
std::string SubstituteFamily(const std::string& face)
{
    if (face.empty())
        return "DejaVu Sans";
    if (SameFace(face, "Times New Roman"))
        return "Liberation Serif";
    if (SameFace(face, "Arial"))
        return "Liberation Sans";
    return face;
}

std::shared_ptr<const RealizedFont> RealizeFontconfig(const std::string& face, const LOGFONTA& logFont,
    LONG deviceHeight, double xStretch)
{
    if (!FcInit())
        return nullptr;
    const std::string family = SubstituteFamily(face);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(WantedWeight(logFont)));
    FcPatternAddInteger(pattern, FC_SLANT, logFont.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return nullptr;

    FcChar8* file = nullptr;
    FcChar8* matchedFamily = nullptr;
    int index = 0;
    int slant = FC_SLANT_ROMAN;
    double weight = FC_WEIGHT_REGULAR;
    std::shared_ptr<const RealizedFont> font;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        FcPatternGetDouble(match, FC_WEIGHT, 0, &weight);
        std::string resolved = family;
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch && matchedFamily != nullptr)
            resolved = reinterpret_cast<const char*>(matchedFamily);
        font = RealizeFile(reinterpret_cast<const char*>(file), index, resolved,
            LONG(FcWeightToOpenTypeDouble(weight)), slant != FC_SLANT_ROMAN, logFont, deviceHeight, xStretch);
    }
    FcPatternDestroy(match);
    return font;
}

std::shared_ptr<const RealizedFont> RealizeUncached(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
{
    const std::string face = FaceNameOf(logFont);
    const bool music = SameFace(face, kMusicFace);
    if (TextFacesRouted() && !music)
        return RealizeTestFace(logFont, deviceHeight, xStretch);

    if (const std::optional<PrivateMatch> match = FindPrivateFamily(face)) {
        if (match->kind == PrivateMatch::StandIn)
            return std::make_shared<MusicFont>(logFont, deviceHeight, xStretch);
        if (match->kind == PrivateMatch::Faces) {
            if (auto font = RealizePrivate(match->faces, logFont, deviceHeight, xStretch))
                return font;
        }
        // An installed "ZelvoraB" is fontconfig's to serve.
    }
    if (TestFacesInstalled() && SameFace(face, kTestFace))
        return RealizeTestFace(logFont, deviceHeight, xStretch);
    if (auto font = RealizeFontconfig(face, logFont, deviceHeight, xStretch))
        return font;
    // Without any usable font file the test face keeps text measurable.
    return RealizeTestFace(logFont, deviceHeight, xStretch);
}

std::string CacheKey(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
{
    // The face as spelt: the realisation reports the requested face. Every
    // text measurement asks for its font, so the fields are written without
    // printf, in the form "\n%d %.9g %d %d %d %d %d %d %u".
    std::string key = FaceNameOf(logFont);
    key.reserve(key.size() + 64);
    auto put = [&key](char before, auto value) {
        char digits[32];
        key += before;
        key.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    put('\n', int(deviceHeight));
    char stretch[32];
    key += ' ';
    key.append(stretch, std::to_chars(stretch, stretch + sizeof stretch, xStretch, std::chars_format::general, 9).ptr);
    put(' ', int(logFont.lfWeight));
    put(' ', int(logFont.lfItalic != 0));
    put(' ', int(logFont.lfUnderline != 0));
    put(' ', int(logFont.lfStrikeOut != 0));
    put(' ', int(logFont.lfCharSet));
    put(' ', int(logFont.lfEscapement));
    // The ANSI code page belongs to the key: DEFAULT_CHARSET decodes by it.
    put(' ', unsigned(GetACP()));
    return key;
}

} // namespace

void ForgetRealizedFonts()
{
    std::lock_guard lock(EngineMutex());
    State().fonts.clear();
    State().faces.clear();
    State().last = {};
}

} // namespace detail

std::shared_ptr<const RealizedFont> Realize(const LOGFONTA& logFont, LONG deviceHeight, double xStretch)
{
    if (!std::isfinite(xStretch) || xStretch <= 0)
        xStretch = 1.0;
    xStretch = std::clamp(xStretch, 1.0 / 1024, 1024.0);
    std::lock_guard lock(detail::EngineMutex());
    auto& fonts = detail::State().fonts;
    detail::LastRequest& last = detail::State().last;
    const UINT codePage = GetACP();
    if (last.Matches(logFont, deviceHeight, xStretch, codePage))
        return last.font;
    const std::string key = detail::CacheKey(logFont, deviceHeight, xStretch);
    const auto found = fonts.find(key);
    std::shared_ptr<const RealizedFont> font;
    if (found != fonts.end()) {
        font = found->second;
    } else {
        font = detail::RealizeUncached(logFont, deviceHeight, xStretch);
        if (fonts.size() >= detail::kMaxCachedFonts)
            fonts.clear();
        fonts.emplace(key, font);
    }
    last = {true, logFont, deviceHeight, xStretch, codePage, font};
    return font;
}

} // namespace kvfont
