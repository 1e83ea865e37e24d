// The undo step, backup and walk shared by the note commands.

#include "edit/NoteSelFrame.h"

#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

#include <set>

namespace noteframe {

namespace {

CKVSystem* Master(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// A symbol, then the members of a group or chord (a chord inside a group
// brings its notes).
void AddWithMembers(CKVMsg& msg, std::vector<CKVMsg*>& out)
{
    out.push_back(&msg);
    if (msg.m_byKind != MSG_BEAM && msg.m_byKind != MSG_CHORD)
        return;
    tickmath::ForEachChild(msg, [&](CKVMsg* member, short) {
        if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST || member->m_byKind == MSG_CHORD)
            AddWithMembers(*member, out);
        return false;
    });
}

void AddStaff(CKVStaff* staff, std::vector<CKVMsg*>& out)
{
    if (!staff)
        return;
    for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
        CKVMeas* meas = staff->GetMeas(m);
        if (!meas)
            continue;
        tickmath::ForEachChild(*meas, [&](CKVMsg* msg, short) {
            AddWithMembers(*msg, out);
            return false;
        });
    }
}

} // namespace

bool VoiceMatches(const CKVMsg& msg, int voice)
{
    const BYTE wanted = static_cast<BYTE>(voice & 0xFF);
    return wanted == 0 || msg.m_byVoice == wanted;
}

bool Open(CKVDoc& doc)
{
    doc.ResetBackup();
    if (doc.m_bSelectAllPages)
        return doc.ObjectBackup(1) != 0;
    return doc.SelMeasBackup(1) != 0;
}

std::vector<CKVMsg*> LiveSymbols(CKVDoc& doc)
{
    std::vector<CKVMsg*> out;
    CKVSystem* master = Master(doc);
    if (!master)
        return out;
    for (short s = 0; s < master->GetStaffNum(); ++s)
        AddStaff(master->GetStaff(s), out);
    for (short s = 0; master->m_pOssiaStaffArray && s < master->m_pOssiaStaffArray->GetSize(); ++s)
        AddStaff(master->GetOssiaStaff(s), out);
    return out;
}

std::vector<CKVMsg*> Collect(CKVDoc& doc, int voice)
{
    std::vector<CKVMsg*> found;
    if (doc.m_bSelectAllPages) {
        found = LiveSymbols(doc);
    } else {
        const int count = doc.GetSelMsgCount();
        // Overlapping records list a symbol more than once: each id counts once.
        std::set<DWORD> seen;
        for (int i = 0; i < count; ++i) {
            CKVMsg* msg = doc.GetSelNote(i, 0);
            if (msg && seen.insert(msg->m_dwMsgId).second)
                found.push_back(msg);
        }
    }
    std::vector<CKVMsg*> out;
    for (CKVMsg* msg : found) {
        if (VoiceMatches(*msg, voice))
            out.push_back(msg);
    }
    return out;
}

CKVMeas* ShownMeas(CKVMsg& msg)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!meas)
        return nullptr;
    CKVMeas* other = nullptr;
    if (msg.m_wFlag & MSGFLAG_STAFF_UP)
        other = meas->GetUpMeas();
    else if (msg.m_wFlag & MSGFLAG_STAFF_DOWN)
        other = meas->GetDownMeas();
    return other ? other : meas;
}

} // namespace noteframe
