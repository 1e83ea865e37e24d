#pragma once
// Headless list boxes and combo boxes: a list of strings and a current
// selection, reachable through their members and through the LB_ and CB_
// messages.

#include "String.h"
#include "Wnd.h"

#include <vector>

constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr int LB_ERR = -1;

constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr int CB_ERR = -1;

// The items and selection that both controls keep. Indexes out of range give
// -1 (LB_ERR and CB_ERR), as the messages do.
class KvListItems {
public:
    int GetCount() const { return static_cast<int>(m_items.size()); }
    int GetCurSel() const { return m_curSel; }
    // The index, or -1 when the index is -1 or out of range. -1 clears the
    // selection; `clearOnError` says whether an index out of range does too.
    int SetCurSel(int index, bool clearOnError);
    int GetText(int index, LPTSTR buffer) const;
    void GetText(int index, CString& text) const;
    int GetTextLen(int index) const;
    int AddString(LPCTSTR text);
    // -1 appends; an index past the end is refused.
    int InsertString(int index, LPCTSTR text);
    // The count left, or -1.
    int DeleteString(int index);
    void ResetContent();
    // Searches from the item after `start` (from the top when `start` is -1,
    // less, or past the end), wrapping round to `start` itself; case is
    // ignored for ASCII letters. FindString matches a prefix, FindStringExact
    // a whole item.
    int FindString(int start, LPCTSTR text) const;
    int FindStringExact(int start, LPCTSTR text) const;
    // Selects the first item with the prefix; the selection stays when none.
    int SelectString(int start, LPCTSTR text);

private:
    bool Valid(int index) const { return index >= 0 && index < GetCount(); }
    int Find(int start, LPCTSTR text, bool whole) const;

    std::vector<CString> m_items;
    int m_curSel = -1;
};

class CListBox : public CWnd {
public:
    int GetCount() const { return m_items.GetCount(); }
    int GetCurSel() const { return m_items.GetCurSel(); }
    // An index out of range gives LB_ERR and leaves the selection.
    int SetCurSel(int index) { return m_items.SetCurSel(index, false); }
    int GetText(int index, LPTSTR buffer) const { return m_items.GetText(index, buffer); }
    void GetText(int index, CString& text) const { m_items.GetText(index, text); }
    int GetTextLen(int index) const { return m_items.GetTextLen(index); }
    int AddString(LPCTSTR text) { return m_items.AddString(text); }
    int InsertString(int index, LPCTSTR text) { return m_items.InsertString(index, text); }
    int DeleteString(UINT index) { return m_items.DeleteString(static_cast<int>(index)); }
    void ResetContent() { m_items.ResetContent(); }
    int FindString(int start, LPCTSTR text) const { return m_items.FindString(start, text); }
    int FindStringExact(int start, LPCTSTR text) const { return m_items.FindStringExact(start, text); }
    int SelectString(int start, LPCTSTR text) { return m_items.SelectString(start, text); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    KvListItems m_items;
};

class CComboBox : public CWnd {
public:
    int GetCount() const { return m_items.GetCount(); }
    int GetCurSel() const { return m_items.GetCurSel(); }
    // An index out of range gives CB_ERR and clears the selection.
    int SetCurSel(int index) { return m_items.SetCurSel(index, true); }
    int GetLBText(int index, LPTSTR buffer) const { return m_items.GetText(index, buffer); }
    void GetLBText(int index, CString& text) const { m_items.GetText(index, text); }
    int GetLBTextLen(int index) const { return m_items.GetTextLen(index); }
    int AddString(LPCTSTR text) { return m_items.AddString(text); }
    int InsertString(int index, LPCTSTR text) { return m_items.InsertString(index, text); }
    int DeleteString(UINT index) { return m_items.DeleteString(static_cast<int>(index)); }
    void ResetContent() { m_items.ResetContent(); }
    int FindString(int start, LPCTSTR text) const { return m_items.FindString(start, text); }
    int FindStringExact(int start, LPCTSTR text) const { return m_items.FindStringExact(start, text); }
    int SelectString(int start, LPCTSTR text) { return m_items.SelectString(start, text); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    KvListItems m_items;
};
