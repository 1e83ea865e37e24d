#pragma once
// CFileFind: the entries of one folder that match a name with "*" and "?"
// in its last component, ignoring ASCII case. The matches come sorted
// ignoring case (ties in byte order), so lists built from them are stable.
//
// The loop convention: FindFile finds; each FindNextFile moves onto the next
// match and returns FALSE when that match is the last one, whose data can
// still be read:
//   CFileFind finder;
//   BOOL more = finder.FindFile("dir\\*.rgp");
//   while (more) { more = finder.FindNextFile(); use(finder.GetFileName()); }

#include "String.h"
#include "WinTypes.h"

#include <vector>

class CFileFind {
public:
    CFileFind();
    virtual ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Null stands for "*.*", every entry. "." and ".." are listed, except
    // in the root folder, as Windows does. FALSE when nothing matches.
    virtual BOOL FindFile(LPCTSTR name = nullptr, DWORD unused = 0);
    virtual BOOL FindNextFile();

    // Data of the current match; empty or zero before the first FindNextFile.
    virtual CString GetFileName() const;
    // The name without its extension.
    virtual CString GetFileTitle() const;
    virtual CString GetFilePath() const;
    DWORD GetLength() const;
    BOOL IsDirectory() const;
    virtual BOOL IsDots() const;

    void Close();

private:
    struct Match {
        CString name;
        BOOL directory;
        DWORD length;
    };
    const Match* Current() const;

    CString m_folder; // the folder searched, as a path of this system
    std::vector<Match> m_matches;
    int m_current = -1;
};
