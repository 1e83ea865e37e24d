#include "Wnd.h"

#include "DC.h"

#include "HostServices.h"
#include "ProcessState.h"

#include <mutex>
#include <unordered_map>

namespace {

// The live windows by handle. Handles are never reused, so a message sent to
// a destroyed window's handle finds nothing.
struct WindowMap {
    std::mutex mutex;
    std::unordered_map<HWND, CWnd*> windows;
    uintptr_t lastHandle = 0;
};

WindowMap& Windows()
{
    static WindowMap map;
    return map;
}

CWinThread s_thread;

void ResetThread()
{
    s_thread = CWinThread {};
}

KvProcessReset s_reset("application thread", &ResetThread);

// Turns the progress message into the host's progress call.
class HostProgressWnd : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_USER + 1)
            return CWnd::WindowProc(message, wParam, lParam);
        GetHostServices().Progress(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
        return 0;
    }
};

// The same as a dialog, for the readers that report to a CDialog.
class HostProgressDialog : public CDialog {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_USER + 1)
            return CDialog::WindowProc(message, wParam, lParam);
        GetHostServices().Progress(static_cast<int>(wParam), reinterpret_cast<const char*>(lParam));
        return 0;
    }
};

} // namespace

CWnd::CWnd()
{
    WindowMap& map = Windows();
    std::lock_guard<std::mutex> lock(map.mutex);
    // Small odd numbers: no real address, and never null.
    map.lastHandle += 2;
    m_hWnd = reinterpret_cast<HWND>(map.lastHandle + 1);
    map.windows[m_hWnd] = this;
}

CWnd::~CWnd()
{
    WindowMap& map = Windows();
    std::lock_guard<std::mutex> lock(map.mutex);
    map.windows.erase(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND handle)
{
    if (!handle)
        return nullptr;
    WindowMap& map = Windows();
    std::lock_guard<std::mutex> lock(map.mutex);
    const auto it = map.windows.find(handle);
    return it == map.windows.end() ? nullptr : it->second;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return WindowProc(message, wParam, lParam);
}

void CWnd::ClientToScreen(LPPOINT point) const
{
    point->x += m_screenOrigin.x;
    point->y += m_screenOrigin.y;
}

void CWnd::ClientToScreen(LPRECT rect) const
{
    rect->left += m_screenOrigin.x;
    rect->top += m_screenOrigin.y;
    rect->right += m_screenOrigin.x;
    rect->bottom += m_screenOrigin.y;
}

void CWnd::ScreenToClient(LPPOINT point) const
{
    point->x -= m_screenOrigin.x;
    point->y -= m_screenOrigin.y;
}

void CWnd::ScreenToClient(LPRECT rect) const
{
    rect->left -= m_screenOrigin.x;
    rect->top -= m_screenOrigin.y;
    rect->right -= m_screenOrigin.x;
    rect->bottom -= m_screenOrigin.y;
}

void CWnd::GetClientRect(LPRECT rect) const
{
    *rect = RECT {0, 0, m_clientSize.cx, m_clientSize.cy};
}

CDC* CWnd::GetDC()
{
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* dc)
{
    return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* window = CWnd::FromHandle(handle);
    return window ? window->WindowProc(message, wParam, lParam) : 0;
}

CWinThread* AfxGetThread()
{
    return &s_thread;
}

CWnd* AfxGetMainWnd()
{
    return s_thread.m_pMainWnd;
}

CWnd* GetHostProgressWnd()
{
    static HostProgressWnd window;
    return &window;
}

CDialog* GetHostProgressDialog()
{
    static HostProgressDialog dialog;
    return &dialog;
}
