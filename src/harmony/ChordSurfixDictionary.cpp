// Chord suffixes: copies, the base-36 code text, the current entry, the
// host's list boxes and the dictionary file.

#include "harmony/ChordSurfix.h"

#include "harmony/CappedFile.h"
#include "harmony/ChordRtBsInfo.h"
#include "model/TextHelpers.h"

#include <new>
#include <vector>

namespace {

// A suffix record counts its codes in one byte.
constexpr int kMaxCodes = 255;
// A dictionary is a few kilobytes of text; anything this large is no
// dictionary and is not read into memory.
constexpr DWORD kMaxDictionaryBytes = 16u * 1024u * 1024u;

// Makes the program folder the current directory and makes sure `folder`
// exists below it. FALSE when the folder was missing (and is now created,
// if that was possible).
BOOL EnterDictionaryFolder(const CString& folder)
{
    SetCurrentDirectoryA(szCurDirectory);
    CFileFind finder;
    BOOL found = finder.FindFile(folder);
    if (found) {
        finder.FindNextFile();
        found = finder.IsDirectory();
    }
    finder.Close();
    if (!found)
        CreateDirectoryA(folder, nullptr);
    return found;
}

CString DictionaryPath(const CString& folder, const CString& name)
{
    return folder + "\\" + name;
}

} // namespace

CChordSurfix::CChordSurfix(const CChordSurfix& source)
    : m_strRealName(source.m_strRealName),
      m_strShortName(source.m_strShortName),
      m_Info(source.m_Info),
      m_strUpper(source.m_strUpper),
      m_strMain(source.m_strMain),
      m_strTension(source.m_strTension),
      m_nTensionCount(source.m_nTensionCount)
{
    for (int i = 0; i < 3; ++i) {
        m_byTensionAcci[i] = source.m_byTensionAcci[i];
        for (int j = 0; j < 3; ++j)
            m_byTensionNum[i][j] = source.m_byTensionNum[i][j];
    }
}

CChordSurfix& CChordSurfix::operator=(const CChordSurfix& source)
{
    if (this == &source)
        return *this;
    // The drawing parts are derived again from the name rather than copied.
    SetRealName(source.m_strRealName);
    m_Info = source.m_Info;
    return *this;
}

CString CChordSurfix::StringFromInfo() const
{
    CString text;
    for (int i = 0; i < m_Info.GetSize(); ++i)
        text += BYTEToAscii(m_Info.GetAt(i));
    return text;
}

void CChordSurfix::InfoFromString(const CString& text)
{
    m_Info.Reset();
    // Longer code strings could not be written into a suffix record.
    const int count = text.GetLength() < kMaxCodes ? text.GetLength() : kMaxCodes;
    for (int i = 0; i < count; ++i)
        m_Info.AddInfo(AsciiToBYTE(text[i]));
}

CChordSurfixProc& CChordSurfixProc::operator=(CChordSurfixProc& source)
{
    if (this == &source)
        return *this;
    DeleteAllSurfixes();
    for (POSITION pos = source.GetFirstSurfixPos(); pos;) {
        const CChordSurfix* from = source.GetNextSurfix(pos);
        auto* copy = new CChordSurfix;
        *copy = *from;
        AddSurfix(copy);
    }
    m_pCurSurfix = nullptr;
    if (source.m_pCurSurfix)
        FindRealAndSetCurSurfix(source.m_pCurSurfix->GetRealName());
    return *this;
}

CChordSurfix* CChordSurfixProc::FindShortAndSetCurSurfix(const CString& name)
{
    const POSITION pos = FindSurfixShortName(name);
    m_pCurSurfix = pos ? m_listSurfix.GetAt(pos) : nullptr;
    return m_pCurSurfix;
}

CChordSurfix* CChordSurfixProc::FindRealAndSetCurSurfix(const CString& name)
{
    const POSITION pos = FindSurfixRealName(name);
    m_pCurSurfix = pos ? m_listSurfix.GetAt(pos) : nullptr;
    return m_pCurSurfix;
}

int CChordSurfixProc::SetSurfixNamesToList(CListBox& list)
{
    list.ResetContent();
    for (POSITION pos = GetFirstSurfixPos(); pos;)
        list.AddString(GetNextSurfix(pos)->GetShortName());
    return 1;
}

int CChordSurfixProc::GetCurSurfixFromListSel(CListBox& list)
{
    m_pCurSurfix = nullptr;
    const int selected = list.GetCurSel();
    if (selected < 0)
        return -1;
    CString text;
    list.GetText(selected, text);
    const POSITION pos = FindSurfixShortName(text);
    if (pos)
        m_pCurSurfix = m_listSurfix.GetAt(pos);
    return selected;
}

int CChordSurfixProc::SetCurSurfixSelInList(CListBox& list)
{
    if (m_pCurSurfix) {
        const int index = FindStringWithCase(list, -1, m_pCurSurfix->GetShortName());
        if (index >= 0)
            list.SetCurSel(index);
        return index;
    }
    if (list.GetCount() <= 0)
        return -1;
    list.SetCurSel(0);
    GetCurSurfixFromListSel(list);
    return 0;
}

int CChordSurfixProc::ReadSurfixInfos(const CString& folder, const CString& name)
{
    DeleteAllSurfixes();
    if (!EnterDictionaryFolder(folder))
        return 0;

    // The file may be shorter than it said by the time it is read.
    std::vector<char> text;
    if (!kvharmony::ReadCappedFile(DictionaryPath(folder, name), kMaxDictionaryBytes, text))
        return 0;

    // Lines "name=codes" ending in CR, CR LF or the end of the text. A line
    // without '=' runs into the next suffix's name.
    const size_t size = text.size();
    size_t pos = 0;
    while (pos < size) {
        size_t equals = pos;
        while (equals < size && text[equals] != '=')
            ++equals;
        if (equals == size)
            break;
        auto* surfix = new CChordSurfix;
        surfix->SetRealName(CString(text.data() + pos, static_cast<int>(equals - pos)));
        AddSurfix(surfix);
        const size_t codes = equals + 1;
        if (codes == size)
            break;
        size_t end = codes;
        while (end < size && text[end] != '\r')
            ++end;
        surfix->InfoFromString(CString(text.data() + codes, static_cast<int>(end - codes)));
        pos = end + 1;
        if (pos < size && text[pos] == '\n')
            ++pos;
    }
    return 1;
}

int CChordSurfixProc::WriteSurfixInfos(const CString& folder, const CString& name)
{
    EnterDictionaryFolder(folder);
    CString text;
    for (POSITION pos = GetFirstSurfixPos(); pos;) {
        const CChordSurfix* surfix = GetNextSurfix(pos);
        text += surfix->GetRealName();
        text += '=';
        text += surfix->StringFromInfo();
        text += "\r\n";
    }
    try {
        CFile file;
        if (!file.Open(DictionaryPath(folder, name), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
            return 0;
        file.Write(static_cast<const char*>(text), static_cast<UINT>(text.GetLength()));
        file.Close();
    } catch (const CFileException&) {
        return 0;
    }
    return 1;
}
