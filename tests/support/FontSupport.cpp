#include "support/FontSupport.h"

#include <fontconfig/fontconfig.h>

namespace kvtest {

void InstallTestFonts()
{
    kvfont::InstallTestFaces(true);
}

void RouteTextToTestFace(bool route)
{
    kvfont::RouteTextFacesToTestFace(route);
}

void UseFixedFontList(const std::vector<FixedFamily>& families)
{
    std::vector<kvfont::FamilyEntry> rows;
    for (const FixedFamily& family : families) {
        kvfont::FamilyEntry entry;
        entry.face = family.face;
        entry.pitchAndFamily = family.pitchAndFamily;
        entry.fontType = family.fontType;
        entry.style = "Regular";
        for (const kvfont::FamilyEntry& row : kvfont::CharsetRows(entry, family.codePageBits, ANSI_CHARSET))
            rows.push_back(row);
    }
    kvfont::SetFixedFamilyList(&rows);
}

std::string InstalledFontFile(const char* family)
{
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    FcChar8* value = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch && value != nullptr)
        file = reinterpret_cast<const char*>(value);
    if (match != nullptr)
        FcPatternDestroy(match);
    return file;
}

void UseMusicTestMetrics(const std::map<int, kvmusic::TestMetric>* table)
{
    kvmusic::UseTestMetrics(table);
}

} // namespace kvtest
