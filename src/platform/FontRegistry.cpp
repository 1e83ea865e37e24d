// The registry of font families: fontconfig's scalable families (scanned
// once per process), privately added font files, the stand-in music font and
// the test faces, merged into one enumeration order.

#include "FontInternal.h"
#include "Fonts.h"

#include "Fatal.h"
#include "MusicFont.h"
#include "Path.h"
#include "ProcessState.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <strings.h>

namespace kvfont {
namespace detail {

std::recursive_mutex& EngineMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

FT_Library FreeTypeLibrary()
{
    static FT_Library library = [] {
        FT_Library made = nullptr;
        if (FT_Init_FreeType(&made) != 0)
            KvFatal("FreeType cannot start");
        return made;
    }();
    return library;
}

bool SameFace(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string FaceNameOf(const LOGFONTA& logFont)
{
    return std::string(logFont.lfFaceName, strnlen(logFont.lfFaceName, LF_FACESIZE));
}

namespace {

struct CharsetBit {
    int bit;
    BYTE charset;
    const char* script;
};

constexpr CharsetBit kCharsetBits[] = {
    {0, ANSI_CHARSET, "Western"},
    {1, EASTEUROPE_CHARSET, "Central European"},
    {2, RUSSIAN_CHARSET, "Cyrillic"},
    {3, GREEK_CHARSET, "Greek"},
    {4, TURKISH_CHARSET, "Turkish"},
    {5, HEBREW_CHARSET, "Hebrew"},
    {6, ARABIC_CHARSET, "Arabic"},
    {7, BALTIC_CHARSET, "Baltic"},
    {8, VIETNAMESE_CHARSET, "Vietnamese"},
    {16, THAI_CHARSET, "Thai"},
    {17, SHIFTJIS_CHARSET, "Japanese"},
    {18, GB2312_CHARSET, "CHINESE_GB2312"},
    {19, HANGUL_CHARSET, "Hangul"},
    {20, CHINESEBIG5_CHARSET, "CHINESE_BIG5"},
    {29, MAC_CHARSET, "Mac"},
    {31, SYMBOL_CHARSET, "Symbol"},
};

DWORD KnownBits()
{
    DWORD mask = 0;
    for (const CharsetBit& entry : kCharsetBits)
        mask |= DWORD(1) << entry.bit;
    return mask;
}

const char* ScriptOf(BYTE charset)
{
    for (const CharsetBit& entry : kCharsetBits) {
        if (entry.charset == charset)
            return entry.script;
    }
    return "";
}

// Position of a charset in bit order; charsets without a bit go last.
int CharsetOrder(BYTE charset)
{
    for (const CharsetBit& entry : kCharsetBits) {
        if (entry.charset == charset)
            return entry.bit;
    }
    return 64 + charset;
}

bool MapsLatinLetters(FT_Face face)
{
    if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE)
        return false;
    for (char c = 'A'; c <= 'Z'; ++c) {
        if (FT_Get_Char_Index(face, FT_ULong(c)) == 0 || FT_Get_Char_Index(face, FT_ULong(c - 'A' + 'a')) == 0)
            return false;
    }
    return true;
}

// The family bits of PANOSE: family kind 2 is Latin text (monospaced by
// proportion 9, sans by serif styles 11-13), 3 hand-written, 4 decorative,
// 5 pictorial.
BYTE FamilyFromPanose(const FT_Byte* panose, bool monospace)
{
    switch (panose[0]) {
    case 2:
        if (panose[3] == 9 || monospace)
            return FF_MODERN;
        if (panose[1] >= 11 && panose[1] <= 13)
            return FF_SWISS;
        return FF_ROMAN;
    case 3:
        return FF_SCRIPT;
    case 4:
    case 5:
        return FF_DECORATIVE;
    default:
        return FF_DONTCARE;
    }
}

} // namespace

bool FaceTraits::SymbolOnly() const
{
    const DWORD known = codePageBits & KnownBits();
    if (known == 0)
        return fallbackCharset == SYMBOL_CHARSET;
    return known == (DWORD(1) << 31);
}

FaceTraits ClassifyFace(FT_Face face, bool monospace)
{
    FaceTraits traits;
    if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE) {
        if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
            traits.symbolCmap = FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
    }
    monospace = monospace || FT_IS_FIXED_WIDTH(face);
    traits.fontType = FT_IS_SFNT(face) ? TRUETYPE_FONTTYPE : 0;
    traits.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    traits.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0 ? FW_BOLD : FW_NORMAL;

