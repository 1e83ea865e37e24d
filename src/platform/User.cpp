#include "User.h"

#include "HostServices.h"
#include "String.h"

namespace {

constexpr SHORT kKeyDown = static_cast<SHORT>(-0x8000);

SHORT KeyState(int virtualKey)
{
    return GetHostServices().IsKeyDown(virtualKey) ? kKeyDown : 0;
}

} // namespace

int AfxMessageBox(LPCTSTR text, UINT type, UINT)
{
    return GetHostServices().MessageBox(text ? text : "", type);
}

int AfxMessageBox(UINT id, UINT type, UINT)
{
    CString text;
    text.LoadString(id);
    return GetHostServices().MessageBox(text, type);
}

BOOL MessageBeep(UINT type)
{
    GetHostServices().Beep(type);
    return TRUE;
}

SHORT GetKeyState(int virtualKey)
{
    return KeyState(virtualKey);
}

SHORT GetAsyncKeyState(int virtualKey)
{
    return KeyState(virtualKey);
}
