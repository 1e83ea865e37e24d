#pragma once
// What the files of the font engine share among themselves: the FreeType
// library, the classification of a face, the private registrations as
// matching sees them, and the test faces. Not for other callers.

#include "FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kvfont {
namespace detail {

// The face name of the stand-in music font and of the text test face.
inline constexpr const char* kMusicFace = "ZelvoraB";
inline constexpr const char* kTestFace = "KvTest";

// One lock for the engine's state and its own FreeType calls. Recursive,
// because realising a font may consult the registry. Never held while an
// enumeration callback runs.
std::recursive_mutex& EngineMutex();

// The process's FreeType library (aborts when FreeType cannot start).
FT_Library FreeTypeLibrary();

// ASCII case-insensitive equality of face names, as GDI compares them.
bool SameFace(const std::string& a, const std::string& b);
// The face name of a LOGFONT (lfFaceName need not be terminated).
std::string FaceNameOf(const LOGFONTA& logFont);

// Character-set facts of a face, read from its OS/2 table and cmap.
struct FaceTraits {
    DWORD codePageBits = 0;      // ulCodePageRange1, 0 when absent
    BYTE fallbackCharset = 0;    // for a face without known bits
    BYTE pitchAndFamily = VARIABLE_PITCH | FF_DONTCARE;
    DWORD fontType = TRUETYPE_FONTTYPE;
    LONG weight = FW_NORMAL;     // OS/2 usWeightClass
    bool italic = false;
    bool symbolCmap = false;     // only a Microsoft symbol cmap
    // TRUE when the face serves only the symbol character set.
    bool SymbolOnly() const;
};
// Classifies an open face. `monospace` adds fontconfig's spacing verdict.
FaceTraits ClassifyFace(FT_Face face, bool monospace);

// The code page that decodes TextOutA bytes in a character set: 0 for
// "the bytes are the codes" (SYMBOL_CHARSET).
UINT CodePageOfCharset(BYTE charset);
// The character set that the ANSI code page setting stands for.
BYTE CharsetOfAnsiCodePage();
// TextOutA bytes decoded in a character set; a null or empty run, or a
// negative count, gives nothing.
std::u16string DecodeByCharset(BYTE charset, const char* bytes, int count);

// One face of a privately registered font file.
struct PrivateFace {
    std::string file;
    int index = 0;
    std::string family;
    LONG weight = FW_NORMAL;
    bool italic = false;
};

// Matching step 1: the private registration serving a face name.
struct PrivateMatch {
    enum Kind { Faces, StandIn, Installed } kind = Faces;
    std::vector<PrivateFace> faces; // for Faces: every face of the family
};
std::optional<PrivateMatch> FindPrivateFamily(const std::string& face);

// The test faces.
bool TestFacesInstalled();
bool TextFacesRouted();
std::vector<FamilyEntry> TestFaceRows();
std::shared_ptr<const RealizedFont> RealizeTestFace(const LOGFONTA& logFont, LONG deviceHeight, double xStretch);

// Drops every cached realisation; called whenever what a face name resolves
// to may have changed.
void ForgetRealizedFonts();

// The em in device pixels of a requested height for a face whose cell is
// `cellPerEm` ems tall: negative heights are the em, positive the cell, 0
// stands for 16 px. Absurd heights are clamped, so no arithmetic overflows.
double EmOfHeight(LONG deviceHeight, double cellPerEm);

// The tmPitchAndFamily byte of a TEXTMETRIC for a LOGFONT-style pitch and
// family (GDI's inverted pitch bit, vector and TrueType bits).
BYTE TextMetricPitch(BYTE pitchAndFamily);

// The TEXTMETRIC fields that every face fills alike: the aspect, the
// character range, the break and default characters, and the style flags
// of the request.
void FillCommonMetrics(TEXTMETRICA& tm, const LOGFONTA& logFont, BYTE defaultChar);

// Underline and strike-out of `width` device pixels at the origin of the
// context's current user space. Rows are in device pixels below (positive)
// or above (negative) the baseline.
struct TextDecoration {
    bool underline = false;
    bool strikeOut = false;
    double underlineTop = 0;
    double underlineSize = 1;
    double strikeTop = 0;
    double strikeSize = 1;
};
void DrawDecorations(cairo_t* cr, const TextDecoration& decoration, double width);

} // namespace detail
} // namespace kvfont
