#pragma once
// Message boxes, beeps and key state, all answered by the host services.

#include "WinTypes.h"

// Shows `text` with the buttons of `type` and returns the host's answer.
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
// The same with the host's string `id`; a missing id shows an empty text.
int AfxMessageBox(UINT id, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));

// Passes the type to the host as given; always TRUE.
BOOL MessageBeep(UINT type);

// Negative (high bit set) while the key is down.
SHORT GetKeyState(int virtualKey);
// 0x8000 set while the key is down.
SHORT GetAsyncKeyState(int virtualKey);
