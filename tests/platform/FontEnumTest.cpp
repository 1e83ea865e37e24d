// Font enumeration and private font registration.

#include "support/FontSupport.h"
#include "support/KvTest.h"

#include "FontEngine.h"
#include "Fonts.h"
#include "MusicFont.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Call {
    std::string face;
    BYTE charset;
    std::string script;
    std::string style;
    LONG weight;
    BYTE outPrecision;
    BYTE clipPrecision;
    BYTE quality;
    BYTE pitchAndFamily;
    LONG height;
    DWORD codePageBits;
    DWORD type;
};

struct Recorder {
    std::vector<Call> calls;
    int answer = 1;
};

int RecordCall(const LOGFONTA* logFont, const TEXTMETRICA* metrics, DWORD type, LPARAM lParam)
{
    auto* recorder = reinterpret_cast<Recorder*>(lParam);
    const auto* record = reinterpret_cast<const ENUMLOGFONTEXA*>(logFont);
    const auto* tm = reinterpret_cast<const NEWTEXTMETRICEXA*>(metrics);
    recorder->calls.push_back(Call {logFont->lfFaceName, logFont->lfCharSet,
        reinterpret_cast<const char*>(record->elfScript), reinterpret_cast<const char*>(record->elfStyle),
        logFont->lfWeight, logFont->lfOutPrecision, logFont->lfClipPrecision, logFont->lfQuality,
        logFont->lfPitchAndFamily, logFont->lfHeight, tm->ntmFontSig.fsCsb[0], type});
    return recorder->answer;
}

Recorder EnumerateEx(BYTE charset, const char* face = "", int answer = 1, int* result = nullptr)
{
    Recorder recorder;
    recorder.answer = answer;
    LOGFONTA logFont {};
    logFont.lfCharSet = charset;
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "%s", face);
    const int returned =
        EnumFontFamiliesExA(nullptr, &logFont, &RecordCall, reinterpret_cast<LPARAM>(&recorder), 0);
    if (result != nullptr)
        *result = returned;
    return recorder;
}

Recorder Enumerate(const char* face, int* result = nullptr)
{
    Recorder recorder;
    const int returned = EnumFontFamiliesA(nullptr, face, &RecordCall, reinterpret_cast<LPARAM>(&recorder));
    if (result != nullptr)
        *result = returned;
    return recorder;
}

std::vector<std::string> FacesOf(const Recorder& recorder)
{
    std::vector<std::string> faces;
    for (const Call& call : recorder.calls)
        faces.push_back(call.face + "/" + std::to_string(call.charset));
    return faces;
}

const Call* Find(const Recorder& recorder, const std::string& face, BYTE charset)
{
    for (const Call& call : recorder.calls) {
        if (call.face == face && call.charset == charset)
            return &call;
    }
    return nullptr;
}

class FixedListTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        // Given out of order: enumeration sorts by name.
        kvtest::UseFixedFontList({
            {"Beta", (1u << 0) | (1u << 2), VARIABLE_PITCH | FF_ROMAN},
            {"Alpha", 1u << 0, FIXED_PITCH | FF_MODERN},
            {"MacOnly", 1u << 29, VARIABLE_PITCH | FF_SWISS},
        });
    }
};

