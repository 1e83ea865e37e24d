#include "String.h"

#include "Fatal.h"
#include "HostServices.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

std::string_view ViewOf(const char* text)
{
    return text ? std::string_view(text) : std::string_view();
}

char AsciiUpper(char ch)
{
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

char AsciiLower(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

CString::CString(const char* text)
{
    SetView(ViewOf(text));
}

CString::CString(const unsigned char* text)
    : CString(reinterpret_cast<const char*>(text))
{
}

CString::CString(const char* text, int length)
{
    if (text && length > 0)
        SetView(std::string_view(text, static_cast<size_t>(length)));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0) {
        m_data.assign(static_cast<size_t>(repeat), ch);
        m_length = repeat;
    }
}

CString::CString(std::string_view text)
{
    SetView(text);
}

CString& CString::operator=(const char* text)
{
    // The text may point into this string.
    std::string copy(ViewOf(text));
    SetView(copy);
    return *this;
}

CString& CString::operator=(const unsigned char* text)
{
    return *this = reinterpret_cast<const char*>(text);
}

CString& CString::operator=(char ch)
{
    SetView(std::string_view(&ch, 1));
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    std::string copy(text.View());
    Settle();
    m_data += copy;
    m_length = static_cast<int>(m_data.size());
    return *this;
}

CString& CString::operator+=(const char* text)
{
    std::string copy(ViewOf(text));
    Settle();
    m_data += copy;
    m_length = static_cast<int>(m_data.size());
    return *this;
}

CString& CString::operator+=(char ch)
{
    Settle();
    m_data += ch;
    m_length = static_cast<int>(m_data.size());
    return *this;
}

void CString::Empty()
{
    m_data.clear();
    m_data.shrink_to_fit();
    m_length = 0;
}

char CString::GetAt(int index) const
{
    if (index < 0 || index >= m_length)
        KvFatal("CString::GetAt: index %d out of range (length %d)", index, m_length);
    return m_data[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch)
{
    if (index < 0 || index >= m_length)
        KvFatal("CString::SetAt: index %d out of range (length %d)", index, m_length);
    Settle();
    m_data[static_cast<size_t>(index)] = ch;
}

int CString::Compare(LPCTSTR text) const
{
    return Sign(std::strcmp(m_data.c_str(), text ? text : ""));
}

int CString::CompareNoCase(LPCTSTR text) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_data.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text ? text : "");
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(static_cast<char>(*a)));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(static_cast<char>(*b)));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

