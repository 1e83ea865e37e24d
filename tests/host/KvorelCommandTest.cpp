#include "support/Drawing.h"
#include "support/DrumKit.h"
#include "support/KvTest.h"
#include "support/MelodyEntry.h"
#include "support/PngPixels.h"
#include "support/ScoreBuilder.h"
#include "support/ScoreGenerator.h"

#include "HostApp.h"
#include "harmony/ChordSymbol.h"
#include "KvcFile.h"
#include "RenderCommand.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "platform/Backends.h"
#include "platform/Recorder.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
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

TEST_F(KvorelCommand, ReadsTheSuffixDictionaryOfTheProgramFolder)
{
    const std::string dir = (TempDir() / "prog").string();
    WriteFile("prog/Chord/ChordSuffix.txt", "m=34\r\nm~7=343\r\n");
    const std::string score = (TempDir() / "s.kvc").string();
    ASSERT_EQ(Run("new '" + score + "'").status, 0);
    const Result read = Run("--program-folder '" + dir + "' info '" + score + "'");
    EXPECT_EQ(read.status, 0) << read.err;

    // A folder without a dictionary is fine; a file is no folder.
    WriteFile("bare/readme.txt", "");
    EXPECT_EQ(Run("--program-folder '" + (TempDir() / "bare").string() + "'").status, 0);
    const Result notFolder = Run("--program-folder '" + (TempDir() / "bare/readme.txt").string() + "'");
    EXPECT_EQ(notFolder.status, 2);
    EXPECT_NE(notFolder.err.find("usage: kvorel"), std::string::npos);

    WriteFile("prog/Chord/ChordSuffix.txt", std::string(17u << 20, 'x'));
    const Result large = Run("--program-folder '" + dir + "' info '" + score + "'");
    EXPECT_EQ(large.status, 1);
    EXPECT_EQ(large.err, "kvorel: " + dir + "/Chord/ChordSuffix.txt cannot be read\n");
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

DWORD DwordAt(const std::string& bytes, size_t at)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<BYTE>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The bytes of a file of the `new` command, made in this process.
std::string NewScoreBytes(const kvorel::NewScoreOptions& options)
{
    CKVDoc doc;
    if (!kvorel::MakeNewScore(doc, options))
        return {};
    CMemFile file;
    if (!kvorel::WriteKvcFile(&file, doc))
        return {};
    std::string bytes(file.GetLength(), '\0');
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

TEST_F(KvorelCommand, NewWritesAWholeScoreFileThatInfoDescribes)
{
    const std::string path = (TempDir() / "t.kvc").string();
    const Result made = Run("new '" + path + "' --staves 2 --measures 16");
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 3404u);
    // Leading part, settings, file info, then the body framed by L.
    const DWORD length = DwordAt(bytes, 3396);
    EXPECT_EQ(bytes.size(), 3404u + length);
    EXPECT_EQ(DwordAt(bytes, bytes.size() - 4), length);
    EXPECT_EQ(DwordAt(bytes, 0), 1420u);
    EXPECT_EQ(bytes.substr(8, 4), "SYMP");
    EXPECT_EQ(bytes.substr(12, 2), std::string("\x12\x20", 2));
    EXPECT_EQ(bytes.substr(1424, 2), std::string("\0\0", 2));
    EXPECT_EQ(bytes.substr(1426, 4), std::string("KVC\0", 4));
    EXPECT_EQ(bytes.substr(2212, 2), std::string("\x12\x20", 2));
    EXPECT_EQ(DwordAt(bytes, 2214), 0u);
    EXPECT_EQ(bytes.substr(2218, 2), std::string("\x78\x04", 2));
    const char* fileInfo = "\x05\x00\x03\x00\x53\x00\x53\x00\x4B\x00\x5E\x00\x25\x00\x4B\x00\x0A\x00\x08\x00";
    EXPECT_EQ(bytes.substr(3364, 20), std::string(fileInfo, 20));
    EXPECT_EQ(bytes.substr(3388, 8), std::string("\x09\x02\x00\x00\x22\x03\x00\x00", 8));

    const Result info = Run("info '" + path + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    const std::vector<std::string> lines = Lines(info.out);
    const std::vector<std::string> expected = {
        "version 8210", "header SYMP", "pages 2", "page 1 blocks 5 ossia 0 symbols 0",
        "page 2 blocks 1 ossia 0 symbols 0", "staves 2 ossia 0", "measures 16"};
    ASSERT_GT(lines.size(), expected.size() + 1) << info.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(lines[expected.size()].rfind("symbols ", 0), 0u) << info.out;
    const std::vector<std::string> kinds(lines.begin() + static_cast<long>(expected.size()) + 1, lines.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "kind 73 2"), kinds.end()) << info.out;
    // With stderr captured, not a terminal, no progress bar is drawn.
    EXPECT_EQ(info.err, "");
}

bool StartsALine(const std::string& text, const std::string& line)
{
    const size_t at = text.find(line);
    return at != std::string::npos && (at == 0 || text[at - 1] == '\n');
}

TEST_F(KvorelCommand, InfoRefusesDamagedAndNewerFiles)
{
    const std::string bytes = NewScoreBytes(kvorel::NewScoreOptions {});
    ASSERT_GT(bytes.size(), 3404u);

    const auto truncated = WriteFile("short.kvc", bytes.substr(0, bytes.size() - 100));
    const Result cut = Run("info '" + truncated.string() + "'");
    EXPECT_EQ(cut.status, 1);
    // The load's progress bar stands on stderr before the message; the
    // message starts a line of its own.
    EXPECT_TRUE(StartsALine(cut.err, "kvorel: " + truncated.string() + " cannot be read\n")) << cut.err;
    EXPECT_TRUE(cut.out.empty());

    std::string newer = bytes;
    newer[12] = 0x13;
    const auto later = WriteFile("newer.kvc", newer);
    const Result refused = Run("info '" + later.string() + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("kvorel: " + later.string() + " was written by a newer version"), std::string::npos)
        << refused.err;
    EXPECT_TRUE(refused.out.empty());

    EXPECT_EQ(Run("info '" + (TempDir() / "missing.kvc").string() + "'").status, 1);
}

TEST_F(KvorelCommand, NewRefusesBadOptionsWithUsage)
{
    const std::string path = (TempDir() / "bad.kvc").string();
    for (const char* options : {"--staves 0", "--measures 40000", "--clef x", "--time 4", "--time 3/6", "--tempo 3",
                                "--staves"}) {
        const Result result = Run("new '" + path + "' " + options);
        EXPECT_EQ(result.status, 2) << options;
        EXPECT_NE(result.err.find("usage: kvorel"), std::string::npos) << options;
    }
    EXPECT_EQ(Run("new").status, 2);
    EXPECT_EQ(Run("info").status, 2);
    EXPECT_TRUE(ReadFile(path).empty());
}

TEST_F(KvorelCommand, NewSaysWhenNotEvenOneSystemFitsAPageAndStillWritesTheScore)
{
    const std::string path = (TempDir() / "tall.kvc").string();
    const Result tall = Run("new '" + path + "' --staves 12 --measures 4");
    EXPECT_EQ(tall.status, 0) << tall.err;
    EXPECT_NE(tall.err.find("12 staves"), std::string::npos) << tall.err;
    const Result info = Run("info '" + path + "'");
    EXPECT_NE(info.out.find("pages 2\npage 1 blocks 1 "), std::string::npos) << info.out;

    const Result fitting = Run("new '" + path + "' --staves 10 --measures 4");
    EXPECT_EQ(fitting.status, 0);
    EXPECT_EQ(fitting.err, "");
}

// Every prefix of a whole file that ends inside the body fails the read;
// only the four-byte trailer may be missing.
TEST_F(KvorelCommand, EveryPrefixOfANewFileFailsUntilOnlyTheTrailerIsMissing)
{
    const std::string bytes = NewScoreBytes(kvorel::NewScoreOptions {});
    ASSERT_GT(bytes.size(), 3404u);
    const size_t size = bytes.size();
    for (size_t k = 0; k <= size; ++k) {
        std::vector<BYTE> prefix(bytes.begin(), bytes.begin() + static_cast<long>(k));
        prefix.push_back(0); // a valid buffer even for the empty prefix
        CMemFile file(prefix.data(), static_cast<UINT>(k));
        CKVDoc doc;
        WORD version = 0;
        bool hostBlock = false;
        const kvorel::KvcReadResult result = kvorel::ReadKvcFile(&file, doc, version, hostBlock);
        if (k + 4 < size) {
            ASSERT_EQ(result, kvorel::KvcReadResult::Unreadable) << "prefix of " << k << " bytes";
        } else {
            ASSERT_EQ(result, kvorel::KvcReadResult::Read) << "prefix of " << k << " bytes";
            EXPECT_EQ(version, kvorel::kKvcVersion);
            EXPECT_TRUE(hostBlock);
            ASSERT_EQ(doc.m_arrSystem.GetSize(), 1);
            EXPECT_EQ(doc.m_arrSystem.GetAt(0)->GetMeasNum(), 16);
        }
    }
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

TEST(ProgressBar, AFailedOperationEndsItsLineOnce)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    kvorel::ProgressBar bar(out);
    bar.EndLine();
    bar.Show(30, nullptr);
    bar.EndLine();
    bar.EndLine();
    bar.Show(100, nullptr);
    bar.EndLine();
    std::rewind(out);
    std::string written;
    for (int ch; (ch = std::fgetc(out)) != EOF;)
        written += static_cast<char>(ch);
    std::fclose(out);
    EXPECT_EQ(written, "\r" + kvorel::ProgressBar::Line(30, nullptr) + "\n\r" + kvorel::ProgressBar::Line(100, nullptr) + "\n");
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

// `kvorel render` on a score made by `kvorel new` (two pages).
class KvorelRender : public KvorelCommand {
protected:
    void SetUp() override
    {
        KvorelCommand::SetUp();
        score = (TempDir() / "score.kvc").string();
        const Result made = Run("new '" + score + "'");
        ASSERT_EQ(made.status, 0) << made.err;
    }

    Result Render(const std::string& output, const std::string& options = "")
    {
        return Run("render '" + score + "' -o '" + (TempDir() / output).string() + "' " + options);
    }

    // The size in a PNG's header; (0, 0) when the file is no PNG.
    std::pair<DWORD, DWORD> PngSize(const std::string& name)
    {
        const std::string bytes = ReadFile(TempDir() / name);
        if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
            return {0, 0};
        auto bigEndian = [&](size_t at) {
            DWORD value = 0;
            for (size_t i = 0; i < 4; ++i)
                value = (value << 8) | static_cast<BYTE>(bytes[at + i]);
            return value;
        };
        return {bigEndian(16), bigEndian(20)};
    }

    bool Exists(const std::string& name) { return std::filesystem::exists(TempDir() / name); }

    std::string score;
};

// Tags open and close in order and one root element holds everything.
std::string RootOfWellFormedXml(const std::string& text)
{
    std::vector<std::string> open;
    std::string root;
    size_t at = text.find('<');
    for (; at != std::string::npos; at = text.find('<', at)) {
        if (text.compare(at, 4, "<!--") == 0 || text.compare(at, 2, "<?") == 0 || text.compare(at, 2, "<!") == 0) {
            const char* close = text.compare(at, 4, "<!--") == 0 ? "-->" : ">";
            at = text.find(close, at);
            if (at == std::string::npos)
                return "";
            continue;
        }
        size_t end = at + 1;
        char quote = 0;
        for (; end < text.size() && (quote || text[end] != '>'); ++end)
            if (text[end] == '"' || text[end] == '\'')
                quote = quote == text[end] ? 0 : (quote ? quote : text[end]);
        if (end >= text.size())
            return "";
        const std::string tag = text.substr(at + 1, end - at - 1);
        const std::string name = tag.substr(tag[0] == '/', tag.find_first_of(" \t\r\n/", 1) - (tag[0] == '/'));
        if (tag[0] == '/') {
            if (open.empty() || open.back() != name)
                return "";
            open.pop_back();
        } else {
            if (open.empty() && !root.empty())
                return ""; // a second root
            if (root.empty())
                root = name;
            if (tag.back() != '/')
                open.push_back(name);
        }
        at = end;
    }
    return open.empty() ? root : "";
}

TEST_F(KvorelRender, PngPageHasThePaperSizeAtTheDpiAndZoom)
{
    const Result result = Render("example.png");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(PngSize("example.png"), std::make_pair(DWORD {687}, DWORD {971}));
    ASSERT_EQ(Render("fine.png", "--dpi 192").status, 0);
    EXPECT_EQ(PngSize("fine.png"), std::make_pair(DWORD {1374}, DWORD {1942}));
    // The ending counts in any case.
    ASSERT_EQ(Render("half.PNG", "--zoom 50 --page 2").status, 0);
    EXPECT_EQ(PngSize("half.PNG"), std::make_pair(DWORD {344}, DWORD {486}));
    // With stderr captured, neither render nor its load draws a bar.
    EXPECT_EQ(result.err, "");
}

TEST_F(KvorelRender, AllPagesGoIntoOnePdfOrOneFilePerPage)
{
    ASSERT_EQ(Render("score.pdf", "--all").status, 0);
    const std::string pdf = ReadFile(TempDir() / "score.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    int pages = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        pages += pdf.compare(at, 12, "/Type /Pages") != 0;
    EXPECT_EQ(pages, 2);

    ASSERT_EQ(Render("example.png", "--all").status, 0);
    EXPECT_EQ(PngSize("example-1.png"), std::make_pair(DWORD {687}, DWORD {971}));
    EXPECT_EQ(PngSize("example-2.png"), std::make_pair(DWORD {687}, DWORD {971}));
    EXPECT_FALSE(Exists("example.png"));
    EXPECT_FALSE(Exists("example-3.png"));

    ASSERT_EQ(Render("page.svg").status, 0);
    EXPECT_EQ(RootOfWellFormedXml(ReadFile(TempDir() / "page.svg")), "svg");
}

// Staff lines of a page picture and how solid they print. A line row is a
// pixel row inked (grey 230 or darker) across half the page or more; lines
// are runs of such rows. A row's pixels run from its first ink to its last,
// leaving out those within 3 pixels of anything that crosses the rows just
// above and below it (bar lines, clefs, connectors). A bead is a pixel
// darker than its row's median by more than 24 grey levels; `worst` is the
// highest share of beads in any row.
struct StaffLineBeads {
    int lines = 0;
    double worst = 0;
};

StaffLineBeads MeasureStaffLineBeads(const kvtest::PngPixels& png)
{
    constexpr int kInk = 230, kBead = 24, kMargin = 3;
    const int width = png.Width(), height = png.Height();
    auto grey = [&](int x, int y) {
        const uint32_t rgb = png.Rgb(x, y);
        return static_cast<int>((rgb >> 16) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3;
    };
    std::vector<bool> lineRow(height);
    for (int y = 0; y < height; ++y) {
        int ink = 0;
        for (int x = 0; x < width; ++x)
            ink += grey(x, y) <= kInk;
        lineRow[y] = 2 * ink >= width;
    }
    StaffLineBeads result;
    for (int y = 1; y + 1 < height; ++y) {
        if (!lineRow[y])
            continue;
        result.lines += !lineRow[y - 1];
        int above = y, below = y, first = 0, last = width - 1;
        while (above > 0 && lineRow[above])
            --above;
        while (below + 1 < height && lineRow[below])
            ++below;
        while (first < last && grey(first, y) > kInk)
            ++first;
        while (last > first && grey(last, y) > kInk)
            --last;
        std::vector<bool> crossed(width);
        for (int x = 0; x < width; ++x)
            if (grey(x, above) <= kInk || grey(x, below) <= kInk)
                for (int k = std::max(0, x - kMargin); k <= std::min(width - 1, x + kMargin); ++k)
                    crossed[k] = true;
        std::vector<int> pixels;
        for (int x = first + kMargin; x <= last - kMargin; ++x)
            if (!crossed[x])
                pixels.push_back(grey(x, y));
        if (pixels.empty())
            continue;
        std::vector<int> sorted = pixels;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const int median = sorted[sorted.size() / 2];
        const auto beads = std::count_if(pixels.begin(), pixels.end(), [&](int p) { return p < median - kBead; });
        result.worst = std::max(result.worst, double(beads) / double(pixels.size()));
    }
    return result;
}

// A printed staff is a row of glyphs that overlap. Seen at screen size, as
// viewers raster PDF and SVG, each line is as solid as a drawn line: where
// the soft edges of two glyphs met and darkened twice, every joint showed a
// bead.
TEST_F(KvorelRender, PdfAndSvgStaffLinesPrintSolidAtScreenSize)
{
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0 ||
        std::system("command -v rsvg-convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftoppm or rsvg-convert is not installed";
    ASSERT_EQ(Render("page.pdf").status, 0);
    ASSERT_EQ(Render("page.svg").status, 0);
    const std::string pdf = (TempDir() / "page.pdf").string();
    const std::string svg = (TempDir() / "page.svg").string();
    for (const std::string dpi : {"72", "96", "150"}) {
        const std::string fromPdf = (TempDir() / ("pdf-" + dpi)).string();
        const std::string fromSvg = (TempDir() / ("svg-" + dpi + ".png")).string();
        const std::string pdftoppm = "pdftoppm -r " + dpi + " -png -singlefile '" + pdf + "' '" + fromPdf + "'";
        const std::string rsvg =
            "rsvg-convert -d " + dpi + " -p " + dpi + " -b white -o '" + fromSvg + "' '" + svg + "'";
        ASSERT_EQ(std::system(pdftoppm.c_str()), 0);
        ASSERT_EQ(std::system(rsvg.c_str()), 0);
        for (const std::string& picture : {fromPdf + ".png", fromSvg}) {
            const kvtest::PngPixels png(picture);
            ASSERT_TRUE(png.Ok()) << picture;
            const StaffLineBeads beads = MeasureStaffLineBeads(png);
            EXPECT_EQ(beads.lines, 50) << picture; // five systems of two staves
            EXPECT_LT(beads.worst, 0.01) << picture;
        }
    }
}

TEST_F(KvorelRender, FailuresSayWhyAndLeaveNoFile)
{
    const std::string bytes = ReadFile(score);
    const std::string cut = WriteFile("cut.kvc", bytes.substr(0, bytes.size() - 100)).string();
    std::string later = bytes;
    later[12] = 0x13;
    const std::string newer = WriteFile("newer.kvc", later).string();
    const std::string out = (TempDir() / "out.png").string();
    const std::string nowhere = (TempDir() / "missing" / "out.pdf").string();
    const struct {
        std::string arguments;
        std::string message;
    } failures[] = {
        {"render '" + cut + "' -o '" + out + "'", "kvorel: " + cut + " cannot be read\n"},
        {"render '" + newer + "' -o '" + out + "'", "kvorel: " + newer + " was written by a newer version\n"},
        {"render '" + score + "' -o '" + out + "' --page 9", "kvorel: " + score + " has no page 9\n"},
        {"render '" + score + "' -o '" + nowhere + "'", "kvorel: " + nowhere + " cannot be written\n"},
        {"render '" + score + "' -o '" + out + "' --dpi 1200 --zoom 800", "kvorel: " + out + " cannot be written\n"},
    };
    for (const auto& failure : failures) {
        const Result result = Run(failure.arguments);
        EXPECT_EQ(result.status, 1) << failure.arguments;
        EXPECT_EQ(result.err, failure.message) << failure.arguments;
        EXPECT_FALSE(Exists("out.png")) << failure.arguments;
    }

    for (const char* options : {"-o x.bmp", "-o x.png --page 1 --all", "-o x.png --page 0", "-o x.png --dpi 23",
                                "-o x.png --zoom 801", "-o x.pdf --dpi 96", "--page 1", "-o"}) {
        const Result result = Run("render '" + score + "' " + options);
        EXPECT_EQ(result.status, 2) << options;
        EXPECT_NE(result.err.find("usage: kvorel"), std::string::npos) << options;
    }
}

} // namespace

namespace {

TEST_F(KvorelCommand, ExtractWritesTheChosenStaves)
{
    const std::string a = (TempDir() / "a.kvc").string();
    const std::string b = (TempDir() / "b.kvc").string();
    ASSERT_EQ(Run("new '" + a + "' --staves 3 --measures 4").status, 0);
    ASSERT_EQ(Run("extract '" + a + "' '" + b + "' --staves 1,3").status, 0);
    const Result info = Run("info '" + b + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("staves 2 ossia 0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("measures 4"), std::string::npos) << info.out;

    for (const char* list : {"4", "", "0", "1,x"}) {
        const Result bad = Run("extract '" + a + "' '" + b + "' --staves '" + list + "'");
        EXPECT_EQ(bad.status, 1) << list;
        EXPECT_FALSE(bad.err.empty()) << list;
    }
}

} // namespace

// `kvorel render` on a generated score: every backend, and a page that
// shows what the drawers know.
namespace {

class KvorelRenderScore : public KvorelCommand {
protected:
    void SetUp() override
    {
        KvorelCommand::SetUp();
        // Made once the host is up, so that its view finds the music font.
        m_doc = std::make_unique<CKVDoc>();
        CKVDoc& doc = *m_doc;
        ASSERT_EQ(kvtest::GenerateScore(doc, {.staves = 2, .measures = 32}), 1);
        CKVCtrlTool& tool = doc.m_CtrlTool;
        tool.m_dwB3 = 1;
        tool.m_lB6 = 4;
        tool.m_dwH1 = 0;
        score = (TempDir() / "generated.kvc").string();
        CFile file(score.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        ASSERT_EQ(kvorel::WriteKvcFile(&file, doc), 1);
    }
    Result Render(const std::string& output, const std::string& options = "")
    {
        return Run("render '" + score + "' -o '" + (TempDir() / output).string() + "' " + options);
    }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    void TearDown() override
    {
        m_doc.reset();
        KvorelCommand::TearDown();
    }

    std::unique_ptr<CKVDoc> m_doc;
    std::string score;
};

TEST_F(KvorelRenderScore, PagesShowSystemsBeamsTupletsAndMeasureNumbersInEveryFormat)
{
    for (const char* output : {"page.png", "page.svg"})
        ASSERT_EQ(Render(output).status, 0) << output;
    ASSERT_EQ(Render("score.pdf", "--all").status, 0);

    CKVDoc& doc = *m_doc;
    const std::string pdf = ReadFile(TempDir() / "score.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    const Result info = Run("info '" + score + "'");
    const size_t pagesAt = info.out.find("pages ");
    ASSERT_NE(pagesAt, std::string::npos);
    const std::string pages = info.out.substr(pagesAt + 6, info.out.find('\n', pagesAt) - pagesAt - 6);
    EXPECT_NE(pdf.find("/Type /Pages"), std::string::npos);
    EXPECT_NE(pdf.find("/Count " + pages), std::string::npos) << pages;

    // Page 1 drawn here as the command draws its SVG, onto a recording
    // device: a printing pass, which leaves out what only the screen shows
    // (MIDI events), so that every text recorded is in the SVG too.
    kvorel::PageDevice device;
    ASSERT_TRUE(kvorel::MakePageDevice(doc, false, 0, 100, device));
    auto dc = kvtest::MakeRecordingDC(device.width, device.height, device.resolution, true);
    {
        kvorel::TextBlitSurface surface(doc, device);
        ASSERT_TRUE(kvorel::DrawScorePage(doc, *dc, nullptr, true, device, 0));
    }
    kvrec::Recorder& log = dc->Log();
    EXPECT_FALSE(log.Calls("Polygon").empty()) << "no beam";
    int tupletDigits = 0;
    int musicGlyphs = 0;
    int textCharacters = 0;
    std::vector<std::string> numbers;
    for (const kvrec::Entry* text : log.Texts()) {
        if (text->resolvedFace == "ZelvoraB" || !text->glyphs.empty()) {
            for (int code : text->glyphs) {
                tupletDigits += code >= 0x7F && code <= 0x88;
                musicGlyphs += code != 0x20;
            }
            continue;
        }
        for (char16_t unit : text->units)
            textCharacters += unit != u' ';
        numbers.push_back(text->bytes);
    }
    EXPECT_GT(tupletDigits, 0);
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), "1"), numbers.end());
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), "4"), numbers.end());

    const std::string svg = ReadFile(TempDir() / "page.svg");
    EXPECT_EQ(RootOfWellFormedXml(svg), "svg");
    EXPECT_GE(Count(svg, "href=\"#glyph"), textCharacters);
    // Music glyphs of one colour that follow each other share a path; each
    // is at least one outline of it, opened by a move.
    EXPECT_GE(Count(svg, "M "), musicGlyphs);
}

// The score as the render command reads it back from its file: the title on
// the first page inside the printable area, the footer with the page number
// on every page, the header from the second page on.
TEST_F(KvorelRenderScore, TitleFooterAndHeaderStandOnThePagesTheyBelongTo)
{
    CFile file(score.c_str(), CFile::modeRead | CFile::typeBinary);
    CKVDoc doc;
    WORD version = 0;
    bool hostBlock = false;
    ASSERT_EQ(kvorel::ReadKvcFile(&file, doc, version, hostBlock), kvorel::KvcReadResult::Read);
    ASSERT_GE(doc.GetPageNum(), 2);
    kvorel::PageDevice device;
    ASSERT_TRUE(kvorel::MakePageDevice(doc, false, 0, 100, device));

    struct Shown {
        POINT at;
        UINT align;
    };
    auto texts = [&](int pageIndex) {
        auto dc = kvtest::MakeRecordingDC(device.width, device.height, device.resolution, true);
        {
            kvorel::TextBlitSurface surface(doc, device);
            EXPECT_TRUE(kvorel::DrawScorePage(doc, *dc, nullptr, true, device, pageIndex));
        }
        std::multimap<std::u16string, Shown> shown;
        for (const kvrec::Entry* text : dc->Log().Texts()) {
            if (text->resolvedFace != "ZelvoraB" && text->glyphs.empty() && !text->logical.empty())
                shown.insert({text->units, Shown {text->logical[0], text->align}});
        }
        return shown;
    };
    // The page number at the right of the footer (measure numbers are
    // digits too).
    auto pageNumbers = [](const std::multimap<std::u16string, Shown>& shown, const std::u16string& number) {
        const auto [from, to] = shown.equal_range(number);
        return std::count_if(from, to, [](const auto& t) { return t.second.align == UINT(TA_BASELINE | TA_RIGHT); });
    };

    const auto first = texts(0);
    const CRect print = doc.GetPage(0)->m_rcPrint;
    ASSERT_EQ(first.count(u"Generated score"), 1u);
    const POINT title = first.find(u"Generated score")->second.at;
    EXPECT_TRUE(print.left <= title.x && title.x < print.right && print.top <= title.y && title.y < print.bottom)
        << title.x << ", " << title.y;
    ASSERT_EQ(first.count(u"Composer"), 1u);
    EXPECT_LT(first.find(u"Composer")->second.at.x, print.right);
    ASSERT_EQ(first.count(u"page footer"), 1u);
    EXPECT_EQ(first.find(u"page footer")->second.align, UINT(TA_BASELINE | TA_CENTER));
    EXPECT_EQ(pageNumbers(first, u"1"), 1);

    const auto second = texts(1);
    ASSERT_EQ(second.count(u"Generated score"), 1u);
    EXPECT_EQ(second.find(u"Generated score")->second.align, UINT(TA_TOP | TA_CENTER));
    EXPECT_EQ(second.count(u"page footer"), 1u);
    EXPECT_EQ(pageNumbers(second, u"2"), 1);
    EXPECT_EQ(second.count(u"Composer"), 0u);
}

TEST_F(KvorelRenderScore, PngPageHasInkOnlyInsideItsMarginsAndOnEveryStaff)
{
    ASSERT_EQ(Render("page.png").status, 0);
    CKVDoc& doc = *m_doc;
    kvorel::PageDevice device;
    ASSERT_TRUE(kvorel::MakePageDevice(doc, true, 96, 100, device));
    const std::string png = ReadFile(TempDir() / "page.png");
    ASSERT_GE(png.size(), 24u);
    auto bigEndian = [&](size_t at) {
        return (DWORD(BYTE(png[at])) << 24) | (DWORD(BYTE(png[at + 1])) << 16) | (DWORD(BYTE(png[at + 2])) << 8) |
               DWORD(BYTE(png[at + 3]));
    };
    EXPECT_EQ(bigEndian(16), DWORD(device.width));
    EXPECT_EQ(bigEndian(20), DWORD(device.height));

    // The same page on the same kind of device, here, so that its pixels
    // can be read.
    auto dc = kvtest::MakeRasterDC(device.width, device.height, KvRasterKind::Page);
    {
        kvorel::TextBlitSurface surface(doc, device);
        ASSERT_TRUE(kvorel::DrawScorePage(doc, *dc, nullptr, false, device, 0));
    }
    const std::filesystem::path folder = std::filesystem::path(KV_BUILD_DIR) / "test-pictures";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(KvWritePng(dc->m_hDC, (folder / "generated-page-1.png").string().c_str()));

    dc->SetMapMode(MM_TEXT);
    CKVPage* page = doc.GetPage(0);
    CRect allowed = page->m_rcPrint;
    allowed.InflateRect(10, 10);
    const COLORREF paper = doc.m_CtrlTool.m_crPage & 0x00FFFFFF;

    // Ink reaches the margins in two places only, both true of any score:
    // a text that starts inside the printable area runs on past its right
    // edge (the free texts and MIDI events at the ends of the last
    // measures), and the symbols that stand far above the top system (notes
    // eight gaps high, chords and tuplets above them) reach into the top
    // margin over that system. The same pass on a recording device tells
    // the rows of the texts (not of the music glyphs, which are texts too).
    std::vector<std::pair<int, int>> textRows;
    {
        auto recording = kvtest::MakeRecordingDC(device.width, device.height, 96);
        kvorel::TextBlitSurface surface(doc, device);
        ASSERT_TRUE(kvorel::DrawScorePage(doc, *recording, nullptr, false, device, 0));
        for (const kvrec::Entry* text : recording->Log().Texts()) {
            const bool music = text->resolvedFace == "ZelvoraB" || !text->glyphs.empty();
            if (music || text->device.empty() || text->device[0].x >= allowed.right)
                continue;
            const int height = MulDiv(std::abs(text->font.lfHeight), device.viewport, device.resolution) + 2;
            textRows.emplace_back(text->device[0].y - height, text->device[0].y + height);
        }
    }
    auto inTextRow = [&](int y) {
        return std::any_of(textRows.begin(), textRows.end(),
                           [y](const std::pair<int, int>& rows) { return rows.first <= y && y <= rows.second; });
    };
    CKVBlock* top = page->GetBlock(0);
    ASSERT_NE(top, nullptr);
    for (INT_PTR b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b)
        if (page->m_arrOssiaBlock.GetAt(b)->m_rcBlock.top < top->m_rcBlock.top)
            top = page->m_arrOssiaBlock.GetAt(b);
    const int topLeft = page->m_rcPrint.left + top->m_rcBlock.left;
    const int topRight = page->m_rcPrint.left + top->m_rcBlock.right;

    int strays = 0;
    POINT first {-1, -1};
    for (int y = 0; y < device.height; ++y)
        for (int x = 0; x < device.width; ++x) {
            if ((dc->GetPixel(x, y) & 0x00FFFFFF) == paper || ::PtInRect(&allowed, POINT {x, y}))
                continue;
            const bool rightOfText = x >= allowed.right && y >= allowed.top && y < allowed.bottom && inTextRow(y);
            const bool overTop = y < allowed.top && topLeft <= x && x < topRight;
            if (rightOfText || overTop)
                continue;
            if (strays++ == 0)
                first = POINT {x, y};
        }
    EXPECT_EQ(strays, 0) << "the first at " << first.x << ", " << first.y;

    const int gap = doc.m_nStaffSpace;
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        for (short s = 0; s < block->GetStaffNum(); ++s) {
            const int bottom = page->m_rcPrint.top + block->m_rcBlock.top + static_cast<short>(block->m_arrStaffY[s]);
            int ink = 0;
            for (int y = bottom - 4 * gap; y <= bottom; ++y)
                for (int x = page->m_rcPrint.left + block->m_rcBlock.left; x < page->m_rcPrint.left + block->m_rcBlock.right; ++x)
                    ink += (dc->GetPixel(x, y) & 0x00FFFFFF) != paper;
            EXPECT_GT(ink, 0) << "block " << b << " staff " << s;
        }
    }
}

} // namespace

namespace {

// Older chord texts with a name are counted as chord symbols once loaded.
TEST_F(KvorelCommand, InfoCountsConvertedOlderChordsAsChordSymbols)
{
    kvtest::ScoreBuilder b({.measures = 3, .pageGeometry = true});
    tagFRETDATA named;
    named.byNameLen = 6;
    std::memcpy(named.szName, "C#m7/E", 6);
    b.Symbol(b.Meas(0, 0), MSG_OLDFRET, 10, -40)->FretDataToMsg(named);
    b.Symbol(b.Meas(0, 1), MSG_OLDCHORDNAME, 10, -40)->TextToKVMsg("Bb7/F");
    b.Symbol(b.Meas(0, 2), MSG_OLDFRET, 10, -40)->FretDataToMsg(tagFRETDATA {});
    b.Settle();
    CMemFile file;
    ASSERT_EQ(kvorel::WriteKvcFile(&file, b.Doc()), 1);
    std::string bytes(file.GetLength(), '\0');
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    const std::string path = WriteFile("older.kvc", bytes).string();

    const Result info = Run("info '" + path + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    const std::vector<std::string> lines = Lines(info.out);
    auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    EXPECT_TRUE(has("kind 22 1")) << info.out;
    EXPECT_TRUE(has("kind 69 2")) << info.out;
    for (const std::string& line : lines)
        EXPECT_NE(line.rfind("kind 23 ", 0), 0u) << info.out;
}

TEST_F(KvorelCommand, ChordsNamesTheFirstStaffAndSavesTheScore)
{
    CKVDoc doc;
    ASSERT_EQ(kvorel::MakeNewScore(doc, {.staves = 1, .measures = 4}), 1);
    kvtest::EnterMelody(doc, 0, "C5q E5q C5q E5q | A4q C5q B4q G4q | C5w | Rw");
    CMemFile file;
    ASSERT_EQ(kvorel::WriteKvcFile(&file, doc), 1);
    std::string bytes(file.GetLength(), '\0');
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    const std::string in = WriteFile("in.kvc", bytes).string();
    const std::string out = (TempDir() / "out.kvc").string();

    const Result named = Run("chords '" + in + "' -o '" + out + "'");
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.out, "1 C\n2 F G\n3 C\n4 -\n");
    EXPECT_EQ(ReadFile(in), bytes) << "the input was changed";
    const Result info = Run("info '" + out + "'");
    const std::vector<std::string> lines = Lines(info.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "kind 69 4"), lines.end()) << info.out;
    {
        CKVDoc loaded;
        WORD version = 0;
        bool hostBlock = false;
        CFile saved(out.c_str(), CFile::modeRead | CFile::typeBinary);
        ASSERT_EQ(kvorel::ReadKvcFile(&saved, loaded, version, hostBlock), kvorel::KvcReadResult::Read);
        std::vector<int> roots;
        CKVStaff* staff = loaded.GetStaff(0, 0);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            meas->ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
            short cursor = 0;
            while (CKVMsg* msg = meas->GetNextMsg(cursor))
                if (msg->m_byKind == MSG_CHORDSYMBOL)
                    roots.push_back(static_cast<CChordSymbol*>(msg)->m_nRoot);
            meas->m_arrWalk.RemoveAll();
        }
        EXPECT_EQ(roots, (std::vector<int> {0, 7, 10, 0}));
    }

    // Without -o the file itself is named; naming it again gives the same.
    const Result inPlace = Run("chords '" + in + "'");
    ASSERT_EQ(inPlace.status, 0) << inPlace.err;
    EXPECT_EQ(inPlace.out, named.out);
    EXPECT_NE(ReadFile(in), bytes);
    const Result again = Run("chords '" + in + "'");
    EXPECT_EQ(again.out, named.out);
    for (const auto& entry : std::filesystem::directory_iterator(TempDir()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();

    // Failures: an unreadable file, an unwritable target, usage errors.
    const std::string junk = WriteFile("junk.kvc", "not a score").string();
    const std::string none = (TempDir() / "none.kvc").string();
    const Result unreadable = Run("chords '" + junk + "' -o '" + none + "'");
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "kvorel: " + junk + " cannot be read\n");
    EXPECT_FALSE(std::filesystem::exists(none));
    const std::string noFolder = (TempDir() / "missing/out.kvc").string();
    const Result unwritable = Run("chords '" + in + "' -o '" + noFolder + "'");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err, "kvorel: " + noFolder + " cannot be written\n");
    for (const std::string& arguments : {std::string("chords"), "chords '" + in + "' -o", "chords '" + in + "' -x y",
                                        "chords '" + in + "' -o a -o b"}) {
        const Result usage = Run(arguments);
        EXPECT_EQ(usage.status, 2) << arguments;
        EXPECT_NE(usage.err.find("chords FILE [-o OUT]  name the chords of the first staff and save the score"),
                  std::string::npos)
            << arguments;
    }
}

} // namespace
