// Proportional spacing of a symbol and the head handle of a note.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <algorithm>
#include <vector>

void CKVMsg::NoteSpaceOrder()
{
    if (!tickmath::IsVoiceEntry(*this))
        return;
    const BYTE kind = m_byKind;
    CKVMeas* meas = tickmath::MeasureOf(this);
    // A measure without length has no time scale; the position stays.
    if (meas && meas->m_nLength <= 0)
        return;

    if (kind == MSG_BEAM) {
        std::vector<CKVMsg*> members = tickmath::Members(*this);
        for (CKVMsg* member : members)
            member->NoteSpaceOrder();
        if (!(m_wFlag & MSGFLAG_GRACE) && !members.empty()) {
            m_nPosX = members.front()->m_nPosX;
            m_nPosX2 = members.back()->m_nPosX;
        }
        return;
    }
    // Grace notes are placed before their main note, not by time.
    if (tickmath::IsGrace(*this))
        return;

    if (tickmath::IsLoneWholeRest(*this)) {
        // One line spacing left of the measure's middle, as the rest's
        // glyph hangs right of its anchor.
        short x = CKVMeas::SCALE / 2;
        if (meas) {
            m_nPosX = x;
            CKVDoc* doc = DocOf(*this);
            const int space = doc ? doc->m_nStaffSpace : nCurStaffSpace;
            x = meas->AbsXToMeasX(static_cast<short>(meas->GetRealPosX(this) - space));
        }
        SetNotePos(x);
        return;
    }
    if (!meas)
        return;
    SetNotePos(static_cast<short>(MulDiv(GetStartTime(), CKVMeas::SCALE, meas->m_nLength)));
    if (kind == MSG_CHORD) {
        for (CKVMsg* member : tickmath::Members(*this))
            member->NoteSpaceOrder();
    }
}

void CKVMsg::NoteCtrlOffset(short dx)
{
    if (m_byKind != MSG_NOTE || m_arrCtrlPoint.GetSize() == 0)
        return;
    MakeNoteMarkCtrl();
    CKVCtrlPoint* head = m_arrCtrlPoint.GetSize() > 0 ? m_arrCtrlPoint.GetAt(0) : nullptr;
    if (!head)
        return;

    SIZE glyph {0, 0};
    if (CKVDoc* doc = DocOf(*this)) {
        // Every code from the quarter on shares the black head; a damaged
        // code past the table takes it too.
        const int code = std::min<int>(m_wDuration & 0xFF, CKVDoc::kHeadSizes - 1);
        glyph = doc->m_sizeHead[code];
    }
    const int size = m_wSize;
    const int half = static_cast<int>(glyph.cy) >> 1;
    // The shifts round toward minus infinity, also for the negative top.
    head->m_rect.left = 0;
    head->m_rect.top = std::min(-1, (-(half * size)) >> 4);
    head->m_rect.right = std::max(1, (static_cast<int>(glyph.cx) * size) >> 4);
    head->m_rect.bottom = std::max(1, (half * size) >> 4);

    if (dx == 0)
        return;
    for (int i = 0; i < m_arrCtrlPoint.GetSize(); ++i) {
        if (CKVCtrlPoint* handle = m_arrCtrlPoint.GetAt(i))
            handle->m_rect.OffsetRect(dx, 0);
    }
}
