// The measure's hit-tests: the note under a point, the symbol under a point
// with the voice filters of the settings, and the note found by its head.

#include "model/KVMeas.h"

#include "model/KVCtrlPoint.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"

namespace {

// The notes of a node and of the chords and groups in it, in child order.
template <class Visit>
void ForEachNote(CKVObject& node, Visit& visit)
{
    tickmath::ForEachChild(node, [&](CKVMsg* child, short) {
        if (child->m_byKind == MSG_NOTE)
            visit(*child);
        else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM)
            ForEachNote(*child, visit);
        return false;
    });
}

} // namespace

CKVMsg* CKVMeas::GetNoteMsg(POINT pt, unsigned char voice)
{
    const CKVDoc* doc = DocOf(*this);
    CKVMsg* best = nullptr;
    long long bestDistance = 0;
    auto visit = [&](CKVMsg& note) {
        if (voice != 0 && note.m_byVoice != voice)
            return;
        if (doc && doc->m_CtrlTool.IsVoiceHidden(note.m_byVoice))
            return;
        if (note.m_arrCtrlPoint.GetSize() == 0 || !note.m_arrCtrlPoint.GetAt(0))
            return;
        const CRect head = note.m_arrCtrlPoint.GetAt(0)->m_rect;
        const POINT local {pt.x - MeasXToAbsX(note.m_nPosX, note.m_byKind), pt.y - note.ConvertYbyZoom(note.m_nPosY)};
        if (!::PtInRect(&head, local))
            return;
        const long long dx = local.x - head.CenterPoint().x;
        const long long dy = local.y - head.CenterPoint().y;
        const long long distance = dx * dx + dy * dy;
        // On equal distance the later note wins.
        if (!best || distance <= bestDistance) {
            best = &note;
            bestDistance = distance;
        }
    };
    ForEachNote(*this, visit);
    return best;
}

CKVMsg* CKVMeas::GetCtrlPointedMsg(POINT pt, unsigned char voice, int notesOnly, POINT extra)
{
    CKVDoc* doc = DocOf(*this);
    if (doc && (GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0)
        doc->m_ptPointed = POINT {0, 0};

    CKVMsg* found = nullptr;
    tickmath::ForEachChild(*this, [&](CKVMsg* msg, short) {
        if (found)
            return false;
        const int kind = msg->m_byKind;
        if (voice != 0 && msg->m_byVoice != voice)
            return false;
        if (kind == MSG_MIDI && !CKVCtrlTool::m_bShowMidiEvent)
            return false;
        if (notesOnly && !tickmath::IsVoiceEntry(*msg))
            return false;
        if (doc && msg->m_byVoice != voice) {
            if ((kind == MSG_CHORD || kind == MSG_BEAM || kind == MSG_NOTE) &&
                doc->m_CtrlTool.IsVoiceHidden(msg->m_byVoice))
                return false;
            if (kind == MSG_REST && !doc->m_CtrlTool.IsRestVisible(msg->m_byVoice))
                return false;
        }
        if (kind == MSG_CHORD || kind == MSG_BEAM) {
            found = msg->GetCtrlPointedChordBeamMsg(pt, extra, notesOnly);
            return false;
        }
        // A clef at the very start of the measure stands on the bar line
        // side of the header.
        int originX = MeasXToAbsX(msg->m_nPosX, kind);
        if (kind == MSG_CLEF && msg->m_nPosX < 1 && msg->m_byMark1 == 1)
            originX = MulDiv(msg->m_nPosX, GetRealWidth(), SCALE) + 3;
        const POINT local {pt.x - originX, pt.y - msg->ConvertYbyZoom(msg->m_nPosY)};
        found = msg->GetCtrlPointedMsg(local, notesOnly, extra, kSecondPair);
        return false;
    });
    return found;
}

CKVMsg* CKVMeas::GetPointedNoteMsg(POINT pt, unsigned char voice)
{
    CKVMsg* msg = GetCtrlPointedMsg(pt, voice, kHeadOnly, POINT {0, 0});
    if (!msg || (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST) || msg->m_cPointedCtrl != 0)
        return nullptr;
    return msg;
}
