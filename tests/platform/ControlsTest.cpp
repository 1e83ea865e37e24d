#include "support/KvTest.h"

#include <cstring>

namespace {

using ControlsTest = kvtest::KvTest;

LPARAM Text(const char* text)
{
    return reinterpret_cast<LPARAM>(text);
}

// -1 as a message's index argument.
constexpr WPARAM kNone = static_cast<WPARAM>(-1);

void Fill(CListBox& list)
{
    for (const char* item : {"a", "B", "c", "b"})
        list.AddString(item);
}

TEST_F(ControlsTest, FindStringExactWrapsAndIgnoresCase)
{
    CListBox list;
    Fill(list);
    EXPECT_EQ(list.FindStringExact(1, "b"), 3);
    EXPECT_EQ(list.FindStringExact(3, "B"), 1) << "wraps to the top";
    EXPECT_EQ(list.FindStringExact(-1, "x"), LB_ERR);
    EXPECT_EQ(list.FindStringExact(-1, "b"), 1);
    EXPECT_EQ(list.FindStringExact(-5, "A"), 0);
    EXPECT_EQ(list.FindStringExact(1, "B"), 3) << "the start item comes last";
    EXPECT_EQ(list.FindStringExact(0, "a"), 0);
    EXPECT_EQ(list.FindStringExact(-1, ""), LB_ERR);

    EXPECT_EQ(list.SendMessage(LB_FINDSTRINGEXACT, 1, Text("b")), 3);
    EXPECT_EQ(SendMessageA(list.m_hWnd, LB_FINDSTRINGEXACT, 3, Text("B")), 1);
    EXPECT_EQ(SendMessageA(list.m_hWnd, LB_FINDSTRINGEXACT, kNone, Text("x")), LB_ERR);
}

TEST_F(ControlsTest, FindStringMatchesPrefixes)
{
    CListBox list;
    for (const char* item : {"Alpha", "beta", "ALPS", "\xC4lpha"})
        list.AddString(item);
    EXPECT_EQ(list.FindString(-1, "al"), 0);
    EXPECT_EQ(list.FindString(0, "al"), 2);
    EXPECT_EQ(list.FindString(2, "AL"), 0);
    EXPECT_EQ(list.FindString(-1, "alphabet"), LB_ERR);
    EXPECT_EQ(list.FindString(-1, "\xE4l"), LB_ERR) << "only ASCII letters fold";
    EXPECT_EQ(list.FindString(0, ""), 1) << "an empty prefix matches the next item";
    EXPECT_EQ(list.FindStringExact(-1, "alp"), LB_ERR);
    EXPECT_EQ(list.SendMessage(LB_FINDSTRING, 0, Text("AL")), 2);

    EXPECT_EQ(list.SelectString(0, "alp"), 2);
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(list.SelectString(-1, "gamma"), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), 2) << "a failed search keeps the selection";
    EXPECT_EQ(list.SendMessage(LB_SELECTSTRING, kNone, Text("b")), 1);
    EXPECT_EQ(list.GetCurSel(), 1);
}

TEST_F(ControlsTest, SelectionAndEditing)
{
    CListBox list;
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
    Fill(list);
    EXPECT_EQ(list.SetCurSel(2), 2);
    EXPECT_EQ(list.SetCurSel(-1), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(list.SetCurSel(2), 2);
    EXPECT_EQ(list.SetCurSel(4), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), 2);

    // The selection follows its item through inserts and deletes.
    EXPECT_EQ(list.InsertString(0, "z"), 0);
    EXPECT_EQ(list.GetCurSel(), 3);
    EXPECT_EQ(list.DeleteString(1), 4);
    EXPECT_EQ(list.GetCurSel(), 2);
    CString text;
    list.GetText(list.GetCurSel(), text);
    EXPECT_EQ(text, "c");
    EXPECT_EQ(list.DeleteString(2), 3);
    EXPECT_EQ(list.GetCurSel(), -1);

    EXPECT_EQ(list.InsertString(-1, "end"), 3);
    EXPECT_EQ(list.InsertString(5, "far"), LB_ERR);
    EXPECT_EQ(list.DeleteString(9), LB_ERR);
    EXPECT_EQ(list.GetCount(), 4);
    list.GetText(9, text);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(list.GetTextLen(9), LB_ERR);

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.FindString(-1, ""), LB_ERR);
}

