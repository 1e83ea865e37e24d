// Copies of a block's layout.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVCtrlPoint.h"

namespace {

// Copies of the source's handles; null entries stay null. false when memory
// ran out (the copies made so far stay in the list).
bool CopyHandles(CTypedPtrArray<CPtrArray, CKVCtrlPoint*>& to, const CTypedPtrArray<CPtrArray, CKVCtrlPoint*>& from)
{
    for (int i = 0; i < to.GetSize(); ++i)
        delete to.GetAt(i);
    to.RemoveAll();
    for (int i = 0; i < from.GetSize(); ++i) {
        const CKVCtrlPoint* handle = from.GetAt(i);
        CKVCtrlPoint* copy = nullptr;
        if (handle) {
            copy = KvNew<CKVCtrlPoint>();
            if (!copy)
                return false;
            *copy = *handle;
        }
        to.Add(copy);
    }
    return true;
}

bool CopyNamePoints(CKVBlock& self, const CKVBlock& source)
{
    for (int i = 0; i < self.m_arrStaffNamePoint.GetSize(); ++i)
        delete self.m_arrStaffNamePoint.GetAt(i);
    self.m_arrStaffNamePoint.RemoveAll();
    for (int i = 0; i < source.m_arrStaffNamePoint.GetSize(); ++i) {
        const POINT* point = source.m_arrStaffNamePoint.GetAt(i);
        POINT* copy = nullptr;
        if (point) {
            copy = KvNew<POINT>();
            if (!copy)
                return false;
            *copy = *point;
        }
        self.m_arrStaffNamePoint.Add(copy);
    }
    return true;
}

bool CopyStaffEntries(CKVBlock& self, const CKVBlock& source)
{
    for (int i = 0; i < self.m_arrStaffEntry.GetSize(); ++i)
        delete self.m_arrStaffEntry.GetAt(i);
    self.m_arrStaffEntry.RemoveAll();
    for (int i = 0; i < source.m_arrStaffEntry.GetSize(); ++i) {
        const BlockStaffEntry* entry = source.m_arrStaffEntry.GetAt(i);
        BlockStaffEntry* copy = nullptr;
        if (entry) {
            copy = KvNew<BlockStaffEntry>();
            if (!copy)
                return false;
            *copy = *entry;
        }
        self.m_arrStaffEntry.Add(copy);
    }
    return true;
}

void CopyWords(CWordArray& to, const CWordArray& from)
{
    to.RemoveAll();
    for (int i = 0; i < from.GetSize(); ++i)
        to.Add(from.GetAt(i));
}

} // namespace

int CKVBlock::CreateFrom(CKVBlock* source)
{
    if (!source || source == this)
        return 0;
    if (!CopyHandles(m_arrStaffCtrl, source->m_arrStaffCtrl) || !CopyHandles(m_arrMeasCtrl, source->m_arrMeasCtrl) ||
        !CopyNamePoints(*this, *source) || !CopyHandles(m_arrStaffNameCtrl, source->m_arrStaffNameCtrl) ||
        !CopyStaffEntries(*this, *source)) {
        ReportOutOfMemory(1);
        return 0;
    }
    m_pSystem = source->m_pSystem;
    m_nFirstMeas = source->m_nFirstMeas;
    m_nMeasCount = source->m_nMeasCount;
    m_rcBlock = source->m_rcBlock;
    CopyWords(m_arrMeasX, source->m_arrMeasX);
    CopyWords(m_arrStaffY, source->m_arrStaffY);
    if (m_pStaffArray && source->m_pStaffArray) {
        m_pStaffArray->RemoveAll();
        for (int i = 0; i < source->m_pStaffArray->GetSize(); ++i)
            m_pStaffArray->Add(source->m_pStaffArray->GetAt(i));
    }
    m_nNominalMeasCount = source->m_nNominalMeasCount;
    return 1;
}
