#include "document/KVDoc.h"

#include "edit/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "timing/TickMath.h"

#include <algorithm>

int CKVDoc::IsEnableBindByTie(CKVMsg*, CKVMsg*, int)
{
    KV_PENDING("CKVDoc::IsEnableBindByTie");
    return 0;
}

int CKVDoc::BindNoteByTie(CKVMsg*, CKVMsg*, int, int, int, int, int, int)
{
    KV_PENDING("CKVDoc::BindNoteByTie");
    return 0;
}

int CKVDoc::BindNoteBySlur(CKVMsg*, CKVMsg*, short, unsigned short, unsigned short, int)
{
    KV_PENDING("CKVDoc::BindNoteBySlur");
    return 0;
}

int CKVDoc::SetSymbol(short, POINT, BYTE, int, int)
{
    KV_PENDING("CKVDoc::SetSymbol");
    return 0;
}

void CKVDoc::SetTuplet(BYTE voice, unsigned short word, unsigned short form, int pass)
{
    // A run: consecutive selected symbols of one measure (and, for voice 0,
    // of one voice), over the range of their positions.
    CKVMeas* runMeas = nullptr;
    BYTE runVoice = 0;
    short from = 0;
    short to = 0;
    auto close = [&]() {
        if (runMeas)
            runMeas->SetTupletByMenu(from, to, runVoice, word, form, pass);
        runMeas = nullptr;
    };

    const int records = m_pSelRectArray ? static_cast<int>(m_pSelRectArray->GetSize()) : 0;
    for (int r = 0; r < records; ++r) {
        const int count = GetSelMsgCount(static_cast<short>(r));
        for (int i = 0; i < count; ++i) {
            CKVMsg* msg = GetSelNote(i, 0);
            if (!msg || !tickmath::IsNoteRestChord(*msg) || (voice != 0 && msg->m_byVoice != voice))
                continue;
            CKVMeas* meas = tickmath::MeasureOf(msg);
            if (!meas)
                continue;
            if (runMeas && (meas != runMeas || msg->m_byVoice != runVoice))
                close();
            if (!runMeas) {
                runMeas = meas;
                runVoice = msg->m_byVoice;
                from = to = msg->m_nPosX;
            }
            from = std::min(from, msg->m_nPosX);
            to = std::max(to, msg->m_nPosX);
        }
        close();
    }
    m_bModified = 1;
}

void CKVDoc::UpdateTupletType(unsigned short form)
{
    CKVSystem* system = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (system) {
        const bool keepForms = form == 0xFFFF;
        for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
            CKVMsg* msg = system->GetMsgFromMap(static_cast<DWORD>(id));
            if (!msg)
                continue;
            // Notes and rests outside tuplets are left exactly as they are.
            if ((msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST) && msg->m_wObjWord != 0) {
                if (!keepForms)
                    msg->m_dwWord = (static_cast<DWORD>(form) << 16) | (msg->m_dwWord & 0xFFFF);
            } else if (msg->m_byKind == MSG_TUPLET) {
                if (!keepForms)
                    msg->m_wFlag = form;
                msg->TupletPosOrder();
            }
        }
    }
    m_bModified = 1;
}
