#include "support/KvTest.h"

#include "Platform.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using kvtest::KvTest;

class FileTest : public KvTest {};

// The whole of a memory file, read from its start.
std::string Contents(CMemFile& file)
{
    std::string bytes(file.GetLength(), '\0');
    file.SeekToBegin();
    EXPECT_EQ(file.Read(bytes.data(), static_cast<UINT>(bytes.size())), bytes.size());
    return bytes;
}

// Runs `action` and returns the cause it threw, or -1 when it did not throw.
template <typename Action>
int CauseOf(Action action)
{
    try {
        action();
    } catch (const CFileException& e) {
        return e.m_cause;
    }
    return -1;
}

TEST_F(FileTest, ReadReturnsTheCountReadAndNeverThrowsAtTheEnd)
{
    WriteFile("four.bin", "abcd");
    CFile file;
    ASSERT_TRUE(file.Open("four.bin", CFile::modeRead | CFile::typeBinary | CFile::shareDenyWrite));
    char buffer[10] = {};
    EXPECT_EQ(file.Read(buffer, 10), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(file.Read(buffer, 10), 0u);
    EXPECT_EQ(file.GetLength(), 4u);
    EXPECT_EQ(file.GetPosition(), 4u);
}

TEST_F(FileTest, SeekMovesWithinTheFileAndRejectsPositionsBeforeTheStart)
{
    WriteFile("f.bin", "0123456789");
    CFile file("f.bin", CFile::modeRead);
    EXPECT_EQ(file.Seek(3, CFile::begin), 3u);
    EXPECT_EQ(file.Seek(2, CFile::current), 5u);
    EXPECT_EQ(file.Seek(-1, CFile::end), 9u);
    EXPECT_EQ(CauseOf([&] { file.Seek(-5, CFile::begin); }), CFileException::badSeek);
    EXPECT_EQ(CauseOf([&] { file.Seek(-20, CFile::current); }), CFileException::badSeek);
    EXPECT_EQ(file.GetPosition(), 9u) << "a failed seek leaves the position";
    file.SeekToBegin();
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1), 1u);
    EXPECT_EQ(c, '0');
    EXPECT_EQ(file.SeekToEnd(), 10u);
}

