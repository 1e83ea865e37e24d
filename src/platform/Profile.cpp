#include "Profile.h"

#include "Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char FoldAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

struct Line {
    enum Kind { blank, comment, section, entry };
    size_t start;          // first byte of the line
    size_t end;            // end of its text, before CR LF or LF
    size_t next;           // first byte of the next line
    Kind kind;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // an entry's value, trimmed, quotes kept
};

// The line that starts at `start`; its names point into `text`.
Line ParseLine(std::string_view text, size_t start)
{
    Line line{};
    line.start = start;
    const size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
        line.end = text.size();
        line.next = text.size();
    } else {
        line.end = newline > start && text[newline - 1] == '\r' ? newline - 1 : newline;
        line.next = newline + 1;
    }

    const std::string_view content = Trim(text.substr(line.start, line.end - line.start));
    const size_t close = !content.empty() && content[0] == '[' ? content.rfind(']') : std::string_view::npos;
    if (content.empty()) {
        line.kind = Line::blank;
    } else if (content[0] == ';') {
        line.kind = Line::comment;
    } else if (close != std::string_view::npos) {
        line.kind = Line::section;
        line.name = Trim(content.substr(1, close - 1));
    } else {
        // A line without "=" is a key with an empty value.
        line.kind = Line::entry;
        const size_t equals = content.find('=');
        line.name = Trim(content.substr(0, equals));
        if (equals != std::string_view::npos)
            line.value = Trim(content.substr(equals + 1));
    }
    return line;
}

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    for (size_t start = 0; start < text.size();) {
        lines.push_back(ParseLine(text, start));
        start = lines.back().next;
    }
    return lines;
}

// Index of the first section called `name`, or -1; `end` receives the index
// of the line after its last line.
int FindSection(const std::vector<Line>& lines, std::string_view name, int& end)
{
    const int count = static_cast<int>(lines.size());
    for (int i = 0; i < count; ++i) {
        if (lines[i].kind != Line::section || !EqualNoCase(lines[i].name, name))
            continue;
        end = i + 1;
        while (end < count && lines[end].kind != Line::section)
            ++end;
        return i;
    }
    end = -1;
    return -1;
}

int FindKey(const std::vector<Line>& lines, int first, int end, std::string_view key)
{
    for (int i = first; i < end; ++i) {
        if (lines[i].kind == Line::entry && EqualNoCase(lines[i].name, key))
            return i;
    }
    return -1;
}

// FALSE with errno set when the file cannot be read.
bool ReadWhole(const std::string& path, std::string& text)
{
    text.clear();
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return n == 0;
        }
        text.append(chunk, static_cast<size_t>(n));
    }
}

bool WriteWhole(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return close(fd) == 0;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue,
                               LPSTR buffer, DWORD size, LPCSTR fileName)
{
    if (!buffer || size == 0)
        return 0;
    buffer[0] = '\0';
    if (!section || !key)
        return 0;

    std::string text;
    std::string_view result;
    bool found = false;
    if (ReadWhole(KvMapPath(fileName), text)) {
        const std::vector<Line> lines = SplitLines(text);
        int end = 0;
        const int first = FindSection(lines, Trim(section), end);
        const int line = first < 0 ? -1 : FindKey(lines, first + 1, end, Trim(key));
        if (line >= 0) {
            result = Unquote(lines[static_cast<size_t>(line)].value);
            found = true;
        }
    }
    if (!found) {
        result = defaultValue ? defaultValue : "";
        while (!result.empty() && result.back() == ' ')
            result.remove_suffix(1);
    }

    const size_t count = std::min<size_t>(result.size(), size - 1);
    if (count > 0)
        std::memcpy(buffer, result.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
{
    if (!section)
        return FALSE;
    const std::string path = KvMapPath(fileName);
    if (path.empty())
        return FALSE;
    std::string text;
    if (!ReadWhole(path, text) && errno != ENOENT)
        return FALSE;

    const std::vector<Line> lines = SplitLines(text);
    const std::string sectionName(Trim(section));
    int end = 0;
    const int first = FindSection(lines, sectionName, end);

    if (!key) {
        if (first < 0)
            return TRUE;
        const size_t from = lines[first].start;
        const size_t to = end < static_cast<int>(lines.size()) ? lines[end].start : text.size();
        text.erase(from, to - from);
        return WriteWhole(path, text) ? TRUE : FALSE;
    }

    const std::string keyName(Trim(key));
    const int line = first < 0 ? -1 : FindKey(lines, first + 1, end, keyName);
    if (!value) {
        if (line < 0)
            return TRUE;
        text.erase(lines[line].start, lines[line].next - lines[line].start);
        return WriteWhole(path, text) ? TRUE : FALSE;
    }

    if (line >= 0) {
        // The key keeps the spelling it has in the file.
        if (lines[line].value == value)
            return TRUE;
        const std::string replacement = std::string(lines[line].name) + "=" + value + "\r\n";
        text.replace(lines[line].start, lines[line].next - lines[line].start, replacement);
    } else if (first >= 0) {
        int last = first;
        for (int i = first + 1; i < end; ++i) {
            if (lines[i].kind != Line::blank)
                last = i;
        }
        std::string insertion = keyName + "=" + value + "\r\n";
        if (lines[last].next == lines[last].end)
            insertion.insert(0, "\r\n"); // the line had no end of line
        text.insert(lines[last].next, insertion);
    } else {
        if (!text.empty() && text.back() != '\n')
            text += "\r\n";
        text += "[" + sectionName + "]\r\n" + keyName + "=" + value + "\r\n";
    }
    return WriteWhole(path, text) ? TRUE : FALSE;
}
