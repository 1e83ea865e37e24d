#include "model/FontDatas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Name(CFontDatas& fonts, int number)
{
    char face[256] = "untouched";
    if (!fonts.GetFontName(number, face))
        return "-";
    return face;
}

std::vector<char> Flat(std::initializer_list<std::pair<int, std::string>> entries)
{
    std::vector<char> flat;
    for (const auto& [number, name] : entries) {
        flat.push_back(static_cast<char>(number));
        flat.push_back(static_cast<char>(name.size()));
        flat.insert(flat.end(), name.begin(), name.end());
    }
    return flat;
}

TEST(FontDatasTest, NumbersNamesInOrder)
{
    CFontDatas fonts;
    EXPECT_EQ(fonts.GetNewNumber(), 1);
    EXPECT_EQ(fonts.GetFontNumber("Arial"), 1);
    EXPECT_EQ(fonts.GetFontNumber("Times"), 2);
    EXPECT_EQ(fonts.GetFontNumber("Arial"), 1);
    EXPECT_EQ(fonts.GetFontCount(), 2);
    EXPECT_EQ(Name(fonts, 2), "Times");
    EXPECT_EQ(Name(fonts, 0x102), "Times"); // the low byte names the font
    EXPECT_EQ(Name(fonts, 3), "-");
    EXPECT_EQ(fonts.GetCharSet(3), 0);
    EXPECT_EQ(fonts.GetPitchAndFamily(3), 0);

    short number = 0;
    char name[256] = {};
    BYTE length = 0;
    ASSERT_EQ(fonts.ReadFontInfo(number, name, length), 1);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(std::string(name, length), "Arial");
    ASSERT_EQ(fonts.ReadFontInfo(number, name, length), 1);
    EXPECT_EQ(number, 2);
    EXPECT_EQ(fonts.ReadFontInfo(number, name, length), 0);
}

TEST(FontDatasTest, NamesThatDoNotFitAByteAreRefused)
{
    CFontDatas fonts;
    EXPECT_EQ(fonts.GetFontNumber(std::string(256, 'x').c_str()), 0);
    fonts.AddNewFont(255, "Last", 4);
    EXPECT_EQ(fonts.GetFontNumber("Other"), 0);
    EXPECT_EQ(fonts.GetFontCount(), 1);
}

TEST(FontDatasTest, LoadingRenumbersAfterThePresentFonts)
{
    CFontDatas fonts;
    fonts.GetFontNumber("A");
    fonts.GetFontNumber("B");
    fonts.GetFontNumber("C");
    std::vector<char> flat = Flat({{1, "Serif"}, {2, "Sans"}});
    fonts.LoadBuffer(flat.data(), static_cast<LONG>(flat.size()));
    EXPECT_EQ(Name(fonts, 4), "Serif");
    EXPECT_EQ(Name(fonts, 5), "Sans");
    EXPECT_EQ(fonts.GetNewNumber(), 6);

    std::vector<char> saved(static_cast<size_t>(fonts.GetBufferSize()));
    EXPECT_EQ(fonts.SaveBuffer(saved.data(), static_cast<LONG>(saved.size())), static_cast<LONG>(saved.size()));
    EXPECT_EQ(saved, Flat({{1, "A"}, {2, "B"}, {3, "C"}, {4, "Serif"}, {5, "Sans"}}));
}

TEST(FontDatasTest, CutOffEntryEndsTheLoad)
{
    CFontDatas fonts;
    std::vector<char> flat = Flat({{1, "Serif"}, {2, "Sans"}});
    fonts.LoadBuffer(flat.data(), static_cast<LONG>(flat.size() - 1));
    EXPECT_EQ(fonts.GetFontCount(), 1);
    EXPECT_EQ(Name(fonts, 1), "Serif");
}