    BYTE family = FF_DONTCARE;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        if (os2->version >= 1)
            traits.codePageBits = DWORD(os2->ulCodePageRange1);
        family = FamilyFromPanose(os2->panose, monospace);
        if (os2->usWeightClass >= 1 && os2->usWeightClass <= 1000)
            traits.weight = LONG(os2->usWeightClass);
    }
    traits.fallbackCharset = MapsLatinLetters(face) ? ANSI_CHARSET : SYMBOL_CHARSET;
    traits.pitchAndFamily = BYTE((monospace ? FIXED_PITCH : VARIABLE_PITCH) | family);
    return traits;
}

} // namespace detail

using namespace detail;

std::vector<FamilyEntry> CharsetRows(const FamilyEntry& family, DWORD codePageBits, BYTE fallbackCharset)
{
    std::vector<FamilyEntry> rows;
    for (const auto& entry : detail::kCharsetBits) {
        if ((codePageBits & (DWORD(1) << entry.bit)) == 0)
            continue;
        FamilyEntry row = family;
        row.charset = entry.charset;
        row.script = entry.script;
        row.codePageBits = codePageBits;
        rows.push_back(row);
    }
    if (rows.empty()) {
        FamilyEntry row = family;
        row.charset = fallbackCharset;
        row.script = ScriptOf(fallbackCharset);
        row.codePageBits = codePageBits;
        rows.push_back(row);
    }
    return rows;
}

