// `kvorel import`: Encore files become KVC scores; every refusal says why
// and writes nothing.

#include "support/EncoreWriter.h"
#include "support/KvTest.h"

#include "ImportCommand.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kvtest;

namespace {

class KvorelImport : public KvTest {
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
        const std::string command = std::string("cd '") + TempDir().string() + "' && '" + KVOREL_EXE + "' " +
                                    arguments + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(command.c_str());
        return Result {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
    }
    void Write(const std::string& name, const std::vector<BYTE>& bytes)
    {
        WriteFile(name, std::string(bytes.begin(), bytes.end()));
    }
    bool Exists(const std::string& name) { return std::filesystem::exists(TempDir() / name); }
};

TEST_F(KvorelImport, WritesAnEncoreSkeletonThatInfoAndRenderRead)
{
    Write("score.enc", WriteEncore(SkeletonEncore(), EncoreOrder::Scow));
    const Result result = Run("import score.enc out.kvc");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_TRUE(Exists("out.kvc"));
    const Result info = Run("info out.kvc");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("pages 2\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("staves 3 ossia 0\n"), std::string::npos);
    EXPECT_NE(info.out.find("measures 10\n"), std::string::npos);
    EXPECT_EQ(Run("render out.kvc -o page.png").status, 0);
}

TEST_F(KvorelImport, SaysHowManySymbolsWereTooShort)
{
    EncoreFile f = SkeletonEncore();
    const EncoreSymbol shortRecord = EncRawRecord({0, 0, 0x50, 5, 0});
    f.measures[0].symbols = {shortRecord};
    f.measures[1].symbols = {shortRecord};
    // Half the file's records: still an import.
    f.measures[2].symbols = {EncRest(0, 0, 10), EncRest(0, 0, 40)};
    Write("short.enc", WriteEncore(f, EncoreOrder::Scow));
    const Result result = Run("import short.enc out.kvc");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "kvorel: 2 symbols of short.enc were too short to read and were skipped\n");
    EXPECT_TRUE(Exists("out.kvc"));
}

// A unison of two spellings in one chord keeps its first note; the other is
// told apart from the records too short to read.
TEST_F(KvorelImport, SaysHowManyNotesShareTheirChordsHeight)
{
    EncoreFile f = SkeletonEncore();
    auto quarter = [](WORD x, signed char y, BYTE accidental) {
        EncoreSymbol s = EncNote(0, 0, x, y, 60, 120, 100, 0, 0x03);
        s.data[11] = accidental;
        return s;
    };
    f.measures[3].symbols = {quarter(10, 0, 0), quarter(10, 0, 1), quarter(10, 4, 0), quarter(60, 4, 0),
                             quarter(60, 4, 2)};
    Write("unison.enc", WriteEncore(f, EncoreOrder::Scow));
    const Result result = Run("import unison.enc out.kvc");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(
        result.err,
        "kvorel: 2 notes of unison.enc share their chord's height with another note and were not imported\n");
    EXPECT_TRUE(Exists("out.kvc"));

    // Records too short to read are told on a line of their own.
    f.measures[2].symbols = {EncRawRecord({0, 0, 0x50, 5, 0}), EncRest(0, 0, 10), EncRest(0, 0, 40)};
    Write("both.enc", WriteEncore(f, EncoreOrder::Scow));
    const Result both = Run("import both.enc out.kvc");
    EXPECT_EQ(both.status, 0);
    EXPECT_EQ(both.err, "kvorel: 1 symbols of both.enc were too short to read and were skipped\n"
                        "kvorel: 2 notes of both.enc share their chord's height with another note and were not "
                        "imported\n");
}

// Every other reason a measure refuses a note, or the score has no place
// for it, is told on a line of its own, after the unisons, and the score is
// still written.
TEST_F(KvorelImport, SaysHowManyNotesEachReasonLeftOut)
{
    EncoreFile f = SkeletonEncore();
    // The second track's two staves are one-line staves.
    f.tracks[1].moreBytes = {{84, 2}};
    auto quarter = [](BYTE track, WORD x, signed char y, BYTE accidental) {
        EncoreSymbol s = EncNote(track, 0, x, y, 60, 120, 100, 0, 0x03);
        s.data[11] = accidental;
        return s;
    };
    EncoreSymbol multiRest = EncRest(0, 0, 5, 0, 33);
    multiRest.data[5] = 2;
    f.measures[3].symbols = {quarter(0, 10, 0, 0), quarter(0, 10, 0, 1), quarter(1, 10, 0, 0), quarter(1, 10, 4, 0)};
    f.measures[4].symbols = {multiRest, quarter(0, 10, 0, 0), quarter(0, 60, 4, 0)};
    // Notes the score has no voice (the ninth and the sixteenth) or no
    // duration (code 11) for.
    EncoreSymbol ninthVoice = EncNote(0, 0, 10, 0, 60, 120, 100, 8, 0x03);
    EncoreSymbol lastVoice = EncNote(0, 0, 60, 0, 60, 120, 100, 15, 0x03);
    f.measures[5].symbols = {ninthVoice, lastVoice, EncNote(0, 0, 10, 4, 60, 120, 100, 0, 0x0B)};
    Write("left.enc", WriteEncore(f, EncoreOrder::Scow));
    const Result result = Run("import left.enc out.kvc");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              "kvorel: 1 notes of left.enc share their chord's height with another note and were not imported\n"
              "kvorel: 2 notes of left.enc stand under a multi-measure rest and were not imported\n"
              "kvorel: 1 notes of left.enc meet a note at another height on a one-line staff and were not imported\n"
              "kvorel: 2 notes of left.enc are in a voice beyond the eighth and were not imported\n"
              "kvorel: 1 notes of left.enc have a duration the score does not hold and were not imported\n");
    EXPECT_TRUE(Exists("out.kvc"));

