#include "Path.h"

#include "ProcessState.h"

#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace {

std::string RealWorkingDirectory()
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::string("/") : current.string();
}

std::string& CurrentDirectory()
{
    static std::string current = RealWorkingDirectory();
    return current;
}

void ResetCurrentDirectory()
{
    CurrentDirectory() = RealWorkingDirectory();
}

KvProcessReset s_reset("virtual current directory", &ResetCurrentDirectory);

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, const char* b)
{
    const size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The entry of `directory` whose name equals `name` ignoring ASCII case,
// the byte-order-first when several do; `name` itself when none does.
std::string FindSpelling(const std::string& directory, const std::string& name)
{
    DIR* dir = opendir(directory.empty() ? "/" : directory.c_str());
    if (!dir)
        return name;
    std::string best;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (!EqualNoCase(name, entry->d_name))
            continue;
        if (!found || std::strcmp(entry->d_name, best.c_str()) < 0)
            best = entry->d_name;
        found = true;
    }
    closedir(dir);
    return found ? best : name;
}

} // namespace

std::string KvPathWithoutDrive(const char* path)
{
    std::string text = path ? path : "";
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    if (text.size() >= 2 && text[1] == ':'
        && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')))
        text.erase(0, 2);
    return text;
}

std::string KvMapPath(const char* path)
{
    if (!path || !*path)
        return std::string();
    std::string text = KvPathWithoutDrive(path);
    const bool trailingSlash = !text.empty() && text.back() == '/';
    if (text.empty() || text[0] != '/')
        text = CurrentDirectory() + "/" + text;

    // Walk the components from the root: "." and ".." are resolved by the
    // text, as Windows does, and each name gets its spelling on disk.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find('/', start);
        if (slash == std::string::npos)
            slash = text.size();
        const std::string part = text.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }

    std::string mapped;
    bool parentExists = true;
    for (const std::string& part : parts) {
        std::string candidate = mapped + "/" + part;
        if (parentExists && !Exists(candidate)) {
            const std::string spelling = FindSpelling(mapped, part);
            candidate = mapped + "/" + spelling;
            parentExists = spelling != part;
        }
        mapped = candidate;
    }
    if (mapped.empty())
        return "/";
    if (trailingSlash)
        mapped += '/';
    return mapped;
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    std::string mapped = KvMapPath(path);
    struct stat info;
    if (mapped.empty() || stat(mapped.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return FALSE;
    while (mapped.size() > 1 && mapped.back() == '/')
        mapped.pop_back();
    CurrentDirectory() = mapped;
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

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES /*security*/)
{
    const std::string mapped = KvMapPath(path);
    if (mapped.empty())
        return FALSE;
    return mkdir(mapped.c_str(), 0777) == 0 ? TRUE : FALSE;
}