TEST_F(ControlsTest, ListBoxMessages)
{
    CListBox list;
    const HWND handle = list.GetSafeHwnd();
    EXPECT_EQ(SendMessageA(handle, LB_ADDSTRING, 0, Text("first")), 0);
    EXPECT_EQ(SendMessageA(handle, LB_ADDSTRING, 0, Text("second")), 1);
    EXPECT_EQ(SendMessageA(handle, LB_INSERTSTRING, 1, Text("middle")), 1);
    EXPECT_EQ(SendMessageA(handle, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(handle, LB_GETTEXTLEN, 1, 0), 6);

    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(SendMessageA(handle, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buffer)), 6);
    EXPECT_STREQ(buffer, "second");
    EXPECT_EQ(buffer[7], '#');
    EXPECT_EQ(SendMessageA(handle, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), LB_ERR);

    EXPECT_EQ(SendMessageA(handle, LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(SendMessageA(handle, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(handle, LB_SETCURSEL, kNone, 0), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(SendMessageA(handle, LB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(SendMessageA(handle, LB_RESETCONTENT, 0, 0), 0);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(ControlsTest, ComboBox)
{
    CComboBox combo;
    for (const char* item : {"Serif", "Sans", "Mono"})
        combo.AddString(item);
    CString text;
    combo.GetLBText(1, text);
    EXPECT_EQ(text, "Sans");
    EXPECT_EQ(combo.GetLBTextLen(2), 4);
    EXPECT_EQ(combo.FindStringExact(0, "serif"), 0);

    EXPECT_EQ(combo.SetCurSel(1), 1);
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), -1) << "a bad index clears a combo box's selection";

    const HWND handle = combo.GetSafeHwnd();
    EXPECT_EQ(SendMessageA(handle, CB_SELECTSTRING, kNone, Text("m")), 2);
    EXPECT_EQ(SendMessageA(handle, CB_GETCURSEL, 0, 0), 2);
    char buffer[8];
    EXPECT_EQ(SendMessageA(handle, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 5);
    EXPECT_STREQ(buffer, "Serif");
    EXPECT_EQ(SendMessageA(handle, CB_FINDSTRINGEXACT, 0, Text("MONO")), 2);
    EXPECT_EQ(SendMessageA(handle, CB_FINDSTRING, 2, Text("s")), 0);
    EXPECT_EQ(SendMessageA(handle, LB_GETCOUNT, 0, 0), 0) << "list-box codes mean nothing to a combo box";
    EXPECT_EQ(SendMessageA(handle, CB_GETCOUNT, 0, 0), 3);
}

TEST_F(ControlsTest, FontDialogReadsTheHostsChoice)
{
    kvtest::FontChoice choice {};
    std::strcpy(choice.font.lfFaceName, "Liberation Serif");
    choice.font.lfWeight = 700;
    choice.font.lfItalic = 1;
    choice.pointSizeTenths = 120;
    host.ScriptFontChoice(choice);

    LOGFONTA preset {};
    std::strcpy(preset.lfFaceName, "Liberation Sans");
    CFontDialog dialog(&preset, CF_EFFECTS | CF_SCREENFONTS);
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetSize(), 120);
    EXPECT_EQ(dialog.GetFaceName(), "Liberation Serif");
    EXPECT_TRUE(dialog.IsBold());
    EXPECT_TRUE(dialog.IsItalic());
    EXPECT_FALSE(dialog.IsUnderline());
    EXPECT_FALSE(dialog.IsStrikeOut());
    LOGFONTA current {};
    dialog.GetCurrentFont(&current);
    EXPECT_STREQ(current.lfFaceName, "Liberation Serif");
    EXPECT_EQ(current.lfWeight, 700);
}

TEST_F(ControlsTest, FontDialogCancelledKeepsThePreset)
{
    LOGFONTA preset {};
    std::strcpy(preset.lfFaceName, "Liberation Sans");
    preset.lfWeight = 600;
    CFontDialog dialog(&preset);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetFaceName(), "Liberation Sans");
    EXPECT_TRUE(dialog.IsBold()) << "semi-bold counts as bold";
}

TEST(FontDialog, FullLengthFaceNameHasNoNul)
{
    LOGFONTA preset {};
    std::memset(preset.lfFaceName, 'F', LF_FACESIZE);
    CFontDialog dialog(&preset);
    EXPECT_EQ(dialog.GetFaceName().GetLength(), LF_FACESIZE);
}

} // namespace