int CString::Find(char ch, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= m_length)
        return -1;
    const size_t at = View().find(ch, static_cast<size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCTSTR text, int start) const
{
    if (start < 0)
        start = 0;
    if (start > m_length)
        return -1;
    const size_t at = View().find(ViewOf(text), static_cast<size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    const size_t at = View().rfind(ch);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(LPCTSTR set) const
{
    const std::string_view chars = ViewOf(set);
    if (chars.empty())
        return -1;
    const size_t at = View().find_first_of(chars);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const
{
    count = std::clamp(count, 0, m_length);
    return CString(View().substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const
{
    return Mid(first, m_length);
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, m_length);
    count = std::clamp(count, 0, m_length - first);
    return CString(View().substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, m_length);
    return CString(View().substr(static_cast<size_t>(m_length - count)));
}

int CString::Insert(int index, char ch)
{
    return Insert(index, std::string(1, ch).c_str());
}

int CString::Insert(int index, LPCTSTR text)
{
    std::string copy(ViewOf(text));
    Settle();
    index = std::clamp(index, 0, m_length);
    m_data.insert(static_cast<size_t>(index), copy);
    m_length = static_cast<int>(m_data.size());
    return m_length;
}

int CString::Delete(int index, int count)
{
    Settle();
    if (index < 0)
        index = 0;
    if (count > 0 && index < m_length) {
        count = std::min(count, m_length - index);
        m_data.erase(static_cast<size_t>(index), static_cast<size_t>(count));
        m_length = static_cast<int>(m_data.size());
    }
    return m_length;
}

int CString::Remove(char ch)
{
    Settle();
    const auto end = std::remove(m_data.begin(), m_data.end(), ch);
    const int removed = static_cast<int>(m_data.end() - end);
    m_data.erase(end, m_data.end());
    m_length = static_cast<int>(m_data.size());
    return removed;
}

int CString::Replace(char oldCh, char newCh)
{
    Settle();
    int count = 0;
    // Replacing a character by itself replaces nothing.
    if (oldCh == newCh)
        return 0;
    for (char& ch : m_data) {
        if (ch == oldCh) {
            ch = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCTSTR oldText, LPCTSTR newText)
{
    const std::string from(ViewOf(oldText));
    const std::string to(ViewOf(newText));
    if (from.empty())
        return 0;
    Settle();
    std::string result;
    int count = 0;
    size_t pos = 0;
    for (;;) {
        const size_t at = m_data.find(from, pos);
        if (at == std::string::npos)
            break;
        result.append(m_data, pos, at - pos);
        result += to;
        pos = at + from.size();
        ++count;
    }
    if (count > 0) {
        result.append(m_data, pos, std::string::npos);
        SetView(result);
    }
    return count;
}

void CString::TrimLeft()
{
    TrimLeft(std::string(kWhiteSpace).c_str());
}

void CString::TrimLeft(char ch)
{
    TrimLeft(std::string(1, ch).c_str());
}

void CString::TrimLeft(LPCTSTR set)
{
    Settle();
    const size_t first = m_data.find_first_not_of(ViewOf(set));
    m_data.erase(0, first == std::string::npos ? m_data.size() : first);
    m_length = static_cast<int>(m_data.size());
}

void CString::TrimRight()
{
    TrimRight(std::string(kWhiteSpace).c_str());
}

void CString::TrimRight(char ch)
{
    TrimRight(std::string(1, ch).c_str());
}

void CString::TrimRight(LPCTSTR set)
{
    Settle();
    const size_t last = m_data.find_last_not_of(ViewOf(set));
    m_data.erase(last == std::string::npos ? 0 : last + 1);
    m_length = static_cast<int>(m_data.size());
}

void CString::MakeUpper()
{
    Settle();
    for (char& ch : m_data)
        ch = AsciiUpper(ch);
}

void CString::MakeLower()
{
    Settle();
    for (char& ch : m_data)
        ch = AsciiLower(ch);
}

void CString::MakeReverse()
{
    Settle();
    std::reverse(m_data.begin(), m_data.end());
}

void CString::Format(LPCTSTR format, ...)
{
    if (format == nullptr) {
        Empty();
        return;
    }
    // The arguments may refer to this string, so format into a separate
    // buffer that grows until the whole text fits.
    std::vector<char> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int needed = std::vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (needed < 0) {
            Empty();
            return;
        }
        if (static_cast<size_t>(needed) < buffer.size()) {
            SetView(std::string_view(buffer.data(), static_cast<size_t>(needed)));
            return;
        }
        buffer.resize(static_cast<size_t>(needed) + 1);
    }
}

char* CString::GetBuffer(int minLength)
{
    const size_t size = static_cast<size_t>(std::max(minLength, m_length));
    if (m_data.size() < size)
        m_data.resize(size, '\0');
    return m_data.data();
}

char* CString::GetBufferSetLength(int length)
{
    if (length < 0)
        length = 0;
    m_data.resize(static_cast<size_t>(length), '\0');
    m_length = length;
    return m_data.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_data.c_str()));
    if (static_cast<size_t>(newLength) > m_data.size())
        newLength = static_cast<int>(m_data.size());
    m_data.resize(static_cast<size_t>(newLength));
    m_length = newLength;
}

BOOL CString::LoadString(UINT id)
{
    CString text;
    if (!GetHostServices().LoadString(id, text)) {
        Empty();
        return FALSE;
    }
    *this = text;
    return TRUE;
}

void CString::Settle()
{
    if (m_data.size() != static_cast<size_t>(m_length))
        m_data.resize(static_cast<size_t>(m_length));
}

void CString::SetView(std::string_view text)
{
    m_data.assign(text);
    m_length = static_cast<int>(m_data.size());
}

CString operator+(const CString& a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(char a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return a.Compare(b) > 0; }
bool operator>(const CString& a, const char* b) { return a.Compare(b) > 0; }
bool operator>(const char* a, const CString& b) { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, const char* b) { return a.Compare(b) <= 0; }
bool operator<=(const char* a, const CString& b) { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, const char* b) { return a.Compare(b) >= 0; }
bool operator>=(const char* a, const CString& b) { return b.Compare(a) <= 0; }
