#include "FontDialog.h"

#include "HostServices.h"

#include <cstring>

CFontDialog::CFontDialog(LOGFONTA* preset, DWORD flags, void*, CWnd* parent)
    : CDialog(0, parent)
    , m_flags(flags)
{
    if (preset) {
        m_lf = *preset;
        m_flags |= CF_INITTOLOGFONTSTRUCT;
    }
}

INT_PTR CFontDialog::DoModal()
{
    LOGFONTA font {};
    if (m_flags & CF_INITTOLOGFONTSTRUCT)
        font = m_lf;
    int tenths = m_pointSizeTenths;
    if (!GetHostServices().ChooseFont(font, tenths))
        return IDCANCEL;
    m_lf = font;
    m_pointSizeTenths = tenths;
    return IDOK;
}

CString CFontDialog::GetFaceName() const
{
    // A full 32-byte face has no NUL.
    return CString(m_lf.lfFaceName, static_cast<int>(strnlen(m_lf.lfFaceName, LF_FACESIZE)));
}
