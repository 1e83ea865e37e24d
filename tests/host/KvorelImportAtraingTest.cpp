// `kvorel import` of atraing.enc, then `kvorel info` and `kvorel render` of
// the score it wrote.

#include "support/EncoreWriter.h"
#include "support/KvTest.h"
#include "support/PngPixels.h"

#include "KvcFile.h"
#include "RenderCommand.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kvtest;

namespace {

class KvorelImportAtraing : public KvTest {
protected:
    struct Result {
        int status;
        std::string out;
        std::string err;
    };

    void SetUp() override
    {
        KvTest::SetUp();
        path = SharedEncoreFile("atraing.enc");
        if (!path)
            GTEST_SKIP() << "atraing.enc is not there";
    }

    Result Run(const std::string& arguments)
    {
        const auto out = TempDir() / "stdout.txt";
        const auto err = TempDir() / "stderr.txt";
        const std::string command = std::string("cd '") + TempDir().string() + "' && '" + KVOREL_EXE + "' " +
                                    arguments + " >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
        const int raw = std::system(command.c_str());
        return Result {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
    }

    std::optional<std::filesystem::path> path;
};

TEST_F(KvorelImportAtraing, ImportsListsAndRenders)
{
    const Result imported = Run("import '" + path->string() + "' out.kvc");
    ASSERT_EQ(imported.status, 0) << imported.err;
    // Unisons of two spellings in one chord keep one note each.
    EXPECT_EQ(imported.err, "kvorel: 31 notes of " + path->string() +
                                " share their chord's height with another note and were not imported\n");

    const Result info = Run("info out.kvc");
    ASSERT_EQ(info.status, 0) << info.err;
    for (const char* line : {"pages 44\n", "staves 31 ossia 0\n", "measures 130\n", "kind 1 7295\n", "kind 3 5606\n",
                             "kind 20 400\n", "kind 73 31\n"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << info.out;

    const Result rendered = Run("render out.kvc -o p1.png");
    ASSERT_EQ(rendered.status, 0) << rendered.err;

    // The picture has the page's size at 96 dpi.
    CKVDoc doc;
    WORD version = 0;
    bool hostBlock = false;
    {
        CFile file((TempDir() / "out.kvc").string().c_str(), CFile::modeRead | CFile::typeBinary);
        ASSERT_EQ(kvorel::ReadKvcFile(&file, doc, version, hostBlock), kvorel::KvcReadResult::Read);
    }
    kvorel::PageDevice device;
    ASSERT_TRUE(kvorel::MakePageDevice(doc, true, 96, 100, device));
    PngPixels png((TempDir() / "p1.png").string());
    ASSERT_TRUE(png.Ok());
    ASSERT_EQ(png.Width(), device.width);
    ASSERT_EQ(png.Height(), device.height);
    std::filesystem::create_directories(std::filesystem::path(KV_BUILD_DIR) / "test-pictures");
    std::filesystem::copy_file(TempDir() / "p1.png",
                               std::filesystem::path(KV_BUILD_DIR) / "test-pictures" / "atraing-page-1.png",
                               std::filesystem::copy_options::overwrite_existing);

    // Among the rows of the first staff of page 1 one is a staff line: dark
    // across more than half the picture.
    CKVBlock* block = doc.GetPage(0)->GetBlock(0);
    ASSERT_NE(block, nullptr);
    // Block positions count from the printable area's corner.
    const int staffTop = doc.GetPage(0)->m_rcPrint.top + block->m_rcBlock.top + block->m_arrStaffY[0];
    const int top = MulDiv(staffTop, device.viewport, device.resolution);
    const int bottom = top + MulDiv(4 * doc.m_nStaffSpace + 2, device.viewport, device.resolution) + 2;
    auto dark = [&](int x, int y) {
        const uint32_t rgb = png.Rgb(x, y);
        return (rgb >> 16 & 0xFF) < 128 && (rgb >> 8 & 0xFF) < 128 && (rgb & 0xFF) < 128;
    };
    bool line = false;
    for (int y = std::max(0, top - 4); y <= bottom && y < png.Height() && !line; ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < png.Width(); ++x) {
            if (dark(x, y)) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        line = first >= 0 && last - first > png.Width() / 2;
    }
    EXPECT_TRUE(line) << "rows " << top << " to " << bottom;
}

} // namespace
