#pragma once
// The one process-wide object through which the platform layer reaches the
// host application: its string table, message boxes, beeps, key state,
// progress display, drum kits, free-memory figure, font dialog and process
// exit. A default object serves a library loaded without a host.

#include "WinTypes.h"

class CString;
class CPtrArray;
class CWnd;
class CDialog;

class HostServices {
public:
    virtual ~HostServices();

    // String table. FALSE, with `text` emptied, for a missing id.
    virtual BOOL LoadString(UINT id, CString& text);

    // A message box of the given type; returns the answer (IDOK, IDYES, ...).
    // The default prints the text on stderr and answers IDNO to Yes/No,
    // IDCANCEL to OK/Cancel and IDOK otherwise.
    virtual int MessageBox(const char* text, UINT type);

    // A beep of the given type, passed on unchanged.
    virtual void Beep(UINT type);

    // TRUE while the virtual key is held down. By default nothing is down.
    virtual bool IsKeyDown(int virtualKey);

    // Progress of a long operation, 0 to 100, with an optional status text.
    virtual void Progress(int percent, const char* text);

    // The host-owned table of drum-kit entries, or null.
    virtual CPtrArray* DrumKits();

    // Free address space in bytes.
    virtual unsigned long long AvailableVirtualBytes();

    // The font dialog: `font` holds the preset on entry and the choice on a
    // confirmed return, with the point size in tenths. The default cancels.
    virtual bool ChooseFont(LOGFONTA& font, int& pointSizeTenths);

    // Ends the process; never returns. The default calls _exit.
    [[noreturn]] virtual void ExitProcess(UINT code);
};

// The answer of a host that never asks: IDNO to Yes/No questions, IDCANCEL to
// OK/Cancel and IDOK otherwise.
int KvDefaultMessageBoxAnswer(UINT type);

// Installs the host's services; null restores the default ones. The object
// stays owned by the caller.
void SetHostServices(HostServices* services);
HostServices& GetHostServices();

// The ready-made headless window that turns WM_USER+1 (wParam the percent,
// lParam a NUL-terminated text or 0) into HostServices::Progress. The host
// hands it to every operation that takes a progress window.
CWnd* GetHostProgressWnd();
// The same as a headless dialog, for the readers that take a CDialog.
CDialog* GetHostProgressDialog();
