// Chord suffixes: the code string, the name analysis, the suffix record and
// the dictionary list.

#include "harmony/ChordSurfix.h"

#include "harmony/ChordRecord.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"

#include <cstring>
#include <string>
#include <string_view>

CChordSurfixProc procChordSurfix;
CChordSurfixProc procCustomSurfix;

namespace {

// Tests start from empty dictionaries, as a freshly loaded library does.
void ResetSurfixDictionaries()
{
    procChordSurfix.DeleteAllSurfixes();
    procCustomSurfix.DeleteAllSurfixes();
}

KvProcessReset s_reset("chord suffix dictionaries", &ResetSurfixDictionaries);

// The bytes of a string, embedded NULs included.
std::string_view View(const CString& text)
{
    return {static_cast<LPCTSTR>(text), static_cast<size_t>(text.GetLength())};
}

bool HasLayoutMarks(std::string_view name)
{
    return name.find_first_of("~_") != std::string_view::npos;
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

CString WithoutBlanks(const CString& text)
{
    CString result = text;
    result.Remove(' ');
    return result;
}

} // namespace

char AsciiToAcci(char ch)
{
    switch (ch) {
    case '#':
        return static_cast<char>(chordAcci[1]);
    case 'b':
        return static_cast<char>(chordAcci[2]);
    case '$':
        return static_cast<char>(chordAcci[3]);
    default:
        return ch;
    }
}

// --- CChordSurfixInfo -------------------------------------------------------

CChordSurfixInfo::CChordSurfixInfo(const CChordSurfixInfo& source)
{
    *this = source;
}

CChordSurfixInfo& CChordSurfixInfo::operator=(const CChordSurfixInfo& source)
{
    if (this == &source)
        return *this;
    m_arrInfo.RemoveAll();
    for (int i = 0; i < source.m_arrInfo.GetSize(); ++i)
        m_arrInfo.Add(source.m_arrInfo.GetAt(i));
    return *this;
}

BYTE CChordSurfixInfo::GetAt(int index) const
{
    if (index < 0 || index >= m_arrInfo.GetSize())
        return 255;
    return m_arrInfo.GetAt(index);
}

int CChordSurfixInfo::GetSize() const
{
    return m_arrInfo.GetSize();
}

void CChordSurfixInfo::AddInfo(BYTE code)
{
    m_arrInfo.Add(code);
}

void CChordSurfixInfo::Reserve(int count)
{
    m_arrInfo.Reserve(count);
}

void CChordSurfixInfo::InsertHead(BYTE code)
{
    m_arrInfo.InsertAt(0, code);
}

void CChordSurfixInfo::Reset()
{
    m_arrInfo.RemoveAll();
}

int CChordSurfixInfo::IsEmpty() const
{
    return m_arrInfo.GetSize() == 0 ? 1 : 0;
}

// --- CChordSurfix -----------------------------------------------------------

// An empty name derives nothing: every field keeps its initial value.
CChordSurfix::CChordSurfix() = default;

void CChordSurfix::SetRealName(const CString& name)
{
    m_strRealName = name;
    RealToShortName();
    AnalyzeName();
}

void CChordSurfix::ResetNames()
{
    m_strUpper.Empty();
    m_strMain.Empty();
    m_strTension.Empty();
}

void CChordSurfix::RealToShortName()
{
    const std::string_view name = View(m_strRealName);
    // Most names carry no layout marks: the short name is the name.
    if (!HasLayoutMarks(name)) {
        m_strShortName = m_strRealName;
        return;
    }
    std::string shortName;
    shortName.reserve(name.size());
    for (const char ch : name) {
        if (ch != '~' && ch != '_')
            shortName += ch;
    }
    m_strShortName = CString(std::string_view(shortName));
}

int CChordSurfix::IsTension(const CString& text) const
{
    const int length = text.GetLength();
    if (length < 3 || text.GetAt(0) != '(' || text.GetAt(length - 1) != ')')
        return 0;
    // Each comma-separated item: at most one accidental, then digits.
    int i = 1;
    const int end = length - 1;
    while (true) {
        if (i < end && (text.GetAt(i) == 'b' || text.GetAt(i) == '#' || text.GetAt(i) == '$'))
            ++i;
        int digits = 0;
        while (i < end && IsDigit(text.GetAt(i))) {
            ++i;
            ++digits;
        }
        if (digits == 0)
            return 0;
        if (i == end)
            return 1;
        if (text.GetAt(i) != ',')
            return 0;
        ++i;
    }
}

void CChordSurfix::AnalyzeName()
{
    ResetNames();
    m_nTensionCount = 0;
    std::memset(m_byTensionAcci, 0, sizeof(m_byTensionAcci));
    std::memset(m_byTensionNum, 0, sizeof(m_byTensionNum));
    const CString& name = m_strRealName;
    const int length = name.GetLength();
    if (length == 0)
        return;

    // A name without layout marks is all baseline, and has no tension.
    const std::string_view text = View(name);
    if (!HasLayoutMarks(text)) {
        if (text.find("(major)") == std::string_view::npos)
            m_strMain = name;
        return;
    }
    // The parts are gathered as plain strings and stored once.
    std::string main;
    std::string upper;
    bool raised = false;
    int pos = 0;
    if (text[0] == '~') {
        raised = true;
        pos = 1;
    } else if (text[0] == '_') {
        pos = 1;
    }
    while (pos < length) {
        int separator = pos;
        while (separator < length && text[separator] != '~' && text[separator] != '_')
            ++separator;
        if (separator == pos) {
            // On a separator with nothing before it: step over it, and the
            // mode stays as it was.
            ++pos;
            continue;
        }
        const std::string_view part = text.substr(static_cast<size_t>(pos), static_cast<size_t>(separator - pos));
        if (!raised) {
            main += part;
        } else {
            const CString raisedPart(part);
            if (IsTension(raisedPart))
                m_strTension = raisedPart;
            else
                upper += part;
        }
        if (separator == length)
            break;
        raised = text[separator] == '~';
        pos = separator + 1;
    }

    // A major chord draws no suffix at all.
    if (main.find("(major)") != std::string::npos) {
        ResetNames();
        return;
    }
    m_strMain = CString(std::string_view(main));
    m_strUpper = CString(std::string_view(upper));

    if (m_strTension.IsEmpty())
        return;
    int k = 0;
    for (int i = 1; i < m_strTension.GetLength(); ++i) {
        const char ch = m_strTension.GetAt(i);
        BYTE* number = m_byTensionNum[m_nTensionCount];
        if (ch == ')') {
            ++m_nTensionCount;
            break;
        }
        if (ch == ',') {
            ++m_nTensionCount;
            if (m_nTensionCount > 2)
                break;
            k = 0;
            continue;
        }
        switch (k) {
        case 0:
            if (IsDigit(ch)) {
                m_byTensionAcci[m_nTensionCount] = 0;
                number[0] = static_cast<BYTE>(ch);
                number[2] = 1;
                k = 2;
            } else {
                m_byTensionAcci[m_nTensionCount] = static_cast<BYTE>(AsciiToAcci(ch));
                k = 1;
            }
            break;
        case 1:
            number[0] = static_cast<BYTE>(ch);
            number[2] = 1;
            k = 2;
            break;
        case 2:
            number[1] = static_cast<BYTE>(ch);
            number[2] = 2;
            k = 3;
            break;
        default:
            break; // further characters of this tension are skipped
        }
    }
}

int CChordSurfix::ReadFromMem(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    const DWORD start = *pos;
    CString name;
    if (!ReadCStringFromMem(buffer, pos, length, name))
        return 0;
    chordrecord::Cursor cursor(buffer, pos, length);
    BYTE count = 0;
    BYTE codes[255];
    if (!cursor.U8(count) || !cursor.Bytes(codes, count)) {
        *pos = start;
        return 0;
    }
    SetRealName(name);
    m_Info.Reserve(m_Info.GetSize() + count);
    for (int i = 0; i < count; ++i)
        m_Info.AddInfo(codes[i]);
    return 1;
}

int CChordSurfix::WriteToMem(unsigned char*& buffer, DWORD* pos, DWORD* capacity)
{
    const int nameLength = m_strRealName.GetLength();
    const int count = m_Info.GetSize();
    // The count is one byte; a longer code string could not be read back.
    if (count > 255 || nameLength > 0xFFFF)
        return 0;
    chordrecord::Writer writer(buffer, pos, capacity);
    if (!writer.Reserve(static_cast<size_t>(nameLength) + static_cast<size_t>(count) + 3))
        return 0;
    if (!WriteCStringToMem(buffer, pos, capacity, m_strRealName))
        return 0;
    writer.U8(static_cast<BYTE>(count));
    for (int i = 0; i < count; ++i)
        writer.U8(m_Info.GetAt(i));
    return 1;
}

// --- CChordSurfixProc -------------------------------------------------------

CChordSurfixProc::CChordSurfixProc() = default;

CChordSurfixProc::~CChordSurfixProc()
{
    DeleteAllSurfixes();
}

void CChordSurfixProc::AddSurfix(CChordSurfix* surfix)
{
    m_listSurfix.AddTail(surfix);
}

POSITION CChordSurfixProc::GetFirstSurfixPos() const
{
    return m_listSurfix.GetHeadPosition();
}

CChordSurfix* CChordSurfixProc::GetNextSurfix(POSITION& position) const
{
    return m_listSurfix.GetNext(position);
}

POSITION CChordSurfixProc::FindSurfixShortName(const CString& name) const
{
    if (m_listSurfix.IsEmpty())
        return nullptr;
    const CString wanted = WithoutBlanks(name);
    for (POSITION position = m_listSurfix.GetHeadPosition(); position != nullptr;) {
        const POSITION here = position;
        if (WithoutBlanks(m_listSurfix.GetNext(position)->m_strShortName) == wanted)
            return here;
    }
    return nullptr;
}

POSITION CChordSurfixProc::FindSurfixRealName(const CString& name) const
{
    if (m_listSurfix.IsEmpty())
        return nullptr;
    const CString wanted = WithoutBlanks(name);
    for (POSITION position = m_listSurfix.GetHeadPosition(); position != nullptr;) {
        const POSITION here = position;
        if (WithoutBlanks(m_listSurfix.GetNext(position)->m_strRealName) == wanted)
            return here;
    }
    return nullptr;
}

void CChordSurfixProc::DeleteAt(POSITION position)
{
    CChordSurfix* surfix = m_listSurfix.GetAt(position);
    m_listSurfix.RemoveAt(position);
    if (surfix == m_pCurSurfix)
        m_pCurSurfix = nullptr;
    delete surfix;
}

void CChordSurfixProc::DeleteAllSurfixes()
{
    while (!m_listSurfix.IsEmpty())
        delete m_listSurfix.RemoveHead();
    m_pCurSurfix = nullptr;
}
