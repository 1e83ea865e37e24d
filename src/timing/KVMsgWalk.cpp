// One symbol's step of a measure's walk list.

#include "model/KVMsg.h"

#include "model/KVMeas.h"
#include "model/TickMath.h"
#include "timing/WalkSymbols.h"

namespace {

// Symbols that stand at a time of the measure, or are attached to one.
bool IsTimedKind(BYTE kind)
{
    switch (kind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_TEMPO:
    case MSG_NOTEMARK:
    case MSG_ARPEGGIO:
    case MSG_OCTAVE:
    case MSG_KEYSIGN:
    case MSG_OLDFRET:
    case MSG_OLDCHORDNAME:
    case MSG_DYNAMIC:
    case MSG_CLEF:
    case MSG_TRILL:
    case MSG_TREMOLO:
    case MSG_TIMED_EVENT:
    case MSG_MEASREPEAT:
    case MSG_SLIDE1:
    case MSG_SLIDE2:
    case MSG_SLIDE3:
    case MSG_SLIDE4:
    case MSG_MIDI:
    case MSG_MIDI2:
    case MSG_CHORDSYMBOL:
        return true;
    default:
        return false;
    }
}

// Takes a misplaced child's reference out of the list. The symbol stays in
// the id map and is not handed to the deleted-symbol list: whatever holds it
// properly keeps it.
void Unlink(CKVObject& node, short index)
{
    delete node.m_arrMsgRef.GetAt(index);
    node.m_arrMsgRef.RemoveAt(index);
}

} // namespace

void CKVMsg::ResetGetNextMsg(CKVMeas* measure, int chordsWhole, int withCrossStaff, int keepAll)
{
    if (!measure)
        return;
    auto step = [&](CKVMsg* child) { child->ResetGetNextMsg(measure, chordsWhole, withCrossStaff, keepAll); };

    if (IsTimedKind(m_byKind)) {
        if (m_byKind == MSG_NOTE) {
            m_wFlag = static_cast<WORD>(m_wFlag & ~MSGFLAG_CHORD_MEMBER);
            // Listed at the staff where it is drawn. Rests are listed in
            // their own measure whatever their flags.
            if (withCrossStaff && (m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)))
                return;
        }
        kvwalk::Append(*measure, m_dwMsgId, *this);
        tickmath::ForEachChild(*this, [&](CKVMsg* child, short index) {
            if (!keepAll && tickmath::IsVoiceEntry(*child)) {
                Unlink(*this, index);
                return true;
            }
            step(child);
            return false;
        });
        return;
    }

    switch (m_byKind) {
    case MSG_BEAM:
        if (keepAll)
            kvwalk::Append(*measure, m_dwMsgId, *this);
        tickmath::ForEachChild(*this, [&](CKVMsg* member, short index) {
            member->m_wFlag = static_cast<WORD>(member->m_wFlag | MSGFLAG_BEAM_MEMBER);
            if (!keepAll && member->m_byKind == MSG_BEAM) {
                Unlink(*this, index);
                return true;
            }
            step(member);
            return false;
        });
        break;
    case MSG_CHORD:
        if (chordsWhole) {
            kvwalk::Append(*measure, m_dwMsgId, *this);
            break;
        }
        if (keepAll)
            kvwalk::Append(*measure, m_dwMsgId, *this);
        tickmath::ForEachChild(*this, [&](CKVMsg* member, short index) {
            if (!keepAll && (member->m_byKind == MSG_CHORD || member->m_byKind == MSG_BEAM)) {
                Unlink(*this, index);
                return true;
            }
            step(member);
            member->m_wFlag = static_cast<WORD>(member->m_wFlag | MSGFLAG_CHORD_MEMBER);
            return false;
        });
        break;
    default:
        if (!keepAll)
            break;
        kvwalk::Append(*measure, m_dwMsgId, *this);
        tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
            step(child);
            return false;
        });
        break;
    }
}
