#pragma once
// The common fixture: a fresh recording host, the process-wide state reset,
// and the virtual current directory in a new empty temporary directory.

#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kvtest {

class KvTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The temporary directory of this test, the virtual current directory.
    const std::filesystem::path& TempDir() const { return m_tempDir; }
    // Writes a file below TempDir(), creating its folders.
    std::filesystem::path WriteFile(const std::string& relativePath, const std::string& bytes);
    std::string ReadFile(const std::filesystem::path& path);

    RecordingHost host;

private:
    std::filesystem::path m_tempDir;
};

} // namespace kvtest
