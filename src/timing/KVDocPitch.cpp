// Voice colours and drum-note connections of the selected symbols.

#include "document/KVDoc.h"

#include "model/KVMsg.h"

// colours holds 9 entries indexed by voice (entry 0 unused), enabled 8
// indexed by voice - 1. A symbol whose voice lies outside 1-8 is left alone.
void CKVDoc::SetVoiceColor(DWORD* colours, int* enabled)
{
    if (!colours || !enabled)
        return;
    const int count = GetSelMsgCount();
    for (int i = 0; i < count; ++i) {
        CKVMsg* msg = GetSelNote(i, 0);
        if (!msg)
            continue;
        switch (msg->m_byKind) {
        case MSG_NOTE:
        case MSG_REST:
        case MSG_BEAM:
        case MSG_CHORD:
        case MSG_MULTIREST:
            break;
        default:
            continue;
        }
        const int voice = msg->m_byVoice;
        if (voice < 1 || voice > 8)
            continue;
        if (enabled[voice - 1] == 1)
            msg->m_crColor = colours[voice];
    }
    m_bModified = TRUE;
}

void CKVDoc::SetDrumNoteConnect(WORD value)
{
    const int count = GetSelMsgCount();
    for (int i = 0; i < count; ++i) {
        CKVMsg* msg = GetSelNote(i, 0);
        if (msg && msg->m_byKind == MSG_NOTE)
            msg->m_dwWord = (msg->m_dwWord & 0xFFFF0000u) | value;
    }
    m_bModified = TRUE;
}
