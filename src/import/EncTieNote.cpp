#include "import/EncTieNote.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"

namespace {

// The note of `voice` at x and y in a measure, its chords and groups.
CKVMsg* NoteAt(CKVObject& node, short x, short y, BYTE voice)
{
    CKVMsg* found = nullptr;
    tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
        if (found)
            return false;
        if (child->m_byKind == MSG_NOTE) {
            if (child->m_byVoice == voice && child->m_nPosX == x && child->m_nPosY == y)
                found = child;
        } else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM) {
            found = NoteAt(*child, x, y, voice);
        }
        return false;
    });
    return found;
}

} // namespace

CKVMsg* EncTieNote(CKVMeas& meas, POINT pt, BYTE voice)
{
    const auto y = static_cast<short>(pt.y);
    if (CKVMsg* own = NoteAt(meas, meas.AbsXToMeasX(static_cast<short>(pt.x)), y, voice))
        return own;
    CKVMsg* hit = meas.GetNoteMsg(pt, voice);
    if (!hit || hit->m_nPosY == y)
        return hit;
    CKVMsg* level = NoteAt(meas, hit->m_nPosX, y, voice);
    return level ? level : hit;
}

bool EncStartsTie(CKVMsg& note)
{
    for (short i = 0; i < note.GetMsgNum(); ++i) {
        CKVMsg* child = note.GetMsg(i);
        if (child && child->m_byKind == MSG_TIE && child->m_dwWord == note.m_dwMsgId)
            return true;
    }
    return false;
}
