#include "FileFind.h"

#include "Path.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>

namespace {

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesNoCase(const char* pattern, const char* name)
{
    // Iterative matching with backtracking to the last "*".
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && FoldAscii(*pattern) == FoldAscii(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Folds to upper case as NTFS orders a folder, so "A_x" sorts after "Ab".
bool LessNoCase(const CString& a, const CString& b)
{
    const std::string_view x = a.View();
    const std::string_view y = b.View();
    const size_t common = std::min(x.size(), y.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char cx = static_cast<unsigned char>(UpperAscii(x[i]));
        const unsigned char cy = static_cast<unsigned char>(UpperAscii(y[i]));
        if (cx != cy)
            return cx < cy;
    }
    if (x.size() != y.size())
        return x.size() < y.size();
    return x < y;
}

} // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

BOOL CFileFind::FindFile(LPCTSTR name, DWORD /*unused*/)
{
    Close();
    const std::string text = KvPathWithoutDrive(name ? name : "*.*");

    // The folder goes through the path mapping; the last component is the
    // pattern and is matched against the folder's entries.
    const size_t slash = text.find_last_of('/');
    std::string pattern = slash == std::string::npos ? text : text.substr(slash + 1);
    std::string folder;
    if (slash == std::string::npos) {
        char current[4096];
        const DWORD length = GetCurrentDirectoryA(sizeof current, current);
        if (length == 0 || length >= sizeof current)
            return FALSE;
        folder = current;
    } else if (slash == 0) {
        folder = "/";
    } else {
        folder = KvMapPath(text.substr(0, slash).c_str());
    }
    if (pattern.empty() || folder.empty())
        return FALSE;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (pattern == "*.*")
        pattern = "*";
    const bool root = folder == "/";

    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return FALSE;
    while (const dirent* entry = readdir(dir)) {
        const bool dots = std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        if ((dots && root) || !MatchesNoCase(pattern.c_str(), entry->d_name))
            continue;
        const std::string path = (root ? std::string() : folder) + "/" + entry->d_name;
        struct stat info;
        const bool known = stat(path.c_str(), &info) == 0;
        const bool directory = known && S_ISDIR(info.st_mode);
        const DWORD length = known && !directory ? static_cast<DWORD>(info.st_size) : 0;
        m_matches.push_back(Match{CString(entry->d_name), directory ? TRUE : FALSE, length});
    }
    closedir(dir);
    if (m_matches.empty())
        return FALSE;
    std::sort(m_matches.begin(), m_matches.end(),
              [](const Match& a, const Match& b) { return LessNoCase(a.name, b.name); });
    m_folder = folder.c_str();
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_matches.empty())
        return FALSE;
    if (m_current + 1 < static_cast<int>(m_matches.size()))
        ++m_current;
    return m_current + 1 < static_cast<int>(m_matches.size()) ? TRUE : FALSE;
}

const CFileFind::Match* CFileFind::Current() const
{
    return m_current >= 0 ? &m_matches[static_cast<size_t>(m_current)] : nullptr;
}

CString CFileFind::GetFileName() const
{
    const Match* match = Current();
    return match ? match->name : CString();
}

CString CFileFind::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileFind::GetFilePath() const
{
    const Match* match = Current();
    if (!match)
        return CString();
    return (m_folder == "/" ? CString() : m_folder) + "/" + match->name;
}

DWORD CFileFind::GetLength() const
{
    const Match* match = Current();
    return match ? match->length : 0;
}

BOOL CFileFind::IsDirectory() const
{
    const Match* match = Current();
    return match ? match->directory : FALSE;
}

BOOL CFileFind::IsDots() const
{
    const Match* match = Current();
    return match && match->directory && (match->name == "." || match->name == "..") ? TRUE : FALSE;
}

void CFileFind::Close()
{
    m_folder.Empty();
    m_matches.clear();
    m_current = -1;
}
