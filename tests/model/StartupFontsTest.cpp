// The entry routine's installed-font list and temporary folder, on fixed font
// lists, so that nothing depends on the fonts of the machine.

#include "support/FontSupport.h"
#include "support/KvTest.h"

#include "model/DllMain.h"
#include "model/InstalledFonts.h"

#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using kvtest::FixedFamily;

constexpr DWORD kWestern = 1u << 0;
constexpr DWORD kCentralEuropean = 1u << 1;
constexpr DWORD kMac = 1u << 29;

class StartupFontsTest : public kvtest::KvTest {
protected:
    // Runs the unload and the load again, as the loader would.
    static void Reload()
    {
        ASSERT_TRUE(DllMain(KvLibraryInstance(), DLL_PROCESS_DETACH, nullptr));
        ASSERT_TRUE(DllMain(KvLibraryInstance(), DLL_PROCESS_ATTACH, nullptr));
    }

    static void LoadWith(const std::vector<FixedFamily>& families)
    {
        kvtest::UseFixedFontList(families);
        Reload();
    }

    static int ListSize() { return GetInstalledFontList().GetSize(); }
};

struct Row {
    const char* face;
    const char* script;
    int charset;
    int pitchAndFamily;
    DWORD type;
};

TEST_F(StartupFontsTest, ListHoldsOneEntryPerFaceAndCharsetWithoutMacRows)
{
    const BYTE swiss = VARIABLE_PITCH | FF_SWISS;
    const BYTE modern = FIXED_PITCH | FF_MODERN;
    LoadWith({
        {"Duo", kWestern | kCentralEuropean, modern, TRUETYPE_FONTTYPE},
        {"MacOnly", kMac, swiss, TRUETYPE_FONTTYPE},
        {"MacToo", kWestern | kMac, swiss, TRUETYPE_FONTTYPE},
        {"Printer", kWestern, swiss, DEVICE_FONTTYPE},
        {"Raster", kWestern, swiss, RASTER_FONTTYPE},
        {"Scalable", kWestern, swiss, TRUETYPE_FONTTYPE | DEVICE_FONTTYPE},
    });

    // Enumeration order: faces in byte order, then charsets in bit order.
    const Row expected[] = {
        {"Duo", "Western", ANSI_CHARSET, modern, 0x300},
        {"Duo", "Central European", EASTEUROPE_CHARSET, modern, 0x300},
        {"MacToo", "Western", ANSI_CHARSET, swiss, 0x300},
        {"Printer", "Western", ANSI_CHARSET, swiss, 0x500},
        {"Raster", "Western", ANSI_CHARSET, swiss, 0x100},
        {"Scalable", "Western", ANSI_CHARSET, swiss, 0x300},
    };
    const CInstalledFontList& list = GetInstalledFontList();
    ASSERT_EQ(list.GetSize(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < list.GetSize(); ++i) {
        SCOPED_TRACE(i);
        const InstalledFontInfo* info = list.GetAt(i);
        ASSERT_NE(info, nullptr);
        EXPECT_STREQ(info->strFaceName, expected[i].face);
        EXPECT_STREQ(info->strScript, expected[i].script);
        EXPECT_EQ(info->byCharSet, expected[i].charset);
        EXPECT_EQ(info->byPitchAndFamily, expected[i].pitchAndFamily);
        EXPECT_EQ(info->dwType, expected[i].type);
    }
}

TEST_F(StartupFontsTest, LookupsAnswerForTheFirstExactlyMatchingEntry)
{
    const BYTE modern = FIXED_PITCH | FF_MODERN;
    const BYTE roman = VARIABLE_PITCH | FF_ROMAN;
    LoadWith({
        {"Duo", kCentralEuropean | kWestern, modern, TRUETYPE_FONTTYPE},
        {"MacOnly", kMac, roman, TRUETYPE_FONTTYPE},
        {"Serif Face", kCentralEuropean, roman, TRUETYPE_FONTTYPE},
    });

    // Listed under Western first, then Central European.
    EXPECT_EQ(GetInstalledFontCharset("Duo"), ANSI_CHARSET);
    EXPECT_EQ(GetInstalledFontPitchAndFamily("Duo"), modern);
    EXPECT_EQ(GetInstalledFontCharset("Serif Face"), EASTEUROPE_CHARSET);
    EXPECT_EQ(GetInstalledFontPitchAndFamily("Serif Face"), roman);

    // Absent, differing in case, empty, or a prefix: the defaults.
    for (const char* name : {"MacOnly", "duo", "DUO", "serif face", "", "Du", "Duo ", "Unknown"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetInstalledFontCharset(name), DEFAULT_CHARSET);
        EXPECT_EQ(GetInstalledFontPitchAndFamily(name), 0);
    }
}

TEST_F(StartupFontsTest, DetachEmptiesTheListAndThreadCallsLeaveItAlone)
{
    LoadWith({{"Duo", kWestern | kCentralEuropean}});
    ASSERT_EQ(ListSize(), 2);

    EXPECT_TRUE(DllMain(KvLibraryInstance(), DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllMain(KvLibraryInstance(), DLL_THREAD_DETACH, nullptr));
    EXPECT_EQ(ListSize(), 2);

    EXPECT_TRUE(DllMain(KvLibraryInstance(), DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(ListSize(), 0);
    EXPECT_EQ(GetInstalledFontCharset("Duo"), DEFAULT_CHARSET);
    EXPECT_EQ(GetInstalledFontPitchAndFamily("Duo"), 0);

    // A second load builds the list afresh, not on top of the old one.
    EXPECT_TRUE(DllMain(KvLibraryInstance(), DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(ListSize(), 2);
}

TEST_F(StartupFontsTest, ResetLeavesNoInjectedFaceForTheNextTest)
{
    LoadWith({{"Injected", kWestern}});
    ASSERT_EQ(GetInstalledFontCharset("Injected"), ANSI_CHARSET);

    ResetProcessState();
    EXPECT_EQ(ListSize(), 0);
    EXPECT_EQ(GetInstalledFontCharset("Injected"), DEFAULT_CHARSET);
    char expected[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, expected), 0u);
    EXPECT_STREQ(szTempDirPath, expected);
}

// Sets an environment variable for one test and puts back the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(StartupFontsTest, TempDirPathIsTheTemporaryFolderWithATrailingSlash)
{
    kvtest::UseFixedFontList({});
    Reload();
    const std::string loaded = szTempDirPath;
    ASSERT_FALSE(loaded.empty());
    EXPECT_EQ(loaded.back(), '/');

    const std::string folder = TempDir().string();
    ASSERT_NE(folder.back(), '/');
    {
        ScopedEnv tmpdir("TMPDIR", folder);
        Reload();
        EXPECT_EQ(std::string(szTempDirPath), folder + "/");
    }
    Reload();
    EXPECT_EQ(std::string(szTempDirPath), loaded);
}

} // namespace