TEST_F(FileTest, OpenFailsQuietlyWhileTheConstructorThrows)
{
    CFile file;
    CFileException error;
    bool threw = false;
    try {
        EXPECT_FALSE(file.Open("missing.bin", CFile::modeRead, &error));
        EXPECT_FALSE(file.Open("missing.bin", CFile::modeRead));
    } catch (...) {
        threw = true;
    }
    EXPECT_FALSE(threw);
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_strFileName, "missing.bin");

    try {
        CFile thrower("missing.bin", CFile::modeRead);
        ADD_FAILURE() << "the constructor did not throw";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_lOsError, ENOENT);
    }

    EXPECT_FALSE(file.Open("no\\such\\dir\\f.bin", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    std::filesystem::create_directory(TempDir() / "folder");
    EXPECT_FALSE(file.Open("folder", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST_F(FileTest, WritingAFileOpenedForReadingIsDenied)
{
    WriteFile("r.bin", "data");
    CFile file("r.bin", CFile::modeRead);
    EXPECT_EQ(CauseOf([&] { file.Write("x", 1); }), CFileException::accessDenied);
    EXPECT_EQ(CauseOf([&] { file.SetLength(1); }), CFileException::accessDenied);
    file.Close();
    EXPECT_EQ(CauseOf([&] { file.Read(nullptr, 0); }), CFileException::invalidFile);
    EXPECT_EQ(ReadFile(TempDir() / "r.bin"), "data");
}

TEST_F(FileTest, CreateTruncatesUnlessToldNotTo)
{
    {
        CFile file("New.Bin", CFile::modeCreate | CFile::modeWrite);
        file.Write("hello world", 11);
        file.Flush();
        EXPECT_EQ(file.GetFilePath(), (TempDir() / "New.Bin").string().c_str());
        EXPECT_EQ(file.GetFileName(), "New.Bin");
        EXPECT_EQ(file.GetFileTitle(), "New");
        file.Close();
        file.Close(); // a second close does nothing
    }
    {
        CFile file("new.bin", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        file.SeekToEnd();
        file.Write("!", 1);
        file.SetLength(6);
    }
    EXPECT_EQ(ReadFile(TempDir() / "New.Bin"), "hello ");
    {
        CFile file("NEW.BIN", CFile::modeCreate | CFile::modeWrite);
    }
    EXPECT_EQ(ReadFile(TempDir() / "New.Bin"), "");
    EXPECT_FALSE(std::filesystem::exists(TempDir() / "NEW.BIN"));
}

TEST_F(FileTest, MemFileShowsTheSameShortReads)
{
    CMemFile mem(16);
    mem.Write("abcd", 4);
    EXPECT_EQ(mem.GetLength(), 4u);
    mem.SeekToBegin();
    char buffer[10] = {};
    EXPECT_EQ(mem.Read(buffer, 10), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(mem.Read(buffer, 10), 0u);
    EXPECT_EQ(CauseOf([&] { mem.Seek(-5, CFile::begin); }), CFileException::badSeek);

    // Works through the base class, as readers take a CFile&.
    CFile& file = mem;
    file.Seek(40, CFile::begin);
    file.Write("z", 1);
    EXPECT_EQ(file.GetLength(), 41u);
    file.Seek(4, CFile::begin);
    char gap[3] = {'#', '#', '#'};
    EXPECT_EQ(file.Read(gap, 3), 3u);
    EXPECT_EQ(std::string(gap, 3), std::string(3, '\0'));
    file.SetLength(2);
    EXPECT_EQ(file.GetPosition(), 2u);
}

TEST_F(FileTest, MemFileOverACallersBuffer)
{
    BYTE bytes[4] = {1, 2, 3, 4};
    CMemFile fixed(bytes, sizeof bytes);
    EXPECT_EQ(fixed.GetLength(), 4u);
    fixed.Seek(1, CFile::begin);
    fixed.Write("\x09", 1);
    EXPECT_EQ(bytes[1], 9);
    fixed.SeekToEnd();
    EXPECT_EQ(CauseOf([&] { fixed.Write("x", 1); }), CFileException::diskFull);

    BYTE room[2] = {};
    CMemFile growing(room, sizeof room, 8);
    EXPECT_EQ(growing.GetLength(), 0u);
    growing.Write("abcdef", 6);
    EXPECT_EQ(Contents(growing), "abcdef");
    EXPECT_EQ(room[0], 0) << "the outgrown buffer is left alone";
}

// A writer that appends in place borrows the file's storage and may put a
// larger block of its own in its place; the file takes that block back.
// A file over a caller's buffer, one that may not grow and one not at its
// end lend nothing.
TEST_F(FileTest, MemFileLendsItsStorageToAppendInPlace)
{
    CMemFile file(4);
    file.Write("abc", 3);
    BYTE* block = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;
    ASSERT_TRUE(file.BeginAppend(block, used, capacity));
    EXPECT_EQ(used, 3u);
    ASSERT_GE(capacity, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 3), "abc");
    BYTE* other = nullptr;
    DWORD otherUsed = 0;
    DWORD otherCapacity = 0;
    EXPECT_FALSE(file.BeginAppend(other, otherUsed, otherCapacity)) << "lent once at a time";

    // Grown as the record writers grow their buffers.
    auto* grown = static_cast<BYTE*>(std::malloc(64));
    ASSERT_NE(grown, nullptr);
    std::memcpy(grown, block, used);
    std::free(block);
    std::memcpy(grown + used, "defgh", 5);
    file.EndAppend(grown, used + 5, 64);
    EXPECT_EQ(file.GetLength(), 8u);
    EXPECT_EQ(file.GetPosition(), 8u);
    file.Write("!", 1);
    EXPECT_EQ(Contents(file), "abcdefgh!");

    file.Seek(2, CFile::begin);
    EXPECT_FALSE(file.BeginAppend(block, used, capacity)) << "not at its end";
    CMemFile fixedSize(0);
    EXPECT_FALSE(fixedSize.BeginAppend(block, used, capacity)) << "may not grow";
    BYTE bytes[4] = {};
    CMemFile overBuffer(bytes, sizeof bytes, 8);
    EXPECT_FALSE(overBuffer.BeginAppend(block, used, capacity)) << "the caller's buffer";
    EXPECT_EQ(file.GetLength(), 9u);
}

} // namespace
