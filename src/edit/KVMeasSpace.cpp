#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "timing/PitchMath.h"
#include "timing/TickMath.h"

#include <vector>

CRect CKVMeas::GetRealMeasRect(int)
{
    KV_PENDING("CKVMeas::GetRealMeasRect");
    return CRect();
}

void CKVMeas::NoteSpaceOrder(unsigned char voice, int a, int b, int withGrace)
{
    UpdateStartTime(voice, a, 0, b);
    for (DWORD id : kvpitch::ChildIds(*this)) {
        CKVMsg* msg = kvpitch::Resolve(*this, id);
        if (msg && (voice == 0 || msg->m_byVoice == voice))
            msg->NoteSpaceOrder();
    }
    if (!withGrace)
        return;

    // Each main note's grace notes go between it and the symbol before it.
    // The walk is copied: placing grace notes may rebuild it.
    ResetGetNextMsg(1, 1, 0, 0);
    const std::vector<DWORD> walk = measplace::WalkIds(*this);
    CKVDoc* doc = m_pSystem ? m_pSystem->m_pDoc : nullptr;
    const int space = doc ? doc->m_nStaffSpace : nCurStaffSpace;
    short left = 0;
    for (DWORD id : walk) {
        CKVMsg* msg = kvpitch::Resolve(*this, id);
        if (!msg || !tickmath::IsNoteRestChord(*msg) || tickmath::IsGrace(*msg))
            continue;
        SetGraceNotePosByStartTime(msg, left);
        left = static_cast<short>(msg->m_nPosX + 4 * space);
    }
}
