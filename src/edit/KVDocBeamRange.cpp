// Measure ranges of the selection, and dissolving the beams over them.

#include "document/KVDoc.h"

#include "edit/EditFrame.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/TickMath.h"
#include "timing/VoiceRoom.h"

#include <algorithm>

namespace {

// The ranges of ForEachSelRange, walked without backing anything up.
void WalkSelRanges(CKVDoc& doc, int voice, int notesOnly, int watchGroups, const CKVDoc::SelRangeVisit& process)
{
    const BYTE wanted = static_cast<BYTE>(voice);
    for (short r = 0; r < doc.m_pSelRectArray->GetSize(); ++r) {
        const int count = doc.GetSelMsgCount(r);
        bool groupSeen = false;
        CKVMeas* meas = nullptr;
        short first = 0;
        short last = 0;
        for (int i = 0; i < count; ++i) {
            CKVMsg* msg = doc.GetSelNote(i, 0);
            if (!msg || msg->m_byVoice != wanted)
                continue;
            if (msg->m_byKind == MSG_BEAM) {
                if (watchGroups)
                    groupSeen = true;
                continue;
            }
            const bool takes = msg->m_byKind == MSG_NOTE || (!notesOnly && msg->m_byKind == MSG_REST);
            CKVMeas* at = takes ? tickmath::MeasureOf(msg) : nullptr;
            if (!at)
                continue;
            if (at != meas) {
                if (meas)
                    process(*meas, first, last, groupSeen, false);
                meas = at;
                first = last = msg->m_nPosX;
                continue;
            }
            first = std::min(first, msg->m_nPosX);
            last = std::max(last, msg->m_nPosX);
        }
        if (meas)
            process(*meas, first, last, groupSeen, true);
    }
}

} // namespace

void CKVDoc::ForEachSelRange(int voice, int notesOnly, int watchGroups, const SelRangeVisit& process)
{
    if (!m_pSelRectArray)
        return;
    // The measures the ranges lie in join the host's step where its backup
    // of the selection left them out, before the first of them changes.
    std::vector<CKVMsg*> reached;
    for (short r = 0; r < m_pSelRectArray->GetSize(); ++r) {
        const int count = GetSelMsgCount(r);
        for (int i = 0; i < count; ++i) {
            if (CKVMsg* msg = GetSelNote(i, 0); msg && msg->m_byVoice == static_cast<BYTE>(voice))
                reached.push_back(msg);
        }
    }
    CEditFrame::BackUpMissed(*this, reached);
    WalkSelRanges(*this, voice, notesOnly, watchGroups, process);
}

bool CKVDoc::SelRangeGroupsDissolve(int voice, bool intoChord)
{
    if (!m_pSelRectArray)
        return true;
    CVoiceRoom room;
    for (int v = voice ? voice : 1; v <= (voice ? voice : CKVCtrlTool::kVoices); ++v) {
        const BYTE b = static_cast<BYTE>(v);
        WalkSelRanges(*this, v, intoChord ? 1 : 0, 0, [&room, b, intoChord](CKVMeas& meas, short first, short last, bool, bool) {
            if (intoChord)
                room.MakeChord(meas, b, first, last);
            else
                room.Dissolve(meas, b, first, last);
        });
    }
    return room.Fits();
}

void CKVDoc::DisAssembleBeam(int voice)
{
    // Members given back to a measure whose record could not count them all
    // would leave a score that cannot be saved: its groups stay as they are.
    if (!SelRangeGroupsDissolve(voice))
        return;
    ForEachSelRange(voice, 0, 0, [voice](CKVMeas& meas, short first, short last, bool, bool) {
        meas.DisAssembleBeam(static_cast<BYTE>(voice), first, last, 0);
    });
    m_bModified = 1;
}
