#include "support/DrumKit.h"
#include "support/KvTest.h"

#include "HostApp.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class KvorelCommand : public kvtest::KvTest {
protected:
    struct Result {
        int status;
        std::string out;
        std::string err;
    };

    Result Run(const std::string& arguments)
    {
        const auto out = TempDir() / "stdout.txt";
        const auto err = TempDir() / "stderr.txt";
        const std::string command = std::string("'") + KVOREL_EXE + "' " + arguments + " >'" + out.string()
            + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(command.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }
};

TEST_F(KvorelCommand, PrintsItsVersion)
{
    const Result result = Run("--version");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "kvorel 0.1.0\n");

    const Result mainJob = Run("");
    EXPECT_EQ(mainJob.status, 0);
    EXPECT_NE(mainJob.out.find("kvorel 0.1.0\n"), std::string::npos);
}

TEST_F(KvorelCommand, MainJobListsTheInstalledFonts)
{
    const Result result = Run("");
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines;
    for (size_t at = 0; at < result.out.size();) {
        const size_t end = result.out.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "unterminated last line";
        lines.push_back(result.out.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "kvorel 0.1.0");
    ASSERT_EQ(lines[1].compare(0, 7, "fonts: "), 0) << lines[1];
    const int count = std::atoi(lines[1].c_str() + 7);
    EXPECT_GT(count, 0);
    EXPECT_EQ(lines.size(), static_cast<size_t>(count) + 2);
    // Face, script, charset, pitch and family, font type.
    const std::string prefix = "Liberation Serif; Western; charset 0; pitch and family 0x";
    const std::string suffix = "; type 4";
    bool liberation = false;
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        liberation = liberation || (line.rfind(prefix, 0) == 0 && line.size() == prefix.size() + 2 + suffix.size()
                                    && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0);
    }
    EXPECT_TRUE(liberation) << result.out.substr(0, 500);
}

TEST_F(KvorelCommand, RejectsUnknownOptionsWithUsage)
{
    const Result result = Run("--bogus");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage: kvorel"), std::string::npos);
    EXPECT_TRUE(result.out.empty());

    // An option that needs a value but has none is a usage error too.
    EXPECT_EQ(Run("--drum-kits").status, 2);
}

TEST_F(KvorelCommand, ReadsDrumKitFilesOfWholeEntries)
{
    const std::vector<BYTE> first = kvtest::MakeDrumKitEntry("Standard");
    const std::vector<BYTE> second = kvtest::MakeDrumKitEntry("Brush");
    std::string bytes(first.begin(), first.end());
    bytes.append(second.begin(), second.end());
    // The command runs in another folder, so it gets absolute paths.
    EXPECT_EQ(Run("--drum-kits " + WriteFile("kits.bin", bytes).string()).status, 0);

    const Result odd = Run("--drum-kits " + WriteFile("odd.bin", std::string(8995, '\0')).string());
    EXPECT_EQ(odd.status, 1);
    EXPECT_NE(odd.err.find("8995"), std::string::npos);

    EXPECT_EQ(Run("--drum-kits " + WriteFile("empty.bin", "").string()).status, 1);
    EXPECT_EQ(Run("--drum-kits " + (TempDir() / "missing.bin").string()).status, 1);
}

TEST_F(KvorelCommand, ChoosesTheCodePageByName)
{
    EXPECT_EQ(Run("--code-page Windows-1252").status, 0);
    EXPECT_EQ(Run("--code-page 949").status, 0);
    EXPECT_EQ(Run("--code-page Klingon").status, 2);
}