    // No file of either kind gets a note refused otherwise or a measure
    // crowded past its record here, and no Encore file a stem entry that
    // does not convert; their lines, and none for a reason that left nothing
    // out.
    LeftOutNotes other;
    other.refused = 3;
    other.crowdedMeasure = 4;
    other.unconvertedStem = 5;
    EXPECT_EQ(kvorel::LeftOutNotesLines(other, "x.enc"),
              "kvorel: 3 notes of x.enc could not be placed in their measure and were not imported\n"
              "kvorel: 4 notes of x.enc would crowd their measure past the 255 symbols it holds and were not "
              "imported\n"
              "kvorel: 5 notes of x.enc have a stem entry that does not convert and were not imported\n");
    EXPECT_EQ(kvorel::LeftOutNotesLines(LeftOutNotes {}, "x.enc"), "");
}

TEST_F(KvorelImport, AFileMostlyTooShortForItsLayoutIsRefused)
{
    EncoreFile f = SkeletonEncore();
    const EncoreSymbol shortRecord = EncRawRecord({0, 0, 0x50, 5, 0});
    f.measures[0].symbols = {shortRecord};
    f.measures[1].symbols = {shortRecord};
    f.measures[2].symbols = {EncRest(0, 0, 10), EncRest(0, 0, 40)};
    f.measures[3].symbols = {shortRecord};
    Write("short.enc", WriteEncore(f, EncoreOrder::Scow));
    const Result result = Run("import short.enc out.kvc");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "kvorel: short.enc cannot be read: 3 of 5 symbol records do not fit its layout\n");
    EXPECT_FALSE(Exists("out.kvc"));

    // atraing.enc with its version word damaged into that of the later
    // records.
    const auto path = SharedEncoreFile("atraing.enc");
    if (!path)
        return;
    std::string bytes = ReadFile(*path);
    ASSERT_GT(bytes.size(), 42u);
    bytes[41] = static_cast<char>(0xFF);
    WriteFile("damaged.enc", bytes);
    const Result damaged = Run("import damaged.enc out.kvc");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "kvorel: damaged.enc cannot be read: 9130 of 15475 symbol records do not fit its layout\n");
    EXPECT_FALSE(Exists("out.kvc"));
}

