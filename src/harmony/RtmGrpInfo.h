#pragma once
// Rhythm-pattern groups: one group file per group in the rhythm folder, each
// listing its patterns as "name=file" lines, and the list of all groups that
// the host's pickers show.

#include "Platform.h"
#include "harmony/Rhythm.h"

// One group and its pattern entries (owned), with a current pattern.
class CRtmGrpInfo : public CPtrList {
public:
    CRtmGrpInfo();
    ~CRtmGrpInfo() override;
    CRtmGrpInfo(const CRtmGrpInfo&) = delete;

    void DeleteAllRtmInfos();
    // Removes and deletes the entry at pos.
    void DeleteAt(POSITION pos);
    // Appends; the group owns the entry from now on.
    void AddRtmInfo(RHYTHM_INFO* info);
    POSITION GetFirstRtmInfoPos() const;
    RHYTHM_INFO* GetNextRtmInfo(POSITION& pos) const;

    // The first entry of that pattern name (case-sensitive); null when none.
    POSITION FindRtmPatName(const CString& name) const;
    // Makes that entry current: 1, or no current pattern and 0.
    int FindAndSetCurRtmPat(const CString& name);

    // The host's pickers.
    int SetRtmNamesToCombo(CComboBox& combo);
    int SetRtmNamesToList(CListBox& list);
    int SetCurRtmSelInCombo(CComboBox& combo);
    int SetCurRtmSelInList(CListBox& list);
    int GetCurRtmFromComboSel(CComboBox& combo);
    int GetCurRtmFromListSel(CListBox& list);

    // The group file folder\name.<ext>; 1 on success.
    int ReadRtmInfos(const CString& folder);
    int WriteRtmInfos(const CString& folder);

    // A deep copy; the current pattern follows by name.
    CRtmGrpInfo& operator=(CRtmGrpInfo& source);

    // Fields.
    CString m_strGrpName;
    RHYTHM_INFO* m_pCurRtmInfo = nullptr;
};

// All groups (owned), with a current group.
class CRtmGrpInfoProc : public CPtrList {
public:
    CRtmGrpInfoProc();
    ~CRtmGrpInfoProc() override;
    CRtmGrpInfoProc(const CRtmGrpInfoProc&) = delete;

    void DeleteAllGroupInfos();
    POSITION FindRtmGrpName(const CString& name) const;
    int FindAndSetCurRtmGrp(const CString& name);
    // 1 when there is no current group, else the current group's answer.
    int FindAndSetCurRtmPat(const CString& name);
    // Removes and deletes the group; its file stays on disk.
    int DelGroupInfo(CString& name);

    int SetGroupNamesToCombo(CComboBox& combo);
    int SetCurGrpSelInCombo(CComboBox& combo);
    int GetCurGrpFromComboSel(CComboBox& combo);
    // The current group's pickers; -1 when there is no current group.
    int SetCurRtmSelInCombo(CComboBox& combo);
    int SetCurRtmSelInList(CListBox& list);
    int GetCurRtmFromComboSel(CComboBox& combo);
    int GetCurRtmFromListSel(CListBox& list);

    // Every group file of the folder, which is created when missing.
    int ReadGroupInfos(const CString& folder);
    int WriteGroupInfos(const CString& folder);

    // A deep copy; the current group follows by name.
    CRtmGrpInfoProc& operator=(CRtmGrpInfoProc& source);

    // Fields.
    CRtmGrpInfo* m_pCurGrpInfo = nullptr;
};

// The library's rhythm groups; empty until the host reads them.
extern CRtmGrpInfoProc procRtmGrpInfo;
