// The Brenlo road of `kvorel import`: files that are neither Encore nor KVC.

#include "support/BrenloBuffer.h"
#include "support/KvTest.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class KvorelImportBrenlo : public kvtest::KvTest {
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

    std::string Write(const std::string& name, const kvtest::BrenloBytes& bytes)
    {
        return WriteFile(name, std::string(bytes.begin(), bytes.end())).string();
    }
};

TEST_F(KvorelImportBrenlo, APageBufferBecomesAScoreThatInfoAndRenderRead)
{
    const std::string in = Write("page.brenlo", kvtest::WriteBrenlo(kvtest::BrenloSamplePage()));
    const std::string out = (TempDir() / "page.kvc").string();
    const Result imported = Run("import '" + in + "' '" + out + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err, "");
    const Result info = Run("info '" + out + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("pages 1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("staves 1 ossia 0\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("measures 3\n"), std::string::npos) << info.out;
    const Result render = Run("render '" + out + "' -o '" + (TempDir() / "page.png").string() + "'");
    EXPECT_EQ(render.status, 0) << render.err;
}

// A chord holds one note at each height: a head on the step of another head
// of its chord is left out and told, and the score is still written.
TEST_F(KvorelImportBrenlo, SaysHowManyNotesShareTheirChordsHeight)
{
    kvtest::BrenloPage page = kvtest::BrenloSamplePage();
    page.systems[0].symbols[3].heads.push_back({4, 0, 1, 8});
    const std::string in = Write("unison.brenlo", kvtest::WriteBrenlo(page));
    const std::string out = (TempDir() / "unison.kvc").string();
    const Result imported = Run("import '" + in + "' '" + out + "'");
    EXPECT_EQ(imported.status, 0);
    EXPECT_EQ(imported.err,
              "kvorel: 1 notes of " + in + " share their chord's height with another note and were not imported\n");
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(KvorelImportBrenlo, RefusalsSayWhyAndWriteNothing)
{
    const kvtest::BrenloBytes good = kvtest::WriteBrenlo(kvtest::BrenloSamplePage());
    kvtest::BrenloBytes shortFirst = good;
    kvtest::PutBig32(shortFirst, 2, 95);
    const kvtest::BrenloPage huge = kvtest::BrenloManyMeasuresPage(16001);

    struct Case {
        std::string name;
        kvtest::BrenloBytes bytes;
        std::string message;
    };
    const Case cases[] = {
        {"cut", kvtest::BrenloBytes(good.begin(), good.end() - 1), "cannot be read"},
        {"short-first-block", shortFirst, "cannot be read"},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "cannot be read"},
        {"empty", {}, "cannot be read"},
        {"too-many-measures", kvtest::WriteBrenlo(huge),
         "is a score beyond 255 staves or 32,000 staff measures, which is not imported"},
    };
    for (const Case& c : cases) {
        const std::string in = Write(c.name, c.bytes);
        const auto out = TempDir() / (c.name + ".kvc");
        const Result r = Run("import '" + in + "' '" + out.string() + "'");
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, "kvorel: " + in + " " + c.message + "\n") << c.name;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.name;
    }
}

TEST_F(KvorelImportBrenlo, FilesOverFourMebibytesAreRefusedUnread)
{
    kvtest::BrenloBytes big = kvtest::WriteBrenlo(kvtest::BrenloSamplePage());
    big.resize(4u * 1024 * 1024 + 1, 0);
    const std::string in = Write("big", big);
    const auto out = TempDir() / "big.kvc";
    const Result r = Run("import '" + in + "' '" + out.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kvorel: " + in + " cannot be read\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(KvorelImportBrenlo, AnUnwritableOutputIsRemovedAndNamed)
{
    const std::string in = Write("page.brenlo", kvtest::WriteBrenlo(kvtest::BrenloSamplePage()));
    const std::string out = TempDir().string();
    const Result r = Run("import '" + in + "' '" + out + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kvorel: " + out + " cannot be written\n");
}

} // namespace
