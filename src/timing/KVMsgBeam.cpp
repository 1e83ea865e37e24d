// Tidying a finished beam group.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/BeamGroups.h"

#include <vector>

int CKVMsg::BeamOrder()
{
    if (m_byKind != MSG_BEAM || !m_pParent || m_pParent->m_byObjKind != OBJ_MEAS)
        return -1;
    CKVMeas& meas = *static_cast<CKVMeas*>(m_pParent);

    // A beam starts and ends at a note: rests at either end stand outside
    // it, those at the end first.
    for (std::vector<CKVMsg*> members = tickmath::LiveChildren(*this);
         !members.empty() && members.back()->m_byKind == MSG_REST; members.pop_back())
        beamgroups::ReturnToMeasure(*this, members.back(), meas);
    for (std::vector<CKVMsg*> members = tickmath::LiveChildren(*this);
         !members.empty() && members.front()->m_byKind == MSG_REST; members.erase(members.begin()))
        beamgroups::ReturnToMeasure(*this, members.front(), meas);

    std::vector<CKVMsg*> members = tickmath::LiveChildren(*this);
    if (members.size() == 1) {
        // One symbol is no beam; it takes the voice's own stem direction.
        CKVMsg* only = members.front();
        CKVDoc* doc = DocOf(*this);
        beamgroups::ReturnToMeasure(*this, only, meas);
        const int direction = doc ? doc->m_CtrlTool.GetNoteDirection(m_byVoice) : kStemDefault;
        only->ChangeNoteDirection(direction, kKeepGraceStems);
        members.clear();
    }
    if (!members.empty())
        SetSubBeamDirAsDefault();
    return static_cast<int>(members.size());
}
