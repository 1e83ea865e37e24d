// EnumFontFamiliesA and EnumFontFamiliesExA over the registry's rows.

#include "Fonts.h"

#include "FontInternal.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

using kvfont::FamilyEntry;

constexpr LONG kEnumHeight = -16;
constexpr DWORD NTM_ITALIC = 0x00000001;
constexpr DWORD NTM_BOLD = 0x00000020;
constexpr DWORD NTM_REGULAR = 0x00000040;

template <size_t N>
void CopyText(BYTE (&target)[N], const std::string& text)
{
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), length);
    target[length] = 0;
}

LOGFONTA LogFontOf(const FamilyEntry& row)
{
    LOGFONTA logFont {};
    logFont.lfHeight = kEnumHeight;
    logFont.lfWeight = row.weight;
    logFont.lfItalic = row.italic ? 1 : 0;
    logFont.lfCharSet = row.charset;
    logFont.lfOutPrecision = OUT_STROKE_PRECIS;
    logFont.lfClipPrecision = CLIP_STROKE_PRECIS;
    logFont.lfQuality = DRAFT_QUALITY;
    logFont.lfPitchAndFamily = row.pitchAndFamily;
    const size_t length = std::min(row.face.size(), size_t(LF_FACESIZE - 1));
    std::memcpy(logFont.lfFaceName, row.face.data(), length);
    return logFont;
}

// The records of one row. The text metrics are those of the family realised
// at the enumeration height, computed once per face name.
class RecordMaker {
public:
    void Make(const FamilyEntry& row, ENUMLOGFONTEXA* logFont, NEWTEXTMETRICEXA* metrics)
    {
        *logFont = {};
        logFont->elfLogFont = LogFontOf(row);
        const bool regular = row.style.empty() || row.style == "Regular";
        CopyText(logFont->elfFullName, regular ? row.face : row.face + " " + row.style);
        CopyText(logFont->elfStyle, row.style.empty() ? std::string("Regular") : row.style);
        CopyText(logFont->elfScript, row.script);

        *metrics = {};
        NEWTEXTMETRICA& tm = metrics->ntmTm;
        static_cast<TEXTMETRICA&>(tm) = BaseMetrics(logFont->elfLogFont);
        tm.tmWeight = row.weight;
        tm.tmItalic = row.italic ? 1 : 0;
        tm.tmCharSet = row.charset;
        tm.tmPitchAndFamily = kvfont::detail::TextMetricPitch(row.pitchAndFamily);
        tm.ntmFlags = (row.italic ? NTM_ITALIC : 0) | (row.weight >= FW_SEMIBOLD ? NTM_BOLD : 0);
        if (tm.ntmFlags == 0)
            tm.ntmFlags = NTM_REGULAR;
        tm.ntmSizeEM = UINT(-kEnumHeight);
        tm.ntmCellHeight = UINT(std::max<LONG>(tm.tmHeight, 0));
        tm.ntmAvgWidth = UINT(std::max<LONG>(tm.tmAveCharWidth, 0));
        metrics->ntmFontSig.fsCsb[0] = row.codePageBits;
    }

private:
    TEXTMETRICA BaseMetrics(const LOGFONTA& logFont)
    {
        const std::string face(logFont.lfFaceName);
        auto found = m_metrics.find(face);
        if (found == m_metrics.end())
            found = m_metrics.emplace(face, kvfont::Realize(logFont, kEnumHeight, 1.0)->Metrics()).first;
        return found->second;
    }

    std::map<std::string, TEXTMETRICA> m_metrics;
};

int Report(const std::vector<FamilyEntry>& rows, FONTENUMPROCA proc, LPARAM lParam)
{
    int result = 1;
    RecordMaker maker;
    for (const FamilyEntry& row : rows) {
        ENUMLOGFONTEXA logFont;
        NEWTEXTMETRICEXA metrics;
        maker.Make(row, &logFont, &metrics);
        // The records begin with the LOGFONTA and TEXTMETRICA the callback's
        // type names, as Win32 passes them.
        result = proc(reinterpret_cast<const LOGFONTA*>(&logFont), reinterpret_cast<const TEXTMETRICA*>(&metrics),
            row.fontType, lParam);
        if (result == 0)
            break;
    }
    return result;
}

} // namespace

int EnumFontFamiliesA(HDC, LPCSTR face, FONTENUMPROCA proc, LPARAM lParam)
{
    if (proc == nullptr)
        return 0;
    if (face == nullptr || *face == '\0')
        return Report(kvfont::EnumerateFamilies(false), proc, lParam);
    return Report(kvfont::EnumerateStyles(face), proc, lParam);
}

int EnumFontFamiliesExA(HDC, LOGFONTA* logFont, FONTENUMPROCA proc, LPARAM lParam, DWORD)
{
    if (proc == nullptr || logFont == nullptr)
        return 0;
    const std::string face = kvfont::detail::FaceNameOf(*logFont);
    const BYTE charset = logFont->lfCharSet;
    auto wanted = [charset](const FamilyEntry& row) { return charset == DEFAULT_CHARSET || row.charset == charset; };

    std::vector<FamilyEntry> rows;
    if (face.empty()) {
        for (const FamilyEntry& row : kvfont::EnumerateFamilies(true)) {
            if (wanted(row))
                rows.push_back(row);
        }
        return Report(rows, proc, lParam);
    }
    // Every style of the family, in each charset of the family.
    const std::vector<FamilyEntry> styles = kvfont::EnumerateStyles(face);
    for (const FamilyEntry& family : kvfont::EnumerateFamilies(true)) {
        if (!kvfont::detail::SameFace(family.face, face) || !wanted(family))
            continue;
        for (FamilyEntry style : styles) {
            style.charset = family.charset;
            style.script = family.script;
            rows.push_back(style);
        }
    }
    return Report(rows, proc, lParam);
}
