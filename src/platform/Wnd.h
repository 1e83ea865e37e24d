#pragma once
// Headless windows. A CWnd takes a unique HWND when it is built and keeps it
// until it is destroyed; the free SendMessageA finds it by that handle. There
// is no screen: the owner of a window sets where its client area lies on the
// virtual screen and how large it is.

#include "WinTypes.h"

class CDC;

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The window of a handle, or null for a null or unknown handle.
    static CWnd* FromHandle(HWND handle);

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Calls WindowProc directly.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void ClientToScreen(LPPOINT point) const;
    void ClientToScreen(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const;
    void ScreenToClient(LPRECT rect) const;
    // (0, 0) to the client size.
    void GetClientRect(LPRECT rect) const;

    // A screen-like DC for the window (no pixels, the screen's dpi), as a
    // temporary wrapper; give it back with ReleaseDC.
    CDC* GetDC();
    int ReleaseDC(CDC* dc);

    // Set by the window's owner.
    void SetScreenOrigin(POINT origin) { m_screenOrigin = origin; }
    void SetClientSize(SIZE size) { m_clientSize = size; }

    HWND m_hWnd;

protected:
    // Handles a message; the base class handles none and returns 0.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM);

    POINT m_screenOrigin {0, 0};
    SIZE m_clientSize {0, 0};
};

// Delivers a message to the window of `handle`; a null or unknown handle
// gives 0 and delivers nothing.
LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(handle, message, wParam, lParam);
}

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nIDHelp(templateId)
        , m_pParentWnd(parent)
    {
    }

    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;
};

// The application's one thread object; the host sets its main window.
class CWinThread {
public:
    CWnd* m_pMainWnd = nullptr;
};

CWinThread* AfxGetThread();
CWnd* AfxGetMainWnd();
