#include "support/KvTest.h"

#include <string>
#include <vector>

namespace {

using WndTest = kvtest::KvTest;

// Records what reaches its WindowProc.
class RecordingWnd : public CWnd {
public:
    std::vector<UINT> messages;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        return static_cast<LRESULT>(wParam) + lParam;
    }
};

TEST_F(WndTest, ProgressWindowForwardsToTheHost)
{
    const HWND progress = GetHostProgressWnd()->GetSafeHwnd();
    ASSERT_NE(progress, nullptr);
    const char* text = "Reading the header of Encore file ...";
    SendMessageA(progress, WM_USER + 1, 45, reinterpret_cast<LPARAM>(text));
    SendMessageA(progress, WM_USER + 1, 100, 0);
    SendMessageA(progress, WM_USER + 2, 10, 0);
    EXPECT_EQ(SendMessageA(nullptr, WM_USER + 1, 50, 0), 0);

    ASSERT_EQ(host.progress.size(), 2u);
    EXPECT_EQ(host.progress[0].percent, 45);
    EXPECT_EQ(host.progress[0].text, std::string(text));
    EXPECT_EQ(host.progress[1].percent, 100);
    EXPECT_FALSE(host.progress[1].text.has_value());
}

TEST_F(WndTest, HandlesReachTheirWindowsUntilDestroyed)
{
    HWND gone = nullptr;
    {
        RecordingWnd a;
        RecordingWnd b;
        ASSERT_NE(a.GetSafeHwnd(), nullptr);
        EXPECT_NE(a.GetSafeHwnd(), b.GetSafeHwnd());
        EXPECT_EQ(CWnd::FromHandle(b.m_hWnd), &b);

        EXPECT_EQ(SendMessageA(b.m_hWnd, WM_USER + 7, 2, 3), 5);
        EXPECT_EQ(a.SendMessage(WM_USER + 8, 1), 1);
        EXPECT_TRUE(b.messages == std::vector<UINT> {WM_USER + 7});
        EXPECT_TRUE(a.messages == std::vector<UINT> {WM_USER + 8});
        gone = b.m_hWnd;
    }
    EXPECT_EQ(CWnd::FromHandle(gone), nullptr);
    EXPECT_EQ(SendMessageA(gone, WM_USER + 7, 2, 3), 0);
    RecordingWnd later;
    EXPECT_NE(later.m_hWnd, gone) << "handles are never reused";
}

TEST_F(WndTest, ClientAndScreenCoordinates)
{
    CWnd window;
    window.SetScreenOrigin(POINT {100, 50});
    window.SetClientSize(SIZE {640, 480});

    RECT client {};
    window.GetClientRect(&client);
    EXPECT_TRUE(client.left == 0 && client.top == 0 && client.right == 640 && client.bottom == 480);

    POINT point {5, -7};
    window.ClientToScreen(&point);
    EXPECT_EQ(point.x, 105);
    EXPECT_EQ(point.y, 43);
    window.ScreenToClient(&point);
    EXPECT_EQ(point.x, 5);
    EXPECT_EQ(point.y, -7);

    RECT rect {1, 2, 3, 4};
    window.ClientToScreen(&rect);
    EXPECT_TRUE(rect.left == 101 && rect.top == 52 && rect.right == 103 && rect.bottom == 54);
    window.ScreenToClient(&rect);
    EXPECT_TRUE(rect.left == 1 && rect.top == 2 && rect.right == 3 && rect.bottom == 4);
}

TEST_F(WndTest, MainWindowOfTheThread)
{
    CDialog main;
    EXPECT_EQ(AfxGetThread(), AfxGetThread());
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    AfxGetThread()->m_pMainWnd = &main;
    EXPECT_EQ(AfxGetMainWnd(), &main);
    ResetProcessState();
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

} // namespace

TEST_F(WndTest, HostProgressDialogPassesOnlyProgress)
{
    CDialog* dialog = GetHostProgressDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->SendMessage(WM_USER + 1, 30, reinterpret_cast<LPARAM>("Half way"));
    dialog->SendMessage(WM_USER + 2, 40, reinterpret_cast<LPARAM>("Not progress"));
    dialog->SendMessage(WM_USER, 50, 0);
    ASSERT_EQ(host.progress.size(), 1u);
    EXPECT_EQ(host.progress[0].percent, 30);
    EXPECT_EQ(host.progress[0].text, "Half way");
}
