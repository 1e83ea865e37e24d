// Rhythm-pattern groups and the group folder.

#include "harmony/RtmGrpInfo.h"

#include "harmony/CappedFile.h"
#include "harmony/ChordRtBsInfo.h"
#include "model/TextHelpers.h"

#include <new>
#include <vector>

CRtmGrpInfoProc procRtmGrpInfo;

namespace {

constexpr UINT kGroupExtensionString = 125;
// Group files are short lists; anything larger is not one.
constexpr DWORD kMaxGroupFileBytes = 16u * 1024u * 1024u;

void ResetRhythmGroups()
{
    procRtmGrpInfo.DeleteAllGroupInfos();
}

KvProcessReset s_reset("rhythm groups", &ResetRhythmGroups);

CString GroupFilePath(const CString& folder, const CString& title)
{
    CString extension;
    extension.LoadString(kGroupExtensionString);
    return folder + "\\" + title + "." + extension;
}

// A name that can only be a file title inside the folder: no folder
// separator, drive mark, wildcard or control character, and no "." or "..".
bool IsSafeTitle(const CString& title)
{
    if (title.IsEmpty() || title == "." || title == "..")
        return false;
    for (int i = 0; i < title.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        switch (c) {
        case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

bool FolderExists(const CString& folder)
{
    CFileFind finder;
    BOOL found = finder.FindFile(folder);
    if (found) {
        finder.FindNextFile();
        found = finder.IsDirectory();
    }
    finder.Close();
    return found != FALSE;
}

void SlashToTilde(CString& name)
{
    name.Replace('/', '~');
}

void TildeToSlash(CString& name)
{
    name.Replace('~', '/');
}

} // namespace

// --- one group ---------------------------------------------------------------

CRtmGrpInfo::CRtmGrpInfo() : CPtrList(10) {}

CRtmGrpInfo::~CRtmGrpInfo()
{
    DeleteAllRtmInfos();
}

void CRtmGrpInfo::DeleteAllRtmInfos()
{
    while (!IsEmpty())
        delete static_cast<RHYTHM_INFO*>(RemoveHead());
    m_pCurRtmInfo = nullptr;
}

void CRtmGrpInfo::DeleteAt(POSITION pos)
{
    if (!pos)
        return;
    auto* info = static_cast<RHYTHM_INFO*>(GetAt(pos));
    RemoveAt(pos);
    if (info == m_pCurRtmInfo)
        m_pCurRtmInfo = nullptr;
    delete info;
}

void CRtmGrpInfo::AddRtmInfo(RHYTHM_INFO* info)
{
    AddTail(info);
}

POSITION CRtmGrpInfo::GetFirstRtmInfoPos() const
{
    return GetHeadPosition();
}

RHYTHM_INFO* CRtmGrpInfo::GetNextRtmInfo(POSITION& pos) const
{
    return static_cast<RHYTHM_INFO*>(GetNext(pos));
}

POSITION CRtmGrpInfo::FindRtmPatName(const CString& name) const
{
    for (POSITION pos = GetHeadPosition(); pos;) {
        const POSITION at = pos;
        if (GetNextRtmInfo(pos)->m_strPatName == name)
            return at;
    }
    return nullptr;
}

int CRtmGrpInfo::FindAndSetCurRtmPat(const CString& name)
{
    const POSITION at = FindRtmPatName(name);
    m_pCurRtmInfo = at ? static_cast<RHYTHM_INFO*>(GetAt(at)) : nullptr;
    return at ? 1 : 0;
}

int CRtmGrpInfo::SetRtmNamesToCombo(CComboBox& combo)
{
    combo.ResetContent();
    for (POSITION pos = GetHeadPosition(); pos;)
        combo.AddString(GetNextRtmInfo(pos)->m_strPatName);
    return 1;
}

int CRtmGrpInfo::SetRtmNamesToList(CListBox& list)
{
    list.ResetContent();
    for (POSITION pos = GetHeadPosition(); pos;)
        list.AddString(GetNextRtmInfo(pos)->m_strPatName);
    return 1;
}

int CRtmGrpInfo::SetCurRtmSelInCombo(CComboBox& combo)
{
    if (!m_pCurRtmInfo)
        return -1;
    const int index = FindStringWithCase(combo, -1, m_pCurRtmInfo->m_strPatName);
    if (index >= 0)
        combo.SetCurSel(index);
    return index < 0 ? -1 : index;
}

int CRtmGrpInfo::SetCurRtmSelInList(CListBox& list)
{
    if (!m_pCurRtmInfo)
        return -1;
    const int index = FindStringWithCase(list, -1, m_pCurRtmInfo->m_strPatName);
    if (index >= 0)
        list.SetCurSel(index);
    return index < 0 ? -1 : index;
}

int CRtmGrpInfo::GetCurRtmFromComboSel(CComboBox& combo)
{
    m_pCurRtmInfo = nullptr;
    const int index = combo.GetCurSel();
    if (index != -1) {
        CString text;
        combo.GetLBText(index, text);
        FindAndSetCurRtmPat(text);
    }
    return index;
}

int CRtmGrpInfo::GetCurRtmFromListSel(CListBox& list)
{
    m_pCurRtmInfo = nullptr;
    const int index = list.GetCurSel();
    if (index != -1) {
        CString text;
        list.GetText(index, text);
        FindAndSetCurRtmPat(text);
    }
    return index;
}

int CRtmGrpInfo::ReadRtmInfos(const CString& folder)
{
    DeleteAllRtmInfos();
    if (!IsSafeTitle(m_strGrpName))
        return 0;
    SetCurrentDirectoryA(szCurDirectory);

    std::vector<char> text;
    bool complete = false;
    if (!kvharmony::ReadCappedFile(GroupFilePath(folder, m_strGrpName), kMaxGroupFileBytes, text, &complete) ||
        !complete || text.empty())
        return 0;

    // Lines "pattern=file" ending in CR LF, a lone CR or the end of the
    // text. A line without '=' runs into the next pattern's name.
    const size_t size = text.size();
    size_t p = 0;
    while (p < size) {
        if (text[p] == '\r') {
            ++p;
            if (p < size && text[p] == '\n')
                ++p;
            continue;
        }
        size_t equals = p;
        while (equals < size && text[equals] != '=')
            ++equals;
        if (equals == size)
            break;
        auto* info = new RHYTHM_INFO;
        info->m_strPatName = CString(text.data() + p, static_cast<int>(equals - p));
        AddRtmInfo(info);
        const size_t start = equals + 1;
        if (start >= size)
            break;
        size_t end = start;
        while (end < size && text[end] != '\r')
            ++end;
        info->m_strFileName = CString(text.data() + start, static_cast<int>(end - start));
        p = end + 1;
        if (p < size && text[p] == '\n')
            ++p;
    }
    return 1;
}

int CRtmGrpInfo::WriteRtmInfos(const CString& folder)
{
    if (!IsSafeTitle(m_strGrpName))
        return 0;
    CString text;
    for (POSITION pos = GetHeadPosition(); pos;) {
        const RHYTHM_INFO* info = GetNextRtmInfo(pos);
        text += info->m_strPatName;
        text += '=';
        text += info->m_strFileName;
        text += "\r\n";
    }
    SetCurrentDirectoryA(szCurDirectory);
    try {
        CFile file;
        if (!file.Open(GroupFilePath(folder, m_strGrpName), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
            return 0;
        file.Write(static_cast<const char*>(text), static_cast<UINT>(text.GetLength()));
        file.Close();
    } catch (const CFileException&) {
        return 0;
    }
    return 1;
}

CRtmGrpInfo& CRtmGrpInfo::operator=(CRtmGrpInfo& source)
{
    if (this == &source)
        return *this;
    DeleteAllRtmInfos();
    m_strGrpName = source.m_strGrpName;
    for (POSITION pos = source.GetHeadPosition(); pos;)
        AddRtmInfo(new RHYTHM_INFO(*source.GetNextRtmInfo(pos)));
    if (source.m_pCurRtmInfo)
        FindAndSetCurRtmPat(source.m_pCurRtmInfo->m_strPatName);
    return *this;
}

// --- the group list ----------------------------------------------------------

CRtmGrpInfoProc::CRtmGrpInfoProc() : CPtrList(10) {}

CRtmGrpInfoProc::~CRtmGrpInfoProc()
{
    DeleteAllGroupInfos();
}

void CRtmGrpInfoProc::DeleteAllGroupInfos()
{
    while (!IsEmpty())
        delete static_cast<CRtmGrpInfo*>(RemoveHead());
    m_pCurGrpInfo = nullptr;
}

POSITION CRtmGrpInfoProc::FindRtmGrpName(const CString& name) const
{
    for (POSITION pos = GetHeadPosition(); pos;) {
        const POSITION at = pos;
        if (static_cast<CRtmGrpInfo*>(GetNext(pos))->m_strGrpName == name)
            return at;
    }
    return nullptr;
}

int CRtmGrpInfoProc::FindAndSetCurRtmGrp(const CString& name)
{
    const POSITION at = FindRtmGrpName(name);
    m_pCurGrpInfo = at ? static_cast<CRtmGrpInfo*>(GetAt(at)) : nullptr;
    return at ? 1 : 0;
}

int CRtmGrpInfoProc::FindAndSetCurRtmPat(const CString& name)
{
    if (!m_pCurGrpInfo)
        return 1;
    return m_pCurGrpInfo->FindAndSetCurRtmPat(name);
}

int CRtmGrpInfoProc::DelGroupInfo(CString& name)
{
    const POSITION at = FindRtmGrpName(name);
    if (!at)
        return 0;
    auto* group = static_cast<CRtmGrpInfo*>(GetAt(at));
    RemoveAt(at);
    if (group == m_pCurGrpInfo)
        m_pCurGrpInfo = nullptr;
    delete group;
    return 1;
}

int CRtmGrpInfoProc::SetGroupNamesToCombo(CComboBox& combo)
{
    combo.ResetContent();
    for (POSITION pos = GetHeadPosition(); pos;)
        combo.AddString(static_cast<CRtmGrpInfo*>(GetNext(pos))->m_strGrpName);
    return 1;
}

int CRtmGrpInfoProc::SetCurGrpSelInCombo(CComboBox& combo)
{
    if (!m_pCurGrpInfo)
        return -1;
    const int index = FindStringWithCase(combo, -1, m_pCurGrpInfo->m_strGrpName);
    if (index >= 0)
        combo.SetCurSel(index);
    return index < 0 ? -1 : index;
}

int CRtmGrpInfoProc::GetCurGrpFromComboSel(CComboBox& combo)
{
    const int index = combo.GetCurSel();
    if (index != -1) {
        CString text;
        combo.GetLBText(index, text);
        FindAndSetCurRtmGrp(text);
    }
    return index;
}

int CRtmGrpInfoProc::SetCurRtmSelInCombo(CComboBox& combo)
{
    return m_pCurGrpInfo ? m_pCurGrpInfo->SetCurRtmSelInCombo(combo) : -1;
}

int CRtmGrpInfoProc::SetCurRtmSelInList(CListBox& list)
{
    return m_pCurGrpInfo ? m_pCurGrpInfo->SetCurRtmSelInList(list) : -1;
}

int CRtmGrpInfoProc::GetCurRtmFromComboSel(CComboBox& combo)
{
    return m_pCurGrpInfo ? m_pCurGrpInfo->GetCurRtmFromComboSel(combo) : -1;
}

int CRtmGrpInfoProc::GetCurRtmFromListSel(CListBox& list)
{
    return m_pCurGrpInfo ? m_pCurGrpInfo->GetCurRtmFromListSel(list) : -1;
}

int CRtmGrpInfoProc::ReadGroupInfos(const CString& folder)
{
    DeleteAllGroupInfos();
    SetCurrentDirectoryA(szCurDirectory);
    if (!FolderExists(folder)) {
        CreateDirectoryA(folder, nullptr);
        return 0;
    }

    CString extension;
    extension.LoadString(kGroupExtensionString);
    std::vector<CString> titles;
    {
        CFileFind finder;
        BOOL more = finder.FindFile(folder + "\\*." + extension);
        while (more) {
            more = finder.FindNextFile();
            if (!finder.IsDirectory())
                titles.push_back(finder.GetFileTitle());
        }
        finder.Close();
    }
    for (const CString& title : titles) {
        auto* group = new CRtmGrpInfo;
        group->m_strGrpName = title;
        // An empty or unreadable group file still lists its group.
        group->ReadRtmInfos(folder);
        TildeToSlash(group->m_strGrpName);
        // As a pointer: a list argument would append the group's entries.
        AddTail(static_cast<void*>(group));
    }
    m_pCurGrpInfo = nullptr;
    return 1;
}

int CRtmGrpInfoProc::WriteGroupInfos(const CString& folder)
{
    SetCurrentDirectoryA(szCurDirectory);
    if (!FolderExists(folder))
        CreateDirectoryA(folder, nullptr);
    for (POSITION pos = GetHeadPosition(); pos;) {
        auto* group = static_cast<CRtmGrpInfo*>(GetNext(pos));
        const CString name = group->m_strGrpName;
        SlashToTilde(group->m_strGrpName);
        group->WriteRtmInfos(folder);
        group->m_strGrpName = name;
    }
    return 1;
}

CRtmGrpInfoProc& CRtmGrpInfoProc::operator=(CRtmGrpInfoProc& source)
{
    if (this == &source)
        return *this;
    DeleteAllGroupInfos();
    for (POSITION pos = source.GetHeadPosition(); pos;) {
        auto* copy = new CRtmGrpInfo;
        *copy = *static_cast<CRtmGrpInfo*>(source.GetNext(pos));
        AddTail(static_cast<void*>(copy));
    }
    if (source.m_pCurGrpInfo)
        FindAndSetCurRtmGrp(source.m_pCurGrpInfo->m_strGrpName);
    return *this;
}
