#pragma once
// CString: a counted string of bytes. It knows nothing of UTF-8: bytes 128-255
// are kept as they are, and case operations touch ASCII letters only.

#include "WinTypes.h"

#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const char* text);
    CString(const unsigned char* text);
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    explicit CString(std::string_view text);
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(const unsigned char* text);
    CString& operator=(char ch);

    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    int GetLength() const { return m_length; }
    BOOL IsEmpty() const { return m_length == 0; }
    void Empty();

    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }
    operator LPCTSTR() const { return m_data.c_str(); }

    int Compare(LPCTSTR text) const;
    int CompareNoCase(LPCTSTR text) const;

    int Find(char ch, int start = 0) const;
    int Find(LPCTSTR text, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCTSTR set) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    int Insert(int index, char ch);
    int Insert(int index, LPCTSTR text);
    int Delete(int index, int count = 1);
    int Remove(char ch);
    int Replace(char oldCh, char newCh);
    int Replace(LPCTSTR oldText, LPCTSTR newText);

    void TrimLeft();
    void TrimLeft(char ch);
    void TrimLeft(LPCTSTR set);
    void TrimRight();
    void TrimRight(char ch);
    void TrimRight(LPCTSTR set);

    void MakeUpper();
    void MakeLower();
    void MakeReverse();

    void Format(LPCTSTR format, ...) __attribute__((format(printf, 2, 3)));

    // Direct access to the bytes. The buffer holds at least minLength bytes
    // plus a NUL; ReleaseBuffer sets the length (-1 measures to the first NUL).
    char* GetBuffer(int minLength);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Loads the host's string `id`. FALSE, with the string emptied, when the
    // host has no such string.
    BOOL LoadString(UINT id);

    // The bytes as a view, for the library's own use.
    std::string_view View() const { return std::string_view(m_data.data(), static_cast<size_t>(m_length)); }

private:
    void Settle();
    void SetView(std::string_view text);

    // m_data may be longer than m_length while a buffer is out (GetBuffer);
    // every change first cuts it back to m_length.
    std::string m_data;
    int m_length = 0;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator>(const CString& a, const char* b);
bool operator>(const char* a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator<=(const CString& a, const char* b);
bool operator<=(const char* a, const CString& b);
bool operator>=(const CString& a, const CString& b);
bool operator>=(const CString& a, const char* b);
bool operator>=(const char* a, const CString& b);
