#include "support/KvTest.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kvtest {

void KvTest::SetUp()
{
    ResetProcessState();
    SetHostServices(&host);

    std::string pattern = (std::filesystem::temp_directory_path() / "kvtest-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    ASSERT_NE(made, nullptr) << "cannot create a temporary directory";
    m_tempDir = made;
    ASSERT_TRUE(SetCurrentDirectoryA(m_tempDir.c_str()));
}

void KvTest::TearDown()
{
    ResetProcessState();
    std::error_code ignored;
    if (!m_tempDir.empty())
        std::filesystem::remove_all(m_tempDir, ignored);
}

std::filesystem::path KvTest::WriteFile(const std::string& relativePath, const std::string& bytes)
{
    const std::filesystem::path path = m_tempDir / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string KvTest::ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace kvtest