TEST_F(FixedListTest, DefaultCharsetReportsEachFamilyOncePerCharsetInOrder)
{
    int result = 0;
    const Recorder recorder = EnumerateEx(DEFAULT_CHARSET, "", 1, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(FacesOf(recorder), (std::vector<std::string> {"Alpha/0", "Beta/0", "Beta/204", "MacOnly/77"}));
    ASSERT_EQ(recorder.calls.size(), 4u);
    EXPECT_EQ(recorder.calls[0].script, "Western");
    EXPECT_EQ(recorder.calls[1].script, "Western");
    EXPECT_EQ(recorder.calls[2].script, "Cyrillic");
    EXPECT_EQ(recorder.calls[3].script, "Mac");
    for (const Call& call : recorder.calls) {
        SCOPED_TRACE(call.face);
        EXPECT_EQ(call.outPrecision, 3);
        EXPECT_EQ(call.clipPrecision, 2);
        EXPECT_EQ(call.quality, 1);
        EXPECT_EQ(call.type, TRUETYPE_FONTTYPE);
        EXPECT_EQ(call.height, -16);
        EXPECT_EQ(call.weight, FW_NORMAL);
    }
    EXPECT_EQ(recorder.calls[0].pitchAndFamily, FIXED_PITCH | FF_MODERN);
    EXPECT_EQ(recorder.calls[2].codePageBits, 0x5u);
    EXPECT_EQ(recorder.calls[3].codePageBits, 1u << 29);
}

TEST_F(FixedListTest, CallbackReturningZeroStopsAndIsTheResult)
{
    int result = -1;
    Recorder recorder = EnumerateEx(DEFAULT_CHARSET, "", 0, &result);
    EXPECT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(result, 0);

    recorder = EnumerateEx(DEFAULT_CHARSET, "", 7, &result);
    EXPECT_EQ(recorder.calls.size(), 4u);
    EXPECT_EQ(result, 7);
}

TEST_F(FixedListTest, SpecificCharsetAndFaceSelectRows)
{
    EXPECT_EQ(FacesOf(EnumerateEx(RUSSIAN_CHARSET)), (std::vector<std::string> {"Beta/204"}));
    EXPECT_EQ(FacesOf(EnumerateEx(DEFAULT_CHARSET, "beta")), (std::vector<std::string> {"Beta/0", "Beta/204"}));
    EXPECT_EQ(FacesOf(EnumerateEx(MAC_CHARSET, "Beta")), std::vector<std::string> {});

    // Nothing called back: the result is 1.
    int result = 0;
    EXPECT_TRUE(EnumerateEx(THAI_CHARSET, "", 0, &result).calls.empty());
    EXPECT_EQ(result, 1);
}

TEST_F(FixedListTest, EnumFontFamiliesReportsFamiliesOnceAndStylesByName)
{
    EXPECT_EQ(FacesOf(Enumerate(nullptr)), (std::vector<std::string> {"Alpha/0", "Beta/0", "MacOnly/77"}));
    const Recorder styles = Enumerate("BETA");
    ASSERT_EQ(styles.calls.size(), 1u);
    EXPECT_EQ(styles.calls[0].face, "Beta");
    int result = 0;
    EXPECT_TRUE(Enumerate("Gamma", &result).calls.empty());
    EXPECT_EQ(result, 1);
}

TEST_F(FixedListTest, TestFaceJoinsTheListWhenInstalled)
{
    kvtest::InstallTestFonts();
    EXPECT_EQ(FacesOf(Enumerate(nullptr)), (std::vector<std::string> {"Alpha/0", "Beta/0", "KvTest/0", "MacOnly/77"}));
    ResetProcessState();
    kvtest::UseFixedFontList({{"Alpha", 1}});
    EXPECT_EQ(FacesOf(Enumerate(nullptr)), (std::vector<std::string> {"Alpha/0"}));
}

TEST(FontEnumArguments, MissingCallbackOrLogFontFails)
{
    LOGFONTA logFont {};
    logFont.lfCharSet = DEFAULT_CHARSET;
    EXPECT_EQ(EnumFontFamiliesExA(nullptr, &logFont, nullptr, 0, 0), 0);
    EXPECT_EQ(EnumFontFamiliesExA(nullptr, nullptr, &RecordCall, 0, 0), 0);
    EXPECT_EQ(EnumFontFamiliesA(nullptr, nullptr, nullptr, 0), 0);
}

TEST(FontCharsetRows, BitsGiveCharsetsInBitOrderAndFacesWithoutBitsFallBack)
{
    kvfont::FamilyEntry family;
    family.face = "F";
    std::vector<BYTE> charsets;
    const DWORD all = 0x1FFu | (0x1Fu << 16) | (1u << 29) | (1u << 31) | (1u << 30);
    for (const kvfont::FamilyEntry& row : kvfont::CharsetRows(family, all, ANSI_CHARSET))
        charsets.push_back(row.charset);
    EXPECT_EQ(charsets, (std::vector<BYTE> {0, 238, 204, 161, 162, 177, 178, 186, 163, 222, 128, 134, 129, 136, 77, 2}));

    // Only an unknown bit (30, OEM) counts as no bits.
    const auto rows = kvfont::CharsetRows(family, 1u << 30, SYMBOL_CHARSET);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].charset, SYMBOL_CHARSET);
    EXPECT_EQ(rows[0].script, "Symbol");
    EXPECT_EQ(rows[0].codePageBits, 1u << 30);
}

class InstalledFontTest : public kvtest::KvTest {};

TEST_F(InstalledFontTest, InstalledFontsListLiberationSerifAndDejaVuSans)
{
    const Recorder recorder = EnumerateEx(DEFAULT_CHARSET);
    for (const char* face : {"Liberation Serif", "DejaVu Sans"}) {
        const Call* call = Find(recorder, face, ANSI_CHARSET);
        ASSERT_NE(call, nullptr) << face;
        EXPECT_EQ(call->type, TRUETYPE_FONTTYPE) << face;
        EXPECT_EQ(call->script, "Western") << face;
        EXPECT_NE(call->codePageBits & 1u, 0u) << face;
        EXPECT_EQ(call->pitchAndFamily & 0x03, VARIABLE_PITCH) << face;
    }
    const Call* mono = Find(recorder, "DejaVu Sans Mono", ANSI_CHARSET);
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(mono->pitchAndFamily, FIXED_PITCH | FF_MODERN);

    // Faces in byte order, and within a face charsets never repeat.
    for (size_t i = 1; i < recorder.calls.size(); ++i) {
        const Call& a = recorder.calls[i - 1];
        const Call& b = recorder.calls[i];
        EXPECT_TRUE(a.face < b.face || (a.face == b.face && a.charset != b.charset)) << a.face << " " << b.face;
    }
}

