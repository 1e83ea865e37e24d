// The structure self-tests of the symbol tree: beam groups and chords that
// hold only notes, rests and chords, and no reference that names no symbol.

#include "model/KVMsg.h"

#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

namespace {

void TestStaff(CKVStaff* staff)
{
    if (!staff)
        return;
    for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
        CKVMeas* meas = staff->GetMeas(m);
        tickmath::ForEachChild(*meas, [](CKVMsg* msg, short) {
            msg->TestMsgStruct();
            return false;
        });
    }
}

} // namespace

void CKVMsg::TestMsgStruct()
{
    if (m_byKind != MSG_BEAM && m_byKind != MSG_CHORD)
        return;
    // The walk drops references that name no symbol and looks at the same
    // place again; so does a removed member.
    tickmath::ForEachChild(*this, [this](CKVMsg* child, short index) {
        if (!tickmath::IsNoteRestChord(*child)) {
            RemoveMsgAt(index);
            return true;
        }
        child->TestMsgStruct();
        return false;
    });
}

void CKVSystem::TestSystemStruct()
{
    for (short s = 0; s < GetStaffNum(); ++s)
        TestStaff(GetStaff(s));
    for (short s = 0;; ++s) {
        CKVStaff* ossia = GetOssiaStaff(s);
        if (!ossia)
            break;
        TestStaff(ossia);
    }
}
