// Deep copies of staves with all their measures.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "document/CopyMsgMap.h"
#include "document/DeepCopy.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

void CopyStaffFields(CKVStaff& self, const CKVStaff& source)
{
    self.m_byClefType = source.m_byClefType;
    self.m_byStaffKind = source.m_byStaffKind;
    self.m_byLineCount = source.m_byLineCount;
    self.m_byDisplayFlags = source.m_byDisplayFlags;
    self.m_wStaffWord = source.m_wStaffWord;
    std::memcpy(self.m_byChannel, source.m_byChannel, sizeof(self.m_byChannel));
    std::memcpy(self.m_byVoiceFirst, source.m_byVoiceFirst, sizeof(self.m_byVoiceFirst));
    std::memcpy(self.m_byVoiceSecond, source.m_byVoiceSecond, sizeof(self.m_byVoiceSecond));
    std::memcpy(self.m_byVoiceThird, source.m_byVoiceThird, sizeof(self.m_byVoiceThird));
    std::memcpy(self.m_byGroupBracket, source.m_byGroupBracket, sizeof(self.m_byGroupBracket));
    std::memcpy(self.m_szName, source.m_szName, sizeof(self.m_szName));
    self.m_dwStaffWord1 = source.m_dwStaffWord1;
    self.m_dwStaffWord2 = source.m_dwStaffWord2;
}

} // namespace

int CKVStaff::CreateFrom(CKVStaff* source)
{
    if (!source || source == this)
        return 0;
    kvcopy::Scope scope;
    // The source measures' links as they were, so that a failed copy leaves
    // none of them naming a measure its caller is about to delete.
    std::vector<std::pair<CKVMeas*, CKVMultiBackup*>> oldLinks;
    auto fail = [&]() {
        scope.Fail();
        for (const auto& link : oldLinks)
            link.first->m_pBackupLink = link.second;
        ClearCopyPendingRefs();
        ClearCopyMsgMap();
        return 0;
    };

    if (!kvcopy::CopyNodeFrom(*this, *source, false))
        return fail();
    CopyStaffFields(*this, *source);

    ClearCopyPendingRefs();
    ClearCopyMsgMap();
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        delete m_arrMeas.GetAt(i);
    m_arrMeas.RemoveAll();
    const int count = source->m_arrMeas.GetSize();
    m_arrMeas.SetSize(count);

    for (int i = 0; i < count; ++i) {
        CKVMeas* from = source->m_arrMeas.GetAt(i);
        if (!from)
            continue;
        CKVMeas* meas = KvNewChild<CKVMeas>(m_pSystem, OBJ_MEAS, this, m_byObjKind);
        if (!meas)
            return fail();
        // Stored before the copy, so that the staff deletes a measure whose
        // copy failed part-way.
        m_arrMeas.SetAt(i, meas);
        if (!meas->CreateFrom(from))
            return fail();
        oldLinks.emplace_back(from, from->m_pBackupLink);
        meas->m_pBackupLink = from;
        from->m_pBackupLink = meas;
    }

    kvcopy::FixUpCopiedLinks(m_pSystem);
    ClearCopyMsgMap();
    ClearCopyPendingRefs();
    return 1;
}