TEST_F(KvorelImport, AtraingImportsWhole)
{
    const auto path = SharedEncoreFile("atraing.enc");
    if (!path)
        GTEST_SKIP() << "atraing.enc is not there";
    const Result result = Run("import '" + path->string() + "' out.kvc");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "kvorel: 31 notes of " + path->string() +
                              " share their chord's height with another note and were not imported\n");
    const Result info = Run("info out.kvc");
    EXPECT_NE(info.out.find("pages 44\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("staves 31 ossia 0\n"), std::string::npos);
    EXPECT_NE(info.out.find("measures 130\n"), std::string::npos);
}

TEST_F(KvorelImport, RefusalsSayWhyAndWriteNothing)
{
    EncoreFile large = MinimalEncore(3201);
    large.tracks[0].staves = 4;
    large.tracks.push_back(large.tracks[0]);
    large.tracks.back().tag = "TK01";
    large.tracks.push_back(large.tracks[0]);
    large.tracks.back().tag = "TK02";
    large.tracks.back().staves = 2;
    Write("large.enc", WriteEncore(large, EncoreOrder::Scow));
    std::vector<BYTE> cut = WriteEncore(SkeletonEncore(), EncoreOrder::Scow);
    cut.erase(cut.end() - 20, cut.end());
    Write("cut.enc", cut);
    WriteFile("hello.txt", "hello");
    ASSERT_EQ(Run("new made.kvc").status, 0);

    const std::pair<std::string, std::string> cases[] = {
        {"large.enc", "kvorel: large.enc is a score beyond 255 staves or 32,000 staff measures, which is not imported\n"},
        {"made.kvc", "kvorel: made.kvc is already a KVC score\n"},
        {"cut.enc", "kvorel: cut.enc cannot be read\n"},
        {"hello.txt", "kvorel: hello.txt cannot be read\n"},
        {"missing.enc", "kvorel: missing.enc cannot be read\n"},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file);
        const Result result = Run("import " + file + " out.kvc");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, message);
        EXPECT_FALSE(Exists("out.kvc"));
    }
    if (const auto bazo = SharedEncoreFile("bazo.enc")) {
        const Result result = Run("import '" + bazo->string() + "' out.kvc");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "kvorel: " + bazo->string() + " is an Encore file of a later layout, which is not read\n");
        EXPECT_FALSE(Exists("out.kvc"));
    }

    Write("score.enc", WriteEncore(SkeletonEncore(), EncoreOrder::Scow));
    std::filesystem::create_directory(TempDir() / "dir.kvc");
    const Result directory = Run("import score.enc dir.kvc");
    EXPECT_EQ(directory.status, 1);
    EXPECT_EQ(directory.err, "kvorel: dir.kvc cannot be written\n");
    const Result usage = Run("import score.enc");
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("kvorel [options] import FILE OUT.kvc"), std::string::npos);
}

TEST_F(KvorelImport, InputsAreToldApartByTheirFirstBytes)
{
    using kvorel::ImportInput;
    const BYTE hostBlock[12] = {0x8C, 0x05, 0, 0, 1, 2, 3, 4, 'S', 'Y', 'M', 'P'};
    EXPECT_EQ(kvorel::ClassifyImportInput(hostBlock, 12), ImportInput::Kvc);
    EXPECT_EQ(kvorel::ClassifyImportInput(reinterpret_cast<const BYTE*>("KVC\0"), 4), ImportInput::Kvc);
    EXPECT_EQ(kvorel::ClassifyImportInput(reinterpret_cast<const BYTE*>("SCO5...."), 8), ImportInput::Encore);
    EXPECT_EQ(kvorel::ClassifyImportInput(reinterpret_cast<const BYTE*>("SCO"), 3), ImportInput::Other);
    EXPECT_EQ(kvorel::ClassifyImportInput(hostBlock, 11), ImportInput::Other);
}

} // namespace