namespace {

// One face as the registry keeps it.
struct KnownFace {
    std::string file;
    int index = 0;
    std::string style;
    LONG weight = FW_NORMAL;  // OpenType scale
    bool italic = false;
    int width = 100;          // fontconfig's width, 100 normal
    bool monospace = false;
};

// One family: its rows per charset, its styles, and its faces.
struct Family {
    std::string face;
    std::vector<FamilyEntry> rows;
    std::vector<FamilyEntry> styles;
    std::vector<KnownFace> faces;
};

constexpr size_t kMaxFaceBytes = LF_FACESIZE - 1;

// Face names fit a LOGFONT: cut at 31 bytes, never inside a UTF-8 sequence.
std::string FitFaceName(const std::string& name)
{
    if (name.size() <= kMaxFaceBytes)
        return name;
    size_t cut = kMaxFaceBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

// The face that stands for the family: upright, normal width, weight nearest
// to regular.
const KnownFace& RegularFace(const std::vector<KnownFace>& faces)
{
    auto cost = [](const KnownFace& face) {
        return (face.italic ? 100000 : 0) + std::abs(face.width - 100) * 1000 + std::abs(face.weight - FW_NORMAL);
    };
    return *std::min_element(faces.begin(), faces.end(),
        [&](const KnownFace& a, const KnownFace& b) { return cost(a) < cost(b); });
}

// Builds a family from its faces; nullopt when FreeType cannot open the
// regular face.
std::optional<Family> BuildFamily(const std::string& name, std::vector<KnownFace> faces)
{
    const KnownFace& regular = RegularFace(faces);
    FT_Face ft = nullptr;
    if (FT_New_Face(FreeTypeLibrary(), regular.file.c_str(), regular.index, &ft) != 0)
        return std::nullopt;
    const bool monospace = std::any_of(faces.begin(), faces.end(), [](const KnownFace& f) { return f.monospace; });
    const FaceTraits traits = ClassifyFace(ft, monospace);
    FT_Done_Face(ft);

    const bool boldOnly =
        std::all_of(faces.begin(), faces.end(), [](const KnownFace& f) { return f.weight >= FW_SEMIBOLD; });
    FamilyEntry base;
    base.face = name;
    base.pitchAndFamily = traits.pitchAndFamily;
    base.fontType = traits.fontType;
    base.weight = boldOnly ? FW_BOLD : FW_NORMAL;
    base.style = regular.style;

    Family family;
    family.face = name;
    family.rows = CharsetRows(base, traits.codePageBits, traits.fallbackCharset);

    std::sort(faces.begin(), faces.end(), [](const KnownFace& a, const KnownFace& b) {
        return std::tie(a.weight, a.italic, a.width, a.style) < std::tie(b.weight, b.italic, b.width, b.style);
    });
    std::set<std::string> seenStyles;
    for (const KnownFace& face : faces) {
        if (!seenStyles.insert(face.style).second)
            continue;
        FamilyEntry style = family.rows.front();
        style.weight = face.weight;
        style.italic = face.italic;
        style.style = face.style;
        family.styles.push_back(style);
    }
    family.faces = std::move(faces);
    return family;
}

std::string PatternString(FcPattern* pattern, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr)
        return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInteger(FcPattern* pattern, const char* object, int fallback)
{
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// A fontconfig pattern as a face; empty family when it names none.
std::pair<std::string, KnownFace> FaceOfPattern(FcPattern* pattern)
{
    KnownFace face;
    face.file = PatternString(pattern, FC_FILE);
    face.index = PatternInteger(pattern, FC_INDEX, 0);
    face.style = PatternString(pattern, FC_STYLE);
    if (face.style.empty())
        face.style = "Regular";
    double weight = FC_WEIGHT_REGULAR;
    FcPatternGetDouble(pattern, FC_WEIGHT, 0, &weight);
    face.weight = LONG(FcWeightToOpenTypeDouble(weight));
    if (face.weight <= 0)
        face.weight = FW_NORMAL;
    face.italic = PatternInteger(pattern, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    face.width = PatternInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    face.monospace = PatternInteger(pattern, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO;
    return {FitFaceName(PatternString(pattern, FC_FAMILY)), face};
}

std::vector<Family> ScanFontconfig()
{
    std::vector<Family> families;
    if (!FcInit())
        return families;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT,
        FC_WIDTH, FC_SPACING, FC_VARIABLE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (set == nullptr)
        return families;

    std::map<std::string, std::vector<KnownFace>> byName;
    for (int i = 0; i < set->nfont; ++i) {
        FcBool variable = FcFalse;
        // The whole variable font is listed beside its named instances.
        if (FcPatternGetBool(set->fonts[i], FC_VARIABLE, 0, &variable) == FcResultMatch && variable)
            continue;
        auto [name, face] = FaceOfPattern(set->fonts[i]);
        if (name.empty() || face.file.empty())
            continue;
        byName[name].push_back(face);
    }
    FcFontSetDestroy(set);

    for (auto& [name, faces] : byName) {
        if (auto family = BuildFamily(name, std::move(faces)))
            families.push_back(std::move(*family));
    }
    return families;
}

// A private registration: one name added `count` times.
struct Registration {
    std::string key;
    int count = 0;
    int faceCount = 0;
    PrivateMatch::Kind kind = PrivateMatch::Faces;
    std::vector<Family> families;
};

struct RegistryState {
    std::optional<std::vector<Family>> scan;
    std::optional<std::vector<FamilyEntry>> fixedList;
    std::vector<Registration> registrations;
};

RegistryState& State()
{
    static RegistryState state;
    return state;
}

void ResetRegistry()
{
    std::lock_guard lock(EngineMutex());
    // The fontconfig scan describes the machine, not the process's state, so
    // it stays; everything a caller registered or switched goes.
    State().fixedList.reset();
    State().registrations.clear();
    ForgetRealizedFonts();
}

KvProcessReset s_reset("kvfont.registry", &ResetRegistry);

const std::vector<Family>& Scan()
{
    RegistryState& state = State();
    if (!state.scan)
        state.scan = ScanFontconfig();
    return *state.scan;
}

Family StandInFamily()
{
    FamilyEntry base;
    base.face = kMusicFace;
    base.pitchAndFamily = VARIABLE_PITCH | FF_DECORATIVE;
    base.style = "Regular";
    Family family;
    family.face = kMusicFace;
    family.rows = CharsetRows(base, DWORD(1) << 31, SYMBOL_CHARSET);
    family.styles = family.rows;
    return family;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The families of a font file; an empty list when it holds no usable face.
std::vector<Family> FamiliesOfFile(const std::string& path, int* faceCount)
{
    *faceCount = 0;
    FT_Face probe = nullptr;
    if (FT_New_Face(FreeTypeLibrary(), path.c_str(), -1, &probe) != 0)
        return {};
    const int count = int(probe->num_faces);
    FT_Done_Face(probe);

    std::map<std::string, std::vector<KnownFace>> byName;
    for (int index = 0; index < count; ++index) {
        int ignored = 0;
        FcPattern* pattern =
            FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.c_str()), unsigned(index), nullptr, &ignored);
        if (pattern == nullptr)
            continue;
        auto [name, face] = FaceOfPattern(pattern);
        FcPatternDestroy(pattern);
        if (name.empty())
            continue;
        face.file = path;
        face.index = index;
        byName[name].push_back(face);
    }
    std::vector<Family> families;
    for (auto& [name, faces] : byName) {
        const int size = int(faces.size());
        if (auto family = BuildFamily(name, std::move(faces))) {
            *faceCount += size;
            families.push_back(std::move(*family));
        }
    }
    return families;
}

bool FontconfigHasFamily(const char* name)
{
    if (!FcInit())
        return false;
    FcPattern* pattern = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, name, nullptr);
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    const bool found = set != nullptr && set->nfont > 0;
    if (set != nullptr)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

std::string FilePart(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Every family row of every source, higher priority first: private
// registrations, the test faces, then the fixed list or the scan. A face
// name served by an earlier source hides later ones.
std::vector<FamilyEntry> CollectRows()
{
    RegistryState& state = State();
    std::vector<FamilyEntry> rows;
    std::set<std::string> taken;
    auto addFamily = [&](const std::vector<FamilyEntry>& familyRows, std::set<std::string>& added) {
        for (const FamilyEntry& row : familyRows) {
            const std::string key = Lower(row.face);
            if (taken.count(key) != 0)
                continue;
            added.insert(key);
            rows.push_back(row);
        }
    };
    auto addSource = [&](const auto& addAll) {
        std::set<std::string> added;
        addAll(added);
        taken.insert(added.begin(), added.end());
    };

    addSource([&](std::set<std::string>& added) {
        for (const Registration& registration : state.registrations) {
            for (const Family& family : registration.families)
                addFamily(family.rows, added);
        }
    });
    if (TestFacesInstalled())
        addSource([&](std::set<std::string>& added) { addFamily(TestFaceRows(), added); });
    addSource([&](std::set<std::string>& added) {
        if (state.fixedList) {
            addFamily(*state.fixedList, added);
        } else {
            for (const Family& family : Scan())
                addFamily(family.rows, added);
        }
    });
    std::stable_sort(rows.begin(), rows.end(), [](const FamilyEntry& a, const FamilyEntry& b) {
        if (a.face != b.face)
            return a.face < b.face;
        return CharsetOrder(a.charset) < CharsetOrder(b.charset);
    });
    return rows;
}

} // namespace

std::vector<FamilyEntry> EnumerateFamilies(bool perCharset)
{
    std::lock_guard lock(EngineMutex());
    std::vector<FamilyEntry> rows = CollectRows();
    if (!perCharset) {
        rows.erase(std::unique(rows.begin(), rows.end(),
                       [](const FamilyEntry& a, const FamilyEntry& b) { return a.face == b.face; }),
            rows.end());
    }
    return rows;
}

std::vector<FamilyEntry> EnumerateStyles(const std::string& face)
{
    std::lock_guard lock(EngineMutex());
    RegistryState& state = State();
    for (const Registration& registration : state.registrations) {
        for (const Family& family : registration.families) {
            if (SameFace(family.face, face))
                return family.styles;
        }
    }
    if (TestFacesInstalled()) {
        for (const FamilyEntry& row : TestFaceRows()) {
            if (SameFace(row.face, face))
                return {row};
        }
    }
    if (state.fixedList) {
        for (const FamilyEntry& row : *state.fixedList) {
            // A fixed row stands for the family's one style.
            if (SameFace(row.face, face))
                return {row};
        }
        return {};
    }
    for (const Family& family : Scan()) {
        if (SameFace(family.face, face))
            return family.styles;
    }
    return {};
}

void SetFixedFamilyList(const std::vector<FamilyEntry>* families)
{
    std::lock_guard lock(EngineMutex());
    if (families != nullptr)
        State().fixedList = *families;
    else
        State().fixedList.reset();
}

void ResetFontScan()
{
    std::lock_guard lock(EngineMutex());
    State().scan.reset();
}

int AddFontResource(const char* name)
{
    if (name == nullptr || *name == '\0')
        return 0;
    std::lock_guard lock(EngineMutex());
    const std::string path = KvMapPath(name);
    if (path.empty())
        return 0;
    // Windows file names ignore case, so a name matches its registration in
    // any spelling, also when the file does not exist.
    const std::string key = Lower(path);
    RegistryState& state = State();
    for (Registration& registration : state.registrations) {
        if (registration.key == key) {
            ++registration.count;
            return registration.faceCount;
        }
    }

    Registration registration;
    registration.key = key;
    registration.count = 1;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        registration.families = FamiliesOfFile(path, &registration.faceCount);
        registration.kind = PrivateMatch::Faces;
    } else if (SameFace(FilePart(path), std::string(kMusicFace) + ".TTF")) {
        if (FontconfigHasFamily(kMusicFace)) {
            // The user installed the real font: it serves as it is.
            registration.kind = PrivateMatch::Installed;
            registration.faceCount = 1;
        } else if (kvmusic::Available()) {
            registration.kind = PrivateMatch::StandIn;
            registration.faceCount = 1;
            registration.families.push_back(StandInFamily());
        }
    }
    if (registration.faceCount == 0)
        return 0;
    const int added = registration.faceCount;
    state.registrations.push_back(std::move(registration));
    ForgetRealizedFonts();
    return added;
}

BOOL RemoveFontResource(const char* name)
{
    if (name == nullptr || *name == '\0')
        return FALSE;
    std::lock_guard lock(EngineMutex());
    const std::string key = Lower(KvMapPath(name));
    std::vector<Registration>& registrations = State().registrations;
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
        if (it->key != key)
            continue;
        if (--it->count == 0) {
            registrations.erase(it);
            ForgetRealizedFonts();
        }
        return TRUE;
    }
    return FALSE;
}

namespace detail {

std::optional<PrivateMatch> FindPrivateFamily(const std::string& face)
{
    std::lock_guard lock(EngineMutex());
    for (const Registration& registration : State().registrations) {
        if (registration.kind == PrivateMatch::Installed) {
            if (SameFace(face, kMusicFace))
                return PrivateMatch {PrivateMatch::Installed, {}};
            continue;
        }
        for (const Family& family : registration.families) {
            if (!SameFace(family.face, face))
                continue;
            PrivateMatch match;
            match.kind = registration.kind;
            for (const KnownFace& known : family.faces)
                match.faces.push_back(PrivateFace {known.file, known.index, family.face, known.weight, known.italic});
            return match;
        }
    }
    return std::nullopt;
}

} // namespace detail

} // namespace kvfont

int AddFontResourceA(LPCSTR name)
{
    return kvfont::AddFontResource(name);
}

BOOL RemoveFontResourceA(LPCSTR name)
{
    return kvfont::RemoveFontResource(name);
}
