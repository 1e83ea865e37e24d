#include "support/KvTest.h"

namespace {

using UserTest = kvtest::KvTest;

TEST_F(UserTest, MessageBoxHandsTextAndTypeToTheHost)
{
    EXPECT_EQ(AfxMessageBox("Out of Memory !!!", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox("Saved."), IDOK);
    EXPECT_EQ(AfxMessageBox("ｲﾒｰｼﾞｻｲｽﾞが大きすぎます。", MB_OKCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
    ASSERT_EQ(host.messageBoxes.size(), 3u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
    EXPECT_EQ(host.messageBoxes[0].type, MB_YESNO);
    EXPECT_EQ(host.messageBoxes[1].type, MB_OK);
    // The bytes pass through untouched.
    EXPECT_EQ(host.messageBoxes[2].text, "ｲﾒｰｼﾞｻｲｽﾞが大きすぎます。");
    EXPECT_EQ(host.messageBoxes[2].type, MB_OKCANCEL | MB_ICONEXCLAMATION);
}

TEST_F(UserTest, ScriptedYesLeadsToExit)
{
    host.ScriptAnswer(IDYES);
    try {
        if (AfxMessageBox("Out of Memory !!!", MB_YESNO) == IDYES)
            ExitProcess(0);
        FAIL() << "the scripted answer was not IDYES";
    } catch (const kvtest::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0u);
    }
}

TEST_F(UserTest, MessageBoxByStringId)
{
    host.SetString(24921, "The file cannot be read as a score.");
    EXPECT_EQ(AfxMessageBox(24921, MB_OK, static_cast<UINT>(-1)), IDOK);
    EXPECT_EQ(AfxMessageBox(4242, MB_YESNO), IDNO);
    ASSERT_EQ(host.messageBoxes.size(), 2u);
    EXPECT_EQ(host.messageBoxes[0].text, "The file cannot be read as a score.");
    EXPECT_EQ(host.messageBoxes[0].type, MB_OK);
    EXPECT_EQ(host.messageBoxes[1].text, "") << "a missing id shows an empty text";
    EXPECT_EQ(host.messageBoxes[1].type, MB_YESNO);
}

TEST_F(UserTest, BeepTypesPassUnchanged)
{
    EXPECT_TRUE(MessageBeep(0x00FFFFFF));
    EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
    EXPECT_EQ(host.beeps, (std::vector<UINT> {0x00FFFFFFu, 0xFFFFFFFFu}));
}

TEST_F(UserTest, KeyStateWhileHeld)
{
    EXPECT_GE(GetKeyState(VK_MENU), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);

    host.HoldKey(VK_MENU);
    EXPECT_LT(GetKeyState(VK_MENU), 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);

    host.HoldKey(VK_LBUTTON);
    EXPECT_NE(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);

    host.ReleaseKey(VK_MENU);
    host.ReleaseKey(VK_LBUTTON);
    EXPECT_GE(GetKeyState(VK_MENU), 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
}

} // namespace
