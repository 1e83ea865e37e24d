// Moving the symbols of a measure column horizontally: the column of a note
// or rest, its measures on every staff, and each symbol's new x.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"

#include <vector>

namespace {

// An x right of the moved symbol keeps its share of the room right of it.
bool RightOf(short x, short oldX, short newX, short& out)
{
    if (oldX == CKVMeas::SCALE)
        return false;
    out = static_cast<short>(newX + MulDiv(CKVMeas::SCALE - newX, x - oldX, CKVMeas::SCALE - oldX));
    return true;
}

// The staves whose measures of the column move with the symbol: those of
// the current ossia block when it shows the staff, else those of its system.
std::vector<CKVStaff*> ColumnStaves(CKVDoc& doc, CKVStaff& staff)
{
    std::vector<CKVStaff*> staves;
    CKVBlock* block = doc.m_pCurBlock;
    if (block && block->m_byKind == CKVBlock::KIND_OSSIA) {
        for (short s = 0; s < block->GetStaffNum(); ++s)
            staves.push_back(block->GetStaff(s));
        for (CKVStaff* shown : staves) {
            if (shown == &staff)
                return staves;
        }
        staves.clear();
    }
    CKVSystem* system = staff.m_pSystem;
    if (system && staff.m_byObjKind == OBJ_STAFF) {
        for (short s = 0; s < system->GetStaffNum(); ++s)
            staves.push_back(system->GetStaff(s));
    } else {
        staves.push_back(&staff);
    }
    return staves;
}

} // namespace

void CKVDoc::ChangeXByTime(CKVMsg* msg, short newX, int byTime)
{
    if (!msg || (msg->m_byKind != MSG_NOTE && msg->m_byKind != MSG_REST))
        return;
    if (newX <= 0 || newX > CKVMeas::SCALE)
        return;
    CKVMeas* meas = tickmath::MeasureOf(msg);
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    // The column is the measure's place on its staff, whichever block shows it.
    const short column = staff ? staff->GetMeasIndex(meas) : -1;
    if (column < 0 || !CheckAvailableMemory(1000000))
        return;
    const short oldX = msg->m_nPosX;
    const short t = msg->m_nStartTime;
    m_bModified = 1;
    ResetBackup();
    for (CKVStaff* each : ColumnStaves(*this, *staff)) {
        CKVMeas* target = each ? each->GetMeas(column) : nullptr;
        if (!target)
            continue;
        target->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        CKVMeas* live = target->GetCurBackupObj();
        (live ? live : target)->ChangeX(oldX, newX, byTime, t);
    }
}

void CKVMeas::ChangeX(short oldX, short newX, int byTime, short t)
{
    tickmath::ForEachChild(*this, [&](CKVMsg* msg, short) {
        if (tickmath::IsVoiceEntry(*msg))
            msg->ChangeX(oldX, newX, byTime, t);
        return false;
    });
    // A grace note starts where it stands, and a voice is timed in the
    // order of its places, which a move by position may change.
    UpdateStartTime(0, 0, 0, kPerformedStartStays);
}

void CKVMsg::ChangeX(short oldX, short newX, int byTime, short t)
{
    if (m_byKind == MSG_BEAM || m_byKind == MSG_CHORD) {
        CKVMsg* first = nullptr;
        CKVMsg* last = nullptr;
        tickmath::ForEachChild(*this, [&](CKVMsg* member, short) {
            if (!tickmath::IsVoiceEntry(*member))
                return false;
            member->ChangeX(oldX, newX, byTime, t);
            if (!first)
                first = member;
            last = member;
            return false;
        });
        if (first) {
            m_nPosX = first->m_nPosX;
            m_nPosX2 = last->m_nPosX;
        }
        return;
    }
    if (m_byKind != MSG_NOTE && m_byKind != MSG_REST)
        return;
    const short x = m_nPosX;
    short moved = x;
    if (!byTime) {
        if (x == oldX)
            moved = newX;
        else if (x > oldX)
            RightOf(x, oldX, newX, moved);
    } else if (m_nStartTime == t) {
        moved = newX;
    } else if (m_nStartTime > t) {
        RightOf(x, oldX, newX, moved);
    } else if (oldX != 0) {
        moved = static_cast<short>(MulDiv(newX, x, oldX));
    }
    m_nPosX = moved;
}