TEST(FontDatasTest, KoreanFaceIsShownByItsInstalledFaceAndSavedUnderItsName)
{
    const std::string korean = "\xf6\x76\xf4\x5d\xf6\xb1";
    CFontDatas fonts;
    std::vector<char> flat = Flat({{1, korean}});
    fonts.LoadBuffer(flat.data(), static_cast<LONG>(flat.size()));
    EXPECT_EQ(Name(fonts, 1), "TOL ChongBong");
    std::vector<char> saved(static_cast<size_t>(fonts.GetBufferSize()));
    fonts.SaveBuffer(saved.data(), static_cast<LONG>(saved.size()));
    EXPECT_EQ(saved, flat);

    char out[256] = {};
    fonts.GetNearestFontName("Arial", out);
    EXPECT_STREQ(out, "Arial");
}

TEST(FontDatasTest, AssignmentCopiesFontsButNotLoadedNames)
{
    CFontDatas source;
    std::vector<char> flat = Flat({{1, "\xf5\xd5\xf0\xdb\xf3\x80\xf6\xb1"}});
    source.LoadBuffer(flat.data(), static_cast<LONG>(flat.size()));
    CFontDatas copy;
    copy.GetFontNumber("Old");
    copy = source;
    EXPECT_EQ(copy.GetFontCount(), 1);
    EXPECT_EQ(Name(copy, 1), "TOL Myongzo");
    EXPECT_EQ(copy.GetBufferSize(), 2 + 11);

    copy.Initalize();
    EXPECT_EQ(copy.GetFontCount(), 0);
    EXPECT_EQ(copy.GetNewNumber(), 1);
}

std::vector<char> Saved(CFontDatas& fonts)
{
    std::vector<char> saved(static_cast<size_t>(fonts.GetBufferSize()));
    EXPECT_EQ(fonts.SaveBuffer(saved.data(), static_cast<LONG>(saved.size())), static_cast<LONG>(saved.size()));
    return saved;
}

void Load(CFontDatas& fonts, const std::vector<char>& flat)
{
    std::vector<char> bytes = flat;
    fonts.LoadBuffer(bytes.data(), static_cast<LONG>(bytes.size()));
}

TEST(FontDatasTest, StaleLoadedNamesDoNotRenameOtherFonts)
{
    const std::string korean = "\xf6\x66\xf0\xdb\xf0\x73\xf5\xe4";
    CFontDatas reinitialised;
    Load(reinitialised, Flat({{1, korean}}));
    reinitialised.Initalize();
    EXPECT_EQ(reinitialised.GetFontNumber("Arial"), 1);
    EXPECT_EQ(Saved(reinitialised), Flat({{1, "Arial"}}));

    CFontDatas other;
    other.GetFontNumber("Arial");
    CFontDatas assigned;
    Load(assigned, Flat({{1, korean}}));
    assigned = other;
    EXPECT_EQ(Saved(assigned), Flat({{1, "Arial"}}));

    CFontDatas reloaded;
    Load(reloaded, Flat({{1, "Sans"}}));
    reloaded.Initalize();
    Load(reloaded, Flat({{1, "Serif"}}));
    EXPECT_EQ(Saved(reloaded), Flat({{1, "Serif"}}));
}

TEST(FontDatasTest, LoadedFontsPastNumber255AreLeftOut)
{
    CFontDatas fonts;
    for (int i = 0; i < 250; ++i)
        fonts.GetFontNumber(("F" + std::to_string(i)).c_str());
    Load(fonts, Flat({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}, {6, "f"}, {7, "g"}, {8, "h"}}));
    EXPECT_EQ(fonts.GetFontCount(), 255);
    EXPECT_EQ(Name(fonts, 255), "e");

    const std::vector<char> saved = Saved(fonts);
    std::vector<bool> seen(256, false);
    for (size_t pos = 0; pos + 1 < saved.size(); pos += 2 + static_cast<BYTE>(saved[pos + 1])) {
        const BYTE number = static_cast<BYTE>(saved[pos]);
        EXPECT_FALSE(seen[number]) << "font " << int(number) << " saved twice";
        seen[number] = true;
    }
    for (int number = 1; number <= 255; ++number)
        EXPECT_TRUE(seen[number]) << "font " << number << " missing";
}

} // namespace