TEST_F(InstalledFontTest, InstalledFamilyListsItsStyles)
{
    const Recorder styles = Enumerate("DejaVu Sans");
    bool regular = false;
    bool bold = false;
    for (const Call& call : styles.calls) {
        EXPECT_EQ(call.face, "DejaVu Sans");
        regular = regular || (call.style == "Book" || call.style == "Regular");
        bold = bold || (call.style == "Bold" && call.weight == FW_BOLD);
    }
    EXPECT_TRUE(regular);
    EXPECT_TRUE(bold);
}

class PrivateFontTest : public kvtest::KvTest {
protected:
    void SetUp() override
    {
        KvTest::SetUp();
        // An empty machine, so that what enumerates came from registration.
        kvtest::UseFixedFontList({});
    }
};

TEST_F(PrivateFontTest, MissingZelvoraFileRegistersTheStandIn)
{
    ASSERT_TRUE(kvmusic::Available()) << "the stand-in needs Emmentaler";
    ASSERT_FALSE(std::filesystem::exists(TempDir() / "ZelvoraB.TTF"));

    EXPECT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    const Recorder recorder = EnumerateEx(DEFAULT_CHARSET);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0].face, "ZelvoraB");
    EXPECT_EQ(recorder.calls[0].charset, SYMBOL_CHARSET);
    EXPECT_EQ(recorder.calls[0].script, "Symbol");
    EXPECT_EQ(recorder.calls[0].type, TRUETYPE_FONTTYPE);
}

TEST_F(PrivateFontTest, EachAddNeedsOneRemove)
{
    EXPECT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    // The same file in another spelling, as Windows file names ignore case.
    EXPECT_EQ(AddFontResourceA("zelvorab.ttf"), 1);
    EXPECT_TRUE(RemoveFontResourceA("ZELVORAB.TTF"));
    EXPECT_EQ(FacesOf(Enumerate(nullptr)), (std::vector<std::string> {"ZelvoraB/2"}));
    EXPECT_TRUE(RemoveFontResourceA("ZelvoraB.TTF"));
    EXPECT_TRUE(Enumerate(nullptr).calls.empty());
    EXPECT_FALSE(RemoveFontResourceA("ZelvoraB.TTF"));

    EXPECT_FALSE(RemoveFontResourceA("Unknown.ttf"));
    EXPECT_FALSE(RemoveFontResourceA(""));
    EXPECT_FALSE(RemoveFontResourceA(nullptr));
}

TEST_F(PrivateFontTest, FontFileRegistersUnderItsFamilyUntilRemoved)
{
    const std::string dejaVu = kvtest::InstalledFontFile("DejaVu Sans");
    ASSERT_FALSE(dejaVu.empty());
    std::filesystem::copy_file(dejaVu, TempDir() / "Custom.TTF");

    EXPECT_EQ(AddFontResourceA("custom.ttf"), 1);
    const Recorder recorder = EnumerateEx(DEFAULT_CHARSET);
    const Call* call = Find(recorder, "DejaVu Sans", ANSI_CHARSET);
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->type, TRUETYPE_FONTTYPE);

    LOGFONTA logFont {};
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "dejavu sans");
    EXPECT_EQ(kvfont::Realize(logFont, -20, 1.0)->ResolvedFace(), "DejaVu Sans");

    EXPECT_TRUE(RemoveFontResourceA(".\\CUSTOM.TTF"));
    EXPECT_TRUE(Enumerate(nullptr).calls.empty());
}

TEST_F(PrivateFontTest, RealZelvoraFileIsUsedAsItIs)
{
    // Any font file under the name stands for the user's own copy.
    std::filesystem::copy_file(kvtest::InstalledFontFile("DejaVu Sans"), TempDir() / "ZelvoraB.TTF");
    EXPECT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    EXPECT_EQ(FacesOf(Enumerate(nullptr)), (std::vector<std::string> {"DejaVu Sans/0"}));
    LOGFONTA logFont {};
    std::snprintf(logFont.lfFaceName, LF_FACESIZE, "ZelvoraB");
    EXPECT_FALSE(kvfont::Realize(logFont, -32, 1.0)->IsMusic());
}

TEST_F(PrivateFontTest, NamesThatServeNoFontAddNothing)
{
    WriteFile("Bogus.ttf", "not a font at all");
    EXPECT_EQ(AddFontResourceA("Bogus.ttf"), 0);
    EXPECT_FALSE(RemoveFontResourceA("Bogus.ttf"));
    EXPECT_EQ(AddFontResourceA("Missing.ttf"), 0);
    EXPECT_EQ(AddFontResourceA(""), 0);
    EXPECT_EQ(AddFontResourceA(nullptr), 0);
    EXPECT_TRUE(Enumerate(nullptr).calls.empty());
}

TEST_F(PrivateFontTest, ProcessResetDropsRegistrations)
{
    ASSERT_EQ(AddFontResourceA("ZelvoraB.TTF"), 1);
    ResetProcessState();
    kvtest::UseFixedFontList({});
    EXPECT_TRUE(Enumerate(nullptr).calls.empty());
    EXPECT_FALSE(RemoveFontResourceA("ZelvoraB.TTF"));
}

} // namespace
