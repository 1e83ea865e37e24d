#include "Path.h"

#include "ProcessState.h"

#include <cstring>
#include <filesystem>

namespace {

std::string& CurrentDirectory()
{
    static std::string current = std::filesystem::current_path().string();
    return current;
}

void ResetCurrentDirectory()
{
    CurrentDirectory() = std::filesystem::current_path().string();
}

KvProcessReset s_reset("virtual current directory", &ResetCurrentDirectory);

} // namespace

std::string KvMapPath(const char* path)
{
    std::string mapped = path ? path : "";
    if (mapped.empty() || mapped[0] != '/')
        mapped = CurrentDirectory() + "/" + mapped;
    return mapped;
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    std::error_code error;
    const std::string mapped = KvMapPath(path);
    if (!std::filesystem::is_directory(mapped, error))
        return FALSE;
    CurrentDirectory() = std::filesystem::canonical(mapped, error).string();
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    const std::string& current = CurrentDirectory();
    if (!buffer || size <= current.size())
        return static_cast<DWORD>(current.size() + 1);
    std::memcpy(buffer, current.c_str(), current.size() + 1);
    return static_cast<DWORD>(current.size());
}
