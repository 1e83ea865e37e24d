// The layering check of the includes under src/ (.ci/check-layering): it
// passes on this tree, and on a copy of the tree it fails, naming file and
// line, where an include runs against the README's layering.

#include "support/KvTest.h"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class LayeringCheck : public kvtest::KvTest {
protected:
    struct Result {
        int status;
        std::string output;
    };

    static Result Check(const fs::path& root)
    {
        const std::string command = std::string("'") + KV_SOURCE_DIR + "/.ci/check-layering' '" + root.string()
            + "' 2>&1 </dev/null";
        Result result {-1, {}};
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            result.output += buffer;
        const int raw = pclose(pipe);
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return result;
    }

    // A copy of the sources and the README to plant includes in.
    fs::path Copy(const std::string& name = "tree")
    {
        const fs::path root = TempDir() / name;
        fs::create_directories(root);
        fs::copy(fs::path(KV_SOURCE_DIR) / "src", root / "src", fs::copy_options::recursive);
        fs::copy_file(fs::path(KV_SOURCE_DIR) / "README.md", root / "README.md");
        return root;
    }

    // Puts `line` in as line `number` of the file.
    static void InsertLine(const fs::path& file, int number, const std::string& line)
    {
        std::ifstream in(file);
        std::stringstream text;
        std::string current;
        for (int at = 1; std::getline(in, current); ++at) {
            if (at == number)
                text << line << '\n';
            text << current << '\n';
        }
        in.close();
        std::ofstream(file) << text.str();
    }

    // Replaces the first occurrence of `from` in the file by `to`.
    void Replace(const fs::path& file, const std::string& from, const std::string& to)
    {
        std::string text = ReadFile(file);
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(file) << text;
    }
};

TEST_F(LayeringCheck, PassesOnTheTree)
{
    const Result result = Check(KV_SOURCE_DIR);
    EXPECT_EQ(result.status, 0) << result.output;
}

TEST_F(LayeringCheck, NamesFileAndLineOfAnIncludeFromAboveAndFails)
{
    const fs::path root = Copy();
    InsertLine(root / "src/model/PitchMath.cpp", 2, "#include \"render/ScoreView.h\"");
    InsertLine(root / "src/platform/MulDiv.cpp", 1, "#  include \"model/KVMsg.h\"");
    const Result result = Check(root);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("src/model/PitchMath.cpp:2: model/ includes render/ScoreView.h"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("src/platform/MulDiv.cpp:1: platform/ includes model/KVMsg.h"), std::string::npos)
        << result.output;
}

TEST_F(LayeringCheck, FoldersOfOneLayerAndLowerLayersMayBeIncluded)
{
    const fs::path root = Copy();
    // document and timing share a layer; edit lies above model.
    InsertLine(root / "src/document/RecordIO.cpp", 2, "#include \"timing/TieLinks.h\"");
    InsertLine(root / "src/edit/KVDocPages.cpp", 2, "#include \"model/KVPage.h\"");
    const Result result = Check(root);
    EXPECT_EQ(result.status, 0) << result.output;
}

TEST_F(LayeringCheck, AnExceptionHoldsForTheListedFileOnly)
{
    const fs::path root = Copy();
    // The measure drawer may include the chord symbol; another drawer may not.
    InsertLine(root / "src/render/ScoreViewText.cpp", 2, "#include \"harmony/ChordSymbol.h\"");
    const Result result = Check(root);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("src/render/ScoreViewText.cpp:2:"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("ScoreViewMeasure"), std::string::npos) << result.output;
}

TEST_F(LayeringCheck, TheReadmeListIsTheOneListOfExceptions)
{
    // Dropping a row from the README makes its include fail.
    const fs::path root = Copy();
    Replace(root / "README.md", "| `src/platform/Start.cpp` | `model/DllMain.h` |", "| `src/platform/Other.cpp` | `model/DllMain.h` |");
    Result result = Check(root);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("src/platform/Start.cpp:"), std::string::npos) << result.output;
    // The row naming a file that includes nothing against the layering is
    // reported as listed in vain.
    EXPECT_NE(result.output.find("src/platform/Other.cpp -> model/DllMain.h is listed but no include needs it"),
              std::string::npos)
        << result.output;

    // A listed include that no file has any more fails too.
    const fs::path second = Copy("second");
    Replace(second / "src/render/ScoreViewMeasure.cpp", "#include \"harmony/ChordSymbol.h\"", "");
    result = Check(second);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("src/render/ScoreViewMeasure.cpp -> harmony/ChordSymbol.h is listed"),
              std::string::npos)
        << result.output;
}

TEST_F(LayeringCheck, AFolderWithoutALayerFails)
{
    const fs::path root = Copy();
    fs::create_directories(root / "src/gadget");
    std::ofstream(root / "src/gadget/Gadget.cpp") << "#include \"model/KVMsg.h\"\n";
    InsertLine(root / "src/harmony/Rhythm.cpp", 2, "#include \"support/KvTest.h\"");
    const Result result = Check(root);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("src/gadget/Gadget.cpp:1: folder gadget/ has no place"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("src/harmony/Rhythm.cpp:2: includes support/KvTest.h from support/"),
              std::string::npos)
        << result.output;
}

TEST_F(LayeringCheck, AReadmeWithoutLayeringIsRefused)
{
    const fs::path root = Copy();
    Replace(root / "README.md", "| layering |", "| layers |");
    const Result result = Check(root);
    EXPECT_EQ(result.status, 2) << result.output;
}

} // namespace
