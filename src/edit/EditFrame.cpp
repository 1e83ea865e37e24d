// The command frame: undo step and backup, the reached symbols each once,
// the modified flag.

#include "edit/EditFrame.h"

#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

namespace {

void VisitMembers(CKVMeas& meas, CKVMsg& msg, const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    visit(meas, msg);
    if (msg.m_byKind != MSG_BEAM && msg.m_byKind != MSG_CHORD)
        return;
    tickmath::ForEachChild(msg, [&](CKVMsg* member, short) {
        if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST || member->m_byKind == MSG_CHORD)
            VisitMembers(meas, *member, visit);
        return false;
    });
}

void VisitStaves(CKVStaffPtrArray* staves, CEditFrame::Members members,
                 const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        CKVStaff* staff = staves->GetAt(s);
        for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (!meas)
                continue;
            tickmath::ForEachChild(*meas, [&](CKVMsg* msg, short) {
                if (members == CEditFrame::Members::Included)
                    VisitMembers(*meas, *msg, visit);
                else
                    visit(*meas, *msg);
                return false;
            });
        }
    }
}

} // namespace

CEditFrame::CEditFrame(CKVDoc& doc) : m_doc(doc) {}

bool CEditFrame::Open()
{
    m_doc.ResetBackup();
    if (WholeScore())
        return m_doc.ObjectBackup(1) != 0;
    return m_doc.SelMeasBackup(1) != 0;
}

bool CEditFrame::WholeScore() const
{
    return m_doc.m_bSelectAllPages != 0;
}

bool CEditFrame::VoiceMatches(const CKVMsg& msg, int voice)
{
    const BYTE wanted = static_cast<BYTE>(voice & 0xFF);
    return wanted == 0 || msg.m_byVoice == wanted;
}

void CEditFrame::Take(CKVMsg* msg, int voice, std::vector<CKVMsg*>& out)
{
    if (!msg || !VoiceMatches(*msg, voice))
        return;
    if (!m_given.insert(msg->m_dwMsgId).second)
        return;
    out.push_back(msg);
}

std::vector<CKVMsg*> CEditFrame::FromCollection(int count, int voice)
{
    std::vector<CKVMsg*> out;
    for (int i = 0; i < count; ++i)
        Take(m_doc.GetSelNote(i, 0), voice, out);
    return out;
}

std::vector<CKVMsg*> CEditFrame::Collect(int voice, Members members)
{
    if (!WholeScore())
        return FromCollection(m_doc.GetSelMsgCount(), voice);
    std::vector<CKVMsg*> out;
    ForEachLiveMsg(m_doc, members, [&](CKVMeas&, CKVMsg& msg) { Take(&msg, voice, out); });
    return out;
}

std::vector<CKVMsg*> CEditFrame::CollectRecord(short record, int voice)
{
    if (WholeScore())
        return Collect(voice);
    return FromCollection(m_doc.GetSelMsgCount(record), voice);
}

void CEditFrame::Close()
{
    m_doc.m_bModified = 1;
}

void CEditFrame::ForEachLiveMsg(CKVDoc& doc, Members members, const std::function<void(CKVMeas&, CKVMsg&)>& visit)
{
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    if (!master)
        return;
    VisitStaves(master->m_pStaffArray, members, visit);
    VisitStaves(master->m_pOssiaStaffArray, members, visit);
}
