// A new symbol inserted into a measure from a model.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/NewObject.h"

CKVMsg* CKVMeas::InsertNewMsg(CKVMsg& model)
{
    // A compressed multi-measure rest stands for whole measures.
    if (IsRestCompMeas(nullptr) != 0)
        return nullptr;
    CKVMsg* copy = KvNewReported<CKVMsg>();
    if (!copy)
        return nullptr;
    *copy = model;
    copy->m_dwMsgId = 0;
    copy->m_pParent = this;
    copy->m_byParentKind = OBJ_MEAS;
    copy->m_pSystem = m_pSystem;
    if (AddMsg(copy, 1) <= 0) {
        delete copy;
        return nullptr;
    }
    return copy;
}
