#include "ListBox.h"

#include <cstring>

namespace {

char FoldAscii(char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Whether `item` equals `text` (whole) or starts with it, ignoring ASCII case.
bool Matches(const CString& item, LPCTSTR text, bool whole)
{
    const std::string_view bytes = item.View();
    const size_t length = std::strlen(text);
    if (whole ? bytes.size() != length : bytes.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (FoldAscii(bytes[i]) != FoldAscii(text[i]))
            return false;
    }
    return true;
}

// The message codes of one kind of control.
struct ListMessages {
    UINT addString;
    UINT insertString;
    UINT deleteString;
    UINT resetContent;
    UINT setCurSel;
    UINT getCurSel;
    UINT getText;
    UINT getTextLen;
    UINT getCount;
    UINT selectString;
    UINT findString;
    UINT findStringExact;
    bool clearOnBadSelection;
};

constexpr ListMessages kListBoxMessages {LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
    LB_SETCURSEL, LB_GETCURSEL, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCOUNT, LB_SELECTSTRING, LB_FINDSTRING,
    LB_FINDSTRINGEXACT, false};

constexpr ListMessages kComboBoxMessages {CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
    CB_SETCURSEL, CB_GETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_GETCOUNT, CB_SELECTSTRING, CB_FINDSTRING,
    CB_FINDSTRINGEXACT, true};

// Handles one of the control's messages; FALSE in `handled` for any other.
LRESULT HandleListMessage(KvListItems& items, const ListMessages& codes, UINT message, WPARAM wParam,
    LPARAM lParam, bool& handled)
{
    // Indexes travel in wParam; -1 arrives as the all-ones value.
    const int index = static_cast<int>(static_cast<intptr_t>(wParam));
    const LPCTSTR text = reinterpret_cast<LPCTSTR>(lParam);
    handled = true;
    if (message == codes.addString)
        return items.AddString(text);
    if (message == codes.insertString)
        return items.InsertString(index, text);
    if (message == codes.deleteString)
        return items.DeleteString(index);
    if (message == codes.resetContent) {
        items.ResetContent();
        return 0;
    }
    if (message == codes.setCurSel)
        return items.SetCurSel(index, codes.clearOnBadSelection);
    if (message == codes.getCurSel)
        return items.GetCurSel();
    if (message == codes.getText)
        return items.GetText(index, reinterpret_cast<LPTSTR>(lParam));
    if (message == codes.getTextLen)
        return items.GetTextLen(index);
    if (message == codes.getCount)
        return items.GetCount();
    if (message == codes.selectString)
        return items.SelectString(index, text);
    if (message == codes.findString)
        return items.FindString(index, text);
    if (message == codes.findStringExact)
        return items.FindStringExact(index, text);
    handled = false;
    return 0;
}

} // namespace

int KvListItems::SetCurSel(int index, bool clearOnError)
{
    if (Valid(index)) {
        m_curSel = index;
        return index;
    }
    if (index == -1 || clearOnError)
        m_curSel = -1;
    return -1;
}

int KvListItems::GetText(int index, LPTSTR buffer) const
{
    if (!Valid(index) || !buffer)
        return -1;
    const std::string_view bytes = m_items[static_cast<size_t>(index)].View();
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    return static_cast<int>(bytes.size());
}

void KvListItems::GetText(int index, CString& text) const
{
    if (Valid(index))
        text = m_items[static_cast<size_t>(index)];
    else
        text.Empty();
}

int KvListItems::GetTextLen(int index) const
{
    return Valid(index) ? m_items[static_cast<size_t>(index)].GetLength() : -1;
}

int KvListItems::AddString(LPCTSTR text)
{
    return InsertString(-1, text);
}

int KvListItems::InsertString(int index, LPCTSTR text)
{
    if (!text || index < -1 || index > GetCount())
        return -1;
    if (index == -1)
        index = GetCount();
    m_items.insert(m_items.begin() + index, CString(text));
    if (m_curSel >= index)
        ++m_curSel;
    return index;
}

int KvListItems::DeleteString(int index)
{
    if (!Valid(index))
        return -1;
    m_items.erase(m_items.begin() + index);
    if (m_curSel == index)
        m_curSel = -1;
    else if (m_curSel > index)
        --m_curSel;
    return GetCount();
}

void KvListItems::ResetContent()
{
    m_items.clear();
    m_curSel = -1;
}

int KvListItems::FindString(int start, LPCTSTR text) const
{
    return Find(start, text, false);
}

int KvListItems::FindStringExact(int start, LPCTSTR text) const
{
    return Find(start, text, true);
}

int KvListItems::SelectString(int start, LPCTSTR text)
{
    const int found = Find(start, text, false);
    if (found >= 0)
        m_curSel = found;
    return found;
}

int KvListItems::Find(int start, LPCTSTR text, bool whole) const
{
    const int count = GetCount();
    if (!text || count == 0)
        return -1;
    if (!Valid(start))
        start = -1;
    // From the item after `start` to the end, then round from the top.
    for (int step = 1; step <= count; ++step) {
        const int index = (start + step) % count;
        if (Matches(m_items[static_cast<size_t>(index)], text, whole))
            return index;
    }
    return -1;
}

LRESULT CListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    const LRESULT result = HandleListMessage(m_items, kListBoxMessages, message, wParam, lParam, handled);
    return handled ? result : CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    const LRESULT result = HandleListMessage(m_items, kComboBoxMessages, message, wParam, lParam, handled);
    return handled ? result : CWnd::WindowProc(message, wParam, lParam);
}
