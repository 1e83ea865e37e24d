#pragma once
// Fonts for tests: the fixed-metric test face, routing of text faces to it,
// and a fixed list of installed families, so that tests do not depend on the
// fonts of the machine. The font engine resets all of these (and the private
// font registrations) with the process state, so every test starts without
// them. "ZelvoraB" comes, as in the program, from
// AddFontResourceA("ZelvoraB.TTF").

#include "FontEngine.h"
#include "MusicFont.h"

#include <map>

#include <string>
#include <vector>

namespace kvtest {

// Installs the test face "KvTest": at em E every character advances E/2,
// the cell is E with ascent round(4E/5), and each character but the space
// inks its whole box above the baseline.
void InstallTestFonts();

// Routes every face other than "ZelvoraB" to "KvTest".
void RouteTextToTestFace(bool route = true);

// A family of the fixed list, given by its OS/2 code-page bits.
struct FixedFamily {
    std::string face;
    DWORD codePageBits = 1;
    BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    DWORD fontType = TRUETYPE_FONTTYPE;
};

// Replaces the fontconfig scan with these families, one row per character
// set of their bits (a family without known bits gets Western).
void UseFixedFontList(const std::vector<FixedFamily>& families);

// Makes the "ZelvoraB" stand-in draw each code as a box of the table's
// metrics (32nds of the em); null switches it off. The table is copied.
void UseMusicTestMetrics(const std::map<int, kvmusic::TestMetric>* table);

// The file fontconfig serves for a family (empty when none), for tests that
// register a copy of a real font.
std::string InstalledFontFile(const char* family);

} // namespace kvtest
