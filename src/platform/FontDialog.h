#pragma once
// The font dialog. The host services do the choosing; the dialog keeps the
// answer for its readers.

#include "String.h"
#include "Wnd.h"

constexpr DWORD CF_SCREENFONTS = 0x0001;
constexpr DWORD CF_PRINTERFONTS = 0x0002;
constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x0040;
constexpr DWORD CF_EFFECTS = 0x0100;

class CFontDialog : public CDialog {
public:
    // A preset font starts the choice from it.
    explicit CFontDialog(LOGFONTA* preset = nullptr, DWORD flags = CF_SCREENFONTS, void* printerDC = nullptr,
        CWnd* parent = nullptr);

    // IDOK with the choice kept, or IDCANCEL with the font unchanged.
    INT_PTR DoModal();

    // The chosen size in tenths of a point.
    int GetSize() const { return m_pointSizeTenths; }
    CString GetFaceName() const;
    BOOL IsItalic() const { return m_lf.lfItalic ? TRUE : FALSE; }
    BOOL IsStrikeOut() const { return m_lf.lfStrikeOut ? TRUE : FALSE; }
    BOOL IsUnderline() const { return m_lf.lfUnderline ? TRUE : FALSE; }
    // Semi-bold (600) and heavier count as bold.
    BOOL IsBold() const { return m_lf.lfWeight >= 600 ? TRUE : FALSE; }
    void GetCurrentFont(LOGFONTA* font) const { *font = m_lf; }

    LOGFONTA m_lf {};

private:
    DWORD m_flags;
    int m_pointSizeTenths = 0;
};
