// A new symbol inserted into a measure from a model.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "timing/VoiceRoom.h"

CKVMsg* CKVMeas::InsertNewMsg(CKVMsg& model)
{
    if (!m_pSystem || IsRestCompMeas(nullptr) != 0 || !CVoiceRoom::TakesEntry(*this, model))
        return nullptr;
    CKVMsg* msg = KvNewReported<CKVMsg>();
    if (!msg)
        return nullptr;
    *msg = model;
    // The copy is a symbol of its own: a new id, and this measure's system.
    msg->m_dwMsgId = 0;
    msg->m_pSystem = m_pSystem;
    msg->m_pPage = nullptr;
    if (AddMsg(msg, kHolderOwns) <= 0) {
        if (msg->m_dwMsgId != 0 && m_pSystem->GetMsgFromMap(msg->m_dwMsgId) == msg)
            m_pSystem->RemoveMsgFromMap(msg->m_dwMsgId);
        else
            delete msg;
        return nullptr;
    }
    return msg;
}