TEST_F(KvorelCommand, HostCopiesEachDrumKitEntryIntoItsOwnBlock)
{
    std::vector<BYTE> bytes = kvtest::MakeDrumKitEntry("Rock");
    const std::vector<BYTE> jazz = kvtest::MakeDrumKitEntry("Jazz");
    bytes.insert(bytes.end(), jazz.begin(), jazz.end());
    const auto path = WriteFile("kits.bin", std::string(bytes.begin(), bytes.end()));

    kvorel::Host app;
    std::string message;
    EXPECT_EQ(app.DrumKits(), nullptr);
    ASSERT_TRUE(app.LoadDrumKits(path.string(), message)) << message;
    CPtrArray* kits = app.DrumKits();
    ASSERT_NE(kits, nullptr);
    ASSERT_EQ(kits->GetSize(), 2);
    EXPECT_STREQ(static_cast<const char*>(kits->GetAt(0)) + kvtest::kDrumKitNameOffset, "Rock");
    EXPECT_STREQ(static_cast<const char*>(kits->GetAt(1)) + kvtest::kDrumKitNameOffset, "Jazz");
    EXPECT_NE(kits->GetAt(0), kits->GetAt(1));
}

TEST_F(KvorelCommand, HostAnswersFromItsStringTableAndResourceModule)
{
    kvorel::Host app;
    CString text;
    EXPECT_TRUE(app.LoadString(125, text));
    EXPECT_EQ(text, "rgp");
    EXPECT_TRUE(app.LoadString(25132, text));
    EXPECT_EQ(text, "Liberation Serif");
    EXPECT_FALSE(app.LoadString(1, text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(app.MessageBox("Out of Memory !!!", MB_YESNO), IDNO);
    EXPECT_EQ(app.MessageBox("Save?", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(app.MessageBox("Done", MB_OK), IDOK);
    EXPECT_EQ(AfxGetThread()->m_pMainWnd != nullptr, true);

    HRSRC found = FindResourceA(app.ResourceModule(), MAKEINTRESOURCE(kvorel::kBackgroundBitmapId), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(app.ResourceModule(), found), 40u + 8 * 8 * 3);
    const BYTE* dib = static_cast<const BYTE*>(LockResource(LoadResource(app.ResourceModule(), found)));
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib[0], 40);     // header size
    EXPECT_EQ(dib[4], 8);      // width
    EXPECT_EQ(dib[14], 24);    // bits per pixel
}

TEST(ProgressBar, RedrawsInPlaceAndEndsWithANewline)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    kvorel::ProgressBar bar(out);
    bar.Show(0, nullptr);
    bar.Show(50, nullptr);
    bar.Show(100, nullptr);
    std::rewind(out);
    std::string written;
    for (int ch; (ch = std::fgetc(out)) != EOF;)
        written += static_cast<char>(ch);
    std::fclose(out);

    const std::string empty = "[" + std::string(40, ' ') + "]   0%";
    const std::string half = "[" + std::string(20, '#') + std::string(20, ' ') + "]  50%";
    const std::string full = "[" + std::string(40, '#') + "] 100%";
    EXPECT_EQ(half, "[####################                    ]  50%");
    EXPECT_EQ(written, "\r" + empty + "\r" + half + "\r" + full + "\n");
}

TEST(ProgressBar, PadsShorterLinesAndCountsFullCells)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    kvorel::ProgressBar bar(out);
    bar.Show(45, "Reading the header of Encore file ...");
    bar.Show(47, nullptr);
    std::rewind(out);
    std::string written;
    for (int ch; (ch = std::fgetc(out)) != EOF;)
        written += static_cast<char>(ch);
    std::fclose(out);

    const std::string first = kvorel::ProgressBar::Line(45, "Reading the header of Encore file ...");
    const std::string second = kvorel::ProgressBar::Line(47, nullptr);
    // 45 percent fills 18 cells, 47 percent still 18.
    EXPECT_EQ(first.substr(0, 20), "[" + std::string(18, '#') + " ");
    EXPECT_EQ(second.substr(0, 20), "[" + std::string(18, '#') + " ");
    EXPECT_EQ(written, "\r" + first + "\r" + second + std::string(first.size() - second.size(), ' '));
}

} // namespace
